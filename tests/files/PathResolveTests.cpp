// Path resolution: slashes, ";" alternatives, "~" and the home directory, drive letters, true
// names, the long-path prefix and path joining.
#include "files/PathResolve.h"

#include "command/CommandTestSupport.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scrutel;
using command_tests::CurrentDirectory;
using command_tests::EnvironmentVariable;
using testing_support::TempTree;

namespace {

std::wstring Resolve(const std::wstring& input, unsigned mode, int* rc = nullptr) {
    std::vector<wchar_t> output(PathChars, 0);
    int result = ResolvePath(input.c_str(), output.data(), mode);
    if (rc) *rc = result;
    return output.data();
}

// HOME, HOMEDRIVE and HOMEPATH as a test sets them; null removes a variable.
struct HomeEnvironment {
    HomeEnvironment(const wchar_t* home, const wchar_t* drive, const wchar_t* path)
        : home_(L"HOME", home), drive_(L"HOMEDRIVE", drive), path_(L"HOMEPATH", path) {}
    EnvironmentVariable home_, drive_, path_;
};

std::wstring Profile() {
    wchar_t profile[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, profile))) return L"";
    return profile;
}

// ---- ResolvePath

TEST(ResolvePath, AlternativesInTheLastComponentBecomeBars) {
    EXPECT_EQ(Resolve(L"c:/nodir/*.txt;*.log", ResolveNameLists | ResolveHome), L"C:\\nodir\\*.txt|*.log");
    EXPECT_EQ(Resolve(L"C:\\a;b\\x;y", ResolveNameLists | ResolveHome), L"C:\\a;b\\x|y");
    EXPECT_EQ(Resolve(L"c:/nodir/a;b", ResolveHome), L"C:\\nodir\\a;b");
}

TEST(ResolvePath, NameListScanStartsAfterTheLastBackslash) {
    EXPECT_EQ(NameListScanStart(L"C:\\dir\\a;b"), 6u);
    EXPECT_EQ(NameListScanStart(L"C:a;b"), 2u);
    EXPECT_EQ(NameListScanStart(L"a;b"), 0u);
    EXPECT_EQ(NameListScanStart(L"\\x;y"), 0u);
    EXPECT_EQ(NameListScanStart(L"7:\\q"), 2u);
}

TEST(ResolvePath, RelativeNamesBecomeFullPaths) {
    TempTree tree;
    CurrentDirectory cwd(tree.root());
    EXPECT_EQ(Resolve(L"x.txt;y.txt", ResolveNameLists | ResolveHome), tree.root() + L"\\x.txt|y.txt");
    EXPECT_EQ(Resolve(L"sub/*", ResolveHome), tree.root() + L"\\sub\\*");
}

TEST(ResolvePath, TrueNameDifferingOnlyInCaseIsNotTaken) {
    TempTree tree;
    tree.dir(L"Mixed");
    std::wstring input = tree.root() + L"\\MIXED\\*";
    EXPECT_EQ(Resolve(input, ResolveHome), input);
}

TEST(ResolvePath, MissingOrEmptyInputIsMinus1) {
    std::vector<wchar_t> output(PathChars, 0);
    EXPECT_EQ(ResolvePath(nullptr, output.data(), 3), -1);
    EXPECT_EQ(ResolvePath(L"", output.data(), 3), -1);
    EXPECT_EQ(ResolvePath(L"x", nullptr, 3), -1);
}

TEST(ResolvePath, ResultTooLongIs111AndLeavesTheOutput) {
    TempTree tree;
    HomeEnvironment env(tree.root().c_str(), nullptr, nullptr);
    std::wstring input = L"~\\" + std::wstring(32760, L'n');
    std::vector<wchar_t> output(PathChars, 0);
    wcscpy(output.data(), L"unchanged");
    EXPECT_EQ(ResolvePath(input.c_str(), output.data(), ResolveHome), 111);
    EXPECT_STREQ(output.data(), L"unchanged");
    std::wstring tooLong(PathChars, L'a');
    EXPECT_EQ(ResolvePath(tooLong.c_str(), output.data(), ResolveHome), 111);
    EXPECT_STREQ(output.data(), L"unchanged");
}

TEST(ResolvePath, TildeIsExpandedOnlyWithTheHomeMode) {
    TempTree tree;
    HomeEnvironment env(tree.root().c_str(), nullptr, nullptr);
    EXPECT_EQ(Resolve(L"~\\*.txt;*.log", ResolveNameLists | ResolveHome), tree.root() + L"\\*.txt|*.log");
    TempTree other;
    CurrentDirectory cwd(other.root());
    EXPECT_EQ(Resolve(L"~\\*.txt", ResolveNameLists), other.root() + L"\\~\\*.txt");
}

