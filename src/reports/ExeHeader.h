// The MZ/PE/LE header reader: pure functions over the first bytes of a file that find the new
// header and read the machine, subsystem and optional-header kind from it.
#pragma once
#include "core/ByteReader.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace scrutel {

inline constexpr uint16_t MachineX86 = 0x14C;
inline constexpr uint16_t MachineX64 = 0x8664;
// The subsystem word reported for an LE (virtual device driver) header.
inline constexpr uint16_t SubsystemLe = 0x454C;

struct ExeHeader {
    uint16_t machine = 0;
    uint16_t subsystem = 0;
};

// The fields of a PE header that the header readers need.
struct PeHeader {
    size_t offset = 0; // of the "PE\0\0" signature
    uint16_t machine = 0;
    uint16_t sectionCount = 0;
    uint16_t optionalSize = 0; // SizeOfOptionalHeader
    uint16_t magic = 0;        // 0x10B (PE32) or 0x20B (PE32+)
    uint16_t subsystem = 0;
};
inline constexpr uint16_t PeMagic32 = 0x10B;
inline constexpr uint16_t PeMagic64 = 0x20B;
// The signature plus the file header that precedes the optional header.
inline constexpr size_t PeFileHeaderBytes = 24;

// The new-header offset (e_lfanew) of an "MZ" or "ZM" image: nothing for another signature or
// an offset that is zero, negative or outside the bytes.
std::optional<size_t> NewHeaderOffset(const ByteReader& bytes);

// Reads the PE signature, the file header and the fixed start of the optional header at offset.
// Nothing when the signature differs, a field lies outside the bytes, the magic is neither PE32
// nor PE32+, or the stated optional header is shorter than that kind's fixed part. The optional
// header and the section table are not required to lie inside the bytes.
std::optional<PeHeader> ParsePeHeader(const ByteReader& bytes, size_t offset);

// Reads the machine and subsystem from the first bytes of a file (up to 8192 are read).
// Nothing when fewer than 1024 bytes are given or a signature, offset or size test fails.
std::optional<ExeHeader> ParseExeHeader(const ByteReader& bytes);
inline constexpr size_t ExeHeaderReadBytes = 8192;

} // namespace scrutel
