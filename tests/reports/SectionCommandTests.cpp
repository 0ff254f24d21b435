// The size, time-stamp and checksum sections through the whole command: plughost.exe loads the
// plugin and runs SCRUTEL with /C:, /T: and /O:, and the report is compared byte for byte.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using testing_support::FromUtf8;
using testing_support::RunPlughost;
using testing_support::TempTree;

namespace {

// Every section but checksums, times or sizes omitted, so that only the section under test is
// between the heading and the summary.
const std::wstring OnlyChecksums = L"/O:HRZTANDXELVIPFSU";
const std::wstring OnlyTimes = L"/O:HRZANCDXELVIPFSU";
const std::wstring OnlySizes = L"/O:HRTANCDXELVIPFSU";

std::wstring Report(const std::wstring& arguments, int* exitCode = nullptr) {
    testing_support::RunResult r = RunPlughost(L"--transient \"" + testing_support::BuildDir() +
                                               L"\\scrutel.dll\" scrutel " + arguments);
    if (exitCode) *exitCode = r.exitCode;
    return FromUtf8(r.out);
}

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

std::wstring Expected(const std::wstring& path, const std::wstring& section) {
    return path + L"\r\n\r\n" + section + L"1 matching file found.\r\n";
}

struct ChecksumCase {
    const char* label;
    std::wstring option;
    std::wstring lines;
};

TEST(ChecksumCommand, SelectionsThroughTheCommand) {
    TempTree tree;
    const std::wstring path = tree.file(L"abc.txt", "abc");
    const ChecksumCase cases[] = {
        {"default is CRC-32 and MD5", L"",
         L"    CRC-32 :  352441C2\r\n    MD5    :  900150983CD24FB0D6963F7D28E17F72\r\n"},
        {"cksum twice, decimal first", L"/C:CKSUMX,CKSUM",
         L"    cksum  :  1219131554\r\n    cksum  :  48AA78A2\r\n"},
        {"table order whatever the option's order", L"/C:SHA1,CKSUMX,CKSUM,CRC32",
         L"    CRC-32 :  352441C2\r\n    cksum  :  1219131554\r\n    cksum  :  48AA78A2\r\n"
         L"    SHA-1  :  A9993E364706816ABA3E25717850C26C9CD0D89D\r\n"},
    };
    for (const ChecksumCase& c : cases) {
        SCOPED_TRACE(c.label);
        int exitCode = -1;
        EXPECT_EQ(Report(OnlyChecksums + L" " + c.option + L" " + Quoted(path), &exitCode),
                  Expected(path, c.lines + L"\r\n"));
        EXPECT_EQ(exitCode, 0);
    }
}

TEST(ChecksumCommand, EmptyFile) {
    TempTree tree;
    const std::wstring path = tree.file(L"empty.bin");
    EXPECT_EQ(
        Report(OnlyChecksums + L" /C:CRC32,CKSUM,CKSUMX " + Quoted(path)),
        Expected(path,
                 L"    CRC-32 :  00000000\r\n    cksum  :  4294967295\r\n    cksum  :  FFFFFFFF\r\n\r\n"));
}

TEST(SizeCommand, ThousandsSeparatorsFromTheHost) {
    TempTree tree;
    const std::wstring path = tree.file(L"size.bin", std::string(1536, 'x'));
    EXPECT_EQ(Report(OnlySizes + L" " + Quoted(path)),
              Expected(path, L"    1,536 bytes     1.50 kilobytes\r\n\r\n"));
}

TEST(TimeCommand, ModifiedInUtcWithFractions) {
    TempTree tree;
    const std::wstring path = tree.file(L"stamped.txt", "x");
    HANDLE h =
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SYSTEMTIME fields{2024, 3, 0, 5, 14, 7, 9, 250};
    FILETIME stamp{};
    ASSERT_TRUE(SystemTimeToFileTime(&fields, &stamp));
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &stamp));
    CloseHandle(h);
    EXPECT_EQ(Report(OnlyTimes + L" /T:MUF " + Quoted(path)),
              Expected(path, L"    Modified:  Tue 2024-03-05  14:07:09.250  UTC\r\n\r\n"));
}

} // namespace
