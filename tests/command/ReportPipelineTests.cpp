// Reports on worker threads, printed in walk order: the same bytes, the same prompts and the same
// stops as the report on the host's thread alone, and the hard cases (interruption with finished
// reports waiting, a file gone before its worker reads it, failing and throwing sections).
#include "command/ReportPipeline.h"

#include "CommandTestSupport.h"
#include "output/LineOutput.h"
#include "output/Progress.h"
#include "output/ScriptedConsole.h"
#include "reports/ReportSections.h"
#include "select/Walker.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace scrutel;
using command_tests::EnvironmentVariable;
using command_tests::NoConsole;
using command_tests::RunScrutel;
using testing_support::Capture;
using testing_support::ScriptedConsole;
using testing_support::SourceFixture;
using testing_support::TempTree;
using testing_support::TestOutput;

namespace {

// The steps the one-thread handler below runs (it is a plain function, as the walker wants).
const ReportSteps* g_directSteps = nullptr;
int DirectHandler(const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    return ReportFileWith(path, omitMask, settings, *g_directSteps);
}

struct WalkRun {
    int result = 0;
    std::wstring out;
    std::wstring err;
    std::vector<ScriptedConsole::Event> events;
    uint32_t matchCount = 0;
    uint32_t failures = 0;
    uint32_t faults = 0;
    size_t threadsAfter = 0;
};

struct WalkSetup {
    uint32_t pageLength = 0;
    std::function<void(ScriptedConsole&)> script;
    uint32_t omitMask = 0;
    std::function<void()> during; // runs on a thread of its own while the walk runs
    bool progress = false;        // the console's progress line on, as for a command
};

// One /S walk of spec with the full report: workers 0 runs it on this thread alone, as
// SCRUTEL_THREADS=1 does; otherwise through a pipeline of that many workers.
WalkRun Walk(const std::wstring& spec, unsigned workers, const ReportSteps& steps,
             const WalkSetup& setup = {}) {
    TestOutput guard;
    ScriptedConsole console;
    if (setup.script) setup.script(console);
    Output().paging = {};
    Output().paging.pageLength = setup.pageLength;
    Output().paging.linesLeft = setup.pageLength;
    Output().colours.normalAttr = 0;
    Output().colours.conOut = ScriptedConsole::DeviceHandle();

    ScanSettings settings;
    settings.timeFlags = TimeCreation | TimeModified | TimeAccess;
    settings.hashMask = HashCrc32 | HashMd5;
    settings.maxWidth = 100;
    settings.textFileTypes = BuiltInTextFileTypes;
    WalkOptions options;
    options.omitMask = setup.omitMask;
    options.walkFlags = WalkRecurse;

    WalkRun run;
    std::thread during;
    {
        Capture capture;
        std::optional<ProgressScope> progress;
        if (setup.progress) progress.emplace();
        if (setup.during) during = std::thread(setup.during);
        if (workers == 0) {
            g_directSteps = &steps;
            run.result = WalkFileSpec(spec.c_str(), options, settings, DirectHandler);
        } else {
            ReportPipeline pipeline(workers, settings, steps);
            settings.pipeline = &pipeline;
            run.result = WalkFileSpec(spec.c_str(), options, settings, QueuedReportFile);
            if (run.result != ABORTED && PrintPendingReports() == ABORTED) run.result = ABORTED;
            pipeline.Stop();
            settings.pipeline = nullptr;
        }
        if (during.joinable()) during.join();
        run.out = capture.out();
        run.err = capture.err();
    }
    run.threadsAfter = testing_support::ThreadsOfThisProcess();
    run.events = console.events;
    run.matchCount = settings.matchCount;
    run.failures = settings.sectionFailures;
    run.faults = settings.sectionFaults;
    return run;
}

void ExpectSameRun(const WalkRun& direct, const WalkRun& queued) {
    EXPECT_EQ(queued.result, direct.result);
    EXPECT_EQ(queued.out, direct.out);
    EXPECT_EQ(queued.err, direct.err);
    EXPECT_EQ(queued.matchCount, direct.matchCount);
    EXPECT_EQ(queued.failures, direct.failures);
    EXPECT_EQ(queued.faults, direct.faults);
    testing_support::ExpectSameEvents(direct.events, queued.events);
}

const ReportSteps RealSteps{ReportRows, ExecAliasSection};

// The real rows with extra rows after them.
std::vector<ReportRow> RealRowsAnd(std::initializer_list<ReportRow> extra) {
    std::vector<ReportRow> rows(ReportRows.begin(), ReportRows.end());
    rows.insert(rows.end(), extra.begin(), extra.end());
    return rows;
}

bool NameHas(const ReportContext& c, const wchar_t* part) {
    return c.path && wcsstr(c.path, part) != nullptr;
}

// Keys for many prompts, each kind of answer among them.
void ManyKeys(ScriptedConsole& console) {
    const std::wstring keys = L"x/0x3xx9x1/xx";
    for (int round = 0; round < 60; ++round)
        for (wchar_t key : keys)
            console.Key(key);
}

class ReportPipelineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Reading a file may move its access time once; a first walk settles every file's, so
        // that the walks compared below show the same times.
        for (const wchar_t* tree : {L"kinds", L"hostile"})
            Walk(SourceFixture(tree) + L"\\*", 0, RealSteps);
        baseThreads_ = testing_support::ThreadsOfThisProcess();
    }
    size_t baseThreads_ = 0;
};

} // namespace

