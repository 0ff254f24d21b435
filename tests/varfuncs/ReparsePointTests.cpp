// Tests of the reparse-point reader: the interpretation of crafted reparse data buffers (the
// three tags, unknown tags, truncated and lying lengths), relative targets, and the thin
// Win32 path on ordinary and missing files.
#include "support/TestSupport.h"
#include "varfuncs/ReparsePoint.h"

#include "support/ByteWriting.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <random>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::TempTree;

namespace {

using Bytes = std::vector<uint8_t>;

using testing_support::Put16;
using testing_support::Put32;
void Append(Bytes& b, const std::wstring& s, bool terminate) {
    for (wchar_t c : s) {
        b.push_back(static_cast<uint8_t>(c));
        b.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (terminate) b.insert(b.end(), {0, 0});
}

// Symbolic link (tag 0xA000000C) or junction (0xA0000003): substitute name first, then the
// print name, as the system stores them.
Bytes NameBuffer(uint32_t tag, const std::wstring& substitute, const std::wstring& print,
                 uint32_t flags = 0) {
    bool symlink = tag == ReparseTagSymlink;
    size_t pathBuffer = symlink ? 20 : 16;
    Bytes b(pathBuffer, 0);
    Put32(b, 0, tag);
    Put16(b, 8, 0);
    Put16(b, 10, static_cast<uint16_t>(substitute.size() * 2));
    Put16(b, 12, static_cast<uint16_t>(substitute.size() * 2));
    Put16(b, 14, static_cast<uint16_t>(print.size() * 2));
    if (symlink) Put32(b, 16, flags);
    Append(b, substitute, false);
    Append(b, print, false);
    Put16(b, 4, static_cast<uint16_t>(b.size() - 8));
    return b;
}

Bytes Alias(const std::vector<std::wstring>& strings) {
    Bytes b(12, 0);
    Put32(b, 0, ReparseTagAppExecLink);
    Put32(b, 8, 3);
    for (const std::wstring& s : strings)
        Append(b, s, true);
    Put16(b, 4, static_cast<uint16_t>(b.size() - 8));
    return b;
}

ReparseData Interpret(const Bytes& b) {
    return InterpretReparseData(ByteReader(b.data(), b.size()));
}

Bytes Changed(Bytes b, size_t at, uint16_t value) {
    Put16(b, at, value);
    return b;
}

} // namespace

TEST(InterpretReparseDataTest, Tags) {
    const std::wstring packaged = L"C:\\Program Files\\WindowsApps\\Maker.App_1.0_x64\\app.exe";
    struct Row {
        const char* label;
        Bytes buffer;
        int result;
        uint32_t tag;
        std::wstring text;
        bool relative;
    } rows[] = {
        {"absolute symlink with prefix",
         NameBuffer(ReparseTagSymlink, L"\\??\\C:\\data\\file.txt", L"C:\\data\\file.txt"), 0,
         ReparseTagSymlink, L"C:\\data\\file.txt", false},
        {"absolute symlink without prefix", NameBuffer(ReparseTagSymlink, L"C:\\data", L""), 0,
         ReparseTagSymlink, L"C:\\data", false},
        {"symlink to a network share",
         NameBuffer(ReparseTagSymlink, L"\\??\\UNC\\server\\share\\f", L"\\\\server\\share\\f"), 0,
         ReparseTagSymlink, L"\\\\server\\share\\f", false},
        {"relative symlink", NameBuffer(ReparseTagSymlink, L"..\\c", L"..\\c", 1), 0, ReparseTagSymlink,
         L"..\\c", true},
        {"relative flag among others", NameBuffer(ReparseTagSymlink, L"x", L"x", 0xFFFFFFFF), 0,
         ReparseTagSymlink, L"x", true},
        {"junction to the root of D", NameBuffer(ReparseTagMountPoint, L"\\??\\D:\\", L"D:\\"), 0,
         ReparseTagMountPoint, L"D:\\", false},
        {"junction to a folder", NameBuffer(ReparseTagMountPoint, L"\\??\\C:\\Users\\me", L"C:\\Users\\me"),
         0, ReparseTagMountPoint, L"C:\\Users\\me", false},
        {"junction without prefix", NameBuffer(ReparseTagMountPoint, L"D:\\dir", L"D:\\dir"),
         ReparseBadArguments, 0, L"", false},
        {"junction that is only the prefix", NameBuffer(ReparseTagMountPoint, L"\\??\\", L""),
         ReparseBadArguments, 0, L"", false},
        {"junction to a volume name", NameBuffer(ReparseTagMountPoint, L"\\??\\Volume{0}\\", L""), 0,
         ReparseTagMountPoint, L"Volume{0}\\", false},
        {"execution alias", Alias({L"Maker.App_abc", L"Maker.App_abc!App", packaged, L"0"}), 0,
         ReparseTagAppExecLink, packaged, false},
        {"execution alias with three strings", Alias({L"a", L"b", L"C:\\x.exe"}), 0, ReparseTagAppExecLink,
         L"C:\\x.exe", false},
        {"execution alias with two strings", Alias({L"a", L"b"}), ReparseMalformed, 0, L"", false},
        {"execution alias with an empty target", Alias({L"a", L"b", L""}), ReparseMalformed, 0, L"", false},
        {"cloud files tag", Changed(NameBuffer(0x9000001A, L"x", L"x"), 0, 0x001A), ReparseUnsupportedTag,
         0x9000001A, L"ReparseData-\u2192ReparseTag = 0x9000001A\n", false},
        {"deduplication tag",
         [] {
             Bytes b(8, 0);
             Put32(b, 0, 0x80000013);
             return b;
         }(),
         ReparseUnsupportedTag, 0x80000013, L"ReparseData-\u2192ReparseTag = 0x80000013\n", false},
        {"empty symlink name", NameBuffer(ReparseTagSymlink, L"", L"p"), ReparseMalformed, 0, L"", false},
        {"symlink name that is only the prefix", NameBuffer(ReparseTagSymlink, L"\\??\\", L""),
         ReparseMalformed, 0, L"", false},
    };
    for (const Row& row : rows) {
        ReparseData d = Interpret(row.buffer);
        EXPECT_EQ(d.result, row.result) << row.label;
        if (row.result == 0 || row.result == ReparseUnsupportedTag) {
            EXPECT_EQ(d.tag, row.tag) << row.label;
            EXPECT_EQ(d.text, row.text) << row.label;
        }
        if (row.result == 0) {
            EXPECT_EQ(d.relative, row.relative) << row.label;
        }
    }
}

TEST(InterpretReparseDataTest, TruncatedAndLyingLengths) {
    Bytes link = NameBuffer(ReparseTagSymlink, L"\\??\\C:\\t", L"C:\\t");
    Bytes junction = NameBuffer(ReparseTagMountPoint, L"\\??\\D:\\", L"D:\\");
    struct Row {
        const char* label;
        Bytes buffer;
    } rows[] = {
        {"empty buffer", Bytes{}},
        {"tag only", Bytes{0x0C, 0, 0, 0xA0}},
        {"data length beyond the buffer", Changed(link, 4, static_cast<uint16_t>(link.size()))},
        {"substitute offset beyond the data", Changed(link, 8, 200)},
        {"substitute length beyond the data", Changed(link, 10, 400)},
        {"odd substitute length", Changed(link, 10, 7)},
        {"symlink header cut before its flags", Bytes(link.begin(), link.begin() + 18)},
        {"junction name cut short", Bytes(junction.begin(), junction.end() - 8)},
        {"junction offset wraps past 16 bits", Changed(junction, 8, 0xFFFF)},
        {"alias without version",
         [] {
             Bytes b(8, 0);
             Put32(b, 0, ReparseTagAppExecLink);
             return b;
         }()},
        {"alias string without terminator",
         [] {
             Bytes b = Alias({L"a", L"b", L"C:\\x.exe"});
             b.resize(b.size() - 2);
             Put16(b, 4, static_cast<uint16_t>(b.size() - 8));
             return b;
         }()},
        {"alias data length shorter than its strings",
         [] {
             Bytes b = Alias({L"a", L"b", L"C:\\x.exe"});
             Put16(b, 4, 10);
             return b;
         }()},
    };
    for (const Row& row : rows) {
        ReparseData d = Interpret(row.buffer);
        EXPECT_EQ(d.result, ReparseMalformed) << row.label;
        EXPECT_TRUE(d.text.empty()) << row.label;
    }
    // A lying print name does not matter: only the substitute name is read.
    EXPECT_EQ(Interpret(Changed(link, 12, 0xFFF0)).result, 0);
    EXPECT_EQ(Interpret(Changed(link, 14, 0xFFF0)).text, L"C:\\t");
}

TEST(InterpretReparseDataTest, EveryTruncationAndRandomDamage) {
    std::vector<Bytes> originals = {
        NameBuffer(ReparseTagSymlink, L"\\??\\C:\\data\\file.txt", L"C:\\data\\file.txt"),
        NameBuffer(ReparseTagSymlink, L"..\\up", L"..\\up", 1),
        NameBuffer(ReparseTagMountPoint, L"\\??\\D:\\", L"D:\\"),
        Alias({L"pkg", L"pkg!App", L"C:\\apps\\app.exe", L"0"})};
    for (const Bytes& original : originals) {
        ReparseData whole = Interpret(original);
        ASSERT_EQ(whole.result, 0);
        for (size_t cut = 0; cut < original.size(); ++cut) {
            ReparseData d = Interpret(Bytes(original.begin(), original.begin() + cut));
            EXPECT_EQ(d.result, ReparseMalformed) << cut;
        }
    }
    std::mt19937 generator(7); // fixed generator state: the run is repeatable
    for (int round = 0; round < 5000; ++round) {
        Bytes b = originals[generator() % originals.size()];
        int flips = 1 + static_cast<int>(generator() % 6);
        for (int i = 0; i < flips; ++i)
            b[generator() % b.size()] = static_cast<uint8_t>(generator());
        b.resize(generator() % (b.size() + 1));
        ReparseData d = Interpret(b);
        EXPECT_TRUE(d.result == 0 || d.result == ReparseMalformed || d.result == ReparseBadArguments ||
                    d.result == ReparseUnsupportedTag);
        if (d.result == 0) {
            EXPECT_LE(d.text.size() * 2, b.size());
        }
    }
}

TEST(LinkDirectoryTest, Parts) {
    struct Row {
        const wchar_t* path;
        const wchar_t* directory;
    } rows[] = {
        {L"C:\\a\\b\\link", L"C:\\a\\b\\"},
        {L"C:/a/b/link", L"C:/a/b/"},
        {L"C:link", L"C:"},
        {L"link", L""},
        {L"\\\\server\\share\\l", L"\\\\server\\share\\"},
        {L"a\\b:c\\l", L"a\\b:c\\"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LinkDirectory(row.path), row.directory) << testing_support::ToUtf8(row.path);
}

TEST(ResolveRelativeTargetTest, Directories) {
    wchar_t out[300];
    ASSERT_EQ(ResolveRelativeTarget(L"C:\\a\\b\\link", L"..\\c", out, 300), 0);
    EXPECT_STREQ(out, L"C:\\a\\b\\..\\c");
    ASSERT_EQ(ResolveRelativeTarget(L"C:/a/b/link", L"c", out, 300), 0);
    EXPECT_STREQ(out, L"C:\\a\\b\\c");

    TempTree tree;
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(tree.root().c_str()));
    int rc = ResolveRelativeTarget(L"link", L"target.txt", out, 300);
    std::wstring got = out;
    SetCurrentDirectoryW(saved);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(got, tree.root() + L"\\target.txt");

    // "C:\a\b\" plus "..\c" is 11 characters: 12 fit with the terminator, 11 do not.
    wchar_t small[16];
    wcscpy(small, L"kept");
    EXPECT_EQ(ResolveRelativeTarget(L"C:\\a\\b\\link", L"..\\c", small, 11), ReparseTooLong);
    EXPECT_STREQ(small, L"kept");
    EXPECT_EQ(ResolveRelativeTarget(L"C:\\a\\b\\link", L"..\\c", small, 12), 0);
    EXPECT_STREQ(small, L"C:\\a\\b\\..\\c");
}

TEST(ReadReparseTargetTest, OrdinaryAndMissingFiles) {
    TempTree tree;
    std::wstring file = tree.file(L"plain.txt", std::string("text"));
    std::wstring folder = tree.dir(L"folder");
    wchar_t out[300];
    uint32_t tag = 99;
    struct Row {
        const char* label;
        std::wstring path;
        int result;
    } rows[] = {
        {"ordinary file", file, ERROR_NOT_A_REPARSE_POINT},
        {"ordinary folder", folder, ERROR_NOT_A_REPARSE_POINT},
        {"missing file", tree.path(L"missing.txt"), ERROR_FILE_NOT_FOUND},
        {"missing folder", tree.path(L"nothere\\link"), ERROR_PATH_NOT_FOUND},
    };
    for (const Row& row : rows) {
        wcscpy(out, L"untouched");
        tag = 99;
        EXPECT_EQ(ReadReparseTarget(row.path.c_str(), out, 300, &tag), row.result) << row.label;
        EXPECT_STREQ(out, L"untouched") << row.label;
        EXPECT_EQ(tag, 0u) << row.label;
    }
    EXPECT_EQ(ReadReparseTarget(nullptr, out, 300, nullptr), -1);
    EXPECT_EQ(ReadReparseTarget(L"", out, 300, nullptr), -1);
    EXPECT_EQ(ReadReparseTarget(file.c_str(), nullptr, 300, nullptr), -1);
    EXPECT_EQ(ReadReparseTarget(file.c_str(), out, 259, nullptr), -1);
    EXPECT_EQ(ReadReparseTarget(file.c_str(), out, 260, nullptr), ERROR_NOT_A_REPARSE_POINT);
}

TEST(ReadReparseTargetTest, SymbolicLinkEndToEnd) {
    TempTree tree;
    std::wstring target = tree.file(L"target.txt", std::string("x"));
    std::wstring link = tree.path(L"link.txt");
    if (!CreateSymbolicLinkW(link.c_str(), target.c_str(), 0))
        GTEST_SKIP() << "symbolic links cannot be created here (error " << GetLastError() << ")";
    DWORD attributes = GetFileAttributesW(link.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "CreateSymbolicLinkW reported success but left no reparse point (attributes 0x"
                     << std::hex << attributes
                     << "); the interpretation is covered by InterpretReparseDataTest";
    wchar_t out[300] = L"";
    uint32_t tag = 0;
    int rc = ReadReparseTarget(link.c_str(), out, 300, &tag);
    if (rc == ERROR_NOT_A_REPARSE_POINT)
        GTEST_SKIP() << "this system does not return reparse data (FSCTL_GET_REPARSE_POINT); "
                        "the interpretation is covered by InterpretReparseDataTest";
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(tag, ReparseTagSymlink);
    EXPECT_EQ(std::wstring(out), target);
}
