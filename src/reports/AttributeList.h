// The attribute texts of the attributes section, in their fixed order.
#pragma once
#include <windows.h>

#include <cstddef>

namespace scrutel {

// Writes the texts of the shown attributes that are set ("Read-Only  Hidden  " ...), or
// "None." when none is, into out. Returns the number of characters, or -1 when capacity is
// too small (out is then empty).
int FormatAttributeList(DWORD attributes, wchar_t* out, size_t capacity);

} // namespace scrutel
