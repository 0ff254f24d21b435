// Parsing of the range options into RangeRecord nodes: the dispatcher, one parser per kind
// (size, time of day, date, day of week, description, owner, exclusion), and freeing the list.
#include "command/RangeParse.h"

#include "plugin/ErrorReport.h"
#include "plugin/HostApi.h"

#include <cstdlib>
#include <cwchar>
#include <cwctype>

namespace scrutel {

namespace {

int g_allocationsAllowed = -1;

constexpr uint32_t SecondsPerDay = 86400;
constexpr size_t MaxExclusionPattern = 8191;
constexpr size_t MaxDayWord = 1023;

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}
bool IsBlank(wchar_t c) {
    return c != 0 && iswspace(c);
}
wchar_t Upper(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
}

// Prints a message that shows text; the text is upper-cased in place first.
int Fail(const wchar_t* format, wchar_t* text) {
    CharUpperW(text);
    PrintErrorPrefix();
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), format, text);
    return 1;
}

int FailAllocation(const wchar_t* message) {
    PrintErrorPrefix();
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"%s", message);
    return 1;
}

// A zero-filled record with room for patternChars characters and a terminating 0 after it.
RangeRecord* NewRecord(wchar_t kind, size_t patternChars = 0) {
    if (g_allocationsAllowed == 0) return nullptr;
    if (g_allocationsAllowed > 0) --g_allocationsAllowed;
    size_t bytes = sizeof(RangeRecord) + (patternChars + 1) * sizeof(wchar_t);
    auto* record = static_cast<RangeRecord*>(std::calloc(1, bytes));
    if (record) record->kind = kind;
    return record;
}

void Push(RangeSet& ranges, RangeRecord* record) {
    record->next = ranges.first;
    ranges.first = record;
}

