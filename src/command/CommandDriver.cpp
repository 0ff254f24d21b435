// The SCRUTEL command driver: splits and dispatches the arguments, prepares width, paging, colours
// and interruption, walks every file specification and prints the closing count.
#include "command/CommandDriver.h"

#include "command/ArgumentReport.h"
#include "command/ConsoleWindow.h"
#include "command/HelpTexts.h"
#include "command/RangeClock.h"
#include "command/RangeParse.h"
#include "command/ReportPipeline.h"
#include "command/SplitArguments.h"
#include "command/Switches.h"
#include "core/CharClass.h"
#include "core/Results.h"
#include "core/Version.h"
#include "output/Colours.h"
#include "output/LineOutput.h"
#include "output/Progress.h"
#include "gateway/HostGateway.h"
#include "reports/DigestListFile.h"
#include "reports/ReportFile.h"
#include "reports/ReportSections.h"
#include "files/PathResolve.h"
#include "select/Walker.h"

#include <cwchar>
#include <memory>
#include <system_error>
#include <vector>

#ifndef SCRUTEL_MAIN_SOURCE
#define SCRUTEL_MAIN_SOURCE "ScrutelCmd.cpp"
#endif
#define SCRUTEL_WIDEN2(text) L##text
#define SCRUTEL_WIDEN(text) SCRUTEL_WIDEN2(text)

