// The character classes and the case folding of core/CharClass.h: the members of each class next
// to their neighbours, and the folding of ASCII letters only.
#include "core/CharClass.h"

#include <gtest/gtest.h>

using namespace scrutel;

TEST(IsWhiteSpace, SpacesSeparatorsAndTheirNeighbours) {
    struct Case {
        const char* what;
        int32_t c;
        bool blank;
    } cases[] = {
        {"backspace", 0x08, false},
        {"tab", 0x09, true},
        {"carriage return", 0x0D, true},
        {"shift out", 0x0E, false},
        {"unit separator", 0x1F, false},
        {"space", 0x20, true},
        {"exclamation mark", 0x21, false},
        {"letter", 'a', false},
        {"next line", 0x85, false},
        {"no-break space", 0xA0, true},
        {"ogham space mark", 0x1680, true},
        {"Mongolian vowel separator", 0x180E, false},
        {"en quad", 0x2000, true},
        {"hair space", 0x200A, true},
        {"zero width space", 0x200B, false},
        {"line separator", 0x2028, true},
        {"paragraph separator", 0x2029, true},
        {"narrow no-break space", 0x202F, true},
        {"medium mathematical space", 0x205F, true},
        {"word joiner", 0x2060, false},
        {"ideographic space", 0x3000, true},
        {"ideographic comma", 0x3001, false},
        {"byte-order mark", 0xFEFF, false},
        {"end of data", -1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsWhiteSpace(c.c), c.blank) << c.what;
}

TEST(EqualsIgnoringCase, OnlyAsciiLettersHaveACase) {
    struct Row {
        const char* label;
        U16View text, other;
        bool equal;
    } rows[] = {
        {"letters of either case", u"WeekDay", u"weekday", true},
        {"other characters as they are", u"/[s1k,2M]", u"/[S1K,2m]", true},
        {"a different length", u"weekday", u"weekdays", false},
        {"Latin-1 letters keep their case", u"\u00E9t\u00E9", u"\u00C9T\u00C9", false},
        {"dotless i is not I", u"L\u0131ST", u"LIST", false},
        {"long s is not S", u"/\u017F", u"/S", false},
        {"the Kelvin sign is not K", u"\u212A", u"k", false},
        {"the characters next to the letters", u"@[`{", u"@[`{", true},
        {"@ and ` are not letters", u"@", u"`", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(EqualsIgnoringCase(row.text, row.other), row.equal) << row.label;
    EXPECT_TRUE(StartsWithIgnoringCase(u"Volume{1234}", u"VOLUME{"));
    EXPECT_FALSE(StartsWithIgnoringCase(u"Vol", u"VOLUME{"));
}
