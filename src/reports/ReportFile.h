// The per-file report: heading, then each section that applies and was not omitted.
#pragma once
#include "core/ScanSettings.h"

#include <array>
#include <cstdint>
#include <span>

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
struct ReportRow {
    uint32_t omitBit;
    bool (*applies)(const ReportContext& context);
    int (*run)(const ReportContext& context);
};

inline constexpr size_t ReportRowCount = 16;
// The sixteen sections in report order.
extern const std::array<ReportRow, ReportRowCount> ReportRows;

// The steps of ReportFile that can be replaced: the section rows and the execution-alias section.
struct ReportSteps {
    std::span<const ReportRow> rows;
    int (*execAlias)(const wchar_t* path, wchar_t* resolved, uint32_t omitMask);
};
// ReportFile with replaceable steps; outcomes, when given, receives what each step did.
struct FileOutcomes;
int ReportFileWith(const wchar_t* path, uint32_t omitMask, ScanSettings& settings, const ReportSteps& steps,
                   FileOutcomes* outcomes = nullptr);

// The name shown as the heading: path without a leading "\\?\" when something follows it.
const wchar_t* HeadingName(const wchar_t* path);
// Prints the executable type line for codes 1 to 18; nothing for other codes.
int PrintExecutableTypeLine(int code, const wchar_t* name);

} // namespace scrutel
