// Reading reparse points: the interpretation of a reparse data buffer (a pure function over
// its bytes) and ReadReparseTarget, which fetches the buffer from the file system.
#pragma once
#include "core/ByteReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace scrutel {

inline constexpr uint32_t ReparseTagSymlink = 0xA000000C;
inline constexpr uint32_t ReparseTagMountPoint = 0xA0000003;
inline constexpr uint32_t ReparseTagAppExecLink = 0x8000001B;

// Results besides 0 and system error codes.
inline constexpr int ReparseBadArguments = -1;   // also: a junction name without "\??\"
inline constexpr int ReparseNoMemory = 8;        // ERROR_NOT_ENOUGH_MEMORY
inline constexpr int ReparseUnsupportedTag = 13; // ERROR_INVALID_DATA
inline constexpr int ReparseTooLong = 122;       // ERROR_INSUFFICIENT_BUFFER
inline constexpr int ReparseMalformed = 4392;    // ERROR_INVALID_REPARSE_DATA

// What a reparse data buffer says.
struct ReparseData {
    int result = ReparseMalformed; // 0, ReparseBadArguments, ReparseUnsupportedTag or ReparseMalformed
    uint32_t tag = 0;
    // result 0: the target (for a relative link the stored relative name);
    // ReparseUnsupportedTag: the text naming the tag.
    std::wstring text;
    bool relative = false; // a symbolic link relative to the link's own directory
};

// Interprets the bytes that FSCTL_GET_REPARSE_POINT returned. Every offset and length in the
// buffer is checked against the bytes given; a name that does not lie inside them, an
// unterminated alias string or an empty target gives ReparseMalformed.
ReparseData InterpretReparseData(const ByteReader& data);

// The directory part of a link's path: everything up to and including its last "/" or "\",
// else up to and including the ":" of a drive-relative path; empty when it has neither.
std::wstring_view LinkDirectory(std::wstring_view linkPath);

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