// ---- The same report

TEST_F(ReportPipelineTest, EveryKindOfFileReportsTheSameOnWorkers) {
    for (const wchar_t* tree : {L"kinds", L"hostile"}) {
        SCOPED_TRACE(testing::Message() << "tree " << testing_support::ToUtf8(tree));
        std::wstring spec = SourceFixture(tree) + L"\\*";
        WalkRun direct = Walk(spec, 0, RealSteps);
        ASSERT_GT(direct.matchCount, 10u);
        ExpectSameRun(direct, Walk(spec, 1, RealSteps));
        ExpectSameRun(direct, Walk(spec, 2, RealSteps));
        ExpectSameRun(direct, Walk(spec, 5, RealSteps));
    }
}

TEST_F(ReportPipelineTest, PagedReportPromptsAtTheSameLinesWithTheSameKeys) {
    WalkSetup paged;
    paged.pageLength = 9;
    paged.script = ManyKeys;
    std::wstring spec = SourceFixture(L"kinds") + L"\\*";
    WalkRun direct = Walk(spec, 0, RealSteps, paged);
    ASSERT_NE(direct.result, ABORTED);
    size_t prompts = 0;
    for (const auto& e : direct.events)
        if (e.kind == ScriptedConsole::Event::Write && e.text.rfind(L"\r   \u2500\u2500", 0) == 0) ++prompts;
    ASSERT_GT(prompts, 20u);
    ExpectSameRun(direct, Walk(spec, 2, RealSteps, paged));
    ExpectSameRun(direct, Walk(spec, 4, RealSteps, paged));
}

TEST_F(ReportPipelineTest, TheCommandPrintsTheSameBytesWithAndWithoutWorkers) {
    TempTree tree;
    tree.file(L"list.txt",
              testing_support::ToUtf8(SourceFixture(L"kinds\\text\\utf8.txt") + L"\r\nmissing-file.txt\r\n" +
                                      SourceFixture(L"kinds") + L"\\nothing-like-this\r\n"));
    NoConsole noConsole;
    // Reports, a specification that matches nothing and a list file with a missing name: the
    // messages must come after the reports before them.
    std::wstring args = L"/S " + SourceFixture(L"kinds") + L"\\* nothing*.none @" + tree.path(L"list.txt") +
                        L" " + SourceFixture(L"exe") + L"\\*";
    command_tests::CommandRun one, many;
    {
        EnvironmentVariable threads(L"SCRUTEL_THREADS", L"1");
        one = RunScrutel(args);
    }
    {
        EnvironmentVariable threads(L"SCRUTEL_THREADS", L"3");
        many = RunScrutel(args);
    }
    EXPECT_EQ(one.result, 2);
    EXPECT_EQ(many.result, one.result);
    EXPECT_EQ(many.out, one.out);
    EXPECT_EQ(many.err, one.err);
    EXPECT_NE(one.err.find(L"No matching files"), std::wstring::npos);
    EXPECT_NE(one.out.find(L"matching files found."), std::wstring::npos);
}

// ---- Stops

TEST_F(ReportPipelineTest, EscAtThePromptMidTreeStopsAtOnceAndJoinsTheWorkers) {
    WalkSetup paged;
    paged.pageLength = 12;
    paged.script = [](ScriptedConsole& console) {
        console.Key(L'x');
        console.Key(L'x');
        console.Key(L'x');
        console.Key(0, VK_ESCAPE);
    };
    std::wstring spec = SourceFixture(L"kinds") + L"\\*";
    WalkRun direct = Walk(spec, 0, RealSteps, paged);
    EXPECT_EQ(direct.result, ABORTED);
    WalkRun queued = Walk(spec, 3, RealSteps, paged);
    ExpectSameRun(direct, queued);
    // Workers had reports of later files ready; none of them was printed, and no thread is left.
    EXPECT_LT(queued.matchCount, 5u);
    EXPECT_EQ(queued.threadsAfter, baseThreads_);
}

