// Range options (/[s...], /[d...], /[t...], /[w:...], /[i...], /[o...], /[!...]) as records, newest
// first: what the command's parser builds and the walker's filter reads.
#pragma once
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

} // namespace scrutel
