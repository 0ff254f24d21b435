// Test helper: shell links assembled part by part (header, ID list, link information, strings
// and extra-data blocks), for the link check and the sections behind it.
#pragma once
#include "reports/ShellLinkCheck.h"

#include "support/ByteWriting.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace link_test {

using namespace scrutel;
using testing_support::Put16;
using testing_support::Put32;

using Bytes = std::vector<uint8_t>;

enum : uint32_t {
    IdListFlag = 0x1,
    LinkInfoFlag = 0x2,
    NameFlag = 0x4,
    RelativePathFlag = 0x8,
    WorkingDirFlag = 0x10,
    ArgumentsFlag = 0x20,
    IconFlag = 0x40,
    UnicodeFlag = 0x80,
};

inline void Add16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Add32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The header is written in place into its fixed 0x4C bytes (appending piece by piece trips the
// optimiser's false overflow warnings once these helpers are inlined).
inline Bytes Header(uint32_t flags) {
    Bytes b(0x4C, 0);
    Put32(b, 0, 0x4C);
    const uint8_t linkClass[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    std::copy(linkClass, linkClass + 16, b.begin() + 4);
    Put32(b, 20, flags);
    b[60] = 1; // show normally
    return b;
}

// An ID-list item of size bytes in all (its size field included), or with a stated size that
// differs from the bytes it holds.
inline Bytes Item(size_t bytes, uint32_t statedSize = 0) {
    Bytes b(bytes < 2 ? 2 : bytes, 0x31);
    Put16(b, 0, static_cast<uint16_t>(statedSize ? statedSize : bytes));
    b.resize(bytes);
    return b;
}
// An ID list: its size, the items and the terminating zero size.
inline Bytes IdList(const std::vector<Bytes>& items, bool terminated = true) {
    Bytes body;
    for (const Bytes& i : items)
        body.insert(body.end(), i.begin(), i.end());
    if (terminated) Add16(body, 0);
    Bytes b;
    Add16(b, static_cast<uint32_t>(body.size()));
    return Cat({b, body});
}

// Link information with a volume id and a local base path (ANSI), and a path suffix.
inline Bytes LinkInfo(const std::string& basePath, const std::string& suffix = "") {
    Bytes volume;
    Add32(volume, 0x10);
    Add32(volume, 3);          // fixed drive
    Add32(volume, 0x12345678); // serial number
    Add32(volume, 0x10);       // label right after the volume id
    volume.push_back(0);       // empty label
    uint32_t volumeAt = 0x1C;
    uint32_t baseAt = volumeAt + static_cast<uint32_t>(volume.size());
    uint32_t suffixAt = baseAt + static_cast<uint32_t>(basePath.size()) + 1;
    uint32_t size = suffixAt + static_cast<uint32_t>(suffix.size()) + 1;
    Bytes b;
    Add32(b, size);
    Add32(b, 0x1C);
    Add32(b, 1); // volume id and local base path
    Add32(b, volumeAt);
    Add32(b, baseAt);
    Add32(b, 0);
    Add32(b, suffixAt);
    b.insert(b.end(), volume.begin(), volume.end());
    b.insert(b.end(), basePath.begin(), basePath.end());
    b.push_back(0);
    b.insert(b.end(), suffix.begin(), suffix.end());
    b.push_back(0);
    return b;
}

// A counted UTF-16 string of the string data.
inline Bytes Text(const std::u16string& text, uint32_t statedCount = 0xFFFFFFFF) {
    Bytes b;
    Add16(b, statedCount == 0xFFFFFFFF ? static_cast<uint32_t>(text.size()) : statedCount);
    for (char16_t c : text)
        Add16(b, static_cast<uint16_t>(c));
    return b;
}
inline Bytes AnsiText(const std::string& text) {
    Bytes b(2 + text.size(), 0);
    Put16(b, 0, static_cast<uint16_t>(text.size()));
    std::copy(text.begin(), text.end(), b.begin() + 2);
    return b;
}

inline Bytes Block(uint32_t signature, uint32_t size) {
    Bytes b(size < 8 ? 8 : size, 0);
    Put32(b, 0, size);
    Put32(b, 4, signature);
    return b;
}
inline Bytes Terminal() {
    return Bytes(4, 0);
}

inline ShellLinkCheck Check(const Bytes& bytes) {
    Bytes exact(bytes); // an exact-size copy: a read past the end would be a heap overrun
    return CheckShellLink(ByteReader(exact.data(), exact.size()));
}

inline const std::string Path = "C:\\Program Files\\Tool\\tool.exe";

} // namespace link_test
