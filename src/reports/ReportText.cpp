// Quote characters and extension tests shared by the report sections.
#include "reports/ReportText.h"

#include "core/CharClass.h"
#include "core/ScanSettings.h"

#include <cwchar>
#include <windows.h>

namespace scrutel {

QuotePair QuotesForMask(uint32_t omitMask) {
    return QuotesForFlag((omitMask & OmitUnicodeQuotes) ? 0 : 1);
}

QuotePair QuotesForFlag(int quoteFlag) {
    if (quoteFlag) return {L'\u201C', L'\u201D'};
    return {L'"', L'"'};
}

const wchar_t* FindExtension(const wchar_t* path) {
    if (!path) return nullptr;
    const wchar_t* dot = nullptr;
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'/' || *p == L'\\' || *p == L':')
            dot = nullptr;
        else if (*p == L'.')
            dot = p;
    }
    return dot;
}

int ExeLikeExtension(const wchar_t* extension) {
    if (!extension) return 0;
    return (_wcsicmp(extension, L".exe") == 0 || _wcsicmp(extension, L".scr") == 0 ||
            _wcsicmp(extension, L".dll") == 0)
               ? 1
               : 0;
}

bool HasVisibleText(const wchar_t* text) {
    if (!text) return false;
    for (; *text; ++text)
        if (!IsWhiteSpace(*text)) return true;
    return false;
}

} // namespace scrutel
