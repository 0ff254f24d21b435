// What every fuzz target uses: a check that stops the run with a message when a result breaks
// its contract (libFuzzer records the input that did it), and exact-size copies of the input so
// that a read one element too far is a sanitizer report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

// The input as bytes, in a buffer of exactly its size.
inline std::vector<std::byte> FuzzBytes(const uint8_t* data, size_t size) {
    std::vector<std::byte> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = std::byte{data[i]};
    return bytes;
}

// The input as UTF-16 code units (little-endian pairs; an odd last byte is dropped). With
// terminated, a 0 follows the text.
inline std::vector<char16_t> FuzzText(const uint8_t* data, size_t size, bool terminated) {
    std::vector<char16_t> text(size / 2 + (terminated ? 1 : 0), 0);
    for (size_t i = 0; i + 1 < size; i += 2)
        text[i / 2] = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    return text;
}

// Whether text holds a 0 within its first capacity units.
inline bool FuzzTerminated(const char16_t* text, size_t capacity) {
    for (size_t i = 0; i < capacity; ++i)
        if (text[i] == 0) return true;
    return false;
}
