// Reading the naming table of TrueType and OpenType fonts and collections from the bytes of a
// font file. Every read goes through ByteReader; nothing here trusts a count or an offset.
#include "reports/FontNames.h"

#include "core/ByteReader.h"
#include "core/CharClass.h"
#include "core/Limits.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <span>

namespace scrutel {

namespace {

constexpr uint32_t TagCollection = 0x74746366; // "ttcf"
constexpr uint32_t TagName = 0x6E616D65;       // "name"
constexpr uint32_t TagOpenType = 0x4F54544F;   // "OTTO"
constexpr uint32_t SfntVersionTrueType = 0x00010000;
constexpr size_t SubfamilyCapacity = 256;

// A table tag: four printable bytes, no leading space, and spaces only as trailing padding.
bool LooksLikeTag(uint32_t tag) {
    bool sawSpace = false;
    for (int shift = 24; shift >= 0; shift -= 8) {
        uint32_t b = (tag >> shift) & 0xFF;
        if (b < 0x20 || b > 0x7F) return false;
        if (b == 0x20) {
            if (shift == 24) return false;
            sawSpace = true;
        } else if (sawSpace) {
            return false;
        }
    }
    return true;
}

// The characters of Mac OS Roman bytes 0x80..0xFF (the bytes below are ASCII).
constexpr char16_t MacRomanHighHalf[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x2126, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

struct Range {
    char16_t first, last;
};
// Controls: C0, DEL and C1, and the invisible format characters.
constexpr Range ControlRanges[] = {
    {0x0000, 0x001F}, {0x007F, 0x009F}, {0x0600, 0x0605}, {0x061C, 0x061C}, {0x06DD, 0x06DD},
    {0x070F, 0x070F}, {0x0890, 0x0891}, {0x08E2, 0x08E2}, {0x180E, 0x180E}, {0x200B, 0x200F},
    {0x202A, 0x202E}, {0x2060, 0x2064}, {0x2066, 0x206F}, {0xFEFF, 0xFEFF}, {0xFFF9, 0xFFFB},
};

template <size_t N> bool InRanges(const Range (&ranges)[N], char16_t c) {
    for (const Range& r : ranges)
        if (c >= r.first && c <= r.last) return true;
    return false;
}

size_t Length(const char16_t* text) {
    return std::char_traits<char16_t>::length(text);
}

// Copies source up to its terminator or n characters, filling the rest of the n with NULs.
void CopyAtMost(char16_t* output, const char16_t* source, size_t n) {
    size_t i = 0;
    for (; i < n && source[i]; ++i)
        output[i] = source[i];
    for (; i < n; ++i)
        output[i] = 0;
}

// Copies a UTF-16 big-endian string of byteLength bytes into output (at most capacity - 1
// characters) and terminates it.
void CopyUtf16Be(std::span<const std::byte> bytes, char16_t* output, size_t capacity) {
    size_t count = bytes.size() / 2;
    if (count > capacity - 1) count = capacity - 1;
    for (size_t i = 0; i < count; ++i) {
        unsigned hi = static_cast<uint8_t>(bytes[2 * i]);
        unsigned lo = static_cast<uint8_t>(bytes[2 * i + 1]);
        output[i] = static_cast<char16_t>((hi << 8) | lo);
    }
    output[count] = 0;
}

// Converts a Mac OS Roman string into output, one character per byte; false (output emptied)
// when it does not fit capacity - 1 characters, as a conversion into a buffer that size fails.
bool ConvertMacRoman(std::span<const std::byte> bytes, char16_t* output, size_t capacity) {
    if (bytes.empty() || capacity < 2) return false;
    if (bytes.size() > capacity - 1) {
        output[0] = 0;
        return false;
    }
    for (size_t i = 0; i < bytes.size(); ++i)
        output[i] = MacRomanCharacter(static_cast<uint8_t>(bytes[i]));
    output[bytes.size()] = 0;
    return true;
}

// Reads one name by identifier (not the composite).
int ReadSingleName(const ByteReader& file, uint32_t tableOffset, uint32_t tableLength, uint32_t nameId,
                   char16_t* output, size_t capacity, uint32_t widthLimit) {
    output[0] = 0;
    if (tableLength < 18) return -1;
    ByteReader table = file.sub(tableOffset, tableLength);
    if (table.size() != tableLength) return -1;
    uint16_t format = *table.u16be(0);
    uint16_t count = *table.u16be(2);
    uint16_t storageOffset = *table.u16be(4);
    if (format > 1 || count == 0) return 0;
    // The records must end before the table does.
    if (6 + 12 * static_cast<uint64_t>(count) >= tableLength) return -1;

    struct Record {
        uint16_t platform, encoding, nameId, length, offset;
    };
    auto record = [&](uint32_t j) {
        size_t at = 6 + 12 * static_cast<size_t>(j);
        return Record{*table.u16be(at), *table.u16be(at + 2), *table.u16be(at + 6), *table.u16be(at + 8),
                      *table.u16be(at + 10)};
    };
    // The string's bytes when it ends within the table.
    auto text = [&](const Record& r) -> std::optional<std::span<const std::byte>> {
        uint64_t start = static_cast<uint64_t>(storageOffset) + r.offset;
        if (start + r.length > tableLength) return std::nullopt;
        return table.bytes(static_cast<size_t>(start), r.length);
    };

    bool found = false;
    for (uint32_t j = 0; j < count && !found; ++j) {
        Record r = record(j);
        if (r.nameId != nameId) continue;
        bool unicode =
            r.platform == 0 || (r.platform == 3 && (r.encoding == 0 || r.encoding == 1 || r.encoding == 10));
        if (!unicode) continue;
        auto bytes = text(r);
        if (!bytes) continue;
        CopyUtf16Be(*bytes, output, capacity);
        found = true;
    }
    for (uint32_t j = 0; j < count && !found; ++j) {
        Record r = record(j);
        if (r.nameId != nameId || r.platform != 1 || r.encoding > 7) continue;
        auto bytes = text(r);
        if (!bytes) continue;
        found = ConvertMacRoman(*bytes, output, capacity);
    }
    if (!found) {
        output[0] = 0;
        return 0;
    }
    CleanFontText(output, capacity);
    if (widthLimit != 0) TruncateWithEllipsis(output, widthLimit);
    return 1;
}

// Appends " " and part to output within its capacity.
void JoinWithSpace(char16_t* output, size_t capacity, const char16_t* part) {
    size_t used = Length(output);
    if (used + 1 < capacity) {
        output[used++] = u' ';
        output[used] = 0;
    }
    for (size_t i = 0; part[i] && used + 1 < capacity; ++i)
        output[used++] = part[i];
    output[used] = 0;
}

} // namespace

bool IsFontTextControl(char16_t c) {
    return InRanges(ControlRanges, c);
}

char16_t MacRomanCharacter(uint8_t byte) {
    return byte < 0x80 ? static_cast<char16_t>(byte) : MacRomanHighHalf[byte - 0x80];
}

uint32_t FontCollectionCount(const void* data, size_t size) {
    ByteReader file(data, size);
    auto tag = file.u32be(0);
    auto major = file.u16be(4);
    auto minor = file.u16be(6);
    auto count = file.u32be(8);
    if (!tag || !major || !minor || !count) return 0;
    if (*tag != TagCollection || (*major != 1 && *major != 2) || *minor != 0) return 0;
    if (*count < 1 || *count > FontMaxCollectionCount) return 0;
    return *count;
}

bool FontOffset(const void* data, size_t size, uint32_t index, size_t* offset) {
    if (!offset) return false;
    uint32_t count = FontCollectionCount(data, size);
    if (count == 0) {
        *offset = 0;
        return index == 0;
    }
    if (index >= count) return false;
    auto value = ByteReader(data, size).u32be(12 + 4 * static_cast<size_t>(index));
    if (!value) return false;
    *offset = *value;
    return true;
}

int FindNameTable(const void* data, size_t size, size_t fontOffset, NameTableLocation* location) {
    if (!location) return 0;
    ByteReader file(data, size);
    auto version = file.u32be(fontOffset);
    if (!version || (*version != SfntVersionTrueType && *version != TagOpenType)) return 0;
    // The table count is not trusted: records are scanned while they look like sorted tags.
    uint32_t previous = 0;
    for (size_t at = fontOffset + 12; at >= fontOffset && file.has(at, 17); at += 16) {
        uint32_t tag = *file.u32be(at);
        if (!LooksLikeTag(tag) || tag <= previous) return 0;
        if (tag == TagName) {
            location->checksum = *file.u32be(at + 4);
            location->offset = *file.u32be(at + 8);
            location->length = *file.u32be(at + 12);
            return 1;
        }
        previous = tag;
    }
    return 0;
}

uint32_t FontTableChecksum(const void* data, size_t size, uint32_t offset, uint32_t length) {
    ByteReader file(data, size);
    auto table = file.bytes(offset, 0);
    if (!table) return 0;
    size_t available = size - offset;
    size_t counted = length < available ? length : available;
    auto bytes = *file.bytes(offset, counted);
    uint32_t sum = 0;
    size_t whole = counted / 4 * 4;
    for (size_t i = 0; i < whole; i += 4) {
        sum += (static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << 24) |
               (static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 16) |
               (static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 2])) << 8) |
               static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 3]));
    }
    // The last, partial word: the bytes past the table's length count as zero.
    uint32_t last = 0;
    for (size_t i = whole; i < counted; ++i)
        last |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << (24 - 8 * (i - whole));
    return sum + last;
}

