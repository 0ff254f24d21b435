// The per-file report driver: heading, execution-alias resolution, then the sixteen sections in
// their fixed order, each unless omitted or not applicable, and the count of reported files.
#include "reports/ReportFile.h"
#include "core/Limits.h"
#include "core/OmitFeatures.h"
#include "core/SectionOutcome.h"

#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "gateway/HostGateway.h"
#include "reports/FileProbe.h"
#include "reports/ExecutableType.h"
#include "core/ReportMemo.h"
#include "reports/ReportSections.h"
#include "reports/ReportText.h"
#include "reports/VersionInfo.h"

#include <cwchar>
#include <memory>

namespace scrutel {

namespace {

bool IsExtension(const ReportContext& c, const wchar_t* extension) {
    return c.extension && _wcsicmp(c.extension, extension) == 0;
}

bool IsLink(const ReportContext& c) {
    return IsExtension(c, L".lnk");
}
bool IsImage(const ReportContext& c) {
    return ImageFileKind(c.path) != 0;
}
bool IsFont(const ReportContext& c) {
    return FontFileKind(c.path) != 0;
}

int RunVersionHeader(const ReportContext& c) {
    return VersionHeaderSection(*c.probe, c.quoteFlag, c.settings->maxWidth);
}
int RunFileType(const ReportContext& c) {
    return FileTypeSection(c.path, c.quoteFlag, c.settings->memo.get());
}
int RunSize(const ReportContext& c) {
    return SizeSection(*c.probe);
}
int RunTimes(const ReportContext& c) {
    return TimeStampSection(*c.probe, c.settings->timeZoneMode, c.settings->timeFlags);
}
int RunAttributes(const ReportContext& c) {
    return AttributesSection(*c.probe, c.settings->memo.get());
}
int RunStreams(const ReportContext& c) {
    return StreamsSection(c.path);
}
int RunChecksums(const ReportContext& c) {
    return ChecksumSection(*c.probe, *c.settings);
}
int RunDescription(const ReportContext& c) {
    return DescriptionOfFile(c.path);
}
int RunExecutableType(const ReportContext& c) {
    int code = ExecutableTypeCode(*c.probe);
    return PrintExecutableTypeLine(code, ExecutableTypeName(code));
}
int RunTextEncoding(const ReportContext& c) {
    return TextEncodingReport(*c.probe, c.settings->textFileTypes);
}
int RunLinkTarget(const ReportContext& c) {
    return LinkTargetSection(c.path, c.omitMask);
}
int RunVersionResource(const ReportContext& c) {
    // A file without a version resource has nothing to show rather than a failure.
    int rc = VersionResourceSection(*c.probe);
    return rc == VersionBlockAbsent ? 0 : rc;
}
int RunImage(const ReportContext& c) {
    return ImageSection(c.path);
}
int RunProperties(const ReportContext& c) {
    // The property system may open the file without sharing.
    c.probe->ReleaseHandle();
    return PropertiesSection(c.path, c.settings->propertySystem);
}
int RunFont(const ReportContext& c) {
    // The font table is narrower than the report by its label column; 0 still means no limit.
    uint32_t width = c.settings->maxWidth;
    return FontSection(c.path, width > 31 ? width - 31 : 0);
}
int RunDocumentSummary(const ReportContext& c) {
    return DocumentSummarySection(*c.probe);
}

// The sections in report order.
constexpr std::array<ReportRow, ReportRowCount> Rows = {{
    {OmitVersionHeader, nullptr, RunVersionHeader},
    {OmitFileType, nullptr, RunFileType},
    {OmitSizes, nullptr, RunSize},
    {OmitTimes, nullptr, RunTimes},
    {OmitAttributes, nullptr, RunAttributes},
    {OmitStreams, nullptr, RunStreams},
    {OmitChecksums, nullptr, RunChecksums},
    {OmitDescriptions, nullptr, RunDescription, true},
    {OmitExeInfo, nullptr, RunExecutableType},
    {OmitTextEncoding, nullptr, RunTextEncoding},
    {OmitLinkTargets, IsLink, RunLinkTarget, true},
    {OmitVersionInfo, nullptr, RunVersionResource},
    {OmitImageInfo, IsImage, RunImage, true},
    {OmitProperties, nullptr, RunProperties},
    {OmitFontInfo, IsFont, RunFont},
    {OmitSummaryInfo, nullptr, RunDocumentSummary},
}};

// Each omit letter that leaves out a section has exactly one row, and every row has such a letter.
static_assert([] {
    for (const OmitLetterRow& letter : OmitLetterRows) {
        size_t rows = 0;
        for (const ReportRow& row : Rows)
            if (row.omitBit == letter.bit) ++rows;
        if (rows != (letter.reportRow ? 1u : 0u)) return false;
    }
    for (const ReportRow& row : Rows) {
        bool lettered = false;
        for (const OmitLetterRow& letter : OmitLetterRows)
            if (letter.bit == row.omitBit && letter.reportRow) lettered = true;
        if (!lettered) return false;
    }
    return true;
}());

} // namespace

const std::array<ReportRow, ReportRowCount> ReportRows = Rows;

bool AnyWorkerRow(std::span<const ReportRow> rows, uint32_t omitMask) {
    for (const ReportRow& row : rows)
        if (!row.hostThread && !(omitMask & row.omitBit)) return true;
    return false;
}

std::wstring HeadingName(const wchar_t* path) {
    if (!path) return {};
    if (wcsncmp(path, L"\\\\?\\", 4) == 0 && path[4] != 0) path += 4;
    // The name comes from the file system: no control or direction character of it is shown.
    return TerminalSafe(path);
}

int PrintExecutableTypeLine(int code, const wchar_t* name) {
    if (code < FirstShownExecutableType || code > LastExecutableType || !name) return 0;
    ReportPrintf(L"    Executable type ......... %s", name);
    return EndLine(2);
}

namespace {

// Runs one step behind the report's one firewall, classifies its outcome and counts failures and
// faults for the command. An exception a step lets escape (bad_alloc included) is that step's
// fault: the step stays as far as it printed, a line it left half-written is ended, and the report
// goes on with the next step, on a worker as on the host's thread.
template <typename Step> int RunStep(Step&& step, SectionOutcome& outcome, ScanSettings& settings) {
    uint64_t before = ReportOutputCount();
    int result = 0;
    try {
        result = step();
    } catch (...) {
        result = SECTION_FAULT;
    }
    if (result == SECTION_FAULT && ReportLineOpen() && EndLine(1) == ABORTED) result = ABORTED;
    outcome = OutcomeOf(result, ReportOutputCount() != before);
    if (outcome == SectionOutcome::Failed) ++settings.sectionFailures;
    if (outcome == SectionOutcome::Fault) ++settings.sectionFaults;
    return result;
}

} // namespace

int StartReport(const wchar_t* path, uint32_t omitMask, ScanSettings& settings, const ReportSteps& steps,
                PreparedReport& report, bool runHostRows) {
    report.outcomes = FileOutcomes();
    report.hostRowsRun = false;
    if (!path || !*path) return -1;
    if (!gateway::QueryIsFile(path)) return 2;
    report.path = path;
    report.reported = report.path;
    report.omitMask = omitMask;

    if (PrintHeading(HeadingName(path).c_str(), 2) == ABORTED) return ABORTED;

    // A zero-length .exe may be an execution alias: the later sections describe its target.
    const wchar_t* extension = FindExtension(path);
    if (!(omitMask & OmitExecAliases) && steps.execAlias && extension && _wcsicmp(extension, L".exe") == 0 &&
        gateway::QueryFileSize(path, 0) == 0) {
        std::unique_ptr<wchar_t[]> resolved(new wchar_t[PathChars]());
        if (RunStep([&] { return steps.execAlias(path, resolved.get(), omitMask); },
                    report.outcomes.execAlias, settings) == ABORTED)
            return ABORTED;
        resolved[PathChars - 1] = 0;
        if (resolved[0] && _wcsicmp(resolved.get(), path) != 0) report.reported = resolved.get();
    }
    if (!runHostRows) return 0;

    const wchar_t* reported = report.reported.c_str();
    ReportContext context{
        reported, FindExtension(reported), (omitMask & OmitUnicodeQuotes) ? 0 : 1, omitMask, &settings,
        nullptr};
    report.hostRows.assign(steps.rows.size(), HostRowResult{});
    for (size_t i = 0; i < steps.rows.size(); ++i) {
        const ReportRow& row = steps.rows[i];
        if (!row.hostThread || (omitMask & row.omitBit)) continue;
        if (row.applies && !row.applies(context)) continue;
        HostRowResult& host = report.hostRows[i];
        RecordingScope recording(host.record);
        host.result = RunStep([&] { return row.run(context); }, host.outcome, settings);
    }
    report.hostRowsRun = true;
    return 0;
}

int FinishReport(PreparedReport& report, ScanSettings& settings, const ReportSteps& steps) {
    if (!settings.memo) settings.memo = std::make_shared<ReportMemo>();
    const wchar_t* reported = report.reported.c_str();
    const uint32_t omitMask = report.omitMask;
    FileProbe probe(reported);
    ReportContext context{
        reported, FindExtension(reported), (omitMask & OmitUnicodeQuotes) ? 0 : 1, omitMask, &settings,
        &probe};
    for (size_t i = 0; i < steps.rows.size(); ++i) {
        const ReportRow& row = steps.rows[i];
        SectionOutcome unused = SectionOutcome::NotRun;
        SectionOutcome& outcome = i < report.outcomes.sections.size() ? report.outcomes.sections[i] : unused;
        if (row.hostThread && report.hostRowsRun && i < report.hostRows.size()) {
            // Ran on the host's thread already (and was counted there): its lines go in here.
            const HostRowResult& host = report.hostRows[i];
            outcome = host.outcome;
            if (host.outcome == SectionOutcome::NotRun) continue;
            if (AddRecord(host.record) == ABORTED || host.result == ABORTED) return ABORTED;
            continue;
        }
        if (omitMask & row.omitBit) continue;
        if (row.applies && !row.applies(context)) continue;
        if (RunStep([&] { return row.run(context); }, outcome, settings) == ABORTED) return ABORTED;
    }
    ++settings.matchCount;
    return 0;
}

int ReportFileWith(const wchar_t* path, uint32_t omitMask, ScanSettings& settings, const ReportSteps& steps,
                   FileOutcomes* outcomes) {
    PreparedReport report;
    int rc = StartReport(path, omitMask, settings, steps, report, false);
    if (rc == 0) rc = FinishReport(report, settings, steps);
    if (outcomes) *outcomes = report.outcomes;
    if (rc != 0) return rc;
    FlushOutputWhenWaiting();
    return 0;
}

int ReportFile(const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    return ReportFileWith(path, omitMask, settings, ReportSteps{ReportRows, ExecAliasSection});
}

} // namespace scrutel
