// Range options (/[s...], /[d...], /[t...], /[w:...], /[i...], /[o...], /[!...]) parsed into a
// list of records, newest first, and their evaluation against a directory entry.
#pragma once
#include <windows.h>
#include <cstdint>

namespace scrutel {

// Which file time a time, date or day-of-week record tests.
enum RangeStamp : uint16_t {
    StampLastWrite = 0,  // letter W, the default
    StampLastAccess = 1, // letter A
    StampCreation = 2,   // letter C
};

// toSecond of a date record whose last day counts whole.
inline constexpr uint32_t WholeDay = 0xFFFFFFFFu;

// One parsed range option. Every kind uses the common head (next, kind); the other fields are
// those of its kind and stay 0 otherwise:
//   'S' size:        negate, low, high (byte counts, inclusive)
//   'T' time of day: negate, stamp, fromSecond, toSecond (seconds since local midnight, inclusive)
//   'D' date:        negate, stamp, fromDay, toDay (DayNumber values), fromSecond (on fromDay),
//                    toSecond (on toDay; WholeDay for the whole day)
//   'W' day of week: stamp, dayMask (bit 0 Sunday .. bit 6 Saturday; negation already applied)
//   'I' description, 'O' owner: negate, Pattern()
//   '!' exclusion:   Pattern()
// Records with a pattern are allocated with room for it: the text and its terminating 0 follow
// the record in the same allocation.
struct RangeRecord {
    RangeRecord* next;
    wchar_t kind;
    uint16_t stamp;
    uint16_t dayMask;
    int32_t negate;
    uint32_t fromDay;
    uint32_t toDay;
    uint32_t fromSecond;
    uint32_t toSecond;
    uint64_t low;
    uint64_t high;

    const wchar_t* Pattern() const { return reinterpret_cast<const wchar_t*>(this + 1); }
    wchar_t* Pattern() { return reinterpret_cast<wchar_t*>(this + 1); }
};

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

// Fills output (8192 characters, not the path's buffer) with the host's description of path:
// 0 done, 1 the host could not expand it, 2 path empty or not existing, 111 too long for the
// buffer, -1 missing or shared buffer.
int LookupDescription(const wchar_t* path, wchar_t* output);
// The host expression for path's description in buffer (8192 characters): 0, or 111 when it
// does not fit.
int DescriptionExpression(const wchar_t* path, wchar_t* buffer);

// The Gregorian day number with 1 January 1601 as day 1; modulo 7 it is the day of the week
// (0 Sunday). Month 1 to 12; out-of-range months count no days before them.
uint32_t DayNumber(unsigned year, unsigned month, unsigned day);
// Days in a month of a year (0 for a month outside 1 to 12).
unsigned DaysInMonth(unsigned year, unsigned month);
// The user's date order: 0 month-day-year, 1 day-month-year, 2 year-month-day.
int LocaleDateOrder();
// The date order from the locale's LOCALE_IDATE text; anything unreadable counts as 0.
int DateOrderFromText(const wchar_t* text);

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