// A run of decimal digits; false when there is none or it does not fit 64 bits.
bool ReadNumber(const wchar_t*& p, uint64_t& value) {
    if (!IsDigit(*p)) return false;
    value = 0;
    for (; IsDigit(*p); ++p) {
        uint64_t digit = static_cast<uint64_t>(*p - L'0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

// A size: digits and an optional suffix letter, binary in upper case, decimal in lower case.
// A size that does not fit 64 bits is unreadable rather than wrapped.
bool ReadSize(const wchar_t*& p, uint64_t& value) {
    if (!ReadNumber(p, value)) return false;
    uint64_t factor = 1;
    switch (*p) {
    case L'K':
        factor = 1ull << 10;
        break;
    case L'M':
        factor = 1ull << 20;
        break;
    case L'G':
        factor = 1ull << 30;
        break;
    case L'T':
        factor = 1ull << 40;
        break;
    case L'P':
        factor = 1ull << 50;
        break;
    case L'k':
        factor = 1000ull;
        break;
    case L'm':
        factor = 1000000ull;
        break;
    case L'g':
        factor = 1000000000ull;
        break;
    case L't':
        factor = 1000000000000ull;
        break;
    case L'p':
        factor = 1000000000000000ull;
        break;
    default:
        return true;
    }
    if (value > UINT64_MAX / factor) return false;
    value *= factor;
    ++p;
    return true;
}

// The optional stamp letter of time, date and day-of-week ranges.
uint16_t ReadStamp(const wchar_t*& p) {
    switch (Upper(*p)) {
    case L'W':
        ++p;
        return StampLastWrite;
    case L'A':
        ++p;
        return StampLastAccess;
    case L'C':
        ++p;
        return StampCreation;
    default:
        return StampLastWrite;
    }
}

// A bound of a time or date range: its second of the day and whether it was written with
// seconds (only a time of day with seconds is; relative bounds and "now" are not).
struct TimeOfDay {
    uint32_t second = 0;
    bool hasSeconds = false;
};

// hours ":"|"." minutes [":"|"." seconds] ["A"|"P" ["M"]]; false when unreadable.
bool ReadTimeOfDay(const wchar_t*& p, TimeOfDay& time) {
    uint64_t hours = 0, minutes = 0, seconds = 0;
    if (!ReadNumber(p, hours)) return false;
    if (*p != L':' && *p != L'.') return false;
    ++p;
    if (!ReadNumber(p, minutes)) return false;
    bool hasSeconds = false;
    if (*p == L':' || *p == L'.') {
        ++p;
        if (!ReadNumber(p, seconds)) return false;
        hasSeconds = true;
    }
    if (minutes > 59 || seconds > 59) return false;
    wchar_t half = Upper(*p);
    if (half == L'A' || half == L'P') {
        if (hours < 1 || hours > 12) return false;
        ++p;
        if (Upper(*p) == L'M') ++p;
        if (hours == 12) hours = 0;
        if (half == L'P') hours += 12;
    } else if (hours > 23) {
        return false;
    }
    time.second = static_cast<uint32_t>(hours * 3600 + minutes * 60 + seconds);
    time.hasSeconds = hasSeconds;
    return true;
}

// "+n" or "-n" minutes from base: "+n" wraps at midnight, "-n" stops at midnight.
bool ReadRelativeTime(const wchar_t*& p, uint32_t base, TimeOfDay& time) {
    wchar_t sign = *p++;
    uint64_t minutes = 0;
    if (!ReadNumber(p, minutes)) return false;
    if (sign == L'+') {
        time.second = static_cast<uint32_t>((base + (minutes % 1440) * 60) % SecondsPerDay);
    } else {
        time.second = (minutes >= SecondsPerDay || minutes * 60 >= base)
                          ? 0
                          : base - static_cast<uint32_t>(minutes * 60);
    }
    time.hasSeconds = false;
    return true;
}

// "+n" or "-n" days from base: never below day 0, never beyond the largest day number.
bool ReadRelativeDay(const wchar_t*& p, uint32_t base, uint32_t& day) {
    wchar_t sign = *p++;
    uint64_t days = 0;
    if (!ReadNumber(p, days)) return false;
    if (sign == L'+')
        day = days >= UINT32_MAX - base ? UINT32_MAX : base + static_cast<uint32_t>(days);
    else
        day = days >= base ? 0 : base - static_cast<uint32_t>(days);
    return true;
}

// Three numbers separated by "/", "-" or "." in year-first order, or else the locale's order.
bool ReadDate(const wchar_t*& p, uint32_t& day) {
    uint64_t n[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (*p != L'/' && *p != L'-' && *p != L'.') return false;
            ++p;
        }
        if (!ReadNumber(p, n[i])) return false;
    }
    uint64_t year, month, dayOfMonth;
    int order = (n[0] >= 1601 && n[0] <= 9999) ? 2 : LocaleDateOrder();
    switch (order) {
    case 1:
        dayOfMonth = n[0], month = n[1], year = n[2];
        break;
    case 2:
        year = n[0], month = n[1], dayOfMonth = n[2];
        break;
    default:
        month = n[0], dayOfMonth = n[1], year = n[2];
        break;
    }
    if (year < 80)
        year += 2000;
    else if (year < 100)
        year += 1900;
    if (year < 1601 || year > 9999 || month < 1 || month > 12) return false;
    unsigned y = static_cast<unsigned>(year), m = static_cast<unsigned>(month);
    if (dayOfMonth < 1 || dayOfMonth > DaysInMonth(y, m)) return false;
    day = DayNumber(y, m, static_cast<unsigned>(dayOfMonth));
    return true;
}

uint32_t NowSecond() {
    SYSTEMTIME now = RangeLocalTime();
    return now.wHour * 3600u + now.wMinute * 60u;
}

uint32_t Today() {
    SYSTEMTIME now = RangeLocalTime();
    return DayNumber(now.wYear, now.wMonth, now.wDay);
}

int ParseSizeRange(wchar_t* text, bool negated, RangeSet& ranges) {
    const wchar_t* p = text;
    if (*p == L':' || *p == L'=') ++p;
    if (wcscmp(p, L"]") == 0) return 0;
    uint64_t low = 0, high = UINT64_MAX;
    bool ok = true;
    if (IsDigit(*p)) ok = ReadSize(p, low);
    if (ok && *p == L',') ++p;
    bool relative = false;
    if (ok && *p == L'+' && IsDigit(p[1])) {
        relative = true;
        ++p;
    }
    if (ok && IsDigit(*p)) {
        uint64_t value = 0;
        ok = ReadSize(p, value);
        // A relative upper bound that would pass the largest size stops there.
        if (ok) high = !relative ? value : (value > UINT64_MAX - low ? UINT64_MAX : low + value);
    }
    if (!ok || wcscmp(p, L"]") != 0) return Fail(L"Bad size range: \"%s\"\r\n", text);
    if (low > high) {
        uint64_t t = low;
        low = high;
        high = t;
    }
    RangeRecord* record = NewRecord(L'S');
    if (!record) return FailAllocation(L"Can\u2019t allocate size range structure\r\n");
    record->negate = negated ? 1 : 0;
    record->low = low;
    record->high = high;
    Push(ranges, record);
    return 0;
}

// The unit of "-n" in a time bound is minutes, as for "+n"; a relative bound has no seconds of
// its own, so as the upper bound it covers its whole minute.
int ParseTimeRange(wchar_t* text, bool negated, RangeSet& ranges) {
    if (wcscmp(text, L"]") == 0) return 0;
    const wchar_t* p = text;
    uint16_t stamp = ReadStamp(p);
    if (*p == L':' || *p == L'=') ++p;
    const uint32_t now = NowSecond();
    TimeOfDay first, second;
    bool ok = true;
    if (IsDigit(*p))
        ok = ReadTimeOfDay(p, first);
    else if (*p == L'+' || *p == L'-')
        ok = ReadRelativeTime(p, now, first);
    else if (*p == L',' || *p == L']')
        first.second = now;
    else
        ok = false;
    if (ok && *p == L',') ++p;
    if (ok) {
        if (IsDigit(*p))
            ok = ReadTimeOfDay(p, second);
        else if (*p == L'+' || *p == L'-')
            ok = ReadRelativeTime(p, first.second, second);
        else if (*p == L']')
            second.second = now;
        else
            ok = false;
    }
    if (!ok || wcscmp(p, L"]") != 0) return Fail(L"Bad time range: \"%s\"\r\n", text);
    if (first.second > second.second) {
        TimeOfDay t = first;
        first = second;
        second = t;
    }
    RangeRecord* record = NewRecord(L'T');
    if (!record) return FailAllocation(L"Can\u2019t allocate time range structure\r\n");
    record->negate = negated ? 1 : 0;
    record->stamp = stamp;
    record->fromSecond = first.second;
    record->toSecond = second.second + (second.hasSeconds ? 0 : 59);
    Push(ranges, record);
    return 0;
}

struct DateBound {
    uint32_t day = 0;
    bool hasTime = false;
    TimeOfDay time;
};

// The optional "@" time of a date bound; false when a time is announced but unreadable.
bool ReadBoundTime(const wchar_t*& p, DateBound& bound) {
    if (*p != L'@') return true;
    ++p;
    bound.hasTime = ReadTimeOfDay(p, bound.time);
    return bound.hasTime;
}

// Whether bound a's time is later than b's, a missing time counting as later than any time.
bool TimeLater(const DateBound& a, const DateBound& b) {
    uint64_t ta = a.hasTime ? a.time.second : UINT64_MAX;
    uint64_t tb = b.hasTime ? b.time.second : UINT64_MAX;
    return ta > tb;
}

// When the bounds are written in reverse order they are exchanged whole: each time of day, and
// whether it had seconds, stays with the day it was written with. The earlier bound then gives
// fromSecond (0 without a time), the later one toSecond (its minute's end without seconds, the
// whole day without a time).
int ParseDateRange(wchar_t* text, bool negated, RangeSet& ranges) {
    if (wcscmp(text, L"]") == 0) return 0;
    const wchar_t* p = text;
    uint16_t stamp = ReadStamp(p);
    if (*p == L':' || *p == L'=') ++p;
    const uint32_t today = Today();
    DateBound first, second;
    if (IsDigit(*p)) {
        if (!ReadDate(p, first.day)) return Fail(L"Bad date1 in range: \"%s\"\r\n", text);
    } else if (*p == L'+' || *p == L'-') {
        if (!ReadRelativeDay(p, today, first.day)) return Fail(L"Bad date1 in range: \"%s\"\r\n", text);
    } else if (*p == L',' || *p == L']') {
        first.day = today;
    } else {
        return Fail(L"Bad date1 in range: \"%s\"\r\n", text);
    }
    if (!ReadBoundTime(p, first)) return Fail(L"Bad date1 (time) in range: \"%s\"\r\n", text);
    if (*p == L',') ++p;
    if (IsDigit(*p)) {
        if (!ReadDate(p, second.day)) return Fail(L"Bad date2 in range: \"%s\"\r\n", text);
    } else if (*p == L'+' || *p == L'-') {
        if (!ReadRelativeDay(p, first.day, second.day)) return Fail(L"Bad date2 in range: \"%s\"\r\n", text);
    } else if (*p == L']') {
        second.day = today;
    } else {
        return Fail(L"Bad date2 in range: \"%s\"\r\n", text);
    }
    if (!ReadBoundTime(p, second)) return Fail(L"Bad date2 (time) in range: \"%s\"\r\n", text);
    if (wcscmp(p, L"]") != 0) return Fail(L"Bad date range: \"%s\"\r\n", text);
    if (first.day > second.day || (first.day == second.day && TimeLater(first, second))) {
        DateBound t = first;
        first = second;
        second = t;
    }
    RangeRecord* record = NewRecord(L'D');
    if (!record) return FailAllocation(L"Can\u2019t allocate date range structure\r\n");
    record->negate = negated ? 1 : 0;
    record->stamp = stamp;
    record->fromDay = first.day;
    record->toDay = second.day;
    record->fromSecond = first.hasTime ? first.time.second : 0;
    record->toSecond = second.hasTime ? second.time.second + (second.time.hasSeconds ? 0 : 59) : WholeDay;
    Push(ranges, record);
    return 0;
}

bool EndsDayWord(wchar_t c) {
    return c == 0 || IsBlank(c) || c == L';' || c == L'-' || c == L'.' || c == L',' || c == L']';
}

// One day word: a single day (day 0 to 6) or a group (weekday, weekend) as a mask.
struct DayWord {
    int day = -1; // -1 for a group
    uint16_t mask = 0;
};

bool ReadDayWord(const wchar_t*& p, DayWord& word) {
    const wchar_t* start = p;
    while (!EndsDayWord(*p))
        ++p;
    size_t length = static_cast<size_t>(p - start);
    if (length == 0 || length > MaxDayWord) return false;
    auto isWord = [&](const wchar_t* name) {
        return wcslen(name) == length && _wcsnicmp(start, name, length) == 0;
    };
    if (isWord(L"weekday") || isWord(L"weekdays")) {
        word.day = -1;
        word.mask = 0x3E;
        return true;
    }
    if (isWord(L"weekend") || isWord(L"weekends")) {
        word.day = -1;
        word.mask = 0x41;
        return true;
    }
    if (IsDigit(*start)) {
        if (length != 1 || *start > L'7') return false;
        word.day = (*start - L'0') % 7;
        word.mask = static_cast<uint16_t>(1u << word.day);
        return true;
    }
    if (length < 2) return false;
    static const wchar_t* const prefixes[7] = {L"SU", L"MO", L"TU", L"WE", L"TH", L"FR", L"SA"};
    for (int d = 0; d < 7; ++d) {
        if (Upper(start[0]) == prefixes[d][0] && Upper(start[1]) == prefixes[d][1]) {
            word.day = d;
            word.mask = static_cast<uint16_t>(1u << d);
            return true;
        }
    }
    return false;
}

// A range separator: "-" or "..".
bool ReadRangeSeparator(const wchar_t*& p) {
    if (*p == L'-') {
        ++p;
        return true;
    }
    if (p[0] == L'.' && p[1] == L'.') {
        p += 2;
        return true;
    }
    return false;
}

// The empty list ("/[w:]") is refused like an empty negated list: a record that no day can pass
// would silently select nothing.
int ParseDayOfWeekRange(wchar_t* text, bool negated, RangeSet& ranges) {
    if (wcscmp(text, L"]") == 0) return 0;
    const wchar_t* p = text;
    uint16_t stamp = ReadStamp(p);
    if (*p != L':' && *p != L'=') return Fail(L"Bad day-of-the-week range: \"%s\"\r\n", text);
    ++p;
    uint16_t mask = 0;
    for (;;) {
        while (IsBlank(*p) || *p == L',' || *p == L';')
            ++p;
        if (*p == L']' && p[1] == 0) break;
        DayWord from;
        if (!ReadDayWord(p, from)) return Fail(L"Bad day-of-the-week range: \"%s\"\r\n", text);
        if (ReadRangeSeparator(p)) {
            DayWord to;
            if (from.day < 0 || !ReadDayWord(p, to) || to.day < 0 || *p == L'-' || *p == L'.')
                return Fail(L"Bad day-of-the-week range: \"%s\"\r\n", text);
            for (int d = from.day;; d = (d + 1) % 7) {
                mask |= static_cast<uint16_t>(1u << d);
                if (d == to.day) break;
            }
        } else if (*p == L'.') {
            return Fail(L"Bad day-of-the-week range: \"%s\"\r\n", text);
        } else {
            mask |= from.mask;
        }
    }
    if (negated) mask = static_cast<uint16_t>(~mask & 0x7F);
    if (mask == 0) return Fail(L"Empty day-of-the-week range: \"%s\"\r\n", text);
    RangeRecord* record = NewRecord(L'W');
    if (!record) return FailAllocation(L"Can\u2019t allocate DOW range structure\r\n");
    record->stamp = stamp;
    record->dayMask = mask;
    Push(ranges, record);
    return 0;
}

// Description and owner ranges: the rest of the text after one ":" or "=" is the pattern.
int ParsePatternRange(wchar_t kind, const wchar_t* text, bool negated, bool stripBracket,
                      const wchar_t* noMemory, RangeSet& ranges) {
    if (!text) return -1;
    if (!*text || wcscmp(text, L"]") == 0) return 0;
    const wchar_t* p = text;
    if (*p == L':' || *p == L'=') ++p;
    size_t length = wcslen(p);
    if (stripBracket && length > 0 && p[length - 1] == L']') --length;
    RangeRecord* record = NewRecord(kind, length);
    if (!record) return FailAllocation(noMemory);
    record->negate = negated ? 1 : 0;
    wmemcpy(record->Pattern(), p, length);
    record->Pattern()[length] = 0;
    Push(ranges, record);
    return 0;
}

// Patterns split at white space outside double quotes; quotes are dropped, each pattern is
// trimmed and cut at 8191 characters, empty ones are skipped. Only the final "]" closes the list.
int ParseExclusionRange(const wchar_t* text, RangeSet& ranges) {
    if (wcscmp(text, L"]") == 0) return 0;
    size_t end = wcslen(text);
    if (end > 0 && text[end - 1] == L']') --end;
    wchar_t pattern[MaxExclusionPattern + 1];
    size_t i = 0;
    while (i < end) {
        size_t length = 0;
        bool quoted = false;
        for (; i < end; ++i) {
            wchar_t c = text[i];
            if (c == L'"') {
                quoted = !quoted;
                continue;
            }
            if (!quoted && IsBlank(c)) break;
            if (length < MaxExclusionPattern) pattern[length++] = c;
        }
        if (i < end) ++i; // the blank that ended the pattern
        size_t start = 0;
        while (start < length && IsBlank(pattern[start]))
            ++start;
        while (length > start && IsBlank(pattern[length - 1]))
            --length;
        if (length == start) continue;
        RangeRecord* record = NewRecord(L'!', length - start);
        if (!record) return FailAllocation(L"Can\u2019t allocate exclusion range structure\r\n");
        wmemcpy(record->Pattern(), pattern + start, length - start);
        record->Pattern()[length - start] = 0;
        Push(ranges, record);
    }
    return 0;
}

} // namespace

void SetRangeAllocationLimit(int allowed) {
    g_allocationsAllowed = allowed < 0 ? -1 : allowed;
}

int ParseRangeOption(wchar_t* argument, RangeSet& ranges) {
    if (!argument) return -1;
    size_t length = wcslen(argument);
    if (length == 0 || argument[length - 1] != L']')
        return Fail(L"Range option must end with ']': \"%s\"\r\n", argument);
    bool negated = false;
    wchar_t* kind = nullptr;
    if (wcsncmp(argument, L"/[", 2) == 0) {
        kind = argument + 2;
    } else if (wcsncmp(argument, L"/![", 3) == 0) {
        negated = true;
        kind = argument + 3;
    } else {
        return Fail(L"Unknown range type: \"%s\"\r\n", argument);
    }
    wchar_t* body = kind + 1;
    switch (Upper(*kind)) {
    case L'!':
        if (negated) return Fail(L"Reverse exclusion range not supported: \"%s\"\r\n", argument);
        return ParseExclusionRange(body, ranges);
    case L'D':
        return ParseDateRange(body, negated, ranges);
    case L'I':
        return ParseDescriptionRange(body, negated, true, ranges);
    case L'O':
        return ParsePatternRange(L'O', body, negated, true, L"Can\u2019t allocate owner range structure\r\n",
                                 ranges);
    case L'S':
        return ParseSizeRange(body, negated, ranges);
    case L'T':
        return ParseTimeRange(body, negated, ranges);
    case L'W':
        return ParseDayOfWeekRange(body, negated, ranges);
    default:
        return Fail(L"Unknown range type: \"%s\"\r\n", argument);
    }
}

int ParseDescriptionRange(wchar_t* text, bool negated, bool stripBracket, RangeSet& ranges) {
    return ParsePatternRange(L'I', text, negated, stripBracket,
                             L"Can\u2019t allocate description range structure\r\n", ranges);
}

void FreeRangeSet(RangeSet& ranges) {
    RangeRecord* record = ranges.first;
    ranges.first = nullptr;
    while (record) {
        RangeRecord* next = record->next;
        std::free(record);
        record = next;
    }
}

} // namespace scrutel
