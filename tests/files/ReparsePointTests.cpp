// Tests of the reparse-point reader's Win32 side: relative targets made full paths, and the
// read on ordinary, missing and linked files.
#include "support/TestSupport.h"
#include "files/ReparsePoint.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::TempTree;

TEST(ResolveRelativeTargetTest, Directories) {
    wchar_t out[300];
    ASSERT_EQ(ResolveRelativeTarget(L"C:\\a\\b\\link", L"..\\c", out, 300), 0);
    EXPECT_STREQ(out, L"C:\\a\\b\\..\\c");
    ASSERT_EQ(ResolveRelativeTarget(L"C:/a/b/link", L"c", out, 300), 0);
    EXPECT_STREQ(out, L"C:\\a\\b\\c");

    TempTree tree;
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(tree.root().c_str()));
    int rc = ResolveRelativeTarget(L"link", L"target.txt", out, 300);
    std::wstring got = out;
    SetCurrentDirectoryW(saved);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(got, tree.root() + L"\\target.txt");

    // "C:\a\b\" plus "..\c" is 11 characters: 12 fit with the terminator, 11 do not.
    wchar_t small[16];
    wcscpy(small, L"kept");
    EXPECT_EQ(ResolveRelativeTarget(L"C:\\a\\b\\link", L"..\\c", small, 11), ReparseTooLong);
    EXPECT_STREQ(small, L"kept");
    EXPECT_EQ(ResolveRelativeTarget(L"C:\\a\\b\\link", L"..\\c", small, 12), 0);
    EXPECT_STREQ(small, L"C:\\a\\b\\..\\c");
}

TEST(ReadReparseTargetTest, OrdinaryAndMissingFiles) {
    TempTree tree;
    std::wstring file = tree.file(L"plain.txt", std::string("text"));
    std::wstring folder = tree.dir(L"folder");
    wchar_t out[300];
    uint32_t tag = 99;
    struct Row {
        const char* label;
        std::wstring path;
        int result;
    } rows[] = {
        {"ordinary file", file, ERROR_NOT_A_REPARSE_POINT},
        {"ordinary folder", folder, ERROR_NOT_A_REPARSE_POINT},
        {"missing file", tree.path(L"missing.txt"), ERROR_FILE_NOT_FOUND},
        {"missing folder", tree.path(L"nothere\\link"), ERROR_PATH_NOT_FOUND},
    };
    for (const Row& row : rows) {
        wcscpy(out, L"untouched");
        tag = 99;
        EXPECT_EQ(ReadReparseTarget(row.path.c_str(), out, 300, &tag), row.result) << row.label;
        EXPECT_STREQ(out, L"untouched") << row.label;
        EXPECT_EQ(tag, 0u) << row.label;
    }
    EXPECT_EQ(ReadReparseTarget(nullptr, out, 300, nullptr), -1);
    EXPECT_EQ(ReadReparseTarget(L"", out, 300, nullptr), -1);
    EXPECT_EQ(ReadReparseTarget(file.c_str(), nullptr, 300, nullptr), -1);
    EXPECT_EQ(ReadReparseTarget(file.c_str(), out, 259, nullptr), -1);
    EXPECT_EQ(ReadReparseTarget(file.c_str(), out, 260, nullptr), ERROR_NOT_A_REPARSE_POINT);
}

TEST(ReadReparseTargetTest, SymbolicLinkEndToEnd) {
    TempTree tree;
    std::wstring target = tree.file(L"target.txt", std::string("x"));
    std::wstring link = tree.path(L"link.txt");
    if (!CreateSymbolicLinkW(link.c_str(), target.c_str(), 0))
        GTEST_SKIP() << "symbolic links cannot be created here (error " << GetLastError() << ")";
    DWORD attributes = GetFileAttributesW(link.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "CreateSymbolicLinkW reported success but left no reparse point (attributes 0x"
                     << std::hex << attributes
                     << "); the interpretation is covered by InterpretReparseDataTest";
    wchar_t out[300] = L"";
    uint32_t tag = 0;
    int rc = ReadReparseTarget(link.c_str(), out, 300, &tag);
    if (rc == ERROR_NOT_A_REPARSE_POINT)
        GTEST_SKIP() << "this system does not return reparse data (FSCTL_GET_REPARSE_POINT); "
                        "the interpretation is covered by InterpretReparseDataTest";
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(tag, ReparseTagSymlink);
    EXPECT_EQ(std::wstring(out), target);
}
