// Size section (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int SizeSection(const wchar_t*) { return 0; }

} // namespace scrutel
