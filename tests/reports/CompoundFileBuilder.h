// Test helper: compound-file images built byte by byte (version 3, 512-byte sectors) holding the
// summary property sets, and the property sets themselves, for the compound-file check.
#pragma once
#include "support/ByteWriting.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace compound_test {

using Bytes = std::vector<uint8_t>;

using testing_support::Put16;
using testing_support::Put32;

// Property types as stored in the sets.
constexpr uint16_t VtI2 = 2;
constexpr uint16_t VtI4 = 3;
constexpr uint16_t VtLpstr = 30;
constexpr uint16_t VtLpwstr = 31;
constexpr uint16_t VtFiletime = 64;
constexpr uint16_t VtCf = 71;
constexpr uint16_t VtByref = 0x4000;

inline void Append32(Bytes& b, uint32_t v) {
    Put32(b, b.size(), v);
}
inline void Pad4(Bytes& b) {
    while (b.size() % 4)
        b.push_back(0);
}

inline std::span<const std::byte> View(const Bytes& b) {
    return {reinterpret_cast<const std::byte*>(b.data()), b.size()};
}

// ---- Property-set streams

// One typed property value: its type and the bytes after the type field.
struct Prop {
    uint32_t id;
    uint16_t type;
    Bytes value;
};

inline Prop I2(uint32_t id, int16_t v) {
    Bytes b;
    Put16(b, 0, static_cast<uint16_t>(v));
    Pad4(b);
    return {id, VtI2, b};
}
inline Prop I4(uint32_t id, int32_t v) {
    Bytes b;
    Put32(b, 0, static_cast<uint32_t>(v));
    return {id, VtI4, b};
}
inline Prop Lpstr(uint32_t id, const std::string& text) {
    Bytes b;
    Append32(b, static_cast<uint32_t>(text.size() + 1));
    b.insert(b.end(), text.begin(), text.end());
    b.push_back(0);
    Pad4(b);
    return {id, VtLpstr, b};
}
inline Prop Lpwstr(uint32_t id, const std::u16string& text) {
    Bytes b;
    Append32(b, static_cast<uint32_t>(text.size() + 1));
    for (char16_t c : text)
        Put16(b, b.size(), c);
    Put16(b, b.size(), 0);
    Pad4(b);
    return {id, VtLpwstr, b};
}
inline Prop Raw(uint32_t id, uint16_t type, Bytes value) {
    return {id, type, value};
}

