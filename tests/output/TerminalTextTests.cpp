// Replacement of terminal controls in text taken from files.
#include "output/TerminalText.h"

#include <gtest/gtest.h>

#include <string>

using namespace scrutel;

TEST(TerminalText, EveryControlAndOnlyControlsAreReplaced) {
    for (unsigned c = 1; c <= 0xFFFF; ++c) {
        bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        wchar_t text[] = {L'a', static_cast<wchar_t>(c), L'b', 0};
        std::wstring scrubbed = ScrubControls(text);
        ASSERT_EQ(scrubbed.size(), 3u) << c;
        EXPECT_EQ(scrubbed[1], control ? ReplacementCharacter : static_cast<wchar_t>(c)) << c;
        ScrubControlsInPlace(text);
        EXPECT_EQ(std::wstring(text), scrubbed) << c;
    }
}

TEST(TerminalText, Sequences) {
    struct Row {
        const char* label;
        std::wstring in, out;
    } rows[] = {
        {"plain text unchanged", L"Report \u2014 caf\u00E9 \U0001F600",
         L"Report \u2014 caf\u00E9 \U0001F600"},
        {"CSI sequence", L"\x1b[2J\x1b[31mred", L"\uFFFD[2J\uFFFD[31mred"},
        {"8-bit CSI",
         L"\x9b"
         L"31m",
         L"\uFFFD31m"},
        {"OSC title with bell", L"\x1b]0;owned\x07", L"\uFFFD]0;owned\uFFFD"},
        {"line breaks and tabs", L"a\r\nb\tc", L"a\uFFFD\uFFFDb\uFFFDc"},
        {"empty", L"", L""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ScrubControls(row.in.c_str()), row.out) << row.label;
        std::wstring copy = row.in;
        ScrubControlsInPlace(copy.data());
        EXPECT_EQ(copy, row.out) << row.label;
    }
    EXPECT_EQ(ScrubControls(nullptr), L"");
    ScrubControlsInPlace(nullptr);
}
