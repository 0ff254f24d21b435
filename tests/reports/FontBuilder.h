// Builds TrueType/OpenType files and collections in memory for the font tests: naming tables
// from name records, table directories with correct checksums, and collection headers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace font_builder {

using Bytes = std::vector<uint8_t>;

inline void PutU16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v >> 8);
    b[at + 1] = static_cast<uint8_t>(v);
}
inline void PutU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
inline void AddU16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}
inline void AddU32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (24 - 8 * i)));
}
inline uint32_t Tag(const char (&t)[5]) {
    return (uint32_t(uint8_t(t[0])) << 24) | (uint32_t(uint8_t(t[1])) << 16) |
           (uint32_t(uint8_t(t[2])) << 8) | uint32_t(uint8_t(t[3]));
}

inline Bytes Utf16Be(const std::u16string& text) {
    Bytes b;
    for (char16_t c : text)
        AddU16(b, static_cast<uint16_t>(c));
    return b;
}
#if defined(_WIN32)
// The Windows-only tests name their texts as wide strings (the same UTF-16 code units).
inline Bytes Utf16Be(const std::wstring& text) {
    return Utf16Be(std::u16string(text.begin(), text.end()));
}
#endif
inline Bytes Latin(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

struct NameRecord {
    uint16_t platform;
    uint16_t encoding;
    uint16_t language;
    uint16_t nameId;
    Bytes text;
};
inline NameRecord Win(uint16_t nameId, const std::u16string& text) {
    return {3, 1, 0x409, nameId, Utf16Be(text)};
}
#if defined(_WIN32)
inline NameRecord Win(uint16_t nameId, const std::wstring& text) {
    return {3, 1, 0x409, nameId, Utf16Be(text)};
}
#endif
inline NameRecord Mac(uint16_t nameId, const std::string& text) {
    return {1, 0, 0, nameId, Latin(text)};
}

// A naming table: format, record count, storage offset, the records, then the strings in
// record order. Format 1 adds an empty language-tag list before the storage.
inline Bytes NameTable(const std::vector<NameRecord>& records, uint16_t format = 0) {
    Bytes table;
    size_t storage = 6 + 12 * records.size() + (format == 1 ? 2 : 0);
    AddU16(table, format);
    AddU16(table, static_cast<uint32_t>(records.size()));
    AddU16(table, static_cast<uint32_t>(storage));
    uint32_t offset = 0;
    for (const NameRecord& r : records) {
        AddU16(table, r.platform);
        AddU16(table, r.encoding);
        AddU16(table, r.language);
        AddU16(table, r.nameId);
        AddU16(table, static_cast<uint32_t>(r.text.size()));
        AddU16(table, offset);
        offset += static_cast<uint32_t>(r.text.size());
    }
    if (format == 1) AddU16(table, 0);
    for (const NameRecord& r : records)
        table.insert(table.end(), r.text.begin(), r.text.end());
    return table;
}

// The checksum by its published definition: the table padded with zeros to whole words.
inline uint32_t Checksum(const Bytes& table) {
    uint32_t sum = 0;
    for (size_t i = 0; i < table.size(); i += 4) {
        uint32_t word = 0;
        for (size_t j = 0; j < 4; ++j)
            word = (word << 8) | (i + j < table.size() ? table[i + j] : 0);
        sum += word;
    }
    return sum;
}

struct Table {
    uint32_t tag;
    Bytes data;
};

struct FontOptions {
    uint32_t version = 0x00010000;
    // Tables start on 4-byte boundaries, with zero padding between them.
    bool pad = true;
    // Added to the stored checksum of the "name" table.
    uint32_t checksumDelta = 0;
    // Byte used between tables when pad is false is not relevant; trailing filler of the file.
    uint8_t filler = 0;
};

// Appends one font (table directory, then its tables) at the end of file; offsets are counted
// from the start of the file. Returns the font's offset.
inline size_t AppendFont(Bytes& file, const std::vector<Table>& tables, const FontOptions& options = {}) {
    size_t start = file.size();
    AddU32(file, options.version);
    AddU16(file, static_cast<uint32_t>(tables.size()));
    AddU16(file, 0);
    AddU16(file, 0);
    AddU16(file, 0);
    size_t records = file.size();
    file.resize(file.size() + 16 * tables.size(), 0);
    for (size_t k = 0; k < tables.size(); ++k) {
        if (options.pad)
            while (file.size() % 4)
                file.push_back(0);
        size_t at = records + 16 * k;
        uint32_t sum = Checksum(tables[k].data);
        if (tables[k].tag == Tag("name")) sum += options.checksumDelta;
        PutU32(file, at, tables[k].tag);
        PutU32(file, at + 4, sum);
        PutU32(file, at + 8, static_cast<uint32_t>(file.size()));
        PutU32(file, at + 12, static_cast<uint32_t>(tables[k].data.size()));
        file.insert(file.end(), tables[k].data.begin(), tables[k].data.end());
    }
    return start;
}

// Pads file to at least size bytes with filler.
inline void PadTo(Bytes& file, size_t size, uint8_t filler = 0) {
    if (file.size() < size) file.resize(size, filler);
}

// A single font with the given tables, padded to 4096 bytes.
inline Bytes SingleFont(const std::vector<Table>& tables, const FontOptions& options = {}) {
    Bytes file;
    AppendFont(file, tables, options);
    PadTo(file, 4096, options.filler);
    return file;
}

// A font whose only table of interest is the naming table, with two other sorted tables around it.
inline Bytes FontWithNames(const std::vector<NameRecord>& records, const FontOptions& options = {}) {
    return SingleFont(
        {{Tag("head"), Bytes(54, 1)}, {Tag("name"), NameTable(records)}, {Tag("post"), Bytes(32, 2)}},
        options);
}

// A collection of fonts (each given as its tables), each font padded so that the next one lies
// at least 1024 bytes further on; the whole file at least 4096 bytes.
inline Bytes Collection(const std::vector<std::vector<Table>>& fonts, uint16_t major = 1) {
    Bytes file;
    AddU32(file, Tag("ttcf"));
    AddU16(file, major);
    AddU16(file, 0);
    AddU32(file, static_cast<uint32_t>(fonts.size()));
    size_t offsets = file.size();
    file.resize(file.size() + 4 * fonts.size(), 0);
    for (size_t i = 0; i < fonts.size(); ++i) {
        while (file.size() % 4)
            file.push_back(0);
        size_t start = AppendFont(file, fonts[i]);
        PutU32(file, offsets + 4 * i, static_cast<uint32_t>(start));
        PadTo(file, start + 1024);
    }
    PadTo(file, 4096);
    return file;
}

} // namespace font_builder
