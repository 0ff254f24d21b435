// The system's side of the range options: the user's date order from the locale and the local
// clock, for the parsers' context.
#pragma once
#include "command/RangeParse.h"

namespace scrutel {

// The user's date order: 0 month-day-year, 1 day-month-year, 2 year-month-day.
int LocaleDateOrder();
// The locale's date order and the local time now.
ParseContext SystemParseContext();

} // namespace scrutel
