// File type and the program that opens it (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int FileTypeSection(const wchar_t*, int) { return 0; }

} // namespace scrutel
