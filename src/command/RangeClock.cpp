// The user's date order and the local clock that the range options read "now" and "today" from.
#include "command/RangeClock.h"

#include <windows.h>

namespace scrutel {

int LocaleDateOrder() {
    wchar_t text[16] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDATE, text, 16) == 0) return 0;
    return DateOrderFromText(text);
}

ParseContext SystemParseContext() {
    ParseContext context;
    context.dateOrder = LocaleDateOrder();
    SYSTEMTIME now{};
    GetLocalTime(&now);
    context.now = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    return context;
}

} // namespace scrutel
