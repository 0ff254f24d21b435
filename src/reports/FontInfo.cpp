// Font information section (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int FontSection(const wchar_t*, uint32_t) { return 0; }
int FontFileKind(const wchar_t*) { return 0; }

} // namespace scrutel
