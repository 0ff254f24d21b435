// A text source held in memory: a file mapped read-only, a copy of the clipboard's Unicode text,
// or the standard input (copied to a temporary file first when it is a console or a pipe).
#pragma once
#include "core/Owners.h"

#include <windows.h>
#include <cstdint>
#include <string>

namespace scrutel {

// How the bytes of a TextBuffer encode text.
enum TextEncoding : uint32_t {
    EncodingOem = 0, // 8-bit: bytes 0x80..0xFF through the table of the buffer's codePage
    EncodingUtf16Le = 1,
    EncodingUtf16Be = 2,
    EncodingUtf8 = 3,
    EncodingEbcdic = 16, // through the table of the buffer's ebcdicCodePage
    EncodingUtf32Le = 32,
    EncodingUtf32Be = 33,
    EncodingRaw = 64,    // each byte is a character code unchanged
    EncodingAscii = 128, // 7-bit text (set by the text report), decoded like EncodingOem
};

// Open flag: let encoding detection consider EBCDIC.
inline constexpr uint32_t TextDetectEbcdic = 0x80;
// Open flag: a named source must be a disk file; a device or pipe that a name or a link leads to
// fails with ERROR_BAD_FILE_TYPE instead of being read (a read from one can wait forever).
inline constexpr uint32_t TextDiskFileOnly = 0x100;
// error value of a source that holds no bytes.
inline constexpr int32_t TextErrorEmpty = -100;

// The 8-bit code pages that have decoding tables, in table order. A code page that is not listed
// decodes with the table of 1252 (index 0).
inline constexpr uint32_t TextCodePages[24] = {1252, 1250, 1251, 1253, 1254, 1255,  1256,  1257,
                                               1258, 437,  720,  737,  775,  850,   852,   855,
                                               857,  858,  862,  866,  874,  10000, 20866, 21866};
// The EBCDIC code pages that have decoding tables, in table order.
inline constexpr uint32_t EbcdicCodePages[10] = {1140, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149};

struct EbcdicLocalePair {
    uint16_t locale;
    uint16_t codePage;
};
// Which EBCDIC code page a locale uses. No two pairs with the same primary language (the low 10
// bits of the locale) give different code pages.
inline constexpr EbcdicLocalePair EbcdicLocaleMap[16] = {
    {0x0407, 1141}, {0x0C07, 1141}, {0x083C, 1146}, {0x1809, 1146}, {0x0809, 1146}, {0x040C, 1147},
    {0x0406, 1142}, {0x0414, 1142}, {0x0814, 1142}, {0x040B, 1143}, {0x041D, 1143}, {0x040A, 1145},
    {0x0C0A, 1145}, {0x080A, 1145}, {0x0410, 1144}, {0x040F, 1149}};

// Position of codePage in TextCodePages, 0 when it is not listed.
uint32_t TextCodePageIndex(uint32_t codePage);
// Position of codePage in EbcdicCodePages, 0 when it is not listed.
uint32_t EbcdicCodePageIndex(uint32_t codePage);
// The EBCDIC code page for a locale identifier (its low 16 bits are used): an exact match in
// EbcdicLocaleMap, else a match of the primary language, else 1140.
uint32_t EbcdicCodePageForLocale(uint32_t locale);
// The EBCDIC code page for the user's default locale.
uint32_t UserEbcdicCodePage();

// True when a true name begins with "Volume{" (any case) and a hexadecimal digit, a volume that is
// opened through the device namespace (with the prefix \\.\ in front).
bool IsVolumeGuidName(const wchar_t* trueName);

// True when handle refers to a console. The standard-handle numbers STD_INPUT_HANDLE,
// STD_OUTPUT_HANDLE and STD_ERROR_HANDLE are accepted too. A null handle is false.
bool IsConsoleHandle(HANDLE handle);

// One open text source. Readers (text/Encoding.h) read data from position up to size.
// Owned by the caller; not copyable. Destruction closes whatever is still open.
struct TextBuffer {
    TextBuffer() = default;
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;
    ~TextBuffer();

    // First byte of the source: the mapped view, or the heap copy of the clipboard text.
    const uint8_t* data = nullptr;
    // The canonical file name for files; "clip:" or "-" unchanged.
    std::wstring name;
    // Full name of the temporary copy of console or pipe input (deleted on close), or empty.
    std::wstring tempName;
    // The open file, the temporary copy, or the (duplicated) standard input.
    FileHandle file;
    // The read-only mapping of file.
    FileMapping mapping;
    // Result of the last open: a system error, 8 for no memory, TextErrorEmpty. Survives closing.
    int32_t error = 0;
    TextEncoding encoding = EncodingOem;
    uint64_t size = 0;
    // Index of the byte where the next character begins; at least bomLength after detection.
    uint64_t position = 0;
    // 0, 2 (UTF-16), 3 (UTF-8) or 4 (UTF-32).
    uint64_t bomLength = 0;
    // The 8-bit code page for EncodingOem text and its index in TextCodePages.
    uint32_t codePage = 0;
    uint32_t codePageIndex = 0;
    // The user's EBCDIC code page and its index in EbcdicCodePages.
    uint32_t ebcdicCodePage = 0;
    uint32_t ebcdicIndex = 0;
    // Returned by the readers for input that cannot be decoded.
    wchar_t replacement = 0xFFFD;
    uint32_t openFlags = 0;

    // What data points into: the view of mapping, or the clipboard copy.
    MappedView view;
    HeapMemory copy;
};

// Opens source ("clip:" in any case, "-" for standard input, or a file name) into buffer.
// codePage 0 means the system's ANSI code page. Returns 0 when open; -1 for a missing buffer or
// source, an empty source, or any clipboard failure; otherwise the value stored in error. After a
// failure the buffer holds nothing that needs closing. Prints nothing except the console prompt
// when "-" reads from a console.
int OpenTextBuffer(TextBuffer* buffer, const wchar_t* source, uint32_t flags, uint32_t codePage);
// Opens bytes already in memory (a disk file's whole content, read by the caller) as OpenTextBuffer
// opens a file: the same code-page set-up and detection; an empty text fails with TextErrorEmpty.
// The buffer borrows the bytes, which must outlive it; name is kept as the buffer's name.
int OpenTextBufferOnBytes(TextBuffer* buffer, const wchar_t* name, const uint8_t* data, size_t size,
                          uint32_t flags, uint32_t codePage);
// Releases everything, deletes the temporary copy, clears every field except error. Returns 0.
int CloseTextBuffer(TextBuffer* buffer);

} // namespace scrutel
