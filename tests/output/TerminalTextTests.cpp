// Named escapes for the characters of names and file contents that would act on the terminal.
#include "output/TerminalText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace scrutel;

namespace {

// The escape of one code unit, written independently of the function under test.
U16String Named(unsigned c) {
    char text[16];
    std::snprintf(text, sizeof text, "<U+%04X>", c);
    return U16FromAscii(text);
}

bool Escaped(unsigned c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029 ||
           (c >= 0xD800 && c <= 0xDFFF);
}

} // namespace

TEST(TerminalText, EveryControlAndDirectionCharacterAndNothingElseIsNamed) {
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        U16String text = u"a";
        text.push_back(static_cast<char16_t>(c));
        text += u"b";
        U16String expected = u"a";
        expected += Escaped(c) ? Named(c) : U16String(1, static_cast<char16_t>(c));
        expected += u"b";
        ASSERT_EQ(TerminalSafe(U16View(text)), expected) << c;
        ASSERT_EQ(IsEscapedForTerminal(c), Escaped(c)) << c;
    }
}

TEST(TerminalText, Sequences) {
    struct Row {
        const char* label;
        U16String in, out;
    } rows[] = {
        {"plain text unchanged", u"Report \u2014 caf\u00E9 \U0001F600 \u05D0\u05D1 \u200D",
         u"Report \u2014 caf\u00E9 \U0001F600 \u05D0\u05D1 \u200D"},
        {"a path unchanged", u"C:\\Program Files\\x.txt", u"C:\\Program Files\\x.txt"},
        {"CSI sequence", u"\x1b[2J\x1b[31mred", u"<U+001B>[2J<U+001B>[31mred"},
        {"8-bit CSI",
         u"\x9b"
         u"31m",
         u"<U+009B>31m"},
        {"OSC title with bell and string terminator",
         u"\x1b]0;owned\x07 \x9d"
         u"0;t\x9c",
         u"<U+001B>]0;owned<U+0007> <U+009D>0;t<U+009C>"},
        {"line breaks and tabs", u"a\r\nb\tc\u0085d", u"a<U+000D><U+000A>b<U+0009>c<U+0085>d"},
        {"right-to-left override", u"rlo\u202Etxt.exe", u"rlo<U+202E>txt.exe"},
        {"lone surrogates named, a pair kept",
         u"\xD800x\xDC00"
         u"\U00010000",
         u"<U+D800>x<U+DC00>\U00010000"},
        {"high surrogate at the end", u"x\xDBFF", u"x<U+DBFF>"},
        {"NUL inside the view", U16String(u"a\0b", 3), u"a<U+0000>b"},
        {"empty", u"", u""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TerminalSafe(U16View(row.in)), row.out) << row.label;
        if (row.in.find(u'\0') == U16String::npos) {
            EXPECT_EQ(TerminalSafe(row.in.c_str()), row.out) << row.label;
        }
    }
    EXPECT_EQ(TerminalSafe(static_cast<const char16_t*>(nullptr)), u"");
}
