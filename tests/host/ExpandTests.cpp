// ExpandVariables of the stand-in host: environment and internal variables, %[name], %%, the
// functions @comma and @descript, a plugin's exported variable functions, nesting, and the
// failures (unknown functions, unbalanced brackets, overflow) that leave the buffer intact.
#include "HostTesting.h"
#include "gateway/HostExports.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using testing_support::Capture;
using testing_support::TempTree;

namespace {

struct Expansion {
    int result;
    std::wstring text;
    std::wstring err;
};

Expansion Expand(const std::wstring& input) {
    std::vector<wchar_t> buffer(8192, 0);
    wmemcpy(buffer.data(), input.data(), input.size() < 8191 ? input.size() : 8191);
    Capture capture;
    int rc = ExpandVariables(buffer.data(), 1);
    return {rc, std::wstring(buffer.data(), wcsnlen(buffer.data(), 8192)), capture.err()};
}

struct ExpandCase {
    const char* label;
    std::wstring input;
    std::wstring expected; // the buffer afterwards
    int result;
    std::wstring err;
};

void RunCases(const std::vector<ExpandCase>& cases) {
    for (const ExpandCase& c : cases) {
        SCOPED_TRACE(c.label);
        Expansion e = Expand(c.input);
        EXPECT_EQ(e.result, c.result);
        EXPECT_EQ(e.text, c.expected);
        EXPECT_EQ(e.err, c.err);
    }
}

class HostExpand : public testing::Test {
  protected:
    void SetUp() override {
        SetEnvironmentVariableW(L"HT_FRUIT", L"apple");
        SetEnvironmentVariableW(L"HT_NUMBER", L"9876543.21");
        SetEnvironmentVariableW(L"HT_PCT", L"50%HT_FRUIT");
        SetEnvironmentVariableW(L"HT_SELF", L"HT_SELF");
        SetEnvironmentVariableW(L"HT_UNDEFINED", nullptr);
        HostSetShellFlags(1, 0);
        HostSetBatch(nullptr, 0);
    }
    void TearDown() override {
        HostSetShellFlags(0, 0);
        HostSetBatch(nullptr, 0);
    }
};

TEST_F(HostExpand, VariablesTable) {
    RunCases({
        {"plain text unchanged", L"no variables here", L"no variables here", 0, L""},
        {"empty text", L"", L"", 0, L""},
        {"environment variable", L"%HT_FRUIT", L"apple", 0, L""},
        {"name ends at a bracket", L"[%HT_FRUIT]", L"[apple]", 0, L""},
        {"name ends at a dot", L"%HT_FRUIT.txt", L"apple.txt", 0, L""},
        {"two in a row", L"%HT_FRUIT%HT_FRUIT", L"appleapple", 0, L""},
        {"name in any letter case", L"%ht_fruit", L"apple", 0, L""},
        {"bracketed name", L"%[HT_FRUIT]s", L"apples", 0, L""},
        {"undefined variable is empty", L"a%HT_UNDEFINED-b", L"a-b", 0, L""},
        {"undefined bracketed variable is empty", L"<%[HT_UNDEFINED]>", L"<>", 0, L""},
        {"empty brackets", L"<%[]>", L"<>", 0, L""},
        {"double percent", L"100%%", L"100%", 0, L""},
        {"double percent before a name", L"%%HT_FRUIT", L"%HT_FRUIT", 0, L""},
        {"double percent before a function", L"%%@comma[1000]", L"%@comma[1000]", 0, L""},
        {"lone percent at the end", L"50%", L"50%", 0, L""},
        {"percent before a blank", L"% x", L"% x", 0, L""},
        {"percent before punctuation", L"%.txt%-", L"%.txt%-", 0, L""},
        {"values are not expanded again", L"%HT_PCT", L"50%HT_FRUIT", 0, L""},
        {"bracketed name is expanded first", L"%[%HT_SELF]", L"HT_SELF", 0, L""},
        {"closing brackets alone are text", L"]]%HT_FRUIT]", L"]]apple]", 0, L""},
    });
}

TEST_F(HostExpand, InternalVariablesTable) {
    HostSetShellFlags(1, 0);
    RunCases({
        {"transient and pipe", L"%_transient%_pipe", L"10", 0, L""},
        {"bracketed, as the plugin asks", L"%[_transient]%[_pipe]%[HT_UNDEFINED]", L"10", 0, L""},
        {"any letter case", L"%[_TRANSIENT]", L"1", 0, L""},
        {"no batch file", L"%_batch", L"0", 0, L""},
        {"no batch file: name empty, line 0", L"<%_batchname|%_batchline>", L"<|0>", 0, L""},
    });
    HostSetShellFlags(0, 1);
    RunCases({{"pipe shell", L"%[_transient]%[_pipe]", L"01", 0, L""}});
    HostSetBatch(L"C:\\Batch Files\\run 100%.btm", 12);
    RunCases({
        {"inside a batch file", L"%_batch", L"1", 0, L""},
        {"batch name with a percent sign unchanged", L"%_batchname [%_batchline]  ",
         L"C:\\Batch Files\\run 100%.btm [12]  ", 0, L""},
    });
}

TEST_F(HostExpand, CommaTable) {
    RunCases({
        {"below a thousand", L"%@comma[123]", L"123", 0, L""},
        {"one thousand", L"%@comma[1000]", L"1,000", 0, L""},
        {"millions", L"%@comma[1234567]", L"1,234,567", 0, L""},
        {"zero", L"%@comma[0]", L"0", 0, L""},
        {"largest 64-bit value", L"%@comma[18446744073709551615]", L"18,446,744,073,709,551,615", 0, L""},
        {"decimals kept", L"%@comma[1234567.891]", L"1,234,567.891", 0, L""},
        {"negative with decimals", L"%@comma[-1234.5]", L"-1,234.5", 0, L""},
        {"only decimals", L"%@comma[0.25]", L"0.25", 0, L""},
        {"blanks around the number", L"%@comma[ 12345 ]", L"12,345", 0, L""},
        {"function name in any case", L"%@COMMA[1000]", L"1,000", 0, L""},
        {"argument from a variable", L"%@comma[%HT_NUMBER]", L"9,876,543.21", 0, L""},
        {"text around the function", L"size %@comma[65536] bytes", L"size 65,536 bytes", 0, L""},
        {"nested", L"%@comma[%@comma[123]]", L"123", 0, L""},
        {"not a number", L"a %@comma[abc] b", L"a %@comma[abc] b", 1, L"Not a number in @comma: \"abc\"\r\n"},
        {"empty argument", L"%@comma[]", L"%@comma[]", 1, L"Not a number in @comma: \"\"\r\n"},
        {"grouped already", L"%@comma[1,234]", L"%@comma[1,234]", 1,
         L"Not a number in @comma: \"1,234\"\r\n"},
    });
}

TEST_F(HostExpand, FunctionSyntaxTable) {
    RunCases({
        {"unknown function", L"x %@nosuch[1] y", L"x %@nosuch[1] y", 1, L"Unknown function \"@nosuch\"\r\n"},
        {"unknown function inside a known one", L"%@comma[%@nosuch[1]]", L"%@comma[%@nosuch[1]]", 1,
         L"Unknown function \"@nosuch\"\r\n"},
        {"function name without brackets stays", L"%@comma and more", L"%@comma and more", 0, L""},
        {"at sign without a name stays", L"%@[x] %@", L"%@[x] %@", 0, L""},
        {"unbalanced function bracket", L"%@comma[12", L"%@comma[12", 1,
         L"Missing \"]\" in \"%@comma[12\"\r\n"},
        {"unbalanced nested bracket", L"%@comma[[1]", L"%@comma[[1]", 1,
         L"Missing \"]\" in \"%@comma[[1]\"\r\n"},
        {"unbalanced variable bracket", L"a %[HT_FRUIT", L"a %[HT_FRUIT", 1,
         L"Missing \"]\" in \"%[HT_FRUIT\"\r\n"},
        {"extra closing bracket is text", L"%@comma[1]]", L"1]", 0, L""},
    });
}

TEST_F(HostExpand, DeepNesting) {
    std::wstring comma50, variable50;
    for (int k = 0; k < 50; ++k)
        comma50 += L"%@comma[";
    comma50 += L"12" + std::wstring(50, L']');
    for (int k = 0; k < 50; ++k)
        variable50 += L"%[";
    variable50 += L"HT_SELF" + std::wstring(50, L']');
    std::wstring comma200;
    for (int k = 0; k < 200; ++k)
        comma200 += L"%@comma[";
    comma200 += L"1" + std::wstring(200, L']');
    RunCases({
        {"functions 50 deep", comma50, L"12", 0, L""},
        {"variable names 50 deep", variable50, L"HT_SELF", 0, L""},
        {"functions 200 deep are refused", comma200, comma200, 1,
         L"Variable functions nested more than 128 deep\r\n"},
    });
}

TEST_F(HostExpand, OverflowLeavesTheBufferTerminated) {
    SetEnvironmentVariableW(L"HT_WIDE", std::wstring(40, L'w').c_str());
    // 8191 characters: "%HT_WIDE " repeated (each grows from 9 to 41 characters), then padding.
    std::wstring grows;
    while (grows.size() + 9 <= 8191)
        grows += L"%HT_WIDE ";
    grows += std::wstring(8191 - grows.size(), L'.');
    ASSERT_EQ(grows.size(), 8191u);
    // Exactly 8191 characters after expansion fits.
    std::wstring fits = L"%HT_WIDE." + std::wstring(8191 - 41, L'f');
    std::wstring tooLong = L"%HT_WIDE." + std::wstring(8191 - 40, L'f');
    RunCases({
        {"8191 characters that grow", grows, grows, 1,
         L"The expanded text is longer than 8191 characters\r\n"},
        {"result of exactly 8191 characters", fits, std::wstring(40, L'w') + L"." + std::wstring(8150, L'f'),
         0, L""},
        {"result of 8192 characters", tooLong, tooLong, 1,
         L"The expanded text is longer than 8191 characters\r\n"},
    });

    // A buffer without a terminator within 8192 characters is cut and refused.
    std::vector<wchar_t> full(8192, L'z');
    Capture capture;
    EXPECT_EQ(ExpandVariables(full.data(), 1), 1);
    EXPECT_EQ(full[8191], L'\0');
    EXPECT_EQ(wcslen(full.data()), 8191u);
    EXPECT_EQ(capture.err(), L"The text to expand is longer than 8191 characters\r\n");
    EXPECT_EQ(ExpandVariables(nullptr, 1), 1);
    SetEnvironmentVariableW(L"HT_WIDE", nullptr);
}

TEST_F(HostExpand, DescriptTable) {
    TempTree tree;
    tree.file(L"notes\\DESCRIPT.ION", "readme.txt Read me first\r\n"
                                      "\"with blanks.txt\" A file whose name holds blanks\r\n"
                                      "Mixed.TXT Case test\r\n"
                                      "odd]name.txt Bracket name\r\n"
                                      "tabbed.txt\tTabbed description\r\n"
                                      "caf\xC3\xA9.txt Caf\xC3\xA9 \xE2\x80\x94 note\r\n"
                                      "extra.txt Short\x04"
                                      "other program's data\r\n"
                                      "readme.txt A second line for the same name\r\n"
                                      "unix.txt Line ends without carriage return\n"
                                      "last.txt No line end");
    tree.file(L"plain\\file.txt", "x");
    tree.file(L"ansi\\DESCRIPT.ION", "caf\xE9.txt Caf\xE9 in the ANSI code page\r\n");
    tree.file(L"utf16\\DESCRIPT.ION", std::string("\xFF\xFE"
                                                  "a\0.\0t\0x\0t\0 \0\x14 ",
                                                  16));
    const std::wstring dir = tree.path(L"notes") + L"\\";
    RunCases({
        {"plain name", L"%@descript[" + dir + L"readme.txt]", L"Read me first", 0, L""},
        {"quoted argument", L"%@descript[\"" + dir + L"readme.txt\"]", L"Read me first", 0, L""},
        {"name with blanks quoted in the index", L"%@descript[\"" + dir + L"with blanks.txt\"]",
         L"A file whose name holds blanks", 0, L""},
        {"first word of a quoted name is not a name", L"%@descript[" + dir + L"with]", L"", 0, L""},
        {"names compared without case", L"%@descript[" + dir + L"MIXED.txt]", L"Case test", 0, L""},
        {"bracket inside a quoted name", L"%@descript[\"" + dir + L"odd]name.txt\"]", L"Bracket name", 0,
         L""},
        {"tab after the name", L"%@descript[" + dir + L"tabbed.txt]", L"Tabbed description", 0, L""},
        {"UTF-8 index", L"%@descript[" + dir + L"caf\u00E9.txt]", L"Caf\u00E9 \u2014 note", 0, L""},
        {"Ctrl-D ends the description", L"%@descript[" + dir + L"extra.txt]", L"Short", 0, L""},
        {"line feed only", L"%@descript[" + dir + L"unix.txt]", L"Line ends without carriage return", 0, L""},
        {"last line without line end", L"%@descript[" + dir + L"last.txt]", L"No line end", 0, L""},
        {"no entry", L"<%@descript[" + dir + L"other.txt]>", L"<>", 0, L""},
        {"folder without an index", L"<%@descript[" + tree.path(L"plain\\file.txt") + L"]>", L"<>", 0, L""},
        {"ANSI index", L"%@descript[" + tree.path(L"ansi\\caf\u00E9.txt") + L"]",
         L"Caf\u00E9 in the ANSI code page", 0, L""},
        {"UTF-16 index", L"%@descript[" + tree.path(L"utf16\\a.txt") + L"]", L"\u2014", 0, L""},
        {"empty argument", L"<%@descript[]>", L"<>", 0, L""},
        {"host expression of the description section",
         L"%@descript[\"" + dir + L"readme.txt\"] and %@descript[" + dir + L"extra.txt]",
         L"Read me first and Short", 0, L""},
    });
}

TEST_F(HostExpand, DescriptOfARelativeName) {
    TempTree tree;
    tree.file(L"DESCRIPT.ION", "here.txt Relative\r\n");
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(tree.root().c_str()));
    Expansion e = Expand(L"%@descript[here.txt]");
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(e.result, 0);
    EXPECT_EQ(e.text, L"Relative");
}

