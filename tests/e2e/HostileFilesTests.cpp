// Files built to attack the terminal through the report: control and direction characters inside
// version strings, document summaries, image text and link arguments are shown as named escapes,
// and nothing but the report's own line ends reaches the output as a control.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <string>
#include <vector>

using testing_support::FromUtf8;
using testing_support::RunPlughost;
using testing_support::RunResult;
using testing_support::SourceFixture;
using testing_support::TempTree;

namespace {

const std::wstring Esc = L"<U+001B>";

// The first character of text that would act on a terminal: a control other than the CR LF of a
// line end, or a character that changes the direction of the text around it. Empty when none.
std::string FirstTerminalCharacter(const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            ++i;
            continue;
        }
        bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        bool direction = c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
                         (c >= 0x2066 && c <= 0x2069);
        if (control || direction) {
            char where[64];
            snprintf(where, sizeof where, "U+%04X at %zu", static_cast<unsigned>(c), i);
            return where;
        }
    }
    return {};
}

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

    // Every control in the output is part of a CR LF line end, and no direction character is left.
    EXPECT_EQ(FirstTerminalCharacter(out), "") << run.out;

    // Each file's values are still shown, each control and direction character by its name.
    const std::wstring expected[] = {
        L"    Title ................... " + Esc + L"[2J" + Esc + L"[31mred<U+000D><U+000A>x\r\n",
        L"    Author .................. <U+0007><U+0008><U+007F>\r\n",
        L"    Artist .................. " + Esc + L"[2J" + Esc + L"[31mred<U+000D><U+000A>x\r\n",
        L" " + Esc + L"[2J" + Esc + L"[31m<U+000D><U+000A>EVIL\r\n",
        L"    \u201Ca" + Esc + L"[2J" + Esc +
            L"[31mRED<U+0007><U+000D><U+000A>line2<U+0009>tab\u201D \u2014 (no version)\r\n",
        L"    Company Name ............ <U+202E>evil<U+202C>\r\n",
        L"5 matching files found.\r\n",
    };
    for (const std::wstring& line : expected)
        EXPECT_NE(out.find(line), std::wstring::npos) << testing_support::ToUtf8(line) << "\nin\n" << run.out;
}

} // namespace
