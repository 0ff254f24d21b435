// File walker (placeholder: reports a single named file; the real walker replaces this).
#include "select/Walker.h"

#include "plugin/HostApi.h"

namespace scrutel {

int WalkFileSpec(const wchar_t* spec, uint32_t omitMask, ScanSettings& settings, FileHandler handler, uint32_t,
                 uint32_t, uint32_t, const RangeSet&, int, int) {
    if (!spec || !*spec || !handler) return -1;
    return handler(spec, omitMask, settings);
}

WORD ExceptionColour() { return 0; }
void RestoreConsoleAttribute(WORD) {}
void ReportHandlerException(const wchar_t*, uint32_t) {}

} // namespace scrutel
