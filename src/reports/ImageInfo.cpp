// Image information section (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int ImageSection(const wchar_t*) { return 0; }
int ImageFileKind(const wchar_t*) { return 0; }

} // namespace scrutel
