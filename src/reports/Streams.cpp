// Streams section: the alternate NTFS data streams of a file, counted and listed in one line.
#include "reports/ReportSections.h"

#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "core/Owners.h"
#include "reports/StreamList.h"

namespace scrutel {

int StreamsSection(const wchar_t* path) {
    if (!path || !*path) return 0;
    WIN32_FIND_STREAM_DATA data{};
    StreamFindHandle search(FindFirstStreamW(path, FindStreamInfoStandard, &data, 0));
    if (!search) return 0;
    StreamList list;
    do {
        data.cStreamName[MAX_PATH + 35] = L'\0';
        AddStreamName(list, data.cStreamName);
    } while (FindNextStreamW(search.get(), &data));
    if (list.count == 0) return 0;
    ReportPrintf(L"    Streams (%u):  %s", list.count, TerminalSafe(list.text).c_str());
    return EndLine(2);
}

} // namespace scrutel
