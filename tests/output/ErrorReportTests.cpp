// The error prefix outside and inside batch files, and the texts of Win32 error codes.
#include "output/ErrorReport.h"
#include "gateway/HostExports.h"

#include "HostTesting.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace scrutel;
using testing_support::Capture;

namespace {

struct BatchReset {
    ~BatchReset() { HostSetBatch(nullptr, 0); }
};

TEST(PrintErrorPrefix, OutsideABatchFileIsOnlyThePluginName) {
    HostSetBatch(nullptr, 0);
    Capture capture;
    PrintErrorPrefix();
    EXPECT_EQ(capture.err(), L"Scrutel plugin: ");
    EXPECT_EQ(capture.out(), L"");
}

TEST(PrintErrorPrefix, InsideABatchFileAddsNameLineAndTwoBlanks) {
    BatchReset reset;
    HostSetBatch(L"C:\\jobs\\nightly.btm", 12);
    Capture capture;
    PrintErrorPrefix();
    EXPECT_EQ(capture.err(), L"Scrutel plugin: C:\\jobs\\nightly.btm [12]  ");
}

TEST(PrintErrorPrefix, BatchNameKeepsPercentSignsAndShowsControlsByCode) {
    BatchReset reset;
    struct Row {
        const char* label;
        const wchar_t* name;
        const wchar_t* err;
    } rows[] = {
        {"percent signs", L"C:\\100%done\\a%d%s.btm", L"Scrutel plugin: C:\\100%done\\a%d%s.btm [3]  "},
        {"direction override", L"C:\\jobs\\rlo\u202Emtb.bat",
         L"Scrutel plugin: C:\\jobs\\rlo<U+202E>mtb.bat [3]  "},
        {"C1 control and escape",
         L"C:\\jobs\\\x9b"
         L"2J\x1b]0;t.btm",
         L"Scrutel plugin: C:\\jobs\\<U+009B>2J<U+001B>]0;t.btm [3]  "},
    };
    for (const Row& row : rows) {
        HostSetBatch(row.name, 3);
        Capture capture;
        PrintErrorPrefix();
        EXPECT_EQ(capture.err(), row.err) << row.label;
    }
}

TEST(FormatErrorText, KnownCodeGivesOneTrimmedLine) {
    wchar_t buffer[1024];
    FormatErrorText(ERROR_FILE_NOT_FOUND, buffer);
    std::wstring text = buffer;
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), L'\n');
    EXPECT_NE(text.back(), L'\r');
    EXPECT_NE(text.back(), L' ');
    EXPECT_EQ(text.find(L'\n'), std::wstring::npos);
    // The system's text for this code ends in a full stop once trailing ".\r\n" is trimmed.
    EXPECT_EQ(text.back(), L'.');
}

TEST(FormatErrorText, AllOnesIsUnknownError) {
    wchar_t buffer[1024];
    FormatErrorText(0xFFFFFFFFu, buffer);
    EXPECT_STREQ(buffer, L"Unknown error");
}

TEST(FormatErrorText, CodeWithoutTextIsErrorAndSignedNumber) {
    wchar_t buffer[1024];
    FormatErrorText(0xE1234567u, buffer);
    EXPECT_STREQ(buffer, L"Error -517782169");
    FormatErrorText(0x0000FFF0u, buffer);
    EXPECT_STREQ(buffer, L"Error 65520");
}

} // namespace

TEST(StandardErrorSilenced, PointsStandardErrorAtTheNullDeviceOnlyWhileItLives) {
    HANDLE before = GetStdHandle(STD_ERROR_HANDLE);
    {
        StandardErrorSilenced quiet;
        HANDLE silenced = GetStdHandle(STD_ERROR_HANDLE);
        EXPECT_NE(silenced, before);
        EXPECT_EQ(GetFileType(silenced), static_cast<DWORD>(FILE_TYPE_CHAR));
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(silenced, "gone", 4, &written, nullptr));
        {
            StandardErrorSilenced nested; // nests: each puts back what it found
            EXPECT_NE(GetStdHandle(STD_ERROR_HANDLE), silenced);
        }
        EXPECT_EQ(GetStdHandle(STD_ERROR_HANDLE), silenced);
    }
    EXPECT_EQ(GetStdHandle(STD_ERROR_HANDLE), before);
}
