// Time stamps as report text: the calendar fields of a FILETIME in the three zone modes, and
// the "Tue 2024-03-05  14:07:09.250  UTC" form of the time-stamp lines.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace scrutel {

// "Sun" to "Sat" for 0 to 6; "XXX" for anything else.
const wchar_t* DayName(unsigned dayOfWeek);

// Calendar fields of stamp in the current time zone: TimeZoneUtc converts directly;
// TimeZoneLocal applies the daylight-saving rule in force at the stamp's date; any other mode
// applies the bias in force now. False when the stamp cannot be converted.
bool StampToFields(const FILETIME& stamp, int32_t mode, SYSTEMTIME& fields);

// The same in a given zone, with "now" given for the bias of the default mode.
bool StampToFieldsInZone(const FILETIME& stamp, int32_t mode, const TIME_ZONE_INFORMATION& zone, const FILETIME& now,
                         SYSTEMTIME& fields);

// "Day YYYY-MM-DD  hh:mm:ss", then ".mmm" when fractional and "  UTC" when utc. Returns the
// number of characters written, or -1 when capacity is too small.
int FormatStampFields(const SYSTEMTIME& fields, bool fractional, bool utc, wchar_t* out, size_t capacity);

// Prints label, then the stamp in the given mode ("(none)" for 0), and ends the line. Returns
// the result of EndLine(1).
int PrintTimeStamp(const FILETIME& stamp, const wchar_t* label, int32_t mode, bool fractional);

} // namespace scrutel
