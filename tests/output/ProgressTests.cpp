// The console's progress line: its texts, that it is drawn only on a console standard output
// after its delay, rewritten in place, erased before any other output, and never written to
// standard output itself.
#include "output/Progress.h"

#include "output/LineOutput.h"
#include "output/ScriptedConsole.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace scrutel;
using testing_support::Capture;
using testing_support::ScriptedConsole;
using testing_support::TestOutput;

namespace {

TEST(ProgressText, HashingInTheTotalsUnit) {
    struct Case {
        uint64_t done, total;
        const wchar_t* text;
    } cases[] = {
        {0, 4ull << 30, L"hashing 0.0 of 4.0 GiB  0 %"},
        {1288490189, 4ull << 30, L"hashing 1.2 of 4.0 GiB  30 %"},
        {3ull << 20, 6ull << 20, L"hashing 3.0 of 6.0 MiB  50 %"},
        {512 << 10, 512 << 10, L"hashing 512.0 of 512.0 KiB  100 %"},
        {9, 5, L"hashing 0.0 of 0.0 KiB  100 %"}, // more than the total counts as all of it
    };
    for (const Case& c : cases)
        EXPECT_EQ(HashProgressText(c.done, c.total), c.text);
}

TEST(ProgressText, ScanningKeepsTheFolderEndAndShowsNoControls) {
    EXPECT_EQ(ScanProgressText(L"C:\\data\\", 4096, 79), L"scanning C:\\data\\  4096 entries");
    std::wstring shortened = ScanProgressText(L"C:\\" + std::wstring(200, L'a') + L"\\last\\", 64, 60);
    EXPECT_EQ(shortened.size(), 60u);
    EXPECT_EQ(shortened.rfind(L"scanning ...", 0), 0u);
    EXPECT_NE(shortened.find(L"a\\last\\  64 entries"), std::wstring::npos);
    EXPECT_EQ(ScanProgressText(L"C:\\a\x1b[2J\\", 64, 79), L"scanning C:\\a<U+001B>[2J\\  64 entries");
}

// A command's progress on the scripted console, standard output a console or not.
struct ProgressRun {
    std::wstring drawn; // everything written to the console device
    std::wstring out;   // standard output, through the host
};

ProgressRun HashWithOutputAfter(bool console, DWORD hashingMs) {
    TestOutput guard;
    ScriptedConsole scripted;
    scripted.stdOutIsConsole = console;
    Output().paging = {};
    Output().colours.normalAttr = 0;
    Output().colours.conOut = ScriptedConsole::DeviceHandle();
    ProgressRun run;
    Capture capture;
    {
        ProgressScope progress;
        const uint64_t total = 8ull << 20;
        ReportWorkProgress(0, total);
        for (uint64_t done = 1ull << 20; done <= total; done += 1ull << 20) {
            scripted.ticks += hashingMs / 8;
            ReportWorkProgress(done, total);
        }
        ReportPuts(L"    CRC-32 :  00000000");
        EndLine(1);
        ReportWorkProgress(0, 0);
    }
    run.drawn = scripted.Written();
    run.out = capture.out();
    return run;
}

TEST(ProgressLine, LongHashingIsShownAndErasedBeforeTheNextLine) {
    ProgressRun run = HashWithOutputAfter(true, 1600);
    // First drawn once the delay has passed, then rewritten in place.
    // (a megabyte each 200 ms: the delay of 500 ms has passed at the third)
    EXPECT_EQ(run.drawn.find(L"\rhashing 3.0 of 8.0 MiB  37 %"), 0u);
    EXPECT_EQ(run.drawn.find(L"hashing 2.0 of 8.0 MiB"), std::wstring::npos);
    EXPECT_NE(run.drawn.find(L"\rhashing 8.0 of 8.0 MiB  100 %"), std::wstring::npos);
    // Erased (blanks over the whole line) before the report line went out, and never in it.
    const std::wstring line = L"hashing 8.0 of 8.0 MiB  100 %";
    EXPECT_EQ(run.drawn.substr(run.drawn.size() - line.size() - 2),
              L"\r" + std::wstring(line.size(), L' ') + L"\r");
    EXPECT_EQ(run.out, L"    CRC-32 :  00000000\r\n");
}

TEST(ProgressLine, NothingForShortWorkOrWhenOutputIsNotTheConsole) {
    ProgressRun quick = HashWithOutputAfter(true, 400);
    EXPECT_EQ(quick.drawn, L"");
    ProgressRun redirected = HashWithOutputAfter(false, 1600);
    EXPECT_EQ(redirected.drawn, L"");
    EXPECT_EQ(redirected.out, L"    CRC-32 :  00000000\r\n");
}

TEST(ProgressLine, AQuietWalkShowsWhatItScans) {
    TestOutput guard;
    ScriptedConsole scripted;
    Output().paging = {};
    Output().colours.normalAttr = 0;
    Output().colours.conOut = ScriptedConsole::DeviceHandle();
    Capture capture;
    ProgressScope progress;
    for (int i = 0; i < 64; ++i)
        NoteScanned(L"C:\\tree\\");
    EXPECT_EQ(scripted.Written(), L"");
    scripted.ticks += ScanProgressDelayMs;
    for (int i = 0; i < 64; ++i)
        NoteScanned(L"C:\\tree\\deeper\\");
    EXPECT_EQ(scripted.Written(), L"\rscanning C:\\tree\\deeper\\  128 entries");
    EXPECT_TRUE(ProgressShown());
    // A message on standard error erases it as well.
    PrintPendingReports();
    ReportPuts(L"x");
    EXPECT_FALSE(ProgressShown());
    EXPECT_EQ(capture.out(), L"x");
}

} // namespace
