// Evaluation of the range records against one directory entry, and the description lookup
// through the host that description ranges use.
#include "select/RangeMatch.h"

#include "core/Calendar.h"
#include "core/CharClass.h"
#include "core/Limits.h"

#include "output/ErrorReport.h"
#include "gateway/HostGateway.h"
#include "files/Owner.h"
#include "files/PathResolve.h"

#include <cwchar>
#include <memory>
#include <new>

namespace scrutel {

namespace {

// The local second of the day and day number of one of the entry's times.
struct LocalStamp {
    uint32_t second = 0;
    uint32_t day = 0;
};

// Converted with the difference between local time and UTC that is in force now, not the one in
// force at the stamp's date. False for a time that does not convert (the record then fails).
bool ReadStamp(const WIN32_FIND_DATAW& entry, uint16_t stamp, LocalStamp& out) {
    const FILETIME* time = &entry.ftLastWriteTime;
    if (stamp == StampLastAccess)
        time = &entry.ftLastAccessTime;
    else if (stamp == StampCreation)
        time = &entry.ftCreationTime;
    FILETIME local{};
    SYSTEMTIME parts{};
    if (!FileTimeToLocalFileTime(time, &local) || !FileTimeToSystemTime(&local, &parts)) return false;
    out.second = parts.wHour * 3600u + parts.wMinute * 60u + parts.wSecond;
    out.day = DayNumber(parts.wYear, parts.wMonth, parts.wDay);
    return true;
}

// The directory joined with the file name with exactly one separator (and the long-path prefix
// where needed); false when it does not fit.
bool BuildEntryPath(const wchar_t* directory, const wchar_t* name, wchar_t* path) {
    size_t dirLength = wcsnlen(directory, PathChars);
    if (dirLength >= PathChars) return false;
    wmemcpy(path, directory, dirLength + 1);
    return JoinPath(path, name, PathChars) == 0;
}

// Work buffers of description and owner records, allocated when the first such record is met.
struct LookupBuffers {
    std::unique_ptr<wchar_t[]> path;
    std::unique_ptr<wchar_t[]> text;
    bool pathReady = false;
    bool pathOk = false;

    bool Prepare(const WIN32_FIND_DATAW& entry, const wchar_t* directory) {
        if (!pathReady) {
            pathReady = true;
            path.reset(new (std::nothrow) wchar_t[PathChars]);
            text.reset(new (std::nothrow) wchar_t[HostExpandChars]);
            pathOk = path && text && BuildEntryPath(directory, entry.cFileName, path.get());
        }
        if (text) wmemset(text.get(), 0, HostExpandChars);
        return pathOk;
    }
};

// Description and owner records compare their pattern with the looked-up text; a lookup that
// fails leaves the text empty, and the empty text is compared.
bool PatternPasses(const RangeRecord& record, const WIN32_FIND_DATAW& entry, const wchar_t* directory,
                   LookupBuffers& buffers) {
    bool ready = buffers.Prepare(entry, directory);
    if (ready) {
        if (AsciiUpper(record.kind) == L'I')
            LookupDescription(buffers.path.get(), buffers.text.get());
        else
            LookupOwner(buffers.path.get(), buffers.text.get());
    }
    const wchar_t* text = buffers.text ? buffers.text.get() : L"";
    return gateway::WildcardComparison(Wide(record.pattern.c_str()), text, 0, 1) == 0;
}

} // namespace

int RangeMatches(const WIN32_FIND_DATAW* entry, const wchar_t* directory,
                 std::span<const RangeRecord> records) {
    if (!entry || !directory) return -1;
    LookupBuffers buffers;
    for (const RangeRecord& each : records) {
        const RangeRecord* record = &each;
        bool pass = false;
        bool negatable = true;
        LocalStamp stamp;
        switch (AsciiUpper(record->kind)) {
        case L'S': {
            uint64_t size = (static_cast<uint64_t>(entry->nFileSizeHigh) << 32) | entry->nFileSizeLow;
            pass = size >= record->low && size <= record->high;
            break;
        }
        case L'T':
            pass = ReadStamp(*entry, record->stamp, stamp) && stamp.second >= record->fromSecond &&
                   stamp.second <= record->toSecond;
            break;
        case L'D':
            if (ReadStamp(*entry, record->stamp, stamp)) {
                bool afterStart = stamp.day > record->fromDay ||
                                  (stamp.day == record->fromDay && stamp.second >= record->fromSecond);
                bool beforeEnd = stamp.day < record->toDay ||
                                 (stamp.day == record->toDay && stamp.second <= record->toSecond);
                pass = afterStart && beforeEnd;
            }
            break;
        case L'W':
            negatable = false;
            pass =
                ReadStamp(*entry, record->stamp, stamp) && (record->dayMask & (1u << (stamp.day % 7))) != 0;
            break;
        case L'I':
        case L'O':
            pass = PatternPasses(*record, *entry, directory, buffers);
            break;
        case L'!':
            negatable = false;
            pass = gateway::WildcardComparison(Wide(record->pattern.c_str()), entry->cFileName, 1, 1) != 0;
            break;
        default:
            // A record of no known kind has nothing to test.
            pass = true;
            negatable = false;
            break;
        }
        if (negatable && record->negate) pass = !pass;
        if (!pass) return 1;
    }
    return 0;
}

// The path goes in double quotes with every "%" doubled: file names may hold "%", "[", "]",
// blanks and commas, and the host expands a function's argument before it calls the function,
// so a bare name could expand variables or call other functions.
int DescriptionExpression(const wchar_t* path, wchar_t* buffer) {
    static constexpr wchar_t Head[] = L"%@descript[\"";
    static constexpr wchar_t Tail[] = L"\"]";
    size_t at = wcslen(Head);
    wmemcpy(buffer, Head, at);
    const size_t limit = HostExpandChars - wcslen(Tail) - 1;
    for (const wchar_t* p = path; *p; ++p) {
        size_t needed = *p == L'%' ? 2 : 1;
        if (at + needed > limit) return 111;
        buffer[at++] = *p;
        if (*p == L'%') buffer[at++] = L'%';
    }
    wmemcpy(buffer + at, Tail, wcslen(Tail) + 1);
    return 0;
}

int LookupDescription(const wchar_t* path, wchar_t* output) {
    if (!output || !path || output == path) return -1;
    if (!*path || !gateway::QueryIsFileOrDirectory(path)) return 2;
    auto buffer = std::unique_ptr<wchar_t[]>(new (std::nothrow) wchar_t[HostExpandChars]());
    if (!buffer) return 1;
    if (DescriptionExpression(path, buffer.get()) != 0) return 111;

    int expanded = 0;
    {
        // Whatever the host writes to standard error while it expands goes to "nul".
        StandardErrorSilenced quiet;
        expanded = gateway::ExpandVariables(buffer.get(), 1);
    }

    // A failed expansion leaves the expression itself in the buffer, which is no description.
    if (expanded != 0) return 1;
    size_t length = wcsnlen(buffer.get(), HostExpandChars);
    if (length >= HostExpandChars) return 111;
    wmemcpy(output, buffer.get(), length + 1);
    return 0;
}

} // namespace scrutel
