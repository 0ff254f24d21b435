// Tests of the version-resource check: PE and NE images built byte by byte and then damaged one
// structure at a time, the executable fixtures, and the version reader refusing damaged files
// before the system's reader sees them.
#include "ExeFixtures.h"
#include "VersionBlockBuilder.h"
#include "reports/ResourceCheck.h"
#include "reports/VersionInfo.h"
#include "support/TestSupport.h"

#include "support/ByteWriting.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::TempTree;
using Verdict = VersionResourceVerdict;

namespace {

using testing_support::Put16;
using testing_support::Put32;

// A PE32+ image with one ".rsrc" section (file offset 0x200, address 0x1000) holding the tree
// RT_VERSION -> id 1 -> language 0x409 -> data entry -> a version block with file version 1.2.3.4.
namespace pe {
constexpr size_t NewHeader = 0x40;
constexpr size_t Optional = NewHeader + 24;
constexpr size_t ResourceDirectory = Optional + 112 + 16;
constexpr size_t Section = Optional + 0xF0;
constexpr size_t Root = 0x200;        // the resource section's raw data
constexpr size_t Names = Root + 0x18; // the RT_VERSION directory
constexpr size_t Langs = Root + 0x30; // the id-1 directory
constexpr size_t Data = Root + 0x48;  // the data entry
constexpr size_t Block = Root + 0x58; // the version block
constexpr uint32_t SectionRva = 0x1000;

std::vector<uint8_t> VersionBlock() {
    using namespace version_test;
    return Encode(version_test::Block(FixedRecord(1, 2, 3, 4),
                                      {{L"040904B0", {Text(L"FileDescription", L"Built image")}}},
                                      {{0x409, 1200}}));
}

std::vector<uint8_t> Image() {
    std::vector<uint8_t> block = VersionBlock();
    size_t used = 0x58 + block.size();
    size_t raw = (used + 0x1FF) / 0x200 * 0x200;
    std::vector<uint8_t> b(Root + raw, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, NewHeader);
    memcpy(b.data() + NewHeader, "PE\0\0", 4);
    Put16(b, NewHeader + 4, 0x8664);          // machine
    Put16(b, NewHeader + 6, 1);               // sections
    Put16(b, NewHeader + 20, 0xF0);           // optional-header size
    Put16(b, NewHeader + 22, 0x0022);         // executable, large-address aware
    Put16(b, Optional, 0x20B);                // PE32+
    Put32(b, Optional + 32, 0x1000);          // section alignment
    Put32(b, Optional + 36, 0x200);           // file alignment
    Put16(b, Optional + 40, 6);               // operating-system version
    Put16(b, Optional + 48, 6);               // subsystem version
    Put32(b, Optional + 56, 0x1000 + 0x1000); // image size
    Put32(b, Optional + 60, 0x200);           // header size
    Put16(b, Optional + 68, 3);               // console subsystem
    Put32(b, Optional + 108, 16);             // data directories
    Put32(b, ResourceDirectory, SectionRva);
    Put32(b, ResourceDirectory + 4, static_cast<uint32_t>(used));
    memcpy(b.data() + Section, ".rsrc", 5);
    Put32(b, Section + 8, static_cast<uint32_t>(used)); // virtual size
    Put32(b, Section + 12, SectionRva);
    Put32(b, Section + 16, static_cast<uint32_t>(raw));
    Put32(b, Section + 20, Root);
    Put32(b, Section + 36, 0x40000040); // initialised data, readable
    Put16(b, Root + 14, 1);             // root: one id entry
    Put32(b, Root + 16, 16);
    Put32(b, Root + 20, 0x80000018);
    Put16(b, Names + 14, 1);
    Put32(b, Names + 16, 1);
    Put32(b, Names + 20, 0x80000030);
    Put16(b, Langs + 14, 1);
    Put32(b, Langs + 16, 0x409);
    Put32(b, Langs + 20, 0x48);
    Put32(b, Data, SectionRva + 0x58);
    Put32(b, Data + 4, static_cast<uint32_t>(block.size()));
    memcpy(b.data() + Block, block.data(), block.size());
    return b;
}
} // namespace pe

// A New Executable with a resource table (alignment shift 4) naming one version resource at
// file offset 0x100, 0x60 bytes long.
namespace ne {
constexpr size_t Header = 0x40;
constexpr size_t Table = 0x80; // the resource table
constexpr size_t Name = Table + 2 + 8;
constexpr size_t End = Name + 12; // the terminating zero type
constexpr size_t TableBytes = End + 2 - Table;

std::vector<uint8_t> Image() {
    std::vector<uint8_t> b(0x160, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, Header);
    b[Header] = 'N';
    b[Header + 1] = 'E';
    Put16(b, Header + 0x1C, 0);                                                  // segments
    Put16(b, Header + 0x22, 0x40);                                               // segment table
    Put16(b, Header + 0x24, static_cast<uint16_t>(Table - Header));              // resource table
    Put16(b, Header + 0x26, static_cast<uint16_t>(Table - Header + TableBytes)); // resident names
    Put16(b, Table, 4);                                                          // alignment shift
    Put16(b, Table + 2, 0x8010);                                                 // RT_VERSION
    Put16(b, Table + 4, 1);                                                      // one resource of the type
    Put16(b, Name, 0x100 >> 4);                                                  // offset in units
    Put16(b, Name + 2, 0x60 >> 4);
    Put16(b, Name + 6, 0x8001); // id 1
    return b;
}
} // namespace ne

VersionResourceCheck Check(const std::vector<uint8_t>& bytes) {
    // An exact-size copy: a read past the end would be a heap overrun.
    std::vector<uint8_t> exact(bytes);
    return CheckVersionResource(ByteReader(exact.data(), exact.size()));
}

struct Row {
    const char* label;
    std::function<void(std::vector<uint8_t>&)> damage;
    Verdict verdict;
    std::string reason;
};

void RunRows(const std::vector<uint8_t>& original, const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        std::vector<uint8_t> bytes = original;
        row.damage(bytes);
        VersionResourceCheck c = Check(bytes);
        EXPECT_EQ(c.verdict, row.verdict) << row.label;
        EXPECT_EQ(std::string(c.reason), row.reason) << row.label;
    }
}

} // namespace

