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

#include "core/Owners.h"

#include <cwchar>
#include <vector>

namespace scrutel {

namespace {

bool IsDotName(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// The folder part of the last list name that took the quick route, as written and as resolved.
struct KnownFolder {
    std::wstring written;
    std::wstring resolved;
    bool valid = false;
};

// Resolves a list name as ResolvePath(name, ResolveHome) does and finds that it exists, asking the
// host only for the true name of its folder, once while consecutive names share that folder: the
// file's own stored name comes from one directory lookup, as a wildcard walk's entries do. False
// for names that must take the whole route (home folders, wildcard characters, streams, dot
// names, device names, long paths, or a name that is not found).
bool ResolveInKnownFolder(const U16String& line, KnownFolder& folder, std::wstring& path) {
    std::wstring work(Wide(line.c_str()));
    for (wchar_t& c : work)
        if (c == L'/') c = L'\\';
    if (work.empty() || work[0] == L'~' || work.size() >= MAX_PATH - 12) return false;
    size_t split = work.find_last_of(L'\\');
    size_t nameStart = split == std::wstring::npos ? 0 : split + 1;
    if (split == std::wstring::npos && work.size() >= 2 && work[1] == L':') return false; // "C:name"
    const wchar_t* name = work.c_str() + nameStart;
    if (!*name || wcspbrk(name, L"*?:") || wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0 ||
        NameNeedsLongForm(name))
        return false;
    if (work.size() >= 2 && work[1] == L':' && work[0] >= L'a' && work[0] <= L'z')
        work[0] = static_cast<wchar_t>(work[0] - L'a' + L'A');
    std::wstring written = work.substr(0, nameStart);
    if (!folder.valid || folder.written != written) {
        std::vector<wchar_t> resolved(PathChars, 0);
        folder.valid = false;
        if (ResolvePath(written.empty() ? L"." : written.c_str(), resolved.data(), ResolveHome) != 0)
            return false;
        folder.written = written;
        folder.resolved = resolved.data();
        folder.valid = true;
    }
    if (folder.resolved.empty() || folder.resolved.size() + (work.size() - nameStart) + 2 >= MAX_PATH - 12)
        return false;
    std::wstring candidate = folder.resolved;
    if (candidate.back() != L'\\' && candidate.back() != L':') candidate += L'\\';
    WIN32_FIND_DATAW entry;
    FindHandle find(FindFirstFileW((candidate + name).c_str(), &entry));
    if (!find || IsDotName(entry.cFileName)) return false;
    candidate += entry.cFileName;
    // As ResolvePath: a true name that differs only in letter case is not taken.
    path =
        CompareStringOrdinal(candidate.c_str(), -1, work.c_str(), -1, TRUE) == CSTR_EQUAL ? work : candidate;
    return true;
}

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
    std::vector<char16_t> line(PathChars, 0);
    std::vector<wchar_t> path(PathChars, 0);
    int result = 0;
    KnownFolder folder;
    std::wstring quick;
    while (list.cursor.position < list.cursor.size &&
           ReadLine(list.cursor, line.data(), PathChars, true) == 0) {
        U16String name = ListLineName(U16View(line.data()));
        if (name.empty()) continue; // blank, a comment, or only quotes
        path[0] = 0;
        bool found = ResolveInKnownFolder(name, folder, quick);
        if (found) {
            wmemcpy(path.data(), quick.c_str(), quick.size() + 1);
        } else if (ResolvePath(Wide(name.c_str()), path.data(), ResolveHome) != 0) {
            continue;
        }
        AddLongPathPrefix(path.data(), PathChars);
        if (path[0] == 0) continue;
        if (found || gateway::QueryIsFileOrDirectory(path.data())) {
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
