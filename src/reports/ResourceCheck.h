// Whether a program's version resource may be handed to the system's version reader: a pure
// check of the PE or NE resource structures over the file's bytes, and the read that maps them.
#pragma once
#include "core/ByteReader.h"

#include <cstddef>
#include <cstdint>

namespace scrutel {

enum class VersionResourceVerdict {
    Absent,  // no version resource the system's reader would find: no need to ask it
    Present, // a version resource whose every structure lies inside the file
    Damaged, // a structure the system's reader would follow lies outside the file or is absurd
};

struct VersionResourceCheck {
    VersionResourceVerdict verdict = VersionResourceVerdict::Absent;
    const char* reason = "";    // why the verdict was reached, for tests and diagnostics
    uint32_t resourceBytes = 0; // the largest candidate version resource, when Present
};

// A version block starts with a VS_VERSIONINFO record whose length is a 16-bit field, so a
// version resource (padded to four bytes) never exceeds 64 KiB.
inline constexpr uint32_t MaxVersionResourceBytes = 0x10000;

// Checks the bytes of a whole file: the MZ header and its new-header offset; for PE the file and
// optional headers, the section table, every section's raw data and size, the resource
// directory from the root down to RT_VERSION, id 1 and each language, and each data entry; for
// NE the segment and resource tables, the alignment shift and the version resource's extent.
// Other formats (plain MZ, LE, LX, non-MZ files) are Absent: the reader finds nothing in them.
VersionResourceCheck CheckVersionResource(const ByteReader& file);

#if defined(_WIN32)
// Opens path, maps it read-only and checks it. A file that cannot be opened, is empty or does
// not start with "MZ" is Absent (the system's reader would find nothing in it either).
VersionResourceCheck CheckVersionResourceFile(const wchar_t* path);
// The same check from a probe: from the bytes it holds when they are the whole file or do not
// start with "MZ", else (or when the probe cannot read the file) by path as above.
class FileProbe;
VersionResourceCheck CheckVersionResourceFile(FileProbe& probe);
#endif

} // namespace scrutel
