// Test helper: MZ/PE headers built field by field, and the header reader over them.
#pragma once
#include "reports/ExeHeader.h"

#include "support/ByteWriting.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace exe_test {

using namespace scrutel;
using testing_support::Put16;
using testing_support::Put32;

struct PeLayout {
    uint16_t signature = 0x5A4D;
    int32_t newHeader = 0x80;
    uint16_t machine = MachineX64;
    uint16_t optionalSize = 0xF0;
    uint16_t magic = 0x20B;
    uint16_t subsystem = 3;
    size_t size = 1024;
};

inline std::vector<uint8_t> Pe(const PeLayout& s) {
    std::vector<uint8_t> b(s.size, 0);
    Put16(b, 0, s.signature);
    Put32(b, 0x3C, static_cast<uint32_t>(s.newHeader));
    size_t h = static_cast<size_t>(s.newHeader);
    if (s.newHeader > 0 && h + 94 <= b.size()) {
        Put32(b, h, 0x00004550);
        Put16(b, h + 4, s.machine);
        Put16(b, h + 20, s.optionalSize);
        Put16(b, h + 24, s.magic);
        Put16(b, h + 92, s.subsystem);
    }
    return b;
}

inline std::optional<ExeHeader> Parse(const std::vector<uint8_t>& b) {
    return ParseExeHeader(ByteReader(b.data(), b.size()));
}

inline PeLayout With(void (*change)(PeLayout&)) {
    PeLayout s;
    change(s);
    return s;
}

} // namespace exe_test
