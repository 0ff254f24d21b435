// The file walker on temporary trees: order, alternatives, recursion and depth limits, skip flags,
// attribute masks, messages and results, the handler's results and the exception guard.
#include "select/Walker.h"

#include "command/RangeParse.h"

#include "command/CommandTestSupport.h"
#include "output/ErrorReport.h"
#include "files/PathResolve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace scrutel;
using command_tests::Handled;
using command_tests::RecordingHandler;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

const std::wstring Prefix = L"Scrutel plugin: ";
constexpr uint32_t Lists = WalkNameLists | WalkListFiles;

struct WalkRun {
    int result = 0;
    std::vector<std::wstring> paths;
    std::wstring out;
    std::wstring err;
};

struct WalkOptions {
    uint32_t flags = Lists;
    uint32_t attributeMask = 0x10;
    uint32_t attributeValues = 0;
    int minDepth = 0;
    int maxDepth = -1;
    FileHandler handler = RecordingHandler;
    uint32_t omitMask = 0;
};

WalkRun Walk(const std::wstring& spec, const WalkOptions& options = {}, const RangeSet& ranges = {}) {
    Handled().clear();
    ScanSettings settings;
    WalkRun run;
    Capture capture;
    scrutel::WalkOptions walk;
    walk.omitMask = options.omitMask;
    walk.walkFlags = options.flags;
    walk.attributeMask = options.attributeMask;
    walk.attributeValues = options.attributeValues;
    walk.ranges = &ranges;
    walk.minDepth = options.minDepth;
    walk.maxDepth = options.maxDepth;
    run.result = WalkFileSpec(spec.c_str(), walk, settings, options.handler);
    run.out = capture.out();
    run.err = capture.err();
    for (const auto& file : Handled())
        run.paths.push_back(file.path);
    return run;
}

// The names in dir in the order in which the system enumerates them: files (or folders).
std::vector<std::wstring> SystemOrder(const std::wstring& dir, bool folders) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders) names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

// The expected pre-order walk: the matching files of each folder, then its subfolders in turn.
void ExpectedWalk(const std::wstring& dir, const std::function<bool(const std::wstring&)>& wanted, int level,
                  int minDepth, int maxDepth, std::vector<std::wstring>& into) {
    if (level >= minDepth)
        for (const auto& name : SystemOrder(dir, false))
            if (wanted(name)) into.push_back(dir + L"\\" + name);
    if (maxDepth >= 0 && level >= maxDepth) return;
    for (const auto& name : SystemOrder(dir, true))
        ExpectedWalk(dir + L"\\" + name, wanted, level + 1, minDepth, maxDepth, into);
}

bool EndsWithTxt(const std::wstring& name) {
    return name.size() > 4 && name.substr(name.size() - 4) == L".txt";
}

class WalkerTest : public ::testing::Test {
  protected:
    WalkerTest() {
        tree_.file(L"a.txt", "a");
        tree_.file(L"b.log", "b");
        tree_.file(L"c.dat", "c");
        tree_.file(L"z.txt", "z");
        tree_.file(L"sub1\\d.txt", "d");
        tree_.file(L"sub1\\deep\\e.txt", "e");
        tree_.file(L"sub1\\deep\\e.log", "e");
        tree_.file(L"sub2\\f.txt", "f");
        tree_.file(L"sub2\\g.dat", "g");
    }
    std::wstring Root(const std::wstring& tail) const { return tree_.root() + L"\\" + tail; }
    TempTree tree_;
};

// ---- selection in one folder

TEST_F(WalkerTest, StarSelectsEveryFileInEnumerationOrder) {
    WalkRun run = Walk(Root(L"*"));
    std::vector<std::wstring> expected;
    for (const auto& name : SystemOrder(tree_.root(), false))
        expected.push_back(Root(name));
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.paths, expected);
    EXPECT_EQ(run.err, L"");
    EXPECT_EQ(run.out, L"");
}

TEST_F(WalkerTest, SemicolonAlternativesSelectEachFileOnce) {
    std::vector<std::wstring> expected;
    for (const auto& name : SystemOrder(tree_.root(), false))
        if (EndsWithTxt(name) || name == L"b.log") expected.push_back(Root(name));
    // a.txt matches both alternatives and is still reported once.
    const std::wstring specs[] = {Root(L"*.txt;*.log;a.*"), Root(L"*.txt|*.log"), Root(L"*.TXT;;*.log;")};
    for (const auto& spec : specs) {
        WalkRun run = Walk(spec);
        EXPECT_EQ(run.result, 0) << testing_support::ToUtf8(spec);
        EXPECT_EQ(run.paths, expected) << testing_support::ToUtf8(spec);
    }
}

