// Checking real files against digest lists: each outcome line, the count line and the result,
// names relative to the list's folder, malformed lines on standard error, and Ctrl-C at the
// pause prompt.
#include "reports/DigestListFile.h"

#include "output/LineOutput.h"
#include "output/ScriptedConsole.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scrutel;

namespace {

// The digests of "hello\n" and of "abc".
const std::string Sha256A = "5891b5b522d5df086d0ff0b110fbd9d21bb4fc7163af34d08286a2e846f6be03";
const std::string Md5A = "b1946ac92492d2347c6235b4d2611184";
const std::string Md5B = "900150983cd24fb0d6963f7d28e17f72";

class DigestCheckTest : public ::testing::Test {
  protected:
    DigestCheckTest() {
        tree_.file(L"a.txt", "hello\n");
        tree_.file(L"sub\\b c.txt", "abc");
        tree_.file(L"caf\u00E9.txt", "");
    }
    // Checks the list (in lists\) and returns its output; err and result as it ended.
    std::wstring Check(const std::string& list, std::wstring& err, int& result) {
        listPath_ = tree_.file(L"lists\\sums.txt", list);
        ScanSettings settings;
        testing_support::Capture capture;
        result = CheckDigestList(listPath_.c_str(), settings);
        err = capture.err();
        return capture.out();
    }
    testing_support::TempTree tree_;
    std::wstring listPath_;
};

TEST_F(DigestCheckTest, OutcomesCountsAndResults) {
    const struct {
        const char* label;
        int result;
        std::vector<int> malformed; // the numbers of the malformed lines
        std::string list;
        std::wstring out;
    } rows[] = {
        {"every form, relative to the list's folder",
         0,
         {},
         Sha256A + "  ../a.txt\r\nMD5 (../sub/b c.txt) = " + Md5B +
             "\r\n; SFV\r\n..\\caf\xC3\xA9.txt 00000000\r\n" + "3015617425 6 ../a.txt\r\n# comment\r\n\r\n" +
             "SHA256 (../a.txt) = 5891B5B522D5DF086D0FF0B110FBD9D21BB4FC7163AF34D08286A2E846F6BE03\n",
         L"../a.txt: OK\r\n../sub/b c.txt: OK\r\n..\\caf\u00E9.txt: OK\r\n../a.txt: OK\r\n"
         L"4 files checked: 4 OK, 0 FAILED, 0 missing, 0 unreadable; 0 malformed lines.\r\n"},
        {"consecutive lines of a file are one read and one line",
         0,
         {},
         "MD5 (../a.txt) = " + Md5A + "\n../a.txt 363A3020\n" + Md5B + "  ../sub/b c.txt\n" + Md5A +
             "  ../a.txt\n",
         L"../a.txt: OK\r\n../sub/b c.txt: OK\r\n../a.txt: OK\r\n"
         L"3 files checked: 3 OK, 0 FAILED, 0 missing, 0 unreadable; 0 malformed lines.\r\n"},
        {"wrong digest, wrong cksum size, missing, a folder",
         2,
         {},
         Md5B + "  ../a.txt\n3015617425 7 ../a.txt\n" + Md5B + "  ../gone\n" + Md5B + "  ../sub\n",
         L"../a.txt: FAILED\r\n../gone: missing\r\n../sub: unreadable\r\n"
         L"3 files checked: 0 OK, 1 FAILED, 1 missing, 1 unreadable; 0 malformed lines.\r\n"},
        {"one wrong kind fails the file",
         2,
         {},
         "MD5 (../a.txt) = " + Md5A + "\nSHA1 (../a.txt) = " + std::string(40, '0'),
         L"../a.txt: FAILED\r\n"
         L"1 file checked: 0 OK, 1 FAILED, 0 missing, 0 unreadable; 0 malformed lines.\r\n"},
        {"malformed lines, controls in a name",
         2,
         {1, 3},
         "hello world\n" + Md5A + "  ../\x1b[2J\nSHA3-256 (x) = " + Sha256A + "\n",
         L"../<U+001B>[2J: missing\r\n"
         L"1 file checked: 0 OK, 0 FAILED, 1 missing, 0 unreadable; 2 malformed lines.\r\n"},
        {"no entries",
         2,
         {},
         "; nothing\n",
         L"0 files checked: 0 OK, 0 FAILED, 0 missing, 0 unreadable; 0 malformed lines.\r\n"},
    };
    for (const auto& row : rows) {
        std::wstring err;
        int result = 0;
        EXPECT_EQ(Check(row.list, err, result), row.out) << row.label;
        std::wstring expectedErr;
        for (int line : row.malformed)
            expectedErr += L"Scrutel plugin: Malformed digest line " + std::to_wstring(line) + L" in \"" +
                           listPath_ + L"\"\r\n";
        EXPECT_EQ(err, expectedErr) << row.label;
        EXPECT_EQ(result, row.result) << row.label;
    }
}

TEST_F(DigestCheckTest, CtrlCAtThePausePromptStopsTheCheck) {
    testing_support::TestOutput guard;
    testing_support::ScriptedConsole console;
    console.InterruptDuringWait();
    Output().paging = {};
    Output().paging.pageLength = Output().paging.linesLeft = 2;
    std::string list;
    for (int i = 0; i < 5; ++i)
        list += Md5A + "  ../a.txt\n" + Md5B + "  ../sub/b c.txt\n";
    std::wstring err;
    int result = 0;
    EXPECT_EQ(Check(list, err, result), L"../a.txt: OK\r\n../sub/b c.txt: OK\r\n");
    EXPECT_EQ(result, ABORTED);
    EXPECT_NE(console.Written().find(L"^C"), std::wstring::npos);
}

} // namespace
