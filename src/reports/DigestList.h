// Digest lists: the lines that sha256sum-style tools, BSD tags, SFV and cksum write, read into
// entries; a list's bytes split into decoded lines as they stream in; and the lines that the list
// output writes. Portable: bytes and char16_t text in, plain records out.
#pragma once
#include "core/Limits.h"
#include "core/Utf16.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace scrutel {

// How a list line is written.
enum class DigestLineForm : uint8_t {
    Gnu,   // "hex  name" or "hex *name"; a leading "\" marks a name with escapes
    Bsd,   // "TAG (name) = hex", also "TAG(name)= hex"
    Sfv,   // "name crc32"
    Cksum, // "crc size name", both decimal
};

enum class DigestLineStatus : uint8_t { Blank, Comment, Entry, Malformed };

// What an entry line says about one file.
struct DigestEntry {
    DigestLineForm form = DigestLineForm::Gnu;
    uint32_t kind = 0;                // one HashKind bit: HashCrc32, HashCksum, HashMd5 ... HashSha512
    U16String name;                   // as the list writes it, with its escapes undone
    std::array<uint8_t, 64> digest{}; // CRC-32 and cksum values big-endian, like their hex
    size_t digestLength = 0;
    uint64_t size = 0; // the file size a cksum line gives
};

struct DigestLine {
    DigestLineStatus status = DigestLineStatus::Blank;
    DigestEntry entry;
};

// The kind of a digest of this many bytes (4 CRC-32, 16 MD5, 20 SHA-1, 32 SHA-256, 48 SHA-384,
// 64 SHA-512), 0 for any other length; and the length of a kind (4 for cksum), 0 when unknown.
uint32_t DigestKindForLength(size_t bytes);
size_t DigestLengthOfKind(uint32_t kind);

// Reads one line (its line end removed). Blank lines and lines whose first non-blank character is
// "#" or ";" name nothing. The forms are tried in the order of DigestLineForm; hexadecimal digits
// may be of either case. A line that reads both as cksum's "crc size name" and as SFV's
// "name crc32" ("12 34 5678abcd") is read as ambiguousAs says (Cksum or Sfv): the form of the
// list's earlier entries. A line holding a NUL, or an entry with an empty name, is malformed.
DigestLine ParseDigestLine(U16View line, DigestLineForm ambiguousAs);

// The longest line a list may hold, in bytes; a longer one is malformed. Room for the longest
// path in three-byte UTF-8 and the longest digest with its tag.
inline constexpr size_t DigestLineMaxBytes = 3 * PathChars + 512;

// Splits a list's bytes into lines as they arrive, in blocks of any size, holding at most one
// line and one block. The first bytes decide the encoding: a UTF-16 byte-order mark (or the zero
// bytes of UTF-16 text without one) gives UTF-16; otherwise each line is UTF-8 when it is valid
// UTF-8 and 8-bit text in codePage (the 8-bit tables of text/CodePageTables.h) when it is not. A
// UTF-8 mark is skipped. Lines end at LF; a CR before it is dropped.
class DigestListReader {
  public:
    explicit DigestListReader(uint32_t codePage);

    // Adds the next block of the list; Finish says there is no more.
    void Feed(std::span<const std::byte> block);
    void Finish();
    // The next complete line, decoded into line: true, or false when none is waiting. tooLong is
    // set for a line longer than DigestLineMaxBytes, whose text is left out.
    bool Next(U16String& line, bool& tooLong);
    // The number of the line Next returned last, counted from 1.
    uint64_t LineNumber() const { return lineNumber_; }

  private:
    enum class Encoding : uint8_t { Unknown, Bytes, Utf16Le, Utf16Be };
    void Detect();
    void Compact();
    void Decode(std::span<const uint8_t> bytes, U16String& line) const;

    uint32_t codePage_;
    Encoding encoding_ = Encoding::Unknown;
    bool finished_ = false;
    bool skipping_ = false; // inside a line that is too long: its bytes are dropped up to its end
    std::vector<uint8_t> pending_;
    size_t start_ = 0;   // where the next line begins in pending_
    size_t scanned_ = 0; // bytes after start_ already searched for a line end
    uint64_t lineNumber_ = 0;
};

// The relative name of path below folder, or path itself when it is not below it, with "/"
// between folders in either case. A "\\?\" prefix on either is ignored; letters are compared
// without regard to ASCII case.
U16String DigestListName(U16View path, U16View folder);

// The list output's line for one file (no line end): "hex  name" in lower-case hex, written with a
// leading "\" and "\\", "\n" and "\r" for those characters when the name holds one, as
// sha256sum writes it; for cksum (digest: its CRC big-endian), "crc size name" in decimal.
U16String DigestListLineText(uint32_t kind, std::span<const uint8_t> digest, uint64_t size, U16View name);

} // namespace scrutel
