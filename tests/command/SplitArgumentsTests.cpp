// Splitting the argument text: quotes, blanks, exclusion and other ranges, URLs, switches
// written together, trailing blanks, and the table's limits.
#include "command/SplitArguments.h"

#include "command/ArgumentErrorText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace scrutel;
using command_tests::ErrorText;

namespace {

// One table for the tests, as the driver has one per command; every split refills it.
ArgTable& Table() {
    static const std::unique_ptr<ArgTable> table = std::make_unique<ArgTable>();
    return *table;
}

// The arguments of text; count: their number, or -1 when the text overflows the table; error:
// the text of the overflow message.
std::vector<U16String> Split(const U16String& text, int* count = nullptr, U16String* error = nullptr) {
    ParseStatus status = SplitArguments(text.c_str(), Table());
    if (count) *count = status ? -1 : Table().argCount;
    if (error) *error = ErrorText(status);
    std::vector<U16String> args;
    for (int k = 0; k < Table().argCount; ++k) {
        U16String arg(Table().argPointers[k]);
        EXPECT_EQ(static_cast<size_t>(Table().argLengths[k]), arg.size()) << "argument " << k;
        EXPECT_EQ(Table().Argument(k), arg) << "argument " << k;
        args.push_back(arg);
    }
    return args;
}

struct SplitCase {
    const char* label;
    U16String text;
    std::vector<U16String> expected;
};

class SplitRules : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitRules, GivesTheExpectedArguments) {
    const SplitCase& c = GetParam();
    int count = -2;
    std::vector<U16String> args = Split(c.text, &count);
    EXPECT_EQ(args, c.expected) << c.label;
    EXPECT_EQ(count, static_cast<int>(c.expected.size())) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitRules,
    ::testing::Values(
        SplitCase{"empty text", u"", {}}, SplitCase{"only blanks", u"  \t ", {}},
        SplitCase{"blanks separate", u"a b  c", {u"a", u"b", u"c"}},
        SplitCase{"tabs and line ends separate", u"a\tb\r\nc", {u"a", u"b", u"c"}},
        SplitCase{"leading blanks skipped", u"   x", {u"x"}},
        SplitCase{"quoted name keeps its blank", u"\"My File.txt\"", {u"My File.txt"}},
        SplitCase{"quotes inside an argument are dropped", u"a\"b c\"d", {u"ab cd"}},
        SplitCase{"blank inside quotes can start an argument", u"\" lead\"", {u" lead"}},
        SplitCase{"trailing blank inside quotes is stripped", u"\"trail  \" x", {u"trail", u"x"}},
        SplitCase{"quoted blanks only become an empty argument", u"\"   \" y", {u"", u"y"}},
        SplitCase{"empty quotes make no argument", u"\"\" z", {u"z"}},
        SplitCase{"switches written together", u"/S/P", {u"/S", u"/P"}},
        SplitCase{"switches with values written together", u"/S:2/P:5,20", {u"/S:2", u"/P:5,20"}},
        SplitCase{"three switches", u"/x/y/z", {u"/x", u"/y", u"/z"}},
        SplitCase{"double slash stays whole", u"//x", {u"//x"}}, SplitCase{"lone slash", u"/", {u"/"}},
        SplitCase{"slash inside a name", u"a/b", {u"a/b"}},
        SplitCase{"quoted switches stay together", u"\"/S/P\"", {u"/S/P"}},
        SplitCase{"URL keeps its slashes", u"/Uhttp://host/a/b", {u"/Uhttp://host/a/b"}},
        SplitCase{"colon after a digit is no URL", u"/1://x/y", {u"/1:", u"//x", u"/y"}},
        SplitCase{"exclusion range keeps blanks", u"/[!*.bak *.tmp] c", {u"/[!*.bak *.tmp]", u"c"}},
        SplitCase{"exclusion range keeps quotes", u"/[!\"x y\" z] w", {u"/[!\"x y\" z]", u"w"}},
        SplitCase{"blank ends other ranges", u"/[s1 2]", {u"/[s1", u"2]"}},
        SplitCase{"date range keeps its slashes", u"/[d3/4/24]", {u"/[d3/4/24]"}},
        SplitCase{
            "negated date range keeps its slashes", u"/![d2024/4/3,2024/5/1]", {u"/![d2024/4/3,2024/5/1]"}},
        SplitCase{"switch after a closed range splits", u"/[d3/4/24]/S", {u"/[d3/4/24]", u"/S"}},
        SplitCase{"trailing blanks", u"a   ", {u"a"}},
        SplitCase{"trailing blanks inside an exclusion range", u"/[!a   ", {u"/[!a"}}));

