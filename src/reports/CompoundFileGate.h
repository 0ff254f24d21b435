// Whether a file may be handed to the platform's compound-file readers: files that start like a
// compound file are read once, read-only, and checked before any system reader sees them.
#pragma once
#include "reports/CompoundFileCheck.h"

namespace scrutel {

// The system readers that parse compound files for a report section.
enum class CompoundFileReader {
    SummaryProperties, // structured storage's summary-information property set
    PropertyStore,     // the property system, which reads both summary property sets
};

// Whether check allows handing the file to reader. isValidCodePage says whether the platform
// knows a code page (UTF-16, 1200, is always accepted).
bool CompoundFileFitFor(const CompoundFileCheck& check, CompoundFileReader reader,
                        bool (*isValidCodePage)(uint16_t codePage));

// True when path may be handed to reader: a file that does not start like a compound file (the
// platform opens it its own way, or not at all), one that cannot be opened here (the system's
// own open fails the same way), or a compound file that passes the check.
bool MayHandToCompoundFileReader(const wchar_t* path, CompoundFileReader reader);

// Whether the summary-information reader can find anything in a file: one that starts like a
// compound file, or one with alternate data streams (on NTFS the reader also opens property sets
// kept in streams beside a plain file). A plain file with only its main data holds none.
bool SummaryReaderMayFindAnything(bool compoundSignature, bool otherStreams);
// Whether the file has data streams other than its main one; true when that cannot be told.
bool HasOtherDataStreams(const wchar_t* path);
// The summary reader's gate from a probe: false for a file in which the reader cannot find
// anything, else MayHandToCompoundFileReader, with the check run over the probe's bytes when
// they are the whole file.
class FileProbe;
bool MayHandToSummaryReader(FileProbe& probe);

} // namespace scrutel
