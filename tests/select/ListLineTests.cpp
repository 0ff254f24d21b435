// Tests of what one list-file line names: blanks around it, comments, quotes, and the blank
// characters that are trimmed.
#include "select/ListLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

using namespace scrutel;

namespace {

TEST(TrimSpaces, Cases) {
    struct Case {
        const char16_t* in;
        const char16_t* out;
    } cases[] = {
        {u"", u""},       {u"   ", u""},      {u" a ", u"a"},     {u"\t a b \r\n", u"a b"},
        {u"abc", u"abc"}, {u"  abc", u"abc"}, {u"abc\t", u"abc"}, {u"\v\fx y\f", u"x y"},
    };
    for (const Case& c : cases) {
        char16_t line[32] = {};
        std::copy_n(c.in, U16Length(c.in) + 1, line);
        TrimSpaces(line);
        EXPECT_EQ(U16String(line), U16String(c.out)) << Utf8FromU16(c.in);
    }
    TrimSpaces(nullptr);
}

TEST(ListLineName, BlanksCommentsAndQuotes) {
    struct Row {
        const char* label;
        const char16_t* line;
        const char16_t* name;
    } rows[] = {
        {"plain name", u"a.txt", u"a.txt"},
        {"empty line", u"", u""},
        {"only blanks", u"   \t\v\f", u""},
        {"blanks around a name", u" \t a.txt \t ", u"a.txt"},
        {"blanks inside a name stay", u"name with blanks.txt", u"name with blanks.txt"},
        {"comment", u":a.txt is a comment", u""},
        {"indented comment", u"  \t:indented comment", u""},
        {"colon after the first character", u"C:\\dir\\a.txt", u"C:\\dir\\a.txt"},
        {"quoted name", u"\"name with blanks.txt\"", u"name with blanks.txt"},
        {"blanks inside quotes stay", u"\" a.txt \"", u" a.txt "},
        {"quoted colon is no comment", u"\":a.txt\"", u":a.txt"},
        {"quotes anywhere are removed", u"a\"b\".txt", u"ab.txt"},
        {"only quotes", u"\"\"", u""},
        {"quotes and blanks", u"  \" \"  ", u" "},
        {"wildcards are literal", u"*.txt", u"*.txt"},
        {"no-break space trimmed", u"\u00A0a.txt\u00A0", u"a.txt"},
        {"ideographic space and line separator trimmed", u"\u3000a.txt\u2028", u"a.txt"},
        {"next line is not blank", u"\u0085a.txt", u"\u0085a.txt"},
        {"zero-width space is not blank", u"\u200Ba.txt", u"\u200Ba.txt"},
    };
    // The same lines one after another into one reused name: nothing of a line is left for the next.
    U16String reused = u"left over from an earlier, longer line";
    for (const Row& row : rows) {
        EXPECT_EQ(ListLineName(row.line), U16String(row.name)) << row.label;
        ListLineName(row.line, reused);
        EXPECT_EQ(reused, U16String(row.name)) << row.label << ", reused";
    }
}

} // namespace
