// Advertised shortcuts: the Darwin data block that names an installed product's descriptor, and
// the decoder of the packed product code at the start of that descriptor.
#pragma once
#include "core/ByteReader.h"
#include "core/Utf16.h"

#include <string>

namespace scrutel {

// Decodes the first 20 characters of a packed product code into braced GUID text (output holds
// at least 39 characters). 0 success; 10 shorter than 20 characters; 11 a character outside
// the alphabet; 12 a group worth more than 0xFFFFFFFF; -1 no output. Output untouched on failure.
int DecodePackedGuid(const char16_t* packed, char16_t* output);
#if defined(_WIN32)
inline int DecodePackedGuid(const wchar_t* packed, wchar_t* output) {
    return DecodePackedGuid(U16(packed), U16(output));
}
#endif

// The descriptors of a Darwin data block (the block that CopyDataBlock returns for signature
// 0xA0000006): the wide one and the ANSI one, each up to its terminator within its field.
struct DarwinDescriptors {
    U16String wide;
    std::string ansi;
};
DarwinDescriptors ReadDarwinBlock(const ByteReader& block);

} // namespace scrutel
