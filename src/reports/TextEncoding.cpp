// Text encoding section (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int TextEncodingReport(const wchar_t*, const wchar_t*) { return 0; }

} // namespace scrutel
