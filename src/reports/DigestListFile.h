// Digest lists on files: checking the files a list names against it (/V:), and the list output's
// per-file handler (/L:). Both hash through the checksum section's engine.
#pragma once
#include "core/ScanSettings.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace scrutel {

struct ChecksumResults;

// Reads the digest list listName line by line and checks every file it names (relative names
// from the list's folder), one read per run of consecutive lines that name the same file. Prints
// "name: OK", "name: FAILED", "name: missing" or "name: unreadable" for each, then the count
// line; each malformed line is named by its number on standard error and counted. 0 when at least
// one file was checked and every file was OK and every line readable; 2 otherwise (also when the
// list cannot be opened or read); ABORTED when the user interrupted.
int CheckDigestList(const wchar_t* listName, ScanSettings& settings);

// The walker's FileHandler of the list output: one list line for path with the digest
// settings.hashMask names (one kind), its name relative to settings.listFolder where it is below
// it. 0 after counting the file, 2 not a file or unreadable (with a message), ABORTED.
int WriteDigestListLine(const wchar_t* path, uint32_t omitMask, ScanSettings& settings);

// The value of one digest kind among results (CRC-32 and cksum big-endian): its length, or 0
// when that digest was not computed.
size_t ResultDigest(const ChecksumResults& results, uint32_t kind, std::array<uint8_t, 64>& digest);

} // namespace scrutel
