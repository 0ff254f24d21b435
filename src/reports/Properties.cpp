// Windows properties section (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int PropertiesSection(const wchar_t*) { return 0; }

} // namespace scrutel