TEST(CheckVersionResourceTest, BuiltPeImage) {
    std::vector<uint8_t> image = pe::Image();
    VersionResourceCheck c = Check(image);
    EXPECT_EQ(c.verdict, Verdict::Present);
    EXPECT_EQ(c.resourceBytes, pe::VersionBlock().size());

    using B = std::vector<uint8_t>;
    RunRows(image,
            {
                {"untouched", [](B&) {}, Verdict::Present, ""},
                {"data address 0xFFFFFFF0, which the reader copies from unchecked",
                 [](B& b) { Put32(b, pe::Data, 0xFFFFFFF0); }, Verdict::Damaged,
                 "version data outside the resource section"},
                {"data address below the section", [](B& b) { Put32(b, pe::Data, 0x800); }, Verdict::Damaged,
                 "version data outside the resource section"},
                {"data size runs past the raw data", [](B& b) { Put32(b, pe::Data + 4, 0x200); },
                 Verdict::Damaged, "version data runs past the section"},
                {"data size over 64 KiB", [](B& b) { Put32(b, pe::Data + 4, 0x10001); }, Verdict::Damaged,
                 "version resource over 64 KiB"},
                {"virtual size 0x7FFFFFFF, allocated by the reader",
                 [](B& b) { Put32(b, pe::Section + 8, 0x7FFFFFFF); }, Verdict::Damaged,
                 "section beyond the largest image"},
                {"virtual size 0xFFFFFFFF", [](B& b) { Put32(b, pe::Section + 8, 0xFFFFFFFF); },
                 Verdict::Damaged, "section beyond the largest image"},
                {"virtual size larger than the file", [](B& b) { Put32(b, pe::Section + 8, 0x100000); },
                 Verdict::Damaged, "resource section larger than the file"},
                {"raw size 0x7FFFFFFF", [](B& b) { Put32(b, pe::Section + 16, 0x7FFFFFFF); },
                 Verdict::Damaged, "section raw data outside the file"},
                {"raw data pointer past the end", [](B& b) { Put32(b, pe::Section + 20, 0x10000); },
                 Verdict::Damaged, "section raw data outside the file"},
                {"optional-header size past the file", [](B& b) { Put16(b, pe::NewHeader + 20, 0xFFFF); },
                 Verdict::Damaged, "optional header outside the file"},
                {"unknown optional-header magic", [](B& b) { Put16(b, pe::Optional, 0x107); },
                 Verdict::Damaged, "PE header cut short or of an unknown kind"},
                {"65,535 sections", [](B& b) { Put16(b, pe::NewHeader + 6, 0xFFFF); }, Verdict::Damaged,
                 "section table outside the file"},
                {"root entry count past the section", [](B& b) { Put16(b, pe::Root + 14, 0xFFFF); },
                 Verdict::Damaged, "root directory outside the section"},
                {"type entry loops back to the root", [](B& b) { Put32(b, pe::Root + 20, 0x80000000); },
                 Verdict::Damaged, "directory visited twice"},
                {"name entry points at its own directory", [](B& b) { Put32(b, pe::Names + 20, 0x80000018); },
                 Verdict::Damaged, "directory visited twice"},
                {"type entry points at data", [](B& b) { Put32(b, pe::Root + 20, 0x18); }, Verdict::Damaged,
                 "a directory entry points at data"},
                {"subdirectory past the section", [](B& b) { Put32(b, pe::Names + 20, 0x8000FFF0); },
                 Verdict::Damaged, "directory outside the section"},
                {"language directory without entries, whose first entry is still read",
                 [](B& b) { Put16(b, pe::Langs + 14, 0); }, Verdict::Damaged,
                 "language directory without entries"},
                {"language entry points at a directory", [](B& b) { Put32(b, pe::Langs + 20, 0x80000048); },
                 Verdict::Damaged, "a language entry points at a directory"},
                {"data entry past the section", [](B& b) { Put32(b, pe::Langs + 20, 0x7FFFFFF0); },
                 Verdict::Damaged, "data entry outside the section"},
                {"a named type entry whose low word is 16 is followed too",
                 [](B& b) {
                     Put32(b, pe::Root + 16, 0x80000010);
                     Put32(b, pe::Root + 20, 0x8000FFF0);
                 },
                 Verdict::Damaged, "directory outside the section"},
                {"no resource directory", [](B& b) { Put32(b, pe::ResourceDirectory + 4, 0); },
                 Verdict::Absent, "no resource directory"},
                {"resource address in no section", [](B& b) { Put32(b, pe::ResourceDirectory, 0x5000); },
                 Verdict::Absent, "no section holds the resource directory"},
                {"no RT_VERSION type", [](B& b) { Put32(b, pe::Root + 16, 3); }, Verdict::Absent,
                 "no RT_VERSION entry"},
                {"version resource named 2, not 1", [](B& b) { Put32(b, pe::Names + 16, 2); },
                 Verdict::Absent, "no version resource with id 1"},
                {"new-header offset past the end", [](B& b) { Put32(b, 0x3C, 0x100000); }, Verdict::Absent,
                 "no new header inside the file"},
                {"negative new-header offset", [](B& b) { Put32(b, 0x3C, 0xFFFFFF00); }, Verdict::Absent,
                 "no new header inside the file"},
                {"LE header", [](B& b) { memcpy(b.data() + pe::NewHeader, "LE\0\0", 4); }, Verdict::Absent,
                 "neither PE nor NE"},
                {"LX header", [](B& b) { memcpy(b.data() + pe::NewHeader, "LX\0\0", 4); }, Verdict::Absent,
                 "neither PE nor NE"},
                {"\"ZM\" signature, which the reader does not accept",
                 [](B& b) { memcpy(b.data(), "ZM", 2); }, Verdict::Absent, "not an MZ image"},
                {"cut to 63 bytes", [](B& b) { b.resize(63); }, Verdict::Absent, "not an MZ image"},
                {"cut inside the section table", [](B& b) { b.resize(pe::Section + 20); }, Verdict::Damaged,
                 "section table outside the file"},
                {"cut inside the resource section", [](B& b) { b.resize(pe::Root + 0x40); }, Verdict::Damaged,
                 "section raw data outside the file"},
            });
}

