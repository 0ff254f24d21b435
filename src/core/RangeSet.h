// Range options (/[s...], /[d...], /[t...], /[w:...], /[i...], /[o...], /[!...]) as records, newest
// first: what the command's parser builds and the walker's filter reads.
#pragma once
#include "core/Utf16.h"

#include <cstdint>
#include <vector>

namespace scrutel {

// Which file time a time, date or day-of-week record tests.
enum RangeStamp : uint16_t {
    StampLastWrite = 0,  // letter W, the default
    StampLastAccess = 1, // letter A
    StampCreation = 2,   // letter C
};

// toSecond of a date record whose last day counts whole.
inline constexpr uint32_t WholeDay = 0xFFFFFFFFu;

// One parsed range option. Every kind has a kind letter; the other fields are those of its kind
// and stay 0 (or empty) otherwise:
//   'S' size:        negate, low, high (byte counts, inclusive)
//   'T' time of day: negate, stamp, fromSecond, toSecond (seconds since local midnight, inclusive)
//   'D' date:        negate, stamp, fromDay, toDay (DayNumber values), fromSecond (on fromDay),
//                    toSecond (on toDay; WholeDay for the whole day)
//   'W' day of week: stamp, dayMask (bit 0 Sunday .. bit 6 Saturday; negation already applied)
//   'I' description, 'O' owner: negate, pattern
//   '!' exclusion:   pattern
struct RangeRecord {
    char16_t kind = 0;
    uint16_t stamp = 0;
    uint16_t dayMask = 0;
    int32_t negate = 0;
    uint32_t fromDay = 0;
    uint32_t toDay = 0;
    uint32_t fromSecond = 0;
    uint32_t toSecond = 0;
    uint64_t low = 0;
    uint64_t high = 0;
    U16String pattern;
};

// The records of one command, newest first: the order in which the filter tests them.
struct RangeSet {
    std::vector<RangeRecord> records;
};

} // namespace scrutel
