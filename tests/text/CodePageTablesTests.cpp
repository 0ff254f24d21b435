// Tests of the code-page decoding tables: known characters, the deliberate exceptions, the EBCDIC
// control rules, and every byte of every table against the platform's MultiByteToWideChar.
#include "text/CodePageTables.h"
#include "text/TextBuffer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <set>
#include <string>
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

// The platform's decoding of one byte, or U+FFFD when it has none.
uint16_t PlatformDecode(uint32_t codePage, uint8_t byte) {
    char in = static_cast<char>(byte);
    wchar_t out[4] = {};
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &in, 1, out, 4);
    return n == 1 ? out[0] : 0xFFFD;
}

// A byte where a table deliberately differs from MultiByteToWideChar, with the table's value.
struct Difference {
    uint32_t codePage;
    uint8_t byte;
    uint16_t table;
    const char* why;
};

const Difference ListedDifferences[] = {
    {720, 0x80, 0xFFFD, "deliberate exception"},
    {720, 0x81, 0xFFFD, "deliberate exception"},
    {720, 0x84, 0xFFFD, "deliberate exception"},
    {720, 0x86, 0xFFFD, "deliberate exception"},
    {720, 0x8D, 0xFFFD, "deliberate exception"},
    {720, 0x8E, 0xFFFD, "deliberate exception"},
    {720, 0x8F, 0xFFFD, "deliberate exception"},
    {720, 0x90, 0xFFFD, "deliberate exception"},
    {720, 0xAE, 0x00AA, "deliberate exception (platform: U+00AB)"},
    {855, 0xAE, 0x00AA, "deliberate exception (platform: U+00AB)"},
    {857, 0x92, 0x00C4, "deliberate exception (platform: U+00C6)"},
    {10000, 0xF0, 0x0150, "deliberate exception (platform: the private-use Apple logo)"},
    {10000, 0xBD, 0x03A9, "the published Mac OS Roman table has GREEK CAPITAL OMEGA; the platform OHM SIGN"},
    {1255, 0xCA, 0xFFFD, "unassigned in the published table; the platform's newer table has U+05BA"},
    {21866, 0xAE, 0x255D, "KOI8-U has box drawing here; the platform follows KOI8-RU (U+045E)"},
    {21866, 0xBE, 0x256C, "KOI8-U has box drawing here; the platform follows KOI8-RU (U+040E)"},
};

// Bytes 0x80..0x9F that the published mapping leaves unassigned: the tables hold U+FFFD, the
// platform the C1 control of the same number ("best fit"). Counted per code page.
const std::map<uint32_t, int> UnassignedControlBytes = {
    {1252, 5}, {1250, 5}, {1251, 1}, {1253, 14}, {1254, 7}, {1255, 12}, {1257, 10}, {1258, 9}, {874, 23},
};

class PlatformComparison : public testing::TestWithParam<uint32_t> {};

TEST_P(PlatformComparison, EveryByteAgreesExceptTheListedDifferences) {
    uint32_t cp = GetParam();
    ASSERT_TRUE(IsValidCodePage(cp)) << "the platform has no table for code page " << cp;
    std::map<int, Difference> listed;
    for (const Difference& d : ListedDifferences)
        if (d.codePage == cp) listed.emplace(d.byte, d);
    int unassigned = 0;
    for (int b = 0x80; b < 256; ++b) {
        auto byte = static_cast<uint8_t>(b);
        uint16_t ours = High(cp, byte);
        uint16_t platform = PlatformDecode(cp, byte);
        SCOPED_TRACE(testing::Message() << "code page " << cp << " byte 0x" << std::hex << b);
        auto it = listed.find(b);
        if (it != listed.end()) {
            EXPECT_EQ(ours, it->second.table) << it->second.why;
            EXPECT_NE(ours, platform) << "listed difference no longer differs: " << it->second.why;
        } else if (ours == 0xFFFD && platform == b && b <= 0x9F) {
            ++unassigned;
        } else {
            EXPECT_EQ(ours, platform);
        }
    }
    auto count = UnassignedControlBytes.find(cp);
    EXPECT_EQ(unassigned, count == UnassignedControlBytes.end() ? 0 : count->second);
}

