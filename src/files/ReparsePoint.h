// Reading reparse points: ReadReparseTarget fetches the buffer from the file system and has it
// interpreted (ReparseData.h); relative targets are made full paths here.
#pragma once
#include "files/ReparseData.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace scrutel {

// Writes the full path of a relative link's target into output (capacity characters): the
// link's directory made a full path (the current directory when the link path has no
// directory), a separator, then the stored name as it is. 0, or an error code.
int ResolveRelativeTarget(const wchar_t* linkPath, std::wstring_view name, wchar_t* output, size_t capacity);

// Reads path's reparse point and writes the path it points to into output (capacity
// characters, at least 260). tag, when given, is set to 0 first and to the reparse tag on
// success. 0 success; -1 bad arguments or a junction without "\??\"; 8 no memory; 13 an
// unsupported tag (output then holds the text naming it); 122 the target does not fit;
// 4392 malformed reparse data; otherwise the system error of the open or the request.
int ReadReparseTarget(const wchar_t* path, wchar_t* output, size_t capacity, uint32_t* tag);

} // namespace scrutel
