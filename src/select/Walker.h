// The file walker: resolves a file specification, enumerates and filters directory entries,
// calls the per-file handler, and descends into subdirectories with /S.
#pragma once
#include "core/RangeSet.h"
#include "core/ScanSettings.h"

#include <windows.h>
#include <cstdint>
#include <string>

namespace scrutel {

// Added by the walker itself: the specification is already a resolved full path.
inline constexpr uint32_t WalkSpecResolved = 0x200;
// Added by the walker itself: a folder on the specification's path has a name that only the
// long form reaches (NameNeedsLongForm), so its directory part takes that form.
inline constexpr uint32_t WalkLongForm = 0x800;

// What the command line says about selecting files, for one walk.
struct WalkOptions {
    uint32_t omitMask = 0;  // passed on to the handler
    uint32_t walkFlags = 0; // WalkRecurse, WalkNameLists, ...
    uint32_t attributeMask = 0;
    uint32_t attributeValues = 0;     // an entry is taken when (attributes & mask) == (values & mask)
    const RangeSet* ranges = nullptr; // null: no range options
    int minDepth = 0;                 // folders below the specification's to skip before reporting
    int maxDepth = -1;                // folders below it to descend into; -1: no limit
};

// Walks one file specification (a path whose last component may hold wildcards and "|"
// alternatives, or "@" and a list file). ABORTED, 0 files selected and all reported, -1 missing
// specification or enumeration error, 1 nothing selected, or the last handler failure.
int WalkFileSpec(const wchar_t* spec, const WalkOptions& options, ScanSettings& settings,
                 FileHandler handler);

// 0 when name matches pattern; with lists, pattern holds "|"-separated alternatives.
int MatchName(const wchar_t* pattern, const wchar_t* name, bool lists);

// Calls handler inside the exception guard: an exception that escapes it is reported with
// ReportHandlerException and taken as ABORTED.
int CallFileHandler(FileHandler handler, const wchar_t* path, uint32_t omitMask, ScanSettings& settings);

// The colour change around the exception report; returns the attribute to restore (7 when the
// console cannot be opened, in which case nothing changed).
WORD ExceptionColour();
void RestoreConsoleAttribute(WORD attribute);
// Writes the report of an exception that escaped the handler for path.
void ReportHandlerException(const wchar_t* path, uint32_t omitMask);

// Pure parts of the exception report: the attribute chosen for a current attribute, and the text.
WORD ExceptionAttribute(WORD current);
std::wstring FormatHandlerException(const wchar_t* path, uint32_t omitMask);

} // namespace scrutel