// Round trip: every character a table decodes is encoded back by the platform, without a
// substitute, to a byte that the table decodes to the same character.
TEST_P(PlatformComparison, DecodedCharactersRoundTripThroughThePlatformEncoder) {
    uint32_t cp = GetParam();
    ASSERT_TRUE(IsValidCodePage(cp));
    int checked = 0;
    for (int b = 0x80; b < 256; ++b) {
        wchar_t c = High(cp, static_cast<uint8_t>(b));
        bool listed = false;
        for (const Difference& d : ListedDifferences)
            listed = listed || (d.codePage == cp && d.byte == b);
        if (c == 0xFFFD || listed) continue;
        char out[8] = {};
        BOOL usedDefault = FALSE;
        int n = WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, &c, 1, out, sizeof out, nullptr, &usedDefault);
        SCOPED_TRACE(testing::Message() << "code page " << cp << " byte 0x" << std::hex << b);
        ASSERT_EQ(n, 1);
        EXPECT_FALSE(usedDefault);
        EXPECT_EQ(High(cp, static_cast<uint8_t>(out[0])), c);
        ++checked;
    }
    EXPECT_GT(checked, 90);
}

INSTANTIATE_TEST_SUITE_P(EveryTableTheStandInPlatformKnows, PlatformComparison,
                         testing::Values(1252, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258, 437, 720, 737,
                                         775, 850, 852, 855, 857, 862, 866, 874, 10000, 20866, 21866));

TEST(PlatformComparison858, IsCodePage850WithTheEuroSignInPlaceOfDotlessI) {
    if (IsValidCodePage(858)) {
        for (int b = 0x80; b < 256; ++b) {
            auto byte = static_cast<uint8_t>(b);
            EXPECT_EQ(High(858, byte), PlatformDecode(858, byte)) << "byte 0x" << std::hex << b;
        }
    }
    // The platform may lack 858 (Wine 8 does); 850 differs from it only at 0xD5.
    ASSERT_TRUE(IsValidCodePage(850));
    for (int b = 0x80; b < 256; ++b) {
        auto byte = static_cast<uint8_t>(b);
        uint16_t expected = b == 0xD5 ? 0x20AC : PlatformDecode(850, byte);
        EXPECT_EQ(High(858, byte), expected) << "byte 0x" << std::hex << b;
    }
}

// The platform's tables of the pre-euro EBCDIC code pages that 1140..1149 extend.
struct EbcdicBase {
    uint32_t codePage;
    uint32_t base;
    int euroByte; // -1: none
};
const EbcdicBase EbcdicBases[] = {
    {1140, 37, 0x9F},    {1141, 20273, 0x9F}, {1142, 20277, -1},   {1143, 20278, 0x5A}, {1144, 20280, 0x9F},
    {1145, 20284, 0x9F}, {1146, 20285, 0x9F}, {1147, 20297, 0x9F}, {1148, 500, 0x9F},   {1149, 20871, 0x9F},
};

class EbcdicPlatformComparison : public testing::TestWithParam<EbcdicBase> {};

TEST_P(EbcdicPlatformComparison, EveryByteIsTheBaseCodePageWithEuroAndControlRules) {
    const EbcdicBase& e = GetParam();
    if (!IsValidCodePage(e.base))
        GTEST_SKIP() << "the platform has no table for code page " << e.base << " (the base of " << e.codePage
                     << "); the generator checked this table against the C library's iconv";
    for (int b = 0; b < 256; ++b) {
        auto byte = static_cast<uint8_t>(b);
        uint16_t platform = PlatformDecode(e.base, byte);
        uint16_t expected = platform;
        if (b == e.euroByte)
            expected = 0x20AC;
        else if (platform >= 0x80 && platform <= 0x9F && b != 0x15)
            expected = 0xFFFD;
        EXPECT_EQ(Ebcdic(e.codePage, byte), expected)
            << "code page " << e.codePage << " byte 0x" << std::hex << b;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryEbcdicTable, EbcdicPlatformComparison, testing::ValuesIn(EbcdicBases));

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
