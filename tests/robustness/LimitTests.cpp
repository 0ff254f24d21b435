// Limits and faults of the whole command, run in-process through the exported entry: long paths
// and deep trees, files that vanish or are locked, folders that cannot be read, a folder named
// "~", the argument limits and a list file of 100,000 names.
#include "command/CommandTestSupport.h"
#include "reports/ReportFile.h"
#include "select/ListFile.h"
#include "files/PathResolve.h"

#include <gtest/gtest.h>
#include <aclapi.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace scrutel;
using command_tests::CommandRun;
using command_tests::CurrentDirectory;
using command_tests::EnvironmentVariable;
using command_tests::NoConsole;
using command_tests::RunDriver;
using command_tests::RunScrutel;
using testing_support::TempTree;

namespace {

const std::wstring OmitAll = L"/O:HZTACDVSIPXELUQRNF";
const std::wstring Prefix = L"Scrutel plugin: ";

std::wstring Long(const std::wstring& path) {
    return L"\\\\?\\" + path;
}

bool MakeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(h);
    return ok;
}

// Removes a tree that ordinary paths cannot reach (TempTree's clean-up may stop at 260 characters).
void RemoveDeep(const std::wstring& dir) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Long(dir + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = dir + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDeep(full);
            else
                DeleteFileW(Long(full).c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(Long(dir).c_str());
}

// The report of files with every section omitted: heading, blank line, then the count.
std::wstring HeadingsReport(const std::vector<std::wstring>& paths) {
    std::wstring out;
    for (const std::wstring& p : paths)
        out += p + L"\r\n\r\n";
    if (paths.size() == 1) return out + L"1 matching file found.\r\n";
    return out + std::to_wstring(paths.size()) + L" matching files found.\r\n";
}

// ---- Long paths and deep trees -----------------------------------------------------------------

TEST(Limits, FolderNestedPastMaxPathIsWalkedAndReportedWithoutThePrefix) {
    TempTree tree;
    NoConsole noConsole;
    std::wstring dir = tree.root();
    const std::wstring part(60, L'p');
    for (int k = 0; k < 6; ++k) {
        dir += L"\\" + part + std::to_wstring(k);
        ASSERT_TRUE(CreateDirectoryW(Long(dir).c_str(), nullptr)) << GetLastError();
    }
    ASSERT_GT(dir.size(), 300u);
    const std::wstring file = dir + L"\\deep.txt";
    ASSERT_TRUE(MakeFile(file, "deep\r\n"));
    tree.file(L"top.txt", "x");

    CommandRun run = RunScrutel(OmitAll + L" /S \"" + tree.path(L"*.txt") + L"\"");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, HeadingsReport({tree.path(L"top.txt"), file}));
    EXPECT_EQ(run.err, L"");

    // The deep file named directly, and reported with its sections (size, checksum, text).
    run = RunScrutel(L"/O:HTADVSIPXLUQRNF /C:CRC32 \"" + file + L"\"");
    EXPECT_EQ(run.result, 0);
    EXPECT_NE(run.out.find(file + L"\r\n\r\n"), std::wstring::npos) << testing::PrintToString(run.out);
    EXPECT_NE(run.out.find(L"CRC"), std::wstring::npos) << testing::PrintToString(run.out);
    EXPECT_EQ(run.err, L"");
    RemoveDeep(tree.root() + L"\\" + part + L"0");
}

TEST(Limits, HundredLevelsOfFoldersWithAFileAtEveryLevel) {
    TempTree tree;
    NoConsole noConsole;
    std::vector<std::wstring> expected;
    std::wstring dir = tree.root();
    for (int level = 0; level <= 100; ++level) {
        if (level > 0) {
            dir += L"\\d" + std::to_wstring(level % 10);
            ASSERT_TRUE(CreateDirectoryW(Long(dir).c_str(), nullptr)) << level << " " << GetLastError();
        }
        ASSERT_TRUE(MakeFile(dir + L"\\f.txt", "x")) << level;
        expected.push_back(dir + L"\\f.txt");
    }
    ASSERT_GT(dir.size(), 260u);
    CommandRun run = RunScrutel(OmitAll + L" /S \"" + tree.path(L"f.txt") + L"\"");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, HeadingsReport(expected));
    EXPECT_EQ(run.err, L"");

    // Depth limits hold at that depth too: levels 98 to 100 only.
    run = RunScrutel(OmitAll + L" /S:98 \"" + tree.path(L"f.txt") + L"\"");
    EXPECT_EQ(run.result, 0);
    // /S:n limits the depth to n levels below the start; every file down to level 98.
    std::vector<std::wstring> upTo98(expected.begin(), expected.begin() + 99);
    EXPECT_EQ(run.out, HeadingsReport(upTo98));
    RemoveDeep(tree.root() + L"\\d1");
}