constexpr uint8_t SummaryFmtid[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                      0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
constexpr size_t SectionAt = 48;

// A one-section property set: header, format id and offset, then the section.
inline Bytes PropertySet(const std::vector<Prop>& props) {
    Bytes b;
    Put16(b, 0, 0xFFFE);
    Put16(b, 2, 0);
    Put32(b, 4, 0x00020006);
    Put32(b, 24, 1);
    b.insert(b.end(), SummaryFmtid, SummaryFmtid + 16);
    Append32(b, SectionAt);
    Bytes section;
    Put32(section, 4, static_cast<uint32_t>(props.size()));
    size_t offset = 8 + props.size() * 8;
    Bytes values;
    for (size_t i = 0; i < props.size(); ++i) {
        Put32(section, 8 + i * 8, props[i].id);
        Put32(section, 12 + i * 8, static_cast<uint32_t>(offset + values.size()));
        // The dictionary (id 0) has no type field.
        if (props[i].id != 0) {
            Put16(values, values.size(), props[i].type);
            Put16(values, values.size(), 0);
        }
        values.insert(values.end(), props[i].value.begin(), props[i].value.end());
        Pad4(values);
    }
    section.insert(section.end(), values.begin(), values.end());
    Put32(section, 0, static_cast<uint32_t>(section.size()));
    b.insert(b.end(), section.begin(), section.end());
    return b;
}

// Offset in the stream of the i-th property's type field.
inline size_t PropertyAt(const Bytes& set, size_t i) {
    uint32_t offset = set[SectionAt + 12 + i * 8] | set[SectionAt + 13 + i * 8] << 8;
    return SectionAt + offset;
}

inline std::vector<Prop> TypicalSummary() {
    return {I2(1, 1252), Lpstr(2, "Quarterly report"), Lpstr(4, "Ann Author"), I4(14, 12),
            Raw(12, VtFiletime, Bytes(8, 0x11))};
}

// ---- Compound-file images (version 3, 512-byte sectors)
//
// Sector 0: FAT; 1: directory; 2: mini FAT; 3 and 4: mini stream holding the property sets
// (the summary set from mini sector 0, the document summary set from mini sector 8).
constexpr size_t Sector = 512;
constexpr size_t FatAt = 512;
constexpr size_t DirectoryAt = 1024;
constexpr size_t MiniFatAt = 1536;
constexpr size_t MiniStreamAt = 2048;
constexpr size_t EntryAt(size_t id) {
    return DirectoryAt + id * 128;
}
constexpr uint32_t EndOfChain = 0xFFFFFFFE;
constexpr uint32_t FreeSector = 0xFFFFFFFF;
constexpr uint32_t NoStream = 0xFFFFFFFF;

inline void PutEntry(Bytes& b, size_t id, const std::u16string& name, uint8_t type, uint32_t left,
                     uint32_t right, uint32_t child, uint32_t start, uint32_t size) {
    size_t at = EntryAt(id);
    for (size_t i = 0; i < name.size(); ++i)
        Put16(b, at + i * 2, name[i]);
    Put16(b, at + 64, static_cast<uint16_t>((name.size() + 1) * 2));
    b[at + 66] = type;
    b[at + 67] = 1;
    Put32(b, at + 68, left);
    Put32(b, at + 72, right);
    Put32(b, at + 76, child);
    Put32(b, at + 116, start);
    Put32(b, at + 120, size);
}

// A document holding summary (at most 512 bytes) and, when given, document summary (at most 512).
inline Bytes Document(const Bytes& summary, const Bytes& documentSummary = {}) {
    Bytes b(MiniStreamAt + 2 * Sector, 0);
    const uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(b.data(), signature, 8);
    Put16(b, 24, 0x3E);
    Put16(b, 26, 3);
    Put16(b, 28, 0xFFFE);
    Put16(b, 30, 9);
    Put16(b, 32, 6);
    Put32(b, 44, 1);          // FAT sectors
    Put32(b, 48, 1);          // first directory sector
    Put32(b, 56, 4096);       // mini stream cutoff
    Put32(b, 60, 2);          // first mini FAT sector
    Put32(b, 64, 1);          // mini FAT sectors
    Put32(b, 68, EndOfChain); // no DIFAT sectors
    Put32(b, 76, 0);          // the FAT is sector 0
    for (size_t i = 1; i < 109; ++i)
        Put32(b, 76 + i * 4, FreeSector);

    for (size_t i = 0; i < 128; ++i)
        Put32(b, FatAt + i * 4, FreeSector);
    Put32(b, FatAt + 0, 0xFFFFFFFD); // the FAT's own sector
    Put32(b, FatAt + 4, EndOfChain); // directory
    Put32(b, FatAt + 8, EndOfChain); // mini FAT
    Put32(b, FatAt + 12, 4);         // mini stream: 3 -> 4
    Put32(b, FatAt + 16, EndOfChain);

    for (size_t i = 0; i < 128; ++i)
        Put32(b, MiniFatAt + i * 4, FreeSector);
    auto chainMini = [&](uint32_t first, size_t bytes) {
        size_t count = (bytes + 63) / 64;
        for (size_t i = 0; i < count; ++i)
            Put32(b, MiniFatAt + (first + i) * 4,
                  i + 1 < count ? static_cast<uint32_t>(first + i + 1) : EndOfChain);
    };
    for (size_t id = 0; id < 4; ++id) {
        Put32(b, EntryAt(id) + 68, NoStream);
        Put32(b, EntryAt(id) + 72, NoStream);
        Put32(b, EntryAt(id) + 76, NoStream);
    }
    PutEntry(b, 0, u"Root Entry", 5, NoStream, NoStream, 1, 3, 2 * Sector);
    PutEntry(b, 1, u"\u0005SummaryInformation", 2, NoStream, documentSummary.empty() ? NoStream : 2, NoStream,
             0, static_cast<uint32_t>(summary.size()));
    // An empty vector's data() may be null, which memcpy must not be given.
    if (!summary.empty()) std::memcpy(b.data() + MiniStreamAt, summary.data(), summary.size());
    chainMini(0, summary.size());
    if (!documentSummary.empty()) {
        PutEntry(b, 2, u"\u0005DocumentSummaryInformation", 2, NoStream, NoStream, NoStream, 8,
                 static_cast<uint32_t>(documentSummary.size()));
        std::memcpy(b.data() + MiniStreamAt + Sector, documentSummary.data(), documentSummary.size());
        chainMini(8, documentSummary.size());
    }
    return b;
}

// The summary stream's byte at offset in the image.
inline size_t InSummary(size_t offset) {
    return MiniStreamAt + offset;
}

} // namespace compound_test
