// CRC-32 (reflected polynomial 0xEDB88320, as zlib computes it) and the POSIX cksum CRC
// (polynomial 0x04C11DB7, most significant bit first), computed sixteen bytes per step from
// tables, or by carry-less multiplication when the processor has it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace scrutel {

enum class CrcMethod {
    Best,      // carry-less multiplication when available, else tables
    Tables,    // slicing by sixteen tables of 256 entries
    Carryless, // PCLMULQDQ folding; falls back to tables when the processor lacks it
};

// True when this processor can run the carry-less multiplication path (x86-64 with PCLMULQDQ,
// SSSE3 and SSE4.1).
bool CarrylessMultiplyAvailable();

// The 256-entry tables built from the published rules (entry 0 of each slicing table set).
const uint32_t* Crc32Table();
const uint32_t* CksumTable();

// CRC-32 register update without the start and end inversion: start from 0xFFFFFFFF, feed every
// block in order, and invert the final register to get the CRC-32.
uint32_t Crc32Update(uint32_t state, const void* data, size_t length, CrcMethod method = CrcMethod::Best);

// cksum register update: start from 0, feed every block in order, then CksumFinish with the
// total length.
uint32_t CksumUpdate(uint32_t state, const void* data, size_t length, CrcMethod method = CrcMethod::Best);
// Folds the total length into the register, least significant byte first, and inverts it.
uint32_t CksumFinish(uint32_t state, uint64_t totalLength);

} // namespace scrutel
