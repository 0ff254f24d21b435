// Shell link target section (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int LinkTargetSection(const wchar_t*, uint32_t) { return 0; }

} // namespace scrutel
