// Names of section outcomes, for test messages and diagnostics.
#include "core/SectionOutcome.h"

namespace scrutel {

const char* OutcomeName(SectionOutcome outcome) {
    switch (outcome) {
    case SectionOutcome::NotRun:
        return "not run";
    case SectionOutcome::Shown:
        return "shown";
    case SectionOutcome::Nothing:
        return "nothing";
    case SectionOutcome::Failed:
        return "failed";
    case SectionOutcome::Fault:
        return "fault";
    case SectionOutcome::Aborted:
        return "aborted";
    }
    return "?";
}

} // namespace scrutel
