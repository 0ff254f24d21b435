// Report workers and the printer that keeps their reports in walk order; see ReportPipeline.h.
#include "command/ReportPipeline.h"

#include "core/Owners.h"
#include "output/LineOutput.h"
#include "output/Progress.h"
#include "reports/DigestThreads.h"
#include "core/ReportMemo.h"
#include "select/Walker.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace scrutel {

namespace {

// Reports prepared ahead of the printer, per worker: enough that a slow file does not idle the
// other workers, few enough that memory stays small.
constexpr size_t WindowPerWorker = 8;
// How often the printer, waiting for a report, looks at the interruption flag.
constexpr auto InterruptPoll = std::chrono::milliseconds(10);

std::atomic<WorkerStartHook> g_workerStartHook{nullptr};

} // namespace

void SetWorkerStartHook(WorkerStartHook hook) {
    g_workerStartHook = hook;
}

struct ReportPipeline::Job {
    PreparedReport report;
    ReportRecord start; // heading, alias lines (host's thread)
    ReportRecord body;  // the sections (worker)
    RecordShare share;  // body's finished lines, which the printer may show before done
    bool done = false;
    bool startPrinted = false; // printer's own: start went out
    size_t printed = 0;        // printer's own: pieces of body that went out
    bool exception = false;    // an exception left FinishReport
    int result = 0;
    uint32_t matchCount = 0;
    uint32_t sectionFailures = 0;
    uint32_t sectionFaults = 0;
};

ReportPipeline::ReportPipeline(unsigned workers, ScanSettings& hostSettings, const ReportSteps& steps)
    : host_(hostSettings), options_(hostSettings), steps_(steps), budget_(workers ? workers : 1),
      requests_([this] {
          std::lock_guard<Mutex> lock(mutex_);
          done_.notify_all();
      }) {
    if (workers == 0) workers = 1;
    window_ = WindowPerWorker * workers;
    options_.matchCount = 0;
    options_.sectionFailures = 0;
    options_.sectionFaults = 0;
    options_.memo.reset();
    options_.pipeline = nullptr;
    options_.threadBudget = &budget_;
    try {
        for (unsigned i = 0; i < workers; ++i)
            threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        // Fewer workers than asked: the ones that started do the work.
        if (threads_.empty()) throw;
    }
    SetPendingPrinter(PrintPipelineBacklog, this);
}

ReportPipeline::~ReportPipeline() {
    Stop();
}

void ReportPipeline::Stop() {
    SetPendingPrinter(nullptr, nullptr);
    {
        std::lock_guard<Mutex> lock(mutex_);
        stop_ = 1;
        todo_.clear();
        budget_.SetWaiting(0);
    }
    work_.notify_all();
    // A worker waiting for the host's answer gets none: its report is dropped anyway.
    requests_.Close();
    for (std::thread& t : threads_)
        if (t.joinable()) t.join();
    threads_.clear();
    queued_.clear();
}

void ReportPipeline::Work() noexcept {
    // What this worker asks of the host is answered on the host's thread.
    gateway::ForwardingScope forwarding(requests_);
    // COM for the sections a worker runs (property store, compound files, shell queries), in a
    // single-threaded apartment of the worker's own.
    ComApartment apartment;
    // What this worker learns for the command: its own memo (registry answers, accounts, the
    // cryptographic context) and whether the platform has a property system. Without memory for
    // the memo, each report makes one of its own (or fails as a report).
    std::shared_ptr<ReportMemo> memo;
    try {
        if (WorkerStartHook hook = g_workerStartHook.load()) hook();
        memo = std::make_shared<ReportMemo>();
    } catch (...) {
    }
    int32_t propertySystem = options_.propertySystem;
    try {
        std::unique_lock<Mutex> lock(mutex_);
        for (;;) {
            work_.wait(lock, [this] { return stop_.load() || !todo_.empty(); });
            if (stop_.load()) return;
            Job* job = todo_.front();
            todo_.pop_front();
            budget_.SetWaiting(static_cast<unsigned>(todo_.size()));
            lock.unlock();
            RunJob(*job, memo, propertySystem);
            lock.lock();
            job->done = true;
            // The printer sleeps until the report it waits for is done; waking it for every
            // other report would cost a switch of threads per file.
            if (job == awaited_) done_.notify_all();
        }
    } catch (...) {
        // Only the lock itself could throw here; the printer's wait sees the stop or times out
        // on the interruption as for any unfinished report.
    }
}

void ReportPipeline::RunJob(Job& job, const std::shared_ptr<ReportMemo>& memo,
                            int32_t& propertySystem) noexcept {
    try {
        BudgetSlot slot(budget_);
        ScanSettings settings = options_;
        settings.memo = memo;
        settings.propertySystem = propertySystem;
        {
            RecordingScope recording(job.body, &stop_, &job.share);
            job.result = FinishReport(job.report, settings, steps_);
        }
        propertySystem = settings.propertySystem;
        job.matchCount = settings.matchCount;
        job.sectionFailures = settings.sectionFailures;
        job.sectionFaults = settings.sectionFaults;
    } catch (...) {
        // Printed as the walker reports a handler's exception on one thread.
        job.exception = true;
    }
}

ReportPipeline::Job* ReportPipeline::AwaitedJob(size_t keep) const {
    // The last unfinished report of those that must go out for only keep to be left, and no more
    // than half the window: the printer then prints a run of reports for each wake, while the
    // workers still have the other half to do.
    size_t batch = queued_.size() - keep;
    if (batch > window_ / 2) batch = window_ / 2;
    if (batch == 0) batch = 1;
    for (size_t i = batch; i-- > 0;)
        if (!queued_[i]->done) return queued_[i].get();
    return nullptr;
}

