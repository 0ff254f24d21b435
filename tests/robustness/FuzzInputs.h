// Test helper: random and mutated inputs for the fuzz targets, all from one fixed generator state
// per target so that every run sees the same inputs.
#pragma once
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace robustness {

using Bytes = std::vector<uint8_t>;

// The generator every target starts from; the number picks the target's own sequence.
inline std::mt19937 FixedGenerator(uint32_t target) {
    return std::mt19937(0x5C2A7E10u + target);
}

inline uint32_t Pick(std::mt19937& g, uint32_t count) {
    return count == 0 ? 0 : static_cast<uint32_t>(g() % count);
}

inline Bytes RandomBytes(std::mt19937& g, size_t maxLength) {
    Bytes b(Pick(g, static_cast<uint32_t>(maxLength + 1)));
    for (uint8_t& x : b)
        x = static_cast<uint8_t>(g());
    return b;
}

// Values that tend to sit on the edge of a length or offset test.
inline uint32_t EdgeValue(std::mt19937& g, size_t size) {
    const uint32_t values[] = {0,
                               1,
                               2,
                               3,
                               4,
                               0x7F,
                               0x80,
                               0xFF,
                               0x100,
                               0x7FFF,
                               0x8000,
                               0xFFFF,
                               0x10000,
                               0x7FFFFFFF,
                               0x80000000u,
                               0xFFFFFFFFu,
                               0xFFFFFFFEu,
                               static_cast<uint32_t>(size),
                               static_cast<uint32_t>(size - 1),
                               static_cast<uint32_t>(size + 1),
                               static_cast<uint32_t>(size / 2)};
    return values[Pick(g, std::size(values))];
}

// One to eight mutations of a valid sample: flipped bits, edge values written as 8-, 16- or
// 32-bit words (little or big endian), random bytes, a cut, a repeated or removed stretch.
inline Bytes Mutate(std::mt19937& g, const Bytes& sample) {
    Bytes b = sample;
    const uint32_t rounds = 1 + Pick(g, 8);
    for (uint32_t r = 0; r < rounds; ++r) {
        if (b.empty()) {
            b.push_back(static_cast<uint8_t>(g()));
            continue;
        }
        const size_t at = Pick(g, static_cast<uint32_t>(b.size()));
        switch (Pick(g, 8)) {
        case 0:
            b[at] ^= static_cast<uint8_t>(1u << Pick(g, 8));
            break;
        case 1:
            b[at] = static_cast<uint8_t>(g());
            break;
        case 2:
        case 3: {
            const uint32_t v = EdgeValue(g, b.size());
            const size_t width = (Pick(g, 3) == 0) ? 2 : 4;
            const bool big = Pick(g, 2) == 0;
            for (size_t k = 0; k < width && at + k < b.size(); ++k)
                b[at + k] = static_cast<uint8_t>(v >> (8 * (big ? width - 1 - k : k)));
            break;
        }
        case 4:
            b.resize(at);
            break;
        case 5: {
            const size_t length = Pick(g, 64);
            // Copied out first: a vector may not insert a range of its own elements.
            if (at + length <= b.size()) {
                const Bytes stretch(b.begin() + at, b.begin() + at + length);
                b.insert(b.begin() + at, stretch.begin(), stretch.end());
            }
            break;
        }
        case 6: {
            const size_t length = std::min<size_t>(Pick(g, 64), b.size() - at);
            b.erase(b.begin() + at, b.begin() + at + length);
            break;
        }
        default:
            for (size_t k = 0; k < 16 && at + k < b.size(); ++k)
                b[at + k] = static_cast<uint8_t>(g());
            break;
        }
    }
    return b;
}

// A wide text of length up to maxLength from pieces (chosen with probability 3/4) and single
// random characters (any value 1..0xFFFF).
inline std::wstring RandomText(std::mt19937& g, const std::vector<std::wstring>& pieces, size_t maxLength) {
    std::wstring text;
    const size_t target = Pick(g, static_cast<uint32_t>(maxLength + 1));
    while (text.size() < target) {
        if (!pieces.empty() && Pick(g, 4) != 0)
            text += pieces[Pick(g, static_cast<uint32_t>(pieces.size()))];
        else
            text.push_back(static_cast<wchar_t>(1 + Pick(g, 0xFFFF)));
    }
    if (text.size() > maxLength) text.resize(maxLength);
    return text;
}

inline Bytes AsBytes(const std::wstring& text) {
    Bytes b;
    for (wchar_t c : text) {
        b.push_back(static_cast<uint8_t>(c));
        b.push_back(static_cast<uint8_t>(c >> 8));
    }
    return b;
}

} // namespace robustness
