// Version resource details (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int VersionResourceSection(const wchar_t*) { return 0; }

} // namespace scrutel