TEST_F(WalkerTest, WithoutNameListsTheBarIsPartOfThePattern) {
    WalkOptions options;
    options.flags = WalkListFiles | WalkQuietNotFound;
    WalkRun run = Walk(Root(L"*.txt;*.log"), options);
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(run.paths.empty());
}

TEST_F(WalkerTest, RelativeSpecificationIsResolvedAgainstTheCurrentDirectory) {
    command_tests::CurrentDirectory cwd(tree_.root());
    WalkRun run = Walk(L"c.dat");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.paths, std::vector<std::wstring>{Root(L"c.dat")});
}

TEST_F(WalkerTest, DirectoriesAreNeverSelected) {
    WalkRun run = Walk(Root(L"sub*"));
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(run.paths.empty());
}

// ---- recursion and depth limits

struct DepthCase {
    const char* label;
    int minDepth;
    int maxDepth;
};

class WalkerDepth : public WalkerTest, public ::testing::WithParamInterface<DepthCase> {};

TEST_P(WalkerDepth, FilesFirstThenSubfoldersInPreOrder) {
    const DepthCase& c = GetParam();
    WalkOptions options;
    options.flags |= WalkRecurse;
    options.minDepth = c.minDepth;
    options.maxDepth = c.maxDepth;
    std::vector<std::wstring> expected;
    ExpectedWalk(tree_.root(), EndsWithTxt, 0, c.minDepth, c.maxDepth, expected);
    ASSERT_FALSE(expected.empty()) << c.label;
    WalkRun run = Walk(Root(L"*.txt"), options);
    EXPECT_EQ(run.result, 0) << c.label;
    EXPECT_EQ(run.paths, expected) << c.label;
    EXPECT_EQ(run.err, L"") << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WalkerDepth,
    ::testing::Values(DepthCase{"unlimited", 0, -1}, DepthCase{"starting folder only", 0, 0},
                      DepthCase{"one level below", 0, 1}, DepthCase{"not the starting folder", 1, -1},
                      DepthCase{"exactly the first level", 1, 1}, DepthCase{"only the second level", 2, -1}));

TEST_F(WalkerTest, RecursionFindsTheDeepFilesInTheirPlace) {
    WalkOptions options;
    options.flags |= WalkRecurse;
    WalkRun run = Walk(Root(L"*.txt"), options);
    ASSERT_EQ(run.paths.size(), 5u);
    // The starting folder's files come before anything below it.
    EXPECT_TRUE(run.paths[0] == Root(L"a.txt") || run.paths[0] == Root(L"z.txt"));
    EXPECT_TRUE(run.paths[1] == Root(L"a.txt") || run.paths[1] == Root(L"z.txt"));
    // e.txt is two levels down: it follows d.txt of its parent folder.
    auto at = [&](const std::wstring& path) {
        return std::find(run.paths.begin(), run.paths.end(), path) - run.paths.begin();
    };
    EXPECT_LT(at(Root(L"sub1\\d.txt")), at(Root(L"sub1\\deep\\e.txt")));
}

TEST_F(WalkerTest, PatternMatchingOnlyBelowPrintsNoMessage) {
    WalkOptions options;
    options.flags |= WalkRecurse;
    WalkRun run = Walk(Root(L"e.log"), options);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.paths, std::vector<std::wstring>{Root(L"sub1\\deep\\e.log")});
    EXPECT_EQ(run.err, L"");
}

TEST_F(WalkerTest, MinimumDepthBeyondTheTreeSelectsNothing) {
    WalkOptions options;
    options.flags |= WalkRecurse;
    options.minDepth = 3;
    WalkRun run = Walk(Root(L"*"), options);
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.err, Prefix + L"No matching files: \"" + Root(L"*") + L"\"\r\n");
}

TEST_F(WalkerTest, VeryDeepTreeIsWalkedWithoutExhaustingTheStack) {
    // 150 levels make a path of about 1100 characters, reached only with the long-path prefix.
    std::wstring dir = L"\\\\?\\" + tree_.root();
    for (int level = 0; level < 150; ++level) {
        dir += L"\\level" + std::to_wstring(level % 10);
        ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr)) << level;
    }
    std::wstring bottom = dir + L"\\bottom.bin";
    HANDLE h = CreateFileW(bottom.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    WalkOptions options;
    options.flags |= WalkRecurse;
    WalkRun run = Walk(Root(L"*.bin"), options);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.paths, std::vector<std::wstring>{bottom});
}

