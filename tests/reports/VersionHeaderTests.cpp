// The version header: its line forms, the legal notice's width, fonts without a version resource,
// files with one, and files with neither.
#include "output/LineOutput.h"
#include "reports/FileProbe.h"
#include "reports/ReportSections.h"
#include "reports/VersionHeader.h"
#include "support/TestSupport.h"

#include "FontBuilder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace scrutel;
using namespace font_builder;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

const std::wstring Open = L"\u201C", Close = L"\u201D", Dash = L" \u2014 ";

struct LinesCase {
    const char* label;
    std::wstring description, version, legal;
    int quoteFlag;
    uint32_t maxWidth;
    int result;
    std::wstring expected;
};

TEST(PrintVersionHeaderLines, LineForms) {
    std::wstring longNotice = L"Copyright (c) 1999-2024 A Company With A Long Name. All rights reserved.";
    ASSERT_EQ(longNotice.size(), 72u);
    const LinesCase cases[] = {
        {"description and version", L"Sample Tool", L"1.2.3", L"", 1, 80, 1,
         L"    " + Open + L"Sample Tool" + Close + Dash + L"1.2.3\r\n\r\n"},
        {"plain quotes", L"Sample Tool", L"1.2.3", L"", 0, 80, 1,
         L"    \"Sample Tool\"" + Dash + L"1.2.3\r\n\r\n"},
        {"description only", L"Sample Tool", L"", L"", 1, 80, 1,
         L"    " + Open + L"Sample Tool" + Close + Dash + L"(no version)\r\n\r\n"},
        {"blank version counts as none", L"Sample Tool", L"  \t", L"", 1, 80, 1,
         L"    " + Open + L"Sample Tool" + Close + Dash + L"(no version)\r\n\r\n"},
        {"version only", L"", L"4.5", L"", 1, 80, 1, L"    (No description)" + Dash + L"4.5\r\n\r\n"},
        {"values printed as stored", L" Padded ", L"1.0 ", L"", 1, 80, 1,
         L"    " + Open + L" Padded " + Close + Dash + L"1.0 \r\n\r\n"},
        {"all three", L"Tool", L"2.0", L"(c) Maker", 1, 80, 2,
         L"    " + Open + L"Tool" + Close + Dash + L"2.0\r\n    (c) Maker\r\n\r\n"},
        {"notice only", L"", L"", L"(c) Maker", 1, 80, 1, L"    (c) Maker\r\n\r\n"},
        {"notice cut to maxWidth - 5", L"", L"", longNotice, 1, 64, 1,
         L"    " + longNotice.substr(0, 58) + L"\u2026\r\n\r\n"},
        {"notice of exactly maxWidth - 5 kept", L"", L"", longNotice, 1, 77, 1,
         L"    " + longNotice + L"\r\n\r\n"},
        {"notice one longer than maxWidth - 5 cut", L"", L"", longNotice, 1, 76, 1,
         L"    " + longNotice.substr(0, 70) + L"\u2026\r\n\r\n"},
        {"maxWidth 0 keeps the notice", L"", L"", longNotice, 1, 0, 1, L"    " + longNotice + L"\r\n\r\n"},
        {"controls in every string named", L"Tool\x1b]0;x\x07", L"1.0\b\b9", L"(c)\r\nMaker\x9b", 1, 80, 2,
         L"    " + Open + L"Tool<U+001B>]0;x<U+0007>" + Close + Dash +
             L"1.0<U+0008><U+0008>9\r\n    (c)<U+000D><U+000A>Maker<U+009B>\r\n\r\n"},
        {"direction characters in every string named", L"\u202Eexe.txt", L"1\u200E", L"\u2066(c)\u2069", 1,
         80, 2,
         L"    " + Open + L"<U+202E>exe.txt" + Close + Dash +
             L"1<U+200E>\r\n    <U+2066>(c)<U+2069>\r\n\r\n"},
        {"escapes count towards the width of the notice", L"", L"", L"ab\x1b" + longNotice, 1, 20, 1,
         L"    ab<U+001B>" + longNotice.substr(0, 4) + L"\u2026\r\n\r\n"},
        {"controls alone are no text", L"\r\n", L"\t", L"\n", 1, 80, 0, L""},
        {"nothing", L"", L"", L"", 1, 80, 0, L""},
        {"only blanks", L" ", L"\t", L"  ", 1, 80, 0, L""},
    };
    for (const auto& c : cases) {
        Capture capture;
        EXPECT_EQ(PrintVersionHeaderLines(c.description.c_str(), c.version.c_str(), c.legal.c_str(),
                                          c.quoteFlag, c.maxWidth),
                  c.result)
            << c.label;
        EXPECT_EQ(capture.out(), c.expected) << c.label;
    }
}

