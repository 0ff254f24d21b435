// Whole SCRUTEL commands through plughost.exe: help, argument errors, selections that find
// nothing, and reports with their closing count, compared byte for byte with the exit status.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using testing_support::FromUtf8;
using testing_support::RunPlughost;
using testing_support::RunResult;
using testing_support::TempTree;
using testing_support::ToUtf8;

namespace {

// Every section omitted: each report is its heading and a blank line.
const std::wstring OmitAll = L"/O:HZTACDVSIPXELUQRNF";

RunResult Scrutel(const std::wstring& args, const std::wstring& workDir = L"") {
    return RunPlughost(L"--transient \"" + testing_support::BuildDir() + L"\\scrutel.dll\" scrutel " + args,
                       workDir);
}

TEST(CommandEndToEnd, HelpEndsWith0) {
    RunResult run = Scrutel(L"/?");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(
        FromUtf8(run.out),
        L"Display information about files.\n\nSCRUTEL /A: /C: /D /L: /N: /O: /P /S /T: /V: "
        L"file...\r\n\n\t/A:\t"
        L"attributes\n\t/C:\tchecksums/hashes    /C? for more info  \n\t/D\tno highlight\n\t/L:\twrite a "
        L"digest list /L? for more info\n\t/N:\tdisable "
        L"features    /N? for more info\n\t/O:\tomit features       /O? for more info\n\t/P\tpage "
        L"output\n\t/S\tsearch in subdirectories\n\t/T:\ttime display mode   /T? for more info\n\t/V:\tcheck "
        L"a digest list /V? for more info\n\nIf no filespecs are given, * is the default.  \n");
    EXPECT_EQ(run.err, "");
}

TEST(CommandEndToEnd, SuboptionHelpKeepsItsDash) {
    RunResult run = Scrutel(L"/N?");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.substr(0, 38), "SCRUTEL /N:  \xE2\x80\x94 disable features\n\n\tC\t");
}

TEST(CommandEndToEnd, UnknownOptionEndsWith1) {
    RunResult run = Scrutel(L"/x");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Unknown option: \"/X\"\r\n");
    EXPECT_EQ(run.out, "");
}

TEST(CommandEndToEnd, BadSwitchValueEndsWith1WithThePrefix) {
    RunResult run = Scrutel(L"/W:63");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Scrutel plugin: MaxWidth must be 0 or 64 to 2048: 63\r\n");
    EXPECT_EQ(run.out, "");
}

// The shell passes lines of up to 32767 characters; the command's own argument table holds 8191.
TEST(CommandEndToEnd, ArgumentTextLongerThanTheTableGetsTheCommandsOwnMessage) {
    TempTree tree;
    const std::wstring fits = OmitAll + L" " + std::wstring(8191 - OmitAll.size() - 1, L'q');
    RunResult run = Scrutel(fits, tree.root());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err.find("Buffer overflow"), std::string::npos) << run.err;

    for (size_t length : {8192u, 12000u, 30000u}) {
        SCOPED_TRACE(length);
        run = Scrutel(OmitAll + L" " + std::wstring(length - OmitAll.size() - 1, L'q'), tree.root());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "Scrutel plugin: Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n");
    }
}

TEST(CommandEndToEnd, NothingMatchingEndsWith2) {
    TempTree tree;
    tree.file(L"a.txt", "x");
    RunResult run = Scrutel(L"*.xyz", tree.root());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(FromUtf8(run.err), L"Scrutel plugin: No matching files: \"" + tree.path(L"*.xyz") + L"\"\r\n");
    EXPECT_EQ(run.out, "");
}

TEST(CommandEndToEnd, RecursiveReportListsEveryFileAndTheCount) {
    TempTree tree;
    tree.file(L"a.txt", "x");
    tree.file(L"b.log", "x");
    tree.file(L"sub\\c.txt", "x");
    RunResult run = Scrutel(OmitAll + L" /S *.txt", tree.root());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(FromUtf8(run.out), tree.path(L"a.txt") + L"\r\n\r\n" + tree.path(L"sub\\c.txt") + L"\r\n\r\n" +
                                     L"2 matching files found.\r\n");
    EXPECT_EQ(run.err, "");
}

TEST(CommandEndToEnd, OneFileGivesTheSingularCount) {
    TempTree tree;
    tree.file(L"a.txt", "x");
    RunResult run = Scrutel(OmitAll + L" a.txt", tree.root());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(FromUtf8(run.out), tree.path(L"a.txt") + L"\r\n\r\n1 matching file found.\r\n");
}

