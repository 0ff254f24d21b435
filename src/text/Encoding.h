// Encoding detection of a TextBuffer and the readers that decode it into UTF-16 characters,
// lines, line counts and the prevailing line-ending style.
#pragma once
#include "text/TextBuffer.h"

#include <cstddef>
#include <cstdint>

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
uint32_t DetectUtf32(TextBuffer& buffer);
uint32_t DetectUtf16(TextBuffer& buffer);
uint32_t DetectUtf8(TextBuffer& buffer);
uint32_t DetectEbcdic(const TextBuffer& buffer);

// Classifies the buffer's bytes: sets encoding, may set bomLength, raises position to at least
// bomLength, and returns the encoding. ebcdic lets EBCDIC be considered.
TextEncoding DetectEncoding(TextBuffer& buffer, bool ebcdic);

// Decodes the UTF-8 sequence at bytes (available bytes readable); the code point, or -1 for an
// invalid lead or continuation byte or a sequence longer than available. Overlong forms decode.
int32_t DecodeUtf8(const uint8_t* bytes, size_t available);

// The next character (0..0xFFFF) advancing position, or -1 at the end of the data.
int32_t ReadChar(TextBuffer& buffer);
// What ReadChar would return, without advancing; -1 at the end, also for a cut-off UTF-8 sequence.
int32_t PeekChar(const TextBuffer& buffer);
// Reads the next line (ended by CR, LF, CR LF, LF CR, NEL or NUL) into line, which holds capacity
// characters and is always terminated; longer lines are cut. skipBlank skips lines of white
// space that have an ending. Returns 0 when a line was read, -1 when the data was exhausted.
int ReadLine(TextBuffer& buffer, wchar_t* line, size_t capacity, bool skipBlank);
// Number of lines from position to the end; position is unchanged.
uint64_t CountLines(TextBuffer& buffer);
// Prevailing line-ending style among the first 256 endings from position; position is unchanged.
LineEnding LineEndingKind(TextBuffer& buffer);
// Writes the display name of encoding into output (1024 characters); bom > 0 adds " with BOM",
// bom == 0 " without BOM" to the Unicode encodings, a negative bom nothing. -1 when output is null.
int EncodingName(uint32_t encoding, int64_t bom, wchar_t* output);

} // namespace scrutel