TEST(PrintVersionHeaderLines, InterruptionEndsAfterTheFirstLine) {
    Output().paging.interrupted = 1;
    int result;
    std::wstring out;
    {
        Capture capture;
        result = PrintVersionHeaderLines(L"Tool", L"1.0", L"(c) Maker", 1, 80);
        out = capture.out();
    }
    Output().paging.interrupted = 0;
    EXPECT_EQ(result, ABORTED);
    EXPECT_EQ(out, L"    " + Open + L"Tool" + Close + Dash + L"1.0\r\n");
}

std::wstring RunSection(const std::wstring& path, uint32_t maxWidth, int* result, int quoteFlag = 1) {
    Capture capture;
    FileProbe probe(path.c_str());
    *result = VersionHeaderSection(probe, quoteFlag, maxWidth);
    return capture.out();
}

TEST(VersionHeaderSection, FontWithoutVersionResource) {
    TempTree tree;
    const std::wstring notice = L"Copyright (c) 2021 Sample Foundry. All rights reserved.";
    ASSERT_EQ(notice.size(), 55u);
    std::wstring path =
        tree.file(L"face.ttf",
                  FontWithNames({Win(0, notice), Win(4, L"Sample Sans Condensed Extra Bold Oblique Display"),
                                 Win(5, L"Version 2.035;PS 1.0;hotconv 1.0.88")}));
    const std::wstring first = L"    " + Open + L"Sample Sans Condensed Extra Bold Obliqu\u2026" + Close +
                               Dash + L"2.035;PS 1.0;hotconv 1.0.88\r\n";
    struct Case {
        uint32_t maxWidth;
        std::wstring notice;
    } cases[] = {
        {0, notice},
        {80, notice},
        {60, notice},
        {59, notice.substr(0, 53) + L"\u2026"},
    };
    for (const auto& c : cases) {
        int result = 0;
        EXPECT_EQ(RunSection(path, c.maxWidth, &result), first + L"    " + c.notice + L"\r\n\r\n")
            << c.maxWidth;
        EXPECT_EQ(result, 2) << c.maxWidth;
    }
}

TEST(VersionHeaderSection, FontVersionFromItsFirstDigitCutToThirty) {
    TempTree tree;
    std::wstring path = tree.file(L"v.otf", FontWithNames({Win(5, L"Version 2.035;PS 1.0")}));
    int result = 0;
    EXPECT_EQ(RunSection(path, 80, &result), L"    (No description)" + Dash + L"2.035;PS 1.0\r\n\r\n");
    EXPECT_EQ(result, 1);
    std::wstring longer = tree.file(L"w.ttf", FontWithNames({Win(5, L"v" + std::wstring(35, L'7'))}));
    EXPECT_EQ(RunSection(longer, 80, &result),
              L"    (No description)" + Dash + std::wstring(29, L'7') + L"\u2026\r\n\r\n");
}

TEST(VersionHeaderSection, CollectionUsesTheTypographicFamily) {
    TempTree tree;
    std::vector<std::vector<Table>> fonts = {
        {{Tag("name"), NameTable({Win(1, L"Family"), Win(4, L"Family Regular"), Win(16, L"Typographic")})}},
        {{Tag("name"), NameTable({Win(1, L"Other"), Win(16, L"Other Typo")})}},
    };
    std::wstring path = tree.file(L"set.ttc", Collection(fonts));
    int result = 0;
    EXPECT_EQ(RunSection(path, 80, &result),
              L"    " + Open + L"Typographic" + Close + Dash + L"(no version)\r\n\r\n");
    std::vector<std::vector<Table>> plain = {
        {{Tag("name"), NameTable({Win(1, L"Family"), Win(4, L"Full")})}}};
    std::wstring otc = tree.file(L"set.otc", Collection(plain));
    EXPECT_EQ(RunSection(otc, 80, &result),
              L"    " + Open + L"Family" + Close + Dash + L"(no version)\r\n\r\n");
}

