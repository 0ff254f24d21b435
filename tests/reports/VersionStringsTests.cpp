// Tests of the version-block reader: string lookup through translations, the fixed file
// version, agreement with the system's own VerQueryValueW, and malformed blocks.
#include "ExeFixtures.h"
#include "VersionBlockBuilder.h"
#include "reports/VersionBlock.h"
#include "reports/VersionInfo.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <random>
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

Lookup Sized(const std::vector<uint8_t>& block, const wchar_t* name) {
    wchar_t out[1024];
    wcscpy(out, L"untouched");
    int rc = QueryVersionString(block.data(), block.size(), name, out);
    return {rc, out};
}

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
        Encode(Block(FixedRecord(1, 0, 0, 0), {{L"040904B0", {Text(L"A", L"x")}}}, {{0x409, 1200}}));
    wchar_t out[1024] = L"kept";
    EXPECT_EQ(QueryVersionString(block.data(), block.size(), nullptr, out), -1);
    EXPECT_EQ(QueryVersionString(block.data(), block.size(), L"A", nullptr), -1);
    EXPECT_EQ(QueryVersionString(block.data(), nullptr, out), -1);
    EXPECT_EQ(QueryVersionString(block.data(), L"A", nullptr), -1);
    EXPECT_EQ(QueryVersionString(nullptr, 0, L"A", out), 1);
    EXPECT_EQ(QueryVersionString(nullptr, L"A", out), 1);
    EXPECT_STREQ(out, L"kept");
}

TEST(QueryVersionStringTest, CraftedBlocks) {
    using version_test::Node;
    std::wstring long1023(1023, L'a');
    std::wstring long1024(1024, L'b');
    Node wrongLength = Text(L"Bad", L"abc");
    wrongLength.valueLength = 500; // claims far more than the node holds
    Node noValue = Text(L"Zero", L"ignored");
    noValue.valueLength = 0;
    struct Row {
        const char* label;
        Node block;
        const wchar_t* name;
        int result;
        std::wstring value;
    } rows[] = {
        {"plain", Block(FixedRecord(1, 0, 0, 0), {{L"040904B0", {Text(L"A", L"x")}}}, {{0x409, 1200}}), L"A",
         0, L"x"},
        {"lower-case table key",
         Block(FixedRecord(1, 0, 0, 0), {{L"040904b0", {Text(L"A", L"y")}}}, {{0x409, 0x4B0}}), L"A", 0,
         L"y"},
        {"no translation table", Block(FixedRecord(1, 0, 0, 0), {{L"040904B0", {Text(L"A", L"x")}}}, {}),
         L"A", 1, L"untouched"},
        {"translation lists another table",
         Block(FixedRecord(1, 0, 0, 0), {{L"040904B0", {Text(L"A", L"x")}}}, {{0x407, 1252}}), L"A", 2,
         L"untouched"},
        {"third pair has it",
         Block(FixedRecord(1, 0, 0, 0),
               {{L"040C04B0", {Text(L"A", L"fr")}}, {L"040904B0", {Text(L"B", L"en")}}},
               {{0x407, 1252}, {0x409, 1200}, {0x40C, 1200}}),
         L"A", 0, L"fr"},
        {"1023 characters fit",
         Block(FixedRecord(1, 0, 0, 0), {{L"040904B0", {Text(L"A", long1023)}}}, {{0x409, 1200}}), L"A", 0,
         long1023},
        {"1024 characters do not fit",
         Block(FixedRecord(1, 0, 0, 0), {{L"040904B0", {Text(L"A", long1024)}}}, {{0x409, 1200}}), L"A", 2,
         L"untouched"},
        {"value length beyond node",
         Block(FixedRecord(1, 0, 0, 0), {{L"040904B0", {wrongLength}}}, {{0x409, 1200}}), L"Bad", 0, L"abc"},
        {"zero value length is empty",
         Block(FixedRecord(1, 0, 0, 0), {{L"040904B0", {noValue}}}, {{0x409, 1200}}), L"Zero", 0, L""},
        {"prefix of a key is no match",
         Block(FixedRecord(1, 0, 0, 0), {{L"040904B0", {Text(L"FileVersion", L"1")}}}, {{0x409, 1200}}),
         L"File", 2, L"untouched"},
    };
    for (const Row& row : rows) {
        Lookup got = Sized(Encode(row.block), row.name);
        EXPECT_EQ(got.result, row.result) << row.label;
        EXPECT_EQ(got.value, row.value) << row.label;
    }
}