// ---- ExpandHome and FindHomeDirectory

std::wstring Expand(const std::wstring& path, int* rc = nullptr) {
    std::vector<wchar_t> buffer(PathChars, 0);
    wcscpy(buffer.data(), path.c_str());
    int result = ExpandHome(buffer.data());
    if (rc) *rc = result;
    return buffer.data();
}

TEST(ExpandHome, UsesHomeWhenItNamesAFolder) {
    TempTree home;
    TempTree cwdTree;
    CurrentDirectory cwd(cwdTree.root());
    HomeEnvironment env(home.root().c_str(), nullptr, nullptr);
    int rc = -1;
    EXPECT_EQ(Expand(L"~", &rc), home.root());
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(Expand(L"~\\docs\\*.txt", &rc), home.root() + L"\\docs\\*.txt");
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(Expand(L"~/docs/a.txt"), home.root() + L"\\docs\\a.txt");
    EXPECT_EQ(Expand(L"~\\"), home.root());
    EXPECT_EQ(Expand(L"~docs", &rc), L"~docs");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Expand(L"x~", &rc), L"x~");
    EXPECT_EQ(rc, 0);
}

TEST(ExpandHome, HomeWithForwardSlashesIsNormalised) {
    TempTree home;
    std::wstring slashed = home.root();
    for (auto& c : slashed)
        if (c == L'\\') c = L'/';
    HomeEnvironment env(slashed.c_str(), nullptr, nullptr);
    wchar_t found[HomeChars] = {};
    ASSERT_EQ(FindHomeDirectory(found), 1);
    EXPECT_EQ(std::wstring(found), home.root());
}

TEST(ExpandHome, HomeDriveAndPathWhenHomeIsMissing) {
    TempTree home;
    std::wstring root = home.root();
    ASSERT_EQ(root[1], L':');
    std::wstring drive = root.substr(0, 2), path = root.substr(2);
    {
        HomeEnvironment env(nullptr, drive.c_str(), path.c_str());
        EXPECT_EQ(Expand(L"~\\x"), root + L"\\x");
    }
    {
        std::wstring missing = root + L"\\missing";
        HomeEnvironment env(missing.c_str(), drive.c_str(), path.c_str());
        EXPECT_EQ(Expand(L"~"), root);
    }
}

TEST(ExpandHome, ProfileFolderIsTheLastCandidate) {
    std::wstring profile = Profile();
    if (profile.empty()) GTEST_SKIP() << "no profile folder in this prefix";
    HomeEnvironment env(nullptr, L"nodrive", L"\\x");
    wchar_t found[HomeChars] = {};
    ASSERT_EQ(FindHomeDirectory(found), 1);
    EXPECT_EQ(std::wstring(found), profile);
}

TEST(ExpandHome, RealTildeInTheCurrentDirectoryWins) {
    TempTree home;
    HomeEnvironment env(home.root().c_str(), nullptr, nullptr);
    TempTree work;
    CurrentDirectory cwd(work.root());
    work.dir(L"~");
    int rc = -1;
    EXPECT_EQ(Expand(L"~\\x", &rc), L"~\\x");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Expand(L"~", &rc), L"~");
    EXPECT_EQ(rc, 0);
}

TEST(ExpandHome, TildeFileHidesOnlyTheBareTilde) {
    TempTree home;
    HomeEnvironment env(home.root().c_str(), nullptr, nullptr);
    TempTree work;
    CurrentDirectory cwd(work.root());
    work.file(L"~", "x");
    EXPECT_EQ(Expand(L"~"), L"~");
    EXPECT_EQ(Expand(L"~\\x"), home.root() + L"\\x");
}

struct DriveCase {
    const char* label;
    std::wstring drive;
    std::wstring path;
    std::wstring expected;
};

class HomeDrive : public ::testing::TestWithParam<DriveCase> {};

