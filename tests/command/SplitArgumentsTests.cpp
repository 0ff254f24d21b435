// Splitting the argument text: quotes, blanks, exclusion and other ranges, URLs, switches
// written together, trailing blanks, and the table's limits.
#include "command/SplitArguments.h"

#include "command/CommandTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;

namespace {

std::vector<std::wstring> Split(const std::wstring& text, int* count = nullptr) {
    int n = SplitArguments(text.c_str());
    if (count) *count = n;
    std::vector<std::wstring> args;
    for (int k = 0; k < g_argTable.argCount; ++k) {
        std::wstring arg(g_argTable.argPointers[k]);
        EXPECT_EQ(static_cast<size_t>(g_argTable.argLengths[k]), arg.size()) << "argument " << k;
        args.push_back(arg);
    }
    return args;
}

struct SplitCase {
    const char* label;
    std::wstring text;
    std::vector<std::wstring> expected;
};

class SplitRules : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitRules, GivesTheExpectedArguments) {
    const SplitCase& c = GetParam();
    int count = -2;
    std::vector<std::wstring> args = Split(c.text, &count);
    EXPECT_EQ(args, c.expected) << c.label;
    EXPECT_EQ(count, static_cast<int>(c.expected.size())) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitRules,
    ::testing::Values(
        SplitCase{"empty text", L"", {}}, SplitCase{"only blanks", L"  \t ", {}},
        SplitCase{"blanks separate", L"a b  c", {L"a", L"b", L"c"}},
        SplitCase{"tabs and line ends separate", L"a\tb\r\nc", {L"a", L"b", L"c"}},
        SplitCase{"leading blanks skipped", L"   x", {L"x"}},
        SplitCase{"quoted name keeps its blank", L"\"My File.txt\"", {L"My File.txt"}},
        SplitCase{"quotes inside an argument are dropped", L"a\"b c\"d", {L"ab cd"}},
        SplitCase{"blank inside quotes can start an argument", L"\" lead\"", {L" lead"}},
        SplitCase{"trailing blank inside quotes is stripped", L"\"trail  \" x", {L"trail", L"x"}},
        SplitCase{"quoted blanks only become an empty argument", L"\"   \" y", {L"", L"y"}},
        SplitCase{"empty quotes make no argument", L"\"\" z", {L"z"}},
        SplitCase{"switches written together", L"/S/P", {L"/S", L"/P"}},
        SplitCase{"switches with values written together", L"/S:2/P:5,20", {L"/S:2", L"/P:5,20"}},
        SplitCase{"three switches", L"/x/y/z", {L"/x", L"/y", L"/z"}},
        SplitCase{"double slash stays whole", L"//x", {L"//x"}}, SplitCase{"lone slash", L"/", {L"/"}},
        SplitCase{"slash inside a name", L"a/b", {L"a/b"}},
        SplitCase{"quoted switches stay together", L"\"/S/P\"", {L"/S/P"}},
        SplitCase{"URL keeps its slashes", L"/Uhttp://host/a/b", {L"/Uhttp://host/a/b"}},
        SplitCase{"colon after a digit is no URL", L"/1://x/y", {L"/1:", L"//x", L"/y"}},
        SplitCase{"exclusion range keeps blanks", L"/[!*.bak *.tmp] c", {L"/[!*.bak *.tmp]", L"c"}},
        SplitCase{"exclusion range keeps quotes", L"/[!\"x y\" z] w", {L"/[!\"x y\" z]", L"w"}},
        SplitCase{"blank ends other ranges", L"/[s1 2]", {L"/[s1", L"2]"}},
        SplitCase{"date range keeps its slashes", L"/[d3/4/24]", {L"/[d3/4/24]"}},
        SplitCase{
            "negated date range keeps its slashes", L"/![d2024/4/3,2024/5/1]", {L"/![d2024/4/3,2024/5/1]"}},
        SplitCase{"switch after a closed range splits", L"/[d3/4/24]/S", {L"/[d3/4/24]", L"/S"}},
        SplitCase{"trailing blanks", L"a   ", {L"a"}},
        SplitCase{"trailing blanks inside an exclusion range", L"/[!a   ", {L"/[!a"}}));

