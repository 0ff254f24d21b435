// Text taken from file contents, made safe for the terminal: no character of it can act as a
// control (escape sequences, bell, backspace, line breaks that forge report lines).
#pragma once

#include "core/Utf16.h"

#include <string>

namespace scrutel {

inline constexpr char16_t ReplacementCharacter = u'\uFFFD';

// C0 controls (U+0000..U+001F), DEL (U+007F) and C1 controls (U+0080..U+009F).
constexpr bool IsTerminalControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// text with every terminal control replaced by U+FFFD; empty for null.
U16String ScrubControls(const char16_t* text);

// The same, in place, up to the terminating NUL.
void ScrubControlsInPlace(char16_t* text);

#if defined(_WIN32)
inline std::wstring ScrubControls(const wchar_t* text) {
    return WideString(ScrubControls(U16(text)));
}
inline void ScrubControlsInPlace(wchar_t* text) {
    ScrubControlsInPlace(U16(text));
}
#endif

} // namespace scrutel
