// The character classes and the one case folding that every parser and formatter of the plugin
// uses, so that "white space" or "the same letters" means one thing everywhere; all but the
// letters are fixed here, the same on every platform. Portable: no system call, UTF-16 code
// units (or code points) as integers.
#pragma once
#include "core/Utf16.h"

#include <cstdint>
#include <cwctype>

namespace scrutel {

// White space: tab, LF, VT, FF, CR, space, no-break space, the ogham space mark, en quad to hair
// space (U+2000..U+200A), the line and paragraph separators, and the narrow no-break,
// mathematical and ideographic spaces. It is the set the C runtime's iswspace gives the plugin on
// Windows, in every code unit; NEL, the zero width space and the byte-order mark are not in it.
// Takes code points too (a reader's -1 at the end of the text is none).
constexpr bool IsWhiteSpace(int32_t c) noexcept {
    switch (c) {
    case 0x09: // tab, LF, VT, FF, CR
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x20:
    case 0xA0:
    case 0x1680:
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A; // en quad .. hair space
    }
}

// Blank: a space or a tab, what separates the fields within one line.
constexpr bool IsBlank(int32_t c) noexcept {
    return c == 0x20 || c == 0x09;
}

// The ASCII decimal digits.
constexpr bool IsDigit(int32_t c) noexcept {
    return c >= '0' && c <= '9';
}

// Letters: the C runtime's iswalpha, as the command has always classified them (the set is the
// runtime's Unicode tables, too large to hold here).
inline bool IsAlpha(char16_t c) noexcept {
    return iswalpha(static_cast<wint_t>(c)) != 0;
}

// The case folding: ASCII letters only, which is all the C runtime folds in the C locale the plugin
// runs in, so keywords, switch letters and extensions compare as they always have. (Names of
// files compare as the file system compares them, through the system; text shown back to the user
// in upper case is upper-cased by the system too.)
constexpr char16_t AsciiUpper(char16_t c) noexcept {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// Whether text starts with prefix, letters compared without regard to case (AsciiUpper).
constexpr bool StartsWithIgnoringCase(U16View text, U16View prefix) noexcept {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (AsciiUpper(text[i]) != AsciiUpper(prefix[i])) return false;
    return true;
}

// Whether text is other, letters compared without regard to case (AsciiUpper).
constexpr bool EqualsIgnoringCase(U16View text, U16View other) noexcept {
    return text.size() == other.size() && StartsWithIgnoringCase(text, other);
}

} // namespace scrutel
