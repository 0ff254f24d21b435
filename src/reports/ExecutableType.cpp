// Executable type classifier (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int ExecutableTypeCode(const wchar_t*) { return 0; }
const wchar_t* ExecutableTypeName(int) { return L""; }

} // namespace scrutel
