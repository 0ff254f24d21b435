// Tests of @RPTARGET: argument clean-up (blanks, quotes, slashes), the error lines on standard
// error, the parent-directory rewrite with its length limit, and the quiet true-name lookup.
#include "output/ErrorReport.h"
#include "support/TestSupport.h"
#include "files/ReparsePoint.h"
#include "varfuncs/VarFunctions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

std::wstring SystemText(uint32_t code) {
    wchar_t text[1024];
    FormatErrorText(code, text);
    return text;
}

std::wstring ResolvingError(const std::wstring& name, uint32_t code) {
    return L"Scrutel plugin: Error resolving \"" + name + L"\" :\r\n    " + SystemText(code) + L"\r\n";
}

struct Call {
    int result;
    std::wstring buffer;
    std::wstring out;
    std::wstring err;
};

Call RpTarget(const std::wstring& argument) {
    std::vector<wchar_t> buffer(HostExpandChars, L'\0');
    std::copy(argument.begin(), argument.end(), buffer.begin());
    Capture capture;
    int rc = f_rptarget(buffer.data());
    return {rc, buffer.data(), capture.out(), capture.err()};
}

std::wstring Upper(std::wstring s) {
    for (wchar_t& c : s)
        c = towupper(c);
    return s;
}

} // namespace

TEST(TrimWhiteSpaceTest, Cases) {
    struct Row {
        const wchar_t* in;
        const wchar_t* out;
    } rows[] = {
        {L"  a b  ", L"a b"}, {L"\t\r\nx\n", L"x"}, {L"   ", L""},
        {L"", L""},           {L"word", L"word"},   {L"\" q \"", L"\" q \""},
    };
    for (const Row& row : rows) {
        wchar_t text[64];
        wcscpy(text, row.in);
        TrimWhiteSpace(text);
        EXPECT_STREQ(text, row.out) << testing_support::ToUtf8(row.in);
    }
    TrimWhiteSpace(nullptr);
}

TEST(RpTargetTest, MissingFilename) {
    const wchar_t* arguments[] = {L"", L"   ", L"\"\"", L"  \"\"  ", L"\t\"\"\"\t"};
    for (const wchar_t* argument : arguments) {
        Call c = RpTarget(argument);
        EXPECT_EQ(c.result, -1) << testing_support::ToUtf8(argument);
        EXPECT_EQ(c.err, L"Scrutel plugin: Missing filename\r\n") << testing_support::ToUtf8(argument);
        EXPECT_EQ(c.out, L"");
    }
    EXPECT_EQ(f_rptarget(nullptr), 1);
}

TEST(RpTargetTest, ErrorLines) {
    TempTree tree;
    std::wstring file = tree.file(L"plain.txt", std::string("text"));
    std::wstring folder = tree.dir(L"folder");
    std::wstring inFolder = tree.file(L"folder\\inner.txt", std::string("x"));
    std::wstring slashed = file;
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    // The directory is written in the wrong case: the true name corrects it, the last
    // component stays as typed.
    std::wstring shouted = tree.root() + L"\\FOLDER\\inner.txt";
    std::wstring override = tree.file(L"rlo\u202Etxt.exe", std::string("x"));
    struct Row {
        const char* label;
        std::wstring argument;
        std::wstring err;
    } rows[] = {
        {"ordinary file", file, ResolvingError(file, ERROR_NOT_A_REPARSE_POINT)},
        {"ordinary folder", folder, ResolvingError(folder, ERROR_NOT_A_REPARSE_POINT)},
        {"quoted with blanks around", L"  \"" + file + L"\"  ",
         ResolvingError(file, ERROR_NOT_A_REPARSE_POINT)},
        {"quotes inside", L"\"" + tree.root() + L"\"\\plain.txt",
         ResolvingError(file, ERROR_NOT_A_REPARSE_POINT)},
        {"forward slashes", slashed, ResolvingError(file, ERROR_NOT_A_REPARSE_POINT)},
        {"directory in the wrong case", shouted, ResolvingError(inFolder, ERROR_NOT_A_REPARSE_POINT)},
        {"last component keeps its case", tree.root() + L"\\PLAIN.TXT",
         ResolvingError(tree.root() + L"\\PLAIN.TXT", ERROR_NOT_A_REPARSE_POINT)},
        {"missing file", tree.path(L"missing.txt"),
         ResolvingError(tree.path(L"missing.txt"), ERROR_FILE_NOT_FOUND)},
        {"missing folder", tree.path(L"nothere\\link"),
         ResolvingError(tree.path(L"nothere\\link"), ERROR_PATH_NOT_FOUND)},
        {"direction override in the name shown by its code", override,
         ResolvingError(tree.path(L"rlo<U+202E>txt.exe"), ERROR_NOT_A_REPARSE_POINT)},
        {"C1 control in a missing name",
         tree.path(L"csi\x9b"
                   L"2J.txt"),
         ResolvingError(tree.path(L"csi<U+009B>2J.txt"), ERROR_FILE_NOT_FOUND)},
    };
    for (const Row& row : rows) {
        Call c = RpTarget(row.argument);
        EXPECT_EQ(c.result, -1) << row.label;
        EXPECT_EQ(c.err, row.err) << row.label;
        EXPECT_EQ(c.out, L"") << row.label;
    }
}

