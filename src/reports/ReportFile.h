// The per-file report: heading, then each section that applies and was not omitted.
#pragma once
#include "core/ScanSettings.h"
#include "core/SectionOutcome.h"
#include "output/ReportRecord.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace scrutel {

// The walker's FileHandler: -1 missing path, 2 not a file, ABORTED, or 0 after counting the file.
int ReportFile(const wchar_t* path, uint32_t omitMask, ScanSettings& settings);

class FileProbe;

// What every section row sees of the file being reported.
struct ReportContext {
    const wchar_t* path;      // the file the sections read (an execution alias's target when resolved)
    const wchar_t* extension; // extension of path with its dot, or null
    int quoteFlag;            // 1: typographic quotes, 0: plain double quotes
    uint32_t omitMask;
    ScanSettings* settings;
    FileProbe* probe; // path's probe, shared by the sections
};

// One row of the report: runs when omitBit is clear in omitMask and applies (when given) agrees.
// A host-thread row calls into the host (or into a library that must stay on its thread); it
// reads the file by its path only, never through the probe.
struct ReportRow {
    uint32_t omitBit;
    bool (*applies)(const ReportContext& context);
    int (*run)(const ReportContext& context);
    bool hostThread = false;
};

inline constexpr size_t ReportRowCount = 16;
// The sixteen sections in report order.
extern const std::array<ReportRow, ReportRowCount> ReportRows;

// Whether any row that would run for omitMask runs off the host's thread: without one, report
// workers would have nothing to do but hand each file back.
bool AnyWorkerRow(std::span<const ReportRow> rows, uint32_t omitMask);

// The steps of ReportFile that can be replaced: the section rows and the execution-alias section.
struct ReportSteps {
    std::span<const ReportRow> rows;
    int (*execAlias)(const wchar_t* path, wchar_t* resolved, uint32_t omitMask);
};
// ReportFile with replaceable steps; outcomes, when given, receives what each step did.
int ReportFileWith(const wchar_t* path, uint32_t omitMask, ScanSettings& settings, const ReportSteps& steps,
                   FileOutcomes* outcomes = nullptr);

// A file's report in two halves, for the report workers. StartReport runs on the host's thread:
// it checks the file with the host, writes the heading and the execution-alias lines, and runs
// the host-thread rows into records of their own. FinishReport runs the other rows in a worker,
// with those records put back in their places, so that the whole report reads as when one thread
// ran it. Both write through the report functions, so each goes to a record while a
// RecordingScope is active on its thread.
struct HostRowResult {
    ReportRecord record;
    int result = 0;
    SectionOutcome outcome = SectionOutcome::NotRun;
};
struct PreparedReport {
    std::wstring path;     // as the walker gave it
    std::wstring reported; // the file the sections read
    uint32_t omitMask = 0;
    FileOutcomes outcomes;
    bool hostRowsRun = false;            // the host-thread rows ran in StartReport
    std::vector<HostRowResult> hostRows; // one per row
};
// -1 no path, 2 not a file (nothing written), ABORTED, or 0.
int StartReport(const wchar_t* path, uint32_t omitMask, ScanSettings& settings, const ReportSteps& steps,
                PreparedReport& report, bool runHostRows);
// ABORTED or 0; counts the file in settings.matchCount.
int FinishReport(PreparedReport& report, ScanSettings& settings, const ReportSteps& steps);

// The name shown as the heading: path without a leading "\\?\" when something follows it, with
// its controls and direction characters escaped (TerminalSafe); empty for null.
std::wstring HeadingName(const wchar_t* path);
// Prints the executable type line for the codes that are shown (ExecutableRules.h); nothing for
// other codes.
int PrintExecutableTypeLine(int code, const wchar_t* name);

} // namespace scrutel