TEST(VersionHeaderSection, FilesWithoutEitherGiveNoLines) {
    TempTree tree;
    struct Case {
        const char* label;
        std::wstring path;
        int result;
    } cases[] = {
        {"text file", tree.file(L"notes.txt", std::string("plain text\r\n")), 0},
        {"font without names", tree.file(L"bare.ttf", FontWithNames({Win(9, L"Designer")})), 0},
        {"not a font", tree.file(L"fake.ttf", std::string(5000, 'x')), 0},
        {"font extension on a small file", tree.file(L"tiny.ttf", std::string(10, 'x')), 0},
        {"directory", tree.dir(L"folder"), -2},
        {"missing", tree.path(L"missing.dll"), -2},
        {"empty path", L"", -1},
    };
    for (const auto& c : cases) {
        int result = 99;
        EXPECT_EQ(RunSection(c.path, 80, &result), L"") << c.label;
        EXPECT_EQ(result, c.result) << c.label;
    }
    Capture capture;
    FileProbe none(nullptr);
    EXPECT_EQ(VersionHeaderSection(none, 1, 80), -1);
}

// The platform's own lookup of a string value, used as the oracle for a system library.
std::wstring PlatformValue(const std::vector<BYTE>& block, const wchar_t* name) {
    struct Translation {
        WORD language, codePage;
    }* table = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&table),
                        &length))
        return L"";
    for (UINT i = 0; i < length / sizeof(Translation); ++i) {
        wchar_t sub[256];
        _snwprintf(sub, 256, L"\\StringFileInfo\\%04X%04X\\%s", table[i].language, table[i].codePage, name);
        wchar_t* value = nullptr;
        UINT chars = 0;
        if (VerQueryValueW(block.data(), sub, reinterpret_cast<void**>(&value), &chars) && value)
            return std::wstring(value, wcsnlen(value, chars));
    }
    return L"";
}

TEST(VersionHeaderSection, LibraryWithVersionResource) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring path = std::wstring(system) + L"\\kernel32.dll";
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_NE(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    std::wstring description = PlatformValue(block, L"FileDescription");
    std::wstring version = PlatformValue(block, L"FileVersion");
    std::wstring legal = PlatformValue(block, L"LegalCopyright");
    if (description.empty() || version.empty())
        GTEST_SKIP() << "this system's kernel32.dll has no description or version string";
    std::wstring expected = L"    " + Open + description + Close + Dash + version + L"\r\n";
    if (!legal.empty()) expected += L"    " + legal + L"\r\n";
    expected += L"\r\n";
    int result = 0;
    EXPECT_EQ(RunSection(path, 0, &result), expected);
    EXPECT_EQ(result, legal.empty() ? 1 : 2);
}

} // namespace

namespace {

std::wstring HostPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

TEST(VersionHeaderSection, WineTahomaNoticeCutToTheWidth) {
    std::wstring path = HostPath("/usr/share/wine/fonts/tahoma.ttf");
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "Wine's tahoma.ttf (package fonts-wine) is not installed";
    const std::wstring notice = L"Copyright (c) 2004 Larry Snyder, Based on Bitstream Vera Sans Copyright "
                                L"(c) 2003 by Bitstream, Inc. Font "
                                L"renamed in accordance with former's license. Please do not contact "
                                L"Bitstream Inc. for any reason regarding "
                                L"this font.";
    int result = 0;
    EXPECT_EQ(RunSection(path, 80, &result), L"    " + Open + L"Tahoma" + Close + Dash + L"0.001\r\n    " +
                                                 notice.substr(0, 74) + L"\u2026\r\n\r\n");
    EXPECT_EQ(result, 2);
    EXPECT_EQ(RunSection(path, 0, &result),
              L"    " + Open + L"Tahoma" + Close + Dash + L"0.001\r\n    " + notice + L"\r\n\r\n");
}

TEST(VersionHeaderSection, RealFontNoticeWithLineBreaksOnOneLine) {
    std::wstring path = HostPath("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "DejaVuSans.ttf (package fonts-dejavu-core) is not installed";
    int result = 0;
    EXPECT_EQ(
        RunSection(path, 0, &result),
        L"    " + Open + L"DejaVu Sans" + Close + Dash +
            L"2.37\r\n    Copyright (c) 2003 by Bitstream, Inc. All Rights Reserved. Copyright (c) 2006 by "
            L"Tavmjong Bah. All Rights Reserved. DejaVu changes are in public domain \r\n\r\n");
}

} // namespace
