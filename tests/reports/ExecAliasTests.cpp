// Tests of the execution-alias section: which reparse answers are followed, the alias and
// symbolic-link lines with both quote styles, and ordinary zero-length programs. Reparse
// data comes from a scripted reader, since this system returns none.
#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "reports/ExecAlias.h"
#include "reports/ReportSections.h"
#include "support/TestSupport.h"
#include "files/ReparsePoint.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

// A reader that answers every path with a fixed result, target and tag.
ReparseReader Scripted(int result, std::wstring target, uint32_t tag) {
    return [=](const wchar_t*, wchar_t* output, size_t capacity, uint32_t* tagOut) {
        if (tagOut) *tagOut = 0;
        if (result != 0) return result;
        if (target.size() >= capacity) return 122;
        wcscpy(output, target.c_str());
        if (tagOut) *tagOut = tag;
        return 0;
    };
}

struct Outcome {
    int result;
    std::wstring out;
    std::wstring resolved;
};

Outcome RunSection(const std::wstring& path, uint32_t omitMask, const ReparseReader& reader) {
    std::vector<wchar_t> resolved(PathChars, L'\0');
    Capture capture;
    int rc = ExecAliasSectionQuoted(path.c_str(), resolved.data(), omitMask, reader);
    return {rc, capture.out(), resolved.data()};
}

} // namespace

TEST(ExecAliasSectionTest, ScriptedReparseAnswers) {
    TempTree tree;
    std::wstring alias = tree.file(L"WindowsApps\\tool.exe");
    std::wstring program = tree.file(L"Program\\tool.exe", std::string("MZ program bytes"));
    std::wstring empty = tree.file(L"Program\\empty.exe");
    // A name may hold C1 controls (only C0 is forbidden): shown named, followed as it is.
    std::wstring control = tree.file(L"Program\\next\x0085line.exe", std::string("MZ program bytes"));
    std::wstring controlShown = tree.path(L"Program\\next<U+0085>line.exe");
    std::wstring upperAlias = alias;
    for (wchar_t& c : upperAlias)
        c = towupper(c);
    struct Row {
        const char* label;
        ReparseReader reader;
        uint32_t omitMask;
        int result;
        std::wstring out;
        std::wstring resolved;
    } rows[] = {
        {"execution alias", Scripted(0, program, ReparseTagAppExecLink), 0, 1,
         L"    AppX alias:  \u201C" + program + L"\u201D\r\n\r\n", program},
        {"execution alias, plain quotes", Scripted(0, program, ReparseTagAppExecLink), OmitUnicodeQuotes, 1,
         L"    AppX alias:  \"" + program + L"\"\r\n\r\n", program},
        {"symbolic link", Scripted(0, program, ReparseTagSymlink), 0, 1,
         L"    Symlink:  \u201C" + program + L"\u201D\r\n\r\n", program},
        {"control in the target's name", Scripted(0, control, ReparseTagAppExecLink), 0, 1,
         L"    AppX alias:  \u201C" + controlShown + L"\u201D\r\n\r\n", control},
        {"junction is not followed", Scripted(0, program, ReparseTagMountPoint), 0, 0, L"", L""},
        {"target missing", Scripted(0, tree.path(L"Program\\gone.exe"), ReparseTagAppExecLink), 0, 0, L"",
         L""},
        {"target empty", Scripted(0, empty, ReparseTagAppExecLink), 0, 0, L"", L""},
        {"target is the alias itself", Scripted(0, upperAlias, ReparseTagSymlink), 0, 0, L"", L""},
        {"empty target", Scripted(0, L"", ReparseTagAppExecLink), 0, 0, L"", L""},
        {"not a reparse point", Scripted(ERROR_NOT_A_REPARSE_POINT, L"", 0), 0, 0, L"", L""},
        {"unsupported tag", Scripted(ReparseUnsupportedTag, L"", 0), 0, 0, L"", L""},
    };
    for (const Row& row : rows) {
        Outcome o = RunSection(alias, row.omitMask, row.reader);
        EXPECT_EQ(o.result, row.result) << row.label;
        EXPECT_EQ(o.out, row.out) << row.label;
        EXPECT_EQ(o.resolved, row.resolved) << row.label;
    }
}

TEST(ExecAliasSectionTest, InterruptionIsPassedOn) {
    TempTree tree;
    std::wstring alias = tree.file(L"a.exe");
    std::wstring program = tree.file(L"b.exe", std::string("x"));
    Output().paging.interrupted = 1;
    Outcome o = RunSection(alias, 0, Scripted(0, program, ReparseTagAppExecLink));
    Output().paging.interrupted = 0;
    EXPECT_EQ(o.result, ABORTED);
    EXPECT_EQ(o.resolved, program);
}

TEST(ExecAliasSectionTest, OrdinaryZeroLengthProgram) {
    // The system reader on a file that is no reparse point: nothing shown, output untouched.
    TempTree tree;
    std::wstring path = tree.file(L"plain.exe");
    std::vector<wchar_t> resolved(PathChars, L'\0');
    Capture capture;
    EXPECT_EQ(ExecAliasSection(path.c_str(), resolved.data(), 0), 0);
    EXPECT_EQ(capture.out(), L"");
    EXPECT_EQ(resolved[0], L'\0');
    EXPECT_EQ(ExecAliasSection(nullptr, resolved.data(), 0), 0);
    EXPECT_EQ(ExecAliasSection(path.c_str(), nullptr, 0), 0);
}

TEST(ExecAliasSectionTest, SystemAliasEndToEnd) {
    TempTree tree;
    std::wstring program = tree.file(L"real.exe", std::string("program"));
    std::wstring link = tree.path(L"alias.exe");
    DWORD attributes = CreateSymbolicLinkW(link.c_str(), program.c_str(), 0)
                           ? GetFileAttributesW(link.c_str())
                           : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "no reparse point can be made and read here; the section's rules are covered by "
                        "ScriptedReparseAnswers";
    std::vector<wchar_t> resolved(PathChars, L'\0');
    Capture capture;
    EXPECT_EQ(ExecAliasSection(link.c_str(), resolved.data(), 0), 1);
    EXPECT_EQ(capture.out(), L"    Symlink:  \u201C" + program + L"\u201D\r\n\r\n");
}
