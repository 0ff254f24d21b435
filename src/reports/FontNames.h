// Reading the naming table of TrueType and OpenType fonts and collections from the bytes of a
// font file: collection headers, the table directory, the name records and their text.
#pragma once
#include "core/Utf16.h"

#include <cstddef>
#include <cstdint>

namespace scrutel {

// The name identifier that asks ReadFontName for the composite full name: name 4, else names
// 16 and 17, else names 1 and 2, joined by one space.
constexpr uint32_t FontCompositeName = 0xFACEFACE;
// Files smaller than this are not read as fonts; a font needs this much from its offset on.
constexpr size_t FontMinFileSize = 4096;
constexpr size_t FontMinFontSize = 1024;
// Collections list at most this many fonts.
constexpr uint32_t FontMaxCollectionCount = 128;

struct NameTableLocation {
    uint32_t offset = 0;
    uint32_t length = 0;
    uint32_t checksum = 0;
};

// Number of fonts of a valid collection header ("ttcf", version 1.0 or 2.0, 1 to 128 fonts), or
// 0 when the file does not start with one.
uint32_t FontCollectionCount(const void* data, size_t size);
// Offset of font index's table directory: 0 for a single font, the collection's entry otherwise.
// False when the entry lies outside the file.
bool FontOffset(const void* data, size_t size, uint32_t index, size_t* offset);

// Finds the "name" record in the table directory at fontOffset: 1 found (location filled), 0 not.
int FindNameTable(const void* data, size_t size, size_t fontOffset, NameTableLocation* location);
// Sum of the big-endian 32-bit words covering [offset, offset + length); bytes past the table's
// own length (the padding of its last word) count as zero.
uint32_t FontTableChecksum(const void* data, size_t size, uint32_t offset, uint32_t length);
// FindNameTable plus every check that the report needs before reading names: the font lies
// within the file with at least FontMinFontSize bytes, the table is non-empty, inside the file,
// and its checksum matches the directory's. 1 when usable, 0 otherwise.
int LocateUsableNameTable(const void* data, size_t size, size_t fontOffset, NameTableLocation* location);

// Copies the name nameId (or FontCompositeName) into output (capacity characters, cleared first),
// cleaned with CleanFontText and cut to widthLimit characters when widthLimit is not 0.
// 1 stored, 0 not found, -1 when the table is shorter than 18 bytes, lies outside the data, its
// records run past its end, or output is missing.
int ReadFontName(const void* data, size_t size, uint32_t tableOffset, uint32_t tableLength, uint32_t nameId,
                 char16_t* output, size_t capacity, uint32_t widthLimit);

// Drops leading white space and control characters, turns tabs and line breaks into spaces (a
// break after white space is dropped). Returns how many characters were dropped or replaced; -1
// for a missing string or zero capacity, -2 when no working buffer can be had.
int CleanFontText(char16_t* text, size_t capacity);
// Cuts text longer than n characters to n, the last becoming U+2026: 1; otherwise 0.
int TruncateWithEllipsis(char16_t* text, size_t n);

// Description (width 40), version (from its first digit, at most 30) and legal notice of the
// first font of the file's bytes, into three outputs of TextOutputChars characters. Number found.
int FontHeaderStringsFromBytes(const void* data, size_t size, char16_t* description, char16_t* version,
                               char16_t* legal);

// The controls the cleaning drops (C0, DEL, C1 and the format characters), as the C runtime's C
// locale gives them on the platform the report was recorded on; its white space is IsWhiteSpace
// of core/CharClass.h.
bool IsFontTextControl(char16_t c);
// The character of a Mac OS Roman byte.
char16_t MacRomanCharacter(uint8_t byte);

#if defined(_WIN32)
inline int ReadFontName(const void* data, size_t size, uint32_t tableOffset, uint32_t tableLength,
                        uint32_t nameId, wchar_t* output, size_t capacity, uint32_t widthLimit) {
    return ReadFontName(data, size, tableOffset, tableLength, nameId, U16(output), capacity, widthLimit);
}
inline int CleanFontText(wchar_t* text, size_t capacity) {
    return CleanFontText(U16(text), capacity);
}
inline int TruncateWithEllipsis(wchar_t* text, size_t n) {
    return TruncateWithEllipsis(U16(text), n);
}
inline int FontHeaderStringsFromBytes(const void* data, size_t size, wchar_t* description, wchar_t* version,
                                      wchar_t* legal) {
    return FontHeaderStringsFromBytes(data, size, U16(description), U16(version), U16(legal));
}

// The same for a font file on disk; 0 when it cannot be opened.
int ReadFontHeaderStrings(const wchar_t* path, wchar_t* description, wchar_t* version, wchar_t* legal);

// Prints the font blocks of a font file's bytes (every font of a collection). 0 or ABORTED.
int ReportFontsFromBytes(const void* data, size_t size, uint32_t width);
#endif

} // namespace scrutel
