// The user's date order and the local clock that the range options read "now" and "today" from,
// each with a seam for tests.
#include "command/RangeParse.h"

namespace scrutel {

namespace {

bool g_clockFixed = false;
SYSTEMTIME g_fixedClock{};
int g_dateOrderOverride = -1;

} // namespace

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
