// Tests of the version-resource section and the dotted label lines: exact report blocks for the
// fixture programs (all labels, blank and missing values, several translations, only the fixed
// record, version 0.0.0.0), files without a resource, and damaged copies of real programs.
#include "ExeFixtures.h"
#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "reports/FileProbe.h"
#include "reports/ReportSections.h"
#include "reports/VersionInfo.h"
#include "reports/VersionResource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

// One report line with an explicit number of dots.
std::wstring Line(const std::wstring& label, size_t dots, const std::wstring& value) {
    return L"    " + label + L" " + std::wstring(dots, L'.') + L" " + value + L"\r\n";
}

struct SectionRun {
    int result;
    std::wstring out;
};

SectionRun Section(const std::wstring& path) {
    Capture capture;
    FileProbe probe(path.c_str());
    int rc = VersionResourceSection(probe);
    return {rc, capture.out()};
}

} // namespace

TEST(PrintLabelLineTest, DotsAndAlignment) {
    struct Row {
        const char* label;
        const wchar_t* text;
        const wchar_t* value;
        std::wstring out;
    } rows[] = {
        {"short label", L"Build", L"77", L"    Build ................... 77\r\n"},
        {"23 characters", L"abcdefghijklmnopqrstuvw", L"v", L"    abcdefghijklmnopqrstuvw . v\r\n"},
        {"24 characters, no dots", L"abcdefghijklmnopqrstuvwx", L"v", L"    abcdefghijklmnopqrstuvwx  v\r\n"},
        {"longer than 24", L"abcdefghijklmnopqrstuvwxyz", L"v", L"    abcdefghijklmnopqrstuvwxyz  v\r\n"},
        {"empty value printed", L"Label", L"", L"    Label ................... \r\n"},
        {"empty label", L"", L"v", L"     ........................ v\r\n"},
        {"value kept with its blanks", L"Company Name", L"  x  ", L"    Company Name ............   x  \r\n"},
        {"escape sequence and bell in the value", L"Title", L"a\x1b[2Jb\x07",
         L"    Title ................... a<U+001B>[2Jb<U+0007>\r\n"},
        {"line breaks cannot forge a line", L"Title", L"x\r\n    Author .......... y",
         L"    Title ................... x<U+000D><U+000A>    Author .......... y\r\n"},
        {"DEL, backspace and C1 controls", L"Title", L"\x7f\b\x85\x9b\x9f ok \xa0",
         L"    Title ................... <U+007F><U+0008><U+0085><U+009B><U+009F> ok \xa0\r\n"},
        {"direction characters", L"Company Name", L"\u202Eevil\u202C \u2067x\u2069\u200F",
         L"    Company Name ............ <U+202E>evil<U+202C> <U+2067>x<U+2069><U+200F>\r\n"},
    };
    for (const Row& row : rows) {
        Capture capture;
        EXPECT_EQ(PrintLabelLine(row.text, row.value), 0) << row.label;
        EXPECT_EQ(capture.out(), row.out) << row.label;
    }
    Capture capture;
    EXPECT_EQ(PrintLabelLine(L"Label", nullptr), -1);
    EXPECT_EQ(capture.out(), L"");
}

TEST(VersionResourceSectionTest, FixturePrograms) {
    struct Row {
        const wchar_t* fixture;
        std::wstring out;
    } rows[] = {
        {L"console64.exe",
         Line(L"Product Name", 12, L"Fixture Product") + Line(L"Internal Name", 11, L"fixture") +
             Line(L"Original Filename", 7, L"fixture.exe") + Line(L"Version (binary)", 8, L"1.2.3.4") +
             Line(L"Product Version", 9, L"1.2 beta") + Line(L"File Version", 12, L"1.2.3.4 (release)") +
             Line(L"Build", 19, L"Build 77") + Line(L"Company Name", 12, L"Fixture Makers") +
             Line(L"Language", 16, L"English (United States)") +
             Line(L"Legal Trademarks", 8, L"Fixture(TM)") + L"\r\n"},
        // The empty FileVersion is left out.
        {L"windowed64.exe",
         Line(L"Product Name", 12, L"Fixture Windowed") + Line(L"Version (binary)", 8, L"5.6.7.8") + L"\r\n"},
        // Values from the first translation that has them; the blank company name is left out.
        {L"library64.dll",
         Line(L"Product Name", 12, L"Deutsches Produkt") + Line(L"Internal Name", 11, L"english-only") +
             Line(L"Version (binary)", 8, L"2.0.0.9") + Line(L"File Version", 12, L"2.0.0.9") + L"\r\n"},
        {L"resonly64.dll", Line(L"Version (binary)", 8, L"3.1.4.1") + L"\r\n"},
        // The binary line is printed also for 0.0.0.0.
        {L"console32.exe",
         Line(L"Version (binary)", 8, L"0.0.0.0") + Line(L"File Version", 12, L"9.9") + L"\r\n"},
    };
    for (const Row& row : rows) {
        SectionRun run = Section(exe_fixtures::Path(row.fixture));
        EXPECT_EQ(run.result, 0) << testing_support::ToUtf8(row.fixture);
        EXPECT_EQ(run.out, row.out) << testing_support::ToUtf8(row.fixture);
    }
}

