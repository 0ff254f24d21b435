// Whether a file may be handed to the platform's compound-file readers: files that start like a
// compound file are read once, read-only, and checked before any system reader sees them.
#pragma once
#include "reports/CompoundFileFit.h"

namespace scrutel {

// True when path may be handed to reader: a file that does not start like a compound file (the
// platform opens it its own way, or not at all), one that cannot be opened here (the system's
// own open fails the same way), or a compound file that passes the check.
bool MayHandToCompoundFileReader(const wchar_t* path, CompoundFileReader reader);

// Whether the file has data streams other than its main one; true when that cannot be told.
bool HasOtherDataStreams(const wchar_t* path);
// The summary reader's gate from a probe: false for a file in which the reader cannot find
// anything, else MayHandToCompoundFileReader, with the check run over the probe's bytes when
// they are the whole file.
class FileProbe;
bool MayHandToSummaryReader(FileProbe& probe);

} // namespace scrutel