TEST_P(HomeDrive, FormsACandidateOnlyFromADriveAndARootedPath) {
    const DriveCase& c = GetParam();
    EXPECT_EQ(HomeDriveCandidate(c.drive, c.path), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HomeDrive,
    ::testing::Values(DriveCase{"drive and path", L"C:", L"\\Users\\me", L"C:\\Users\\me"},
                      DriveCase{"forward slash", L"d:", L"/home", L"d:/home"},
                      DriveCase{"digit is no drive", L"1:", L"\\x", L""},
                      DriveCase{"no colon", L"C", L"\\x", L""},
                      DriveCase{"relative path", L"C:", L"Users", L""},
                      DriveCase{"empty path", L"C:", L"", L""}, DriveCase{"empty drive", L"", L"\\x", L""}));

TEST(FindHomeDirectory, HomeLongerThanItsBufferIsNotTaken) {
    TempTree tree;
    std::wstring longHome = tree.root() + L"\\" + std::wstring(240, L'h');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + longHome).c_str(), nullptr));
    std::wstring root = tree.root();
    HomeEnvironment env(longHome.c_str(), root.substr(0, 2).c_str(), root.substr(2).c_str());
    wchar_t found[HomeChars] = {};
    ASSERT_EQ(FindHomeDirectory(found), 1);
    EXPECT_EQ(std::wstring(found), root);
}

// ---- AddLongPathPrefix

struct PrefixCase {
    const char* label;
    std::wstring path;
    int expected;
};

class LongPathPrefix : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(LongPathPrefix, IsAddedWhenTheDirectoryPartIsTooLong) {
    const PrefixCase& c = GetParam();
    std::vector<wchar_t> buffer(PathChars, 0);
    wcscpy(buffer.data(), c.path.c_str());
    EXPECT_EQ(AddLongPathPrefix(buffer.data(), PathChars), c.expected) << c.label;
    EXPECT_EQ(std::wstring(buffer.data()), c.expected == 1 ? L"\\\\?\\" + c.path : c.path) << c.label;
    std::wstring text = c.path;
    EXPECT_EQ(AddLongPathPrefix(text), c.expected) << c.label;
    EXPECT_EQ(text, std::wstring(buffer.data())) << c.label;
}

std::wstring PathOf(size_t dirLength, size_t total) {
    // "C:\" then a directory part of dirLength characters (ending with "\"), then a name.
    std::wstring path = L"C:\\" + std::wstring(dirLength - 4, L'd') + L"\\";
    return path + std::wstring(total - path.size(), L'n');
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LongPathPrefix,
    ::testing::Values(PrefixCase{"directory of 250 in a path of 300", PathOf(250, 300), 1},
                      PrefixCase{"one long name", std::wstring(300, L'n'), 0},
                      PrefixCase{"short path", L"C:\\dir\\a.txt", 0},
                      PrefixCase{"259 characters", PathOf(250, 259), 0},
                      PrefixCase{"260 characters", PathOf(250, 260), 1},
                      PrefixCase{"directory leaves room for a 12-character name", PathOf(248, 300), 0},
                      PrefixCase{"directory one character longer", PathOf(249, 300), 1},
                      PrefixCase{"UNC path", L"\\\\server\\share\\" + std::wstring(280, L'x') + L"\\a", 0},
                      PrefixCase{"already prefixed", L"\\\\?\\C:\\" + std::wstring(280, L'x') + L"\\a", 0},
                      PrefixCase{"only separator first", L"\\" + std::wstring(300, L'x'), 0},
                      PrefixCase{"forward slashes count", L"C:/" + std::wstring(280, L'x') + L"/a", 1}));

TEST(LongPathPrefix, RefusesMissingPathsAndSmallBuffers) {
    wchar_t small[300] = L"C:\\x";
    EXPECT_EQ(AddLongPathPrefix(nullptr, PathChars), -1);
    wchar_t empty[PathChars] = {};
    EXPECT_EQ(AddLongPathPrefix(empty, PathChars), -1);
    EXPECT_EQ(AddLongPathPrefix(small, 260), -1);
    std::wstring nothing;
    EXPECT_EQ(AddLongPathPrefix(nothing), -1);
}

TEST(LongPathPrefix, NoRoomForThePrefixLeavesThePath) {
    std::wstring path = PathOf(280, 298);
    std::vector<wchar_t> buffer(300, 0);
    wcscpy(buffer.data(), path.c_str());
    EXPECT_EQ(AddLongPathPrefix(buffer.data(), 300), 0);
    EXPECT_EQ(std::wstring(buffer.data()), path);
}

// ---- JoinPath

struct JoinCase {
    const char* label;
    std::wstring base;
    const wchar_t* tail;
    std::wstring expected;
};

class PathJoining : public ::testing::TestWithParam<JoinCase> {};

