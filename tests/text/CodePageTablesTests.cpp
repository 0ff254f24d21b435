// Tests of the code-page decoding tables: known characters, the deliberate exceptions, the EBCDIC
// control rules and the locale choice (text/CodePageTablesPlatformTests.cpp compares them with the
// platform's own tables).
#include "text/CodePageTables.h"
#include "text/TextCursor.h"

#include <gtest/gtest.h>

#include <set>
#include <iterator>
#include <vector>

using namespace scrutel;

namespace {

uint16_t High(uint32_t codePage, uint8_t byte) {
    return HighHalfTables[TextCodePageIndex(codePage)][byte - 0x80];
}
uint16_t Ebcdic(uint32_t codePage, uint8_t byte) {
    return EbcdicTables[EbcdicCodePageIndex(codePage)][byte];
}

struct Spot {
    uint32_t codePage;
    uint8_t byte;
    uint16_t expected;
    const char* what;
};

// A few characters of every 8-bit table whose meaning is well known.
const Spot HighHalfSpots[] = {
    {1252, 0x80, 0x20AC, "euro sign"},
    {1252, 0x9F, 0x0178, "Y with diaeresis"},
    {1252, 0xE9, 0x00E9, "e acute"},
    {1252, 0x81, 0xFFFD, "unassigned"},
    {1250, 0x8A, 0x0160, "S caron"},
    {1250, 0xA5, 0x0104, "A ogonek"},
    {1250, 0xF8, 0x0159, "r caron"},
    {1251, 0xC0, 0x0410, "Cyrillic A"},
    {1251, 0xFF, 0x044F, "Cyrillic ya"},
    {1251, 0xA8, 0x0401, "Cyrillic IO"},
    {1253, 0xC1, 0x0391, "Greek Alpha"},
    {1253, 0xAA, 0xFFFD, "unassigned"},
    {1253, 0xD2, 0xFFFD, "unassigned"},
    {1254, 0xD0, 0x011E, "G breve"},
    {1254, 0xFD, 0x0131, "dotless i"},
    {1255, 0xE0, 0x05D0, "alef"},
    {1255, 0xA4, 0x20AA, "new sheqel sign"},
    {1255, 0xFF, 0xFFFD, "unassigned"},
    {1256, 0xC7, 0x0627, "Arabic alef"},
    {1256, 0x81, 0x067E, "peh"},
    {1257, 0xC0, 0x0104, "A ogonek"},
    {1257, 0xE0, 0x0105, "a ogonek"},
    {1257, 0xA1, 0xFFFD, "unassigned"},
    {1258, 0xD2, 0x0309, "combining hook above"},
    {1258, 0xC3, 0x0102, "A breve"},
    {1258, 0xF0, 0x0111, "d stroke"},
    {437, 0x80, 0x00C7, "C cedilla"},
    {437, 0xB0, 0x2591, "light shade"},
    {437, 0xE1, 0x00DF, "sharp s"},
    {437, 0xFF, 0x00A0, "no-break space"},
    {720, 0x82, 0x00E9, "e acute"},
    {720, 0x98, 0x0621, "hamza"},
    {737, 0x80, 0x0391, "Greek Alpha"},
    {737, 0xE0, 0x03C9, "omega"},
    {775, 0x80, 0x0106, "C acute"},
    {850, 0x80, 0x00C7, "C cedilla"},
    {850, 0xD5, 0x0131, "dotless i"},
    {852, 0x85, 0x016F, "u ring"},
    {855, 0x80, 0x0452, "dje"},
    {857, 0x8D, 0x0131, "dotless i"},
    {857, 0x98, 0x0130, "I with dot"},
    {857, 0xE7, 0xFFFD, "unassigned"},
    {858, 0xD5, 0x20AC, "euro sign"},
    {862, 0x80, 0x05D0, "alef"},
    {866, 0x80, 0x0410, "Cyrillic A"},
    {866, 0xF0, 0x0401, "Cyrillic IO"},
    {874, 0xA1, 0x0E01, "ko kai"},
    {874, 0x80, 0x20AC, "euro sign"},
    {874, 0xDB, 0xFFFD, "unassigned"},
    {10000, 0x80, 0x00C4, "A diaeresis"},
    {10000, 0xDB, 0x20AC, "euro sign"},
    {20866, 0xC1, 0x0430, "Cyrillic a"},
    {20866, 0xE1, 0x0410, "Cyrillic A"},
    {20866, 0x80, 0x2500, "box drawing"},
    {21866, 0xA4, 0x0454, "Ukrainian ie"},
    {21866, 0xAD, 0x0491, "ghe with upturn"},
};

TEST(HighHalfTables, KnownCharactersOfEveryCodePage) {
    std::set<uint32_t> covered;
    for (const Spot& s : HighHalfSpots) {
        SCOPED_TRACE(testing::Message()
                     << s.codePage << " byte 0x" << std::hex << int(s.byte) << " " << s.what);
        EXPECT_EQ(High(s.codePage, s.byte), s.expected);
        covered.insert(s.codePage);
    }
    EXPECT_EQ(covered.size(), std::size(TextCodePages)) << "every code page has spot checks";
}

TEST(HighHalfTables, DeliberateExceptionsToThePublishedMappings) {
    const Spot exceptions[] = {
        {720, 0x80, 0xFFFD, ""},           {720, 0x81, 0xFFFD, ""},
        {720, 0x84, 0xFFFD, ""},           {720, 0x86, 0xFFFD, ""},
        {720, 0x8D, 0xFFFD, ""},           {720, 0x8E, 0xFFFD, ""},
        {720, 0x8F, 0xFFFD, ""},           {720, 0x90, 0xFFFD, ""},
        {720, 0xAE, 0x00AA, "not U+00AB"}, {855, 0xAE, 0x00AA, "not U+00AB"},
        {857, 0x92, 0x00C4, "not U+00C6"}, {10000, 0xF0, 0x0150, "not U+F8FF"},
    };
    for (const Spot& s : exceptions) {
        SCOPED_TRACE(testing::Message() << s.codePage << " byte 0x" << std::hex << int(s.byte));
        EXPECT_EQ(High(s.codePage, s.byte), s.expected);
    }
}

TEST(HighHalfTables, IndexOfUnlistedCodePageIsThatOf1252) {
    EXPECT_EQ(TextCodePageIndex(1252), 0u);
    EXPECT_EQ(TextCodePageIndex(21866), 23u);
    EXPECT_EQ(TextCodePageIndex(932), 0u);
    EXPECT_EQ(TextCodePageIndex(65001), 0u);
}

TEST(EbcdicTables, ThirtyOneControlBytesAreReplacementInEveryTable) {
    std::set<int> expected = {0x04, 0x06, 0x08, 0x09, 0x0A, 0x14, 0x17, 0x1A, 0x1B, 0x20, 0x21,
                              0x22, 0x23, 0x24, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x30, 0x31, 0x33,
                              0x34, 0x35, 0x36, 0x38, 0x39, 0x3A, 0x3B, 0x3E, 0xFF};
    ASSERT_EQ(expected.size(), 31u);
    for (uint32_t cp : EbcdicCodePages) {
        SCOPED_TRACE(cp);
        std::set<int> replaced;
        for (int b = 0; b < 256; ++b)
            if (Ebcdic(cp, static_cast<uint8_t>(b)) == 0xFFFD) replaced.insert(b);
        EXPECT_EQ(replaced, expected);
        EXPECT_EQ(Ebcdic(cp, 0x15), 0x0085) << "next line";
        EXPECT_EQ(Ebcdic(cp, 0x25), 0x000A) << "line feed";
        EXPECT_EQ(Ebcdic(cp, 0x0D), 0x000D) << "carriage return";
        EXPECT_EQ(Ebcdic(cp, 0x40), 0x0020) << "space";
        EXPECT_EQ(Ebcdic(cp, 0x00), 0x0000);
        EXPECT_EQ(Ebcdic(cp, 0xC1), 0x0041) << "A";
        EXPECT_EQ(Ebcdic(cp, 0x81), 0x0061) << "a";
        EXPECT_EQ(Ebcdic(cp, 0xF0), 0x0030) << "0";
        for (int b = 0; b < 256; ++b) {
            uint16_t c = Ebcdic(cp, static_cast<uint8_t>(b));
            if (b != 0x15) {
                EXPECT_FALSE(c >= 0x80 && c <= 0x9F) << "C1 control at byte " << b;
            }
        }
    }
}

TEST(EbcdicTables, EuroSignPositions) {
    for (uint32_t cp : EbcdicCodePages) {
        SCOPED_TRACE(cp);
        std::vector<int> euros;
        for (int b = 0; b < 256; ++b)
            if (Ebcdic(cp, static_cast<uint8_t>(b)) == 0x20AC) euros.push_back(b);
        if (cp == 1142)
            EXPECT_TRUE(euros.empty());
        else if (cp == 1143)
            EXPECT_EQ(euros, std::vector<int>{0x5A});
        else
            EXPECT_EQ(euros, std::vector<int>{0x9F});
    }
    EXPECT_EQ(Ebcdic(1142, 0x5A), 0x00A4) << "currency sign instead of the euro";
}

TEST(EbcdicTables, LocalesChooseTheirCodePage) {
    struct Case {
        uint32_t locale;
        uint32_t expected;
        const char* what;
    } cases[] = {
        {0x0000, 1140, "no locale"},
        {0x0409, 1140, "English (US)"},
        {0x0809, 1146, "English (UK) matches exactly before the English rule"},
        {0x1009, 1140, "English (Canada): primary language English"},
        {0x0407, 1141, "German"},
        {0x0807, 1141, "German (Switzerland) by primary language"},
        {0x040C, 1147, "French"},
        {0x080C, 1147, "French (Belgium) by primary language"},
        {0x0406, 1142, "Danish"},
        {0x0414, 1142, "Norwegian Bokmal"},
        {0x040B, 1143, "Finnish"},
        {0x081D, 1143, "Swedish (Finland) by primary language"},
        {0x040A, 1145, "Spanish"},
        {0x100A, 1145, "Spanish (Guatemala) by primary language"},
        {0x0410, 1144, "Italian"},
        {0x040F, 1149, "Icelandic"},
        {0x083C, 1146, "Irish"},
        {0x0411, 1140, "Japanese: not listed"},
        {0x00010407, 1141, "German with a sort identifier above the low 16 bits"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(EbcdicCodePageForLocale(c.locale), c.expected);
    }
    EXPECT_EQ(EbcdicCodePageIndex(1149), 9u);
    EXPECT_EQ(EbcdicCodePageIndex(37), 0u);
}

TEST(EbcdicTables, NoTwoLocalesOfOneLanguageDisagree) {
    for (const auto& a : EbcdicLocaleMap)
        for (const auto& b : EbcdicLocaleMap)
            if ((a.locale & 0x3FF) == (b.locale & 0x3FF)) {
                EXPECT_EQ(a.codePage, b.codePage) << a.locale;
            }
}

TEST(EbcdicTables, InvariantCharactersAgreeAcrossAllTables) {
    // Letters, digits, space and the controls sit at the same bytes in every national variant.
    for (uint32_t cp : EbcdicCodePages) {
        SCOPED_TRACE(cp);
        for (int b = 0; b < 256; ++b) {
            uint16_t c = Ebcdic(1140, static_cast<uint8_t>(b));
            bool invariant = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                             c < 0x20 || c == 0x20 || c == 0x85 || c == 0xFFFD;
            if (invariant) {
                EXPECT_EQ(Ebcdic(cp, static_cast<uint8_t>(b)), c) << "byte " << b;
            }
        }
    }
}

} // namespace
