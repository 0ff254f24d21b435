// Replacement of terminal controls in text taken from files.
#include "output/TerminalText.h"

#include <gtest/gtest.h>

#include <string>

using namespace scrutel;

TEST(TerminalText, EveryControlAndOnlyControlsAreReplaced) {
    for (unsigned c = 1; c <= 0xFFFF; ++c) {
        bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        char16_t text[] = {u'a', static_cast<char16_t>(c), u'b', 0};
        U16String scrubbed = ScrubControls(text);
        ASSERT_EQ(scrubbed.size(), 3u) << c;
        EXPECT_EQ(scrubbed[1], control ? ReplacementCharacter : static_cast<char16_t>(c)) << c;
        ScrubControlsInPlace(text);
        EXPECT_EQ(U16String(text), scrubbed) << c;
    }
}

TEST(TerminalText, Sequences) {
    struct Row {
        const char* label;
        U16String in, out;
    } rows[] = {
        {"plain text unchanged", u"Report \u2014 caf\u00E9 \U0001F600",
         u"Report \u2014 caf\u00E9 \U0001F600"},
        {"CSI sequence", u"\x1b[2J\x1b[31mred", u"\uFFFD[2J\uFFFD[31mred"},
        {"8-bit CSI",
         u"\x9b"
         u"31m",
         u"\uFFFD31m"},
        {"OSC title with bell", u"\x1b]0;owned\x07", u"\uFFFD]0;owned\uFFFD"},
        {"line breaks and tabs", u"a\r\nb\tc", u"a\uFFFD\uFFFDb\uFFFDc"},
        {"empty", u"", u""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ScrubControls(row.in.c_str()), row.out) << row.label;
        U16String copy = row.in;
        ScrubControlsInPlace(copy.data());
        EXPECT_EQ(copy, row.out) << row.label;
    }
    EXPECT_EQ(ScrubControls(static_cast<const char16_t*>(nullptr)), u"");
    ScrubControlsInPlace(static_cast<char16_t*>(nullptr));
}
