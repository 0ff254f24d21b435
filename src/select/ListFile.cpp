// List files: "@name", "@clip:" and "@-" specifications whose lines name the files to report.
// Names are taken literally (resolved to full paths, never expanded as wildcards or filtered); what
// a line names is decided by select/ListLine.h.
#include "select/ListFile.h"
#include "core/CharClass.h"
#include "core/Limits.h"

#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "output/ErrorReport.h"
#include "gateway/HostGateway.h"
#include "select/FolderIndex.h"
#include "select/ListLine.h"
#include "files/PathResolve.h"
#include "select/Walker.h"
#include "text/Encoding.h"
#include "text/TextSource.h"

#include "core/Owners.h"

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace scrutel {

namespace {

bool IsDotName(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// A directory lookup of one name costs about 25 times a folder entry's share of reading the
// whole folder under Wine (and is no cheaper on Windows): once a list has named this many files
// of one folder, the folder is read once and its entries are looked up by name.
constexpr unsigned LookupsBeforeListing = 32;
// A folder with more entries than this is not kept in memory; its names are looked up one by one.
constexpr size_t ListingEntryLimit = 100000;
// How long a folder's entries are taken as read before the folder is asked whether an entry was
// added, removed or renamed since: a list sees changes to its folders about as soon as a walk does.
constexpr ULONGLONG ListingCheckMs = 50;

// A name in the letter case the folder's lookup ignores, into folded; true when the name is
// plain ASCII.
bool FoldName(const wchar_t* name, std::wstring& folded) {
    folded.assign(name);
    // Most names are plain ASCII, which needs no call into the system's case tables.
    for (wchar_t& c : folded) {
        if (c >= 0x80) {
            CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
            return false;
        }
        c = static_cast<wchar_t>(AsciiUpper(static_cast<char16_t>(c)));
    }
    return true;
}

bool IsAscii(const wchar_t* text) {
    for (; *text; ++text)
        if (*text >= 0x80) return false;
    return true;
}

// When a folder's entries last changed (its last-write time); false when it cannot be asked.
bool FolderWritten(const std::wstring& folder, FILETIME& written) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(folder.c_str(), GetFileExInfoStandard, &data)) return false;
    written = data.ftLastWriteTime;
    return true;
}

// The folder part of the last list name that took the quick route, as written and as resolved,
// and once its reading has begun, the stored names of the entries read so far by folded name.
struct KnownFolder {
    std::wstring written;
    std::wstring resolved;
    bool valid = false;
    unsigned lookups = 0; // names looked up one by one since the folder was last read
    unsigned listAfter = LookupsBeforeListing;
    bool listed = false;      // its entries are being read or were read
    bool usable = false;      // the entries read can be trusted (false: it cannot be read, or holds too many)
    bool complete = false;    // every entry has been read
    FindHandle reading;       // open while entries remain to be read
    FILETIME listedWritten{}; // the folder's last-write time when its reading began
    ULONGLONG checkedAt = 0;  // tick count when that was last compared
    FolderIndex entries;
    // Buffers reused from name to name: a list of many names costs no allocation per name.
    std::wstring work, candidate, folded, entryFolded, stored;

    void Forget(unsigned nextListAfter) {
        lookups = 0;
        listAfter = nextListAfter;
        listed = usable = complete = false;
        reading.reset();
        entries.Clear();
    }
};

// Begins reading the folder (prefix: the resolved folder with its separator) for its entries.
void StartListing(KnownFolder& folder, const std::wstring& prefix) {
    folder.Forget(folder.listAfter);
    folder.listed = true;
    folder.usable = FolderWritten(prefix, folder.listedWritten);
    folder.checkedAt = GetTickCount64();
}

// The folder's next entry; false at its end or when it cannot be read.
bool NextEntry(KnownFolder& folder, const std::wstring& prefix, WIN32_FIND_DATAW& entry) {
    if (folder.complete) return false;
    if (!folder.reading) {
        folder.reading.reset(FindFirstFileExW((prefix + L"*").c_str(), FindExInfoBasic, &entry,
                                              FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (folder.reading) return true;
    } else if (FindNextFileW(folder.reading.get(), &entry)) {
        return true;
    }
    folder.reading.reset();
    folder.complete = true;
    return false;
}

// Reads at most count more of the folder's entries into the index, until one of them folds to
// folder.folded, and returns its stored name; null when none of them does. Names of a list mostly
// come in the folder's own order, so the folder is read a little at a time between reports, as a
// walk reads it, rather than all at once while the report workers wait.
const wchar_t* ReadUntilFound(KnownFolder& folder, const std::wstring& prefix, size_t count) {
    WIN32_FIND_DATAW entry;
    for (size_t read = 0; read < count && NextEntry(folder, prefix, entry); ++read) {
        if (IsDotName(entry.cFileName)) continue;
        if (folder.entries.Size() >= ListingEntryLimit) {
            // Too many to keep: this folder's names are looked up one by one.
            folder.usable = false;
            folder.complete = true;
            folder.reading.reset();
            folder.entries.Clear();
            return nullptr;
        }
        FoldName(entry.cFileName, folder.entryFolded);
        const wchar_t* stored = folder.entries.Add(folder.entryFolded, entry.cFileName);
        if (folder.entryFolded == folder.folded) return stored;
    }
    return nullptr;
}

// The folder's entries as read, unless the folder has changed since its reading began: then they
// are dropped, and the folder is read again only after as many names as make that worth its cost.
bool ListingStillTrue(KnownFolder& folder, const std::wstring& prefix) {
    if (!folder.usable) return false;
    ULONGLONG now = GetTickCount64();
    if (now - folder.checkedAt < ListingCheckMs) return true;
    folder.checkedAt = now;
    FILETIME written;
    if (FolderWritten(prefix, written) && CompareFileTime(&written, &folder.listedWritten) == 0) return true;
    size_t size = folder.entries.Size();
    folder.Forget(LookupsBeforeListing + static_cast<unsigned>(size / 16));
    return false;
}

// The stored name of name in the known folder (prefix: the resolved folder with its separator),
// or null when it is not found; it stays valid until the next name is looked up.
const wchar_t* StoredName(KnownFolder& folder, const std::wstring& prefix, const wchar_t* name) {
    if (!folder.listed && folder.lookups >= folder.listAfter) StartListing(folder, prefix);
    if (folder.listed && ListingStillTrue(folder, prefix)) {
        const bool asciiName = FoldName(name, folder.folded);
        // The folder's next entry first: in a list made from the folder, that is the name. A name
        // the entries do not hold (a short name, say), or that two entries fold to, still takes
        // its own lookup.
        const wchar_t* stored = ReadUntilFound(folder, prefix, 1);
        if (!stored) stored = folder.entries.Find(folder.folded);
        if (!stored) stored = ReadUntilFound(folder, prefix, SIZE_MAX);
        // Two ASCII names that fold alike are the same name to the folder; others are compared as
        // the file system compares them.
        if (stored && ((asciiName && IsAscii(stored)) ||
                       CompareStringOrdinal(stored, -1, name, -1, TRUE) == CSTR_EQUAL))
            return stored;
    } else {
        ++folder.lookups;
    }
    WIN32_FIND_DATAW entry;
    FindHandle find(FindFirstFileW((prefix + name).c_str(), &entry));
    if (!find || IsDotName(entry.cFileName)) return nullptr;
    folder.stored.assign(entry.cFileName);
    return folder.stored.c_str();
}

// Resolves a list name as ResolvePath(name, ResolveHome) does and finds that it exists, asking the
// host only for the true name of its folder, once while consecutive names share that folder: the
// file's own stored name comes from one directory lookup, as a wildcard walk's entries do. False
// for names that must take the whole route (home folders, wildcard characters, streams, dot
// names, device names, long paths, or a name that is not found).
bool ResolveInKnownFolder(const U16String& line, KnownFolder& folder, std::wstring& path) {
    std::wstring& work = folder.work;
    work.assign(Wide(line.c_str()));
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
    if (!folder.valid || folder.written.size() != nameStart ||
        work.compare(0, nameStart, folder.written) != 0) {
        std::wstring written = work.substr(0, nameStart);
        std::vector<wchar_t> resolved(PathChars, 0);
        folder.valid = false;
        if (ResolvePath(written.empty() ? L"." : written.c_str(), resolved.data(), ResolveHome) != 0)
            return false;
        folder.written = written;
        folder.resolved = resolved.data();
        folder.valid = true;
        folder.Forget(LookupsBeforeListing);
    }
    if (folder.resolved.empty() || folder.resolved.size() + (work.size() - nameStart) + 2 >= MAX_PATH - 12)
        return false;
    std::wstring& candidate = folder.candidate;
    candidate.assign(folder.resolved);
    if (candidate.back() != L'\\' && candidate.back() != L':') candidate += L'\\';
    const wchar_t* stored = StoredName(folder, candidate, name);
    if (!stored) return false;
    candidate += stored;
    // As ResolvePath: a true name that differs only in letter case is not taken.
    // (The comparison maps one code unit to one: names of different lengths are never equal.)
    const bool sameName = candidate.size() == work.size() &&
                          CompareStringOrdinal(candidate.c_str(), -1, work.c_str(), -1, TRUE) == CSTR_EQUAL;
    path.assign(sameName ? work : candidate);
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
    U16String name;
    while (list.cursor.position < list.cursor.size &&
           ReadLine(list.cursor, line.data(), PathChars, true) == 0) {
        ListLineName(U16View(line.data()), name);
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
