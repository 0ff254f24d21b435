// UTF-16 text of the portable code. Parsers, decoders and formatters that need no system call
// work on char16_t, so the same code builds and is tested on any platform; on Windows, where
// wchar_t is the same 16-bit code unit, the Win32 side passes its text through the adapters below.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scrutel {

using U16String = std::u16string;
using U16View = std::u16string_view;

// Length of a NUL-terminated UTF-16 string; 0 for null.
inline size_t U16Length(const char16_t* text) {
    return text ? std::char_traits<char16_t>::length(text) : 0;
}

// ASCII text as UTF-16 (each byte one code unit; meant for literals and tags).
inline U16String U16FromAscii(std::string_view ascii) {
    U16String out;
    out.reserve(ascii.size());
    for (char c : ascii)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

// UTF-8 for messages and test output; unpaired surrogates become U+FFFD.
inline std::string Utf8FromU16(U16View text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

#if defined(_WIN32)
// Windows' wchar_t is a UTF-16 code unit: the same bytes, viewed as the other type. The pure
// functions live in their own translation units, so no caller reads the same memory through
// both types within one function.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be a UTF-16 code unit");
inline char16_t* U16(wchar_t* text) {
    return reinterpret_cast<char16_t*>(text);
}
inline const char16_t* U16(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}
inline U16View U16(std::wstring_view text) {
    return {U16(text.data()), text.size()};
}
inline wchar_t* Wide(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}
inline const wchar_t* Wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}
inline std::wstring_view Wide(U16View text) {
    return {Wide(text.data()), text.size()};
}
inline std::wstring WideString(U16View text) {
    return std::wstring(Wide(text));
}
inline U16String U16Copy(std::wstring_view text) {
    return U16String(U16(text));
}
#endif

} // namespace scrutel
