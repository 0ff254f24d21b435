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
// characters and is always terminated; longer lines are cut. skipBlank skips lines of white space
// (IsWhiteSpace of core/CharClass.h) that have an ending. Returns 0 when a line was read, -1 when
// the data was exhausted.
int ReadLine(TextCursor& buffer, char16_t* line, size_t capacity, bool skipBlank);
// Number of lines from position to the end; position is unchanged.
uint64_t CountLines(TextCursor& buffer);
// Prevailing line-ending style among the first 256 endings from position; position is unchanged.
LineEnding LineEndingKind(TextCursor& buffer);
// How many leading bytes of a text of size bytes DetectEncoding looks at: all of a small text;
// of a larger one 256 KiB and as many more as give the remainder modulo 4 of the whole (UTF-32
// detection asks for it). DetectEncoding on that head gives what it gives on the whole text.
uint64_t DetectionBytes(uint64_t size);

// Running counts behind LineCensus: lines as CountLines counts them, and the endings that
// LineEndingKind weighs.
// Lines from a stream of characters: every ending (CR, LF, CR LF, LF CR, NEL, NUL) and a last line
// that has characters but no ending. A run of ordinary characters may be one Other() call.
struct LineTally {
    uint64_t count = 0;
    bool hasChars = false;
    int32_t partner = -1; // LF after a CR ending, CR after an LF ending: joins that ending

    void Other() {
        partner = -1;
        hasChars = true;
    }
    void Char(int32_t c);
    uint64_t Finish() const { return count + (hasChars ? 1 : 0); }
};
// The first 256 CR, LF, CR LF and LF CR endings of a stream of characters.
struct EndingTally {
    uint32_t cr = 0, lf = 0, crlf = 0, lfcr = 0, total = 0;
    int32_t pending = -1; // a CR or LF whose following character is not known yet

    bool Full() const { return total >= 256; }
    void Other();
    void Char(int32_t c);
    LineEnding Finish() const;
};

// The line count and the prevailing line ending of a text that arrives in successive pieces: what
// CountLines and LineEndingKind give for the whole text from its position, with memory that does
// not depend on the text's size.
class LineCensus {
  public:
    // Counts text in cursor's encoding, code pages and replacement character; cursor's bytes are
    // not used.
    explicit LineCensus(const TextCursor& cursor);
    // Takes the next piece of the text. Returns how many of its last bytes were left (the start of
    // a character that the piece cuts off, at most 3), which must begin the next piece. With last
    // (no bytes follow) everything is taken and 0 returned.
    size_t Feed(const uint8_t* piece, size_t size, bool last);
    uint64_t Lines() const;
    LineEnding Ending() const;

  private:
    size_t FeedBytes(const uint8_t* piece, size_t size, bool last);
    size_t FeedUtf16(const uint8_t* piece, size_t size);
    size_t FeedUtf32(const uint8_t* piece, size_t size);
    void Char(int32_t c);
    void Other();

    TextCursor settings_;
    bool special_[256] = {};
    int32_t value_[256] = {};
    uint8_t specialList_[256] = {};
    int specialCount_ = 0;
    LineTally lines_;
    EndingTally endings_;
};

// Writes the display name of encoding into output (TextOutputChars characters); bom > 0 adds " with BOM",
// bom == 0 " without BOM" to the Unicode encodings, a negative bom nothing. -1 when output is null.
int EncodingName(uint32_t encoding, int64_t bom, char16_t* output);

#if defined(_WIN32)
inline int ReadLine(TextCursor& buffer, wchar_t* line, size_t capacity, bool skipBlank) {
    return ReadLine(buffer, U16(line), capacity, skipBlank);
}
inline int EncodingName(uint32_t encoding, int64_t bom, wchar_t* output) {
    return EncodingName(encoding, bom, U16(output));
}
#endif

} // namespace scrutel
