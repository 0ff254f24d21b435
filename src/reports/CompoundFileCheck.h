// Well-formedness check of compound files and their summary property sets, over the file's bytes,
// so that a damaged document is never handed to the platform's structured-storage reader.
#pragma once
#include "core/ByteReader.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace scrutel {

// The first fault found; None when the file passed.
enum class CompoundFault {
    None,
    NotCompoundFile,     // shorter than a header or without the signature
    Header,              // byte order, versions, sector shifts, cutoff
    SectorCounts,        // FAT, DIFAT, directory or mini FAT sector counts impossible for the file size
    Difat,               // a FAT sector location or DIFAT sector outside the file, or a DIFAT loop
    Fat,                 // a FAT entry that is neither a sector of the file nor a marker
    ChainOutside,        // a chain reaches a sector outside the file or the FAT
    ChainBroken,         // a chain reaches a free, FAT or DIFAT marker before its end
    ChainLoop,           // a chain comes back to a sector it already passed
    ChainTooShort,       // a chain holds fewer sectors than its stream's size needs
    DirectoryEntry,      // bad name length, object type or size in an entry reached from the root
    DirectoryId,         // a child or sibling id outside the directory
    DirectoryLoop,       // the entry tree reaches an entry twice
    DuplicateStream,     // two property-set streams of the same name under the root
    PropertySetTooLarge, // a property-set stream larger than the check reads
    PropertySet,         // a malformed property-set stream (see PropertySetFault)
};

enum class PropertySetFault {
    None,
    Header,         // too short, byte order, version or section count
    SectionOffset,  // a section outside the stream
    SectionSize,    // section size below its header or past the stream
    PropertyCount,  // more id/offset pairs than the section holds
    PropertyOffset, // a property outside the section
    Type,           // a type the reader cannot take safely (vectors, arrays, by-reference, unknown)
    Value,          // a value running past the section
    StringLength,   // a string length of 0 (it counts the terminating NUL) or odd in a UTF-16 set
    VectorCount,    // more vector elements than the remaining bytes can hold
    CodePage,       // a code-page property that is not a 16-bit integer
    Dictionary,     // a malformed property-name dictionary
};

enum class PropertySetState {
    Absent,    // no stream of that name under the root
    Sound,     // present and well formed
    Malformed, // present and not well formed
};

// What the check found. structureSound covers the header, DIFAT, FAT, directory tree, mini FAT and
// mini stream; each property-set stream is judged on its own.
struct CompoundFileCheck {
    bool structureSound = false;
    CompoundFault fault = CompoundFault::NotCompoundFile;
    PropertySetState summary = PropertySetState::Absent;
    PropertySetState documentSummary = PropertySetState::Absent;
    PropertySetFault propertyFault = PropertySetFault::None; // of the first malformed property set
    uint16_t summaryCodePage = 0;                            // 0 when the set records none
    uint16_t documentSummaryCodePage = 0;
};

// Whether the bytes begin with the first four signature bytes of a compound file (shared by the
// current and the early signature), so that only such files need the full check.
bool StartsLikeCompoundFile(std::span<const std::byte> head);

// Checks a whole compound file. Work is linear in the file's sector count; memory is a bit per
// sector for loop detection plus the property-set streams (at most PropertySetByteLimit each).
CompoundFileCheck CheckCompoundFile(std::span<const std::byte> file);

// Property-set streams larger than this are refused rather than read.
inline constexpr size_t PropertySetByteLimit = 16u << 20;

struct PropertySetCheck {
    PropertySetFault fault = PropertySetFault::None;
    uint16_t codePage = 0; // of the first section; 0 when it records none
};

// Checks a property-set stream. Vectors are accepted only when allowVectors is set (the document
// summary set uses them; the summary set never does), and then only when their element count fits
// the remaining bytes.
PropertySetCheck CheckPropertySet(std::span<const std::byte> stream, bool allowVectors);

} // namespace scrutel