TEST_P(PathJoining, AddsOneSeparatorWhereNeeded) {
    const JoinCase& c = GetParam();
    std::vector<wchar_t> buffer(PathChars, 0);
    wcscpy(buffer.data(), c.base.c_str());
    EXPECT_EQ(JoinPath(buffer.data(), c.tail, PathChars), 0) << c.label;
    EXPECT_EQ(std::wstring(buffer.data()), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PathJoining,
    ::testing::Values(JoinCase{"drive", L"C:", L"x", L"C:x"},
                      JoinCase{"folder", L"C:\\dir", L"x", L"C:\\dir\\x"},
                      JoinCase{"no separator is removed", L"C:\\dir\\", L"\\x", L"C:\\dir\\\\x"},
                      JoinCase{"tail with slash", L"C:\\dir", L"/x", L"C:\\dir/x"},
                      JoinCase{"base with slash", L"C:/dir/", L"x", L"C:/dir/x"},
                      JoinCase{"empty base", L"", L"x", L"x"},
                      JoinCase{"empty tail", L"C:\\dir", L"", L"C:\\dir\\"},
                      JoinCase{"long result gets the prefix", L"C:\\" + std::wstring(280, L'd'), L"name.txt",
                               L"\\\\?\\C:\\" + std::wstring(280, L'd') + L"\\name.txt"}));

TEST(PathJoining, MissingTailOrNoRoomIsMinus1) {
    wchar_t base[PathChars] = L"C:\\dir";
    EXPECT_EQ(JoinPath(base, nullptr, PathChars), -1);
    EXPECT_STREQ(base, L"C:\\dir");
    std::wstring tail(PathChars, L't');
    tail.resize(PathChars - 4);
    EXPECT_EQ(JoinPath(base, tail.c_str(), PathChars), -1);
    EXPECT_STREQ(base, L"C:\\dir");
}

} // namespace

TEST(DeviceNames, NamesThatOpenADevice) {
    struct Row {
        const wchar_t* name;
        bool device;
    } rows[] = {
        {L"AUX", true},          {L"aux.txt", true},       {L"NUL", true},        {L"nul.tar.gz", true},
        {L"CON", true},          {L"Con.log", true},       {L"PRN.txt", true},    {L"COM1", true},
        {L"com9.txt", true},     {L"COM0", true},          {L"LPT1", true},       {L"lpt5.x", true},
        {L"COM\u00B9", true},    {L"LPT\u00B3.txt", true}, {L"CONIN$", true},     {L"conout$.dat", true},
        {L"NUL  .txt", true},    {L"AUX:stream", true},    {L"AUX ", true},       {L"COM10", false},
        {L"COM", false},         {L"LPT", false},          {L"AUXILIARY", false}, {L"NULL", false},
        {L"CONSOLE.txt", false}, {L"xNUL", false},         {L"_CON", false},      {L"CONOUT", false},
        {L"COMA", false},        {L"COM\u00B4", false},    {L".NUL", false},      {L"", false},
        {L"readme.txt", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsDeviceName(row.name), row.device) << testing_support::ToUtf8(row.name);
    EXPECT_FALSE(IsDeviceName(nullptr));
}

TEST(EntryNames, FullDrivePathsOfNamesThePlainFormChangesTakeTheLongForm) {
    struct Row {
        const char* label;
        std::wstring path, expected;
        int result;
    } rows[] = {
        {"device name", L"C:\\dir\\AUX.txt", L"\\\\?\\C:\\dir\\AUX.txt", 1},
        {"device name in the root", L"Z:\\nul", L"\\\\?\\Z:\\nul", 1},
        {"forward slash", L"Z:/tmp/CONOUT$", L"\\\\?\\Z:/tmp/CONOUT$", 1},
        {"ordinary name", L"C:\\dir\\notes.txt", L"C:\\dir\\notes.txt", 0},
        {"device name only in a folder", L"C:\\NUL\\notes.txt", L"C:\\NUL\\notes.txt", 0},
        {"trailing dot", L"C:\\dir\\apache.", L"\\\\?\\C:\\dir\\apache.", 1},
        {"trailing blank", L"C:\\dir\\notes ", L"\\\\?\\C:\\dir\\notes ", 1},
        {"inner dot and blank", L"C:\\dir\\a. b.txt", L"C:\\dir\\a. b.txt", 0},
        {"trailing dot only in a folder", L"C:\\apache.\\pom.xml", L"C:\\apache.\\pom.xml", 0},
        {"already in the long form", L"\\\\?\\C:\\dir\\AUX.txt", L"\\\\?\\C:\\dir\\AUX.txt", 0},
        {"network path left alone", L"\\\\server\\share\\AUX.txt", L"\\\\server\\share\\AUX.txt", 0},
        {"relative path left alone", L"dir\\AUX.txt", L"dir\\AUX.txt", 0},
    };
    for (Row& row : rows) {
        std::wstring path = row.path;
        EXPECT_EQ(ProtectEntryName(path), row.result) << row.label;
        EXPECT_EQ(path, row.expected) << row.label;
    }
}
