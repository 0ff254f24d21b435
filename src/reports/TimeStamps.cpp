// Time-stamp section (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int TimeStampSection(const wchar_t*, int32_t, uint32_t) { return 0; }

} // namespace scrutel
