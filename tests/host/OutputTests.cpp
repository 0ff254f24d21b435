// The stand-in host's output operations: wide printf conversions, unchanged text for QPuts,
// capture of standard output and standard error, and UTF-8 without a byte-order mark for
// handles that are not consoles.
#include "gateway/HostExports.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using testing_support::Capture;
using testing_support::TempTree;

namespace {

struct PrintCase {
    const char* label;
    std::function<void()> call;
    const wchar_t* expected;
};

TEST(HostOutput, EachConversionFormatsLikeTheWideCRuntime) {
    const PrintCase cases[] = {
        {"wide string", [] { Printf(L"<%s>", L"wide text"); }, L"<wide text>"},
        {"wide character", [] { Printf(L"<%c>", L'W'); }, L"<W>"},
        {"64-bit unsigned", [] { Printf(L"<%I64u>", 18446744073709551615ULL); }, L"<18446744073709551615>"},
        {"unsigned", [] { Printf(L"<%u>", 4000000000u); }, L"<4000000000>"},
        {"signed", [] { Printf(L"<%d>", -42); }, L"<-42>"},
        {"hexadecimal", [] { Printf(L"<%X>", 0xBEEFu); }, L"<BEEF>"},
        {"two hex digits", [] { Printf(L"<%02X>", 0x7u); }, L"<07>"},
        {"eight hex digits", [] { Printf(L"<%08X>", 0xABCDu); }, L"<0000ABCD>"},
        {"two decimals", [] { Printf(L"<%.2f>", 3.14159); }, L"<3.14>"},
        {"two decimals negative", [] { Printf(L"<%.2f>", -0.5); }, L"<-0.50>"},
        {"two decimals rounding", [] { Printf(L"<%.2f>", 1234.5678); }, L"<1234.57>"},
        {"percent sign", [] { Printf(L"100%%"); }, L"100%"},
        {"non-ASCII argument", [] { Printf(L"%s", L"\u2014\u201C\u201D\u2026\u00D7"); },
         L"\u2014\u201C\u201D\u2026\u00D7"},
        {"several in one format", [] { Printf(L"%s %u %I64u %02X\r\n", L"a", 1u, 1099511627776ULL, 255u); },
         L"a 1 1099511627776 FF\r\n"},
        {"QPuts writes percent signs unchanged", [] { QPuts(L"50% %s %d\r\n"); }, L"50% %s %d\r\n"},
        {"Qprintf on standard output", [] { Qprintf(GetStdHandle(STD_OUTPUT_HANDLE), L"%s=%d", L"x", 5); },
         L"x=5"},
        {"long text", [] { Printf(L"%s", std::wstring(5000, L'y').c_str()); }, nullptr},
    };
    for (const PrintCase& c : cases) {
        SCOPED_TRACE(c.label);
        Capture capture;
        c.call();
        if (c.expected) {
            EXPECT_EQ(capture.out(), c.expected);
        } else {
            EXPECT_EQ(capture.out(), std::wstring(5000, L'y'));
        }
        EXPECT_EQ(capture.err(), L"");
    }
}

TEST(HostOutput, StandardErrorIsCapturedApart) {
    Capture capture;
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"problem %d\r\n", 3);
    Printf(L"fine\r\n");
    EXPECT_EQ(capture.out(), L"fine\r\n");
    EXPECT_EQ(capture.err(), L"problem 3\r\n");
}

TEST(HostOutput, NullFormatsWriteNothing) {
    Capture capture;
    EXPECT_EQ(Printf(nullptr), 0);
    EXPECT_EQ(QPuts(nullptr), 0);
    EXPECT_EQ(Qprintf(GetStdHandle(STD_OUTPUT_HANDLE), nullptr), 0);
    EXPECT_EQ(capture.out(), L"");
}

std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

TEST(HostOutput, FileHandlesReceiveUtf8WithoutByteOrderMark) {
    struct Case {
        const char* label;
        const wchar_t* text;
        std::string bytes;
    };
    const Case cases[] = {
        {"ASCII with line end", L"plain\r\n", "plain\r\n"},
        {"em dash", L"a \u2014 b", "a \xE2\x80\x94 b"},
        {"curly quotes", L"\u201Cq\u201D", "\xE2\x80\x9Cq\xE2\x80\x9D"},
        {"ellipsis", L"\u2026", "\xE2\x80\xA6"},
        {"multiplication sign", L"3\u00D74",
         "3\xC3\x97"
         "4"},
        {"character outside the basic plane", L"\U0001F600", "\xF0\x9F\x98\x80"},
        {"percent sign passed as argument", L"100%", "100%"},
    };
    TempTree tree;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::wstring path = tree.path(L"out.txt");
        HANDLE h =
            CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        Qprintf(h, L"%s", c.text);
        CloseHandle(h);
        EXPECT_EQ(ReadAll(path), c.bytes);
    }
}

TEST(HostOutput, RedirectedStandardOutputReceivesUtf8) {
    TempTree tree;
    std::wstring path = tree.path(L"stdout.txt");
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, file);
    Printf(L"%s %I64u|", L"\u00D7", 42ULL);
    QPuts(L"\u2026\r\n");
    SetStdHandle(STD_OUTPUT_HANDLE, saved);
    CloseHandle(file);
    EXPECT_EQ(ReadAll(path), "\xC3\x97 42|\xE2\x80\xA6\r\n");
}

} // namespace
