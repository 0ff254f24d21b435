// 4DOS description section (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int DescriptionSection(const wchar_t*) { return 0; }

} // namespace scrutel
