// Tests of the text encoding section: which files count as text, the exact lines it writes for
// each kind of text file, its silence on failures, interruption, and TextFileTypes end to end.
#include "reports/TextEncoding.h"

#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "reports/ReportSections.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

using namespace scrutel;
using testing_support::Capture;
using testing_support::FromUtf8;
using testing_support::RunResult;
using testing_support::TempTree;

namespace {

TEST(IsTextFileType, ExtensionsAgainstTheList) {
    struct Case {
        const wchar_t* path;
        const wchar_t* list;
        bool expected;
    } cases[] = {
        {L"C:\\docs\\notes.txt", BuiltInTextFileTypes, true},
        {L"C:\\docs\\NOTES.TXT", BuiltInTextFileTypes, false},
        {L"a.htm", L".html", false},
        {L"a.html", L".html", true},
        {L"a.htm", BuiltInTextFileTypes, true},
        {L"a.h", BuiltInTextFileTypes, true},
        {L"a.xml", BuiltInTextFileTypes, true},
        {L"a.tx", L".txt|.log", false},
        {L"a.log", L".txt|.log", true},
        {L"a.txt", L".txt|.log", true},
        {L"a.ini", L".txt|.log", false},
        {L"C:\\dir.txt\\file", BuiltInTextFileTypes, false},
        {L"dir.txt/file", BuiltInTextFileTypes, false},
        {L"C:file.txt", BuiltInTextFileTypes, true},
        {L"file.", BuiltInTextFileTypes, false},
        {L"file", BuiltInTextFileTypes, false},
        {L"", BuiltInTextFileTypes, false},
        {L"x.txt", L"", false},
        {L"x.txtx", L".txt", false},
        {L"x.dat", L".txtx|.dat", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsTextFileType(c.path, c.list), c.expected)
            << testing_support::ToUtf8(c.path) << " in " << testing_support::ToUtf8(c.list);
    EXPECT_FALSE(IsTextFileType(nullptr, BuiltInTextFileTypes));
    EXPECT_FALSE(IsTextFileType(L"a.txt", nullptr));
}

std::string Utf16Le(const std::wstring& text, bool bom) {
    std::string out = bom ? "\xFF\xFE" : "";
    for (wchar_t c : text)
        out += {char(c & 0xFF), char(c >> 8)};
    return out;
}

const std::wstring EncodingLine = L"    Text encoding ........... ";
const std::wstring LinesLine = L"    Lines ................... ";

struct ReportCase {
    const char* what;
    const wchar_t* name;
    std::string bytes;
    std::wstring expected;
};

TEST(TextEncodingReport, WritesEncodingLinesAndStyle) {
    std::string manyLines;
    for (int i = 0; i < 1234; ++i)
        manyLines += "l\xC3\xADnea\r\n";
    std::string sevenBitStart(131072, 'a');
    sevenBitStart += "\r\n\xE9\r\n";
    const ReportCase cases[] = {
        {"plain 7-bit text with CR LF", L"notes.txt", "Hello\r\nWorld\r\n",
         EncodingLine + L"ASCII\r\n" + LinesLine + L"2  (CR/LF)\r\n\r\n"},
        {"UTF-16LE with a mark that is not counted", L"wide.txt", Utf16Le(L"one\r\ntwo\r\nthree\r\n", true),
         EncodingLine + L"UTF-16LE with BOM\r\n" + LinesLine + L"3  (CR/LF)\r\n\r\n"},
        {"ANSI accented letters", L"ansi.txt", "caf\xE9\nna\xEFve\n",
         EncodingLine + L"OEM\r\n" + LinesLine + L"2  (LF)\r\n\r\n"},
        {"UTF-8 with a mark", L"marked.txt", "\xEF\xBB\xBFplain\n",
         EncodingLine + L"UTF-8 with BOM\r\n" + LinesLine + L"1  (LF)\r\n\r\n"},
        {"UTF-8 without a mark, 1234 CR LF lines", L"many.csv", manyLines,
         EncodingLine + L"UTF-8 without BOM\r\n" + LinesLine + L"1,234  (CR/LF)\r\n\r\n"},
        {"one line without an ending", L"one.log", "just one line", EncodingLine + L"ASCII\r\n\r\n"},
        {"two LF lines", L"two.ini", "a\nb\n", EncodingLine + L"ASCII\r\n" + LinesLine + L"2  (LF)\r\n\r\n"},
        {"no majority among the endings", L"mixed.txt", "a\nb\nc\rd\r", EncodingLine + L"ASCII\r\n\r\n"},
        {"CR only", L"mac.txt", "a\rb\rc", EncodingLine + L"ASCII\r\n" + LinesLine + L"3  (CR)\r\n\r\n"},
        {"LF CR", L"odd.txt", "a\n\rb\n\r", EncodingLine + L"ASCII\r\n" + LinesLine + L"2  (LF/CR)\r\n\r\n"},
        {"only the first 128 KiB decide ASCII", L"late.txt", sevenBitStart,
         EncodingLine + L"ASCII\r\n" + LinesLine + L"2  (CR/LF)\r\n\r\n"},
    };
    TempTree tree;
    for (const ReportCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring path = tree.file(c.name, c.bytes);
        Capture capture;
        EXPECT_EQ(TextEncodingReport(path.c_str(), BuiltInTextFileTypes), 0);
        EXPECT_EQ(capture.out(), c.expected);
        EXPECT_EQ(capture.err(), L"");
    }
}

TEST(TextEncodingReport, SilentWhenNotTextOrNotReadable) {
    TempTree tree;
    std::wstring upper = tree.file(L"NOTES.TXT", "text\r\n");
    std::wstring htm = tree.file(L"a.htm", "text\r\n");
    std::wstring empty = tree.file(L"empty.txt", std::string());
    std::wstring busy = tree.file(L"busy.txt", "text\r\n");
    HANDLE writer = CreateFileW(busy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    struct Case {
        const char* what;
        std::wstring path;
        const wchar_t* list;
    } cases[] = {
        {"upper-case extension with the default list", upper, BuiltInTextFileTypes},
        {"prefix of a listed extension", htm, L".html"},
        {"empty file", empty, BuiltInTextFileTypes},
        {"missing file", tree.path(L"missing.txt"), BuiltInTextFileTypes},
        {"file open for writing elsewhere", busy, BuiltInTextFileTypes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Capture capture;
        EXPECT_EQ(TextEncodingReport(c.path.c_str(), c.list), 0);
        EXPECT_EQ(capture.out(), L"");
        EXPECT_EQ(capture.err(), L"");
    }
    CloseHandle(writer);
    EXPECT_EQ(TextEncodingReport(nullptr, BuiltInTextFileTypes), -1);
    EXPECT_EQ(TextEncodingReport(L"", BuiltInTextFileTypes), -1);
}

TEST(TextEncodingReport, InterruptionStopsAtOnceAndClosesTheFile) {
    TempTree tree;
    std::wstring path = tree.file(L"a.txt", "a\r\nb\r\n");
    Output().paging.interrupted = 1;
    int result;
    std::wstring out;
    {
        Capture capture;
        result = TextEncodingReport(path.c_str(), BuiltInTextFileTypes);
        out = capture.out();
    }
    Output().paging.interrupted = 0;
    EXPECT_EQ(result, ABORTED);
    EXPECT_EQ(out, EncodingLine + L"ASCII\r\n") << "nothing after the interrupted line";
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "the buffer was closed";
}

TEST(TextEncodingReportEndToEnd, TextFileTypesFromTheEnvironment) {
    TempTree tree;
    tree.file(L"data.dat", "x\ny\n");
    tree.file(L"notes.txt", "x\ny\n");
    // Every section omitted except the text encoding.
    std::wstring args = L"--transient \"" + testing_support::BuildDir() +
                        L"\\scrutel.dll\" scrutel /O:HZTACDVSIPXLUQRNF data.dat notes.txt";
    RunResult run = testing_support::RunPlughost(args, tree.root(), {L"TextFileTypes=.dat|.log"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(FromUtf8(run.out), tree.path(L"data.dat") + L"\r\n\r\n" + EncodingLine + L"ASCII\r\n" +
                                     LinesLine + L"2  (LF)\r\n\r\n" + tree.path(L"notes.txt") + L"\r\n\r\n" +
                                     L"2 matching files found.\r\n");
    EXPECT_EQ(run.err, "");

    RunResult builtIn = testing_support::RunPlughost(args, tree.root(), {L"TextFileTypes="});
    EXPECT_EQ(FromUtf8(builtIn.out), tree.path(L"data.dat") + L"\r\n\r\n" + tree.path(L"notes.txt") +
                                         L"\r\n\r\n" + EncodingLine + L"ASCII\r\n" + LinesLine +
                                         L"2  (LF)\r\n\r\n" + L"2 matching files found.\r\n");
}

} // namespace