TEST_F(HostExpand, DescriptFollowsTheIndexAsItComesGoesAndChanges) {
    TempTree tree;
    std::wstring dir = tree.dir(L"folder") + L"\\";
    std::wstring query = L"%@descript[" + dir + L"a.txt]";
    tree.file(L"folder\\a.txt", "a");
    EXPECT_EQ(Expand(query).text, L"");
    // An index in lower case is found, and later changes to it are seen.
    tree.file(L"folder\\descript.ion", "a.txt First\r\n");
    EXPECT_EQ(Expand(query).text, L"First");
    tree.file(L"folder\\descript.ion", "a.txt Second\r\n");
    EXPECT_EQ(Expand(query).text, L"Second");
    ASSERT_TRUE(DeleteFileW((dir + L"descript.ion").c_str()));
    EXPECT_EQ(Expand(query).text, L"");
    tree.file(L"folder\\DESCRIPT.ION", "a.txt Third\r\n");
    EXPECT_EQ(Expand(query).text, L"Third");
}

// The plugin's own variable functions, found from its exports.
class HostPluginFunctions : public HostExpand {
  protected:
    static void SetUpTestSuite() {
        probe = LoadLibraryW((testing_support::BuildDir() + L"\\hostprobe.dll").c_str());
        if (probe) HostRegisterPlugin(probe);
    }
    static void TearDownTestSuite() {
        if (!probe) return;
        HostUnregisterPlugin(probe);
        FreeLibrary(probe);
        probe = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(probe, nullptr) << "hostprobe.dll not found beside the test program";
        HostExpand::SetUp();
    }
    static HMODULE probe;
};
HMODULE HostPluginFunctions::probe = nullptr;