// The deepest tree the file system allows, up to paths of 32767 characters: every level is
// found. Wine maps paths onto the host's file system, whose own limit (4096 bytes) ends the tree
// much earlier; the depth reached is printed.
TEST(Limits, PathsTowardsTheirFullLengthOf32767Characters) {
    TempTree tree;
    NoConsole noConsole;
    std::wstring dir = tree.root();
    const std::wstring part(200, L'n');
    std::vector<std::wstring> files;
    while (dir.size() + 1 + part.size() + 1 + 5 < 32767) {
        std::wstring next = dir + L"\\" + part;
        if (!CreateDirectoryW(Long(next).c_str(), nullptr)) break;
        // Near the host's limit a folder can be made that cannot be listed or hold a file: the
        // tree ends above it.
        WIN32_FIND_DATAW entry;
        HANDLE listing = FindFirstFileW(Long(next + L"\\*").c_str(), &entry);
        if (listing != INVALID_HANDLE_VALUE) FindClose(listing);
        if (listing == INVALID_HANDLE_VALUE || !MakeFile(next + L"\\z.txt", "z")) {
            DeleteFileW(Long(next + L"\\z.txt").c_str());
            RemoveDirectoryW(Long(next).c_str());
            break;
        }
        dir = next;
        files.push_back(dir + L"\\z.txt");
    }
    std::printf("[ limits   ] deepest path created: %zu characters\n",
                files.empty() ? 0 : files.back().size());
    ASSERT_GE(files.size(), 2u) << "not even two 200-character levels could be created";
    CommandRun run = RunScrutel(OmitAll + L" /S \"" + tree.path(L"z.txt") + L"\"");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, HeadingsReport(files));
    EXPECT_EQ(run.err, L"");
    RemoveDeep(tree.root() + L"\\" + part);
    if (files.back().size() < 32000)
        GTEST_SKIP()
            << "the file system stopped the tree at " << files.back().size()
            << " characters; the rest of the range is covered by the path functions and list-file tests";
}

// Path operations at the edge of the 32768-character buffers.
TEST(Limits, PathFunctionsAtTheBufferLimit) {
    std::vector<wchar_t> buffer(32768, 0);
    const std::wstring longest = L"C:\\" + std::wstring(32767 - 3, L'a'); // 32767 characters
    wmemcpy(buffer.data(), longest.data(), longest.size());
    // No room for the prefix: the path stays as it is (result 0) and stays terminated.
    EXPECT_EQ(AddLongPathPrefix(buffer.data(), buffer.size()), 0);
    EXPECT_EQ(std::wstring(buffer.data()), longest);

    std::fill(buffer.begin(), buffer.end(), 0);
    wmemcpy(buffer.data(), longest.data(), 32760);
    EXPECT_EQ(JoinPath(buffer.data(), L"tail-that-does-not-fit", buffer.size()), -1);
    EXPECT_EQ(std::wstring(buffer.data()), longest.substr(0, 32760)); // base unchanged

    std::vector<wchar_t> output(32768, 0);
    const std::wstring tooLong = L"C:\\" + std::wstring(40000, L'b');
    wcscpy(output.data(), L"untouched");
    EXPECT_EQ(ResolvePath(tooLong.c_str(), output.data(), 3), 111);
    EXPECT_EQ(std::wstring(output.data()), L"untouched");
}

// ---- Files that vanish, are locked or cannot be read ------------------------------------------

std::wstring g_victimDir;
int g_deleted = 0;

// Deletes every other ".txt" file of the folder on its first call, then reports as usual: the
// walker has already listed the files that now vanish.
int DeletingHandler(const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    if (g_deleted == 0) {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((g_victimDir + L"\\*.txt").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::wstring full = g_victimDir + L"\\" + data.cFileName;
                if (_wcsicmp(full.c_str(), path) != 0 && DeleteFileW(full.c_str())) ++g_deleted;
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
    }
    return ReportFile(path, omitMask, settings);
}

TEST(Faults, FilesDeletedBetweenEnumerationAndReportAreSkippedSilently) {
    TempTree tree;
    NoConsole noConsole;
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"d.txt"})
        tree.file(name, "text\r\n");
    g_victimDir = tree.root();
    g_deleted = 0;
    CommandRun run =
        RunDriver(L"/C:CRC32 /O:HTADVSIPXLUQRNF \"" + tree.path(L"*.txt") + L"\"", DeletingHandler);
    ASSERT_EQ(g_deleted, 3);
    EXPECT_EQ(run.err, L"");
    // Only the first file is reported and counted; the vanished ones leave no trace.
    const std::wstring first = tree.path(L"a.txt");
    EXPECT_EQ(run.out.find(first + L"\r\n\r\n"), 0u) << testing::PrintToString(run.out);
    for (const wchar_t* name : {L"b.txt", L"c.txt", L"d.txt"})
        EXPECT_EQ(run.out.find(tree.path(name)), std::wstring::npos) << testing::PrintToString(run.out);
    EXPECT_NE(run.out.find(L"\r\n1 matching file found.\r\n"), std::wstring::npos)
        << testing::PrintToString(run.out);
    // The vanished files are the walk's failures (the handler's 2), so the command ends with 2.
    EXPECT_EQ(run.result, 2);
}