TEST(QueryVersionStringTest, SixteenBitLayoutIsNotRead) {
    // A 16-bit block has its ANSI key where the 32-bit layout keeps the type word.
    std::vector<uint8_t> block = {0x20, 0, 0x00, 0, 'V', 'S', '_', 'V', 'E', 'R', 'S', 'I', 'O', 'N', 0, 0};
    block.resize(32, 0);
    EXPECT_EQ(Sized(block, L"FileVersion").result, 1);
    EXPECT_FALSE(FixedFileVersionParts(ByteReader(block.data(), block.size())));
}

TEST(QueryVersionStringTest, LyingRootLengthStaysInsideBuffer) {
    std::vector<uint8_t> block =
        Encode(Block(FixedRecord(1, 0, 0, 0), {{L"040904B0", {Text(L"A", L"x")}}}, {{0x409, 1200}}));
    block[0] = 0xFF;
    block[1] = 0xFF; // root claims 65535 bytes
    // Only the real bytes are handed to the reader; with the sanitiser-free build this still
    // proves the lookup works from the buffer size, not the stored length.
    EXPECT_EQ(Sized(block, L"A").result, 0);
    for (size_t cut = 0; cut < block.size(); ++cut) {
        std::vector<uint8_t> head(block.begin(), block.begin() + cut);
        Lookup got = Sized(head, L"A");
        EXPECT_TRUE(got.result == 0 || got.result == 1 || got.result == 2) << cut;
        if (got.result == 0) {
            EXPECT_EQ(got.value, L"x") << cut;
        }
    }
}

TEST(FixedFileVersionTest, Parts) {
    struct Row {
        const char* label;
        std::vector<uint8_t> block;
        bool present;
        std::array<uint16_t, 4> parts;
    } rows[] = {
        {"ordinary", Encode(Block(FixedRecord(1, 2, 3, 4), {}, {})), true, {1, 2, 3, 4}},
        {"large parts", Encode(Block(FixedRecord(65535, 0, 1, 65534), {}, {})), true, {65535, 0, 1, 65534}},
        {"zero version", Encode(Block(FixedRecord(0, 0, 0, 0), {}, {})), true, {0, 0, 0, 0}},
        {"no fixed record",
         Encode(Block({}, {{L"040904B0", {Text(L"A", L"x")}}}, {{0x409, 1200}})),
         false,
         {}},
        {"short fixed record", Encode(Block(std::vector<uint8_t>(16, 1), {}, {})), false, {}},
    };
    for (const Row& row : rows) {
        auto got = FixedFileVersionParts(ByteReader(row.block.data(), row.block.size()));
        EXPECT_EQ(got.has_value(), row.present) << row.label;
        if (got && row.present) {
            EXPECT_EQ(*got, row.parts) << row.label;
        }
    }
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

TEST(QueryVersionStringTest, RandomMutationsNeverLeaveTheBlock) {
    std::vector<uint8_t> original =
        Encode(Block(FixedRecord(1, 2, 3, 4),
                     {{L"040904B0", {Text(L"ProductName", L"P"), Text(L"FileVersion", L"1.2")}},
                      {L"040704E4", {Text(L"ProductName", L"Q")}}},
                     {{0x407, 1252}, {0x409, 1200}}));
    std::mt19937 generator(12345); // fixed generator state: the run is repeatable
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> block = original;
        int flips = 1 + static_cast<int>(generator() % 8);
        for (int i = 0; i < flips; ++i)
            block[generator() % block.size()] = static_cast<uint8_t>(generator());
        block.resize(generator() % (block.size() + 1));
        // The copy holds exactly the mutated bytes, so any read outside them would be a
        // heap overrun; the lookups must stay within and give a defined result.
        std::vector<uint8_t> exact(block);
        Lookup a = Sized(exact, L"ProductName");
        Lookup b = Sized(exact, L"FileVersion");
        EXPECT_TRUE(a.result >= 0 && a.result <= 2);
        EXPECT_TRUE(b.result >= 0 && b.result <= 2);
        FixedFileVersionParts(ByteReader(exact.data(), exact.size()));
    }
}
