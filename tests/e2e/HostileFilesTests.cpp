// Files built to attack the terminal through the report: control characters inside version
// strings, document summaries, image text and link arguments are shown as U+FFFD, and nothing but
// the report's own line ends reaches the output as a control.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::FromUtf8;
using testing_support::RunPlughost;
using testing_support::RunResult;
using testing_support::SourceFixture;
using testing_support::TempTree;

namespace {

const std::wstring R = L"\uFFFD";

TEST(HostileFiles, ControlCharactersFromFilesNeverReachTheTerminal) {
    TempTree tree;
    const std::vector<std::wstring> names = {L"p_lpstr_ctrl.doc", L"png_text_ctrl.png", L"s_ctrl.lnk",
                                             L"tif_str_garbage.tif", L"ver_ctrl.exe"};
    for (const std::wstring& name : names) {
        std::wstring source = SourceFixture(L"hostile\\control_chars\\" + name);
        ASSERT_TRUE(CopyFileW(source.c_str(), tree.path(name).c_str(), FALSE))
            << testing_support::ToUtf8(source);
    }
    RunResult run = RunPlughost(
        L"--transient \"" + testing_support::BuildDir() + L"\\scrutel.dll\" scrutel /O:TACZR *", tree.root());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    std::wstring out = FromUtf8(run.out);

    // Every control in the output is part of a CR LF line end.
    for (size_t i = 0; i < out.size(); ++i) {
        wchar_t c = out[i];
        if (c == L'\r' && i + 1 < out.size() && out[i + 1] == L'\n') {
            ++i;
            continue;
        }
        ASSERT_FALSE(c < 0x20 || (c >= 0x7F && c <= 0x9F))
            << "control U+" << std::hex << static_cast<unsigned>(c) << " at " << std::dec << i << " in "
            << run.out;
    }

    // Each file's values are still shown, with their controls replaced one for one.
    const std::wstring expected[] = {
        L"    Title ................... " + R + L"[2J" + R + L"[31mred" + R + R + L"x\r\n",
        L"    Author .................. " + R + R + R + L"\r\n",
        L"    Artist .................. " + R + L"[2J" + R + L"[31mred" + R + R + L"x\r\n",
        L" " + R + L"[2J" + R + L"[31m" + R + R + L"EVIL\r\n",
        L"    \u201Ca" + R + L"[2J" + R + L"[31mRED" + R + R + R + L"line2" + R +
            L"tab\u201D \u2014 (no version)\r\n",
        L"5 matching files found.\r\n",
    };
    for (const std::wstring& line : expected)
        EXPECT_NE(out.find(line), std::wstring::npos) << testing_support::ToUtf8(line) << "\nin\n" << run.out;
}

} // namespace
