// Records and bit sets that the command driver builds and the walker and report sections read.
#pragma once
#include "core/HashKinds.h"
#include "core/OmitFeatures.h"

#include <cstdint>
#include <memory>

namespace scrutel {

class ReportMemo;
class ThreadBudget;

// Result of every output stage when the user interrupted the report.
inline constexpr int ABORTED = -3;

// Where a command with report workers hands each selected file: the reports are prepared on the
// workers and printed in order on the host's thread.
class ReportQueue {
  public:
    // -1 no path, 2 not a file, ABORTED when the command is to stop, else 0.
    virtual int Submit(const wchar_t* path, uint32_t omitMask) = 0;

  protected:
    ~ReportQueue() = default;
};

// What one SCRUTEL command hands to the walker and to every file's report: first the options the
// command line set (read only while the walk runs), then what the command learns and counts as it
// goes (written by the reports, read by the driver's summary and by tests).
struct ScanSettings {
    // ---- Options
    int32_t timeZoneMode = 0;
    uint32_t timeFlags = 0;
    uint32_t hashMask = 0;
    uint32_t maxWidth = 0;
    const wchar_t* textFileTypes = nullptr;
    // The folder that the digest list output's names are relative to (/L:), or null.
    const wchar_t* listFolder = nullptr;

    // ---- Learnt and counted during the command
    // Files reported: the summary line's count.
    uint32_t matchCount = 0;
    // Sections that failed without printing, and sections that caught a fault.
    uint32_t sectionFailures = 0;
    uint32_t sectionFaults = 0;
    // Whether this platform has the property system, learnt from the first file the Windows-
    // properties section asks about: 0 not known yet, -1 missing (every call answers E_NOTIMPL).
    int32_t propertySystem = 0;
    // What the report remembers for the rest of the command (made by the first file's report).
    std::shared_ptr<ReportMemo> memo;
    // The report workers of this command, when it has them (host's thread only).
    ReportQueue* pipeline = nullptr;
    // On a report worker: the command's thread budget, which the digest threads borrow from.
    ThreadBudget* threadBudget = nullptr;
};

enum TimeZoneMode : int32_t { TimeZoneDefault = 0, TimeZoneLocal = 1, TimeZoneUtc = 2 };

enum TimeFlag : uint32_t {
    TimeCreation = 0x1,
    TimeModified = 0x2,
    TimeAccess = 0x4,
    TimeFractional = 0x1000,
};

enum WalkFlag : uint32_t {
    WalkRecurse = 0x1,
    WalkSkipJunctions = 0x2,
    WalkSkipHiddenDirs = 0x4,
    WalkSkipSystemDirs = 0x8,
    WalkQuietNotFound = 0x100,
    WalkNameLists = 0x400,
    WalkListFiles = 0x4000,
};

inline constexpr const wchar_t* BuiltInTextFileTypes =
    L".bat|.btm|.cmd|.cpp|.css|.csv|.h|.htm|.html|.ini|.log|.txt|.xml";

// The per-file handler the walker calls: (path, omitMask, settings) -> 0, ABORTED or a failure.
using FileHandler = int (*)(const wchar_t* path, uint32_t omitMask, ScanSettings& settings);

} // namespace scrutel
