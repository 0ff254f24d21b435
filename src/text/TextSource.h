// A text source held in memory: a file mapped read-only, a copy of the clipboard's Unicode text,
// or the standard input (copied to a temporary file first when it is a console or a pipe), with
// the cursor the readers of text/Encoding.h use over its bytes.
#pragma once
#include "core/Owners.h"
#include "text/TextCursor.h"

#include <windows.h>
#include <cstdint>
#include <string>

namespace scrutel {

// Open flag: let encoding detection consider EBCDIC.
inline constexpr uint32_t TextDetectEbcdic = 0x80;
// Open flag: a named source must be a disk file; a device or pipe that a name or a link leads to
// fails with ERROR_BAD_FILE_TYPE instead of being read (a read from one can wait forever).
inline constexpr uint32_t TextDiskFileOnly = 0x100;
// Open flag: map nothing. The cursor holds the first bytes of a file or standard input, as many
// as encoding detection looks at (DetectionBytes of text/Encoding.h), and ReadTextPiece reads
// what follows them: memory does not grow with the source.
inline constexpr uint32_t TextHeadOnly = 0x200;
// error value of a source that holds no bytes.
inline constexpr int32_t TextErrorEmpty = -100;

// The EBCDIC code page for the user's default locale.
uint32_t UserEbcdicCodePage();

// True when handle refers to a console. The standard-handle numbers STD_INPUT_HANDLE,
// STD_OUTPUT_HANDLE and STD_ERROR_HANDLE are accepted too. A null handle is false.
bool IsConsoleHandle(HANDLE handle);

// One open text source: what holds its bytes (the handles, the mapping or the clipboard copy) and
// the cursor the readers (text/Encoding.h) take, over those bytes. Owned by the caller; not
// copyable. Destruction closes whatever is still open.
struct TextSource {
    TextSource() = default;
    TextSource(const TextSource&) = delete;
    TextSource& operator=(const TextSource&) = delete;
    ~TextSource();

    // The bytes, their encoding and the reading position; data points into view or copy.
    TextCursor cursor;
    // The size of the whole source; more than cursor.size when only its head was read.
    uint64_t sourceSize = 0;
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
    uint32_t openFlags = 0;

    // What cursor.data points into: the view of mapping, or the clipboard copy.
    MappedView view;
    HeapMemory copy;
};

// DetectEncoding of text/Encoding.h on the source's cursor, except that the clipboard's copy (a
// source named "clip:" in any case that holds no file) is UTF-16LE whatever its bytes, with a mark
// when it starts with one.
TextEncoding DetectEncoding(TextSource& source, bool ebcdic);

// Opens name ("clip:" in any case, "-" for standard input, or a file name) into source.
// codePage 0 means the system's ANSI code page. Returns 0 when open; -1 for a missing source or
// name, an empty name, or any clipboard failure; otherwise the value stored in error (a failed read
// of the standard input too). After a failure the source holds nothing that needs closing. Prints
// nothing except the console prompt when "-" reads from a console.
int OpenTextSource(TextSource* source, const wchar_t* name, uint32_t flags, uint32_t codePage);
// Opens bytes already in memory (a disk file's whole content, read by the caller) as OpenTextSource
// opens a file: the same code-page set-up and detection; an empty text fails with TextErrorEmpty.
// The source borrows the bytes, which must outlive it; name is kept as the source's name.
int OpenTextSourceOnBytes(TextSource* source, const wchar_t* name, const uint8_t* data, size_t size,
                          uint32_t flags, uint32_t codePage);
// Reads up to capacity of the bytes after those read so far (after the head of a TextHeadOnly
// source): how many, 0 at the end, -1 when the read fails.
int64_t ReadTextPiece(TextSource& source, uint8_t* buffer, size_t capacity);
// Releases everything, deletes the temporary copy, clears every field except error. Returns 0.
int CloseTextSource(TextSource* source);

} // namespace scrutel
