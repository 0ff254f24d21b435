// End-to-end tests of the variable functions through plughost.exe: the host finds the decorated
// exports of scrutel.dll as _FHVER, _CLVER and @RPTARGET and expands them in a command line.
#include "output/ErrorReport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using testing_support::BuildDir;
using testing_support::FromUtf8;
using testing_support::RunPlughost;
using testing_support::TempTree;

namespace {

std::wstring Plugin() {
    return L"--transient \"" + BuildDir() + L"\\scrutel.dll\" ";
}

std::wstring SystemText(uint32_t code) {
    wchar_t text[1024];
    scrutel::FormatErrorText(code, text);
    return text;
}

} // namespace

TEST(VariableFunctionsEndToEnd, VersionVariables) {
    auto run = RunPlughost(Plugin() + L"echo [%_fhver] [%_clver]");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(FromUtf8(run.out), L"[1.0.16.5] [1.1.2.2]\r\n");
    EXPECT_EQ(run.err, "");
}

TEST(VariableFunctionsEndToEnd, RpTargetOfAnOrdinaryFile) {
    TempTree tree;
    std::wstring file = tree.file(L"plain.txt", std::string("x"));
    auto run = RunPlughost(Plugin() + L"echo %@rptarget[  \"" + file + L"\"  ]");
    std::wstring expected = L"Scrutel plugin: Error resolving \"" + file + L"\" :\r\n    " +
                            SystemText(ERROR_NOT_A_REPARSE_POINT) + L"\r\n";
    std::wstring err = FromUtf8(run.err);
    EXPECT_EQ(err.substr(0, expected.size()), expected) << run.err;
    EXPECT_EQ(FromUtf8(run.out).find(file), std::wstring::npos);
}

TEST(VariableFunctionsEndToEnd, RpTargetWithoutName) {
    auto run = RunPlughost(Plugin() + L"echo %@rptarget[\"\"]");
    std::wstring err = FromUtf8(run.err);
    std::wstring expected = L"Scrutel plugin: Missing filename\r\n";
    EXPECT_EQ(err.substr(0, expected.size()), expected) << run.err;
}
