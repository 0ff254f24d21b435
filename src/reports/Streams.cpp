// NTFS streams section (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int StreamsSection(const wchar_t*) { return 0; }

} // namespace scrutel