TEST(RpTargetTest, BlankNameInsideQuotes) {
    // Blanks are trimmed before quotes are removed, so quoted blanks stay a (blank) name.
    wchar_t probe[300];
    int code = ReadReparseTarget(L" ", probe, 300, nullptr);
    ASSERT_NE(code, 0);
    Call c = RpTarget(L"\" \"");
    EXPECT_EQ(c.result, -1);
    EXPECT_EQ(c.err, ResolvingError(L" ", static_cast<uint32_t>(code)));
}

TEST(RpTargetTest, RelativeArgumentIsNotRewritten) {
    TempTree tree;
    tree.file(L"rel.txt", std::string("x"));
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(tree.root().c_str()));
    Call c = RpTarget(L"rel.txt");
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(c.result, -1);
    EXPECT_EQ(c.err, ResolvingError(L"rel.txt", ERROR_NOT_A_REPARSE_POINT));
}

TEST(RpTargetTest, UnterminatedHostBufferIsReadWithinItsSize) {
    // A buffer of exactly 8192 characters without a terminator: only 8191 are taken.
    std::vector<wchar_t> buffer(HostExpandChars, L'a');
    Capture capture;
    EXPECT_EQ(f_rptarget(buffer.data()), -1);
    std::wstring err = capture.err();
    EXPECT_NE(err.find(L"\"" + std::wstring(HostExpandChars - 1, L'a') + L"\" :\r\n"), std::wstring::npos);
}

TEST(RpTargetTest, RewriteThatWouldNotFitLeavesTheArgument) {
    // "X:Sub\name" grows by the current directory when its folder is made a true name. With a
    // last component that fills the host's buffer, the grown path would not fit in 8192
    // characters, so the argument is used as written; a short component is rewritten.
    TempTree tree;
    tree.dir(L"Sub");
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(tree.root().c_str()));
    std::wstring drive = tree.root().substr(0, 2);
    std::wstring longWritten = drive + L"Sub\\" + std::wstring(HostExpandChars - 1 - 6, L'n');
    ASSERT_EQ(longWritten.size(), HostExpandChars - 1);
    Call longCall = RpTarget(longWritten);
    Call shortCall = RpTarget(drive + L"Sub\\short");
    SetCurrentDirectoryW(saved);
    std::wstring longHead = L"Scrutel plugin: Error resolving \"" + longWritten + L"\" :\r\n";
    EXPECT_EQ(longCall.result, -1);
    EXPECT_EQ(longCall.err.substr(0, longHead.size()), longHead);
    EXPECT_EQ(shortCall.result, -1);
    EXPECT_EQ(shortCall.err, ResolvingError(tree.root() + L"\\Sub\\short", ERROR_FILE_NOT_FOUND));
}

TEST(RpTargetTest, SymbolicLinkEndToEnd) {
    TempTree tree;
    std::wstring target = tree.file(L"target.txt", std::string("x"));
    std::wstring link = tree.path(L"link.txt");
    DWORD attributes = CreateSymbolicLinkW(link.c_str(), target.c_str(), 0) ? GetFileAttributesW(link.c_str())
                                                                            : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "no symbolic link with reparse data can be made here; the reader's interpretation is "
                        "covered by InterpretReparseDataTest";
    Call c = RpTarget(L" \"" + link + L"\" ");
    if (c.result == -1 && c.err == ResolvingError(link, ERROR_NOT_A_REPARSE_POINT))
        GTEST_SKIP() << "this system does not return reparse data (FSCTL_GET_REPARSE_POINT)";
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.buffer, target);
    EXPECT_EQ(c.err, L"");
}

