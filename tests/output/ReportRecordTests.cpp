// Recorded reports: what a worker's report functions keep, and that printing a record later acts
// exactly as printing its lines directly (paging, prompt keys, colours, interruption).
#include "output/LineOutput.h"
#include "output/ReportRecord.h"

#include "core/ScanSettings.h"
#include "output/ScriptedConsole.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::ScriptedConsole;
using testing_support::TestOutput;

namespace {

// A report as the sections write it: a heading, labelled lines, blank lines between sections.
int WriteSampleReport() {
    if (PrintHeading(L"C:\\tree\\file.txt", 2) == ABORTED) return ABORTED;
    for (int section = 0; section < 6; ++section) {
        for (int line = 0; line < 3; ++line) {
            ReportPrintf(L"    Label %d.%d ........ %s", section, line, L"value");
            if (EndLine(1) == ABORTED) return ABORTED;
        }
        if (EndLine(1) == ABORTED) return ABORTED;
    }
    ReportPuts(L"    Count ......... ");
    ReportNumber(L"1234567", 64);
    ReportPuts(L" bytes");
    if (EndLine(1) == ABORTED) return ABORTED;
    ReportPuts(L"    last line");
    return EndLine(2);
}

struct Seen {
    int result = 0;
    std::wstring out;
    std::vector<ScriptedConsole::Event> events;
    LONG interrupted = 0;
};

// Runs write against a fresh scripted console with a page of pageLength lines and keys.
Seen Observe(const std::function<int()>& write, uint32_t pageLength, const std::wstring& keys,
             uint8_t normalAttr = 0) {
    TestOutput guard;
    ScriptedConsole console;
    for (wchar_t key : keys)
        if (key == L'\x1b')
            console.Key(0, VK_ESCAPE);
        else
            console.Key(key);
    Output().paging = {};
    Output().paging.pageLength = pageLength;
    Output().paging.linesLeft = pageLength;
    Output().colours.normalAttr = normalAttr;
    Output().colours.highlightAttr = normalAttr ? 0x0E : 0;
    Output().colours.vtTerminal = false;
    Output().colours.conOut = ScriptedConsole::DeviceHandle();
    Seen seen;
    {
        Capture capture;
        seen.result = write();
        seen.out = capture.out();
    }
    seen.events = console.events;
    seen.interrupted = Output().paging.interrupted.load();
    return seen;
}

void ExpectSameAsDirect(uint32_t pageLength, const std::wstring& keys, uint8_t normalAttr = 0) {
    Seen direct = Observe(WriteSampleReport, pageLength, keys, normalAttr);
    ReportRecord record;
    {
        RecordingScope recording(record);
        ASSERT_EQ(WriteSampleReport(), 0);
    }
    Seen replayed = Observe([&] { return PrintRecord(record); }, pageLength, keys, normalAttr);
    EXPECT_EQ(replayed.result, direct.result);
    EXPECT_EQ(replayed.out, direct.out);
    testing_support::ExpectSameEvents(direct.events, replayed.events);
}

} // namespace

TEST(ReportRecordTest, NumbersGetTheHostsSeparatorsWhenPrinted) {
    ReportRecord record;
    Capture capture;
    {
        RecordingScope recording(record);
        ReportPuts(L"a ");
        ReportNumber(L"1234567", 64);
        ReportPuts(L" b ");
        ReportNumber(L"1048576.00", 64);
        ReportNumber(L"12345", 6); // "12,345" and its terminator need 7
        EndLine(1);
    }
    // Kept as the number itself: only the host's thread may ask the host for its separators.
    EXPECT_EQ(record.Plain(), L"a 1234567 b 1048576.0012345\r\n");
    EXPECT_EQ(capture.out(), L"");
    {
        TestOutput guard;
        Output().paging = {};
        Output().colours.normalAttr = 0;
        ASSERT_EQ(PrintRecord(record), 0);
    }
    EXPECT_EQ(capture.out(), L"a 1,234,567 b 1,048,576.0012345\r\n");
}

TEST(ReportRecordTest, RecordingKeepsEverythingFromTheHost) {
    TestOutput guard;
    ScriptedConsole console;
    Output().paging = {};
    Output().paging.pageLength = 3;
    Output().paging.linesLeft = 3; // a prompt would come after three line ends if this were printed
    ReportRecord record;
    Capture capture;
    uint64_t before = ReportOutputCount();
    {
        RecordingScope recording(record);
        EXPECT_TRUE(Recording());
        ASSERT_EQ(WriteSampleReport(), 0);
        FlushOutput();
        FlushOutputWhenWaiting();
    }
    EXPECT_FALSE(Recording());
    EXPECT_EQ(capture.out(), L"");
    EXPECT_TRUE(console.events.empty());
    EXPECT_EQ(Output().paging.linesLeft, 3u);
    // The recording counts as report text, so a section that only recorded still "printed".
    EXPECT_GT(ReportOutputCount(), before);

    std::wstring plain = record.Plain();
    EXPECT_EQ(plain.rfind(L"C:\\tree\\file.txt\r\n\r\n    Label 0.0 ........ value\r\n", 0), 0u);
    EXPECT_EQ(plain.substr(plain.size() - 17), L"    last line\r\n\r\n");
    // Text between two line ends is one piece: one host write when printed.
    for (size_t i = 1; i < record.pieces.size(); ++i)
        EXPECT_FALSE(record.pieces[i].kind == ReportPiece::Text &&
                     record.pieces[i - 1].kind == ReportPiece::Text);
}

