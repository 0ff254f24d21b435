// Execution aliases: zero-length .exe reparse points (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int ExecAliasSection(const wchar_t*, wchar_t*) { return 0; }

} // namespace scrutel
