// Tests of list files: line handling (blank lines, comments, quotes, blanks, over-long lines),
// names taken literally, not-found messages, handler results, list encodings, and "@-" from a
// pipe and from a redirected file through plughost.exe.
#include "select/ListFile.h"

#include "core/Limits.h"
#include "files/PathResolve.h"

#include "select/Walker.h"
#include "support/TestSupport.h"
#include "text/TextCursor.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <functional>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::FromUtf8;
using testing_support::RunResult;
using testing_support::TempTree;
using testing_support::ToUtf8;

namespace {

// A walk that reads "@" names as list files, with the given ranges.
WalkOptions ListWalk(const RangeSet& ranges) {
    WalkOptions walk;
    walk.walkFlags = WalkListFiles;
    walk.ranges = &ranges;
    return walk;
}

// What the recording handler saw and what it answers.
std::vector<std::wstring> g_calls;
std::map<std::wstring, int> g_results;
std::wstring g_throwFor;
std::function<void(size_t)> g_afterCall; // runs after the given number of calls

int RecordingHandler(const wchar_t* path, uint32_t, ScanSettings& settings) {
    g_calls.push_back(path);
    if (g_afterCall) g_afterCall(g_calls.size());
    if (path == g_throwFor) throw std::runtime_error("handler failure");
    auto it = g_results.find(path);
    int result = it == g_results.end() ? 0 : it->second;
    if (result == 0) ++settings.matchCount;
    return result;
}

class ListFileTest : public testing::Test {
  protected:
    void SetUp() override {
        g_calls.clear();
        g_results.clear();
        g_throwFor.clear();
        g_afterCall = nullptr;
        GetCurrentDirectoryW(MAX_PATH, saved_);
        SetCurrentDirectoryW(tree_.root().c_str());
    }
    void TearDown() override {
        g_afterCall = nullptr;
        SetCurrentDirectoryW(saved_);
    }

    // Writes the list and reads it with the recording handler; err receives standard error.
    int Read(const std::string& listBytes, uint32_t walkFlags = 0, std::wstring* err = nullptr) {
        std::wstring list = tree_.file(L"files.lst", listBytes);
        return ReadNamed(list, walkFlags, err);
    }
    int ReadNamed(const std::wstring& list, uint32_t walkFlags = 0, std::wstring* err = nullptr) {
        Capture capture;
        int result = ReadListFile(list.c_str(), 0, settings_, RecordingHandler, walkFlags);
        if (err) *err = capture.err();
        return result;
    }
    std::string U8(const std::wstring& s) { return ToUtf8(s); }

    TempTree tree_;
    ScanSettings settings_;
    wchar_t saved_[MAX_PATH] = {};
};

TEST_F(ListFileTest, BlankLinesCommentsQuotesAndTrailingBlanks) {
    std::wstring spaced = tree_.file(L"name with blanks.txt", "x");
    std::wstring plain = tree_.file(L"plain.txt", "x");
    std::wstring relative = tree_.file(L"sub\\rel.txt", "x");
    std::wstring err;
    int result = Read("\r\n"
                      "   \t\r\n"
                      ":plain.txt is a comment\r\n"
                      "  :indented comment\r\n"
                      "\"" +
                          U8(spaced) + "\"\r\n" + U8(plain) +
                          "   \t\r\n"
                          "sub/rel.txt\n"
                          "\"\"\n",
                      0, &err);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{spaced, plain, relative}));
    EXPECT_EQ(err, L"");
    EXPECT_EQ(settings_.matchCount, 3u);
}

TEST_F(ListFileTest, WildcardsAreTakenLiterally) {
    tree_.file(L"a.txt", "x");
    tree_.file(L"b.txt", "x");
    std::wstring err;
    EXPECT_EQ(Read(U8(tree_.path(L"*.txt")) + "\r\n" + U8(tree_.path(L"?.txt")) + "\r\n", 0, &err), 2);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(err, L"Scrutel plugin: File not found: " + tree_.path(L"*.txt") +
                       L"\r\nScrutel plugin: File not found: " + tree_.path(L"?.txt") + L"\r\n");
}

TEST_F(ListFileTest, DirectoriesAndHiddenFilesAreHandedToTheHandler) {
    std::wstring dir = tree_.dir(L"folder");
    std::wstring hidden = tree_.file(L"hidden.txt", "x");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(Read("folder\r\nhidden.txt\r\n"), 0);
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{dir, hidden}));
}

