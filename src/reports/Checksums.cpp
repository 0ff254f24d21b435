// Checksums and hashes section (not yet built).
#include "reports/ReportSections.h"

namespace scrutel {

int ChecksumSection(const wchar_t*, ScanSettings&) { return 0; }

} // namespace scrutel
