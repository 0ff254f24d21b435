// WildcardComparison of the stand-in host: "*", "?", sets with ranges and negation, letter case,
// and the file-name rules for "*.*" and a trailing ".".
#include "gateway/HostExports.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct WildcardCase {
    const char* label;
    const wchar_t* pattern;
    const wchar_t* text;
    int fileNames;
    bool matches;
};

const WildcardCase kCases[] = {
    // Plain characters and letter case
    {"identical", L"readme.txt", L"readme.txt", 1, true},
    {"case ignored", L"ReadMe.TXT", L"README.txt", 1, true},
    {"non-ASCII case ignored", L"\u00C4RGER*", L"\u00E4rgerlich.txt", 1, true},
    {"different text", L"readme.txt", L"readme.doc", 1, false},
    {"text longer than pattern", L"read", L"readme", 1, false},
    {"empty pattern, empty text", L"", L"", 1, true},
    {"empty pattern, some text", L"", L"a", 1, false},
    // Star and question mark
    {"star alone", L"*", L"anything at all", 1, true},
    {"star matches empty text", L"*", L"", 1, true},
    {"star extension", L"*.txt", L"notes.TXT", 1, true},
    {"star extension, other extension", L"*.txt", L"notes.txt.bak", 1, false},
    {"star in the middle", L"a*z", L"abcz", 1, true},
    {"star in the middle, nothing between", L"a*z", L"az", 1, true},
    {"several stars", L"*a*b*c*", L"xaybzc", 1, true},
    {"several stars, wrong order", L"*a*b*c*", L"xcybza", 1, false},
    {"question mark one character", L"a?c", L"abc", 1, true},
    {"question mark needs a character", L"a?c", L"ac", 1, false},
    {"question mark only one character", L"a?c", L"abbc", 1, false},
    {"question marks and star", L"??*.log", L"ab.log", 1, true},
    {"question marks and star, too short", L"??*.log", L"a.log", 1, false},
    // Sets
    {"set member", L"[abc]*", L"banana", 1, true},
    {"set non-member", L"[abc]*", L"dog", 1, false},
    {"range, case ignored", L"[a-f]x", L"Dx", 1, true},
    {"upper-case range, lower-case text", L"[A-F]x", L"ex", 1, true},
    {"range outside", L"[a-f]x", L"gx", 1, false},
    {"reversed range", L"[f-a]x", L"cx", 1, true},
    {"negated with !", L"[!a-f]x", L"gx", 1, true},
    {"negated with !, member", L"[!a-f]x", L"ax", 1, false},
    {"negated with ^", L"[^0-9]", L"z", 1, true},
    {"negated with ^, member", L"[^0-9]", L"5", 1, false},
    {"two ranges", L"file[0-9][0-9].log", L"file42.log", 1, true},
    {"two ranges, one digit", L"file[0-9][0-9].log", L"file7.log", 1, false},
    {"set and star", L"*[xyz]", L"buzz", 1, true},
    {"closing bracket first in set", L"[]]", L"]", 1, true},
    {"dash at the end of a set", L"[a-]", L"-", 1, true},
    {"set needs one character", L"[ab]", L"", 1, false},
    {"unterminated set is a plain bracket", L"[ab", L"[ab", 1, true},
    {"unterminated set, other text", L"[ab", L"a", 1, false},
    {"lone bracket", L"[", L"[", 1, true},
    {"set does not match brackets literally", L"photo [1].jpg", L"photo [1].jpg", 1, false},
    {"set matches its member", L"photo [1].jpg", L"photo 1.jpg", 1, true},
    // File-name rules
    {"star dot star, name without extension", L"*.*", L"README", 1, true},
    {"star dot star, name with extension", L"*.*", L"a.b", 1, true},
    {"star dot star for descriptions needs a dot", L"*.*", L"README", 0, false},
    {"trailing dot, name without extension", L"*.", L"README", 1, true},
    {"trailing dot, name with extension", L"*.", L"a.txt", 1, false},
    {"trailing dot after a prefix", L"read*.", L"readme", 1, true},
    {"trailing dot, other prefix", L"read*.", L"notes", 1, false},
    {"trailing dot for descriptions", L"*.", L"README", 0, false},
    // Descriptions and owners
    {"description words", L"*important*", L"This is IMPORTANT stuff", 0, true},
    {"description without the word", L"*important*", L"Nothing to see", 0, false},
    {"owner", L"*\\root", L"VM\\ROOT", 0, true},
};

TEST(HostWildcard, TableOfCases) {
    for (const WildcardCase& c : kCases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(WildcardComparison(c.pattern, c.text, c.fileNames, 1) == 0, c.matches)
            << "pattern \"" << testing::PrintToString(std::wstring(c.pattern)) << "\"";
    }
}

TEST(HostWildcard, NullArgumentsDoNotMatch) {
    EXPECT_NE(WildcardComparison(nullptr, L"a", 1, 1), 0);
    EXPECT_NE(WildcardComparison(L"a", nullptr, 1, 1), 0);
}

TEST(HostWildcard, ManyStarsStayFast) {
    // A pattern that makes naive back-tracking take exponential time (it would run into the
    // test's time limit).
    std::wstring pattern;
    for (int k = 0; k < 30; ++k)
        pattern += L"*a";
    pattern += L"b";
    std::wstring text(4000, L'a');
    EXPECT_NE(WildcardComparison(pattern.c_str(), text.c_str(), 1, 1), 0);
    EXPECT_EQ(WildcardComparison(pattern.c_str(), (text + L"b").c_str(), 1, 1), 0);
}

} // namespace