TEST_F(ReportPipelineTest, CtrlCAtThePromptWhileWorkersHoldFinishedReports) {
    WalkSetup paged;
    paged.pageLength = 15;
    paged.script = [](ScriptedConsole& console) {
        console.Key(L'x');
        console.Key(L'x');
        console.InterruptDuringWait();
    };
    std::wstring spec = SourceFixture(L"kinds") + L"\\*";
    WalkRun direct = Walk(spec, 0, RealSteps, paged);
    EXPECT_EQ(direct.result, ABORTED);
    WalkRun queued = Walk(spec, 2, RealSteps, paged);
    ExpectSameRun(direct, queued);
    EXPECT_NE(testing_support::WrittenBy(queued.events).find(L"^C"), std::wstring::npos);
    EXPECT_EQ(queued.threadsAfter, baseThreads_);
}

namespace {
std::atomic<bool> g_slowRowSawStop{false};
int SlowRow(const ReportContext& c) {
    if (!NameHas(c, L"slow")) return 0;
    auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
        if (StopRequested()) {
            g_slowRowSawStop = true;
            return ABORTED;
        }
        Sleep(5);
    }
    return 0;
}
} // namespace

namespace {
int SlowHashingRow(const ReportContext& c) {
    if (!NameHas(c, L"slow")) return 0;
    ReportWorkProgress(0, 4u << 20);
    ReportWorkProgress(1u << 20, 4u << 20);
    Sleep(900);
    ReportWorkProgress(0, 0);
    ReportPuts(L"    after the long work");
    return EndLine(2);
}
} // namespace

TEST_F(ReportPipelineTest, AWorkersLongWorkIsShownOnTheConsoleAndNeverInTheOutput) {
    TempTree tree;
    tree.file(L"a.txt", "first");
    tree.file(L"b-slow.txt", "second");
    tree.file(L"c.txt", "third");
    std::vector<ReportRow> rows = RealRowsAnd({ReportRow{0, nullptr, SlowHashingRow}});
    ReportSteps steps{rows, ExecAliasSection};
    WalkSetup setup;
    setup.omitMask = OmitTimes;
    setup.progress = true;
    WalkRun direct = Walk(tree.path(L"*"), 0, steps, setup);
    WalkRun queued = Walk(tree.path(L"*"), 2, steps, setup);
    EXPECT_EQ(queued.out, direct.out);
    EXPECT_EQ(queued.out.find(L"hashing"), std::wstring::npos);
    const std::wstring drawn = testing_support::WrittenBy(queued.events);
    const std::wstring line = L"hashing 1.0 of 4.0 MiB  25 %";
    size_t shown = drawn.find(L"\r" + line);
    ASSERT_NE(shown, std::wstring::npos);
    // Erased before the slow file's next line went out.
    EXPECT_EQ(drawn.find(L"\r" + std::wstring(line.size(), L' ') + L"\r", shown), shown + line.size() + 1);
}

TEST_F(ReportPipelineTest, CtrlCWhileThePrinterWaitsForASlowWorkerStopsItAtOnce) {
    TempTree tree;
    tree.file(L"a.txt", "first");
    tree.file(L"b-slow.txt", "second");
    for (int i = 0; i < 20; ++i)
        tree.file(L"c" + std::to_wstring(i) + L".txt", "later");
    std::vector<ReportRow> rows = RealRowsAnd({ReportRow{0, nullptr, SlowRow}});
    ReportSteps steps{rows, ExecAliasSection};
    WalkSetup setup;
    setup.omitMask = OmitTimes; // two walks of one tree: the access times may move between them
    setup.during = [] {
        Sleep(400);
        CtrlHandler(CTRL_C_EVENT); // as the console's control handler does, on a thread of its own
    };
    WalkRun direct = Walk(tree.path(L"*"), 0, steps, setup);
    g_slowRowSawStop = false;
    auto start = std::chrono::steady_clock::now();
    WalkRun queued = Walk(tree.path(L"*"), 2, steps, setup);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(queued.result, ABORTED);
    EXPECT_LT(seconds, 10.0);
    EXPECT_TRUE(g_slowRowSawStop.load());
    // The first file whole, then the slow file's heading and every line before the slow section,
    // shown while it worked, as on one thread; then the mark, and nothing of any later file.
    EXPECT_EQ(queued.out, direct.out);
    size_t slow = queued.out.find(L"b-slow.txt\r\n\r\n    6 bytes");
    ASSERT_NE(slow, std::wstring::npos);
    EXPECT_GT(slow, queued.out.find(L"a.txt\r\n"));
    EXPECT_EQ(queued.out.find(L"c0.txt"), std::wstring::npos);
    EXPECT_NE(testing_support::WrittenBy(queued.events).find(L"^C"), std::wstring::npos);
    EXPECT_EQ(queued.threadsAfter, baseThreads_);
}

