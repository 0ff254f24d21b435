// Builds small images byte by byte for the image tests: an uncompressed grey TIFF with ASCII tags.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace image_builder {

using Bytes = std::vector<uint8_t>;

// A little-endian TIFF: an uncompressed 8-bit grey image with the given extra ASCII tags in its
// first directory (tags ascending).
struct AsciiTag {
    uint16_t tag;
    std::string value; // without the terminating NUL, which is added
};

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline Bytes GreyTiff(uint16_t width, uint16_t height, std::vector<AsciiTag> tags) {
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
        std::string data;
    };
    uint32_t pixels = static_cast<uint32_t>(width) * height;
    std::vector<Entry> entries = {
        {0x100, 3, 1, width, {}}, {0x101, 3, 1, height, {}}, {0x102, 3, 1, 8, {}},
        {0x103, 3, 1, 1, {}},     {0x106, 3, 1, 1, {}},      {0x111, 4, 1, 0, {}},
        {0x115, 3, 1, 1, {}},     {0x116, 3, 1, height, {}}, {0x117, 4, 1, pixels, {}},
    };
    for (const AsciiTag& t : tags)
        entries.push_back({t.tag, 2, static_cast<uint32_t>(t.value.size() + 1), 0, t.value});
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    uint32_t ifdSize = 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
    uint32_t dataAt = 8 + ifdSize;
    std::string extra;
    for (Entry& e : entries) {
        if (e.type != 2) continue;
        std::string value = e.data + '\0';
        if (value.size() <= 4) {
            value.resize(4, '\0');
            e.value = static_cast<uint32_t>(uint8_t(value[0])) | (uint32_t(uint8_t(value[1])) << 8) |
                      (uint32_t(uint8_t(value[2])) << 16) | (uint32_t(uint8_t(value[3])) << 24);
        } else {
            e.value = dataAt + static_cast<uint32_t>(extra.size());
            extra += value;
            if (extra.size() % 2) extra += '\0';
        }
    }
    uint32_t pixelsAt = dataAt + static_cast<uint32_t>(extra.size());
    for (Entry& e : entries)
        if (e.tag == 0x111) e.value = pixelsAt;
    Bytes file = {'I', 'I', 42, 0};
    Put32(file, 8);
    Put16(file, static_cast<uint32_t>(entries.size()));
    for (const Entry& e : entries) {
        Put16(file, e.tag);
        Put16(file, e.type);
        Put32(file, e.count);
        if (e.type == 3) {
            Put16(file, e.value);
            Put16(file, 0);
        } else {
            Put32(file, e.value);
        }
    }
    Put32(file, 0);
    file.insert(file.end(), extra.begin(), extra.end());
    for (uint32_t i = 0; i < pixels; ++i)
        file.push_back(static_cast<uint8_t>(i * 7));
    return file;
}

} // namespace image_builder