TEST_F(ListFileTest, NotFoundNamesShowTheirControlsByCode) {
    // A UTF-8 list: ESC, BEL, a C1 control and a direction override in names that do not exist.
    std::wstring err;
    EXPECT_EQ(Read("\xEF\xBB\xBF"
                   "a\x1b[2J.txt\r\nb\x07.txt\r\nc\xC2\x9B.txt\r\nd\xE2\x80\xAE.txt\r\n",
                   0, &err),
              2);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(err, L"Scrutel plugin: File not found: " + tree_.path(L"a<U+001B>[2J.txt") +
                       L"\r\nScrutel plugin: File not found: " + tree_.path(L"b<U+0007>.txt") +
                       L"\r\nScrutel plugin: File not found: " + tree_.path(L"c<U+009B>.txt") +
                       L"\r\nScrutel plugin: File not found: " + tree_.path(L"d<U+202E>.txt") + L"\r\n");
}

// Consecutive names in one folder ask the host for that folder once; each must still come out
// exactly as ResolvePath makes it, letter case and all.
TEST_F(ListFileTest, NamesSharingAFolderResolveAsEachAlone) {
    tree_.file(L"Mixed.Txt", "x");
    tree_.file(L"sub\\Inner.txt", "x");
    tree_.dir(L"sub\\Deeper");
    struct Row {
        const char* label;
        std::wstring line;
    } rows[] = {
        {"as stored", L"Mixed.Txt"},
        {"other letter case", L"MIXED.TXT"},
        {"again, same folder", L"mixed.txt"},
        {"a subfolder, forward slash", L"sub/inner.TXT"},
        {"a folder", L"SUB\\deeper"},
        {"dot-dot in the folder part", L"sub\\..\\Mixed.txt"},
        {"full path, letter case differs", tree_.root() + L"\\MIXED.txt"},
        {"full path in another case throughout", tree_.root() + L"\\SUB\\INNER.TXT"},
        {"back in the first folder", L"mixed.TXT"},
    };
    std::string list;
    std::vector<std::wstring> expected;
    for (const Row& row : rows) {
        list += U8(row.line) + "\r\n";
        std::vector<wchar_t> path(PathChars, 0);
        ASSERT_EQ(ResolvePath(row.line.c_str(), path.data(), ResolveHome), 0) << row.label;
        AddLongPathPrefix(path.data(), PathChars);
        expected.push_back(path.data());
    }
    std::wstring err;
    EXPECT_EQ(Read(list, 0, &err), 0);
    EXPECT_EQ(err, L"");
    ASSERT_EQ(g_calls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(g_calls[i], expected[i]) << rows[i].label;
}

namespace {
// The list of these lines, one to a CR LF line.
std::string ListText(const std::vector<std::wstring>& lines) {
    std::string list;
    for (const std::wstring& line : lines)
        list += ToUtf8(line) + "\r\n";
    return list;
}
// What each line but skipped resolves to alone, as the handler is to be given it.
std::vector<std::wstring> ResolvedAlone(const std::vector<std::wstring>& lines, const std::wstring& skipped) {
    std::vector<std::wstring> resolved;
    for (const std::wstring& line : lines) {
        if (line == skipped) continue;
        std::vector<wchar_t> path(PathChars, 0);
        EXPECT_EQ(ResolvePath(line.c_str(), path.data(), ResolveHome), 0) << ToUtf8(line);
        AddLongPathPrefix(path.data(), PathChars);
        resolved.push_back(path.data());
    }
    return resolved;
}
} // namespace

TEST_F(ListFileTest, ManyNamesOfOneFolderResolveAsEachAloneWhileTheFolderChanges) {
    // Enough names of one folder that it is read once and looked up by name; files removed and
    // added after that read resolve as they would alone, once a moment has passed.
    for (int i = 0; i < 60; ++i)
        tree_.file(L"File" + std::to_wstring(i) + L".Dat", "x");
    std::wstring gone = tree_.file(L"Gone.txt", "x");
    std::vector<std::wstring> lines;
    for (int i = 0; i < 60; ++i)
        lines.push_back((i % 2 ? L"FILE" : L"file") + std::to_wstring(i) + L".dat");
    lines.push_back(L"gone.txt");
    lines.push_back(L"LATE.TXT");
    lines.push_back(L"file7.DAT");
    std::string list = ListText(lines);
    g_afterCall = [&](size_t calls) {
        if (calls != 50) return;
        DeleteFileW(gone.c_str());
        tree_.file(L"Late.Txt", "x");
        // Longer than a folder's entries are taken as read without asking the folder again.
        Sleep(120);
    };
    std::wstring err;
    EXPECT_EQ(Read(list, 0, &err), 2);
    EXPECT_EQ(err, L"Scrutel plugin: File not found: " + tree_.path(L"gone.txt") + L"\r\n");
    std::vector<std::wstring> expected = ResolvedAlone(lines, L"gone.txt");
    EXPECT_EQ(g_calls, expected);
    EXPECT_EQ(expected[1], tree_.path(L"File1.Dat")) << "the stored letter case";
    EXPECT_EQ(expected[60], tree_.path(L"Late.Txt"));
}

TEST_F(ListFileTest, ManyNamesOfOneFolderInAnyOrderResolveAsEachAlone) {
    // The folder is read as far as each name needs: names in its own order, then back to the
    // start, one it does not hold (read to its end), and names after that.
    for (int i = 0; i < 80; ++i)
        tree_.file(L"Item" + std::to_wstring(i) + L".Dat", "x");
    for (int i = 0; i < 4; ++i)
        tree_.file(L"\u00C9t\u00E9" + std::to_wstring(i) + L".Dat", "x");
    std::vector<std::wstring> lines;
    for (int i = 0; i < 40; ++i)
        lines.push_back(L"item" + std::to_wstring(i) + L".dat");
    // Names beyond ASCII, in another letter case: the system's case rules decide.
    for (int i = 3; i >= 0; --i)
        lines.push_back(L"\u00E9T\u00C9" + std::to_wstring(i) + L".DAT");
    for (int i = 79; i >= 40; i -= 3)
        lines.push_back(L"ITEM" + std::to_wstring(i) + L".DAT");
    lines.push_back(L"item3.dat");
    lines.push_back(L"absent.dat");
    for (int i = 41; i < 80; i += 5)
        lines.push_back(L"Item" + std::to_wstring(i) + L".dat");
    std::wstring err;
    EXPECT_EQ(Read(ListText(lines), 0, &err), 2);
    EXPECT_EQ(err, L"Scrutel plugin: File not found: " + tree_.path(L"absent.dat") + L"\r\n");
    EXPECT_EQ(g_calls, ResolvedAlone(lines, L"absent.dat"));
}

TEST_F(ListFileTest, NotFoundNamesAndQuietNotFound) {
    std::wstring a = tree_.file(L"a.txt", "x");
    std::string list = "missing.txt\r\na.txt\r\n";
    std::wstring err;
    EXPECT_EQ(Read(list, 0, &err), 2) << "a later success does not replace the not-found result";
    EXPECT_EQ(err, L"Scrutel plugin: File not found: " + tree_.path(L"missing.txt") + L"\r\n");
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{a}));
    g_calls.clear();
    EXPECT_EQ(Read(list, WalkQuietNotFound, &err), 0);
    EXPECT_EQ(err, L"");
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{a}));
}

