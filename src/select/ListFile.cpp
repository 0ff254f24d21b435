// List files: "@name", "@clip:" and "@-" specifications whose lines name the files to report.
// Names are taken literally (resolved to full paths, never expanded as wildcards or filtered).
#include "select/ListFile.h"
#include "core/Limits.h"

#include "plugin/ErrorReport.h"
#include "plugin/HostApi.h"
#include "select/PathResolve.h"
#include "select/Walker.h"
#include "text/Encoding.h"
#include "text/TextSource.h"

#include <cwchar>
#include <cwctype>
#include <vector>

namespace scrutel {

namespace {

constexpr size_t LineChars = PathChars;

void RemoveQuotes(wchar_t* line) {
    wchar_t* out = line;
    for (const wchar_t* in = line; *in; ++in)
        if (*in != L'"') *out++ = *in;
    *out = 0;
}

} // namespace

void TrimSpaces(wchar_t* line) {
    if (!line || !*line) return;
    size_t length = wcslen(line);
    size_t first = 0;
    while (first < length && iswspace(line[first]))
        ++first;
    if (first == length) {
        line[0] = 0;
        return;
    }
    size_t last = length - 1;
    while (iswspace(line[last]))
        --last;
    size_t kept = last - first + 1;
    wmemmove(line, line + first, kept);
    line[kept] = 0;
}

int ReadListFile(const wchar_t* listName, uint32_t omitMask, ScanSettings& settings, FileHandler handler,
                 uint32_t walkFlags) {
    if (!listName || !*listName || !handler) return -1;
    HANDLE standardError = GetStdHandle(STD_ERROR_HANDLE);
    TextSource list;
    if (OpenTextSource(&list, listName, 0, GetOEMCP()) != 0) {
        PrintErrorPrefix();
        Qprintf(standardError, L"Error opening list file \"%s\"\r\n", listName);
        return 2;
    }
    std::vector<wchar_t> line(LineChars, 0);
    std::vector<wchar_t> path(LineChars, 0);
    int result = 0;
    while (list.cursor.position < list.cursor.size &&
           ReadLine(list.cursor, line.data(), LineChars, true) == 0) {
        TrimSpaces(line.data());
        if (line[0] == L':') continue; // a comment
        RemoveQuotes(line.data());
        if (line[0] == 0) continue;
        path[0] = 0;
        if (ResolvePath(line.data(), path.data(), ResolveHome) != 0) continue;
        AddLongPathPrefix(path.data(), LineChars);
        if (path[0] == 0) continue;
        if (QueryIsFileOrDirectory(path.data())) {
            // An exception the handler lets escape is reported and stops the reading.
            int handled = CallFileHandler(handler, path.data(), omitMask, settings);
            if (handled == ABORTED) {
                result = ABORTED;
                break;
            }
            if (handled != 0) result = handled;
        } else if (!(walkFlags & WalkQuietNotFound)) {
            PrintErrorPrefix();
            Qprintf(standardError, L"File not found: %s\r\n", path.data());
            result = 2;
        }
    }
    CloseTextSource(&list);
    return result;
}

} // namespace scrutel