TEST(CheckVersionResourceTest, BuiltNeImage) {
    std::vector<uint8_t> image = ne::Image();
    VersionResourceCheck c = Check(image);
    EXPECT_EQ(c.verdict, Verdict::Present);
    EXPECT_EQ(c.resourceBytes, 0x60u);

    using B = std::vector<uint8_t>;
    RunRows(image,
            {
                {"untouched", [](B&) {}, Verdict::Present, ""},
                {"alignment shift 40", [](B& b) { Put16(b, ne::Table, 40); }, Verdict::Damaged,
                 "resource alignment shift out of range"},
                {"resource past the end of the file", [](B& b) { Put16(b, ne::Name, 0x20); },
                 Verdict::Damaged, "version resource outside the file"},
                {"length shifted past 64 KiB", [](B& b) { Put16(b, ne::Name + 2, 0x2000); }, Verdict::Damaged,
                 "version resource length out of range"},
                {"length under the fixed record, which the reader's size wraps",
                 [](B& b) { Put16(b, ne::Name + 2, 1); }, Verdict::Damaged,
                 "version resource length out of range"},
                {"resource table ends before it starts",
                 [](B& b) { Put16(b, ne::Header + 0x26, static_cast<uint16_t>(ne::Table - ne::Header - 2)); },
                 Verdict::Damaged, "resource table ends before it starts"},
                {"table of an icon type that ends without its zero type, which the reader reads past",
                 [](B& b) {
                     Put16(b, ne::Table + 2, 0x8003);
                     Put16(b, ne::Header + 0x26, static_cast<uint16_t>(ne::End - ne::Header));
                 },
                 Verdict::Damaged, "resource table without its end"},
                {"the version type is found before the missing end, as the reader finds it",
                 [](B& b) { Put16(b, ne::Header + 0x26, static_cast<uint16_t>(ne::End - ne::Header)); },
                 Verdict::Present, ""},
                {"type count past the table", [](B& b) { Put16(b, ne::Table + 4, 0x4000); }, Verdict::Damaged,
                 "resource type record outside the table"},
                {"segment table past the file", [](B& b) { Put16(b, ne::Header + 0x1C, 0x7000); },
                 Verdict::Damaged, "segment table outside the file"},
                {"random bytes after the header (the old-NE reproducer)",
                 [](B& b) {
                     for (size_t i = ne::Header + 2; i < b.size(); ++i)
                         b[i] = static_cast<uint8_t>(i * 151 + 7);
                 },
                 Verdict::Damaged, "segment table outside the file"},
                {"no resource table",
                 [](B& b) { Put16(b, ne::Header + 0x26, static_cast<uint16_t>(ne::Table - ne::Header)); },
                 Verdict::Absent, "no resource table"},
                {"only an icon type", [](B& b) { Put16(b, ne::Table + 2, 0x8003); }, Verdict::Absent,
                 "no RT_VERSION entry"},
                {"version resource named 2", [](B& b) { Put16(b, ne::Name + 6, 0x8002); }, Verdict::Absent,
                 "no version resource with id 1"},
            });
}

