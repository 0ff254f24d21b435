// Version header: description, version and legal notice (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int VersionHeaderSection(const wchar_t*, int, uint32_t) { return 0; }

} // namespace scrutel
