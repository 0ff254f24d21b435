// Range options (placeholder until the range parsers exist: every range is an unknown option).
#include "command/RangeSet.h"

#include "plugin/HostApi.h"

namespace scrutel {

int ParseRangeOption(wchar_t* argument, RangeSet&) {
    CharUpperW(argument);
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"Unknown option: \"%s\"\r\n", argument);
    return 1;
}

int ParseDescriptionRange(wchar_t* text, bool, bool, RangeSet&) {
    CharUpperW(text);
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"Unknown option: \"%s\"\r\n", text);
    return 1;
}

void FreeRangeSet(RangeSet& ranges) { ranges.first = nullptr; }

int RangeMatches(const WIN32_FIND_DATAW* entry, const wchar_t* directory, const RangeRecord*) {
    if (!entry || !directory) return -1;
    return 0;
}

} // namespace scrutel
