// Image section helpers: the text of a GDI+ property item and the EXIF "date taken" form.
#pragma once
#include <cstddef>
#include <cstdint>

namespace Gdiplus {
class GpImage;
} // namespace Gdiplus

namespace scrutel {

constexpr size_t ImageTextCapacity = 8192;

// The text of an ASCII property item of image into output (ImageTextCapacity characters):
// 1 decoded, 0 when missing, unreadable or of another type (output "N/A"), -1 without output.
int ImageTextProperty(Gdiplus::GpImage* image, uint32_t tag, wchar_t* output);

// Decodes the bytes of an ASCII property value (up to its first NUL) as UTF-8, or from the ANSI
// code page when they are not valid UTF-8, into output (capacity characters, at least 1).
void DecodePropertyText(const uint8_t* bytes, size_t length, wchar_t* output, size_t capacity);

// The "Date taken" text for a value read from the image: 0 when the value does not have the EXIF
// form "YYYY:MM:DD hh:mm:ss" (no line); 1 for a valid date, written as "Sat 2000-01-01  12:34:56";
// 2 for an impossible one, written as read with dashes between the date's parts.
// output holds at least 32 characters.
int FormatDateTaken(const wchar_t* value, wchar_t* output, size_t capacity);

} // namespace scrutel
