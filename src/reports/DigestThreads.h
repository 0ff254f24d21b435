// The checksum section on several threads: the file is still read once, in order, by the host's
// thread, and each block is handed to every computation (lane) of a ChecksumSet; a small pool of
// threads, the host's among them, takes whichever lane has a block waiting. A lane is only ever
// fed by one thread at a time and sees the blocks in order, so every digest is the one-thread
// digest. No pool thread touches the console or the host, and none outlives the file.
#pragma once
#include "core/ThreadBudget.h"
#include "reports/ChecksumSet.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace scrutel {

// The pool size from SCRUTEL_THREADS: a number from 1 to 64 (1: everything on the host's
// thread), anything else or unset: the processor count.
unsigned DigestThreadSetting();
// The pool size for a value of SCRUTEL_THREADS (null when unset) and a processor count.
unsigned ParseThreadSetting(const wchar_t* value, unsigned processors);

// Below this size a file is hashed on the host's thread. Starting and joining a thread costs about
// 0.9 ms under Wine; a second thread saves the default CRC-32 + MD5 about 0.45 ms per MiB (the
// CRC and the reading overlap MD5), so it pays from about 2 MiB; 4 MiB leaves a margin. The six
// digests gain far more per MiB, but a tree of small files must not pay for threads.
inline constexpr uint64_t ThreadedHashMinBytes = 4u << 20;
// Blocks of the threaded read, and how many may be in flight (bounded memory: 8 MiB).
inline constexpr size_t ThreadedBlockBytes = 1u << 20;
inline constexpr size_t ThreadedBlocksInFlight = 8;

// HashSource's contract on threads threads in all (the calling thread included): the same
// results and return codes, ABORTED within one block's time of an interruption. Every thread it
// starts has ended when it returns, on every path.
int HashSourceThreaded(ChecksumSource& source, HashLanes& set, unsigned threads,
                       size_t blockBytes = ThreadedBlockBytes,
                       size_t blocksInFlight = ThreadedBlocksInFlight);

// HashSource or HashSourceThreaded, as the file's size (expectedSize, as the caller last saw it)
// and the thread count decide (0: DigestThreadSetting); block is the one-thread path's buffer.
// With a budget (a report worker's), the threads are the caller and what it can borrow now.
int HashSourceFor(ChecksumSource& source, ChecksumSet& set, std::span<std::byte> block, uint64_t expectedSize,
                  unsigned threads = 0, ThreadBudget* budget = nullptr);

} // namespace scrutel