// ---- skip flags

struct SkipCase {
    const char* label;
    DWORD folderAttributes;
    uint32_t flag;
};

class WalkerSkip : public WalkerTest, public ::testing::WithParamInterface<SkipCase> {};

TEST_P(WalkerSkip, FolderWithTheAttributeIsNotEntered) {
    const SkipCase& c = GetParam();
    tree_.file(L"marked\\m.txt", "m");
    std::wstring marked = Root(L"marked");
    ASSERT_TRUE(SetFileAttributesW(marked.c_str(), c.folderAttributes)) << c.label;
    WalkOptions options;
    options.flags |= WalkRecurse;
    WalkRun all = Walk(Root(L"m.txt"), options);
    EXPECT_EQ(all.paths, std::vector<std::wstring>{Root(L"marked\\m.txt")}) << c.label;
    options.flags |= c.flag;
    WalkRun skipped = Walk(Root(L"m.txt"), options);
    EXPECT_TRUE(skipped.paths.empty()) << c.label;
    EXPECT_EQ(skipped.result, 1) << c.label;
    SetFileAttributesW(marked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

INSTANTIATE_TEST_SUITE_P(Cases, WalkerSkip,
                         ::testing::Values(SkipCase{"hidden", FILE_ATTRIBUTE_HIDDEN, WalkSkipHiddenDirs},
                                           SkipCase{"system", FILE_ATTRIBUTE_SYSTEM, WalkSkipSystemDirs}));

TEST_F(WalkerTest, OtherSkipFlagsDoNotApply) {
    tree_.file(L"marked\\m.txt", "m");
    ASSERT_TRUE(SetFileAttributesW(Root(L"marked").c_str(), FILE_ATTRIBUTE_HIDDEN));
    WalkOptions options;
    options.flags |= WalkRecurse | WalkSkipSystemDirs | WalkSkipJunctions;
    EXPECT_EQ(Walk(Root(L"m.txt"), options).paths, std::vector<std::wstring>{Root(L"marked\\m.txt")});
    SetFileAttributesW(Root(L"marked").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WalkerTest, SkippingHiddenFoldersStillTestsHiddenFiles) {
    std::wstring hidden = tree_.file(L"h.txt", "h");
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    WalkOptions options;
    options.flags |= WalkRecurse | WalkSkipHiddenDirs;
    options.maxDepth = 0;
    WalkRun run = Walk(Root(L"h.txt"), options);
    EXPECT_EQ(run.paths, std::vector<std::wstring>{hidden});
    options.attributeMask = 0x12; // not hidden
    EXPECT_TRUE(Walk(Root(L"h.txt"), options).paths.empty());
}

TEST_F(WalkerTest, JunctionsAreSkippedWithTheirFlag) {
    tree_.dir(L"target");
    tree_.file(L"target\\j.txt", "j");
    std::wstring link = Root(L"link");
    if (!CreateSymbolicLinkW(link.c_str(), Root(L"target").c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        GTEST_SKIP() << "directory links cannot be created here";
    DWORD attributes = GetFileAttributesW(link.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        GTEST_SKIP() << "Wine does not show the link as a reparse-point folder (attributes " << attributes
                     << ")";
    WalkOptions options;
    options.flags |= WalkRecurse | WalkSkipJunctions;
    EXPECT_EQ(Walk(Root(L"j.txt"), options).paths, std::vector<std::wstring>{Root(L"target\\j.txt")});
}

// A folder link from link to target (relative or full); false when the platform makes none that
// leads to a folder.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
    if (!CreateSymbolicLinkW(link.c_str(), target.c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        return false;
    DWORD attributes = GetFileAttributesW(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Links back to the folder itself or to an ancestor are not entered; a link to a sibling tree is.
// (Wine makes no usable folder links from inside: tests/robustness/hostile-trees.sh walks links made
// on the Unix side.)
TEST_F(WalkerTest, LinksToFoldersOnThePathAreNotEntered) {
    if (!MakeFolderLink(Root(L"self"), L".") || !MakeFolderLink(Root(L"sub1\\deep\\up"), Root(L"sub1")) ||
        !MakeFolderLink(Root(L"sub2\\side"), Root(L"sub1\\deep")))
        GTEST_SKIP() << "folder links that lead to a folder cannot be made here";
    WalkOptions options;
    options.flags |= WalkRecurse;
    WalkRun run = Walk(Root(L"e.*"), options);
    std::vector<std::wstring> sorted = run.paths;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::wstring>{Root(L"sub1\\deep\\e.log"), Root(L"sub1\\deep\\e.txt"),
                                                 Root(L"sub2\\side\\e.log"), Root(L"sub2\\side\\e.txt")}));
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.err, L"");
}

// ---- attribute masks

struct MaskCase {
    const char* label;
    uint32_t mask;
    uint32_t values;
    std::vector<std::wstring> names;
};

class WalkerAttributes : public ::testing::TestWithParam<MaskCase> {};

TEST_P(WalkerAttributes, SelectFilesWhoseMaskedAttributesMatch) {
    const MaskCase& c = GetParam();
    TempTree tree;
    std::wstring plain = tree.file(L"plain.x", "p");
    std::wstring hidden = tree.file(L"hidden.x", "h");
    std::wstring readOnly = tree.file(L"readonly.x", "r");
    std::wstring both = tree.file(L"both.x", "b");
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(SetFileAttributesW(both.c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    WalkOptions options;
    options.attributeMask = c.mask;
    options.attributeValues = c.values;
    options.flags |= WalkQuietNotFound;
    std::vector<std::wstring> expected;
    for (const auto& name : SystemOrder(tree.root(), false))
        if (std::find(c.names.begin(), c.names.end(), name) != c.names.end())
            expected.push_back(tree.path(name));
    EXPECT_EQ(Walk(tree.path(L"*.x"), options).paths, expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WalkerAttributes,
    ::testing::Values(
        MaskCase{"default selects every file", 0x10, 0, {L"plain.x", L"hidden.x", L"readonly.x", L"both.x"}},
        MaskCase{"hidden only", 0x12, 0x2, {L"hidden.x", L"both.x"}},
        MaskCase{"not hidden", 0x12, 0, {L"plain.x", L"readonly.x"}},
        MaskCase{"read-only and hidden", 0x13, 0x3, {L"both.x"}},
        MaskCase{"read-only, not hidden", 0x13, 0x1, {L"readonly.x"}},
        MaskCase{"directory bit required selects nothing", 0x10, 0x10, {}}));

// ---- messages and results

TEST_F(WalkerTest, NothingMatchingPrintsNoMatchingFiles) {
    WalkRun run = Walk(Root(L"*.xyz"));
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(run.paths.empty());
    EXPECT_EQ(run.err, Prefix + L"No matching files: \"" + Root(L"*.xyz") + L"\"\r\n");
    EXPECT_EQ(run.out, L"");
}

TEST_F(WalkerTest, QuietNotFoundPrintsNothingAndStillGives1) {
    WalkOptions options;
    options.flags |= WalkQuietNotFound;
    WalkRun run = Walk(Root(L"*.xyz"), options);
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.err, L"");
}

TEST_F(WalkerTest, NoMatchingFilesNamesTheResolvedSpecification) {
    command_tests::CurrentDirectory cwd(tree_.root());
    WalkRun run = Walk(L"*.abc;*.def");
    EXPECT_EQ(run.err, Prefix + L"No matching files: \"" + Root(L"*.abc|*.def") + L"\"\r\n");
}

TEST_F(WalkerTest, MissingFolderPrintsErrorMatching) {
    wchar_t text[1024];
    FormatErrorText(ERROR_PATH_NOT_FOUND, text);
    WalkRun run = Walk(Root(L"missing\\*.txt"));
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.err,
              Prefix + L"Error matching \"" + Root(L"missing\\*.txt") + L"\" :\r\n   " + text + L"\r\n");
    EXPECT_TRUE(run.paths.empty());
}

TEST_F(WalkerTest, EmptyOrMissingSpecificationIsMinus1) {
    RangeSet ranges;
    ScanSettings settings;
    Capture capture;
    scrutel::WalkOptions walk;
    walk.walkFlags = Lists;
    walk.attributeMask = 0x10;
    walk.ranges = &ranges;
    EXPECT_EQ(WalkFileSpec(L"", walk, settings, RecordingHandler), -1);
    EXPECT_EQ(WalkFileSpec(nullptr, walk, settings, RecordingHandler), -1);
    EXPECT_EQ(capture.err(), L"");
}

TEST_F(WalkerTest, HandlerGetsOmitMaskAndTheCommandSettings) {
    WalkOptions options;
    options.omitMask = 0x1234;
    WalkRun run = Walk(Root(L"c.dat"), options);
    ASSERT_EQ(Handled().size(), 1u);
    EXPECT_EQ(Handled()[0].omitMask, 0x1234u);
}

// Handlers with a result of their own choosing, picked by file name.
int ResultByName(const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    std::wstring p = path;
    RecordingHandler(path, omitMask, settings);
    if (p.find(L"\\a.txt") != std::wstring::npos) return 2;
    if (p.find(L"\\z.txt") != std::wstring::npos) return 5;
    return 0;
}

TEST_F(WalkerTest, HandlerFailuresDoNotStopTheWalk) {
    WalkOptions options;
    options.handler = ResultByName;
    WalkRun run = Walk(Root(L"*"), options);
    EXPECT_EQ(run.paths.size(), 4u);
    // The last non-zero result in enumeration order wins.
    std::vector<std::wstring> order = SystemOrder(tree_.root(), false);
    int expected = 0;
    for (const auto& name : order) {
        if (name == L"a.txt") expected = 2;
        if (name == L"z.txt") expected = 5;
    }
    EXPECT_EQ(run.result, expected);
    EXPECT_EQ(run.err, L"");
}

int AbortAlways(const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    RecordingHandler(path, omitMask, settings);
    return ABORTED;
}

TEST_F(WalkerTest, AbortedStopsEverything) {
    WalkOptions options;
    options.handler = AbortAlways;
    options.flags |= WalkRecurse;
    WalkRun run = Walk(Root(L"*"), options);
    EXPECT_EQ(run.result, ABORTED);
    EXPECT_EQ(run.paths.size(), 1u);
    EXPECT_EQ(run.err, L"");
}

int AbortInDeep(const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    RecordingHandler(path, omitMask, settings);
    return std::wstring(path).find(L"\\deep\\") != std::wstring::npos ? ABORTED : 0;
}

TEST_F(WalkerTest, AbortedInASubfolderStopsTheParentToo) {
    WalkOptions options;
    options.handler = AbortInDeep;
    options.flags |= WalkRecurse;
    WalkRun run = Walk(Root(L"e.*"), options);
    EXPECT_EQ(run.result, ABORTED);
    EXPECT_EQ(run.paths.size(), 1u);
}

int FailEverything(const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    RecordingHandler(path, omitMask, settings);
    return 2;
}

TEST_F(WalkerTest, SubfolderWhoseFilesAllFailIsNoSelectionForItsParent) {
    WalkOptions options;
    options.handler = FailEverything;
    options.flags |= WalkRecurse;
    WalkRun run = Walk(Root(L"d.txt"), options);
    EXPECT_EQ(run.paths, std::vector<std::wstring>{Root(L"sub1\\d.txt")});
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.err, Prefix + L"No matching files: \"" + Root(L"d.txt") + L"\"\r\n");
}

int ThrowOnFirst(const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    RecordingHandler(path, omitMask, settings);
    throw std::runtime_error("handler fault");
}

TEST_F(WalkerTest, HandlerExceptionIsCaughtAndEndsTheWalk) {
    WalkOptions options;
    options.handler = ThrowOnFirst;
    options.flags |= WalkRecurse;
    WalkRun run = Walk(Root(L"*"), options);
    EXPECT_EQ(run.result, ABORTED);
    EXPECT_EQ(run.paths.size(), 1u);
    // The report goes to the console device, never through the host.
    EXPECT_EQ(run.out, L"");
    EXPECT_EQ(run.err, L"");
}

TEST(ExceptionReport, TextNamesThePathTheFlagsAndTheResult) {
    EXPECT_EQ(FormatHandlerException(L"C:\\dir\\a.txt", 0x2A),
              L"\n\u2022  EXCEPTION in FileHandler():   Filename = \"C:\\dir\\a.txt\"   Flags = 0x002A\n"
              L"   RETURNING :  -3\n\n");
    EXPECT_EQ(FormatHandlerException(L"x", 0x3FFFF), L"\n\u2022  EXCEPTION in FileHandler():   Filename = "
                                                     L"\"x\"   Flags = 0x3FFFF\n   RETURNING :  -3\n\n");
    EXPECT_EQ(FormatHandlerException(L"C:\\rlo\u202Etxt.exe\x1b[2J", 1),
              L"\n\u2022  EXCEPTION in FileHandler():   Filename = \"C:\\rlo<U+202E>txt.exe<U+001B>[2J\"   "
              L"Flags = 0x0001\n   RETURNING :  -3\n\n");
    std::wstring longPath(32000, L'p');
    EXPECT_EQ(FormatHandlerException(longPath.c_str(), 0).size(), 32000u + 85u);
}

struct ColourCase {
    const char* label;
    WORD current;
    WORD expected;
};

class ExceptionColours : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ExceptionColours, StandOutFromTheCurrentAttribute) {
    const ColourCase& c = GetParam();
    EXPECT_EQ(ExceptionAttribute(c.current), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExceptionColours,
    ::testing::Values(ColourCase{"same foreground and background", 0x44, 0x0F},
                      ColourCase{"black on black", 0x00, 0x0F},
                      ColourCase{"grey on black made bright", 0x07, 0x0F},
                      ColourCase{"blue on cyan made bright", 0x31, 0x39},
                      ColourCase{"black foreground takes the contrast table", 0x70, 0x79},
                      ColourCase{"bright foreground takes the contrast table", 0x0F, 0x0E},
                      ColourCase{"bright background takes the contrast table", 0x81, 0x8F},
                      ColourCase{"first choice equal to the current", 0x1F, 0x1B}));

// ---- names

struct MatchCase {
    const char* label;
    const wchar_t* pattern;
    const wchar_t* name;
    bool lists;
    int expected;
};

class NameMatching : public ::testing::TestWithParam<MatchCase> {};

TEST_P(NameMatching, ComparesEachAlternative) {
    const MatchCase& c = GetParam();
    int result = MatchName(c.pattern, c.name, c.lists);
    if (c.expected == 1)
        EXPECT_GT(result, 0) << c.label;
    else
        EXPECT_EQ(result, c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameMatching,
    ::testing::Values(MatchCase{"plain wildcard", L"*.txt", L"a.txt", false, 0},
                      MatchCase{"plain mismatch", L"*.txt", L"a.log", false, 1},
                      MatchCase{"second alternative", L"*.txt|*.log", L"b.log", true, 0},
                      MatchCase{"bar without lists", L"*.txt|*.log", L"b.log", false, 1},
                      MatchCase{"no alternative matches", L"*.txt|*.log", L"c.dat", true, 1},
                      MatchCase{"empty alternatives skipped", L"||*.c||", L"m.c", true, 0},
                      MatchCase{"only bars", L"||", L"x", true, -2},
                      MatchCase{"empty pattern with lists", L"", L"x", true, -2},
                      MatchCase{"missing pattern", nullptr, L"x", true, -1},
                      MatchCase{"missing name", L"*", nullptr, false, -1}));

// ---- ranges and list-file names

TEST_F(WalkerTest, RangeRecordsRejectFiles) {
    RangeSet ranges;
    ASSERT_FALSE(ParseRangeOption(u"/[!a.txt]", ranges, ParseContext{}));
    WalkOptions options;
    WalkRun run = Walk(Root(L"*.txt"), options, ranges);
    EXPECT_EQ(run.paths, std::vector<std::wstring>{Root(L"z.txt")});
}

TEST_F(WalkerTest, ExistingFileWithAtSignIsReportedAsItself) {
    std::wstring at = tree_.file(L"@a.txt", "x");
    command_tests::CurrentDirectory cwd(tree_.root());
    WalkRun run = Walk(L"@a.txt");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.paths, std::vector<std::wstring>{at});
    // "@" followed by a wildcard is a wildcard.
    run = Walk(L"@*.txt");
    EXPECT_EQ(run.paths, std::vector<std::wstring>{at});
}

TEST_F(WalkerTest, LongDirectoryGetsTheLongPathPrefix) {
    std::wstring name(120, L'n');
    std::wstring dir = L"\\\\?\\" + tree_.root() + L"\\" + name + L"1\\" + name + L"2";
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + tree_.root() + L"\\" + name + L"1").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    std::wstring file = dir + L"\\long.txt";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    WalkRun run = Walk(dir + L"\\*.txt");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.paths, std::vector<std::wstring>{file});
    WalkOptions options;
    options.flags |= WalkRecurse;
    run = Walk(Root(L"long.txt"), options);
    EXPECT_EQ(run.paths, std::vector<std::wstring>{file});
}

} // namespace
