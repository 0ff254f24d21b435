// Reports of many files prepared on several threads and printed in walk order. The walker calls
// QueuedReportFile on the host's thread for each file: it runs the host's half of the report
// (StartReport), queues the rest for a worker (FinishReport into a record) and prints, through
// the usual line output, every report at the head of the window that is finished. The window is
// bounded, so a walk of a million files holds only a few reports at a time. Workers never call the
// host: what a section asks of it is answered by the host's thread while the printer waits
// (gateway::HostRequests), and numbers get their separators when they are printed.
#pragma once
#include "core/ScanSettings.h"
#include "core/Sync.h"
#include "core/ThreadBudget.h"
#include "gateway/HostGateway.h"
#include "reports/ReportFile.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace scrutel {

class ReportPipeline final : public ReportQueue {
  public:
    // workers threads (at least 1) for the reports of one command; hostSettings is the command's
    // own, which the printer adds each printed file's counts to.
    ReportPipeline(unsigned workers, ScanSettings& hostSettings, const ReportSteps& steps);
    // Stops the workers and joins them; unprinted reports are dropped.
    ~ReportPipeline();
    ReportPipeline(const ReportPipeline&) = delete;
    ReportPipeline& operator=(const ReportPipeline&) = delete;

    // The walker's handler: -1 no path, 2 not a file, ABORTED when the command is to stop, else 0.
    int Submit(const wchar_t* path, uint32_t omitMask) override;
    // Waits for and prints every queued report: 0, or ABORTED.
    int PrintAll();
    // Tells the workers to stop and joins them.
    void Stop();

    size_t WindowSize() const { return window_; }
    // The command's threads: each worker holds one while it prepares a report, and digest threads
    // borrow the free ones.
    ThreadBudget& Budget() { return budget_; }

  private:
    struct Job;
    void Work() noexcept;
    void RunJob(Job& job, const std::shared_ptr<ReportMemo>& memo, int32_t& propertySystem) noexcept;
    // Prints the finished reports at the head of the window, and waits for unfinished ones while
    // more than keep are queued: 0, or ABORTED.
    int PrintReady(size_t keep);
    int PrintJob(Job& job);
    // Prints what an unfinished job has finished so far: its start and every finished line.
    int PrintFinishedLines(Job& job);
    // Waits (host's thread) until the head job is done, printing its finished lines as they come,
    // answering the workers' host queries; or until the user interrupts or stops the output.
    enum class Wait { Done, Interrupted, Stopped };
    Wait WaitForHead(std::unique_lock<Mutex>& lock, size_t keep);
    // The report whose end wakes the waiting printer; null when all that it waits for is done.
    Job* AwaitedJob(size_t keep) const;

    ScanSettings& host_;
    ScanSettings options_; // the command's options, copied for the workers
    ReportSteps steps_;
    size_t window_;
    std::atomic<LONG> stop_{0};
    bool aborted_ = false;

    Mutex mutex_;
    ConditionVariable work_;
    ConditionVariable done_;
    std::deque<std::unique_ptr<Job>> queued_; // walk order: printed from the front
    std::deque<Job*> todo_;                   // not yet taken by a worker
    Job* awaited_ = nullptr;                  // the printer sleeps until this one is done
    ThreadBudget budget_;
    gateway::HostRequests requests_; // the workers' host queries, answered by the printer
    std::vector<std::thread> threads_;
};

// The handler for a command with report workers (settings.pipeline); ReportFile without.
int QueuedReportFile(const wchar_t* path, uint32_t omitMask, ScanSettings& settings);

// Report workers for a command: SCRUTEL_THREADS (1: none, everything on the host's thread), else
// one per processor. Workers and the digest threads they borrow share this many threads.
unsigned ReportWorkerSetting();

// Called first on every worker thread, with no lock held; null normally. Tests make a worker's
// start fail with it.
using WorkerStartHook = void (*)();
void SetWorkerStartHook(WorkerStartHook hook);

// Prints the pipeline's pending reports; the PendingPrinter of the line output.
int PrintPipelineBacklog(void* pipeline);

} // namespace scrutel
