// How one read of a stream that is being copied ended (the standard input when it is a console or
// a pipe): bytes to keep with more to come, the normal end of the input, or a failure.
#pragma once
#include <cstdint>

namespace scrutel {

enum class ReadOutcome {
    Data,   // keep the bytes read and read again
    End,    // the input is complete
    Failed, // the input cannot be read to its end: what was copied is not the whole text
};

// System error codes, with their Windows values, that do not make a failed read a failure.
// A read at the end of a file.
inline constexpr uint32_t ReadErrorHandleEof = 38;
// A read from a pipe whose writer has closed its end: the normal end of piped input.
inline constexpr uint32_t ReadErrorBrokenPipe = 109;
// A read of a pipe message longer than the read: the bytes delivered are the first part, the rest
// follows with the next read.
inline constexpr uint32_t ReadErrorMoreData = 234;

// The outcome of one read: succeeded is what the read returned, bytesRead how many bytes it
// delivered, error the system error code after a failed read. A successful read of no bytes is the
// end (a pipe or console at its end); a failed read delivers bytes only with ReadErrorMoreData.
ReadOutcome ClassifyRead(bool succeeded, uint32_t bytesRead, uint32_t error);

} // namespace scrutel
