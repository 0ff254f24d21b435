// The EXIF "date taken" text of an image, checked and written in the report's date form.
#pragma once
#include "core/Utf16.h"

#include <cstddef>

namespace scrutel {

// The "Date taken" text for a value read from the image: 0 when the value does not have the EXIF
// form "YYYY:MM:DD hh:mm:ss" (no line); 1 for a valid date, written as "Sat 2000-01-01  12:34:56";
// 2 for an impossible one, written as read with dashes between the date's parts.
// output holds at least 32 characters.
int FormatDateTaken(const char16_t* value, char16_t* output, size_t capacity);
#if defined(_WIN32)
inline int FormatDateTaken(const wchar_t* value, wchar_t* output, size_t capacity) {
    return FormatDateTaken(U16(value), U16(output), capacity);
}
#endif

} // namespace scrutel
