// Wildcard comparison and colour operations of the stand-in host: *, ? and [set] patterns with
// the file-name rules, the console attribute, colour names, and the recorded attribute.
#include "HostState.h"
#include "gateway/HostExports.h"

#include <cwchar>
#include <cwctype>
#include <string>

namespace host {

namespace {

// Letter case is folded as the file system does, by the system's upper-case mapping, so that
// non-ASCII letters compare without case too.
wchar_t Fold(wchar_t c) {
    return static_cast<wchar_t>(
        reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

// Whether the set starting at pattern[at] ("[" ... "]") holds c; next receives the index
// after the set. A "]" right after "[" (or after "[!" / "[^") is a member; a set without its
// "]" is no set, and the caller takes "[" as an ordinary character.
bool SetEnd(const std::wstring& pattern, size_t at, size_t& end) {
    size_t k = at + 1;
    if (k < pattern.size() && (pattern[k] == L'!' || pattern[k] == L'^')) ++k;
    if (k < pattern.size() && pattern[k] == L']') ++k;
    while (k < pattern.size() && pattern[k] != L']')
        ++k;
    if (k >= pattern.size()) return false;
    end = k + 1;
    return true;
}

bool SetHolds(const std::wstring& pattern, size_t at, size_t end, wchar_t c) {
    size_t k = at + 1;
    bool negate = false;
    if (pattern[k] == L'!' || pattern[k] == L'^') {
        negate = true;
        ++k;
    }
    wchar_t folded = Fold(c);
    bool found = false;
    size_t last = end - 1; // the closing "]"
    bool first = true;
    while (k < last) {
        wchar_t lo = pattern[k];
        if (!first && lo == L']') break;
        first = false;
        if (k + 2 < last && pattern[k + 1] == L'-') {
            wchar_t a = Fold(lo), b = Fold(pattern[k + 2]);
            if (a > b) std::swap(a, b);
            if (folded >= a && folded <= b) found = true;
            k += 3;
        } else {
            if (Fold(lo) == folded) found = true;
            ++k;
        }
    }
    return found != negate;
}

// Matches one pattern element (not "*") at pattern[p] against c; advance receives the
// element's length.
bool ElementMatches(const std::wstring& pattern, size_t p, wchar_t c, size_t& advance) {
    wchar_t e = pattern[p];
    if (e == L'?') {
        advance = 1;
        return true;
    }
    size_t end;
    if (e == L'[' && SetEnd(pattern, p, end)) {
        advance = end - p;
        return SetHolds(pattern, p, end, c);
    }
    advance = 1;
    return Fold(e) == Fold(c);
}

// Iterative matching with one back-tracking point per "*": time stays proportional to the
// product of the lengths, whatever the pattern.
bool Matches(const std::wstring& pattern, const std::wstring& text) {
    size_t p = 0, t = 0;
    size_t starP = std::wstring::npos, starT = 0;
    while (t < text.size()) {
        size_t advance = 0;
        if (p < pattern.size() && pattern[p] == L'*') {
            starP = ++p;
            starT = t;
        } else if (p < pattern.size() && ElementMatches(pattern, p, text[t], advance)) {
            p += advance;
            ++t;
        } else if (starP != std::wstring::npos) {
            p = starP;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*')
        ++p;
    return p == pattern.size();
}

bool IsColourSeparator(wchar_t c) {
    return c == L' ' || c == L'\t';
}

int ColourNumber(const std::wstring& word) {
    static const wchar_t* const names[] = {L"black", L"blue",    L"green",  L"cyan",
                                           L"red",   L"magenta", L"yellow", L"white"};
    for (int k = 0; k < 8; ++k)
        if (_wcsicmp(word.c_str(), names[k]) == 0) return k;
    if (_wcsicmp(word.c_str(), L"grey") == 0 || _wcsicmp(word.c_str(), L"gray") == 0) return 7;
    return -1;
}

} // namespace

} // namespace host

using namespace host;

// 0 when text matches pattern. With fileNames, "*.*" matches every name, and a pattern ending
// in "." also matches a name without an extension when the rest of it matches.
SCRUTEL_HOST_API int WildcardComparison(const wchar_t* pattern, const wchar_t* text, int fileNames, int) {
    host::CheckCommandThread("WildcardComparison");
    if (!pattern || !text) return 1;
    try {
        std::wstring p = pattern, t = text;
        if (Matches(p, t)) return 0;
        if (fileNames) {
            if (p == L"*.*") return 0;
            if (p.size() > 1 && p.back() == L'.' && t.find(L'.') == std::wstring::npos &&
                Matches(p.substr(0, p.size() - 1), t))
                return 0;
        }
        return 1;
    } catch (...) {
        return 1;
    }
}

SCRUTEL_HOST_API void GetAttribute(unsigned* normal, unsigned* inverse) {
    host::CheckCommandThread("GetAttribute");
    CONSOLE_SCREEN_BUFFER_INFO info;
    unsigned attr = 0x07;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) attr = info.wAttributes & 0xFF;
    if (normal) *normal = attr;
    if (inverse) *inverse = ((attr & 0x0F) << 4) | ((attr >> 4) & 0x0F);
}

// "[bright] colour [on [bright] colour]" (colour names in any letter case, grey is white, a
// background "default" gives 64). 0 when the whole text was read; otherwise 1 and both
// outputs -1.
SCRUTEL_HOST_API int ParseColors(const wchar_t* text, int* foreground, int* background) {
    host::CheckCommandThread("ParseColors");
    if (foreground) *foreground = -1;
    if (background) *background = -1;
    if (!text) return 1;
    try {
        std::vector<std::wstring> words;
        std::wstring word;
        for (const wchar_t* c = text;; ++c) {
            if (*c == 0 || IsColourSeparator(*c)) {
                if (!word.empty()) words.push_back(word);
                word.clear();
                if (*c == 0) break;
            } else {
                word += *c;
            }
        }
        size_t k = 0;
        // Reads "[bright] colour" at words[k]; -1 when it is not there.
        auto readColour = [&words, &k](bool allowDefault) -> int {
            int bright = 0;
            if (k < words.size() && _wcsicmp(words[k].c_str(), L"bright") == 0) {
                bright = 8;
                ++k;
            }
            if (k >= words.size()) return -1;
            if (allowDefault && !bright && _wcsicmp(words[k].c_str(), L"default") == 0) {
                ++k;
                return 64;
            }
            int n = ColourNumber(words[k]);
            if (n < 0) return -1;
            ++k;
            return n + bright;
        };
        int fg = readColour(false);
        if (fg < 0) return 1;
        int bg = -1;
        if (k < words.size()) {
            if (_wcsicmp(words[k].c_str(), L"on") != 0) return 1;
            ++k;
            bg = readColour(true);
            if (bg < 0) return 1;
        }
        if (k != words.size()) return 1;
        if (foreground) *foreground = fg;
        if (background) *background = bg;
        return 0;
    } catch (...) {
        return 1;
    }
}

SCRUTEL_HOST_API void SetColors(int attribute) {
    host::CheckCommandThread("SetColors");
    host::State().lastSetColors = attribute;
}

SCRUTEL_HOST_API void tty_yield(int) {
    host::CheckCommandThread("tty_yield");
}
