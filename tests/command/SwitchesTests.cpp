// The switch parsers: /A:, /N:, /S, /P, /C:, /L:, /O:, /T:, /W with their values and exact messages,
// number reading, and the width and page length for a console window's size.
#include "command/Switches.h"

#include "command/ArgumentErrorText.h"
#include "core/HashKinds.h"
#include "core/OmitFeatures.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace scrutel;
using command_tests::ErrorText;

namespace {

const U16String Prefix = u"Scrutel plugin: ";

// How the command goes on after a parser: on, ended with 1, or ended with 0 after a help text.
enum : int { SwitchOk = 0, SwitchFailed = 1, SwitchHelpShown = 2 };

U16String HelpName(HelpTopic topic) {
    switch (topic) {
    case HelpTopic::None:
        return u"";
    case HelpTopic::Omit:
        return u"(omit help)";
    case HelpTopic::Times:
        return u"(time help)";
    default:
        return u"(other help)";
    }
}

// A name in lower case (ASCII).
U16String LowerAscii(U16View text) {
    U16String lower(text);
    for (char16_t& c : lower)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return lower;
}

// The argument as the driver hands it to ParseHashList (in upper case; ASCII is enough here).
U16String UpperAscii(U16View text) {
    U16String upper(text);
    for (char16_t& c : upper)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return upper;
}

// Runs a parser on a copy of the argument; err: the text its answer puts on standard error,
// out: the help it asks for. Checks that the argument is left as it was.
template <typename Parse>
int RunParser(const U16String& argument, U16String& err, U16String& out, Parse parse) {
    const U16String text = argument;
    ParseStatus status = parse(U16View(text));
    EXPECT_EQ(text, argument);
    err = ErrorText(status);
    out = status ? HelpName(status->help) : U16String();
    if (!status) return SwitchOk;
    if (status->help != HelpTopic::None && status->result == 0) return SwitchHelpShown;
    return status->result;
}

// ---- number reading

struct NumberCase {
    const char* label;
    U16String text;
    bool octal;
    NumberRead read;
    uint32_t value;
    U16String rest;
};

class NumberReading : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberReading, ReadsValueAndStopsAtTheFirstOtherCharacter) {
    const NumberCase& c = GetParam();
    const char16_t* p = c.text.c_str();
    uint32_t value = 12345;
    NumberRead read = ReadNumber(p, c.octal, value);
    EXPECT_EQ(read, c.read) << c.label;
    if (read == NumberRead::Value) {
        EXPECT_EQ(value, c.value) << c.label;
    }
    if (read != NumberRead::Overflow) {
        EXPECT_EQ(U16String(p), c.rest) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberReading,
    ::testing::Values(
        NumberCase{"decimal", u"123abc", false, NumberRead::Value, 123, u"abc"},
        NumberCase{"hexadecimal", u"0x1Fz", false, NumberRead::Value, 31, u"z"},
        NumberCase{"upper-case X", u"0XfF", false, NumberRead::Value, 255, u""},
        NumberCase{"0x without a digit is a decimal 0", u"0xg", false, NumberRead::Value, 0, u"xg"},
        NumberCase{"octal", u"0o17", true, NumberRead::Value, 15, u""},
        NumberCase{"octal stops at 8", u"0o178", true, NumberRead::Value, 15, u"8"},
        NumberCase{"octal needs a digit 0 to 7", u"0o8", true, NumberRead::Value, 0, u"o8"},
        NumberCase{"octal not allowed", u"0o17", false, NumberRead::Value, 0, u"o17"},
        NumberCase{"no digit", u"abc", false, NumberRead::None, 0, u"abc"},
        NumberCase{"largest value", u"4294967295", false, NumberRead::Value, 0xFFFFFFFFu, u""},
        NumberCase{"largest hexadecimal", u"0xFFFFFFFF", false, NumberRead::Value, 0xFFFFFFFFu, u""},
        NumberCase{"decimal overflow", u"4294967296", false, NumberRead::Overflow, 0, u""},
        NumberCase{"hexadecimal overflow", u"0x100000000", false, NumberRead::Overflow, 0, u""}));

// ---- /A:

struct AttributeCase {
    const char* label;
    U16String argument;
    int rc;
    uint32_t mask;
    uint32_t values;
    U16String err;
};

class AttributeOption : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(AttributeOption, SetsMaskAndValuesOrComplains) {
    const AttributeCase& c = GetParam();
    uint32_t mask = 0x37, values = 0x5; // an earlier /A: that this one replaces
    U16String err, out;
    int rc = RunParser(c.argument, err, out,
                       [&](U16View text) { return ParseAttributeOption(text, mask, values); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, u"") << c.label;
    if (c.rc == 0) {
        EXPECT_EQ(mask, c.mask) << c.label;
        EXPECT_EQ(values, c.values) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AttributeOption,
    ::testing::Values(
        AttributeCase{"empty restores the default", u"/A:", 0, 0x10, 0, u""},
        AttributeCase{"no colon", u"/A", 0, 0x10, 0, u""},
        AttributeCase{"hidden only", u"/A:H", 0, 0x12, 0x2, u""},
        AttributeCase{"not hidden", u"/A:-H", 0, 0x12, 0, u""},
        AttributeCase{"read-only hidden not archived", u"/A:RH-A", 0, 0x33, 0x3, u""},
        AttributeCase{"later letter overrides", u"/A:H-H", 0, 0x12, 0, u""},
        AttributeCase{"every letter, equals sign, lower case", u"/a=rhsacoie", 0, 0x7837, 0x7827, u""},
        AttributeCase{"negation applies to one letter", u"/A:-RS", 0, 0x15, 0x4, u""},
        AttributeCase{"directories", u"/A:D", 1, 0, 0, Prefix + u"Directories not allowed: \"/A:D\"\r\n"},
        AttributeCase{"negated directories", u"/A:-d", 1, 0, 0,
                      Prefix + u"Directories not allowed: \"/A:-D\"\r\n"},
        AttributeCase{"unknown letter upper-cased", u"/A:x", 1, 0, 0,
                      Prefix + u"Bad attributes: \"/A:X\"\r\n"},
        AttributeCase{"dash at the end", u"/A:h-", 1, 0, 0, Prefix + u"Bad attributes: \"/A:H-\"\r\n"},
        AttributeCase{"dash before a digit", u"/A:-1", 1, 0, 0, Prefix + u"Bad attributes: \"/A:-1\"\r\n"},
        AttributeCase{"double dash", u"/A:--H", 1, 0, 0, Prefix + u"Bad attributes: \"/A:--H\"\r\n"}));

// ---- /N:

struct SuboptionCase {
    const char* label;
    U16String argument;
    int rc;
    uint32_t flagsAdded;
    int noHighlight;
    U16String err;
};

class Suboptions : public ::testing::TestWithParam<SuboptionCase> {};

TEST_P(Suboptions, AddFlagsOrComplain) {
    const SuboptionCase& c = GetParam();
    uint32_t flags = 0x4400;
    int noHighlight = 0;
    U16String err, out;
    int rc = RunParser(c.argument, err, out,
                       [&](U16View text) { return ParseSuboptions(text, flags, noHighlight); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(flags, 0x4400u | c.flagsAdded) << c.label;
    EXPECT_EQ(noHighlight, c.noHighlight) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, u"") << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Suboptions,
    ::testing::Values(SuboptionCase{"skip junctions, hidden and system folders", u"/N:DJZ", 0, 0xE, 0, u""},
                      SuboptionCase{"no highlight", u"/N:C", 0, 0, 1, u""},
                      SuboptionCase{"quiet not found", u"/n=f", 0, 0x100, 0, u""},
                      SuboptionCase{"no colon", u"/Nj", 0, 0x2, 0, u""},
                      SuboptionCase{"nothing", u"/N:", 0, 0, 0, u""},
                      SuboptionCase{"unknown letter", u"/N:q", 1, 0, 0,
                                    Prefix + u"Unknown suboption: /N:Q\r\n"},
                      SuboptionCase{"letters before the error apply", u"/N:DX", 1, 0x4, 0,
                                    Prefix + u"Unknown suboption: /N:X\r\n"},
                      SuboptionCase{"dash form", u"-n:y", 1, 0, 0, Prefix + u"Unknown suboption: /N:Y\r\n"}));

// ---- /S

struct SubdirCase {
    const char* label;
    U16String argument;
    int rc;
    int minDepth;
    int maxDepth;
    U16String err;
};

class SubdirOption : public ::testing::TestWithParam<SubdirCase> {};

TEST_P(SubdirOption, SetsDepthsOrComplains) {
    const SubdirCase& c = GetParam();
    uint32_t flags = 0x4400;
    int minDepth = 7, maxDepth = 9; // values of an earlier /S
    U16String err, out;
    int rc = RunParser(c.argument, err, out,
                       [&](U16View text) { return ParseSubdirOption(text, flags, minDepth, maxDepth); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(flags, 0x4401u) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, u"") << c.label;
    if (c.rc == 0) {
        EXPECT_EQ(minDepth, c.minDepth) << c.label;
        EXPECT_EQ(maxDepth, c.maxDepth) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubdirOption,
    ::testing::Values(
        SubdirCase{"plain", u"/S", 0, 0, -1, u""}, SubdirCase{"plain lower case", u"/s", 0, 0, -1, u""},
        SubdirCase{"maximum", u"/S:2", 0, 7, 2, u""}, SubdirCase{"minimum", u"/S:+1", 0, 1, 9, u""},
        SubdirCase{"both", u"/S:3+1", 0, 1, 3, u""},
        SubdirCase{"equals and hexadecimal", u"/S=0x10", 0, 7, 16, u""},
        SubdirCase{"no separator", u"/S2", 0, 7, 2, u""},
        SubdirCase{"colon only keeps both", u"/S:", 0, 7, 9, u""},
        SubdirCase{"zero levels", u"/S:0", 0, 7, 0, u""},
        SubdirCase{"letter", u"/S:x", 1, 0, 0, Prefix + u"Syntax error: \"/S:X\"\r\n"},
        SubdirCase{"plus without a number", u"/S:1+", 1, 0, 0, Prefix + u"Syntax error: \"/S:1+\"\r\n"},
        SubdirCase{"text after the minimum", u"/S:1+2x", 1, 0, 0,
                   Prefix + u"Bad MinDepth value: \"/S:1+2X\"\r\n"},
        SubdirCase{"maximum overflows", u"/S:99999999999", 1, 0, 0,
                   Prefix + u"Bad MaxDepth value: \"/S:99999999999\"\r\n"},
        SubdirCase{"maximum beyond a signed depth", u"/S:2147483648", 1, 0, 0,
                   Prefix + u"Bad MaxDepth value: \"/S:2147483648\"\r\n"},
        SubdirCase{"minimum overflows", u"/s:+0x100000000", 1, 0, 0,
                   Prefix + u"Bad MinDepth value: \"/S:+0X100000000\"\r\n"},
        SubdirCase{"largest depth", u"/S:2147483647+2147483647", 0, 2147483647, 2147483647, u""}));

// ---- /P

struct PauseCase {
    const char* label;
    U16String argument;
    int rc;
    uint32_t lines;
    uint32_t timeoutMs;
    U16String err;
};

class PauseOption : public ::testing::TestWithParam<PauseCase> {};

TEST_P(PauseOption, SetsLinesAndTimeoutOrComplains) {
    const PauseCase& c = GetParam();
    PauseSettings pause{77, 88}; // values of an earlier /P that this one replaces
    U16String err, out;
    int rc = RunParser(c.argument, err, out, [&](U16View text) { return ParsePauseOption(text, pause); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, u"") << c.label;
    if (c.rc == 0) {
        EXPECT_EQ(pause.lines, c.lines) << c.label;
        EXPECT_EQ(pause.timeoutMs, c.timeoutMs) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PauseOption,
    ::testing::Values(PauseCase{"one window", u"/P", 0, 0xFFFFFFFFu, 0, u""},
                      PauseCase{"seconds", u"/P:5", 0, 0xFFFFFFFFu, 5000, u""},
                      PauseCase{"milliseconds", u"/P:250m", 0, 0xFFFFFFFFu, 250, u""},
                      PauseCase{"milliseconds upper case", u"/p=250M", 0, 0xFFFFFFFFu, 250, u""},
                      PauseCase{"lines only", u"/P:,20", 0, 20, 0, u""},
                      PauseCase{"time and lines", u"/P:5,20", 0, 20, 5000, u""},
                      PauseCase{"semicolon", u"/P:5;7", 0, 7, 5000, u""},
                      PauseCase{"empty count", u"/P:5,", 0, 0xFFFFFFFFu, 5000, u""},
                      PauseCase{"no paging", u"/P:5,0", 0, 0, 5000, u""},
                      PauseCase{"hexadecimal", u"/P:0x10", 0, 0xFFFFFFFFu, 16000, u""},
                      PauseCase{"octal", u"/P:0o17", 0, 0xFFFFFFFFu, 15000, u""},
                      PauseCase{"largest count", u"/P:,1000", 0, 1000, 0, u""},
                      PauseCase{"largest milliseconds", u"/P:4294967295m", 0, 0xFFFFFFFFu, 0xFFFFFFFFu, u""},
                      PauseCase{"too many lines", u"/P:,1001", 1, 0, 0,
                                Prefix + u"Pause lines must be 0 - 1000: 1001\r\n"},
                      PauseCase{"letter", u"/P:x", 1, 0, 0, Prefix + u"Syntax error: \"/P:X\"\r\n"},
                      PauseCase{"unit letter", u"/P:5s", 1, 0, 0, Prefix + u"Syntax error: \"/P:5S\"\r\n"},
                      PauseCase{"time overflows", u"/P:4294967296", 1, 0, 0,
                                Prefix + u"Bad pause time: \"/P:4294967296\"\r\n"},
                      PauseCase{"seconds overflow as milliseconds", u"/P:4294968", 1, 0, 0,
                                Prefix + u"Bad pause time: \"/P:4294968\"\r\n"},
                      PauseCase{"lines overflow", u"/P:,99999999999", 1, 0, 0,
                                Prefix + u"Bad pause lines: \"/P:,99999999999\"\r\n"}));

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

// ---- /C:

struct HashCase {
    const char* label;
    U16String argument;
    int rc;
    uint32_t mask;
    U16String err;
};

class HashList : public ::testing::TestWithParam<HashCase> {};

TEST_P(HashList, AddsBitsOrComplains) {
    const HashCase& c = GetParam();
    uint32_t mask = 0;
    U16String err, out;
    int rc =
        RunParser(c.argument, err, out, [&](U16View text) { return ParseHashList(UpperAscii(text), mask); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(mask, c.mask) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, u"") << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HashList,
    ::testing::Values(
        HashCase{"two names", u"/C:md5,SHA-256", 0, 0x50, u""},
        HashCase{"extended cksum", u"/C:CKSUMX", 0, 0x4, u""}, HashCase{"cksum", u"/C:cksum", 0, 0x2, u""},
        HashCase{"separators", u"/C:CRC-32;sha1,,sha384", 0, 0xA1, u""},
        HashCase{"equals sign", u"/C=SHA512", 0, 0x100, u""},
        HashCase{
            "every name",
            u"/C:CRC32,CRC-32,CKSUM,CKSUMX,MD5,MD-5,SHA1,SHA-1,SHA256,SHA-256,SHA384,SHA-384,SHA512,SHA-512",
            0, 0x1F7, u""},
        HashCase{"only separators", u"/C:,", 0, 0, u""},
        HashCase{"nothing after the colon", u"/C:", 1, 0, Prefix + u"Missing hash scheme: \"/C:\"\r\n"},
        HashCase{"nothing at all", u"/c", 1, 0, Prefix + u"Missing hash scheme: \"/C\"\r\n"},
        HashCase{"unknown name after a known one", u"/C:md5,foo", 1, 0x10,
                 Prefix + u"Unknown hash scheme: \"/C:FOO\"\r\n"},
        HashCase{"name with extra letters", u"/C:md5x", 1, 0,
                 Prefix + u"Unknown hash scheme: \"/C:MD5X\"\r\n"},
        HashCase{"shortened name", u"/C:sha,md5", 1, 0,
                 Prefix + u"Unknown hash scheme: \"/C:SHA,MD5\"\r\n"}));

// Every kind of the table is taken by /C: under each of its names, in either case, as that kind
// alone; /L: takes it exactly when a digest list holds it.
TEST(HashList, EveryKindOfTheTableIsTakenUnderItsNames) {
    for (const HashKindRow& kind : HashKinds) {
        for (U16View name : {kind.name, kind.dashedName}) {
            if (name.empty()) continue;
            for (U16String written : {U16String(name), LowerAscii(name)}) {
                SCOPED_TRACE(Utf8FromU16(written));
                uint32_t mask = 0;
                U16String err, out;
                EXPECT_EQ(RunParser(u"/C:" + written, err, out,
                                    [&](U16View text) { return ParseHashList(UpperAscii(text), mask); }),
                          SwitchOk);
                EXPECT_EQ(mask, static_cast<uint32_t>(kind.bit));
                uint32_t listKind = 0;
                int rc = RunParser(u"/L:" + written, err, out,
                                   [&](U16View text) { return ParseListKind(UpperAscii(text), listKind); });
                EXPECT_EQ(rc, kind.digestBytes != 0 ? SwitchOk : SwitchFailed);
                EXPECT_EQ(listKind, kind.digestBytes != 0 ? static_cast<uint32_t>(kind.bit) : 0u);
            }
        }
    }
}

struct ListKindCase {
    const char* label;
    U16String argument;
    int rc;
    uint32_t kind;
    U16String err;
};

class ListKind : public ::testing::TestWithParam<ListKindCase> {};

TEST_P(ListKind, TakesOneKindOrComplains) {
    const ListKindCase& c = GetParam();
    uint32_t kind = 0;
    U16String err, out;
    int rc =
        RunParser(c.argument, err, out, [&](U16View text) { return ParseListKind(UpperAscii(text), kind); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(kind, c.kind) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListKind,
    ::testing::Values(ListKindCase{"no kind is SHA-256", u"/L", 0, 0x40, u""},
                      ListKindCase{"dashed name", u"/L:sha-1", 0, 0x20, u""},
                      ListKindCase{"cksum", u"/L=CKSUM", 0, 0x2, u""},
                      ListKindCase{"hexadecimal cksum is no list kind", u"/L:cksumx", 1, 0,
                                   Prefix + u"Bad digest list kind: \"/L:CKSUMX\"\r\n"},
                      ListKindCase{"two kinds", u"/L:MD5,SHA1", 1, 0,
                                   Prefix + u"Bad digest list kind: \"/L:MD5,SHA1\"\r\n"}));

// ---- /O:

struct OmitCase {
    const char* label;
    U16String argument;
    int rc;
    uint32_t mask;
    uint32_t flags;
    int showSummary;
    U16String err;
};

class OmitLetters : public ::testing::TestWithParam<OmitCase> {};

TEST_P(OmitLetters, SetBitsOrComplain) {
    const OmitCase& c = GetParam();
    uint32_t mask = 0, flags = 0x4400;
    int showSummary = 1;
    U16String err, out;
    int rc = RunParser(c.argument, err, out,
                       [&](U16View text) { return ParseOmitLetters(text, mask, flags, showSummary); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(mask, c.mask) << c.label;
    EXPECT_EQ(flags, c.flags) << c.label;
    EXPECT_EQ(showSummary, c.showSummary) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, u"") << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OmitLetters,
    ::testing::Values(OmitCase{"times and sizes", u"/O:TZ", 0, 0x6, 0x4400, 1, u""},
                      OmitCase{"every section", u"/o=hztacdvsipxeluqrnf", 0, 0x3FFFF, 0x4400, 1, u""},
                      OmitCase{"no summary", u"/O:K", 0, 0, 0x4400, 0, u""},
                      OmitCase{"no list files", u"/O:@", 0, 0, 0x400, 1, u""},
                      OmitCase{"no letters", u"/O", 0, 0, 0x4400, 1, u""},
                      OmitCase{"unknown letter", u"/O:B", 1, 0, 0x4400, 1,
                               Prefix + u"Unknown suboption: /O:B\r\n"},
                      OmitCase{"unknown lower-case letter after good ones", u"/O:tg", 1, 0x4, 0x4400, 1,
                               Prefix + u"Unknown suboption: /O:G\r\n"},
                      OmitCase{"digit", u"/O:1", 1, 0, 0x4400, 1, Prefix + u"Unknown suboption: /O:1\r\n"}));

// Every letter of the table, in either case, sets its own bit and nothing else.
TEST(OmitLetters, EveryLetterOfTheTableSetsItsBit) {
    for (const OmitLetterRow& row : OmitLetterRows) {
        for (char16_t letter : {row.letter, static_cast<char16_t>(row.letter - u'A' + u'a')}) {
            uint32_t mask = 0, flags = 0x4400;
            int showSummary = 1;
            U16String err, out;
            U16String argument = U16String(u"/O:") + letter;
            SCOPED_TRACE(Utf8FromU16(argument));
            EXPECT_EQ(
                RunParser(argument, err, out,
                          [&](U16View text) { return ParseOmitLetters(text, mask, flags, showSummary); }),
                SwitchOk);
            EXPECT_EQ(mask, static_cast<uint32_t>(row.bit));
            EXPECT_EQ(flags, 0x4400u);
            EXPECT_EQ(showSummary, 1);
        }
    }
}

TEST(OmitLetters, LettersOutsideTheTableAreErrors) {
    for (char16_t letter : U16String(u"BGJMOWY")) {
        uint32_t mask = 0, flags = 0x4400;
        int showSummary = 1;
        U16String err, out;
        U16String argument = U16String(u"/O:") + letter;
        EXPECT_EQ(RunParser(argument, err, out,
                            [&](U16View text) { return ParseOmitLetters(text, mask, flags, showSummary); }),
                  SwitchFailed);
        EXPECT_EQ(err, Prefix + u"Unknown suboption: /O:" + letter + u"\r\n");
    }
}

TEST(OmitLetters, QuestionMarkShowsTheHelpAfterEarlierLetters) {
    uint32_t mask = 0, flags = 0x4400;
    int showSummary = 1;
    U16String err, out;
    EXPECT_EQ(RunParser(u"/O:T?Z", err, out,
                        [&](U16View text) { return ParseOmitLetters(text, mask, flags, showSummary); }),
              SwitchHelpShown);
    EXPECT_EQ(mask, 0x4u);
    EXPECT_EQ(out, HelpName(HelpTopic::Omit));
    EXPECT_EQ(err, u"");
}

// ---- /T:

struct TimeCase {
    const char* label;
    U16String argument;
    int rc;
    uint32_t flags;
    int32_t zone;
    U16String err;
};

class TimeLetters : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeLetters, SetFlagsAndZoneOrComplain) {
    const TimeCase& c = GetParam();
    uint32_t flags = 0;
    int32_t zone = 0;
    U16String err, out;
    int rc =
        RunParser(c.argument, err, out, [&](U16View text) { return ParseTimeLetters(text, flags, zone); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(flags, c.flags) << c.label;
    EXPECT_EQ(zone, c.zone) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, u"") << c.label;
}

INSTANTIATE_TEST_SUITE_P(Cases, TimeLetters,
                         ::testing::Values(TimeCase{"creation", u"/T:C", 0, 0x1, 0, u""},
                                           TimeCase{"fractions alone", u"/T:F", 0, 0x1000, 0, u""},
                                           TimeCase{"access and modification, both letters", u"/t:amw", 0,
                                                    0x6, 0, u""},
                                           TimeCase{"UTC", u"/T=U", 0, 0, 2, u""},
                                           TimeCase{"last zone wins", u"/T:UL", 0, 0, 1, u""},
                                           TimeCase{"default zone", u"/T:LD", 0, 0, 0, u""},
                                           TimeCase{"unknown letter", u"/T:cx", 1, 0x1, 0,
                                                    Prefix + u"Unknown time mode: /T:CX\r\n"}));

TEST(TimeLetters, QuestionMarkShowsTheHelpAndFails) {
    uint32_t flags = 0;
    int32_t zone = 0;
    U16String err, out;
    EXPECT_EQ(RunParser(u"/T:?", err, out, [&](U16View text) { return ParseTimeLetters(text, flags, zone); }),
              SwitchFailed);
    EXPECT_EQ(out, HelpName(HelpTopic::Times));
    EXPECT_EQ(err, u"");
}

// ---- /W

struct WidthOptionCase {
    const char* label;
    U16String argument;
    int rc;
    uint32_t width;
    U16String err;
};

class MaxWidthOption : public ::testing::TestWithParam<WidthOptionCase> {};

TEST_P(MaxWidthOption, SetsWidthOrComplains) {
    const WidthOptionCase& c = GetParam();
    uint32_t width = 0xFFFFFFFFu;
    U16String err, out;
    int rc = RunParser(c.argument, err, out, [&](U16View text) { return ParseMaxWidth(text, width); });
    EXPECT_EQ(rc, c.rc) << c.label;
    EXPECT_EQ(width, c.width) << c.label;
    EXPECT_EQ(err, c.err) << c.label;
    EXPECT_EQ(out, u"") << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MaxWidthOption,
    ::testing::Values(WidthOptionCase{"hexadecimal", u"/W:0x40", 0, 64, u""},
                      WidthOptionCase{"smallest", u"/W:64", 0, 64, u""},
                      WidthOptionCase{"largest", u"/W:2048", 0, 2048, u""},
                      WidthOptionCase{"zero", u"/W:0", 0, 0, u""},
                      WidthOptionCase{"octal with equals", u"/w=0o100", 0, 64, u""},
                      WidthOptionCase{"too small", u"/W:63", 1, 0xFFFFFFFFu,
                                      Prefix + u"MaxWidth must be 0 or 64 to 2048: 63\r\n"},
                      WidthOptionCase{"too large", u"/W:2049", 1, 0xFFFFFFFFu,
                                      Prefix + u"MaxWidth must be 0 or 64 to 2048: 2049\r\n"},
                      WidthOptionCase{"text after the number", u"/W:12abc", 1, 0xFFFFFFFFu,
                                      Prefix + u"Bad MaxWidth value: \"/W:12ABC\"\r\n"},
                      WidthOptionCase{"no number", u"/W:", 1, 0xFFFFFFFFu,
                                      Prefix + u"Bad MaxWidth value: \"/W:\"\r\n"},
                      WidthOptionCase{"overflow", u"/W:99999999999", 1, 0xFFFFFFFFu,
                                      Prefix + u"Bad MaxWidth value: \"/W:99999999999\"\r\n"}));

// ---- an argument is a view: what follows it is not read

// Each parser's outputs as text, after parsing text into fresh values.
struct ViewCase {
    const char* label;
    U16String argument;
    U16String after; // characters that follow the view and would change the outcome if read
    std::function<std::string(U16View)> run;
    std::string expected;
};

std::string Outcome(const ParseStatus& status, const std::string& values) {
    return status ? "error: " + Utf8FromU16(ErrorText(status)) : values;
}

TEST(ArgumentViews, ParsersReadNothingPastTheirView) {
    const std::vector<ViewCase> cases = {
        {"width", u"/W:64", u"0",
         [](U16View t) {
             uint32_t width = 0;
             auto status = ParseMaxWidth(t, width);
             return Outcome(status, std::to_string(width));
         },
         "64"},
        {"depth", u"/S:2", u"+1",
         [](U16View t) {
             uint32_t flags = 0;
             int minDepth = 7, maxDepth = 9;
             auto status = ParseSubdirOption(t, flags, minDepth, maxDepth);
             return Outcome(status, std::to_string(minDepth) + "," + std::to_string(maxDepth));
         },
         "7,2"},
        {"plain /S", u"/S", u":3",
         [](U16View t) {
             uint32_t flags = 0;
             int minDepth = 7, maxDepth = 9;
             auto status = ParseSubdirOption(t, flags, minDepth, maxDepth);
             return Outcome(status, std::to_string(minDepth) + "," + std::to_string(maxDepth));
         },
         "0,-1"},
        {"pause", u"/P:5", u",20",
         [](U16View t) {
             PauseSettings pause;
             auto status = ParsePauseOption(t, pause);
             return Outcome(status, std::to_string(pause.lines) + "," + std::to_string(pause.timeoutMs));
         },
         "4294967295,5000"},
        {"hash names", u"/C:MD5", u"X",
         [](U16View t) {
             uint32_t mask = 0;
             auto status = ParseHashList(t, mask);
             return Outcome(status, std::to_string(mask));
         },
         "16"},
        {"omit letters", u"/O:T", u"B",
         [](U16View t) {
             uint32_t mask = 0, flags = 0;
             int showSummary = 1;
             auto status = ParseOmitLetters(t, mask, flags, showSummary);
             return Outcome(status, std::to_string(mask));
         },
         "4"},
        {"time letters", u"/T:C", u"x",
         [](U16View t) {
             uint32_t flags = 0;
             int32_t zone = 0;
             auto status = ParseTimeLetters(t, flags, zone);
             return Outcome(status, std::to_string(flags));
         },
         "1"},
        {"attributes", u"/A:H", u"-",
         [](U16View t) {
             uint32_t mask = 0, values = 0;
             auto status = ParseAttributeOption(t, mask, values);
             return Outcome(status, std::to_string(mask) + "," + std::to_string(values));
         },
         "18,2"},
        {"suboptions", u"/N:D", u"q",
         [](U16View t) {
             uint32_t flags = 0;
             int noHighlight = 0;
             auto status = ParseSuboptions(t, flags, noHighlight);
             return Outcome(status, std::to_string(flags));
         },
         "4"},
        {"shown text ends with the view", u"/W:x", u"yz",
         [](U16View t) {
             uint32_t width = 0;
             return Outcome(ParseMaxWidth(t, width), "");
         },
         "error: Scrutel plugin: Bad MaxWidth value: \"/W:X\"\r\n"},
    };
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(c.label);
        // A copy of exactly the argument's length: the address sanitizer reports any read past it.
        const std::vector<char16_t> exact(c.argument.begin(), c.argument.end());
        EXPECT_EQ(c.run(U16View(exact.data(), exact.size())), c.expected);
        const U16String longer = c.argument + c.after;
        EXPECT_EQ(c.run(U16View(longer).substr(0, c.argument.size())), c.expected);
    }
}

} // namespace