// A file that vanishes in the middle of its own report: the sections after that point find
// nothing and stay silent.
const wchar_t* g_vanishing = nullptr;
int DeleteRow(const ReportContext&) {
    DeleteFileW(g_vanishing);
    return 0;
}

TEST(Faults, FileVanishingDuringItsReportLeavesTheRestSilent) {
    TempTree tree;
    NoConsole noConsole;
    const std::wstring path = tree.file(L"gone.txt", "some text\r\nsecond line\r\n");
    g_vanishing = path.c_str();
    std::vector<ReportRow> rows = {ReportRow{0, nullptr, DeleteRow}};
    rows.insert(rows.end(), ReportRows.begin(), ReportRows.end());
    ReportSteps steps{rows, nullptr};
    ScanSettings settings;
    settings.hashMask = HashCrc32 | HashMd5 | HashSha256;
    settings.textFileTypes = BuiltInTextFileTypes;
    testing_support::Capture capture;
    int rc = ReportFileWith(path.c_str(), OmitExecAliases, settings, steps);
    EXPECT_TRUE(rc == 0 || rc == 2) << rc;
    EXPECT_EQ(capture.err(), L"");
    EXPECT_EQ(capture.out().find(L"CRC"), std::wstring::npos) << testing::PrintToString(capture.out());
    EXPECT_EQ(capture.out().find(L"Lines"), std::wstring::npos) << testing::PrintToString(capture.out());
}

TEST(Faults, FileHeldOpenForWritingWithoutSharingShowsNoChecksumsNoTextAndNoError) {
    TempTree tree;
    NoConsole noConsole;
    const std::wstring path = tree.file(L"locked.txt", "line one\r\nline two\r\n");
    const std::wstring free = tree.file(L"free.txt", "line one\r\nline two\r\n");
    const std::wstring args = L"/C:CRC32,MD5,SHA256 /O:HTADVSIPXLUQRNF ";

    // The same file unlocked shows both sections, so their absence below means something.
    CommandRun open = RunScrutel(args + L"\"" + free + L"\"");
    ASSERT_NE(open.out.find(L"CRC"), std::wstring::npos) << testing::PrintToString(open.out);
    ASSERT_NE(open.out.find(L"    Lines ..."), std::wstring::npos) << testing::PrintToString(open.out);

    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    HANDLE probe =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        CloseHandle(writer);
        GTEST_SKIP() << "this system does not enforce sharing modes";
    }
    CommandRun run = RunScrutel(args + L"\"" + path + L"\"");
    CloseHandle(writer);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.err, L"");
    // The heading, the size section (which needs no read) and the count; no checksums, no text.
    EXPECT_EQ(run.out.find(path + L"\r\n\r\n"), 0u) << testing::PrintToString(run.out);
    EXPECT_EQ(run.out.find(L"CRC"), std::wstring::npos) << testing::PrintToString(run.out);
    EXPECT_EQ(run.out.find(L"MD5"), std::wstring::npos) << testing::PrintToString(run.out);
    EXPECT_EQ(run.out.find(L"Text encoding"), std::wstring::npos) << testing::PrintToString(run.out);
    EXPECT_EQ(run.out.find(L"Lines"), std::wstring::npos) << testing::PrintToString(run.out);
    EXPECT_NE(run.out.find(L"1 matching file found.\r\n"), std::wstring::npos);
}