TEST(SplitArguments, ArgumentsFollowEachOtherWithTheirTerminators) {
    Split(L"ab  cd e");
    ASSERT_EQ(g_argTable.argCount, 3);
    EXPECT_EQ(g_argTable.argPointers[0] - g_argTable.argText, 0);
    EXPECT_EQ(g_argTable.argPointers[1] - g_argTable.argText, 3);
    EXPECT_EQ(g_argTable.argPointers[2] - g_argTable.argText, 6);
    EXPECT_EQ(g_argTable.argText[2], L'\0');
    EXPECT_EQ(g_argTable.argText[5], L'\0');
}

TEST(SplitArguments, NewCallForgetsTheEarlierArguments) {
    Split(L"one two three");
    std::vector<std::wstring> args = Split(L"x");
    EXPECT_EQ(args, std::vector<std::wstring>{L"x"});
    EXPECT_EQ(g_argTable.argPointers[1], nullptr);
    EXPECT_EQ(g_argTable.argText[2], L'\0');
}

// Regression: arguments after the 1024th used to be dropped without a word, so a command could
// succeed while ignoring file specifications it was given.
TEST(SplitArguments, ArgumentBeyond1024IsRefusedWithAMessage) {
    std::wstring text;
    for (int k = 1; k <= 1024; ++k)
        text += std::to_wstring(k) + L" ";
    Capture capture;
    int count = -2;
    std::vector<std::wstring> args = Split(text, &count);
    EXPECT_EQ(count, 1024);
    ASSERT_EQ(args.size(), 1024u);
    EXPECT_EQ(args.back(), L"1024");
    EXPECT_EQ(capture.err(), L"");

    Capture second;
    Split(text + L"1025", &count);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(second.err(), L"Scrutel plugin: Too many arguments: MAX_ARGS = 1024\r\n");
}

TEST(SplitArguments, ArgumentOf8191CharactersFits) {
    Capture capture;
    int count = -2;
    std::vector<std::wstring> args = Split(std::wstring(8191, L'a'), &count);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(args.size(), 1u);
    EXPECT_EQ(args[0].size(), 8191u);
    EXPECT_EQ(capture.err(), L"");
}

TEST(SplitArguments, ArgumentOf8192CharactersOverflows) {
    command_tests::BatchReset reset;
    HostSetBatch(nullptr, 0);
    Capture capture;
    EXPECT_EQ(SplitArguments(std::wstring(8192, L'a').c_str()), -1);
    EXPECT_EQ(capture.err(), L"Scrutel plugin: Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n");
    EXPECT_EQ(capture.out(), L"");
}

TEST(SplitArguments, TerminatorsCountTowardsTheLimit) {
    // 4000 characters, their 0, then 4190 characters end at position 8190: the last that fits.
    std::wstring fits = std::wstring(4000, L'a') + L" " + std::wstring(4190, L'b');
    Capture capture;
    EXPECT_EQ(SplitArguments(fits.c_str()), 2);
    EXPECT_EQ(SplitArguments((fits + L"b").c_str()), -1);
    EXPECT_EQ(capture.err(), L"Scrutel plugin: Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n");
}

TEST(SplitArguments, OverflowInsideABatchFileCarriesItsPosition) {
    command_tests::BatchReset reset;
    HostSetBatch(L"C:\\jobs\\long.btm", 41);
    Capture capture;
    EXPECT_EQ(SplitArguments(std::wstring(9000, L'q').c_str()), -1);
    EXPECT_EQ(capture.err(),
              L"Scrutel plugin: C:\\jobs\\long.btm [41]  Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n");
}

TEST(SplitArguments, NullTextGivesNoArguments) {
    EXPECT_EQ(SplitArguments(nullptr), 0);
}

} // namespace
