// The volume-GUID name test of text sources, on UTF-16 text with fixed ASCII character classes.
#include "text/VolumeGuidName.h"

#include "core/CharClass.h"

#include <cstddef>

namespace scrutel {

namespace {

// The ASCII hexadecimal digits and their fullwidth forms (U+FF10..U+FF19, U+FF21..U+FF26,
// U+FF41..U+FF46), which the runtime's iswxdigit counts as well.
bool IsHexDigit(char16_t c) {
    if (c >= 0xFF00) c = static_cast<char16_t>(c - 0xFF00 + 0x20);
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

} // namespace

bool IsVolumeGuidName(const char16_t* trueName) {
    if (!trueName) return false;
    if (!StartsWithIgnoringCase(U16View(trueName), u"volume{")) return false;
    return IsHexDigit(trueName[7]);
}

} // namespace scrutel