TEST(Faults, FolderWithoutReadAccessIsSkippedSilently) {
    TempTree tree;
    NoConsole noConsole;
    tree.file(L"a.txt", "x");
    tree.file(L"closed\\hidden.txt", "x");
    tree.file(L"open\\b.txt", "x");
    const std::wstring closed = tree.path(L"closed");

    // Deny listing and reading to everyone.
    EXPLICIT_ACCESSW deny{};
    wchar_t everyone[] = L"EVERYONE";
    BuildExplicitAccessWithNameW(&deny, everyone, FILE_LIST_DIRECTORY | FILE_READ_DATA | FILE_TRAVERSE,
                                 DENY_ACCESS, SUB_CONTAINERS_AND_OBJECTS_INHERIT);
    PACL acl = nullptr;
    ASSERT_EQ(SetEntriesInAclW(1, &deny, nullptr, &acl), ERROR_SUCCESS);
    DWORD set = SetNamedSecurityInfoW(const_cast<wchar_t*>(closed.c_str()), SE_FILE_OBJECT,
                                      DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr);
    LocalFree(acl);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((closed + L"\\*").c_str(), &data);
    const bool denied = find == INVALID_HANDLE_VALUE;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    if (set != ERROR_SUCCESS || !denied) {
        GTEST_SKIP() << "the folder's access cannot be denied here (SetNamedSecurityInfo " << set
                     << ", listing still possible: " << !denied << "); Wine keeps but does not enforce ACLs";
    }
    CommandRun run = RunScrutel(OmitAll + L" /S \"" + tree.path(L"*.txt") + L"\"");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, HeadingsReport({tree.path(L"a.txt"), tree.path(L"open\\b.txt")}));
    EXPECT_EQ(run.err, L"");
    // Give access back so that the tree can be removed.
    SetNamedSecurityInfoW(const_cast<wchar_t*>(closed.c_str()), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                          nullptr, nullptr);
}

TEST(Limits, FolderNamedTildeInTheCurrentFolderWinsOverHome) {
    TempTree tree;
    TempTree home;
    NoConsole noConsole;
    tree.file(L"~\\inside.txt", "local");
    home.file(L"inside.txt", "home");
    home.file(L"only-home.txt", "home");
    EnvironmentVariable homeVariable(L"HOME", home.root().c_str());
    CurrentDirectory current(tree.root());

    CommandRun run = RunScrutel(OmitAll + L" ~\\inside.txt");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, HeadingsReport({tree.path(L"~\\inside.txt")}));
    EXPECT_EQ(run.err, L"");

    run = RunScrutel(OmitAll + L" ~");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, HeadingsReport({tree.path(L"~\\inside.txt")}));

    // A name after "~" that is not a path in the local folder still goes to the local folder:
    // the folder "~" exists, so "~\" means it.
    run = RunScrutel(OmitAll + L" ~\\only-home.txt");
    EXPECT_EQ(run.result, 2);
    EXPECT_EQ(run.out, L"");
    EXPECT_EQ(run.err, Prefix + L"No matching files: \"" + tree.path(L"~\\only-home.txt") + L"\"\r\n");
}

TEST(Limits, TildeWithoutALocalFolderMeansHome) {
    TempTree tree;
    TempTree home;
    NoConsole noConsole;
    home.file(L"only-home.txt", "home");
    EnvironmentVariable homeVariable(L"HOME", home.root().c_str());
    CurrentDirectory current(tree.root());
    CommandRun run = RunScrutel(OmitAll + L" ~\\only-home.txt");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, HeadingsReport({home.path(L"only-home.txt")}));
}

// ---- Argument limits --------------------------------------------------------------------------

TEST(Limits, ThousandTwentyFourArgumentsAreAllUsed) {
    TempTree tree;
    NoConsole noConsole;
    tree.file(L"f", "x");
    CurrentDirectory current(tree.root());
    std::wstring args = OmitAll + L"K"; // no count: 1023 identical headings follow
    for (int k = 1; k < 1024; ++k)
        args += L" f";
    CommandRun run = RunScrutel(args);
    EXPECT_EQ(run.result, 0);
    std::wstring expected;
    for (int k = 1; k < 1024; ++k)
        expected += tree.path(L"f") + L"\r\n\r\n";
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, L"");
}

// Argument 1025 and later must not vanish without a word: either they are used or the command
// fails with a message.
TEST(Limits, ArgumentsBeyondTheTableAreNotDroppedSilently) {
    TempTree tree;
    NoConsole noConsole;
    tree.file(L"f", "x");
    tree.file(L"last.txt", "x");
    CurrentDirectory current(tree.root());
    std::wstring args = OmitAll;
    for (int k = 1; k < 1024; ++k)
        args += L" f";
    args += L" last.txt"; // argument 1025
    CommandRun run = RunScrutel(args);
    const bool reported = run.out.find(tree.path(L"last.txt")) != std::wstring::npos;
    const bool refused = run.result != 0 && !run.err.empty();

    // 4096 one-character arguments fit the text (two characters each with the terminator).
    std::wstring many;
    for (int k = 0; k < 4096; ++k)
        many += L"q ";
    CommandRun manyRun = RunScrutel(many);
    size_t messages = 0;
    for (size_t at = manyRun.err.find(L"No matching files"); at != std::wstring::npos;
         at = manyRun.err.find(L"No matching files", at + 1))
        ++messages;
    // Both commands are refused before anything is walked: nothing reported, one message.
    EXPECT_FALSE(reported);
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(messages, 0u);
    EXPECT_EQ(manyRun.result, 1);
    EXPECT_NE(manyRun.err.find(L"Too many arguments: MAX_ARGS = 1024\r\n"), std::wstring::npos);
    EXPECT_TRUE(refused);
}

