// Decoding tables of the 8-bit and EBCDIC code pages that text sources can be read in.
#pragma once
#include <cstdint>

namespace scrutel {

// Entry b of table i is the character for byte 0x80 + b in code page TextCodePages[i];
// U+FFFD where the code page assigns nothing.
extern const uint16_t HighHalfTables[24][128];
// Entry b of table i is the character for byte b in code page EbcdicCodePages[i]; C1 controls
// are U+FFFD except byte 0x15 (next line), which is U+0085.
extern const uint16_t EbcdicTables[10][256];

} // namespace scrutel
