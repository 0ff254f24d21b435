// List files: "@name", "@clip:" and "@-" specifications whose lines name the files to report.
// Names are taken literally (resolved to full paths, never expanded as wildcards or filtered); what
// a line names is decided by select/ListLine.h.
#include "select/ListFile.h"
#include "core/Limits.h"

#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "plugin/ErrorReport.h"
#include "gateway/HostGateway.h"
#include "select/ListLine.h"
#include "select/PathResolve.h"
#include "select/Walker.h"
#include "text/Encoding.h"
#include "text/TextSource.h"

#include <vector>

namespace scrutel {

namespace {

constexpr size_t LineChars = PathChars;

} // namespace

int ReadListFile(const wchar_t* listName, uint32_t omitMask, ScanSettings& settings, FileHandler handler,
                 uint32_t walkFlags) {
    if (!listName || !*listName || !handler) return -1;
    HANDLE standardError = GetStdHandle(STD_ERROR_HANDLE);
    TextSource list;
    if (OpenTextSource(&list, listName, 0, GetOEMCP()) != 0) {
        if (PrintPendingReports() == ABORTED) return ABORTED;
        PrintErrorPrefix();
        gateway::Qprintf(standardError, L"Error opening list file \"%s\"\r\n",
                         TerminalSafe(listName).c_str());
        return 2;
    }
    std::vector<char16_t> line(LineChars, 0);
    std::vector<wchar_t> path(LineChars, 0);
    int result = 0;
    while (list.cursor.position < list.cursor.size &&
           ReadLine(list.cursor, line.data(), LineChars, true) == 0) {
        U16String name = ListLineName(U16View(line.data()));
        if (name.empty()) continue; // blank, a comment, or only quotes
        path[0] = 0;
        if (ResolvePath(Wide(name.c_str()), path.data(), ResolveHome) != 0) continue;
        AddLongPathPrefix(path.data(), LineChars);
        if (path[0] == 0) continue;
        if (gateway::QueryIsFileOrDirectory(path.data())) {
            // An exception the handler lets escape is reported and stops the reading.
            int handled = CallFileHandler(handler, path.data(), omitMask, settings);
            if (handled == ABORTED) {
                result = ABORTED;
                break;
            }
            if (handled != 0) result = handled;
        } else if (!(walkFlags & WalkQuietNotFound)) {
            // The reports of the lines before this one go out before its message.
            if (PrintPendingReports() == ABORTED) {
                result = ABORTED;
                break;
            }
            // The name is the list's own text: shown with its controls escaped, while the
            // lookup above used it as it is.
            PrintErrorPrefix();
            gateway::Qprintf(standardError, L"File not found: %s\r\n", TerminalSafe(path.data()).c_str());
            result = 2;
        }
    }
    CloseTextSource(&list);
    return result;
}

} // namespace scrutel
