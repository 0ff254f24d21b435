// Parsing the range options into records (see core/RangeSet.h). Pure: the user's date order and
// the local clock that "now" and "today" are read from come with the call.
#pragma once
#include "command/ArgumentError.h"
#include "core/Calendar.h"
#include "core/RangeSet.h"
#include "core/Utf16.h"

#include <cstddef>
#include <cstdint>

namespace scrutel {

// A local date and time of day.
struct CivilTime {
    unsigned year = 1601;
    unsigned month = 1;
    unsigned day = 1;
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
};

// What the range parsers need from the system.
struct ParseContext {
    int dateOrder = 0; // the user's date order: 0 month-day-year, 1 day-month-year, 2 year-month-day
    CivilTime now;     // local time for "now" and "today"
    // The most records a set may hold: the parser answers that it cannot allocate a record beyond
    // it, as it does when memory runs out.
    size_t recordLimit = SIZE_MAX;
};

// Parses one argument beginning "/[" or "/![" and adds its records in front of the others.
ParseStatus ParseRangeOption(U16View argument, RangeSet& ranges, const ParseContext& context);
// The description range of "/I" and "/!I" (stripBracket false) or "/[i" (stripBracket true).
ParseStatus ParseDescriptionRange(U16View text, bool negated, bool stripBracket, RangeSet& ranges,
                                  const ParseContext& context);

} // namespace scrutel
