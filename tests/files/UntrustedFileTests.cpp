// The opener of files whose bytes are read: a disk file opens at its start, a device is refused
// whatever its name, and the two sharing rules differ exactly for a file another program writes.
#include "files/UntrustedFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace scrutel;
using testing_support::TempTree;

namespace {

std::string ReadAll(HANDLE file) {
    std::string bytes;
    char buffer[64];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

} // namespace

TEST(OpenUntrustedFile, ADiskFileOpensForReadingFromItsStart) {
    TempTree tree;
    std::wstring path = tree.file(L"plain.txt", std::string("some bytes\r\n"));
    for (UntrustedSharing sharing : {UntrustedSharing::ReadOnly, UntrustedSharing::Any}) {
        UntrustedFile opened = OpenUntrustedFile(path.c_str(), sharing);
        ASSERT_TRUE(opened.file);
        EXPECT_EQ(opened.error, 0u);
        EXPECT_EQ(ReadAll(opened.file.get()), "some bytes\r\n");
    }
}

TEST(OpenUntrustedFile, DevicesAreRefusedWhateverTheirName) {
    for (const wchar_t* name : {L"NUL", L"nul", L"\\\\.\\NUL", L"CON", L"\\\\.\\CONIN$"}) {
        SCOPED_TRACE(testing_support::ToUtf8(name));
        for (UntrustedSharing sharing : {UntrustedSharing::ReadOnly, UntrustedSharing::Any}) {
            UntrustedFile opened = OpenUntrustedFile(name, sharing);
            EXPECT_FALSE(opened.file);
            EXPECT_NE(opened.error, 0u);
        }
    }
    // The null device always opens, so its refusal is the device check's.
    EXPECT_EQ(OpenUntrustedFile(L"NUL", UntrustedSharing::ReadOnly).error,
              static_cast<DWORD>(ERROR_BAD_FILE_TYPE));
    EXPECT_EQ(OpenUntrustedFile(L"\\\\.\\NUL", UntrustedSharing::Any).error,
              static_cast<DWORD>(ERROR_BAD_FILE_TYPE));
}

TEST(OpenUntrustedFile, AMissingFileOrNoNameGivesTheError) {
    TempTree tree;
    UntrustedFile missing = OpenUntrustedFile(tree.path(L"absent.txt").c_str(), UntrustedSharing::ReadOnly);
    EXPECT_FALSE(missing.file);
    EXPECT_EQ(missing.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(OpenUntrustedFile(L"", UntrustedSharing::Any).file);
    EXPECT_NE(OpenUntrustedFile(nullptr, UntrustedSharing::Any).error, 0u);
}

TEST(OpenUntrustedFile, OnlyTheWideRuleOpensAFileAnotherProgramWrites) {
    TempTree tree;
    std::wstring path = tree.file(L"busy.log", std::string("growing"));
    HANDLE writer =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    UntrustedFile narrow = OpenUntrustedFile(path.c_str(), UntrustedSharing::ReadOnly);
    EXPECT_FALSE(narrow.file);
    EXPECT_EQ(narrow.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    UntrustedFile wide = OpenUntrustedFile(path.c_str(), UntrustedSharing::Any);
    ASSERT_TRUE(wide.file);
    EXPECT_EQ(ReadAll(wide.file.get()), "growing");
    // While the file is open under the narrow rule, no one may open it for writing.
    wide.file.reset();
    CloseHandle(writer);
    narrow = OpenUntrustedFile(path.c_str(), UntrustedSharing::ReadOnly);
    ASSERT_TRUE(narrow.file);
    HANDLE second = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(second, INVALID_HANDLE_VALUE);
    if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
}
