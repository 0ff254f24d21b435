// Text from the file system (names, paths) and from file contents, made safe to show on a
// terminal: no character of it can act as a control (escape sequences, bell, line breaks that
// forge report lines) or reorder what is shown (direction overrides, embeddings, isolates and
// marks), and two names that differ only in such a character still look different.
#pragma once

#include "core/Utf16.h"

#include <string>
#include <string_view>

namespace scrutel {

// C0 controls (U+0000..U+001F), DEL (U+007F) and C1 controls (U+0080..U+009F).
constexpr bool IsTerminalControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// The characters that change the direction of the text around them: the Arabic letter mark, the
// left-to-right and right-to-left marks, embeddings, overrides and their end, and the isolates.
constexpr bool IsDirectionCharacter(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// Everything that is shown as a named escape: controls, direction characters, the line and
// paragraph separators (some terminals break lines at them) and surrogates (TerminalSafe
// escapes only those without their partner, which no terminal can show).
constexpr bool IsEscapedForTerminal(char32_t c) {
    return IsTerminalControl(c) || IsDirectionCharacter(c) || c == 0x2028 || c == 0x2029 ||
           (c >= 0xD800 && c <= 0xDFFF);
}

// text with every such character written as "<U+XXXX>" (four upper-case hexadecimal digits);
// everything else, surrogate pairs included, is kept. "<" and ">" cannot occur in a Windows file
// name, so the escape of a name never reads like another name's own characters.
U16String TerminalSafe(U16View text);
// The same for a NUL-terminated text; empty for null.
U16String TerminalSafe(const char16_t* text);

#if defined(_WIN32)
inline std::wstring TerminalSafe(std::wstring_view text) {
    return WideString(TerminalSafe(U16(text)));
}
inline std::wstring TerminalSafe(const wchar_t* text) {
    return WideString(TerminalSafe(U16(text)));
}
#endif

} // namespace scrutel