// ---- Hard files and sections

namespace {
int DeleteFileRow(const ReportContext& c) {
    if (NameHas(c, L"gone")) DeleteFileW(c.path);
    return 0;
}
} // namespace

TEST_F(ReportPipelineTest, AFileThatVanishesBeforeItsWorkerReadsItReportsAsOnOneThread) {
    // The first row runs on the host's thread and deletes the file after the walk found it and
    // the host checked it: the worker then reads a file that is no longer there.
    std::vector<ReportRow> rows{ReportRow{0, nullptr, DeleteFileRow, true}};
    rows.insert(rows.end(), ReportRows.begin(), ReportRows.end());
    ReportSteps steps{rows, ExecAliasSection};
    std::vector<WalkRun> runs;
    for (unsigned workers : {0u, 2u}) {
        TempTree tree;
        tree.file(L"a.txt", "kept");
        tree.file(L"b-gone.txt", "deleted before its report");
        tree.file(L"c.txt", "kept too");
        // The tree's folder name differs between the two runs: compare what follows it.
        WalkRun run = Walk(tree.path(L"*"), workers, steps);
        size_t at;
        while ((at = run.out.find(tree.root())) != std::wstring::npos)
            run.out.replace(at, tree.root().size(), L"<tree>");
        runs.push_back(run);
    }
    EXPECT_EQ(runs[0].result, 0);
    EXPECT_EQ(runs[0].matchCount, 3u);
    EXPECT_NE(runs[0].out.find(L"b-gone.txt"), std::wstring::npos);
    EXPECT_EQ(runs[1].result, runs[0].result);
    EXPECT_EQ(runs[1].matchCount, runs[0].matchCount);
    EXPECT_EQ(runs[1].failures, runs[0].failures);
    EXPECT_EQ(runs[1].faults, 0u);
    // Time stamps of the two trees differ; everything but those lines must be the same.
    auto withoutTimes = [](const std::wstring& text) {
        std::wstring kept;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find(L"\r\n", start);
            end = end == std::wstring::npos ? text.size() : end + 2;
            std::wstring line = text.substr(start, end - start);
            if (line.find(L"Created") == std::wstring::npos && line.find(L"Modified") == std::wstring::npos &&
                line.find(L"Accessed") == std::wstring::npos && line.find(L"Last") == std::wstring::npos)
                kept += line;
            start = end;
        }
        return kept;
    };
    EXPECT_EQ(withoutTimes(runs[1].out), withoutTimes(runs[0].out));
}

namespace {
int FailingRow(const ReportContext& c) {
    return NameHas(c, L"plain") ? 5 : 0;
}
int FaultRow(const ReportContext& c) {
    return NameHas(c, L".png") ? SECTION_FAULT : 0;
}
int ThrowingRow(const ReportContext& c) {
    if (!NameHas(c, L"plain")) return 0;
    ReportPrintf(L"    half a line");
    throw std::runtime_error("a defect in a section");
}
int OutOfMemoryRow(const ReportContext& c) {
    if (NameHas(c, L"plain")) throw std::bad_alloc();
    return 0;
}
void FailingWorkerStart() {
    throw std::bad_alloc();
}
} // namespace

TEST_F(ReportPipelineTest, FailingSectionsInWorkersAreCountedForTheCommand) {
    std::vector<ReportRow> rows =
        RealRowsAnd({ReportRow{0, nullptr, FailingRow}, ReportRow{0, nullptr, FaultRow}});
    ReportSteps steps{rows, ExecAliasSection};
    std::wstring spec = SourceFixture(L"kinds") + L"\\*";
    WalkRun direct = Walk(spec, 0, steps);
    ASSERT_GE(direct.failures, 1u);
    ASSERT_GE(direct.faults, 1u);
    ExpectSameRun(direct, Walk(spec, 2, steps));
}

