// Tests of the classification of one read of copied input: data, the normal end, or a failure.
#include "text/ReadOutcome.h"

#include <gtest/gtest.h>

using namespace scrutel;

namespace {

TEST(ClassifyRead, EveryKindOfReadResult) {
    struct Case {
        const char* label;
        bool succeeded;
        uint32_t bytesRead;
        uint32_t error;
        ReadOutcome expected;
    } cases[] = {
        {"bytes read", true, 8192, 0, ReadOutcome::Data},
        {"one byte read", true, 1, 0, ReadOutcome::Data},
        {"nothing read: end of pipe or console", true, 0, 0, ReadOutcome::End},
        {"success ignores a stale error code", true, 0, 5, ReadOutcome::End},
        {"writer closed the pipe", false, 0, ReadErrorBrokenPipe, ReadOutcome::End},
        {"end of file", false, 0, ReadErrorHandleEof, ReadOutcome::End},
        {"part of a longer message", false, 8192, ReadErrorMoreData, ReadOutcome::Data},
        {"more data claimed without bytes", false, 0, ReadErrorMoreData, ReadOutcome::Failed},
        {"access denied (5)", false, 0, 5, ReadOutcome::Failed},
        {"invalid handle (6)", false, 0, 6, ReadOutcome::Failed},
        {"pipe disconnected by its server (233)", false, 0, 233, ReadOutcome::Failed},
        {"operation aborted (995)", false, 0, 995, ReadOutcome::Failed},
        {"failure with bytes delivered (23)", false, 100, 23, ReadOutcome::Failed},
        {"failure without an error code", false, 0, 0, ReadOutcome::Failed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyRead(c.succeeded, c.bytesRead, c.error), c.expected) << c.label;
}

} // namespace
