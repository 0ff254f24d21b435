// Attributes section and owner lookup: the attribute texts in their order, the owner line as the
// system reports it, and files that cannot be opened.
#include "reports/AttributeList.h"
#include "reports/FileProbe.h"
#include "files/Owner.h"
#include "reports/ReportSections.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

// The section over a fresh probe of path, as a report runs it without a memo.
int AttributesOf(const wchar_t* path) {
    FileProbe probe(path);
    return AttributesSection(probe, nullptr);
}

struct ListCase {
    const char* label;
    DWORD attributes;
    const wchar_t* text;
};

const ListCase ListCases[] = {
    {"none", 0, L"None."},
    {"only attributes that are not shown", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY | 0x80,
     L"None."},
    {"read-only hidden archive", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY,
     L"Read-Only  Hidden  Archive  "},
    {"index-inhibit after archive", FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_ARCHIVE,
     L"Archive  Index-Inhibit  "},
    {"all shown, in table order", 0xFFFFFFFFu,
     L"Read-Only  Hidden  System  Archive  Index-Inhibit  Compressed  Encrypted  "},
    {"compressed before encrypted", FILE_ATTRIBUTE_ENCRYPTED | FILE_ATTRIBUTE_COMPRESSED,
     L"Compressed  Encrypted  "},
    {"system alone", FILE_ATTRIBUTE_SYSTEM, L"System  "},
};

TEST(FormatAttributeList, Cases) {
    for (const ListCase& c : ListCases) {
        SCOPED_TRACE(c.label);
        wchar_t out[128];
        EXPECT_EQ(FormatAttributeList(c.attributes, out, 128), static_cast<int>(wcslen(c.text)));
        EXPECT_STREQ(out, c.text);
    }
}

TEST(FormatAttributeList, TooSmallBuffer) {
    wchar_t out[6];
    EXPECT_EQ(FormatAttributeList(0, out, 5), -1);
    EXPECT_STREQ(out, L"");
    EXPECT_EQ(FormatAttributeList(0, out, 6), 5);
    EXPECT_EQ(FormatAttributeList(FILE_ATTRIBUTE_READONLY, out, 6), -1);
}

// The account of one of the process token's SIDs, looked up independently of the code under
// test.
std::wstring TokenAccount(TOKEN_INFORMATION_CLASS kind) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> buffer(size + 1);
    std::wstring result;
    if (size && GetTokenInformation(token, kind, buffer.data(), size, &size)) {
        PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                     : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
        wchar_t name[256], domain[256];
        DWORD n = 256, d = 256;
        SID_NAME_USE use;
        if (LookupAccountSidW(nullptr, sid, name, &n, domain, &d, &use))
            result = std::wstring(domain) + L"\\" + name;
    }
    CloseHandle(token);
    return result;
}

// A new file belongs to the process's user, or on Windows to the token's default owner (an
// elevated administrator's files belong to the Administrators group).
::testing::AssertionResult IsProcessAccount(const std::wstring& owner) {
    const std::wstring user = TokenAccount(TokenUser), defaultOwner = TokenAccount(TokenOwner);
    if (!owner.empty() && (owner == user || owner == defaultOwner)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << testing_support::ToUtf8(owner) << " is neither " << testing_support::ToUtf8(user) << " nor "
           << testing_support::ToUtf8(defaultOwner);
}

TEST(LookupOwner, FileCreatedByThisProcess) {
    TempTree tree;
    std::wstring path = tree.file(L"mine.txt", "x");
    std::vector<wchar_t> output(8192, L'\0');
    ASSERT_EQ(LookupOwner(path.c_str(), output.data()), 0);
    const std::wstring owner = output.data();
    EXPECT_TRUE(IsProcessAccount(owner));
    EXPECT_NE(owner.find(L'\\'), std::wstring::npos);
}

TEST(LookupOwner, MissingFileLeavesOutputUnchanged) {
    TempTree tree;
    std::vector<wchar_t> output(8192, L'\0');
    wcscpy(output.data(), L"unchanged");
    EXPECT_EQ(LookupOwner(tree.path(L"missing.txt").c_str(), output.data()), 1);
    EXPECT_STREQ(output.data(), L"unchanged");
    EXPECT_EQ(LookupOwner(nullptr, output.data()), -1);
    EXPECT_EQ(LookupOwner(L"x", nullptr), -1);
}

TEST(AttributesSection, ReadOnlyHiddenFileWithOwner) {
    TempTree tree;
    std::wstring path = tree.file(L"flags.txt", "x");
    ASSERT_TRUE(SetFileAttributesW(path.c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    Capture capture;
    EXPECT_EQ(AttributesOf(path.c_str()), 0);
    const std::wstring out = capture.out();
    const std::wstring first = L"    Attributes:  Read-Only  Hidden  Archive  \r\n    File owner:  ";
    ASSERT_EQ(out.substr(0, first.size()), first);
    ASSERT_GE(out.size(), first.size() + 4);
    EXPECT_EQ(out.substr(out.size() - 4), L"\r\n\r\n");
    EXPECT_TRUE(IsProcessAccount(out.substr(first.size(), out.size() - first.size() - 4)));
}

TEST(AttributesSection, OwnerLineMatchesLookupOwner) {
    TempTree tree;
    std::wstring path = tree.file(L"plain.txt", "x");
    std::vector<wchar_t> owner(8192, L'\0');
    ASSERT_EQ(LookupOwner(path.c_str(), owner.data()), 0);
    Capture capture;
    AttributesOf(path.c_str());
    EXPECT_NE(capture.out().find(L"\r\n    File owner:  " + std::wstring(owner.data()) + L"\r\n\r\n"),
              std::wstring::npos)
        << testing_support::ToUtf8(capture.out());
}

// A directory carries none of the shown attributes, and it cannot be opened as a file, so there
// is no owner line.
TEST(AttributesSection, DirectoryShowsNoneWithoutOwner) {
    TempTree tree;
    std::wstring dir = tree.dir(L"folder");
    Capture capture;
    EXPECT_EQ(AttributesOf(dir.c_str()), 0);
    EXPECT_EQ(capture.out(), L"    Attributes:  None.\r\n\r\n");
}

TEST(AttributesSection, FileOpenForWritingShowsNoOwner) {
    TempTree tree;
    std::wstring path = tree.file(L"busy.txt", "x");
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    Capture capture;
    int rc = AttributesOf(path.c_str());
    CloseHandle(writer);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(capture.out(), L"    Attributes:  Archive  \r\n\r\n");
}

TEST(AttributesSection, MissingFileAndArguments) {
    TempTree tree;
    Capture capture;
    EXPECT_EQ(AttributesOf(tree.path(L"missing.txt").c_str()), 1);
    EXPECT_EQ(AttributesOf(L""), -1);
    EXPECT_EQ(AttributesOf(nullptr), -1);
    EXPECT_EQ(capture.out(), L"");
}

} // namespace