TEST(ResolveParentDirTest, Cases) {
    TempTree tree;
    tree.dir(L"Sub");
    std::wstring root = tree.root();
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(root.c_str()));
    std::wstring drive = root.substr(0, 2);
    struct Row {
        const char* label;
        std::wstring path;
        int result;
        std::wstring after;
    } rows[] = {
        {"no separator and no colon", L"name", 0, L"name"},
        {"nothing after the separator", root + L"\\Sub\\", 0, root + L"\\Sub\\"},
        {"drive alone", drive + L"name", 0, drive + L"name"},
        {"directory in another case", root + L"\\sub\\Link", 1, root + L"\\Sub\\Link"},
        {"drive letter in lower case", std::wstring(1, towlower(root[0])) + root.substr(1) + L"\\Sub\\x", 1,
         root + L"\\Sub\\x"},
        {"forward slashes", drive + L"/" + root.substr(3) + L"/Sub/x", 1, root + L"\\Sub\\x"},
        {"drive-relative directory", drive + L"Sub\\x", 1, root + L"\\Sub\\x"},
        {"relative directory whose true name ends the same", L"Sub\\x", 0, L"Sub\\x"},
    };
    for (const Row& row : rows) {
        std::vector<wchar_t> buffer(32768, L'\0');
        std::copy(row.path.begin(), row.path.end(), buffer.begin());
        EXPECT_EQ(ResolveParentDir(buffer.data()), row.result) << row.label;
        EXPECT_EQ(std::wstring(buffer.data()), row.after) << row.label;
    }
    EXPECT_EQ(ResolveParentDir(nullptr), -1);
    SetCurrentDirectoryW(saved);
}

TEST(ResolveParentDirTest, ResultMustFitTheBuffer) {
    TempTree tree;
    tree.dir(L"Sub");
    // "X:Sub\x" grows into the full path; it is rewritten only when the result and its
    // terminator fit.
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(tree.root().c_str()));
    std::wstring written = tree.root().substr(0, 2) + L"Sub\\x";
    std::wstring expected = tree.root() + L"\\Sub\\x";
    std::vector<wchar_t> exact(expected.size() + 1, L'\0');
    std::copy(written.begin(), written.end(), exact.begin());
    int fits = ResolveParentDir(exact.data(), exact.size());
    std::wstring afterFit = exact.data();
    std::vector<wchar_t> shorter(expected.size(), L'\0');
    std::copy(written.begin(), written.end(), shorter.begin());
    int tooLong = ResolveParentDir(shorter.data(), shorter.size());
    std::wstring afterShort = shorter.data();
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(fits, 1);
    EXPECT_EQ(afterFit, expected);
    EXPECT_EQ(tooLong, 0);
    EXPECT_EQ(afterShort, written);
}

TEST(TrueNameQuietTest, NamesAndErrorHandleRestored) {
    TempTree tree;
    tree.dir(L"Mixed;Name");
    HANDLE before = GetStdHandle(STD_ERROR_HANDLE);
    std::vector<wchar_t> out(32768, L'x');
    EXPECT_EQ(TrueNameQuiet(Upper(tree.root()).c_str(), out.data()), 0);
    EXPECT_EQ(std::wstring(out.data()), tree.root());
    EXPECT_EQ(GetStdHandle(STD_ERROR_HANDLE), before);
    // ";" reaches the host as "|" and comes back as ";".
    TrueNameQuiet((tree.root() + L"\\mixed;name").c_str(), out.data());
    EXPECT_EQ(std::wstring(out.data()), tree.root() + L"\\mixed;name");
    EXPECT_EQ(TrueNameQuiet(L"", out.data()), 1);
    EXPECT_EQ(out[0], L'\0');
    EXPECT_EQ(TrueNameQuiet(nullptr, out.data()), 1);
    EXPECT_EQ(TrueNameQuiet(L"x", nullptr), 1);
    EXPECT_EQ(GetStdHandle(STD_ERROR_HANDLE), before);
}

TEST(RpTargetTest, AThousandCallsLeaveNoHandleBehindAndStandardErrorAsItWas) {
    testing_support::TempTree tree;
    std::wstring file = tree.file(L"sub\\target.txt", std::string("x"));
    HANDLE errorBefore = GetStdHandle(STD_ERROR_HANDLE);
    // One call first: whatever the first call loads stays loaded and is not a leak.
    RpTarget(file);
    size_t before = testing_support::HandlesOfThisProcess();
    ASSERT_NE(before, 0u) << "no way to count handles here";
    for (int i = 0; i < 1000; ++i)
        RpTarget(file);
    size_t after = testing_support::HandlesOfThisProcess();
    EXPECT_EQ(after, before) << "handles before " << before << ", after " << after;
    EXPECT_EQ(GetStdHandle(STD_ERROR_HANDLE), errorBefore);
}