int LocateUsableNameTable(const void* data, size_t size, size_t fontOffset, NameTableLocation* location) {
    if (!location || !data) return 0;
    if (fontOffset > size || size - fontOffset < FontMinFontSize) return 0;
    NameTableLocation found;
    if (!FindNameTable(data, size, fontOffset, &found)) return 0;
    if (found.offset == 0 || found.length == 0) return 0;
    if (static_cast<uint64_t>(found.offset) + found.length > size) return 0;
    if (FontTableChecksum(data, size, found.offset, found.length) != found.checksum) return 0;
    *location = found;
    return 1;
}

int ReadFontName(const void* data, size_t size, uint32_t tableOffset, uint32_t tableLength, uint32_t nameId,
                 char16_t* output, size_t capacity, uint32_t widthLimit) {
    if (!output || capacity == 0) return -1;
    output[0] = 0;
    ByteReader file(data, size);
    if (nameId != FontCompositeName)
        return ReadSingleName(file, tableOffset, tableLength, nameId, output, capacity, widthLimit);

    int result = ReadSingleName(file, tableOffset, tableLength, 4, output, capacity, 0);
    if (result < 0) return result;
    if (output[0] == 0) {
        const uint32_t pairs[2][2] = {{16, 17}, {1, 2}};
        std::unique_ptr<char16_t[]> family(new (std::nothrow) char16_t[capacity]);
        char16_t subfamily[SubfamilyCapacity];
        if (!family) return 0;
        for (const auto& pair : pairs) {
            family[0] = 0;
            subfamily[0] = 0;
            ReadSingleName(file, tableOffset, tableLength, pair[0], family.get(), capacity, 0);
            ReadSingleName(file, tableOffset, tableLength, pair[1], subfamily, SubfamilyCapacity, 0);
            if (family[0] && subfamily[0]) {
                CopyAtMost(output, family.get(), capacity - 1);
                output[capacity - 1] = 0;
                JoinWithSpace(output, capacity, subfamily);
                break;
            }
        }
    }
    if (output[0] == 0) return 0;
    if (widthLimit != 0) TruncateWithEllipsis(output, widthLimit);
    return 1;
}

