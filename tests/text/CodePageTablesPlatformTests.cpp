// Every byte of every code-page decoding table against the platform's MultiByteToWideChar and
// WideCharToMultiByte, with the differences that are deliberate listed and explained.
#include "text/CodePageTables.h"
#include "text/TextCursor.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>

using namespace scrutel;

namespace {

uint16_t High(uint32_t codePage, uint8_t byte) {
    return HighHalfTables[TextCodePageIndex(codePage)][byte - 0x80];
}
uint16_t Ebcdic(uint32_t codePage, uint8_t byte) {
    return EbcdicTables[EbcdicCodePageIndex(codePage)][byte];
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

} // namespace