TEST(VersionResourceSectionTest, NothingToShow) {
    TempTree tree;
    struct Row {
        const char* label;
        std::wstring path;
        int result;
    } rows[] = {
        {"program without a resource", exe_fixtures::Path(L"efi64.exe"), 126},
        {"library without a resource", exe_fixtures::Path(L"library32.dll"), 126},
        {"text file", tree.file(L"a.txt", std::string("hello")), 126},
        {"empty file", tree.file(L"b.exe"), 126},
        {"missing file", tree.path(L"missing.exe"), 126},
        {"folder", tree.dir(L"folder"), 126},
        {"empty path", L"", -1},
    };
    for (const Row& row : rows) {
        SectionRun run = Section(row.path);
        EXPECT_EQ(run.result, row.result) << row.label;
        EXPECT_EQ(run.out, L"") << row.label;
    }
    FileProbe noPath(nullptr);
    EXPECT_EQ(VersionResourceSection(noPath), -1);
}

TEST(VersionResourceSectionTest, LabelledValueLine) {
    std::vector<std::byte> block;
    ASSERT_EQ(ReadVersionBlock(exe_fixtures::Path(L"library64.dll").c_str(), block), 0);
    struct Row {
        const char* label;
        const wchar_t* text;
        int result;
        std::wstring out;
    } rows[] = {
        {"found", L"Product Name", 0, Line(L"Product Name", 12, L"Deutsches Produkt")},
        {"white space inside the label is dropped", L" File\tVersion ", 0,
         Line(L" File\tVersion ", 10, L"2.0.0.9")},
        {"blank value", L"Company Name", 1, L""},
        {"missing value", L"Legal Trademarks", 1, L""},
        {"empty label", L"", -1, L""},
    };
    for (const Row& row : rows) {
        Capture capture;
        EXPECT_EQ(PrintVersionValue(block, row.text), row.result) << row.label;
        EXPECT_EQ(capture.out(), row.out) << row.label;
    }
    EXPECT_EQ(PrintVersionValue(block, nullptr), -1);
}

TEST(VersionResourceSectionTest, InterruptionStopsTheBlock) {
    Output().paging.interrupted = 1;
    SectionRun run = Section(exe_fixtures::Path(L"console64.exe"));
    Output().paging.interrupted = 0;
    EXPECT_EQ(run.result, ABORTED);
    EXPECT_EQ(run.out, Line(L"Product Name", 12, L"Fixture Product"));
}

TEST(VersionResourceSectionTest, DamagedBlocksNeverCrash) {
    std::mt19937 generator(99); // fixed generator state: the run is repeatable
    // Mutated copies of a real version block, reported directly.
    std::vector<std::byte> original;
    ASSERT_EQ(ReadVersionBlock(exe_fixtures::Path(L"console64.exe").c_str(), original), 0);
    for (int round = 0; round < 1500; ++round) {
        std::vector<std::byte> block = original;
        int flips = 1 + static_cast<int>(generator() % 12);
        for (int i = 0; i < flips; ++i)
            block[generator() % block.size()] = static_cast<std::byte>(generator());
        block.resize(generator() % (block.size() + 1));
        block.shrink_to_fit();
        Capture capture;
        EXPECT_EQ(VersionResourceReport(block), 0);
    }
}

TEST(VersionResourceSectionTest, DamagedProgramsNeverCrash) {
    std::mt19937 generator(98); // fixed generator state: the run is repeatable
    // Truncated and zero-filled copies of real programs, and copies whose version resource is
    // damaged, through the whole section. (Copies damaged anywhere else exercise the system's
    // loader rather than this section, and the header reader's tests cover them.)
    TempTree tree;
    const wchar_t* sources[] = {L"console64.exe", L"library64.dll", L"console32.exe"};
    int index = 0;
    for (const wchar_t* source : sources) {
        std::vector<uint8_t> bytes = exe_fixtures::Bytes(source);
        ASSERT_FALSE(bytes.empty());
        std::vector<std::vector<uint8_t>> copies;
        for (size_t cut : {size_t{0}, size_t{64}, size_t{1024}, bytes.size() / 2, bytes.size() - 100})
            copies.emplace_back(bytes.begin(), bytes.begin() + cut);
        copies.emplace_back(bytes.size(), 0);
        // The resource data itself, damaged where the version block lies.
        std::vector<std::byte> own;
        ASSERT_EQ(ReadVersionBlock(exe_fixtures::Path(source).c_str(), own), 0);
        std::vector<uint8_t> block(reinterpret_cast<const uint8_t*>(own.data()),
                                   reinterpret_cast<const uint8_t*>(own.data()) + 64);
        auto at = std::search(bytes.begin(), bytes.end(), block.begin(), block.end());
        EXPECT_NE(at, bytes.end()) << "the version block was not found in the program";
        if (at != bytes.end()) {
            for (int round = 0; round < 20; ++round) {
                std::vector<uint8_t> mutated = bytes;
                size_t start = static_cast<size_t>(at - bytes.begin());
                for (int i = 0; i < 6; ++i)
                    mutated[start + generator() % 700] = static_cast<uint8_t>(generator());
                copies.push_back(mutated);
            }
        }
        for (const std::vector<uint8_t>& copy : copies) {
            std::wstring path = tree.file(L"copy" + std::to_wstring(index++) + L".exe", copy);
            SectionRun run = Section(path);
            EXPECT_TRUE(run.result == 0 || run.result == 126) << run.result;
        }
    }
}
