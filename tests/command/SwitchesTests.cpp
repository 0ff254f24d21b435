// The switch parsers: /A:, /N:, /S, /P, /C:, /O:, /T:, /W with their values and exact messages,
// number reading, and the width and page length taken from the console window.
#include "command/Switches.h"

#include "command/CommandTestSupport.h"
#include "command/HelpTexts.h"
#include "output/LineOutput.h"

#include <gtest/gtest.h>

#include <string>

using namespace scrutel;
using testing_support::Capture;

namespace {

const std::wstring Prefix = L"Scrutel plugin: ";

// Runs a parser on a modifiable copy of the argument and keeps what it printed.
template <typename Parse>
int RunParser(const std::wstring& argument, std::wstring& err, std::wstring& out, Parse parse) {
    std::wstring text = argument;
    Capture capture;
    int rc = parse(text.data());
    err = capture.err();
    out = capture.out();
    return rc;
}

// ---- number reading

struct NumberCase {
    const char* label;
    std::wstring text;
    bool octal;
    NumberRead read;
    uint32_t value;
    std::wstring rest;
};

class NumberReading : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberReading, ReadsValueAndStopsAtTheFirstOtherCharacter) {
    const NumberCase& c = GetParam();
    const wchar_t* p = c.text.c_str();
    uint32_t value = 12345;
    NumberRead read = ReadNumber(p, c.octal, value);
    EXPECT_EQ(read, c.read) << c.label;
    if (read == NumberRead::Value) {
        EXPECT_EQ(value, c.value) << c.label;
    }
    if (read != NumberRead::Overflow) {
        EXPECT_EQ(std::wstring(p), c.rest) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberReading,
    ::testing::Values(
        NumberCase{"decimal", L"123abc", false, NumberRead::Value, 123, L"abc"},
        NumberCase{"hexadecimal", L"0x1Fz", false, NumberRead::Value, 31, L"z"},
        NumberCase{"upper-case X", L"0XfF", false, NumberRead::Value, 255, L""},
        NumberCase{"0x without a digit is a decimal 0", L"0xg", false, NumberRead::Value, 0, L"xg"},
        NumberCase{"octal", L"0o17", true, NumberRead::Value, 15, L""},
        NumberCase{"octal stops at 8", L"0o178", true, NumberRead::Value, 15, L"8"},
        NumberCase{"octal needs a digit 0 to 7", L"0o8", true, NumberRead::Value, 0, L"o8"},
        NumberCase{"octal not allowed", L"0o17", false, NumberRead::Value, 0, L"o17"},
        NumberCase{"no digit", L"abc", false, NumberRead::None, 0, L"abc"},
        NumberCase{"largest value", L"4294967295", false, NumberRead::Value, 0xFFFFFFFFu, L""},
        NumberCase{"largest hexadecimal", L"0xFFFFFFFF", false, NumberRead::Value, 0xFFFFFFFFu, L""},
        NumberCase{"decimal overflow", L"4294967296", false, NumberRead::Overflow, 0, L""},
        NumberCase{"hexadecimal overflow", L"0x100000000", false, NumberRead::Overflow, 0, L""}));

// ---- /A:

struct AttributeCase {
    const char* label;
    std::wstring argument;
    int rc;
    uint32_t mask;
    uint32_t values;
    std::wstring err;
};

class AttributeOption : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(AttributeOption, SetsMaskAndValuesOrComplains) {
    const AttributeCase& c = GetParam();
    uint32_t mask = 0x37, values = 0x5; // an earlier /A: that this one replaces
    std::wstring err, out;
    int rc = RunParser(c.argument, err, out,
                       [&](wchar_t* text) { return ParseAttributeOption(text, mask, values); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, L"") << c.label;
    if (c.rc == 0) {
        EXPECT_EQ(mask, c.mask) << c.label;
        EXPECT_EQ(values, c.values) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AttributeOption,
    ::testing::Values(
        AttributeCase{"empty restores the default", L"/A:", 0, 0x10, 0, L""},
        AttributeCase{"no colon", L"/A", 0, 0x10, 0, L""},
        AttributeCase{"hidden only", L"/A:H", 0, 0x12, 0x2, L""},
        AttributeCase{"not hidden", L"/A:-H", 0, 0x12, 0, L""},
        AttributeCase{"read-only hidden not archived", L"/A:RH-A", 0, 0x33, 0x3, L""},
        AttributeCase{"later letter overrides", L"/A:H-H", 0, 0x12, 0, L""},
        AttributeCase{"every letter, equals sign, lower case", L"/a=rhsacoie", 0, 0x7837, 0x7827, L""},
        AttributeCase{"negation applies to one letter", L"/A:-RS", 0, 0x15, 0x4, L""},
        AttributeCase{"directories", L"/A:D", 1, 0, 0, Prefix + L"Directories not allowed: \"/A:D\"\r\n"},
        AttributeCase{"negated directories", L"/A:-d", 1, 0, 0,
                      Prefix + L"Directories not allowed: \"/A:-D\"\r\n"},
        AttributeCase{"unknown letter upper-cased", L"/A:x", 1, 0, 0,
                      Prefix + L"Bad attributes: \"/A:X\"\r\n"},
        AttributeCase{"dash at the end", L"/A:h-", 1, 0, 0, Prefix + L"Bad attributes: \"/A:H-\"\r\n"},
        AttributeCase{"dash before a digit", L"/A:-1", 1, 0, 0, Prefix + L"Bad attributes: \"/A:-1\"\r\n"},
        AttributeCase{"double dash", L"/A:--H", 1, 0, 0, Prefix + L"Bad attributes: \"/A:--H\"\r\n"}));

// ---- /N:

struct SuboptionCase {
    const char* label;
    std::wstring argument;
    int rc;
    uint32_t flagsAdded;
    int noHighlight;
    std::wstring err;
};

class Suboptions : public ::testing::TestWithParam<SuboptionCase> {};

TEST_P(Suboptions, AddFlagsOrComplain) {
    const SuboptionCase& c = GetParam();
    uint32_t flags = 0x4400;
    int noHighlight = 0;
    std::wstring err, out;
    int rc = RunParser(c.argument, err, out,
                       [&](wchar_t* text) { return ParseSuboptions(text, flags, noHighlight); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(flags, 0x4400u | c.flagsAdded) << c.label;
    EXPECT_EQ(noHighlight, c.noHighlight) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, L"") << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Suboptions,
    ::testing::Values(SuboptionCase{"skip junctions, hidden and system folders", L"/N:DJZ", 0, 0xE, 0, L""},
                      SuboptionCase{"no highlight", L"/N:C", 0, 0, 1, L""},
                      SuboptionCase{"quiet not found", L"/n=f", 0, 0x100, 0, L""},
                      SuboptionCase{"no colon", L"/Nj", 0, 0x2, 0, L""},
                      SuboptionCase{"nothing", L"/N:", 0, 0, 0, L""},
                      SuboptionCase{"unknown letter", L"/N:q", 1, 0, 0,
                                    Prefix + L"Unknown suboption: /N:Q\r\n"},
                      SuboptionCase{"letters before the error apply", L"/N:DX", 1, 0x4, 0,
                                    Prefix + L"Unknown suboption: /N:X\r\n"},
                      SuboptionCase{"dash form", L"-n:y", 1, 0, 0, Prefix + L"Unknown suboption: /N:Y\r\n"}));

// ---- /S

struct SubdirCase {
    const char* label;
    std::wstring argument;
    int rc;
    int minDepth;
    int maxDepth;
    std::wstring err;
};

class SubdirOption : public ::testing::TestWithParam<SubdirCase> {};

TEST_P(SubdirOption, SetsDepthsOrComplains) {
    const SubdirCase& c = GetParam();
    uint32_t flags = 0x4400;
    int minDepth = 7, maxDepth = 9; // values of an earlier /S
    std::wstring err, out;
    int rc = RunParser(c.argument, err, out,
                       [&](wchar_t* text) { return ParseSubdirOption(text, flags, minDepth, maxDepth); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(flags, 0x4401u) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, L"") << c.label;
    if (c.rc == 0) {
        EXPECT_EQ(minDepth, c.minDepth) << c.label;
        EXPECT_EQ(maxDepth, c.maxDepth) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubdirOption,
    ::testing::Values(
        SubdirCase{"plain", L"/S", 0, 0, -1, L""}, SubdirCase{"plain lower case", L"/s", 0, 0, -1, L""},
        SubdirCase{"maximum", L"/S:2", 0, 7, 2, L""}, SubdirCase{"minimum", L"/S:+1", 0, 1, 9, L""},
        SubdirCase{"both", L"/S:3+1", 0, 1, 3, L""},
        SubdirCase{"equals and hexadecimal", L"/S=0x10", 0, 7, 16, L""},
        SubdirCase{"no separator", L"/S2", 0, 7, 2, L""},
        SubdirCase{"colon only keeps both", L"/S:", 0, 7, 9, L""},
        SubdirCase{"zero levels", L"/S:0", 0, 7, 0, L""},
        SubdirCase{"letter", L"/S:x", 1, 0, 0, Prefix + L"Syntax error: \"/S:X\"\r\n"},
        SubdirCase{"plus without a number", L"/S:1+", 1, 0, 0, Prefix + L"Syntax error: \"/S:1+\"\r\n"},
        SubdirCase{"text after the minimum", L"/S:1+2x", 1, 0, 0,
                   Prefix + L"Bad MinDepth value: \"/S:1+2X\"\r\n"},
        SubdirCase{"maximum overflows", L"/S:99999999999", 1, 0, 0,
                   Prefix + L"Bad MaxDepth value: \"/S:99999999999\"\r\n"},
        SubdirCase{"maximum beyond a signed depth", L"/S:2147483648", 1, 0, 0,
                   Prefix + L"Bad MaxDepth value: \"/S:2147483648\"\r\n"},
        SubdirCase{"minimum overflows", L"/s:+0x100000000", 1, 0, 0,
                   Prefix + L"Bad MinDepth value: \"/S:+0X100000000\"\r\n"},
        SubdirCase{"largest depth", L"/S:2147483647+2147483647", 0, 2147483647, 2147483647, L""}));

// ---- /P

struct PauseCase {
    const char* label;
    std::wstring argument;
    int rc;
    uint32_t lines;
    uint32_t timeoutMs;
    std::wstring err;
};

class PauseOption : public ::testing::TestWithParam<PauseCase> {};

TEST_P(PauseOption, SetsLinesAndTimeoutOrComplains) {
    const PauseCase& c = GetParam();
    uint32_t lines = 77, timeout = 88; // values of an earlier /P that this one replaces
    std::wstring err, out;
    int rc = RunParser(c.argument, err, out,
                       [&](wchar_t* text) { return ParsePauseOption(text, lines, timeout); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, L"") << c.label;
    if (c.rc == 0) {
        EXPECT_EQ(lines, c.lines) << c.label;
        EXPECT_EQ(timeout, c.timeoutMs) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PauseOption,
    ::testing::Values(PauseCase{"one window", L"/P", 0, 0xFFFFFFFFu, 0, L""},
                      PauseCase{"seconds", L"/P:5", 0, 0xFFFFFFFFu, 5000, L""},
                      PauseCase{"milliseconds", L"/P:250m", 0, 0xFFFFFFFFu, 250, L""},
                      PauseCase{"milliseconds upper case", L"/p=250M", 0, 0xFFFFFFFFu, 250, L""},
                      PauseCase{"lines only", L"/P:,20", 0, 20, 0, L""},
                      PauseCase{"time and lines", L"/P:5,20", 0, 20, 5000, L""},
                      PauseCase{"semicolon", L"/P:5;7", 0, 7, 5000, L""},
                      PauseCase{"empty count", L"/P:5,", 0, 0xFFFFFFFFu, 5000, L""},
                      PauseCase{"no paging", L"/P:5,0", 0, 0, 5000, L""},
                      PauseCase{"hexadecimal", L"/P:0x10", 0, 0xFFFFFFFFu, 16000, L""},
                      PauseCase{"octal", L"/P:0o17", 0, 0xFFFFFFFFu, 15000, L""},
                      PauseCase{"largest count", L"/P:,1000", 0, 1000, 0, L""},
                      PauseCase{"largest milliseconds", L"/P:4294967295m", 0, 0xFFFFFFFFu, 0xFFFFFFFFu, L""},
                      PauseCase{"too many lines", L"/P:,1001", 1, 0, 0,
                                Prefix + L"Pause lines must be 0 - 1000: 1001\r\n"},
                      PauseCase{"letter", L"/P:x", 1, 0, 0, Prefix + L"Syntax error: \"/P:X\"\r\n"},
                      PauseCase{"unit letter", L"/P:5s", 1, 0, 0, Prefix + L"Syntax error: \"/P:5S\"\r\n"},
                      PauseCase{"time overflows", L"/P:4294967296", 1, 0, 0,
                                Prefix + L"Bad pause time: \"/P:4294967296\"\r\n"},
                      PauseCase{"seconds overflow as milliseconds", L"/P:4294968", 1, 0, 0,
                                Prefix + L"Bad pause time: \"/P:4294968\"\r\n"},
                      PauseCase{"lines overflow", L"/P:,99999999999", 1, 0, 0,
                                Prefix + L"Bad pause lines: \"/P:,99999999999\"\r\n"}));

// ---- page length and report width from the console window

struct PageCase {
    const char* label;
    bool ok;
    int height;
    uint32_t pauseLines;
    uint32_t expected;
};

class PageLength : public ::testing::TestWithParam<PageCase> {};

TEST_P(PageLength, FollowsTheWindowHeight) {
    const PageCase& c = GetParam();
    EXPECT_EQ(PageLengthForWindow(c.ok, c.height, c.pauseLines), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(Cases, PageLength,
                         ::testing::Values(PageCase{"one window of 50 rows", true, 50, 0xFFFFFFFFu, 48},
                                           PageCase{"count above the window", true, 50, 60, 48},
                                           PageCase{"count equal to the window", true, 50, 50, 48},
                                           PageCase{"count below the window", true, 50, 20, 20},
                                           PageCase{"largest count that fits", true, 50, 49, 49},
                                           PageCase{"three lines", true, 50, 3, 3},
                                           PageCase{"two lines are too few", true, 50, 2, 48},
                                           PageCase{"window too high", true, 120, 20, 0},
                                           PageCase{"highest window", true, 100, 0xFFFFFFFFu, 98},
                                           PageCase{"lowest window", true, 10, 0xFFFFFFFFu, 8},
                                           PageCase{"window too low", true, 9, 5, 0},
                                           PageCase{"no console", false, 50, 20, 0}));

TEST(PageLength, WithoutAConsoleThereIsNoPaging) {
    command_tests::NoConsole noConsole;
    g_paging.pageLength = 5;
    g_paging.linesLeft = 5;
    EXPECT_EQ(SetupPageLength(20), 0u);
    EXPECT_EQ(g_paging.pageLength, 0u);
    EXPECT_EQ(g_paging.linesLeft, 0u);
}

struct WidthCase {
    const char* label;
    bool ok;
    int left;
    int right;
    uint32_t expected;
};

class ReportWidth : public ::testing::TestWithParam<WidthCase> {};

TEST_P(ReportWidth, FollowsTheWindowWidth) {
    const WidthCase& c = GetParam();
    EXPECT_EQ(ReportWidthForWindow(c.ok, c.left, c.right), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportWidth,
                         ::testing::Values(WidthCase{"60 columns give at least 80", true, 0, 59, 80},
                                           WidthCase{"20 columns are too narrow", true, 0, 19, 100},
                                           WidthCase{"narrowest window", true, 0, 21, 80},
                                           WidthCase{"120 columns", true, 0, 119, 120},
                                           WidthCase{"scrolled window", true, 10, 129, 120},
                                           WidthCase{"widest window", true, 0, 399, 400},
                                           WidthCase{"401 columns are too wide", true, 0, 400, 100},
                                           WidthCase{"500 columns", true, 0, 499, 100},
                                           WidthCase{"no console", false, 0, 119, 100}));

TEST(ReportWidth, WithoutAConsoleIs100) {
    command_tests::NoConsole noConsole;
    EXPECT_EQ(ConsoleReportWidth(), 100u);
}

// ---- /C:

struct HashCase {
    const char* label;
    std::wstring argument;
    int rc;
    uint32_t mask;
    std::wstring err;
};

class HashList : public ::testing::TestWithParam<HashCase> {};

TEST_P(HashList, AddsBitsOrComplains) {
    const HashCase& c = GetParam();
    uint32_t mask = 0;
    std::wstring err, out;
    int rc = RunParser(c.argument, err, out, [&](wchar_t* text) { return ParseHashList(text, mask); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(mask, c.mask) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, L"") << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HashList,
    ::testing::Values(
        HashCase{"two names", L"/C:md5,SHA-256", 0, 0x50, L""},
        HashCase{"extended cksum", L"/C:CKSUMX", 0, 0x4, L""}, HashCase{"cksum", L"/C:cksum", 0, 0x2, L""},
        HashCase{"separators", L"/C:CRC-32;sha1,,sha384", 0, 0xA1, L""},
        HashCase{"equals sign", L"/C=SHA512", 0, 0x100, L""},
        HashCase{
            "every name",
            L"/C:CRC32,CRC-32,CKSUM,CKSUMX,MD5,MD-5,SHA1,SHA-1,SHA256,SHA-256,SHA384,SHA-384,SHA512,SHA-512",
            0, 0x1F7, L""},
        HashCase{"only separators", L"/C:,", 0, 0, L""},
        HashCase{"nothing after the colon", L"/C:", 1, 0, Prefix + L"Missing hash scheme: \"/C:\"\r\n"},
        HashCase{"nothing at all", L"/c", 1, 0, Prefix + L"Missing hash scheme: \"/C\"\r\n"},
        HashCase{"unknown name after a known one", L"/C:md5,foo", 1, 0x10,
                 Prefix + L"Unknown hash scheme: \"/C:FOO\"\r\n"},
        HashCase{"name with extra letters", L"/C:md5x", 1, 0,
                 Prefix + L"Unknown hash scheme: \"/C:MD5X\"\r\n"},
        HashCase{"shortened name", L"/C:sha,md5", 1, 0,
                 Prefix + L"Unknown hash scheme: \"/C:SHA,MD5\"\r\n"}));

// ---- /O:

struct OmitCase {
    const char* label;
    std::wstring argument;
    int rc;
    uint32_t mask;
    uint32_t flags;
    int showSummary;
    std::wstring err;
};

class OmitLetters : public ::testing::TestWithParam<OmitCase> {};

TEST_P(OmitLetters, SetBitsOrComplain) {
    const OmitCase& c = GetParam();
    uint32_t mask = 0, flags = 0x4400;
    int showSummary = 1;
    std::wstring err, out;
    int rc = RunParser(c.argument, err, out,
                       [&](wchar_t* text) { return ParseOmitLetters(text, mask, flags, showSummary); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(mask, c.mask) << c.label;
    EXPECT_EQ(flags, c.flags) << c.label;
    EXPECT_EQ(showSummary, c.showSummary) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, L"") << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OmitLetters,
    ::testing::Values(OmitCase{"times and sizes", L"/O:TZ", 0, 0x6, 0x4400, 1, L""},
                      OmitCase{"every section", L"/o=hztacdvsipxeluqrnf", 0, 0x3FFFF, 0x4400, 1, L""},
                      OmitCase{"no summary", L"/O:K", 0, 0, 0x4400, 0, L""},
                      OmitCase{"no list files", L"/O:@", 0, 0, 0x400, 1, L""},
                      OmitCase{"no letters", L"/O", 0, 0, 0x4400, 1, L""},
                      OmitCase{"unknown letter", L"/O:B", 1, 0, 0x4400, 1,
                               Prefix + L"Unknown suboption: /O:B\r\n"},
                      OmitCase{"unknown lower-case letter after good ones", L"/O:tg", 1, 0x4, 0x4400, 1,
                               Prefix + L"Unknown suboption: /O:G\r\n"},
                      OmitCase{"digit", L"/O:1", 1, 0, 0x4400, 1, Prefix + L"Unknown suboption: /O:1\r\n"}));

TEST(OmitLetters, LettersOutsideTheTableAreErrors) {
    for (wchar_t letter : std::wstring(L"BGJMOWY")) {
        uint32_t mask = 0, flags = 0x4400;
        int showSummary = 1;
        std::wstring err, out;
        std::wstring argument = std::wstring(L"/O:") + letter;
        EXPECT_EQ(RunParser(argument, err, out,
                            [&](wchar_t* text) { return ParseOmitLetters(text, mask, flags, showSummary); }),
                  SwitchFailed);
        EXPECT_EQ(err, Prefix + L"Unknown suboption: /O:" + letter + L"\r\n");
    }
}

TEST(OmitLetters, QuestionMarkShowsTheHelpAfterEarlierLetters) {
    uint32_t mask = 0, flags = 0x4400;
    int showSummary = 1;
    std::wstring err, out;
    EXPECT_EQ(RunParser(L"/O:T?Z", err, out,
                        [&](wchar_t* text) { return ParseOmitLetters(text, mask, flags, showSummary); }),
              SwitchHelpShown);
    EXPECT_EQ(mask, 0x4u);
    EXPECT_EQ(out, HelpTextOmit);
    EXPECT_EQ(err, L"");
}

// ---- /T:

struct TimeCase {
    const char* label;
    std::wstring argument;
    int rc;
    uint32_t flags;
    int32_t zone;
    std::wstring err;
};

class TimeLetters : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeLetters, SetFlagsAndZoneOrComplain) {
    const TimeCase& c = GetParam();
    uint32_t flags = 0;
    int32_t zone = 0;
    std::wstring err, out;
    int rc =
        RunParser(c.argument, err, out, [&](wchar_t* text) { return ParseTimeLetters(text, flags, zone); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(flags, c.flags) << c.label;
    EXPECT_EQ(zone, c.zone) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, L"") << c.label;
}

INSTANTIATE_TEST_SUITE_P(Cases, TimeLetters,
                         ::testing::Values(TimeCase{"creation", L"/T:C", 0, 0x1, 0, L""},
                                           TimeCase{"fractions alone", L"/T:F", 0, 0x1000, 0, L""},
                                           TimeCase{"access and modification, both letters", L"/t:amw", 0,
                                                    0x6, 0, L""},
                                           TimeCase{"UTC", L"/T=U", 0, 0, 2, L""},
                                           TimeCase{"last zone wins", L"/T:UL", 0, 0, 1, L""},
                                           TimeCase{"default zone", L"/T:LD", 0, 0, 0, L""},
                                           TimeCase{"unknown letter", L"/T:cx", 1, 0x1, 0,
                                                    Prefix + L"Unknown time mode: /T:CX\r\n"}));

TEST(TimeLetters, QuestionMarkShowsTheHelpAndFails) {
    uint32_t flags = 0;
    int32_t zone = 0;
    std::wstring err, out;
    EXPECT_EQ(
        RunParser(L"/T:?", err, out, [&](wchar_t* text) { return ParseTimeLetters(text, flags, zone); }),
        SwitchFailed);
    EXPECT_EQ(out, HelpTextTimes);
    EXPECT_EQ(err, L"");
}

// ---- /W

struct WidthOptionCase {
    const char* label;
    std::wstring argument;
    int rc;
    uint32_t width;
    std::wstring err;
};

class MaxWidthOption : public ::testing::TestWithParam<WidthOptionCase> {};

TEST_P(MaxWidthOption, SetsWidthOrComplains) {
    const WidthOptionCase& c = GetParam();
    uint32_t width = 0xFFFFFFFFu;
    std::wstring err, out;
    int rc = RunParser(c.argument, err, out, [&](wchar_t* text) { return ParseMaxWidth(text, width); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(width, c.width) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, L"") << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MaxWidthOption,
    ::testing::Values(WidthOptionCase{"hexadecimal", L"/W:0x40", 0, 64, L""},
                      WidthOptionCase{"smallest", L"/W:64", 0, 64, L""},
                      WidthOptionCase{"largest", L"/W:2048", 0, 2048, L""},
                      WidthOptionCase{"zero", L"/W:0", 0, 0, L""},
                      WidthOptionCase{"octal with equals", L"/w=0o100", 0, 64, L""},
                      WidthOptionCase{"too small", L"/W:63", 1, 0xFFFFFFFFu,
                                      Prefix + L"MaxWidth must be 0 or 64 to 2048: 63\r\n"},
                      WidthOptionCase{"too large", L"/W:2049", 1, 0xFFFFFFFFu,
                                      Prefix + L"MaxWidth must be 0 or 64 to 2048: 2049\r\n"},
                      WidthOptionCase{"text after the number", L"/W:12abc", 1, 0xFFFFFFFFu,
                                      Prefix + L"Bad MaxWidth value: \"/W:12ABC\"\r\n"},
                      WidthOptionCase{"no number", L"/W:", 1, 0xFFFFFFFFu,
                                      Prefix + L"Bad MaxWidth value: \"/W:\"\r\n"},
                      WidthOptionCase{"overflow", L"/W:99999999999", 1, 0xFFFFFFFFu,
                                      Prefix + L"Bad MaxWidth value: \"/W:99999999999\"\r\n"}));

} // namespace
