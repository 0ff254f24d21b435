// Printing the parsers' answers: the user's text in the system's upper case, the error prefix with
// the batch file's position, the one message without a prefix, "%" printed as written, the help
// texts and the results that follow them.
#include "command/ArgumentReport.h"

#include "command/CommandTestSupport.h"
#include "command/HelpTexts.h"
#include "command/SplitArguments.h"
#include "core/HashKinds.h"
#include "core/OmitFeatures.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <string>

using namespace scrutel;
using testing_support::Capture;

namespace {

const std::wstring Prefix = L"Scrutel plugin: ";

ArgumentError Unprefixed(ArgumentError error) {
    error.prefixed = false;
    return error;
}

struct ReportCase {
    const char* label;
    ArgumentError error;
    int result;
    std::wstring err;
    std::wstring out;
};

class ReportArgument : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ReportArgument, PrintsMessageAndHelpAndGivesTheResult) {
    const ReportCase& c = GetParam();
    command_tests::BatchReset reset;
    HostSetBatch(nullptr, 0);
    Capture capture;
    EXPECT_EQ(ReportArgumentError(c.error), c.result) << c.label;
    EXPECT_EQ(capture.err(), c.err) << c.label;
    EXPECT_EQ(capture.out(), c.out) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportArgument,
    ::testing::Values(
        ReportCase{"shown text in upper case", ShownError(u"Bad attributes: \"", u"/a:x", u"\"\r\n"), 1,
                   Prefix + L"Bad attributes: \"/A:X\"\r\n", L""},
        ReportCase{"letters beyond ASCII upper-cased too",
                   ShownError(u"Unknown time mode: ", u"/t:\u00e9\u00df", u"\r\n"), 1,
                   Prefix + L"Unknown time mode: /T:\u00c9\u00df\r\n", L""},
        ReportCase{"only the shown part changes", ShownError(u"bad: \"", u"ab", u"\" cd\r\n"), 1,
                   Prefix + L"bad: \"AB\" cd\r\n", L""},
        ReportCase{"percent signs as written", ShownError(u"Bad size range: \"", u"%d%s]", u"\"\r\n"), 1,
                   Prefix + L"Bad size range: \"%D%S]\"\r\n", L""},
        ReportCase{"message without a shown part", MessageError(u"Pause lines must be 0 - 1000: 1001\r\n"), 1,
                   Prefix + L"Pause lines must be 0 - 1000: 1001\r\n", L""},
        ReportCase{"unprefixed message", Unprefixed(ShownError(u"Unknown option: \"", u"/q", u"\"\r\n")), 1,
                   L"Unknown option: \"/Q\"\r\n", L""},
        ReportCase{"omit help ends with 0", HelpRequest(HelpTopic::Omit, 0), 0, L"", HelpTextOmit},
        ReportCase{"time help ends with 1", HelpRequest(HelpTopic::Times, 1), 1, L"", HelpTextTimes},
        ReportCase{"hash help", HelpRequest(HelpTopic::Hashes, 0), 0, L"", HelpTextHashes},
        ReportCase{"no-features help", HelpRequest(HelpTopic::NoFeatures, 0), 0, L"", HelpTextNoFeatures},
        ReportCase{"usage", HelpRequest(HelpTopic::Usage, 0), 0, L"", HelpText}));

TEST(ReportArgument, UsageWithVersionAddsTheVersionLines) {
    Capture capture;
    EXPECT_EQ(ReportArgumentError(HelpRequest(HelpTopic::UsageWithVersion, 0)), 0);
    const std::wstring out = capture.out();
    ASSERT_GT(out.size(), std::wstring(HelpText).size());
    EXPECT_EQ(out.substr(0, std::wstring(HelpText).size()), HelpText);
    EXPECT_NE(out.find(L"\t\t\t\tScrutel  "), std::wstring::npos);
}

// /C? names exactly the kinds the table lists for it, each once, as a cell of its own.
TEST(HelpTexts, HashHelpNamesTheKindsListedForIt) {
    const std::wstring help = HelpTextHashes;
    for (const HashKindRow& kind : HashKinds) {
        const std::wstring name(kind.name.begin(), kind.name.end());
        size_t cells = 0;
        for (size_t at = help.find(L"\t" + name); at != std::wstring::npos;
             at = help.find(L"\t" + name, at + 1)) {
            wchar_t after = at + 1 + name.size() < help.size() ? help[at + 1 + name.size()] : L'\0';
            if (after == L'\t' || after == L'\n') ++cells;
        }
        EXPECT_EQ(cells, kind.inHelp ? 1u : 0u) << Utf8FromU16(kind.name);
    }
}

// /O? has one line per letter of the table, with the letter and its text, and no other line.
TEST(HelpTexts, OmitHelpHasALinePerLetter) {
    const std::wstring help = HelpTextOmit;
    size_t lines = 0;
    for (wchar_t c : help)
        if (c == L'\n') ++lines;
    EXPECT_EQ(lines, 2 + std::size(OmitLetterRows));
    for (const OmitLetterRow& row : OmitLetterRows) {
        std::wstring line = L"\n\t";
        line += static_cast<wchar_t>(row.letter);
        line += L'\t';
        line += row.help;
        line += L'\n';
        EXPECT_NE(help.find(line), std::wstring::npos) << static_cast<char>(row.letter);
    }
}

TEST(ReportArgument, OverflowInsideABatchFileCarriesItsPosition) {
    command_tests::BatchReset reset;
    HostSetBatch(L"C:\\jobs\\long.btm", 41);
    auto table = std::make_unique<ArgTable>();
    ParseStatus status = SplitArguments(std::u16string(9000, u'q').c_str(), *table);
    ASSERT_TRUE(status);
    Capture capture;
    EXPECT_EQ(ReportArgumentError(*status), 1);
    EXPECT_EQ(capture.err(),
              L"Scrutel plugin: C:\\jobs\\long.btm [41]  Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n");
}

TEST(SystemUpperCase, UpperCasesEveryLetter) {
    EXPECT_EQ(SystemUpperCase(u"/c:md5,sha-256"), u"/C:MD5,SHA-256");
    EXPECT_EQ(SystemUpperCase(u"\u00e9t\u00e9"), u"\u00c9T\u00c9");
    EXPECT_EQ(SystemUpperCase(u""), u"");
}

} // namespace