TEST_F(ListFileTest, HandlerResults) {
    std::wstring a = tree_.file(L"a.txt", "x");
    std::wstring b = tree_.file(L"b.txt", "x");
    std::wstring c = tree_.file(L"c.txt", "x");
    g_results[a] = 5;
    g_results[b] = 7;
    EXPECT_EQ(Read("a.txt\nb.txt\nc.txt\n"), 7) << "the last non-zero result";
    EXPECT_EQ(g_calls.size(), 3u);
    g_calls.clear();
    g_results.clear();
    g_results[b] = ABORTED;
    std::wstring err;
    EXPECT_EQ(Read("a.txt\nb.txt\nc.txt\nmissing\n", 0, &err), ABORTED);
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{a, b})) << "ABORTED stops the reading";
    EXPECT_EQ(err, L"");
    EXPECT_TRUE(DeleteFileW(tree_.path(L"files.lst").c_str())) << "the list is closed after ABORTED";
}

TEST_F(ListFileTest, HandlerExceptionStopsTheReadingAsAborted) {
    std::wstring a = tree_.file(L"a.txt", "x");
    std::wstring b = tree_.file(L"b.txt", "x");
    g_throwFor = a;
    EXPECT_EQ(Read("a.txt\nb.txt\n"), ABORTED);
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{a}));
}

