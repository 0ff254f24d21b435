// Building the shown list of alternate data streams from the names the enumeration returns.
#include "reports/StreamList.h"

#include <windows.h>

#include <cwchar>

namespace scrutel {

void AddStreamName(StreamList& list, const wchar_t* name) {
    if (!name || !*name) return;
    if (CompareStringOrdinal(name, -1, L"::$DATA", -1, TRUE) == CSTR_EQUAL) return;
    ++list.count;
    if (list.overflowed) return;
    // A name that is a single colon is shown as it is; others lose their leading colon.
    const wchar_t* shown = (name[0] == L':' && name[1] != L'\0') ? name + 1 : name;
    const size_t shownLength = wcslen(shown);
    const size_t separator = list.length ? 2 : 0;
    if (shownLength < StreamListLimit && list.length + separator + shownLength < StreamListLimit) {
        if (separator) {
            wmemcpy(list.text + list.length, L", ", 2);
            list.length += 2;
        }
        wmemcpy(list.text + list.length, shown, shownLength);
        list.length += shownLength;
    } else {
        wmemcpy(list.text + list.length, L" \u2026", 2);
        list.length += 2;
        list.overflowed = true;
    }
    list.text[list.length] = L'\0';
}

} // namespace scrutel
