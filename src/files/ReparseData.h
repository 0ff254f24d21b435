// Interpretation of a reparse data buffer (symbolic links, junctions, execution aliases): a pure
// function over the bytes the file system returned, and the directory part of a link's path.
#pragma once
#include "core/ByteReader.h"
#include "core/Utf16.h"

#include <cstddef>
#include <cstdint>

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
    U16String text;
    bool relative = false; // a symbolic link relative to the link's own directory
};

// Interprets the bytes that FSCTL_GET_REPARSE_POINT returned. Every offset and length in the
// buffer is checked against the bytes given; a name that does not lie inside them, an
// unterminated alias string or an empty target gives ReparseMalformed.
ReparseData InterpretReparseData(const ByteReader& data);

// The directory part of a link's path: everything up to and including its last "/" or "\",
// else up to and including the ":" of a drive-relative path; empty when it has neither.
U16View LinkDirectory(U16View linkPath);

} // namespace scrutel
