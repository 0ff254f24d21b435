// Per-file report driver (heading and count; the section table is completed by the output work).
#include "reports/ReportFile.h"

#include "output/LineOutput.h"
#include "plugin/HostApi.h"

namespace scrutel {

int ReportFile(const wchar_t* path, uint32_t, ScanSettings& settings) {
    if (!path || !*path) return -1;
    if (!QueryIsFile(path)) return 2;
    int rc = PrintHeading(path, 2);
    if (rc == ABORTED) return ABORTED;
    ++settings.matchCount;
    return 0;
}

} // namespace scrutel
