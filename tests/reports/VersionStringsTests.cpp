// Tests of the version-block reader on the system's side: string values and fixed versions of
// the fixture programs, agreement with the system's own VerQueryValueW, and missing arguments.
#include "ExeFixtures.h"
#include "VersionBlockBuilder.h"
#include "reports/VersionBlock.h"
#include "reports/VersionInfo.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

using namespace scrutel;
using version_test::Block;
using version_test::Encode;
using version_test::FixedRecord;
using version_test::Text;

namespace {

struct Lookup {
    int result;
    std::wstring value;
};

Lookup FromFile(const wchar_t* fixture, const wchar_t* name) {
    std::vector<std::byte> block;
    int rc = ReadVersionBlock(exe_fixtures::Path(fixture).c_str(), block);
    if (rc != 0) return {100 + rc, L""};
    wchar_t out[1024];
    wcscpy(out, L"untouched");
    rc = QueryVersionString(block.data(), block.size(), name, out);
    return {rc, out};
}

} // namespace

TEST(QueryVersionStringTest, FixtureValues) {
    struct Row {
        const char* label;
        const wchar_t* fixture;
        const wchar_t* name;
        int result;
        const wchar_t* value;
    } rows[] = {
        {"file version text", L"console64.exe", L"FileVersion", 0, L"1.2.3.4 (release)"},
        {"description", L"console64.exe", L"FileDescription", 0, L"Fixture Console Program"},
        {"build string", L"console64.exe", L"Build", 0, L"Build 77"},
        {"name is case-blind", L"console64.exe", L"productname", 0, L"Fixture Product"},
        {"missing value", L"console64.exe", L"Comments", 2, L"untouched"},
        {"empty file version", L"windowed64.exe", L"FileVersion", 0, L""},
        {"first translation wins", L"library64.dll", L"ProductName", 0, L"Deutsches Produkt"},
        {"second translation fills in", L"library64.dll", L"InternalName", 0, L"english-only"},
        {"blank value is returned as stored", L"library64.dll", L"CompanyName", 0, L"   "},
        {"only the fixed record", L"resonly64.dll", L"FileVersion", 1, L"untouched"},
        {"32-bit program", L"console32.exe", L"FileVersion", 0, L"9.9"},
    };
    for (const Row& row : rows) {
        Lookup got = FromFile(row.fixture, row.name);
        EXPECT_EQ(got.result, row.result) << row.label;
        EXPECT_EQ(got.value, row.value) << row.label;
    }
}

TEST(QueryVersionStringTest, SizedReaderAgreesWithSystem) {
    const wchar_t* fixtures[] = {L"console64.exe", L"windowed64.exe", L"library64.dll", L"resonly64.dll",
                                 L"console32.exe"};
    const wchar_t* names[] = {L"ProductName",     L"InternalName",    L"OriginalFilename", L"ProductVersion",
                              L"FileVersion",     L"Build",           L"CompanyName",      L"Language",
                              L"LegalTrademarks", L"FileDescription", L"LegalCopyright",   L"Nothing"};
    for (const wchar_t* fixture : fixtures) {
        std::vector<std::byte> block;
        ASSERT_EQ(ReadVersionBlock(exe_fixtures::Path(fixture).c_str(), block), 0)
            << testing_support::ToUtf8(fixture);
        for (const wchar_t* name : names) {
            wchar_t mine[1024], system[1024];
            wcscpy(mine, L"-");
            wcscpy(system, L"-");
            int a = QueryVersionString(block.data(), block.size(), name, mine);
            int b = QueryVersionString(block.data(), name, system);
            EXPECT_EQ(a, b) << testing_support::ToUtf8(fixture) << " " << testing_support::ToUtf8(name);
            EXPECT_STREQ(mine, system)
                << testing_support::ToUtf8(fixture) << " " << testing_support::ToUtf8(name);
        }
    }
}

TEST(QueryVersionStringTest, MissingArguments) {
    std::vector<uint8_t> block =
        Encode(Block(FixedRecord(1, 0, 0, 0), {{u"040904B0", {Text(u"A", u"x")}}}, {{0x409, 1200}}));
    wchar_t out[1024] = L"kept";
    EXPECT_EQ(QueryVersionString(block.data(), block.size(), nullptr, out), -1);
    EXPECT_EQ(QueryVersionString(block.data(), block.size(), L"A", nullptr), -1);
    EXPECT_EQ(QueryVersionString(block.data(), nullptr, out), -1);
    EXPECT_EQ(QueryVersionString(block.data(), L"A", nullptr), -1);
    EXPECT_EQ(QueryVersionString(nullptr, 0, L"A", out), 1);
    EXPECT_EQ(QueryVersionString(nullptr, L"A", out), 1);
    EXPECT_STREQ(out, L"kept");
}

TEST(FixedFileVersionTest, Fixtures) {
    struct FileRow {
        const wchar_t* fixture;
        std::array<uint16_t, 4> parts;
    } files[] = {{L"console64.exe", {1, 2, 3, 4}},
                 {L"windowed64.exe", {5, 6, 7, 8}},
                 {L"library64.dll", {2, 0, 0, 9}},
                 {L"resonly64.dll", {3, 1, 4, 1}},
                 {L"console32.exe", {0, 0, 0, 0}}};
    for (const FileRow& row : files) {
        std::vector<std::byte> block;
        ASSERT_EQ(ReadVersionBlock(exe_fixtures::Path(row.fixture).c_str(), block), 0);
        auto got = FixedFileVersion(block);
        ASSERT_TRUE(got) << testing_support::ToUtf8(row.fixture);
        EXPECT_EQ(*got, row.parts) << testing_support::ToUtf8(row.fixture);
    }
}

TEST(ReadVersionBlockTest, FileWithoutResource) {
    std::vector<std::byte> block;
    EXPECT_EQ(ReadVersionBlock(exe_fixtures::Path(L"efi64.exe").c_str(), block), 126);
    EXPECT_EQ(ReadVersionBlock(exe_fixtures::Path(L"no-such-file.exe").c_str(), block), 126);
    EXPECT_EQ(ReadVersionBlock(L"", block), 1);
    EXPECT_TRUE(block.empty());
}
