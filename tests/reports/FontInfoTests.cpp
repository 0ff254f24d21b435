// The font section: report lines for built fonts and collections, Wine's own TrueType fonts,
// files that are too small or not fonts, and the reader on damaged copies of real fonts.
#include "output/LineOutput.h"
#include "reports/FontNames.h"
#include "reports/ReportSections.h"
#include "support/TestSupport.h"

#include "FontBuilder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace scrutel;
using namespace font_builder;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

std::wstring Line(const std::wstring& label, const std::wstring& value) {
    return L"    " + label + L" " + std::wstring(24 - label.size(), L'.') + L" " + value + L"\r\n";
}

std::wstring Report(const Bytes& file, uint32_t width = 0u - 31u) {
    Capture capture;
    EXPECT_EQ(ReportFontsFromBytes(file.data(), file.size(), width), 0);
    return capture.out();
}

// Reads a file of the Linux side (Wine maps "/" to drive Z:); empty when it is missing.
Bytes ReadHostFile(const std::string& unixPath) {
    std::ifstream in("Z:" + unixPath, std::ios::binary);
    if (!in) return {};
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring WinePath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

const char* const TahomaPath = "/usr/share/wine/fonts/tahoma.ttf";
const char* const SymbolPath = "/usr/share/wine/fonts/symbol.ttf";

TEST(FontFileKind, ExtensionsIgnoringCase) {
    struct Case {
        const wchar_t* path;
        int kind;
    } cases[] = {
        {L"C:\\f\\a.ttf", 1}, {L"a.TTC", 2},        {L"a.Otf", 3},       {L"a.otc", 4}, {L"a.fon", 0},
        {L"a.ttf.bak", 0},    {L"C:\\x.ttf\\a", 0}, {L"noextension", 0}, {L"", 0},      {nullptr, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FontFileKind(c.path), c.kind) << (c.path ? c.path : L"(null)");
}

TEST(ReportFontsFromBytes, SingleFontPrintsItsItemsInOrder) {
    Bytes font = FontWithNames({Win(10, L"A sample face"), Win(9, L"Jane Doe"), Win(8, L"Sample Foundry"),
                                Win(5, L"Version 1.5"), Win(4, L"Sample Sans"), Win(1, L"Sample")});
    EXPECT_EQ(Report(font), Line(L"Name", L"Sample Sans") + Line(L"Version", L"Version 1.5") +
                                Line(L"Manufacturer", L"Sample Foundry") + Line(L"Designer", L"Jane Doe") +
                                Line(L"Description", L"A sample face") + L"\r\n");
}

TEST(ReportFontsFromBytes, MissingNamesGiveNoLines) {
    EXPECT_EQ(Report(FontWithNames({Win(16, L"Typo"), Win(17, L"Italic"), Win(9, L"Designer Only")})),
              Line(L"Name", L"Typo Italic") + Line(L"Designer", L"Designer Only") + L"\r\n");
    EXPECT_EQ(Report(FontWithNames({Win(0, L"Only a notice")})), L"");
}

TEST(ReportFontsFromBytes, MacintoshOnlyStrings) {
    EXPECT_EQ(Report(FontWithNames({Mac(4, "Caf\x8E Display"), Mac(8, "Fonderie \xA9")})),
              Line(L"Name", L"Caf\u00E9 Display") + Line(L"Manufacturer", L"Fonderie \u00A9") + L"\r\n");
}

TEST(ReportFontsFromBytes, EmbeddedLineBreaksOnOneLine) {
    EXPECT_EQ(Report(FontWithNames({Win(10, L"First line\r\nsecond line \r\nthird")})),
              Line(L"Description", L"First line second line third") + L"\r\n");
}

TEST(ReportFontsFromBytes, DescriptionWidthFromMaxWidth) {
    std::wstring sixty = L"A description of exactly sixty characters, for the width tes";
    ASSERT_EQ(sixty.size(), 60u);
    Bytes font = FontWithNames({Win(10, sixty)});
    EXPECT_EQ(Report(font, 80 - 31), Line(L"Description", sixty.substr(0, 48) + L"\u2026") + L"\r\n");
    EXPECT_EQ(Report(font, 0u - 31u), Line(L"Description", sixty) + L"\r\n");
}

TEST(ReportFontsFromBytes, CollectionOfThreePrintsThreeBlocks) {
    std::vector<std::vector<Table>> fonts;
    for (const wchar_t* name : {L"First", L"Second", L"Third"})
        fonts.push_back(
            {{Tag("head"), Bytes(54, 1)}, {Tag("name"), NameTable({Win(4, name), Win(5, L"1.0")})}});
    Bytes collection = Collection(fonts);
    std::wstring expected;
    for (const wchar_t* name : {L"First", L"Second", L"Third"})
        expected += Line(L"Name", name) + Line(L"Version", L"1.0") + L"\r\n";
    EXPECT_EQ(Report(collection), expected);
    // Version 2.0 headers are read the same way.
    Bytes v2 = Collection(fonts, 2);
    EXPECT_EQ(Report(v2), expected);
}

TEST(ReportFontsFromBytes, BadFontsInACollectionAreSkipped) {
    std::vector<std::vector<Table>> fonts;
    for (const wchar_t* name : {L"Kept", L"Lost", L"Also kept"})
        fonts.push_back({{Tag("name"), NameTable({Win(4, name)})}});
    Bytes collection = Collection(fonts);
    // Font 1's directory entry points past the end; font 2 is reported all the same.
    PutU32(collection, 16, 0xFFFFFF00u);
    EXPECT_EQ(Report(collection), Line(L"Name", L"Kept") + L"\r\n" + Line(L"Name", L"Also kept") + L"\r\n");
}

TEST(ReportFontsFromBytes, InvalidCollectionHeaderIsReadAsASingleFont) {
    std::vector<std::vector<Table>> fonts = {{{Tag("name"), NameTable({Win(4, L"Inside")})}}};
    Bytes collection = Collection(fonts);
    PutU32(collection, 8, 200); // too many fonts: not a collection, and not a font either
    EXPECT_EQ(Report(collection), L"");
}

TEST(ReportFontsFromBytes, RejectedFontsPrintNothing) {
    Bytes good = FontWithNames({Win(4, L"Name")});
    Bytes badChecksum = FontWithNames({Win(4, L"Name")}, FontOptions{0x00010000, true, 0x100});
    Bytes badVersion = FontWithNames({Win(4, L"Name")}, FontOptions{0x00020000});
    Bytes unsorted = SingleFont({{Tag("post"), Bytes(8, 0)},
                                 {Tag("head"), Bytes(8, 0)},
                                 {Tag("name"), NameTable({Win(4, L"Name")})}});
    Bytes format2Table = NameTable({Win(4, L"Name")});
    PutU16(format2Table, 0, 2);
    Bytes format2 = SingleFont({{Tag("name"), format2Table}});
    Bytes recordsPastEnd = NameTable({Win(4, L"Name")});
    PutU16(recordsPastEnd, 2, 9);
    Bytes pastEnd = SingleFont({{Tag("name"), recordsPastEnd}});
    struct Case {
        const char* label;
        const Bytes& file;
        size_t size;
    } cases[] = {
        {"checksum mismatch", badChecksum, badChecksum.size()},
        {"unknown sfnt version", badVersion, badVersion.size()},
        {"unsorted tags before name", unsorted, unsorted.size()},
        {"format 2", format2, format2.size()},
        {"records past the table", pastEnd, pastEnd.size()},
        {"4095 bytes", good, 4095},
    };
    for (const auto& c : cases) {
        Capture capture;
        EXPECT_EQ(ReportFontsFromBytes(c.file.data(), c.size, 0u - 31u), 0) << c.label;
        EXPECT_EQ(capture.out(), L"") << c.label;
    }
    EXPECT_EQ(Report(good), Line(L"Name", L"Name") + L"\r\n");
}

TEST(FontSection, FilesOnDisk) {
    TempTree tree;
    std::wstring font = tree.file(L"face.ttf", FontWithNames({Win(4, L"Disk Face")}));
    Bytes small = FontWithNames({Win(4, L"Disk Face")});
    small.resize(4095);
    std::wstring tooSmall = tree.file(L"small.ttf", small);
    std::wstring text = tree.file(L"notes.ttf", std::string(5000, 'x'));
    std::wstring empty = tree.file(L"empty.ttf", std::string());
    std::wstring folder = tree.dir(L"folder.ttf");
    {
        Capture capture;
        EXPECT_EQ(FontSection(font.c_str(), 49), 0);
        EXPECT_EQ(capture.out(), Line(L"Name", L"Disk Face") + L"\r\n");
    }
    struct Case {
        const char* label;
        std::wstring path;
        int result;
    } cases[] = {
        {"4095 bytes", tooSmall, 0},
        {"not a font", text, 0},
        {"empty file", empty, -2},
        {"directory", folder, 2},
        {"missing", tree.path(L"missing.ttf"), 2},
    };
    for (const auto& c : cases) {
        Capture capture;
        EXPECT_EQ(FontSection(c.path.c_str(), 49), c.result) << c.label;
        EXPECT_EQ(capture.out(), L"") << c.label;
    }
}

TEST(FontSection, FileHeldOpenForWritingCannotBeOpened) {
    TempTree tree;
    std::wstring font = tree.file(L"locked.ttf", FontWithNames({Win(4, L"Locked")}));
    HANDLE h = CreateFileW(font.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    Capture capture;
    EXPECT_EQ(FontSection(font.c_str(), 49), -2);
    CloseHandle(h);
    EXPECT_EQ(capture.out(), L"");
}

TEST(FontSection, InterruptionStopsTheSection) {
    Bytes collection =
        Collection({{{Tag("name"), NameTable({Win(4, L"A")})}}, {{Tag("name"), NameTable({Win(4, L"B")})}}});
    Output().paging.interrupted = 1;
    int result;
    std::wstring out;
    {
        Capture capture;
        result = ReportFontsFromBytes(collection.data(), collection.size(), 49);
        out = capture.out();
    }
    Output().paging.interrupted = 0;
    EXPECT_EQ(result, ABORTED);
    EXPECT_EQ(out, Line(L"Name", L"A"));
}

// ---- Wine's own fonts

TEST(FontSection, WineTahoma) {
    if (ReadHostFile(TahomaPath).empty())
        GTEST_SKIP() << "Wine's tahoma.ttf (package fonts-wine) is not installed";
    Capture capture;
    EXPECT_EQ(FontSection(WinePath(TahomaPath).c_str(), 49), 0);
    EXPECT_EQ(capture.out(), Line(L"Name", L"Tahoma") + Line(L"Version", L"Version 0.001") + L"\r\n");
}

TEST(FontSection, WineSymbolWithManufacturerAndDesigner) {
    if (ReadHostFile(SymbolPath).empty())
        GTEST_SKIP() << "Wine's symbol.ttf (package fonts-wine) is not installed";
    Capture capture;
    EXPECT_EQ(FontSection(WinePath(SymbolPath).c_str(), 80 - 31), 0);
    EXPECT_EQ(capture.out(), Line(L"Name", L"Symbol") +
                                 Line(L"Version", L"Version 1.1 February 3, 2009, initial release") +
                                 Line(L"Manufacturer", L"Wine") +
                                 Line(L"Designer", L"Jon Parshall for CodeWeavers") + L"\r\n");
}

// Real fonts re-packed into a collection: the directory offsets are shifted past the header.
Bytes PackCollection(const std::vector<Bytes>& fonts) {
    Bytes file;
    AddU32(file, Tag("ttcf"));
    AddU16(file, 2);
    AddU16(file, 0);
    AddU32(file, static_cast<uint32_t>(fonts.size()));
    file.resize(12 + 4 * fonts.size() + 12, 0); // room for the offsets and a version 2 signature block
    for (size_t i = 0; i < fonts.size(); ++i) {
        while (file.size() % 4)
            file.push_back(0);
        size_t start = file.size();
        PutU32(file, 12 + 4 * i, static_cast<uint32_t>(start));
        Bytes font = fonts[i];
        uint32_t tables = (uint32_t(font[4]) << 8) | font[5];
        for (uint32_t k = 0; k < tables; ++k) {
            size_t at = 12 + 16 * k + 8;
            uint32_t offset = (uint32_t(font[at]) << 24) | (uint32_t(font[at + 1]) << 16) |
                              (uint32_t(font[at + 2]) << 8) | font[at + 3];
            PutU32(font, at, offset + static_cast<uint32_t>(start));
        }
        file.insert(file.end(), font.begin(), font.end());
    }
    return file;
}

TEST(FontSection, WineFontsAsACollection) {
    Bytes tahoma = ReadHostFile(TahomaPath);
    Bytes symbol = ReadHostFile(SymbolPath);
    if (tahoma.empty() || symbol.empty())
        GTEST_SKIP() << "Wine's fonts (package fonts-wine) are not installed";
    TempTree tree;
    std::wstring path = tree.file(L"pair.ttc", PackCollection({tahoma, symbol}));
    Capture capture;
    EXPECT_EQ(FontSection(path.c_str(), 49), 0);
    EXPECT_EQ(capture.out(), Line(L"Name", L"Tahoma") + Line(L"Version", L"Version 0.001") + L"\r\n" +
                                 Line(L"Name", L"Symbol") +
                                 Line(L"Version", L"Version 1.1 February 3, 2009, initial release") +
                                 Line(L"Manufacturer", L"Wine") +
                                 Line(L"Designer", L"Jon Parshall for CodeWeavers") + L"\r\n");
}

// ---- Robustness: damaged copies of real fonts, read from memory that ends at a guard page

class GuardedBuffer {
  public:
    explicit GuardedBuffer(size_t capacity) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
        span_ = (capacity + page_ - 1) / page_ * page_;
        base_ = static_cast<uint8_t*>(
            VirtualAlloc(nullptr, span_ + page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        if (base_) VirtualProtect(base_ + span_, page_, PAGE_NOACCESS, &old);
    }
    ~GuardedBuffer() {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    // Copies bytes so that they end right before the guard page; returns where they start.
    const uint8_t* Place(const Bytes& bytes) {
        uint8_t* start = base_ + span_ - bytes.size();
        memcpy(start, bytes.data(), bytes.size());
        return start;
    }
    bool ok() const { return base_ != nullptr; }

  private:
    size_t page_ = 0, span_ = 0;
    uint8_t* base_ = nullptr;
};

void ReadEverything(GuardedBuffer& guard, const Bytes& bytes) {
    const uint8_t* data = guard.Place(bytes);
    {
        Capture capture;
        ReportFontsFromBytes(data, bytes.size(), 49);
    }
    wchar_t d[1024], v[1024], l[1024];
    FontHeaderStringsFromBytes(data, bytes.size(), d, v, l);
    NameTableLocation location;
    size_t offset = 0;
    if (FindNameTable(data, bytes.size(), offset, &location)) {
        std::vector<wchar_t> out(300);
        for (uint32_t id : {0u, 1u, 4u, 5u, FontCompositeName})
            ReadFontName(data, bytes.size(), location.offset, location.length, id, out.data(), out.size(),
                         20);
    }
}

TEST(FontRobustness, TruncatedZeroFilledAndMutatedRealFonts) {
    std::vector<Bytes> sources;
    for (const char* path : {TahomaPath, SymbolPath, "/usr/share/wine/fonts/marlett.ttf"}) {
        Bytes b = ReadHostFile(path);
        if (!b.empty()) sources.push_back(b);
    }
    if (sources.empty()) GTEST_SKIP() << "Wine's fonts (package fonts-wine) are not installed";
    sources.push_back(PackCollection({sources[0], sources.back()}));
    size_t largest = 0;
    for (const Bytes& b : sources)
        largest = std::max(largest, b.size());
    GuardedBuffer guard(largest);
    ASSERT_TRUE(guard.ok());

    std::mt19937 generator(20240601u); // fixed generator state: the same cases on every run
    int runs = 0;
    for (const Bytes& source : sources) {
        // Every cut through the directory and the naming table's header, then cuts at random.
        NameTableLocation location;
        size_t firstFont = 0;
        ASSERT_TRUE(FontOffset(source.data(), source.size(), 0, &firstFont));
        ASSERT_EQ(LocateUsableNameTable(source.data(), source.size(), firstFont, &location), 1);
        for (size_t cut :
             {size_t(1), size_t(12), size_t(28), size_t(4095), size_t(4096), source.size() - 1}) {
            ReadEverything(guard, Bytes(source.begin(), source.begin() + std::min(cut, source.size())));
            ++runs;
        }
        for (int i = 0; i < 40; ++i) {
            size_t cut = std::uniform_int_distribution<size_t>(1, source.size())(generator);
            ReadEverything(guard, Bytes(source.begin(), source.begin() + cut));
            ++runs;
        }
        // Zero-filled ranges.
        for (int i = 0; i < 40; ++i) {
            Bytes copy = source;
            size_t at = std::uniform_int_distribution<size_t>(0, copy.size() - 1)(generator);
            size_t length = std::uniform_int_distribution<size_t>(1, 64)(generator);
            for (size_t k = at; k < std::min(copy.size(), at + length); ++k)
                copy[k] = 0;
            ReadEverything(guard, copy);
            ++runs;
        }
        // Random byte mutations, weighted towards the directory and the naming table.
        for (int i = 0; i < 300; ++i) {
            Bytes copy = source;
            int changes = std::uniform_int_distribution<int>(1, 8)(generator);
            for (int k = 0; k < changes; ++k) {
                size_t at;
                int where = std::uniform_int_distribution<int>(0, 2)(generator);
                if (where == 0)
                    at = std::uniform_int_distribution<size_t>(0, std::min<size_t>(copy.size(), 512) -
                                                                      1)(generator);
                else if (where == 1 && location.length)
                    at = location.offset + std::uniform_int_distribution<size_t>(
                                               0, std::min<size_t>(location.length, 400) - 1)(generator);
                else
                    at = std::uniform_int_distribution<size_t>(0, copy.size() - 1)(generator);
                if (at < copy.size()) copy[at] = static_cast<uint8_t>(generator());
            }
            ReadEverything(guard, copy);
            ++runs;
        }
        // A whole zero-filled file of the same size.
        ReadEverything(guard, Bytes(source.size(), 0));
        ++runs;
    }
    EXPECT_GT(runs, 1000);
}

} // namespace
