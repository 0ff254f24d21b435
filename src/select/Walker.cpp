// The file walker: turns a file specification into the files to report, filters entries by name,
// attributes and ranges, descends into subdirectories, and guards every handler call.
#include "select/Walker.h"

#include "output/LineOutput.h"
#include "output/Progress.h"
#include "output/TerminalText.h"
#include "output/ErrorReport.h"
#include "gateway/HostGateway.h"
#include "core/FileAttributes.h"
#include "core/Limits.h"
#include "core/Owners.h"
#include "select/FolderLoop.h"
#include "select/ListFile.h"
#include "files/PathResolve.h"
#include "select/RangeMatch.h"

#include <cwchar>
#include <memory>
#include <vector>

namespace scrutel {

namespace {

// What every level of one walk shares.
struct WalkContext {
    uint32_t omitMask;
    ScanSettings& settings;
    FileHandler handler;
    uint32_t attributeMask;
    uint32_t attributeValues;
    const RangeSet& ranges;
};

// One directory level. The walk keeps these on an explicit stack rather than the machine
// stack, so that a tree as deep as the longest path cannot exhaust the host thread's stack.
struct Frame {
    std::wstring full; // the full specification, shown in messages
    std::wstring dir;  // directory part, with the long-path prefix when needed
    std::wstring name; // name part: the pattern
    uint32_t flags = 0;
    int minDepth = 0;
    int maxDepth = -1;
    int result = 0;
    bool selected = false;
    bool errorPrinted = false;
    FindHandle subdirs;      // the subdirectory enumeration while its children are walked
    WIN32_FIND_DATAW next{}; // the entry that the subdirectory enumeration returns next
    bool haveNext = false;
};

bool IsDotName(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

HANDLE StdErr() {
    return GetStdHandle(STD_ERROR_HANDLE);
}

// A list-file specification: "@name" without wildcards after its last separator, where the
// name after "@" is a file and "@name" itself is not.
bool IsListFileSpec(const wchar_t* spec, uint32_t flags) {
    if (!(flags & WalkListFiles) || spec[0] != L'@' || spec[1] == 0) return false;
    const wchar_t* last = spec;
    for (const wchar_t* p = spec; *p; ++p)
        if (IsSeparator(*p)) last = p + 1;
    for (const wchar_t* p = last; *p; ++p)
        if (*p == L'*' || *p == L'?') return false;
    return !gateway::QueryIsFile(spec) && gateway::QueryIsFile(spec + 1);
}

// Resolves and splits a specification. Returns true with a new frame, or false with the
// specification's whole result (an empty specification or a list file).
bool PrepareFrame(const wchar_t* spec, uint32_t flags, int minDepth, int maxDepth, const WalkContext& context,
                  int& result, std::unique_ptr<Frame>& frame) {
    if (!spec || !*spec) {
        result = -1;
        return false;
    }
    if (IsListFileSpec(spec, flags)) {
        result = ReadListFile(spec + 1, context.omitMask, context.settings, context.handler, flags);
        return false;
    }
    frame = std::make_unique<Frame>();
    if (!(flags & WalkSpecResolved)) {
        std::vector<wchar_t> resolved(PathChars, 0);
        unsigned mode = (flags & WalkNameLists) ? (ResolveNameLists | ResolveHome) : ResolveHome;
        if (ResolvePath(spec, resolved.data(), mode) == 0) frame->full = resolved.data();
        flags |= WalkSpecResolved;
    } else {
        frame->full.assign(spec, wcsnlen(spec, PathChars - 1));
    }
    frame->flags = flags;
    frame->minDepth = minDepth;
    frame->maxDepth = maxDepth;

    size_t split = frame->full.find_last_of(L"\\/");
    if (split == std::wstring::npos) split = frame->full.find_last_of(L':');
    size_t nameStart = split == std::wstring::npos ? 0 : split + 1;
    frame->dir = frame->full.substr(0, nameStart);
    frame->name = frame->full.substr(nameStart);
    if (!frame->dir.empty()) {
        if (flags & WalkLongForm) UseLongForm(frame->dir);
        AddLongPathPrefix(frame->dir);
    }
    return true;
}

void PrintEnumerationError(const std::wstring& full, DWORD error) {
    wchar_t text[TextOutputChars] = {};
    FormatErrorText(error, text);
    PrintErrorPrefix();
    // Folder names come from the file system: shown with their controls escaped.
    gateway::Qprintf(StdErr(), L"Error matching \"%s\" :\r\n", TerminalSafe(full).c_str());
    gateway::Qprintf(StdErr(), L"   %s\r\n", text);
}

bool EntryTimesPresent(const WIN32_FIND_DATAW& entry) {
    return (entry.ftCreationTime.dwLowDateTime | entry.ftCreationTime.dwHighDateTime |
            entry.ftLastWriteTime.dwLowDateTime | entry.ftLastWriteTime.dwHighDateTime) != 0;
}

// The files of one directory level. Returns ABORTED or 0.
int WalkFiles(Frame& frame, const WalkContext& context) {
    if (frame.minDepth > 0) return 0;
    std::wstring pattern = frame.dir + L"*";
    AddLongPathPrefix(pattern); // a directory part just under the limit still needs room for "*"
    WIN32_FIND_DATAW entry;
    FindHandle find(FindFirstFileW(pattern.c_str(), &entry));
    if (!find) {
        DWORD error = GetLastError();
        // Missing files and refused access end as "No matching files" when nothing else is found.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_ACCESS_DENIED) return 0;
        if (PrintPendingReports() == ABORTED) return ABORTED;
        PrintEnumerationError(frame.full, error);
        frame.result = -1;
        frame.errorPrinted = true;
        return 0;
    }
    const bool lists = (frame.flags & WalkNameLists) != 0;
    do {
        NoteScanned(frame.dir);
        if (entry.dwFileAttributes & AttributeDevice) continue;
        if (!EntryTimesPresent(entry)) continue;
        if (IsDotName(entry.cFileName)) continue;
        if (MatchName(frame.name.c_str(), entry.cFileName, lists) != 0) continue;
        if ((entry.dwFileAttributes & context.attributeMask) !=
            (context.attributeValues & context.attributeMask))
            continue;
        if (RangeMatches(&entry, frame.dir.c_str(), context.ranges.records) != 0) continue;

        std::wstring path = frame.dir + entry.cFileName;
        if (path.size() >= PathChars) continue; // does not fit a path buffer: treated as absent
        // A file named like a device (AUX.txt, NUL) is opened as that device in a plain path, and
        // one whose name ends in a dot or a blank loses that end.
        if (AddLongPathPrefix(path) == 0) ProtectEntryName(path);
        frame.selected = true;
        int rc = CallFileHandler(context.handler, path.c_str(), context.omitMask, context.settings);
        if (rc == ABORTED) return ABORTED;
        if (rc != 0) frame.result = rc;
    } while (FindNextFileW(find.get(), &entry));
    return 0;
}

// The identity of the folder that a directory part (ending in a separator) names, following any
// link or junction to where it leads. Attributes are all the open asks for, so a folder whose
// listing is refused still answers.
FolderIdentity IdentifyFolder(const std::wstring& dir) {
    FileHandle folder(CreateFileW(dir.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder.get(), &info)) return {};
    return MakeFolderIdentity(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
}

void OpenSubdirectories(Frame& frame) {
    if (!(frame.flags & WalkRecurse) || frame.maxDepth == 0) return;
    std::wstring pattern = frame.dir + L"*";
    AddLongPathPrefix(pattern);
    frame.subdirs.reset(FindFirstFileW(pattern.c_str(), &frame.next));
    frame.haveNext = static_cast<bool>(frame.subdirs);
}

// The next subdirectory to walk below frame, as its specification and whether its directory
// part needs the long form; false when there is none.
bool NextSubdirectory(Frame& frame, std::wstring& childSpec, bool& longForm) {
    while (frame.haveNext) {
        WIN32_FIND_DATAW entry = frame.next;
        frame.haveNext = FindNextFileW(frame.subdirs.get(), &frame.next) != FALSE;
        DWORD a = entry.dwFileAttributes;
        if (!(a & AttributeDirectory) || (a & (AttributeDevice | AttributeVirtual))) continue;
        if (IsDotName(entry.cFileName)) continue;
        if ((frame.flags & WalkSkipJunctions) && (a & AttributeReparsePoint)) continue;
        if ((frame.flags & WalkSkipHiddenDirs) && (a & AttributeHidden)) continue;
        if ((frame.flags & WalkSkipSystemDirs) && (a & AttributeSystem)) continue;
        // The specification in the form shown (frame.full's); the bound is the form used (frame.dir's).
        size_t name = wcsnlen(entry.cFileName, MAX_PATH);
        if (frame.dir.size() + name + 1 + frame.name.size() >= PathChars) continue;
        childSpec = frame.full.substr(0, frame.full.size() - frame.name.size());
        childSpec.append(entry.cFileName, name).append(L"\\").append(frame.name);
        // "apache." in a plain path is "apache": the folder itself is reached only in the long form.
        longForm = NameNeedsLongForm(entry.cFileName);
        return true;
    }
    frame.subdirs.reset();
    return false;
}

int FinishFrame(Frame& frame) {
    if (frame.selected) return frame.result;
    if (frame.result == 0) frame.result = 1;
    if (!(frame.flags & WalkQuietNotFound) && !frame.errorPrinted) {
        if (PrintPendingReports() == ABORTED) return ABORTED;
        PrintErrorPrefix();
        gateway::Qprintf(StdErr(), L"No matching files: \"%s\"\r\n", TerminalSafe(frame.full).c_str());
    }
    return frame.result;
}

// A subdirectory's result as its parent counts it. False when the walk is to stop.
bool TakeChildResult(Frame& parent, int childResult) {
    if (childResult == ABORTED) return false;
    if (childResult < 0)
        parent.result = childResult;
    else if (childResult == 0)
        parent.selected = true;
    return true;
}

HANDLE OpenConsoleDevice() {
    return CreateFileW(L"conout$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

} // namespace

int MatchName(const wchar_t* pattern, const wchar_t* name, bool lists) {
    if (!pattern || !name) return -1;
    if (!lists) return gateway::WildcardComparison(pattern, name, 1, 1);
    int last = -2;
    std::wstring alternative;
    const wchar_t* p = pattern;
    for (;;) {
        const wchar_t* end = wcschr(p, L'|');
        size_t length = end ? static_cast<size_t>(end - p) : wcslen(p);
        if (length > 0) {
            alternative.assign(p, length < PathChars - 1 ? length : PathChars - 1);
            last = gateway::WildcardComparison(alternative.c_str(), name, 1, 1);
            if (last == 0) return 0;
        }
        if (!end) break;
        p = end + 1;
    }
    return last;
}

int CallFileHandler(FileHandler handler, const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    try {
        return handler(path, omitMask, settings);
    } catch (...) {
        ReportHandlerException(path, omitMask);
        return ABORTED;
    }
}

int WalkFileSpec(const wchar_t* spec, const WalkOptions& options, ScanSettings& settings,
                 FileHandler handler) {
    if (!handler) return -1;
    static const RangeSet NoRanges;
    WalkContext context{options.omitMask,
                        settings,
                        handler,
                        options.attributeMask,
                        options.attributeValues,
                        options.ranges ? *options.ranges : NoRanges};
    int result = 0;
    std::unique_ptr<Frame> frame;
    if (!PrepareFrame(spec, options.walkFlags, options.minDepth, options.maxDepth, context, result, frame))
        return result;
    if (WalkFiles(*frame, context) == ABORTED) return ABORTED;
    OpenSubdirectories(*frame);

    std::vector<std::unique_ptr<Frame>> stack;
    // The identities of the folders on stack, outermost first. A subdirectory that is one of them
    // (a link or junction to the folder itself or to an ancestor) is not entered: its files are
    // those the walk is already reporting, and entering it would repeat them until the path no
    // longer fits. Nothing is printed for it; the walk's output and result are those of the tree
    // without the loop.
    std::vector<FolderIdentity> inside;
    inside.push_back(frame->subdirs ? IdentifyFolder(frame->dir) : FolderIdentity{});
    stack.push_back(std::move(frame));
    std::wstring childSpec;
    while (!stack.empty()) {
        Frame& top = *stack.back();
        bool longForm = false;
        if (NextSubdirectory(top, childSpec, longForm)) {
            uint32_t childFlags =
                top.flags | WalkQuietNotFound | WalkSpecResolved | (longForm ? WalkLongForm : 0);
            int childMin = top.minDepth > 0 ? top.minDepth - 1 : 0;
            int childMax = top.maxDepth < 0 ? -1 : top.maxDepth - 1;
            std::unique_ptr<Frame> child;
            int childResult = 0;
            if (!PrepareFrame(childSpec.c_str(), childFlags, childMin, childMax, context, childResult,
                              child)) {
                if (!TakeChildResult(top, childResult)) return ABORTED;
                continue;
            }
            FolderIdentity folder = IdentifyFolder(child->dir);
            if (FolderOnPath(inside, folder)) continue;
            if (WalkFiles(*child, context) == ABORTED) return ABORTED;
            OpenSubdirectories(*child);
            inside.push_back(folder);
            stack.push_back(std::move(child));
            continue;
        }
        int finished = FinishFrame(top);
        stack.pop_back();
        inside.pop_back();
        if (stack.empty()) return finished;
        if (!TakeChildResult(*stack.back(), finished)) return ABORTED;
    }
    return result;
}

WORD ExceptionAttribute(WORD current) {
    unsigned foreground = current & 0x0F;
    unsigned background = (current >> 4) & 0x0F;
    if (foreground == background) return 0x0F;
    if (foreground != 0 && !(foreground & 0x8) && !(background & 0x8))
        return static_cast<WORD>(current | 0x08);
    WORD first = ContrastColours[0][background];
    return first == current ? ContrastColours[1][background] : first;
}

WORD ExceptionColour() {
    FileHandle console(OpenConsoleDevice());
    if (!console) return 7;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(console.get(), &info)) return 7;
    WORD old = info.wAttributes;
    SetConsoleTextAttribute(console.get(), ExceptionAttribute(old));
    return old;
}

void RestoreConsoleAttribute(WORD attribute) {
    FileHandle console(OpenConsoleDevice());
    if (!console) return;
    SetConsoleTextAttribute(console.get(), attribute);
}

std::wstring FormatHandlerException(const wchar_t* path, uint32_t omitMask) {
    const std::wstring shown = TerminalSafe(path);
    std::vector<wchar_t> buffer(shown.size() + 160, 0);
    int n = _snwprintf(buffer.data(), buffer.size() - 1,
                       L"\n\u2022  EXCEPTION in FileHandler():   Filename = \"%s\"   Flags = 0x%04X\n",
                       shown.c_str(), omitMask);
    std::wstring text(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
    n = _snwprintf(buffer.data(), buffer.size() - 1, L"   RETURNING :  %d\n\n", ABORTED);
    text.append(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

void ReportHandlerException(const wchar_t* path, uint32_t omitMask) {
    try {
        FlushOutput();
        WORD kept = ExceptionColour();
        std::wstring text = FormatHandlerException(path, omitMask);
        FileHandle console(OpenConsoleDevice());
        if (console) {
            DWORD written = 0;
            WriteConsoleW(console.get(), text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        }
        RestoreConsoleAttribute(kept);
    } catch (...) {
        // The report is best effort: nothing may escape into the walk.
    }
}

} // namespace scrutel
