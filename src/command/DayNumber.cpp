// Calendar arithmetic of the range options (day numbers, month lengths), the user's date order
// and the local clock that "now" and "today" are read from.
#include "command/RangeSet.h"

#include <cwchar>

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

bool g_clockFixed = false;
SYSTEMTIME g_fixedClock{};
int g_dateOrderOverride = -1;

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

int LocaleDateOrder() {
    if (g_dateOrderOverride >= 0) return g_dateOrderOverride;
    wchar_t text[16] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDATE, text, 16) == 0) return 0;
    return DateOrderFromText(text);
}

SYSTEMTIME RangeLocalTime() {
    if (g_clockFixed) return g_fixedClock;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now;
}

void SetRangeClock(const SYSTEMTIME* fixed) {
    g_clockFixed = fixed != nullptr;
    if (fixed) g_fixedClock = *fixed;
}

void SetLocaleDateOrderOverride(int order) {
    g_dateOrderOverride = order >= 0 && order <= 2 ? order : -1;
}

} // namespace scrutel