TEST_F(ReportPipelineTest, AnExceptionInASectionIsItsFaultOnAWorkerAsOnTheHostsThread) {
    std::wstring spec = SourceFixture(L"kinds") + L"\\*";
    WalkRun plain = Walk(spec, 0, RealSteps);
    for (auto row : {ThrowingRow, OutOfMemoryRow}) {
        std::vector<ReportRow> rows = RealRowsAnd({ReportRow{0, nullptr, row}});
        ReportSteps steps{rows, ExecAliasSection};
        WalkRun direct = Walk(spec, 0, steps);
        EXPECT_EQ(direct.result, plain.result);
        EXPECT_GE(direct.faults, 1u);
        WalkRun queued = Walk(spec, 3, steps);
        ExpectSameRun(direct, queued);
        // The faulting file's report goes on to its end, and the files after it are reported.
        EXPECT_EQ(queued.matchCount, plain.matchCount);
        size_t at = queued.out.find(L"plain.png");
        ASSERT_NE(at, std::wstring::npos);
        EXPECT_NE(queued.out.find(L"\\kinds\\", at + 1), std::wstring::npos);
        if (row == ThrowingRow) {
            EXPECT_NE(queued.out.find(L"    half a line\r\n"), std::wstring::npos);
        }
        EXPECT_EQ(queued.threadsAfter, baseThreads_);
    }
}

TEST_F(ReportPipelineTest, AWorkerWhoseStartRunsOutOfMemoryStillReportsEveryFile) {
    std::wstring spec = SourceFixture(L"kinds") + L"\\*";
    WalkRun direct = Walk(spec, 0, RealSteps);
    SetWorkerStartHook(FailingWorkerStart);
    WalkRun queued = Walk(spec, 2, RealSteps);
    SetWorkerStartHook(nullptr);
    ExpectSameRun(direct, queued);
    EXPECT_EQ(queued.threadsAfter, baseThreads_);
}

namespace {
// count files "<letter>000.dat", "<letter>001.dat" and so on.
void NumberedFiles(TempTree& tree, wchar_t letter, int count) {
    for (int i = 0; i < count; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"%c%03d.dat", letter, i);
        tree.file(name, "x");
    }
}

std::atomic<int> g_started{0};
std::atomic<int> g_startedWhileFirstWaited{-1};
int WindowRow(const ReportContext& c) {
    int n = ++g_started;
    if (NameHas(c, L"f000")) {
        (void)n;
        Sleep(700);
        g_startedWhileFirstWaited = g_started.load();
    }
    return 0;
}
} // namespace

TEST_F(ReportPipelineTest, WorkersRunAheadOfThePrinterOnlyAsFarAsTheWindow) {
    TempTree tree;
    NumberedFiles(tree, L'f', 60);
    std::vector<ReportRow> rows{ReportRow{0, nullptr, WindowRow}};
    ReportSteps steps{rows, nullptr};
    g_started = 0;
    g_startedWhileFirstWaited = -1;
    WalkRun run = Walk(tree.path(L"*"), 2, steps);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.matchCount, 60u);
    // While the first file's report is held up, the other worker goes on, but only through the
    // window (8 reports per worker), not through the whole folder.
    EXPECT_GT(g_startedWhileFirstWaited.load(), 3);
    EXPECT_LE(g_startedWhileFirstWaited.load(), 16);
}

namespace {
// Files finish out of walk order: every third waits, the rest do not.
int OutOfOrderRow(const ReportContext& c) {
    const wchar_t* name = c.path ? wcsrchr(c.path, L'\\') : nullptr;
    const wchar_t* digits = name ? wcspbrk(name, L"0123456789") : nullptr;
    if (digits && _wtoi(digits) % 3 == 0) Sleep(3);
    ReportPrintf(L"    finished %s", c.path);
    return EndLine(2);
}
} // namespace

TEST_F(ReportPipelineTest, ReportsThatFinishOutOfOrderArePrintedInWalkOrder) {
    TempTree tree;
    NumberedFiles(tree, L'g', 100);
    std::vector<ReportRow> rows{ReportRow{0, nullptr, OutOfOrderRow}};
    ReportSteps steps{rows, nullptr};
    WalkRun direct = Walk(tree.path(L"*"), 0, steps);
    ASSERT_EQ(direct.matchCount, 100u);
    // A window of 8, 16 and 24 reports, each printed in runs of half of it.
    for (unsigned workers : {1u, 2u, 3u})
        ExpectSameRun(direct, Walk(tree.path(L"*"), workers, steps));
}

TEST(ReportWorkerSettingTest, OneThreadMeansNoWorkers) {
    EnvironmentVariable threads(L"SCRUTEL_THREADS", L"1");
    EXPECT_EQ(ReportWorkerSetting(), 1u);
}
