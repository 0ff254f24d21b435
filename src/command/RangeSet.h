// Range options (/[s...], /[d...], /[t...], /[w:...], /[i...], /[o...], /[!...]) parsed into a
// list of records, newest first, and their evaluation against a directory entry.
#pragma once
#include <windows.h>
#include <cstdint>

namespace scrutel {

struct RangeRecord;

struct RangeSet {
    RangeRecord* first = nullptr;
};

// Parses one argument beginning "/[" or "/![" and adds its record; 0, or 1 after its message.
int ParseRangeOption(wchar_t* argument, RangeSet& ranges);
// The description range of "/I" and "/!I" (stripBracket false) or "/[i" (stripBracket true).
int ParseDescriptionRange(wchar_t* text, bool negated, bool stripBracket, RangeSet& ranges);
// Frees every record; the set is empty afterwards.
void FreeRangeSet(RangeSet& ranges);
// -1 entry or directory missing, 0 the entry passes every record (or none exist), 1 rejected.
int RangeMatches(const WIN32_FIND_DATAW* entry, const wchar_t* directory, const RangeRecord* first);

} // namespace scrutel