TEST_F(ListFileTest, ListsThatCannotBeOpened) {
    std::wstring err;
    EXPECT_EQ(ReadNamed(L"no-such.lst", 0, &err), 2);
    EXPECT_EQ(err, L"Scrutel plugin: Error opening list file \"no-such.lst\"\r\n");
    tree_.file(L"empty.lst", std::string());
    EXPECT_EQ(ReadNamed(L"empty.lst", WalkQuietNotFound, &err), 2);
    EXPECT_EQ(err, L"Scrutel plugin: Error opening list file \"empty.lst\"\r\n");
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(ReadListFile(nullptr, 0, settings_, RecordingHandler, 0), -1);
    EXPECT_EQ(ReadListFile(L"", 0, settings_, RecordingHandler, 0), -1);
}

TEST_F(ListFileTest, Utf16Utf8AndOemLists) {
    std::wstring accented = tree_.file(L"caf\u00E9.txt", "x");
    std::wstring other = tree_.file(L"na\u00EFve.txt", "x");
    // UTF-16LE with a byte-order mark.
    std::wstring text = L"caf\u00E9.txt\r\nna\u00EFve.txt\r\n";
    std::string utf16 = "\xFF\xFE";
    for (wchar_t c : text)
        utf16 += {char(c & 0xFF), char(c >> 8)};
    EXPECT_EQ(Read(utf16), 0);
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{accented, other}));
    // UTF-8 without a mark.
    g_calls.clear();
    EXPECT_EQ(Read(ToUtf8(text)), 0);
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{accented, other}));
    // The OEM code page.
    g_calls.clear();
    char oem[64] = {};
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_OEMCP, 0, text.c_str(), static_cast<int>(text.size()), oem, sizeof oem,
                                nullptr, &lossy);
    ASSERT_GT(n, 0);
    ASSERT_FALSE(lossy) << "the OEM code page " << GetOEMCP() << " has no e acute";
    ASSERT_EQ(TextCodePageIndex(GetOEMCP()) != 0 || GetOEMCP() == 1252, true)
        << "the OEM code page " << GetOEMCP() << " has no decoding table";
    EXPECT_EQ(Read(std::string(oem, n)), 0);
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{accented, other}));
}

TEST_F(ListFileTest, OverLongLineIsCutNotSplit) {
    std::wstring a = tree_.file(L"a.txt", "x");
    // 32767 characters are kept; the rest of the line (an existing name) must not become a line.
    std::string longLine(32767, 'z');
    std::wstring err;
    int result = Read(longLine + U8(a) + "\r\na.txt\r\n", WalkQuietNotFound, &err);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{a}));
    EXPECT_EQ(err, L"");
}

// ---- Through the walker: "@" specifications.

TEST_F(ListFileTest, WalkerReadsAListOnlyWhenNoFileHasTheWholeName) {
    std::wstring a = tree_.file(L"a.txt", "x");
    tree_.file(L"names.lst", "a.txt\r\n");
    RangeSet ranges;
    Capture capture;
    EXPECT_EQ(WalkFileSpec(L"@names.lst", ListWalk(ranges), settings_, RecordingHandler), 0);
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{a}));

    // An existing file whose name begins with "@" is reported as itself.
    g_calls.clear();
    std::wstring at = tree_.file(L"@names.lst", "b.txt\r\n");
    EXPECT_EQ(WalkFileSpec(L"@names.lst", ListWalk(ranges), settings_, RecordingHandler), 0);
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{at}));

    // "@" followed by a wildcard is a wildcard specification.
    g_calls.clear();
    EXPECT_EQ(WalkFileSpec(L"@*.lst", ListWalk(ranges), settings_, RecordingHandler), 0);
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{at}));
}

// ---- "@-" end to end

const std::wstring OmitAll = L"/O:HZTACDVSIPXELUQRNF";

std::wstring ScrutelArguments(const std::wstring& args) {
    return L"--transient \"" + testing_support::BuildDir() + L"\\scrutel.dll\" scrutel " + args;
}

// The temporary copies of standard input left in dir.
std::vector<std::wstring> TemporaryCopies(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\Scrutel-*.tmp").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do
            names.push_back(data.cFileName);
        while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return names;
}

