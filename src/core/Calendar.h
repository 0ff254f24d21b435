// Calendar arithmetic of the range options and the image dates: day numbers and month lengths,
// and the date order named by a locale's text.
#pragma once
#include <cstdint>

namespace scrutel {

// The Gregorian day number with 1 January 1601 as day 1; modulo 7 it is the day of the week
// (0 Sunday). Month 1 to 12; out-of-range months count no days before them.
uint32_t DayNumber(unsigned year, unsigned month, unsigned day);
// Days in a month of a year (0 for a month outside 1 to 12).
unsigned DaysInMonth(unsigned year, unsigned month);
// The date order from the locale's LOCALE_IDATE text; anything unreadable counts as 0.
int DateOrderFromText(const wchar_t* text);

} // namespace scrutel
