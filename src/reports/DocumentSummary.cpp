// Document summary section (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int DocumentSummarySection(const wchar_t*) { return 0; }

} // namespace scrutel
