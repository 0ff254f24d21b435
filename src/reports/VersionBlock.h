// Bounds-checked reading of a version-information block (the bytes GetFileVersionInfoW returns):
// sub-block lookup, string values through the translation table, and the fixed file version.
#pragma once
#include "core/ByteReader.h"
#include "core/Utf16.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace scrutel {

// One value found in the block. data is clipped to the node that holds it.
struct VersionValue {
    std::span<const std::byte> data;
    uint16_t valueLength = 0; // as stored: characters for text values, bytes for binary ones
    uint16_t type = 0;        // 1 for text, 0 for binary
};

// Looks up a sub-block such as u"\\" (the root's fixed record), u"\\VarFileInfo\\Translation"
// or u"\\StringFileInfo\\040904B0\\FileVersion". Keys compare without regard to ASCII case.
// Only the 32-bit layout is understood; anything malformed gives nothing.
std::optional<VersionValue> FindVersionValue(const ByteReader& block, U16View subBlock);

// The string value name through the first translation that has it, copied into output
// (TextOutputChars characters). 0 found; 1 no translation table (or an empty one); 2 no
// translation has the value (output untouched); -1 missing name or output. A value of
// TextOutputChars characters or more does not fit and counts as absent.
int LookupVersionString(const ByteReader& block, const char16_t* name, char16_t* output);

// The four parts of the fixed record's file version (high and low words of the high half,
// then of the low half), or nothing when the block has no complete fixed record.
std::optional<std::array<uint16_t, 4>> FixedFileVersionParts(const ByteReader& block);

} // namespace scrutel
