// Tests of the advertised-shortcut readers: packed product codes worked by hand and their
// errors, and the fields of Darwin data blocks, unterminated or cut short by their stated size.
#include "reports/AdvertisedShortcut.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace scrutel;

TEST(DecodePackedGuidTest, HandWorkedVectorsAndErrors) {
    // All digits 0: the zero GUID. "$" is digit 1, so "$!!!!" is 1 and "!$!!!" is 85 (0x55).
    // 0xFFFFFFFF has the digits 0, 12, 54, 23, 82 ("!0_?{"); one more gives 1, 12, 54, 23, 82.
    struct Row {
        const char* label;
        const char16_t* packed;
        int result;
        const char16_t* out;
    } rows[] = {
        {"zero", u"!!!!!!!!!!!!!!!!!!!!", 0, u"{00000000-0000-0000-0000-000000000000}"},
        {"digit order", u"!$!!!$!!!!!!!!!!!!!!", 0, u"{00000055-0001-0000-0000-000000000000}"},
        {"only twenty characters read", u"!!!!!!!!!!!!!!!!!!!!tail", 0,
         u"{00000000-0000-0000-0000-000000000000}"},
        {"largest group 0xFFFFFFFF", u"!0_?{!!!!!!!!!!!!!!!", 0, u"{FFFFFFFF-0000-0000-0000-000000000000}"},
        {"group 0x100000000", u"$0_?{!!!!!!!!!!!!!!!", 12, u"untouched"},
        {"all digits 84", u"~~~~~~~~~~~~~~~~~~~~", 12, u"untouched"},
        {"nineteen characters", u"!!!!!!!!!!!!!!!!!!!", 10, u"untouched"},
        {"empty", u"", 10, u"untouched"},
        {"blank is outside the alphabet", u"!!!!! !!!!!!!!!!!!!!", 11, u"untouched"},
        {"quote is outside the alphabet", u"!!!!!!!!!!!!!!!!!!!\"", 11, u"untouched"},
        {"hash is outside the alphabet", u"#!!!!!!!!!!!!!!!!!!!", 11, u"untouched"},
        {"non-ASCII letter", u"!!!!!!!!!!\u00E9!!!!!!!!!", 11, u"untouched"},
    };
    for (const Row& row : rows) {
        char16_t out[64] = u"untouched";
        EXPECT_EQ(DecodePackedGuid(row.packed, out), row.result) << row.label;
        EXPECT_EQ(U16View(out), U16View(row.out)) << row.label;
    }
    EXPECT_EQ(DecodePackedGuid(u"!!!!!!!!!!!!!!!!!!!!", nullptr), -1);
    char16_t out[64] = u"x";
    EXPECT_EQ(DecodePackedGuid(nullptr, out), 10);
}

TEST(ReadDarwinBlockTest, Fields) {
    std::vector<uint8_t> block(788, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            block[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, 788);
    put32(4, 0xA0000006);
    const char ansi[] = "ansi-descriptor";
    std::memcpy(block.data() + 8, ansi, sizeof ansi - 1);
    const char16_t wide[] = u"wide";
    for (size_t i = 0; i < 4; ++i)
        block[268 + 2 * i] = static_cast<uint8_t>(wide[i]);
    DarwinDescriptors d = ReadDarwinBlock(ByteReader(block.data(), block.size()));
    EXPECT_EQ(d.ansi, "ansi-descriptor");
    EXPECT_EQ(d.wide, u"wide");

    // Unterminated fields stop at their own ends; a short stated size stops earlier.
    std::vector<uint8_t> full = block;
    for (size_t i = 8; i < 268; ++i)
        full[i] = 'a';
    for (size_t i = 268; i < 788; i += 2)
        full[i] = 'w';
    d = ReadDarwinBlock(ByteReader(full.data(), full.size()));
    EXPECT_EQ(d.ansi, std::string(260, 'a'));
    EXPECT_EQ(d.wide, std::u16string(260, u'w'));
    full[0] = 20;
    full[1] = 0;
    d = ReadDarwinBlock(ByteReader(full.data(), full.size()));
    EXPECT_EQ(d.ansi, std::string(12, 'a'));
    EXPECT_EQ(d.wide, u"");
    // Another signature, or a block too short for its header, gives nothing.
    std::vector<uint8_t> other = block;
    other[4] = 7;
    d = ReadDarwinBlock(ByteReader(other.data(), other.size()));
    EXPECT_TRUE(d.ansi.empty() && d.wide.empty());
    d = ReadDarwinBlock(ByteReader(block.data(), 6));
    EXPECT_TRUE(d.ansi.empty() && d.wide.empty());
}
