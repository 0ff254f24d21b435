// Decoding of packed product codes (four base-85 groups) and reading of the Darwin data block,
// each field bounded by its own size and the block's stated size.
#include "reports/AdvertisedShortcut.h"

#include <cstdint>

namespace scrutel {

namespace {

constexpr U16View PackedAlphabet =
    u"!$%&'()*+,-.0123456789=?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_`abcdefghijklmnopqrstuvwxyz{}~";
constexpr size_t PackedGuidChars = 20;
constexpr uint32_t DarwinSignature = 0xA0000006;
constexpr size_t DarwinAnsiBytes = 260;
constexpr size_t DarwinWideChars = 260;

// Appends value as digits upper-case hexadecimal digits.
void AppendHex(char16_t*& out, uint32_t value, int digits) {
    static const char16_t hex[] = u"0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        *out++ = hex[(value >> shift) & 0xF];
}

} // namespace

int DecodePackedGuid(const char16_t* packed, char16_t* output) {
    if (!output) return -1;
    if (!packed) return 10;
    for (size_t i = 0; i < PackedGuidChars; ++i)
        if (packed[i] == 0) return 10;
    uint32_t values[4];
    for (size_t i = 0; i < PackedGuidChars; ++i)
        if (PackedAlphabet.find(packed[i]) == U16View::npos) return 11;
    for (size_t g = 0; g < 4; ++g) {
        uint64_t value = 0;
        for (int k = 4; k >= 0; --k)
            value = value * 85 + PackedAlphabet.find(packed[5 * g + k]);
        if (value > 0xFFFFFFFFull) return 12;
        values[g] = static_cast<uint32_t>(value);
    }
    uint8_t d4[8];
    for (int i = 0; i < 4; ++i) {
        d4[i] = static_cast<uint8_t>(values[2] >> (8 * i));
        d4[4 + i] = static_cast<uint8_t>(values[3] >> (8 * i));
    }
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: 38 characters and the terminator.
    char16_t* out = output;
    *out++ = u'{';
    AppendHex(out, values[0], 8);
    *out++ = u'-';
    AppendHex(out, values[1] & 0xFFFF, 4);
    *out++ = u'-';
    AppendHex(out, values[1] >> 16, 4);
    *out++ = u'-';
    AppendHex(out, d4[0], 2);
    AppendHex(out, d4[1], 2);
    *out++ = u'-';
    for (int i = 2; i < 8; ++i)
        AppendHex(out, d4[i], 2);
    *out++ = u'}';
    *out = 0;
    return 0;
}

DarwinDescriptors ReadDarwinBlock(const ByteReader& block) {
    DarwinDescriptors d;
    auto size = block.u32le(0);
    auto signature = block.u32le(4);
    if (!size || !signature || *signature != DarwinSignature) return d;
    // The stated size may be smaller than the block: read no further than it says.
    ByteReader body = block.sub(0, *size <= block.size() ? *size : block.size());
    for (size_t i = 0; i < DarwinAnsiBytes; ++i) {
        auto c = body.u8(8 + i);
        if (!c || *c == 0) break;
        d.ansi.push_back(static_cast<char>(*c));
    }
    for (size_t i = 0; i < DarwinWideChars; ++i) {
        auto c = body.u16le(8 + DarwinAnsiBytes + 2 * i);
        if (!c || *c == 0) break;
        d.wide.push_back(static_cast<char16_t>(*c));
    }
    return d;
}

} // namespace scrutel
