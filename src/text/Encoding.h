// Encoding detection of a TextCursor and the readers that decode it into UTF-16 characters,
// lines, line counts and the prevailing line-ending style.
#pragma once
#include "text/TextCursor.h"

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#include "core/Utf16.h"
#endif

namespace scrutel {

enum LineEnding : uint32_t {
    LineEndingNone = 0,
    LineEndingCr = 1,
    LineEndingLf = 2,
    LineEndingCrLf = 3,
    LineEndingLfCr = 4,
};

// The detectors behind DetectEncoding. Each returns its TextEncoding value or 0, and sets the
// buffer's bomLength only when it finds a byte-order mark (or accepts UTF-8 with its mark).
uint32_t DetectUtf32(TextCursor& buffer);
uint32_t DetectUtf16(TextCursor& buffer);
uint32_t DetectUtf8(TextCursor& buffer);
uint32_t DetectEbcdic(const TextCursor& buffer);

// Classifies the buffer's bytes: sets encoding, may set bomLength, raises position to at least
// bomLength, and returns the encoding. ebcdic lets EBCDIC be considered.
TextEncoding DetectEncoding(TextCursor& buffer, bool ebcdic);

// Decodes the UTF-8 sequence at bytes (available bytes readable); the code point, or -1 for an
// invalid lead or continuation byte or a sequence longer than available. Overlong forms decode.
int32_t DecodeUtf8(const uint8_t* bytes, size_t available);

// The next character (0..0xFFFF) advancing position, or -1 at the end of the data.
int32_t ReadChar(TextCursor& buffer);
// What ReadChar would return, without advancing; -1 at the end, also for a cut-off UTF-8 sequence.
int32_t PeekChar(const TextCursor& buffer);
// Reads the next line (ended by CR, LF, CR LF, LF CR, NEL or NUL) into line, which holds capacity
// characters and is always terminated; longer lines are cut. skipBlank skips lines of white
// space that have an ending. Returns 0 when a line was read, -1 when the data was exhausted.
int ReadLine(TextCursor& buffer, char16_t* line, size_t capacity, bool skipBlank);
// Number of lines from position to the end; position is unchanged.
uint64_t CountLines(TextCursor& buffer);
// Prevailing line-ending style among the first 256 endings from position; position is unchanged.
LineEnding LineEndingKind(TextCursor& buffer);
// Writes the display name of encoding into output (1024 characters); bom > 0 adds " with BOM",
// bom == 0 " without BOM" to the Unicode encodings, a negative bom nothing. -1 when output is null.
int EncodingName(uint32_t encoding, int64_t bom, char16_t* output);

// True for the characters that make a line blank for ReadLine: tab, LF, VT, FF, CR, and the Unicode
// space separators (space, no-break space, U+1680, U+2000..U+200A, U+202F, U+205F, U+3000), line
// and paragraph separators. It is the set the C runtime's iswspace gives the plugin on Windows,
// fixed here so that blank lines are the same on every platform; NEL is not in it.
bool IsBlankChar(int32_t c);

#if defined(_WIN32)
inline int ReadLine(TextCursor& buffer, wchar_t* line, size_t capacity, bool skipBlank) {
    return ReadLine(buffer, U16(line), capacity, skipBlank);
}
inline int EncodingName(uint32_t encoding, int64_t bom, wchar_t* output) {
    return EncodingName(encoding, bom, U16(output));
}
#endif

} // namespace scrutel
