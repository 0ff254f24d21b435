// Parsing of the range options into RangeRecord values: the dispatcher, one parser per kind
// (size, time of day, date, day of week, description, owner, exclusion).
#include "command/RangeParse.h"

#include "core/CharClass.h"
#include "core/Limits.h"

#include <new>
#include <utility>

namespace scrutel {

namespace {

constexpr uint32_t SecondsPerDay = 86400;
constexpr size_t MaxDayWord = 1023;

// A message that shows text (the rest of the argument) in double quotes.
ParseStatus Fail(U16View what, const char16_t* text) {
    U16String before(what);
    before.append(u": \"");
    return ShownError(before, text, u"\"\r\n");
}

ParseStatus FailAllocation(U16View message) {
    return MessageError(message);
}

// Adds a record of fields and pattern in front of the others (the set is newest first); false
// when there is no room or no memory for it, and then the set is as it was.
bool Push(RangeSet& ranges, const RangeRecord& fields, U16View pattern, const ParseContext& context) {
    if (ranges.records.size() >= context.recordLimit) return false;
    try {
        RangeRecord record = fields;
        record.pattern.assign(pattern);
        ranges.records.insert(ranges.records.begin(), std::move(record));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// A run of decimal digits; false when there is none or it does not fit 64 bits.
bool ReadNumber(const char16_t*& p, uint64_t& value) {
    if (!IsDigit(*p)) return false;
    value = 0;
    for (; IsDigit(*p); ++p) {
        uint64_t digit = static_cast<uint64_t>(*p - u'0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

// A size: digits and an optional suffix letter, binary in upper case, decimal in lower case.
// A size that does not fit 64 bits is unreadable rather than wrapped.
bool ReadSize(const char16_t*& p, uint64_t& value) {
    if (!ReadNumber(p, value)) return false;
    uint64_t factor = 1;
    switch (*p) {
    case u'K':
        factor = 1ull << 10;
        break;
    case u'M':
        factor = 1ull << 20;
        break;
    case u'G':
        factor = 1ull << 30;
        break;
    case u'T':
        factor = 1ull << 40;
        break;
    case u'P':
        factor = 1ull << 50;
        break;
    case u'k':
        factor = 1000ull;
        break;
    case u'm':
        factor = 1000000ull;
        break;
    case u'g':
        factor = 1000000000ull;
        break;
    case u't':
        factor = 1000000000000ull;
        break;
    case u'p':
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
uint16_t ReadStamp(const char16_t*& p) {
    switch (AsciiUpper(*p)) {
    case u'W':
        ++p;
        return StampLastWrite;
    case u'A':
        ++p;
        return StampLastAccess;
    case u'C':
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
bool ReadTimeOfDay(const char16_t*& p, TimeOfDay& time) {
    uint64_t hours = 0, minutes = 0, seconds = 0;
    if (!ReadNumber(p, hours)) return false;
    if (*p != u':' && *p != u'.') return false;
    ++p;
    if (!ReadNumber(p, minutes)) return false;
    bool hasSeconds = false;
    if (*p == u':' || *p == u'.') {
        ++p;
        if (!ReadNumber(p, seconds)) return false;
        hasSeconds = true;
    }
    if (minutes > 59 || seconds > 59) return false;
    char16_t half = AsciiUpper(*p);
    if (half == u'A' || half == u'P') {
        if (hours < 1 || hours > 12) return false;
        ++p;
        if (AsciiUpper(*p) == u'M') ++p;
        if (hours == 12) hours = 0;
        if (half == u'P') hours += 12;
    } else if (hours > 23) {
        return false;
    }
    time.second = static_cast<uint32_t>(hours * 3600 + minutes * 60 + seconds);
    time.hasSeconds = hasSeconds;
    return true;
}

// "+n" or "-n" minutes from base: "+n" wraps at midnight, "-n" stops at midnight.
bool ReadRelativeTime(const char16_t*& p, uint32_t base, TimeOfDay& time) {
    char16_t sign = *p++;
    uint64_t minutes = 0;
    if (!ReadNumber(p, minutes)) return false;
    if (sign == u'+') {
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
bool ReadRelativeDay(const char16_t*& p, uint32_t base, uint32_t& day) {
    char16_t sign = *p++;
    uint64_t days = 0;
    if (!ReadNumber(p, days)) return false;
    if (sign == u'+')
        day = days >= UINT32_MAX - base ? UINT32_MAX : base + static_cast<uint32_t>(days);
    else
        day = days >= base ? 0 : base - static_cast<uint32_t>(days);
    return true;
}

// Three numbers separated by "/", "-" or "." in year-first order, or else the locale's order.
bool ReadDate(const char16_t*& p, int dateOrder, uint32_t& day) {
    uint64_t n[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (*p != u'/' && *p != u'-' && *p != u'.') return false;
            ++p;
        }
        if (!ReadNumber(p, n[i])) return false;
    }
    uint64_t year, month, dayOfMonth;
    int order = (n[0] >= 1601 && n[0] <= 9999) ? 2 : dateOrder;
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

// The current minute: the seconds of now are dropped.
uint32_t NowSecond(const ParseContext& context) {
    return context.now.hour * 3600u + context.now.minute * 60u;
}

uint32_t Today(const ParseContext& context) {
    return DayNumber(context.now.year, context.now.month, context.now.day);
}

bool IsOnlyBracket(const char16_t* text) {
    return U16View(text) == u"]";
}

ParseStatus ParseSizeRange(const char16_t* text, bool negated, RangeSet& ranges,
                           const ParseContext& context) {
    const char16_t* p = text;
    if (*p == u':' || *p == u'=') ++p;
    if (IsOnlyBracket(p)) return {};
    uint64_t low = 0, high = UINT64_MAX;
    bool ok = true;
    if (IsDigit(*p)) ok = ReadSize(p, low);
    if (ok && *p == u',') ++p;
    bool relative = false;
    if (ok && *p == u'+' && IsDigit(p[1])) {
        relative = true;
        ++p;
    }
    if (ok && IsDigit(*p)) {
        uint64_t value = 0;
        ok = ReadSize(p, value);
        // A relative upper bound that would pass the largest size stops there.
        if (ok) high = !relative ? value : (value > UINT64_MAX - low ? UINT64_MAX : low + value);
    }
    if (!ok || !IsOnlyBracket(p)) return Fail(u"Bad size range", text);
    if (low > high) {
        uint64_t t = low;
        low = high;
        high = t;
    }
    RangeRecord record;
    record.kind = u'S';
    record.negate = negated ? 1 : 0;
    record.low = low;
    record.high = high;
    if (!Push(ranges, record, {}, context))
        return FailAllocation(u"Can\u2019t allocate size range structure\r\n");
    return {};
}

// The unit of "-n" in a time bound is minutes, as for "+n"; a relative bound has no seconds of
// its own, so as the upper bound it covers its whole minute.
ParseStatus ParseTimeRange(const char16_t* text, bool negated, RangeSet& ranges,
                           const ParseContext& context) {
    if (IsOnlyBracket(text)) return {};
    const char16_t* p = text;
    uint16_t stamp = ReadStamp(p);
    if (*p == u':' || *p == u'=') ++p;
    const uint32_t now = NowSecond(context);
    TimeOfDay first, second;
    bool ok = true;
    if (IsDigit(*p))
        ok = ReadTimeOfDay(p, first);
    else if (*p == u'+' || *p == u'-')
        ok = ReadRelativeTime(p, now, first);
    else if (*p == u',' || *p == u']')
        first.second = now;
    else
        ok = false;
    if (ok && *p == u',') ++p;
    if (ok) {
        if (IsDigit(*p))
            ok = ReadTimeOfDay(p, second);
        else if (*p == u'+' || *p == u'-')
            ok = ReadRelativeTime(p, first.second, second);
        else if (*p == u']')
            second.second = now;
        else
            ok = false;
    }
    if (!ok || !IsOnlyBracket(p)) return Fail(u"Bad time range", text);
    if (first.second > second.second) {
        TimeOfDay t = first;
        first = second;
        second = t;
    }
    RangeRecord record;
    record.kind = u'T';
    record.negate = negated ? 1 : 0;
    record.stamp = stamp;
    record.fromSecond = first.second;
    record.toSecond = second.second + (second.hasSeconds ? 0 : 59);
    if (!Push(ranges, record, {}, context))
        return FailAllocation(u"Can\u2019t allocate time range structure\r\n");
    return {};
}

struct DateBound {
    uint32_t day = 0;
    bool hasTime = false;
    TimeOfDay time;
};

// The optional "@" time of a date bound; false when a time is announced but unreadable.
bool ReadBoundTime(const char16_t*& p, DateBound& bound) {
    if (*p != u'@') return true;
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
ParseStatus ParseDateRange(const char16_t* text, bool negated, RangeSet& ranges,
                           const ParseContext& context) {
    if (IsOnlyBracket(text)) return {};
    const char16_t* p = text;
    uint16_t stamp = ReadStamp(p);
    if (*p == u':' || *p == u'=') ++p;
    const uint32_t today = Today(context);
    DateBound first, second;
    if (IsDigit(*p)) {
        if (!ReadDate(p, context.dateOrder, first.day)) return Fail(u"Bad date1 in range", text);
    } else if (*p == u'+' || *p == u'-') {
        if (!ReadRelativeDay(p, today, first.day)) return Fail(u"Bad date1 in range", text);
    } else if (*p == u',' || *p == u']') {
        first.day = today;
    } else {
        return Fail(u"Bad date1 in range", text);
    }
    if (!ReadBoundTime(p, first)) return Fail(u"Bad date1 (time) in range", text);
    if (*p == u',') ++p;
    if (IsDigit(*p)) {
        if (!ReadDate(p, context.dateOrder, second.day)) return Fail(u"Bad date2 in range", text);
    } else if (*p == u'+' || *p == u'-') {
        if (!ReadRelativeDay(p, first.day, second.day)) return Fail(u"Bad date2 in range", text);
    } else if (*p == u']') {
        second.day = today;
    } else {
        return Fail(u"Bad date2 in range", text);
    }
    if (!ReadBoundTime(p, second)) return Fail(u"Bad date2 (time) in range", text);
    if (!IsOnlyBracket(p)) return Fail(u"Bad date range", text);
    if (first.day > second.day || (first.day == second.day && TimeLater(first, second))) {
        DateBound t = first;
        first = second;
        second = t;
    }
    RangeRecord record;
    record.kind = u'D';
    record.negate = negated ? 1 : 0;
    record.stamp = stamp;
    record.fromDay = first.day;
    record.toDay = second.day;
    record.fromSecond = first.hasTime ? first.time.second : 0;
    record.toSecond = second.hasTime ? second.time.second + (second.time.hasSeconds ? 0 : 59) : WholeDay;
    if (!Push(ranges, record, {}, context))
        return FailAllocation(u"Can\u2019t allocate date range structure\r\n");
    return {};
}

bool EndsDayWord(char16_t c) {
    return c == 0 || IsWhiteSpace(c) || c == u';' || c == u'-' || c == u'.' || c == u',' || c == u']';
}

// One day word: a single day (day 0 to 6) or a group (weekday, weekend) as a mask.
struct DayWord {
    int day = -1; // -1 for a group
    uint16_t mask = 0;
};

bool ReadDayWord(const char16_t*& p, DayWord& word) {
    const char16_t* start = p;
    while (!EndsDayWord(*p))
        ++p;
    size_t length = static_cast<size_t>(p - start);
    if (length == 0 || length > MaxDayWord) return false;
    auto isWord = [&](U16View name) { return EqualsIgnoringCase(U16View(start, length), name); };
    if (isWord(u"weekday") || isWord(u"weekdays")) {
        word.day = -1;
        word.mask = 0x3E;
        return true;
    }
    if (isWord(u"weekend") || isWord(u"weekends")) {
        word.day = -1;
        word.mask = 0x41;
        return true;
    }
    if (IsDigit(*start)) {
        if (length != 1 || *start > u'7') return false;
        word.day = (*start - u'0') % 7;
        word.mask = static_cast<uint16_t>(1u << word.day);
        return true;
    }
    if (length < 2) return false;
    static const char16_t* const prefixes[7] = {u"SU", u"MO", u"TU", u"WE", u"TH", u"FR", u"SA"};
    for (int d = 0; d < 7; ++d) {
        if (AsciiUpper(start[0]) == prefixes[d][0] && AsciiUpper(start[1]) == prefixes[d][1]) {
            word.day = d;
            word.mask = static_cast<uint16_t>(1u << d);
            return true;
        }
    }
    return false;
}

// A range separator: "-" or "..".
bool ReadRangeSeparator(const char16_t*& p) {
    if (*p == u'-') {
        ++p;
        return true;
    }
    if (p[0] == u'.' && p[1] == u'.') {
        p += 2;
        return true;
    }
    return false;
}

// The empty list ("/[w:]") is refused like an empty negated list: a record that no day can pass
// would silently select nothing.
ParseStatus ParseDayOfWeekRange(const char16_t* text, bool negated, RangeSet& ranges,
                                const ParseContext& context) {
    if (IsOnlyBracket(text)) return {};
    const char16_t* p = text;
    uint16_t stamp = ReadStamp(p);
    if (*p != u':' && *p != u'=') return Fail(u"Bad day-of-the-week range", text);
    ++p;
    uint16_t mask = 0;
    for (;;) {
        while (IsWhiteSpace(*p) || *p == u',' || *p == u';')
            ++p;
        if (*p == u']' && p[1] == 0) break;
        DayWord from;
        if (!ReadDayWord(p, from)) return Fail(u"Bad day-of-the-week range", text);
        if (ReadRangeSeparator(p)) {
            DayWord to;
            if (from.day < 0 || !ReadDayWord(p, to) || to.day < 0 || *p == u'-' || *p == u'.')
                return Fail(u"Bad day-of-the-week range", text);
            for (int d = from.day;; d = (d + 1) % 7) {
                mask |= static_cast<uint16_t>(1u << d);
                if (d == to.day) break;
            }
        } else if (*p == u'.') {
            return Fail(u"Bad day-of-the-week range", text);
        } else {
            mask |= from.mask;
        }
    }
    if (negated) mask = static_cast<uint16_t>(~mask & 0x7F);
    if (mask == 0) return Fail(u"Empty day-of-the-week range", text);
    RangeRecord record;
    record.kind = u'W';
    record.stamp = stamp;
    record.dayMask = mask;
    if (!Push(ranges, record, {}, context))
        return FailAllocation(u"Can\u2019t allocate DOW range structure\r\n");
    return {};
}

// Description and owner ranges: the rest of the text after one ":" or "=" is the pattern.
ParseStatus ParsePatternRange(char16_t kind, const char16_t* text, bool negated, bool stripBracket,
                              U16View noMemory, RangeSet& ranges, const ParseContext& context) {
    if (!*text || IsOnlyBracket(text)) return {};
    const char16_t* p = text;
    if (*p == u':' || *p == u'=') ++p;
    size_t length = U16Length(p);
    if (stripBracket && length > 0 && p[length - 1] == u']') --length;
    RangeRecord record;
    record.kind = kind;
    record.negate = negated ? 1 : 0;
    if (!Push(ranges, record, U16View(p, length), context)) return FailAllocation(noMemory);
    return {};
}

// Patterns split at white space outside double quotes; quotes are dropped, each pattern is
// trimmed and cut to what the host's buffer holds, empty ones are skipped. Only the final "]" closes the
// list.
ParseStatus ParseExclusionRange(const char16_t* text, RangeSet& ranges, const ParseContext& context) {
    if (IsOnlyBracket(text)) return {};
    size_t end = U16Length(text);
    if (end > 0 && text[end - 1] == u']') --end;
    char16_t pattern[HostExpandChars];
    size_t i = 0;
    while (i < end) {
        size_t length = 0;
        bool quoted = false;
        for (; i < end; ++i) {
            char16_t c = text[i];
            if (c == u'"') {
                quoted = !quoted;
                continue;
            }
            if (!quoted && IsWhiteSpace(c)) break;
            if (length < HostExpandChars - 1) pattern[length++] = c;
        }
        if (i < end) ++i; // the blank that ended the pattern
        size_t start = 0;
        while (start < length && IsWhiteSpace(pattern[start]))
            ++start;
        while (length > start && IsWhiteSpace(pattern[length - 1]))
            --length;
        if (length == start) continue;
        RangeRecord record;
        record.kind = u'!';
        if (!Push(ranges, record, U16View(pattern + start, length - start), context))
            return FailAllocation(u"Can\u2019t allocate exclusion range structure\r\n");
    }
    return {};
}

} // namespace

ParseStatus ParseRangeOption(U16View argument, RangeSet& ranges, const ParseContext& context) {
    // A terminated copy: the kind parsers look one or two characters ahead without checking the
    // length at every step.
    const U16String text(argument);
    const char16_t* whole = text.c_str();
    if (text.empty() || text.back() != u']') return Fail(u"Range option must end with ']'", whole);
    bool negated = false;
    const char16_t* kind = nullptr;
    if (argument.starts_with(u"/[")) {
        kind = whole + 2;
    } else if (argument.starts_with(u"/![")) {
        negated = true;
        kind = whole + 3;
    } else {
        return Fail(u"Unknown range type", whole);
    }
    const char16_t* body = kind + 1;
    switch (AsciiUpper(*kind)) {
    case u'!':
        if (negated) return Fail(u"Reverse exclusion range not supported", whole);
        return ParseExclusionRange(body, ranges, context);
    case u'D':
        return ParseDateRange(body, negated, ranges, context);
    case u'I':
        return ParsePatternRange(u'I', body, negated, true,
                                 u"Can\u2019t allocate description range structure\r\n", ranges, context);
    case u'O':
        return ParsePatternRange(u'O', body, negated, true, u"Can\u2019t allocate owner range structure\r\n",
                                 ranges, context);
    case u'S':
        return ParseSizeRange(body, negated, ranges, context);
    case u'T':
        return ParseTimeRange(body, negated, ranges, context);
    case u'W':
        return ParseDayOfWeekRange(body, negated, ranges, context);
    default:
        return Fail(u"Unknown range type", whole);
    }
}

ParseStatus ParseDescriptionRange(U16View text, bool negated, bool stripBracket, RangeSet& ranges,
                                  const ParseContext& context) {
    const U16String copy(text);
    return ParsePatternRange(u'I', copy.c_str(), negated, stripBracket,
                             u"Can\u2019t allocate description range structure\r\n", ranges, context);
}

} // namespace scrutel