TEST(SplitArguments, ArgumentsFollowEachOtherWithTheirTerminators) {
    Split(u"ab  cd e");
    const ArgTable& table = Table();
    ASSERT_EQ(table.argCount, 3);
    EXPECT_EQ(table.argPointers[0] - table.argText, 0);
    EXPECT_EQ(table.argPointers[1] - table.argText, 3);
    EXPECT_EQ(table.argPointers[2] - table.argText, 6);
    EXPECT_EQ(table.argText[2], u'\0');
    EXPECT_EQ(table.argText[5], u'\0');
}

TEST(SplitArguments, NewCallForgetsTheEarlierArguments) {
    Split(u"one two three");
    std::vector<U16String> args = Split(u"x");
    EXPECT_EQ(args, std::vector<U16String>{u"x"});
    EXPECT_EQ(Table().argPointers[1], nullptr);
    EXPECT_EQ(Table().argText[2], u'\0');
}

// Regression: arguments after the 1024th used to be dropped without a word, so a command could
// succeed while ignoring file specifications it was given.
TEST(SplitArguments, ArgumentBeyond1024IsRefusedWithAMessage) {
    U16String text;
    for (int k = 1; k <= 1024; ++k)
        text += U16FromAscii(std::to_string(k)) + u" ";
    int count = -2;
    U16String error = u"unset";
    std::vector<U16String> args = Split(text, &count, &error);
    EXPECT_EQ(count, 1024);
    ASSERT_EQ(args.size(), 1024u);
    EXPECT_EQ(args.back(), u"1024");
    EXPECT_EQ(error, u"");

    Split(text + u"1025", &count, &error);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(error, u"Scrutel plugin: Too many arguments: MAX_ARGS = 1024\r\n");
}

TEST(SplitArguments, ArgumentOf8191CharactersFits) {
    int count = -2;
    U16String error = u"unset";
    std::vector<U16String> args = Split(U16String(8191, u'a'), &count, &error);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(args.size(), 1u);
    EXPECT_EQ(args[0].size(), 8191u);
    EXPECT_EQ(error, u"");
}

TEST(SplitArguments, ArgumentOf8192CharactersOverflows) {
    ParseStatus status = SplitArguments(U16String(8192, u'a').c_str(), Table());
    ASSERT_TRUE(status);
    EXPECT_EQ(status->result, 1);
    EXPECT_EQ(ErrorText(status), u"Scrutel plugin: Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n");
    EXPECT_EQ(status->help, HelpTopic::None); // nothing for standard output
}

TEST(SplitArguments, TerminatorsCountTowardsTheLimit) {
    // 4000 characters, their 0, then 4190 characters end at position 8190: the last that fits.
    U16String fits = U16String(4000, u'a') + u" " + U16String(4190, u'b');
    int count = -2;
    U16String error = u"unset";
    Split(fits, &count, &error);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(error, u"");
    Split(fits + u"b", &count, &error);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(error, u"Scrutel plugin: Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n");
}

TEST(SplitArguments, NullTextGivesNoArguments) {
    Split(u"left over");
    EXPECT_FALSE(SplitArguments(nullptr, Table()));
    EXPECT_EQ(Table().argCount, 0);
}

} // namespace
