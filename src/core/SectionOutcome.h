// Why a report section printed what it printed, or nothing. A failing section stays silent in
// the report; its outcome keeps "nothing to show" apart from "could not read" and from a caught
// fault, so that tests and the per-command counts can tell them apart.
#pragma once

#include "core/ScanSettings.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace scrutel {

// A section's result when it caught an exception: a defect in the section, contained so that the
// walk goes on.
inline constexpr int SECTION_FAULT = -4;

enum class SectionOutcome : uint8_t {
    NotRun,  // omitted, not that kind of file, or the report stopped before it
    Shown,   // printed its lines
    Nothing, // ran and had nothing to show
    Failed,  // returned a failure without printing anything: its data could not be read
    Fault,   // caught an exception
    Aborted, // the user stopped the command
};

// The outcome of a section from its result and whether it wrote any report text. ABORTED and
// SECTION_FAULT speak for themselves; any text means Shown; otherwise 0 is Nothing and every other
// result Failed.
constexpr SectionOutcome OutcomeOf(int result, bool printed) {
    if (result == ABORTED) return SectionOutcome::Aborted;
    if (result == SECTION_FAULT) return SectionOutcome::Fault;
    if (printed) return SectionOutcome::Shown;
    return result == 0 ? SectionOutcome::Nothing : SectionOutcome::Failed;
}

const char* OutcomeName(SectionOutcome outcome);

// The outcomes of one file's report: the execution-alias step and each section row in report order.
struct FileOutcomes {
    SectionOutcome execAlias = SectionOutcome::NotRun;
    std::array<SectionOutcome, 16> sections{};
};

} // namespace scrutel