TEST(CheckVersionResourceTest, Fixtures) {
    struct {
        const wchar_t* fixture;
        Verdict verdict;
    } rows[] = {
        {L"console64.exe", Verdict::Present},  {L"console32.exe", Verdict::Present},
        {L"windowed64.exe", Verdict::Present}, {L"library64.dll", Verdict::Present},
        {L"resonly64.dll", Verdict::Present},  {L"efi64.exe", Verdict::Absent},
        {L"library32.dll", Verdict::Absent},
    };
    for (const auto& row : rows) {
        std::vector<uint8_t> bytes = exe_fixtures::Bytes(row.fixture);
        ASSERT_FALSE(bytes.empty()) << "fixture missing";
        EXPECT_EQ(Check(bytes).verdict, row.verdict);
        // The mapped read of the file agrees with the check of its bytes.
        EXPECT_EQ(CheckVersionResourceFile(exe_fixtures::Path(row.fixture).c_str()).verdict, row.verdict);
    }
}

TEST(CheckVersionResourceTest, EveryTruncationIsRefused) {
    // Each prefix of the image is checked over exactly its own bytes: the section's raw data no
    // longer fits, so none may be handed on.
    std::vector<uint8_t> image = pe::Image();
    for (size_t n = 0; n < image.size(); ++n) {
        std::vector<uint8_t> prefix(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_NE(Check(prefix).verdict, Verdict::Present) << n;
    }
}

TEST(ReadVersionBlockTest, DamagedResourcesNeverReachTheSystemReader) {
    TempTree tree;
    // The built image is read by the system itself: the check and the system agree it is valid.
    std::vector<std::byte> block;
    std::wstring good = tree.file(L"good.exe", pe::Image());
    ASSERT_EQ(ReadVersionBlock(good.c_str(), block), 0);
    auto parts = FixedFileVersion(block);
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(*parts, (std::array<uint16_t, 4>{1, 2, 3, 4}));

    struct {
        const char* label;
        size_t at;
        uint32_t value;
    } rows[] = {
        // Before the check, the system's reader copied from this address and the process died.
        {"data address 0xFFFFFFF0", pe::Data, 0xFFFFFFF0},
        // Before the check, the system's reader allocated and cleared about 2 GB.
        {"virtual size 0x7FFFFFFF", pe::Section + 8, 0x7FFFFFFF},
        {"raw size 0x7FFFFFFF", pe::Section + 16, 0x7FFFFFFF},
    };
    for (const auto& row : rows) {
        std::vector<uint8_t> bytes = pe::Image();
        Put32(bytes, row.at, row.value);
        std::wstring path = tree.file(L"damaged.exe", bytes);
        EXPECT_EQ(ReadVersionBlock(path.c_str(), block), 1) << row.label;
        EXPECT_TRUE(block.empty()) << row.label;
    }
    // Files without a version resource are answered without asking the system.
    EXPECT_EQ(ReadVersionBlock(tree.file(L"text.txt", std::string("MZ but not a program")).c_str(), block),
              126);
    EXPECT_EQ(ReadVersionBlock(tree.file(L"empty.exe").c_str(), block), 126);
}
