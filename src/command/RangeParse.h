// Parsing the range options into records (see core/RangeSet.h), the user's date order and the
// local clock that "now" and "today" are read from.
#pragma once
#include "core/Calendar.h"
#include "core/RangeSet.h"

#include <windows.h>

namespace scrutel {

// Parses one argument beginning "/[" or "/![" and adds its record; 0, or 1 after its message.
int ParseRangeOption(wchar_t* argument, RangeSet& ranges);
// The description range of "/I" and "/!I" (stripBracket false) or "/[i" (stripBracket true).
int ParseDescriptionRange(wchar_t* text, bool negated, bool stripBracket, RangeSet& ranges);
// Frees every record; the set is empty afterwards.
void FreeRangeSet(RangeSet& ranges);
// The user's date order: 0 month-day-year, 1 day-month-year, 2 year-month-day.
int LocaleDateOrder();
// Local time for "now" and "today" of the parsers: GetLocalTime, or the fixed clock.
SYSTEMTIME RangeLocalTime();

// Seams for tests. Each returns nothing and holds until it is called again.
// A fixed local clock for "now" and "today" (null: the system clock again).
void SetRangeClock(const SYSTEMTIME* fixed);
// A fixed date order in place of the locale's (-1: the locale again).
void SetLocaleDateOrderOverride(int order);
// Lets this many record allocations succeed and fails the rest (-1: no limit).
void SetRangeAllocationLimit(int allowed);

} // namespace scrutel