TEST(ReportRecordTest, PrintingARecordPagesAndPromptsAsPrintingDirectly) {
    ExpectSameAsDirect(0, L"");
    ExpectSameAsDirect(7, L"xxxxxxxx");
    ExpectSameAsDirect(5, L"/0x3xxxxx");
    ExpectSameAsDirect(4, L"1c");
    ExpectSameAsDirect(6, L"x\x1b");       // Esc at the second prompt
    ExpectSameAsDirect(4, L"x\x03");       // Ctrl-C as a key at the prompt
    ExpectSameAsDirect(6, L"xxxxx", 0x1F); // colours: the heading's attributes and the line ends'
}

TEST(ReportRecordTest, EscAtThePromptStopsTheRecordWhereItStopsDirectOutput) {
    ReportRecord record;
    {
        RecordingScope recording(record);
        ASSERT_EQ(WriteSampleReport(), 0);
    }
    Seen replayed = Observe([&] { return PrintRecord(record); }, 6, L"\x1b");
    EXPECT_EQ(replayed.result, ABORTED);
    // Six line ends, then the prompt, then nothing.
    size_t ends = 0;
    for (size_t p = replayed.out.find(L"\r\n"); p != std::wstring::npos;
         p = replayed.out.find(L"\r\n", p + 2))
        ++ends;
    EXPECT_EQ(ends, 6u);
}

TEST(ReportRecordTest, StopFlagEndsRecordingAtTheNextLineEnd) {
    std::atomic<LONG> stop{0};
    ReportRecord record;
    RecordingScope recording(record, &stop);
    EXPECT_FALSE(StopRequested());
    ReportPuts(L"one");
    EXPECT_EQ(EndLine(1), 0);
    stop = 1;
    EXPECT_TRUE(StopRequested());
    EXPECT_EQ(EndLine(1), ABORTED);
    EXPECT_EQ(PrintHeading(L"h", 2), ABORTED);
}

TEST(ReportRecordTest, AWorkerNeverSeesTheConsoleInterruption) {
    TestOutput guard;
    Output().paging.interrupted = 1;
    EXPECT_TRUE(StopRequested()); // the host's thread, not recording
    bool workerSaw = true;
    std::thread worker([&] {
        ReportRecord record;
        std::atomic<LONG> stop{0};
        RecordingScope recording(record, &stop);
        workerSaw = StopRequested() || EndLine(1) == ABORTED;
    });
    worker.join();
    EXPECT_FALSE(workerSaw);
    Output().paging.interrupted = 0;
}

TEST(ReportRecordTest, RecordsOnTwoThreadsStayApart) {
    ReportRecord a, b;
    auto write = [](ReportRecord& record, const wchar_t* text) {
        RecordingScope recording(record);
        for (int i = 0; i < 2000; ++i) {
            ReportPuts(text);
            EndLine(1);
        }
    };
    std::thread first(write, std::ref(a), L"a");
    std::thread second(write, std::ref(b), L"b");
    first.join();
    second.join();
    std::wstring expectA, expectB;
    for (int i = 0; i < 2000; ++i) {
        expectA += L"a\r\n";
        expectB += L"b\r\n";
    }
    EXPECT_EQ(a.Plain(), expectA);
    EXPECT_EQ(b.Plain(), expectB);
}

TEST(ReportRecordTest, TextStopsAtANullCharacterAsTheHostWouldPrintIt) {
    ReportRecord record;
    const wchar_t text[] = L"ab\0cd";
    record.AddText(text, 5);
    record.AddText(L"ef", 2);
    record.AddLineEnds(1);
    EXPECT_EQ(record.Plain(), L"abef\r\n");
}

TEST(ReportRecordTest, AppendKeepsPiecesAndTheirText) {
    ReportRecord first, second;
    first.AddHeading(L"name", 4, 2);
    second.AddText(L"line", 4);
    second.AddLineEnds(2);
    first.Append(second);
    ASSERT_EQ(first.pieces.size(), 3u);
    EXPECT_EQ(first.Plain(), L"name\r\n\r\nline\r\n\r\n");
}
