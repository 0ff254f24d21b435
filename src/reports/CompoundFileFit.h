// Which of the platform's compound-file readers a checked file may be handed to: the verdict
// from the well-formedness check and the code pages its property sets name.
#pragma once
#include "reports/CompoundFileCheck.h"

#include <cstdint>

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

// Whether the summary-information reader can find anything in a file: one that starts like a
// compound file, or one with alternate data streams (on NTFS the reader also opens property sets
// kept in streams beside a plain file). A plain file with only its main data holds none.
bool SummaryReaderMayFindAnything(bool compoundSignature, bool otherStreams);

} // namespace scrutel
