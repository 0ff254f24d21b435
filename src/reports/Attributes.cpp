// Attributes and owner section (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int AttributesSection(const wchar_t*) { return 0; }

} // namespace scrutel
