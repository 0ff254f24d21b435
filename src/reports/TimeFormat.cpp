// Conversion of FILETIME stamps to calendar fields in the three zone modes, and their text form.
#include "reports/TimeFormat.h"

#include "core/ScanSettings.h"

#include <cstdio>

namespace scrutel {

namespace {

uint64_t Ticks(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

FILETIME FromTicks(uint64_t ticks) {
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(ticks);
    t.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return t;
}

// The offset of local time from UTC in 100-nanosecond units at the instant utcNow.
bool OffsetAt(const TIME_ZONE_INFORMATION& zone, const FILETIME& utcNow, int64_t& offset) {
    SYSTEMTIME utcFields, localFields;
    FILETIME utc, local;
    // Both sides go through calendar fields (whole milliseconds), so that the difference is
    // exactly the zone's offset.
    if (!FileTimeToSystemTime(&utcNow, &utcFields)) return false;
    if (!SystemTimeToTzSpecificLocalTime(&zone, &utcFields, &localFields)) return false;
    if (!SystemTimeToFileTime(&utcFields, &utc) || !SystemTimeToFileTime(&localFields, &local)) return false;
    offset = static_cast<int64_t>(Ticks(local) - Ticks(utc));
    return true;
}

} // namespace

const wchar_t* DayName(unsigned dayOfWeek) {
    static const wchar_t* const names[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    return dayOfWeek < 7 ? names[dayOfWeek] : L"XXX";
}

bool StampToFields(const FILETIME& stamp, int32_t mode, SYSTEMTIME& fields) {
    if (mode == TimeZoneUtc) return FileTimeToSystemTime(&stamp, &fields) != FALSE;
    if (mode == TimeZoneLocal) {
        SYSTEMTIME utc;
        if (!FileTimeToSystemTime(&stamp, &utc)) return false;
        return SystemTimeToTzSpecificLocalTime(nullptr, &utc, &fields) != FALSE;
    }
    FILETIME local;
    if (!FileTimeToLocalFileTime(&stamp, &local)) return false;
    return FileTimeToSystemTime(&local, &fields) != FALSE;
}

bool StampToFieldsInZone(const FILETIME& stamp, int32_t mode, const TIME_ZONE_INFORMATION& zone,
                         const FILETIME& now, SYSTEMTIME& fields) {
    if (mode == TimeZoneUtc) return FileTimeToSystemTime(&stamp, &fields) != FALSE;
    if (mode == TimeZoneLocal) {
        SYSTEMTIME utc;
        if (!FileTimeToSystemTime(&stamp, &utc)) return false;
        return SystemTimeToTzSpecificLocalTime(&zone, &utc, &fields) != FALSE;
    }
    int64_t offset = 0;
    if (!OffsetAt(zone, now, offset)) return false;
    uint64_t ticks = Ticks(stamp);
    if (offset < 0 && ticks < static_cast<uint64_t>(-offset)) return false;
    FILETIME local = FromTicks(ticks + static_cast<uint64_t>(offset));
    return FileTimeToSystemTime(&local, &fields) != FALSE;
}

int FormatStampFields(const SYSTEMTIME& fields, bool fractional, bool utc, wchar_t* out, size_t capacity) {
    if (!out || capacity == 0) return -1;
    int n =
        _snwprintf(out, capacity, L"%s %04u-%02u-%02u  %02u:%02u:%02u", DayName(fields.wDayOfWeek),
                   fields.wYear, fields.wMonth, fields.wDay, fields.wHour, fields.wMinute, fields.wSecond);
    if (n < 0 || static_cast<size_t>(n) >= capacity) {
        out[0] = L'\0';
        return -1;
    }
    if (fractional) {
        int m = _snwprintf(out + n, capacity - n, L".%03u", fields.wMilliseconds);
        if (m < 0 || static_cast<size_t>(m) >= capacity - n) {
            out[0] = L'\0';
            return -1;
        }
        n += m;
    }
    if (utc) {
        int m = _snwprintf(out + n, capacity - n, L"  UTC");
        if (m < 0 || static_cast<size_t>(m) >= capacity - n) {
            out[0] = L'\0';
            return -1;
        }
        n += m;
    }
    return n;
}

} // namespace scrutel
