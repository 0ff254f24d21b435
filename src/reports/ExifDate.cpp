// The EXIF date form "YYYY:MM:DD hh:mm:ss": every character checked against the pattern, the
// date checked against the calendar, and the report's form written with the day of the week.
#include "reports/ExifDate.h"

#include "core/Calendar.h"
#include "core/CharClass.h"

#include <cstdint>

namespace scrutel {

namespace {

const char16_t* const DayNames[7] = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};

unsigned Number(const char16_t* text, int digits) {
    unsigned value = 0;
    for (int i = 0; i < digits; ++i)
        value = value * 10 + static_cast<unsigned>(text[i] - u'0');
    return value;
}

// Writes value as exactly digits decimal digits (the values here never have more).
void PutNumber(char16_t*& out, unsigned value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    }
    out += digits;
}

} // namespace

int FormatDateTaken(const char16_t* value, char16_t* output, size_t capacity) {
    if (!value || !output || capacity < 32) return 0;
    output[0] = 0;
    // "YYYY:MM:DD hh:mm:ss"
    static const char16_t pattern[] = u"dddd:dd:dd dd:dd:dd";
    for (size_t i = 0; i < 19; ++i) {
        char16_t c = value[i];
        if (pattern[i] == u'd' ? !IsDigit(c) : c != pattern[i]) return 0;
    }
    if (value[19] != 0) return 0;
    unsigned year = Number(value, 4), month = Number(value + 5, 2), day = Number(value + 8, 2);
    unsigned hour = Number(value + 11, 2), minute = Number(value + 14, 2), second = Number(value + 17, 2);
    bool valid = year >= 1601 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
                 day <= DaysInMonth(year, month) && hour <= 23 && minute <= 59 && second <= 59;
    if (!valid) {
        std::char_traits<char16_t>::copy(output, value, 20);
        output[4] = u'-';
        output[7] = u'-';
        return 2;
    }
    // "Sat 2000-01-01  12:34:56": 24 characters and the terminator.
    char16_t* out = output;
    const char16_t* name = DayNames[DayNumber(year, month, day) % 7];
    for (int i = 0; i < 3; ++i)
        *out++ = name[i];
    *out++ = u' ';
    PutNumber(out, year, 4);
    *out++ = u'-';
    PutNumber(out, month, 2);
    *out++ = u'-';
    PutNumber(out, day, 2);
    *out++ = u' ';
    *out++ = u' ';
    PutNumber(out, hour, 2);
    *out++ = u':';
    PutNumber(out, minute, 2);
    *out++ = u':';
    PutNumber(out, second, 2);
    *out = 0;
    return 1;
}

} // namespace scrutel