namespace scrutel {

namespace {

constexpr uint32_t WidthUnset = 0xFFFFFFFFu;

bool Contains(U16View text, char16_t c) {
    return text.find(c) != U16View::npos;
}

// Everything one command run builds from its arguments.
struct CommandValues {
    ScanSettings settings;
    uint32_t omitMask = 0;
    uint32_t walkFlags = WalkNameLists | WalkListFiles;
    uint32_t attributeMask = 0x10;
    uint32_t attributeValues = 0;
    int minDepth = 0;
    int maxDepth = -1;
    RangeSet ranges;
    int noHighlight = 0;
    int showSummary = 1;
    PauseSettings pause;
    int specCount = 0;
    // /V: the digest list to check instead of walking; /L: the digest kind of the list output.
    U16String checkList;
    uint32_t listKind = 0;
};

// Runs on every path once the arguments have been split.
class CommandCleanup {
  public:
    CommandCleanup() = default;
    CommandCleanup(const CommandCleanup&) = delete;
    CommandCleanup& operator=(const CommandCleanup&) = delete;
    ~CommandCleanup() {
        Output().paging.interrupted = 0;
        RemoveCtrlHandler();
    }
};

// One argument into v: nothing when the command goes on, otherwise what ends it.
ParseStatus DispatchArgument(U16View arg, CommandValues& v) {
    if (arg.empty()) return {};
    if (StartsWithIgnoringCase(arg, u"/?"))
        return HelpRequest(arg.size() > 2 && arg[2] == u'?' ? HelpTopic::UsageWithVersion : HelpTopic::Usage,
                           CommandSucceeded);
    if (StartsWithIgnoringCase(arg, u"/N") && Contains(arg, u'?'))
        return HelpRequest(HelpTopic::NoFeatures, CommandSucceeded);
    if (StartsWithIgnoringCase(arg, u"/[") || StartsWithIgnoringCase(arg, u"/!["))
        return ParseRangeOption(arg, v.ranges, SystemParseContext());
    if (StartsWithIgnoringCase(arg, u"/A"))
        return ParseAttributeOption(arg, v.attributeMask, v.attributeValues);
    if (StartsWithIgnoringCase(arg, u"/I") && arg.size() > 2)
        return ParseDescriptionRange(arg.substr(2), false, false, v.ranges, SystemParseContext());
    if (StartsWithIgnoringCase(arg, u"/!I") && arg.size() > 3)
        return ParseDescriptionRange(arg.substr(3), true, false, v.ranges, SystemParseContext());
    if (StartsWithIgnoringCase(arg, u"/N")) return ParseSuboptions(arg, v.walkFlags, v.noHighlight);
    if (StartsWithIgnoringCase(arg, u"/S"))
        return ParseSubdirOption(arg, v.walkFlags, v.minDepth, v.maxDepth);
    if (StartsWithIgnoringCase(arg, u"/C")) {
        if (Contains(arg, u'?')) return HelpRequest(HelpTopic::Hashes, CommandSucceeded);
        return ParseHashList(SystemUpperCase(arg), v.settings.hashMask);
    }
    if (EqualsIgnoringCase(arg, u"/D")) {
        v.noHighlight = 1;
        return {};
    }
    if (StartsWithIgnoringCase(arg, u"/V")) {
        if (Contains(arg, u'?')) return HelpRequest(HelpTopic::DigestLists, CommandSucceeded);
        return ParseCheckList(arg, v.checkList);
    }
    if (StartsWithIgnoringCase(arg, u"/L")) {
        if (Contains(arg, u'?')) return HelpRequest(HelpTopic::DigestLists, CommandSucceeded);
        return ParseListKind(SystemUpperCase(arg), v.listKind);
    }
    if (StartsWithIgnoringCase(arg, u"/O"))
        return ParseOmitLetters(arg, v.omitMask, v.walkFlags, v.showSummary);
    if (StartsWithIgnoringCase(arg, u"/P")) return ParsePauseOption(arg, v.pause);
    if (StartsWithIgnoringCase(arg, u"/T"))
        return ParseTimeLetters(arg, v.settings.timeFlags, v.settings.timeZoneMode);
    if (EqualsIgnoringCase(arg, u"/W")) {
        v.settings.maxWidth = 0;
        return {};
    }
    if (StartsWithIgnoringCase(arg, u"/W")) return ParseMaxWidth(arg, v.settings.maxWidth);
    if (arg[0] == u'/') {
        // The one message without the plugin's prefix.
        ArgumentError unknown = ShownError(u"Unknown option: \"", arg, u"\"\r\n");
        unknown.prefixed = false;
        return unknown;
    }
    ++v.specCount;
    return {};
}

// The summary line goes out like a heading: in the highlight colour when colour is on.
void WriteSummary(const wchar_t* text) {
    if (Output().colours.normalAttr == 0) {
        ReportPuts(text);
        return;
    }
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    SetConsoleTextAttribute(out, Output().colours.highlightAttr);
    DWORD written = 0;
    if (!WriteConsoleW(out, text, static_cast<DWORD>(wcslen(text)), &written, nullptr)) gateway::QPuts(text);
    SetConsoleTextAttribute(out, Output().colours.normalAttr);
    gateway::SetColors(Output().colours.normalAttr);
}

// The walker's specification for a command-line argument, in spec (PathChars characters).
const wchar_t* SpecificationFor(const wchar_t* arg, uint32_t walkFlags, std::vector<wchar_t>& spec) {
    if (arg[0] == L'@' && arg[1] && (walkFlags & WalkListFiles)) return arg;
    wmemset(spec.data(), 0, spec.size());
    ResolvePath(arg, spec.data(), ResolveNameLists | ResolveHome);
    if (gateway::QueryIsDirectory(spec.data())) {
        size_t length = wcslen(spec.data());
        wchar_t last = length ? spec[length - 1] : 0;
        const wchar_t* tail = (last == L'/' || last == L':' || last == L'\\') ? L"*" : L"\\*";
        if (length + wcslen(tail) < spec.size()) wcscat(spec.data(), tail);
    }
    AddLongPathPrefix(spec.data(), spec.size());
    return spec.data();
}

// Splits the argument text into table and takes each switch and range option into v: nothing
// when the command goes on, otherwise what ends it.
ParseStatus ParseArguments(const char16_t* argumentText, ArgTable& table, CommandValues& v) {
    if (ParseStatus error = SplitArguments(argumentText, table)) return error;
    for (int k = 0; k < table.argCount; ++k)
        if (ParseStatus error = DispatchArgument(table.Argument(k), v)) return error;
    // A check reads its files from the list alone.
    if (!v.checkList.empty() && v.listKind) return MessageError(u"/V: and /L: cannot be combined\r\n");
    if (!v.checkList.empty() && v.specCount) return MessageError(u"/V: takes no file names\r\n");
    return {};
}

// The console's width, paging, colours and the interruption handler, as the switches asked.
void SetUpOutput(CommandValues& v) {
    if (v.settings.maxWidth == WidthUnset) v.settings.maxWidth = ConsoleReportWidth();
    Output().paging.pauseTimeoutMs = v.pause.timeoutMs;
    if (v.pause.lines) SetupPageLength(v.pause.lines);
    SetupColours(v.noHighlight);
    Output().paging.interrupted = 0;
    InstallCtrlHandler();
}

// What the report uses when the command line says nothing: the text file types from the
// environment (types holds them), every time stamp, CRC-32 and MD5.
void ApplyDefaults(CommandValues& v, std::vector<wchar_t>& types) {
    types.assign(HostExpandChars, 0);
    DWORD typesLength =
        GetEnvironmentVariableW(L"TextFileTypes", types.data(), static_cast<DWORD>(HostExpandChars));
    v.settings.textFileTypes = (typesLength == 0 || typesLength >= static_cast<DWORD>(HostExpandChars))
                                   ? BuiltInTextFileTypes
                                   : types.data();
    v.settings.matchCount = 0;
    if (!(v.settings.timeFlags & (TimeCreation | TimeModified | TimeAccess)))
        v.settings.timeFlags |= TimeCreation | TimeModified | TimeAccess;
    if (v.settings.hashMask == 0) v.settings.hashMask = HashCrc32 | HashMd5;
}

// Walks every file specification of the command line (or "*" when there is none): interrupted,
// failed when one selected nothing or failed, succeeded otherwise.
int WalkSpecifications(CommandValues& v, const ArgTable& table, FileHandler handler) {
    WalkOptions options;
    options.omitMask = v.omitMask;
    options.walkFlags = v.walkFlags;
    options.attributeMask = v.attributeMask;
    options.attributeValues = v.attributeValues;
    options.ranges = &v.ranges;
    options.minDepth = v.minDepth;
    options.maxDepth = v.maxDepth;
    int result = CommandSucceeded;
    if (v.specCount == 0) {
        int rc = WalkFileSpec(L"*", options, v.settings, handler);
        if (rc != ABORTED && PrintPendingReports() == ABORTED) rc = ABORTED;
        if (rc == ABORTED) return CommandInterrupted;
        if (rc != 0) result = CommandFailed;
        return result;
    }
    std::vector<wchar_t> spec(PathChars, 0);
    for (int k = 0; k < table.argCount; ++k) {
        const wchar_t* arg = Wide(table.argPointers[k]);
        if (table.argLengths[k] == 0 || arg[0] == L'/') continue;
        int rc = WalkFileSpec(SpecificationFor(arg, v.walkFlags, spec), options, v.settings, handler);
        // The reports still with the workers belong before the next specification's messages.
        if (rc != ABORTED && PrintPendingReports() == ABORTED) rc = ABORTED;
        if (rc == ABORTED) return CommandInterrupted;
        if (rc != 0) result = CommandFailed;
    }
    return result;
}

void PrintSummary(const CommandValues& v) {
    if (!v.showSummary || !v.settings.matchCount) return;
    wchar_t text[64];
    if (v.settings.matchCount == 1)
        wcscpy(text, L"1 matching file found.");
    else
        _snwprintf(text, 64, L"%u matching files found.", v.settings.matchCount);
    text[63] = 0;
    WriteSummary(text);
    EndLine(1);
}

int RunCommandBody(wchar_t* argumentText, FileHandler handler, bool& walking) {
    CommandValues v;
    v.settings.maxWidth = WidthUnset;
    CommandCleanup cleanup;

    auto table = std::make_unique<ArgTable>();
    if (ParseStatus error = ParseArguments(U16(argumentText), *table, v)) return ReportArgumentError(*error);
    SetUpOutput(v);
    std::vector<wchar_t> types;
    ApplyDefaults(v, types);

    walking = true;
    GatheredOutputScope gathered;
    ProgressScope progress;
    if (!v.checkList.empty()) {
        int checked = CheckDigestList(Wide(v.checkList.c_str()), v.settings);
        return checked == ABORTED ? CommandInterrupted : checked == 0 ? CommandSucceeded : CommandFailed;
    }
    // The list output: one line per file and nothing else, names relative to the current folder.
    std::vector<wchar_t> currentFolder;
    if (v.listKind) {
        v.settings.hashMask = v.listKind;
        v.showSummary = 0;
        currentFolder.assign(PathChars, 0);
        if (ResolvePath(L".", currentFolder.data(), 0) == 0) v.settings.listFolder = currentFolder.data();
        if (handler == ReportFile) handler = WriteDigestListLine;
    }
    // The full report on several threads, printed in walk order; any other handler,
    // SCRUTEL_THREADS=1, or a report whose every section for a worker is omitted runs on the
    // host's thread alone.
    std::unique_ptr<ReportPipeline> pipeline;
    if (handler == ReportFile && AnyWorkerRow(ReportRows, v.omitMask)) {
        if (unsigned workers = ReportWorkerSetting(); workers > 1) {
            try {
                pipeline = std::make_unique<ReportPipeline>(workers, v.settings,
                                                            ReportSteps{ReportRows, ExecAliasSection});
                v.settings.pipeline = pipeline.get();
                handler = QueuedReportFile;
            } catch (const std::system_error&) {
                // No thread could start: the report runs on this thread.
            }
        }
    }
    int result = WalkSpecifications(v, *table, handler);
    if (pipeline) {
        pipeline->Stop();
        v.settings.pipeline = nullptr;
    }
    if (result == CommandInterrupted) return result;
    PrintSummary(v);
    return result;
}

} // namespace

std::wstring SourceFileName(const wchar_t* path) {
    if (!path) return {};
    const wchar_t* slash = nullptr;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'/' || *p == L'\\') slash = p;
    if (slash) return slash + 1;
    const wchar_t* colon = wcsrchr(path, L':');
    return colon ? colon + 1 : path;
}

