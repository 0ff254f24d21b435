// Checksum section: CRC-32, cksum and the MD5 / SHA digests that /C: selects, one line each, all
// computed from a single read of the file.
#include "reports/ReportSections.h"

#include "output/LineOutput.h"
#include "plugin/HostApi.h"
#include "reports/ChecksumSet.h"

namespace scrutel {

int ChecksumSection(const wchar_t* path, ScanSettings& settings) {
    if (!path || !*path) return -1;
    const uint32_t mask = settings.hashMask;
    if (mask == 0) return 0;
    if (!QueryIsFile(path)) return 2;
    ChecksumResults results;
    int rc = ComputeFileChecksums(path, mask, results);
    // The interruption is shown (and passed on) by the line end, as everywhere in the report.
    if (rc == ABORTED) return EndLine(1);
    // A file that cannot be opened or read, or that changed while it was read, shows no lines
    // and no blank line.
    if (rc != 0) return 0;
    int printed = PrintChecksumLines(results, mask);
    if (printed == ABORTED) return ABORTED;
    if (printed == 0) return 0;
    return EndLine(1);
}

} // namespace scrutel
