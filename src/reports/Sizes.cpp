// Size section: the file's size in bytes with the host's thousands separators, and in the
// largest fitting unit of powers of 1024.
#include "reports/ReportSections.h"

#include "reports/FileProbe.h"

#include "output/LineOutput.h"

#include <cstdio>

namespace scrutel {

namespace {

// The size lines of a size in bytes.
int PrintSizeLines(long long reported) {
    // A negative size means the file vanished or cannot be queried: show nothing rather than
    // a count of 18 quintillion bytes.
    if (reported < 0) return 1;
    const uint64_t size = static_cast<uint64_t>(reported);

    wchar_t count[1024] = {};
    _snwprintf(count, 1023, L"%I64u", size);
    if (size == 1) {
        ReportPuts(L"    1 byte     ");
    } else {
        ReportPuts(L"    ");
        ReportNumber(count, 1024);
        ReportPuts(L" bytes     ");
        const wchar_t* unit = nullptr;
        double scale = 0.0;
        if (size >= 0x40000000ull) {
            unit = L" gigabytes";
            scale = 1.0 / 1073741824.0;
        } else if (size >= 0x100000ull) {
            unit = L" megabytes";
            scale = 1.0 / 1048576.0;
        } else if (size >= 1024) {
            unit = L" kilobytes";
            scale = 1.0 / 1024.0;
        }
        if (unit) {
            wchar_t quotient[1024] = {};
            _snwprintf(quotient, 1023, L"%.2f", static_cast<double>(size) * scale);
            ReportNumber(quotient, 1024);
            ReportPuts(unit);
        }
    }
    return EndLine(2);
}

} // namespace

int SizeSection(FileProbe& probe) {
    if (!probe.path() || !*probe.path()) return -1;
    const WIN32_FILE_ATTRIBUTE_DATA* data = probe.Attributes();
    if (!data) return PrintSizeLines(-1LL);
    return PrintSizeLines(
        static_cast<long long>((static_cast<uint64_t>(data->nFileSizeHigh) << 32) | data->nFileSizeLow));
}

} // namespace scrutel