TEST_F(HostPluginFunctions, Table) {
    RunCases({
        {"function", L"%@twice[ab]", L"abab", 0, L""},
        {"function name in any case", L"%@TWICE[ab]", L"abab", 0, L""},
        {"arguments expanded first", L"%@twice[%HT_FRUIT]", L"appleapple", 0, L""},
        {"nested", L"%@twice[%@twice[ab]-]", L"abab-abab-", 0, L""},
        {"host function inside", L"%@twice[%@comma[1000]]", L"1,0001,000", 0, L""},
        {"internal variable", L"%_answer", L"42", 0, L""},
        {"internal variable bracketed, any case", L"[%[_ANSWER]]", L"[42]", 0, L""},
        {"failing function", L"a %@fail[x] b", L"a %@fail[x] b", 1,
         L"Variable function \"@fail\" failed (5)\r\n"},
        {"result of 8191 characters", L"%@long[]", std::wstring(8191, L'x'), 0, L""},
        {"result that overflows", L"a%@long[]", L"a%@long[]", 1,
         L"The expanded text is longer than 8191 characters\r\n"},
        {"function result too long for the plugin", L"%@twice[" + std::wstring(5000, L'y') + L"]",
         L"%@twice[" + std::wstring(5000, L'y') + L"]", 1, L"Variable function \"@twice\" failed (2)\r\n"},
        {"unterminated result refused", L"%@unterminated[]", L"%@unterminated[]", 1,
         L"Variable function \"@unterminated\" left its result unterminated\r\n"},
        {"undecorated exports are not functions", L"%@probe[x]", L"%@probe[x]", 1,
         L"Unknown function \"@probe\"\r\n"},
    });
}

TEST(HostPluginRegistration, UnregisteredPluginsGiveNoFunctions) {
    Expansion e = Expand(L"%@twice[ab]%_answer");
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.err, L"Unknown function \"@twice\"\r\n");
    HostRegisterPlugin(nullptr); // ignored
    HMODULE self = GetModuleHandleW(nullptr);
    HostRegisterPlugin(self); // a module without variable functions adds none
    EXPECT_EQ(Expand(L"<%_answer>").text, L"<>");
    HostUnregisterPlugin(self);
}

} // namespace
