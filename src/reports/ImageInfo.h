// Image section helpers: the text of a GDI+ property item (the EXIF "date taken" form is in
// ExifDate.h).
#pragma once
#include "reports/ExifDate.h"

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

} // namespace scrutel