TEST(CommandEndToEnd, OmitKLeavesOutTheCount) {
    TempTree tree;
    tree.file(L"a.txt", "x");
    RunResult run = Scrutel(OmitAll + L"K a.txt", tree.root());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(FromUtf8(run.out), tree.path(L"a.txt") + L"\r\n\r\n");
}

TEST(CommandEndToEnd, FoundAndMissingTogetherEndWith2AndStillCount) {
    TempTree tree;
    tree.file(L"a.txt", "x");
    RunResult run = Scrutel(OmitAll + L" nothing.here a.txt", tree.root());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(FromUtf8(run.out), tree.path(L"a.txt") + L"\r\n\r\n1 matching file found.\r\n");
    EXPECT_EQ(FromUtf8(run.err),
              L"Scrutel plugin: No matching files: \"" + tree.path(L"nothing.here") + L"\"\r\n");
}

} // namespace

namespace {

// Writes a file through the long form of its path, so that a device name is taken as a file.
void WriteLongForm(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    ASSERT_EQ(written, bytes.size());
}

} // namespace

// Files named like devices are files: each is reported with its own bytes, and none is opened as
// the device (which would wait for input forever, or read as empty).
TEST(CommandEndToEnd, FilesNamedLikeDevicesAreReadAsFiles) {
    TempTree tree;
    const std::vector<std::wstring> names = {L"AUX.txt", L"com1.txt", L"con.txt", L"CONOUT$",
                                             L"LPT1",    L"NUL",      L"nul.txt", L"plain.txt"};
    for (const std::wstring& name : names)
        WriteLongForm(tree.path(name), "hello\r\n");
    RunResult run = Scrutel(L"/O:HTADVSIPXELURNF /C:CRC32 *", tree.root());
    std::wstring expected;
    for (const std::wstring& name : names)
        expected += tree.path(name) + L"\r\n\r\n    7 bytes     \r\n\r\n    CRC-32 :  46CE8AAC\r\n\r\n";
    expected += L"8 matching files found.\r\n";
    EXPECT_EQ(FromUtf8(run.out), expected);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0);
    for (const std::wstring& name : names)
        DeleteFileW((L"\\\\?\\" + tree.path(name)).c_str());
}

// A folder whose name ends in a dot (which a plain path drops) is walked, alone and beside a
// sibling spelled without the dot, which is walked once: the two trees of a package that ships
// a folder "apache.".
TEST(CommandEndToEnd, FoldersWhoseNamesEndInADotAreWalked) {
    TempTree tree;
    for (const wchar_t* folder : {L"a", L"a\\apache.", L"b", L"b\\apache.", L"b\\apache"})
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + tree.path(folder)).c_str(), nullptr));
    WriteLongForm(tree.path(L"a\\apache.\\only.txt"), "only\n");
    WriteLongForm(tree.path(L"b\\apache.\\dotted.txt"), "dotted\n");
    WriteLongForm(tree.path(L"b\\apache\\plain.txt"), "plain\n");
    const std::wstring only = tree.path(L"a\\apache.\\only.txt") +
                              L"\r\n\r\n    5 bytes     \r\n\r\n    CRC-32 :  595C8E54\r\n\r\n";
    const std::wstring dotted = tree.path(L"b\\apache.\\dotted.txt") +
                                L"\r\n\r\n    7 bytes     \r\n\r\n    CRC-32 :  5C6035B5\r\n\r\n";
    const std::wstring plain = tree.path(L"b\\apache\\plain.txt") +
                               L"\r\n\r\n    6 bytes     \r\n\r\n    CRC-32 :  3915F9D0\r\n\r\n";
    // b's two folders in the order the system lists them.
    std::wstring both;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(tree.path(L"b\\*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        std::wstring name = data.cFileName;
        if (name == L"apache.") both += dotted;
        if (name == L"apache") both += plain;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    const struct {
        const wchar_t* spec;
        std::wstring expected;
    } runs[] = {{L"a\\*", only + L"1 matching file found.\r\n"},
                {L"b\\*", both + L"2 matching files found.\r\n"}};
    for (const auto& r : runs) {
        RunResult run = Scrutel(std::wstring(L"/S /O:HTADVSIPXELURNF /C:CRC32 ") + r.spec, tree.root());
        EXPECT_EQ(FromUtf8(run.out), r.expected) << ToUtf8(r.spec);
        EXPECT_EQ(run.err, "") << ToUtf8(r.spec);
        EXPECT_EQ(run.exitCode, 0) << ToUtf8(r.spec);
    }
}
