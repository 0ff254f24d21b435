// Tests of the version-block reader over blocks built node by node: string lookup through the
// translations, the fixed file version, the 16-bit layout, lying lengths and random damage.
#include "VersionBlockBuilder.h"
#include "reports/VersionBlock.h"

#include <gtest/gtest.h>

#include <array>
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
    std::u16string value;
};

// The lookup over exactly the block's bytes; output starts as "untouched".
Lookup Sized(const std::vector<uint8_t>& block, const char16_t* name) {
    char16_t out[1024] = u"untouched";
    int rc = LookupVersionString(ByteReader(block.data(), block.size()), name, out);
    return {rc, out};
}

} // namespace

TEST(LookupVersionStringTest, MissingArguments) {
    std::vector<uint8_t> block =
        Encode(Block(FixedRecord(1, 0, 0, 0), {{u"040904B0", {Text(u"A", u"x")}}}, {{0x409, 1200}}));
    char16_t out[1024] = u"kept";
    EXPECT_EQ(LookupVersionString(ByteReader(block.data(), block.size()), nullptr, out), -1);
    EXPECT_EQ(LookupVersionString(ByteReader(block.data(), block.size()), u"A", nullptr), -1);
    EXPECT_EQ(LookupVersionString(ByteReader(), u"A", out), 1);
    EXPECT_EQ(U16String(out), u"kept");
}

TEST(QueryVersionStringTest, CraftedBlocks) {
    using version_test::Node;
    std::u16string long1023(1023, u'a');
    std::u16string long1024(1024, u'b');
    Node wrongLength = Text(u"Bad", u"abc");
    wrongLength.valueLength = 500; // claims far more than the node holds
    Node noValue = Text(u"Zero", u"ignored");
    noValue.valueLength = 0;
    struct Row {
        const char* label;
        Node block;
        const char16_t* name;
        int result;
        std::u16string value;
    } rows[] = {
        {"plain", Block(FixedRecord(1, 0, 0, 0), {{u"040904B0", {Text(u"A", u"x")}}}, {{0x409, 1200}}), u"A",
         0, u"x"},
        {"lower-case table key",
         Block(FixedRecord(1, 0, 0, 0), {{u"040904b0", {Text(u"A", u"y")}}}, {{0x409, 0x4B0}}), u"A", 0,
         u"y"},
        {"no translation table", Block(FixedRecord(1, 0, 0, 0), {{u"040904B0", {Text(u"A", u"x")}}}, {}),
         u"A", 1, u"untouched"},
        {"translation lists another table",
         Block(FixedRecord(1, 0, 0, 0), {{u"040904B0", {Text(u"A", u"x")}}}, {{0x407, 1252}}), u"A", 2,
         u"untouched"},
        {"third pair has it",
         Block(FixedRecord(1, 0, 0, 0),
               {{u"040C04B0", {Text(u"A", u"fr")}}, {u"040904B0", {Text(u"B", u"en")}}},
               {{0x407, 1252}, {0x409, 1200}, {0x40C, 1200}}),
         u"A", 0, u"fr"},
        {"1023 characters fit",
         Block(FixedRecord(1, 0, 0, 0), {{u"040904B0", {Text(u"A", long1023)}}}, {{0x409, 1200}}), u"A", 0,
         long1023},
        {"1024 characters do not fit",
         Block(FixedRecord(1, 0, 0, 0), {{u"040904B0", {Text(u"A", long1024)}}}, {{0x409, 1200}}), u"A", 2,
         u"untouched"},
        {"value length beyond node",
         Block(FixedRecord(1, 0, 0, 0), {{u"040904B0", {wrongLength}}}, {{0x409, 1200}}), u"Bad", 0, u"abc"},
        {"zero value length is empty",
         Block(FixedRecord(1, 0, 0, 0), {{u"040904B0", {noValue}}}, {{0x409, 1200}}), u"Zero", 0, u""},
        {"prefix of a key is no match",
         Block(FixedRecord(1, 0, 0, 0), {{u"040904B0", {Text(u"FileVersion", u"1")}}}, {{0x409, 1200}}),
         u"File", 2, u"untouched"},
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
    EXPECT_EQ(Sized(block, u"FileVersion").result, 1);
    EXPECT_FALSE(FixedFileVersionParts(ByteReader(block.data(), block.size())));
}

TEST(QueryVersionStringTest, LyingRootLengthStaysInsideBuffer) {
    std::vector<uint8_t> block =
        Encode(Block(FixedRecord(1, 0, 0, 0), {{u"040904B0", {Text(u"A", u"x")}}}, {{0x409, 1200}}));
    block[0] = 0xFF;
    block[1] = 0xFF; // root claims 65535 bytes
    // Only the real bytes are handed to the reader; with the sanitiser-free build this still
    // proves the lookup works from the buffer size, not the stored length.
    EXPECT_EQ(Sized(block, u"A").result, 0);
    for (size_t cut = 0; cut < block.size(); ++cut) {
        std::vector<uint8_t> head(block.begin(), block.begin() + cut);
        Lookup got = Sized(head, u"A");
        EXPECT_TRUE(got.result == 0 || got.result == 1 || got.result == 2) << cut;
        if (got.result == 0) {
            EXPECT_EQ(got.value, u"x") << cut;
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
         Encode(Block({}, {{u"040904B0", {Text(u"A", u"x")}}}, {{0x409, 1200}})),
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
}

TEST(QueryVersionStringTest, RandomMutationsNeverLeaveTheBlock) {
    std::vector<uint8_t> original =
        Encode(Block(FixedRecord(1, 2, 3, 4),
                     {{u"040904B0", {Text(u"ProductName", u"P"), Text(u"FileVersion", u"1.2")}},
                      {u"040704E4", {Text(u"ProductName", u"Q")}}},
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
        Lookup a = Sized(exact, u"ProductName");
        Lookup b = Sized(exact, u"FileVersion");
        EXPECT_TRUE(a.result >= 0 && a.result <= 2);
        EXPECT_TRUE(b.result >= 0 && b.result <= 2);
        FixedFileVersionParts(ByteReader(exact.data(), exact.size()));
    }
}
