// Tests of the version-resource check: PE and NE images built byte by byte and then damaged one
// structure at a time, and every truncation of a valid image.
#include "ResourceImageBuilder.h"
#include "reports/ResourceCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace scrutel;
using Verdict = VersionResourceVerdict;
using resource_test::Check;
namespace pe = resource_test::pe;
namespace ne = resource_test::ne;

namespace {

using testing_support::Put16;
using testing_support::Put32;

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

TEST(CheckVersionResourceTest, EveryTruncationIsRefused) {
    // Each prefix of the image is checked over exactly its own bytes: the section's raw data no
    // longer fits, so none may be handed on.
    std::vector<uint8_t> image = pe::Image();
    for (size_t n = 0; n < image.size(); ++n) {
        std::vector<uint8_t> prefix(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_NE(Check(prefix).verdict, Verdict::Present) << n;
    }
}