TEST(Limits, ArgumentTextOf8192Characters) {
    TempTree tree;
    NoConsole noConsole;
    CurrentDirectory current(tree.root());
    // 8191 characters fit the 8192-character table with their terminator.
    std::wstring fits = OmitAll + L" " + std::wstring(8191 - OmitAll.size() - 1, L'q');
    ASSERT_EQ(fits.size(), 8191u);
    CommandRun run = RunScrutel(fits);
    EXPECT_EQ(run.result, 2);
    EXPECT_EQ(run.out, L"");
    EXPECT_EQ(run.err.rfind(Prefix, 0), 0u) << testing::PrintToString(run.err);
    EXPECT_EQ(run.err.find(L"Buffer overflow"), std::wstring::npos) << testing::PrintToString(run.err);

    // One more character does not fit: the overflow message and result 1, nothing reported.
    std::wstring over = fits + L"q";
    run = RunScrutel(over);
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.out, L"");
    EXPECT_EQ(run.err, Prefix + L"Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n");
}

// ---- A list file of 100,000 names -------------------------------------------------------------

int g_listCount = 0;
int CountingHandler(const wchar_t*, uint32_t, ScanSettings& settings) {
    ++g_listCount;
    ++settings.matchCount;
    return 0;
}

// Reads a list of count names (ten files named in turn) with the counting handler; seconds taken.
double ReadListOf(TempTree& tree, const std::vector<std::wstring>& names, int count,
                  const std::wstring& extra) {
    std::string list;
    for (int k = 0; k < count; ++k)
        list += testing_support::ToUtf8(names[k % names.size()]) + "\r\n";
    const std::wstring listPath = tree.file(L"names" + std::to_wstring(count) + L".lst", list);
    g_listCount = 0;
    auto start = std::chrono::steady_clock::now();
    CommandRun run = RunDriver(extra + L"\"@" + listPath + L"\"", CountingHandler);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(g_listCount, count);
    EXPECT_EQ(run.out, std::to_wstring(count) + L" matching files found.\r\n");
    EXPECT_EQ(run.err, L"");
    return seconds;
}

TEST(Limits, ListFileOfHundredThousandNames) {
    TempTree tree;
    NoConsole noConsole;
    std::vector<std::wstring> names;
    for (int k = 0; k < 10; ++k)
        names.push_back(tree.file(L"n" + std::to_wstring(k) + L".txt", "x"));
    // Every name is resolved through the file system, which under Wine costs about a
    // millisecond: the time grows with the count and no faster.
    // The short list is read before and after the long one and the slower time counts: the cost
    // of a name under Wine drifts by a factor of three between runs of the same list.
    const double smallBefore = ReadListOf(tree, names, 10000, L"");
    const double large = ReadListOf(tree, names, 100000, L"");
    const double small = std::max(smallBefore, ReadListOf(tree, names, 10000, L""));
    std::printf("[ limits   ] list file: 10000 names %.2f s, 100000 names %.2f s (%.1f us per name)\n", small,
                large, large * 1e6 / 100000);
    EXPECT_LT(large, small * 10 * 2.5) << "reading the list grows faster than its length";
    EXPECT_LT(large, 400.0);
}

TEST(Limits, ListFileLineLongerThanAPathDoesNotHideTheNextName) {
    TempTree tree;
    NoConsole noConsole;
    const std::wstring good = tree.file(L"good.txt", "x");
    const std::string list = std::string(40000, 'q') + "\r\n" + testing_support::ToUtf8(good) + "\r\n";
    const std::wstring listPath = tree.file(L"long.lst", list);
    CommandRun run = RunScrutel(OmitAll + L" \"@" + listPath + L"\"");
    EXPECT_TRUE(run.result == 0 || run.result == 2) << run.result;
    EXPECT_EQ(run.out, HeadingsReport({good}));
    EXPECT_EQ(run.err.find(L"Buffer overflow"), std::wstring::npos);
}

} // namespace
