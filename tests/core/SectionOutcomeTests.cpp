// Classification of a report section's result into its outcome.
#include "core/SectionOutcome.h"

#include <gtest/gtest.h>

using namespace scrutel;

TEST(SectionOutcome, ResultAndOutputDecideTheOutcome) {
    struct Row {
        const char* label;
        int result;
        bool printed;
        SectionOutcome expected;
    } rows[] = {
        {"silent success", 0, false, SectionOutcome::Nothing},
        {"printed lines", 0, true, SectionOutcome::Shown},
        {"printed, then a failure code", 5, true, SectionOutcome::Shown},
        {"silent failure code", 5, false, SectionOutcome::Failed},
        {"silent missing argument", -1, false, SectionOutcome::Failed},
        {"interrupted before printing", ABORTED, false, SectionOutcome::Aborted},
        {"interrupted after printing", ABORTED, true, SectionOutcome::Aborted},
        {"caught fault", SECTION_FAULT, false, SectionOutcome::Fault},
        {"caught fault after printing part", SECTION_FAULT, true, SectionOutcome::Fault},
    };
    for (const Row& row : rows)
        EXPECT_EQ(OutcomeOf(row.result, row.printed), row.expected) << row.label;
}

TEST(SectionOutcome, EveryOutcomeHasItsOwnName) {
    const SectionOutcome all[] = {SectionOutcome::NotRun, SectionOutcome::Shown, SectionOutcome::Nothing,
                                  SectionOutcome::Failed, SectionOutcome::Fault, SectionOutcome::Aborted};
    for (SectionOutcome a : all) {
        EXPECT_STRNE(OutcomeName(a), "?");
        for (SectionOutcome b : all) {
            if (a == b) continue;
            EXPECT_STRNE(OutcomeName(a), OutcomeName(b));
        }
    }
}
