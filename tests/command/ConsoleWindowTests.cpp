// The width and page length read from the standard-output console: without a console there is no
// paging and the report is 100 columns wide.
#include "command/ConsoleWindow.h"

#include "command/CommandTestSupport.h"
#include "output/LineOutput.h"

#include <gtest/gtest.h>

using namespace scrutel;

namespace {

TEST(PageLength, WithoutAConsoleThereIsNoPaging) {
    command_tests::NoConsole noConsole;
    Output().paging.pageLength = 5;
    Output().paging.linesLeft = 5;
    EXPECT_EQ(SetupPageLength(20), 0u);
    EXPECT_EQ(Output().paging.pageLength, 0u);
    EXPECT_EQ(Output().paging.linesLeft, 0u);
}

TEST(ReportWidth, WithoutAConsoleIs100) {
    command_tests::NoConsole noConsole;
    EXPECT_EQ(ConsoleReportWidth(), 100u);
}

} // namespace
