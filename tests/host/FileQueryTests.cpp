// File queries of the stand-in host: existence, size and true names (stored letter case and
// long form, missing and wildcard components kept as written, "clip:" and "-").
#include "gateway/HostExports.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <vector>

using testing_support::TempTree;

namespace {

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

struct TrueNameResult {
    int result;
    std::wstring name;
};

TrueNameResult TrueName(const std::wstring& path) {
    std::vector<wchar_t> output(32768, L'?');
    output[0] = 0;
    int rc = QueryTrueName(path.c_str(), output.data());
    return {rc, output.data()};
}

class HostFiles : public testing::Test {
  protected:
    void SetUp() override {
        tree.file(L"MixedCase\\SubDir\\File.TXT", "12345");
        tree.file(L"MixedCase\\Empty.dat");
        tree.file(L"Sized.bin", std::string(1234, 'z'));
        tree.dir(L"Long Directory Name");
        tree.file(L"Long Directory Name\\Some Long File Name.text", "x");
        // The stored form of the temporary folder itself comes from the host; the parts
        // below it are ours and are checked exactly.
        TrueNameResult r = TrueName(tree.root());
        ASSERT_EQ(r.result, 0);
        ASSERT_EQ(Lower(r.name), Lower(tree.root()));
        root = r.name;
    }
    TempTree tree;
    std::wstring root;
};

TEST_F(HostFiles, TrueNamesTable) {
    struct Case {
        const char* label;
        std::wstring input;
        std::wstring expected;
    };
    const std::wstring lowRoot = Lower(root);
    const Case cases[] = {
        {"every component in lower case", lowRoot + L"\\mixedcase\\subdir\\file.txt",
         root + L"\\MixedCase\\SubDir\\File.TXT"},
        {"every component in upper case", root + L"\\MIXEDCASE\\SUBDIR\\FILE.TXT",
         root + L"\\MixedCase\\SubDir\\File.TXT"},
        {"missing last component kept as written", lowRoot + L"\\mixedcase\\NoSuch.txt",
         root + L"\\MixedCase\\NoSuch.txt"},
        {"wildcard last component kept as written", lowRoot + L"\\mixedcase\\subdir\\*.TXT",
         root + L"\\MixedCase\\SubDir\\*.TXT"},
        {"question mark kept as written", lowRoot + L"\\mixedcase\\subdir\\fil?.txt",
         root + L"\\MixedCase\\SubDir\\fil?.txt"},
        {"missing middle component keeps the rest", lowRoot + L"\\mixedcase\\nothere\\file.txt",
         root + L"\\MixedCase\\nothere\\file.txt"},
        {"dot-dot resolved", lowRoot + L"\\mixedcase\\subdir\\..\\SUBDIR", root + L"\\MixedCase\\SubDir"},
        {"dot resolved", lowRoot + L"\\.\\mixedcase\\.\\empty.dat", root + L"\\MixedCase\\Empty.dat"},
        {"forward slashes", lowRoot + L"/mixedcase/subdir", root + L"\\MixedCase\\SubDir"},
        {"trailing backslash kept", lowRoot + L"\\mixedcase\\", root + L"\\MixedCase\\"},
        {"names with blanks", lowRoot + L"\\long directory name\\some long file name.TEXT",
         root + L"\\Long Directory Name\\Some Long File Name.text"},
        {"clipboard name unchanged", L"clip:", L"clip:"},
        {"clipboard name in any case unchanged", L"CLip:", L"CLip:"},
        {"standard input unchanged", L"-", L"-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TrueNameResult r = TrueName(c.input);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.name, c.expected);
    }
}

TEST_F(HostFiles, TrueNameOfRelativeNameAndDriveLetter) {
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(tree.path(L"MixedCase").c_str()));
    TrueNameResult relative = TrueName(L"subdir\\file.txt");
    TrueNameResult parent = TrueName(L"..\\sized.BIN");
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(relative.result, 0);
    EXPECT_EQ(relative.name, root + L"\\MixedCase\\SubDir\\File.TXT");
    EXPECT_EQ(parent.name, root + L"\\Sized.bin");

    ASSERT_GE(root.size(), 3u);
    ASSERT_EQ(root[1], L':');
    std::wstring lowerDrive = root;
    lowerDrive[0] = static_cast<wchar_t>(towlower(lowerDrive[0]));
    EXPECT_EQ(TrueName(lowerDrive + L"\\MixedCase").name, root + L"\\MixedCase");
}

TEST_F(HostFiles, TrueNameTurnsShortNamesIntoLongOnes) {
    std::wstring longName = tree.path(L"Long Directory Name\\Some Long File Name.text");
    wchar_t shortName[MAX_PATH] = {};
    DWORD n = GetShortPathNameW(longName.c_str(), shortName, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || Lower(shortName) == Lower(longName))
        GTEST_SKIP() << "this file system gives no short names";
    EXPECT_EQ(TrueName(shortName).name, root + L"\\Long Directory Name\\Some Long File Name.text");
}

TEST_F(HostFiles, TrueNameFailuresLeaveTheOutputEmpty) {
    EXPECT_NE(TrueName(L"").result, 0);
    EXPECT_EQ(TrueName(L"").name, L"");
    EXPECT_NE(QueryTrueName(nullptr, nullptr), 0);
    std::vector<wchar_t> output(32768, L'?');
    EXPECT_NE(QueryTrueName(nullptr, output.data()), 0);
    EXPECT_EQ(output[0], 0);
}

TEST_F(HostFiles, TrueNameOfAPathLongerThanMaxPath) {
    std::wstring dir = tree.root();
    for (int k = 0; k < 6; ++k) {
        dir += L"\\Deep Folder Number " + std::to_wstring(k) + L" With A Rather Long Name";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + dir).c_str(), nullptr));
    }
    std::wstring file = dir + L"\\Final.Txt";
    HANDLE h = CreateFileW((L"\\\\?\\" + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    ASSERT_GT(file.size(), 300u);
    std::wstring lowered = Lower(root) + Lower(file.substr(tree.root().size()));
    EXPECT_EQ(TrueName(lowered).name, root + file.substr(tree.root().size()));
    EXPECT_NE(QueryIsFile(lowered.c_str()), 0);
    EXPECT_EQ(QueryFileSize(lowered.c_str(), 0), 0);
    // The tree's own clean-up cannot remove folders this deep; remove them here.
    DeleteFileW((L"\\\\?\\" + file).c_str());
    for (int k = 0; k < 6; ++k) {
        RemoveDirectoryW((L"\\\\?\\" + dir).c_str());
        dir.resize(dir.find_last_of(L'\\'));
    }
}

TEST_F(HostFiles, ExistenceAndSizeTable) {
    struct Case {
        const char* label;
        std::wstring path;
        int isFile, isDirectory, isEither;
        long long size;
    };
    const Case cases[] = {
        {"file", tree.path(L"Sized.bin"), 1, 0, 1, 1234},
        {"file in another letter case", Lower(tree.path(L"MixedCase\\SubDir\\File.TXT")), 1, 0, 1, 5},
        {"empty file", tree.path(L"MixedCase\\Empty.dat"), 1, 0, 1, 0},
        {"directory", tree.path(L"MixedCase"), 0, 1, 1, 0},
        {"missing", tree.path(L"NoSuch.txt"), 0, 0, 0, -1},
        {"missing folder", tree.path(L"NoSuch\\x.txt"), 0, 0, 0, -1},
        {"empty name", L"", 0, 0, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(QueryIsFile(c.path.c_str()) != 0, c.isFile != 0);
        EXPECT_EQ(QueryIsDirectory(c.path.c_str()) != 0, c.isDirectory != 0);
        EXPECT_EQ(QueryIsFileOrDirectory(c.path.c_str()) != 0, c.isEither != 0);
        EXPECT_EQ(QueryFileSize(c.path.c_str(), 0), c.size);
    }
    EXPECT_EQ(QueryIsFile(nullptr), 0);
    EXPECT_EQ(QueryIsDirectory(nullptr), 0);
    EXPECT_EQ(QueryIsFileOrDirectory(nullptr), 0);
    EXPECT_EQ(QueryFileSize(nullptr, 0), -1);
}

TEST(HostFileNames, StandardInputIsAFile) {
    EXPECT_NE(QueryIsFile(L"-"), 0);
    EXPECT_EQ(QueryIsDirectory(L"-"), 0);
}

TEST(HostFileNames, ClipboardIsAFileWhenItHoldsText) {
    if (!OpenClipboard(nullptr)) GTEST_SKIP() << "no clipboard here (Wine without a display)";
    EmptyClipboard();
    const wchar_t text[] = L"a.txt\r\n";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    ASSERT_NE(memory, nullptr);
    memcpy(GlobalLock(memory), text, sizeof text);
    GlobalUnlock(memory);
    bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!placed) GTEST_SKIP() << "the clipboard does not take text here";
    EXPECT_NE(QueryIsFile(L"clip:"), 0);
    EXPECT_NE(QueryIsFile(L"CLIP:"), 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(QueryIsFile(L"clip:"), 0);
}

} // namespace