int ShowUsage(int withVersion) {
    gateway::QPuts(HelpText);
    if (withVersion) {
        gateway::Printf(L"\r\n\t\t\t\t%s  %u.%u.%u.%u (%s)\r\n", ProductName, VersionMajor, VersionMinor,
                        VersionBuild, VersionRevision, L"x64");
        std::wstring source = SourceFileName(SCRUTEL_WIDEN(SCRUTEL_MAIN_SOURCE));
        gateway::Printf(L"\t\t\t\t%s  %s\r\n", source.c_str(), VersionTextWide);
    }
    return CommandSucceeded;
}

int RunCommand(wchar_t* argumentText, FileHandler handler) {
    if (!argumentText) return CommandNoArgumentText;
    // Paging, colours, gathering and the pending printer start afresh and end with the command.
    OutputScope output(NewCommandOutput());
    bool walking = false;
    try {
        return RunCommandBody(argumentText, handler, walking);
    } catch (...) {
        // Nothing escapes into the host: a failure while parsing is an argument error, one
        // during the walk a failed walk.
        return walking ? CommandFailed : CommandBadArguments;
    }
}

} // namespace scrutel

extern "C" int ScrutelRunCommand(wchar_t* argumentText) {
    if (!argumentText) return scrutel::CommandNoArgumentText;
    try {
        scrutel::gateway::EnterFromHost();
        return scrutel::RunCommand(argumentText, scrutel::ReportFile);
    } catch (...) {
        // Nothing crosses into the host; RunCommand itself already turns failures into results.
        return scrutel::CommandFailed;
    }
}
