// Calendar arithmetic: day numbers from 1 January 1601, month lengths, and the date order of a
// locale's LOCALE_IDATE text.
#include "core/Calendar.h"

namespace scrutel {

namespace {

constexpr unsigned DaysBeforeMonth[2][12] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335},
};
constexpr unsigned MonthLength[2][12] = {
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

bool IsLeapYear(unsigned year) {
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

} // namespace

uint32_t DayNumber(unsigned year, unsigned month, unsigned day) {
    // Years before 1601 do not occur (dates are checked first); count them as 1601.
    uint32_t y = year > 1601 ? year - 1601 : 0;
    uint32_t days = y * 365 + y / 4 - y / 100 + y / 400;
    if (month >= 1 && month <= 12) days += DaysBeforeMonth[IsLeapYear(year) ? 1 : 0][month - 1];
    return days + day;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    if (month < 1 || month > 12) return 0;
    return MonthLength[IsLeapYear(year) ? 1 : 0][month - 1];
}

int DateOrderFromText(const wchar_t* text) {
    if (!text || !*text) return 0;
    int value = 0;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p < L'0' || *p > L'9' || value > 2) return 0;
        value = value * 10 + (*p - L'0');
    }
    return value <= 2 ? value : 0;
}

} // namespace scrutel