ReportPipeline::Wait ReportPipeline::WaitForHead(std::unique_lock<Mutex>& lock, size_t keep) {
    Job& head = *queued_.front();
    const ULONGLONG waitStart = GetTickCount64();
    while (!head.done) {
        awaited_ = AwaitedJob(keep);
        if (Output().paging.interrupted.load()) {
            awaited_ = nullptr;
            return Wait::Interrupted;
        }
        if (requests_.Pending()) {
            // A worker waits for the host: answer it here, without the queue's lock.
            lock.unlock();
            requests_.Serve();
            lock.lock();
            continue;
        }
        if (done_.wait_for(lock, InterruptPoll) == std::cv_status::timeout && !head.done) {
            // Long work: what the report has finished so far goes out now, as on one thread.
            lock.unlock();
            int rc = PrintFinishedLines(head);
            FlushOutputWhenWaiting();
            if (rc != ABORTED)
                ShowWaitingHashProgress(head.share.workDone.load(), head.share.workTotal.load(),
                                        static_cast<DWORD>(GetTickCount64() - waitStart));
            lock.lock();
            if (rc == ABORTED) {
                awaited_ = nullptr;
                return Wait::Stopped;
            }
        }
    }
    awaited_ = nullptr;
    return Wait::Done;
}

int ReportPipeline::PrintFinishedLines(Job& job) {
    if (!job.startPrinted) {
        job.startPrinted = true;
        if (PrintRecord(job.start) == ABORTED) return ABORTED;
    }
    ReportRecord lines;
    {
        std::lock_guard<Mutex> lock(job.share.lock);
        if (job.share.committed <= job.printed) return 0;
        lines = job.body.Slice(job.printed, job.share.committed);
        job.printed = job.share.committed;
    }
    return PrintRecord(lines);
}

int ReportPipeline::PrintJob(Job& job) {
    // The same line output as a report printed directly: paging, colours and the interruption
    // act at the same places.
    if (!job.startPrinted && PrintRecord(job.start) == ABORTED) return ABORTED;
    if (job.printed == 0) {
        if (PrintRecord(job.body) == ABORTED) return ABORTED;
    } else if (PrintRecord(job.body.Slice(job.printed, job.body.pieces.size())) == ABORTED) {
        return ABORTED;
    }
    if (job.exception) {
        ReportHandlerException(job.report.path.c_str(), job.report.omitMask);
        return ABORTED;
    }
    if (job.result == ABORTED) return ABORTED;
    host_.matchCount += job.matchCount;
    host_.sectionFailures += job.sectionFailures;
    host_.sectionFaults += job.sectionFaults;
    FlushOutputWhenWaiting();
    return 0;
}

int ReportPipeline::PrintReady(size_t keep) {
    if (aborted_) return ABORTED;
    std::unique_lock<Mutex> lock(mutex_);
    while (!queued_.empty()) {
        Job& head = *queued_.front();
        if (!head.done) {
            if (queued_.size() <= keep) break;
            // A wait prints down to half the window: one wake then prints a run of reports.
            keep = std::min(keep, window_ / 2);
            Wait waited = WaitForHead(lock, keep);
            if (waited != Wait::Done) {
                // Interrupted while a worker still works on the head: stop the workers and show
                // the mark after the lines of that file already shown; nothing more of it follows.
                stop_ = 1;
                lock.unlock();
                aborted_ = true;
                return waited == Wait::Interrupted ? StopForInterruption() : ABORTED;
            }
        }
        std::unique_ptr<Job> job = std::move(queued_.front());
        queued_.pop_front();
        lock.unlock();
        if (PrintJob(*job) == ABORTED) {
            stop_ = 1;
            aborted_ = true;
            return ABORTED;
        }
        lock.lock();
    }
    return 0;
}

int ReportPipeline::PrintAll() {
    return PrintReady(0);
}

int ReportPipeline::Submit(const wchar_t* path, uint32_t omitMask) {
    if (aborted_) return ABORTED;
    requests_.Serve();
    if (PrintReady(SIZE_MAX) == ABORTED) return ABORTED;
    auto job = std::make_unique<Job>();
    int rc = 0;
    try {
        RecordingScope recording(job->start);
        rc = StartReport(path, omitMask, host_, steps_, job->report, true);
    } catch (...) {
        // The host's half failed: what came before it and what it wrote go out first, then the
        // walker reports the exception as for any handler.
        if (PrintAll() != ABORTED) PrintRecord(job->start);
        throw;
    }
    if (rc != 0) return rc;

    Job* queued = job.get();
    {
        std::unique_lock<Mutex> lock(mutex_);
        queued_.push_back(std::move(job));
        todo_.push_back(queued);
        budget_.SetWaiting(static_cast<unsigned>(todo_.size()));
    }
    work_.notify_one();
    // A full window: print (and wait for) the oldest reports until there is room again.
    return PrintReady(window_ - 1);
}

int PrintPipelineBacklog(void* pipeline) {
    return pipeline ? static_cast<ReportPipeline*>(pipeline)->PrintAll() : 0;
}

int QueuedReportFile(const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    if (!settings.pipeline) return ReportFile(path, omitMask, settings);
    return settings.pipeline->Submit(path, omitMask);
}

unsigned ReportWorkerSetting() {
    return DigestThreadSetting();
}

} // namespace scrutel