TEST(ListFileEndToEnd, StandardInputFromAPipe) {
    TempTree tree;
    tree.file(L"a.txt", "x");
    tree.file(L"b b.txt", "x");
    // A temporary directory of its own, so that nothing else creates copies there.
    std::wstring temp = tree.dir(L"temp");
    RunResult run = testing_support::RunPlughost(ScrutelArguments(OmitAll + L" @-"), tree.root(),
                                                 {L"TMP=" + temp, L"TEMP=" + temp},
                                                 "a.txt\r\n\"b b.txt\"\r\nmissing.txt\r\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(FromUtf8(run.out), tree.path(L"a.txt") + L"\r\n\r\n" + tree.path(L"b b.txt") + L"\r\n\r\n" +
                                     L"2 matching files found.\r\n");
    EXPECT_EQ(FromUtf8(run.err), L"Scrutel plugin: File not found: " + tree.path(L"missing.txt") + L"\r\n");
    EXPECT_TRUE(TemporaryCopies(temp).empty()) << "the temporary copy of the pipe is gone";
}

TEST(ListFileEndToEnd, EmptyStandardInput) {
    TempTree tree;
    RunResult run = testing_support::RunPlughost(ScrutelArguments(OmitAll + L" @-"), tree.root(), {}, "");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Scrutel plugin: Error opening list file \"-\"\r\n");
}

// Runs plughost.exe with a file as its standard input and tempDir as its temporary directory.
RunResult RunWithStandardInputFile(const std::wstring& arguments, const std::wstring& workDir,
                                   const std::wstring& inputFile, const std::wstring& tempDir) {
    RunResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE input =
        CreateFileW(inputFile.c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING, 0, nullptr);
    HANDLE outRead, outWrite, errRead, errWrite;
    CreatePipe(&outRead, &outWrite, &inherit, 0);
    CreatePipe(&errRead, &errWrite, &inherit, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    std::wstring cmd = L"\"" + testing_support::BuildDir() + L"\\plughost.exe\" " + arguments;
    std::vector<wchar_t> cmdLine(cmd.begin(), cmd.end());
    cmdLine.push_back(0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = input;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    // The child inherits this process's environment, with the temporary directory replaced.
    wchar_t savedTmp[MAX_PATH] = {}, savedTemp[MAX_PATH] = {};
    DWORD hadTmp = GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH);
    DWORD hadTemp = GetEnvironmentVariableW(L"TEMP", savedTemp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", tempDir.c_str());
    SetEnvironmentVariableW(L"TEMP", tempDir.c_str());
    BOOL ok = CreateProcessW(nullptr, cmdLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                             workDir.c_str(), &si, &pi);
    SetEnvironmentVariableW(L"TMP", hadTmp ? savedTmp : nullptr);
    SetEnvironmentVariableW(L"TEMP", hadTemp ? savedTemp : nullptr);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    CloseHandle(input);
    if (ok) {
        // Poll rather than read to the end of the pipes: a helper process that Wine starts for
        // the child may inherit them and keep them open after the child has ended.
        auto drain = [](HANDLE pipe, std::string* into) {
            DWORD available = 0;
            while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
                char buffer[4096];
                DWORD got = 0;
                if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) ||
                    got == 0)
                    break;
                into->append(buffer, got);
            }
        };
        const ULONGLONG deadline = GetTickCount64() + 120000;
        for (;;) {
            bool exited = WaitForSingleObject(pi.hProcess, 10) == WAIT_OBJECT_0;
            drain(outRead, &result.out);
            drain(errRead, &result.err);
            if (exited || GetTickCount64() > deadline) break;
        }
        WaitForSingleObject(pi.hProcess, 60000);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        result.exitCode = static_cast<int>(code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return result;
}

TEST(ListFileEndToEnd, StandardInputFromARedirectedFile) {
    TempTree tree;
    tree.file(L"a.txt", "x");
    // UTF-16 with a mark, so the list is read through encoding detection as well.
    std::wstring text = L"a.txt\r\n";
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text)
        bytes += {char(c & 0xFF), char(c >> 8)};
    std::wstring list = tree.file(L"input.lst", bytes);
    std::wstring temp = tree.dir(L"temp");
    RunResult run = RunWithStandardInputFile(ScrutelArguments(OmitAll + L" @-"), tree.root(), list, temp);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(FromUtf8(run.out), tree.path(L"a.txt") + L"\r\n\r\n1 matching file found.\r\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(TemporaryCopies(temp).empty());
}

} // namespace
