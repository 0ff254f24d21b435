// Quote characters and the extension helpers shared by the report sections.
#include "reports/ReportText.h"

#include "core/ScanSettings.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

using namespace scrutel;

namespace {

struct ExtensionCase {
    const char* label;
    const wchar_t* path;
    const wchar_t* extension; // null: no extension
};

class FindExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(FindExtensionTest, LastDotAfterTheLastSeparator) {
    const ExtensionCase& c = GetParam();
    const wchar_t* found = FindExtension(c.path);
    if (!c.extension) {
        EXPECT_EQ(found, nullptr);
    } else {
        ASSERT_NE(found, nullptr);
        EXPECT_STREQ(found, c.extension);
        // The result points into the path itself, at the end of it.
        EXPECT_EQ(found + wcslen(found), c.path + wcslen(c.path));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindExtensionTest,
    ::testing::Values(ExtensionCase{"plain", L"C:\\dir\\file.txt", L".txt"},
                      ExtensionCase{"dot_only_in_directory", L"C:\\dir.d\\file", nullptr},
                      ExtensionCase{"two_dots", L"archive.tar.gz", L".gz"},
                      ExtensionCase{"leading_dot", L".profile", L".profile"},
                      ExtensionCase{"leading_dot_in_directory", L"C:\\home\\.profile", L".profile"},
                      ExtensionCase{"forward_slash", L"a/b.c/d", nullptr},
                      ExtensionCase{"forward_slash_then_dot", L"a/b.c/d.e", L".e"},
                      ExtensionCase{"drive_relative", L"C:file.txt", L".txt"},
                      ExtensionCase{"colon_after_dot", L"file.txt:stream", nullptr},
                      ExtensionCase{"trailing_dot", L"file.", L"."},
                      ExtensionCase{"trailing_separator", L"C:\\dir.d\\", nullptr},
                      ExtensionCase{"long_path_prefix", L"\\\\?\\C:\\x\\y.LNK", L".LNK"},
                      ExtensionCase{"no_dot", L"README", nullptr}, ExtensionCase{"empty", L"", nullptr}),
    [](const ::testing::TestParamInfo<ExtensionCase>& info) { return std::string(info.param.label); });

TEST(FindExtension, NullPathHasNoExtension) {
    EXPECT_EQ(FindExtension(nullptr), nullptr);
}

struct ExeCase {
    const char* label;
    const wchar_t* extension;
    int expected;
};

class ExeLikeExtensionTest : public ::testing::TestWithParam<ExeCase> {};

TEST_P(ExeLikeExtensionTest, OnlyExeScrAndDll) {
    const ExeCase& c = GetParam();
    EXPECT_EQ(ExeLikeExtension(c.extension), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ExeLikeExtensionTest,
                         ::testing::Values(ExeCase{"exe", L".exe", 1}, ExeCase{"exe_upper", L".EXE", 1},
                                           ExeCase{"dll_mixed", L".Dll", 1}, ExeCase{"scr", L".scr", 1},
                                           ExeCase{"com", L".com", 0}, ExeCase{"bat", L".bat", 0},
                                           ExeCase{"no_dot", L"exe", 0}, ExeCase{"longer", L".exe2", 0},
                                           ExeCase{"shorter", L".ex", 0}, ExeCase{"dot_only", L".", 0},
                                           ExeCase{"empty", L"", 0}, ExeCase{"null", nullptr, 0}),
                         [](const ::testing::TestParamInfo<ExeCase>& info) {
                             return std::string(info.param.label);
                         });

TEST(ExeLikeExtension, WorksOnFindExtensionResults) {
    EXPECT_EQ(ExeLikeExtension(FindExtension(L"C:\\Windows\\System32\\KERNEL32.DLL")), 1);
    EXPECT_EQ(ExeLikeExtension(FindExtension(L"C:\\prog.exe.d\\readme")), 0);
}

std::wstring Quoted(QuotePair q, const wchar_t* text) {
    wchar_t buffer[64];
    _snwprintf(buffer, 64, L"%c%s%c", q.open, text, q.close);
    buffer[63] = 0;
    return buffer;
}

TEST(QuotePair, TypographicUnlessUnicodeQuotesAreOmitted) {
    EXPECT_EQ(Quoted(QuotesForMask(0), L"name"), L"\u201Cname\u201D");
    EXPECT_EQ(Quoted(QuotesForMask(OmitUnicodeQuotes), L"name"), L"\"name\"");
}

TEST(QuotePair, OtherOmitBitsDoNotChangeTheQuotes) {
    EXPECT_EQ(Quoted(QuotesForMask(0x3FFFF & ~OmitUnicodeQuotes), L"x"), L"\u201Cx\u201D");
    EXPECT_EQ(Quoted(QuotesForMask(0x3FFFF), L"x"), L"\"x\"");
}

TEST(QuotePair, DriverFlagOneIsTypographic) {
    EXPECT_EQ(Quoted(QuotesForFlag(1), L"v"), L"\u201Cv\u201D");
    EXPECT_EQ(Quoted(QuotesForFlag(0), L"v"), L"\"v\"");
}

TEST(HasVisibleText, BlankValuesCountAsAbsent) {
    EXPECT_FALSE(HasVisibleText(nullptr));
    EXPECT_FALSE(HasVisibleText(L""));
    EXPECT_FALSE(HasVisibleText(L" \t\r\n "));
    EXPECT_TRUE(HasVisibleText(L"  x "));
    EXPECT_TRUE(HasVisibleText(L"\u00E9"));
}

} // namespace
