// The MZ/PE/LE header reader: the tests over the first bytes of a file, each field read through
// the bounds-checked reader.
#include "reports/ExeHeader.h"

namespace scrutel {

namespace {
constexpr size_t MinimumBytes = 1024;
constexpr size_t NewHeaderSpan = 0xF4;
} // namespace

std::optional<size_t> NewHeaderOffset(const ByteReader& bytes) {
    auto signature = bytes.u16le(0);
    if (!signature || (*signature != 0x5A4D && *signature != 0x4D5A)) return std::nullopt;
    auto rawOffset = bytes.u32le(0x3C);
    if (!rawOffset) return std::nullopt;
    int32_t offset = static_cast<int32_t>(*rawOffset);
    // The offset is signed in the file: zero and negative values point nowhere.
    if (offset <= 0 || static_cast<size_t>(offset) >= bytes.size()) return std::nullopt;
    return static_cast<size_t>(offset);
}

std::optional<PeHeader> ParsePeHeader(const ByteReader& bytes, size_t offset) {
    auto pe = bytes.u32le(offset);
    if (!pe || *pe != 0x00004550) return std::nullopt;
    auto machine = bytes.u16le(offset + 4);
    auto sections = bytes.u16le(offset + 6);
    auto optionalSize = bytes.u16le(offset + 20);
    auto magic = bytes.u16le(offset + 24);
    auto subsystem = bytes.u16le(offset + 92);
    if (!machine || !sections || !optionalSize || !magic || !subsystem) return std::nullopt;
    if (*magic == PeMagic32) {
        if (*optionalSize < 0xE0) return std::nullopt;
    } else if (*magic == PeMagic64) {
        if (*optionalSize < 0xF0) return std::nullopt;
    } else {
        return std::nullopt;
    }
    return PeHeader{offset, *machine, *sections, *optionalSize, *magic, *subsystem};
}

std::optional<ExeHeader> ParseExeHeader(const ByteReader& bytes) {
    if (bytes.size() < MinimumBytes) return std::nullopt;
    auto offset = NewHeaderOffset(bytes);
    if (!offset) return std::nullopt;
    size_t header = *offset;
    auto end = CheckedAdd(header, NewHeaderSpan);
    if (!end || *end >= bytes.size()) return std::nullopt;

    auto pe = bytes.u32le(header);
    if (pe && *pe == 0x00004550) {
        auto h = ParsePeHeader(bytes, header);
        if (!h) return std::nullopt;
        return ExeHeader{h->machine, h->subsystem};
    }

    auto le = bytes.u16le(header);
    auto byteOrder = bytes.u8(header + 2);
    auto wordOrder = bytes.u8(header + 3);
    if (le && *le == 0x454C && byteOrder && *byteOrder == 0 && wordOrder && *wordOrder == 0) {
        auto level = bytes.u32le(header + 4);
        auto cpu = bytes.u16le(header + 8);
        auto os = bytes.u16le(header + 10);
        if (level && *level == 0 && cpu && *cpu >= 2 && *cpu <= 4 && os && *os == 4)
            return ExeHeader{MachineX86, SubsystemLe};
    }
    return std::nullopt;
}

} // namespace scrutel
