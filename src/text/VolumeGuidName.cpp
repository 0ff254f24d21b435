// The volume-GUID name test of text sources, on UTF-16 text with fixed ASCII character classes.
#include "text/VolumeGuidName.h"

#include <cstddef>

namespace scrutel {

namespace {

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// The ASCII hexadecimal digits and their fullwidth forms (U+FF10..U+FF19, U+FF21..U+FF26,
// U+FF41..U+FF46), which the runtime's iswxdigit counts as well.
bool IsHexDigit(char16_t c) {
    if (c >= 0xFF00) c = static_cast<char16_t>(c - 0xFF00 + 0x20);
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

} // namespace

bool IsVolumeGuidName(const char16_t* trueName) {
    if (!trueName) return false;
    static constexpr char16_t prefix[] = u"volume{";
    for (size_t i = 0; i + 1 < sizeof prefix / sizeof prefix[0]; ++i)
        if (AsciiLower(trueName[i]) != prefix[i]) return false; // a shorter name stops at its NUL
    return IsHexDigit(trueName[7]);
}

} // namespace scrutel
