// The file walker: resolves a file specification, enumerates and filters directory entries,
// calls the per-file handler, and descends into subdirectories with /S.
#pragma once
#include "command/RangeSet.h"
#include "command/ScanSettings.h"

#include <windows.h>
#include <cstdint>

namespace scrutel {

int WalkFileSpec(const wchar_t* spec, uint32_t omitMask, ScanSettings& settings, FileHandler handler,
                 uint32_t walkFlags, uint32_t attributeMask, uint32_t attributeValues, const RangeSet& ranges,
                 int minDepth, int maxDepth);

// The colour change around the exception report; returns the attribute to restore.
WORD ExceptionColour();
void RestoreConsoleAttribute(WORD attribute);
// Writes the report of an exception that escaped the handler for path.
void ReportHandlerException(const wchar_t* path, uint32_t omitMask);

} // namespace scrutel
