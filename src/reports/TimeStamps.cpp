// Time-stamp section: the creation, modification and last-access times of a file, each on its
// own line in the chosen zone mode.
#include "reports/ReportSections.h"

#include "reports/FileProbe.h"

#include "output/LineOutput.h"
#include "reports/FindData.h"
#include "reports/TimeFormat.h"

namespace scrutel {

int PrintTimeStamp(const FILETIME& stamp, const wchar_t* label, int32_t mode, bool fractional) {
    if (label) ReportPuts(label);
    SYSTEMTIME fields{};
    wchar_t text[64] = {};
    // A stamp that is not set, or that lies beyond what the calendar conversion accepts, has no
    // date to show.
    if ((stamp.dwLowDateTime == 0 && stamp.dwHighDateTime == 0) || !StampToFields(stamp, mode, fields) ||
        FormatStampFields(fields, fractional, mode == TimeZoneUtc, text, 64) < 0) {
        ReportPuts(L"(none)");
    } else {
        ReportPuts(text);
    }
    return EndLine(1);
}

int TimeStampSection(FileProbe& probe, int32_t timeZoneMode, uint32_t timeFlags) {
    const wchar_t* path = probe.path();
    if (!path || !*path) return -1;
    if (!(timeFlags & (TimeCreation | TimeModified | TimeAccess))) return 0;
    FILETIME created{}, modified{}, accessed{};
    if (const WIN32_FILE_ATTRIBUTE_DATA* data = probe.Attributes()) {
        created = data->ftCreationTime;
        modified = data->ftLastWriteTime;
        accessed = data->ftLastAccessTime;
    } else {
        WIN32_FIND_DATAW found{};
        if (ReadFindData(path, &found) != 1) return 1;
        created = found.ftCreationTime;
        modified = found.ftLastWriteTime;
        accessed = found.ftLastAccessTime;
    }
    const bool fractional = (timeFlags & TimeFractional) != 0;
    struct Row {
        uint32_t bit;
        const FILETIME* stamp;
        const wchar_t* label;
    };
    const Row rows[] = {{TimeCreation, &created, L"    Created:   "},
                        {TimeModified, &modified, L"    Modified:  "},
                        {TimeAccess, &accessed, L"    Accessed:  "}};
    for (const Row& row : rows) {
        if (!(timeFlags & row.bit)) continue;
        if (PrintTimeStamp(*row.stamp, row.label, timeZoneMode, fractional) == ABORTED) return ABORTED;
    }
    return EndLine(1);
}

} // namespace scrutel