int CleanFontText(char16_t* text, size_t capacity) {
    if (!text || capacity == 0) return -1;
    std::unique_ptr<char16_t[]> cleaned(new (std::nothrow) char16_t[capacity]);
    if (!cleaned) return -2;
    size_t written = 0;
    int changed = 0;
    for (size_t i = 0; i < capacity && text[i]; ++i) {
        char16_t c = text[i];
        if (written == 0 && IsWhiteSpace(c)) {
            ++changed;
            continue;
        }
        if (c == u'\t') {
            c = u' ';
            ++changed;
        } else if (c == u'\r' || c == u'\n') {
            ++changed;
            if (IsWhiteSpace(cleaned[written - 1])) continue;
            c = u' ';
        } else if (IsFontTextControl(c)) {
            ++changed;
            continue;
        }
        if (written + 1 >= capacity) {
            ++changed; // cut at the capacity
            break;
        }
        cleaned[written++] = c;
    }
    cleaned[written] = 0;
    if (changed) std::copy_n(cleaned.get(), written + 1, text);
    return changed;
}

int TruncateWithEllipsis(char16_t* text, size_t n) {
    if (!text) return 0;
    size_t length = Length(text);
    if (length <= n) return 0;
    if (n == 0) {
        text[0] = 0;
        return 1;
    }
    text[n - 1] = u'\u2026';
    text[n] = 0;
    return 1;
}

int FontHeaderStringsFromBytes(const void* data, size_t size, char16_t* description, char16_t* version,
                               char16_t* legal) {
    if (!description || !version || !legal) return 0;
    description[0] = version[0] = legal[0] = 0;
    if (!data || size < FontMinFileSize) return 0;
    constexpr size_t capacity = TextOutputChars;
    bool collection = FontCollectionCount(data, size) != 0;
    size_t fontOffset = 0;
    if (!FontOffset(data, size, 0, &fontOffset)) return 0;
    NameTableLocation table;
    if (!LocateUsableNameTable(data, size, fontOffset, &table)) return 0;

    int found = 0;
    if (collection) {
        ReadFontName(data, size, table.offset, table.length, 16, description, capacity, 40);
        if (!description[0])
            ReadFontName(data, size, table.offset, table.length, 1, description, capacity, 40);
    } else {
        ReadFontName(data, size, table.offset, table.length, FontCompositeName, description, capacity, 40);
    }
    if (description[0]) ++found;

    ReadFontName(data, size, table.offset, table.length, 5, version, capacity, 0);
    if (version[0]) {
        size_t digit = 0;
        while (version[digit] && !(version[digit] >= u'0' && version[digit] <= u'9'))
            ++digit;
        if (version[digit]) std::copy_n(version + digit, Length(version + digit) + 1, version);
        TruncateWithEllipsis(version, 30);
        ++found;
    }

    ReadFontName(data, size, table.offset, table.length, 0, legal, capacity, 0);
    if (legal[0]) ++found;
    return found;
}

} // namespace scrutel
