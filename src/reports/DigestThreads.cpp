// Threaded hashing of one file: a ring of blocks filled in order by the calling thread, and lanes
// (one per computation) taken by whichever pool thread is free, each lane in block order.
#include "reports/DigestThreads.h"

#include "core/ScanSettings.h"
#include "core/Sync.h"
#include "output/LineOutput.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cwchar>
#include <memory>
#include <mutex>
#include <system_error>
#include <new>
#include <thread>
#include <vector>

namespace scrutel {

namespace {

constexpr unsigned MaxThreads = 64;

struct Block {
    std::unique_ptr<std::byte[]> bytes;
    size_t length = 0;
    size_t lanesLeft = 0; // lanes still to hash this block; 0: free for the next read
};

struct Lane {
    uint64_t next = 0; // the next block this lane hashes
    bool busy = false;
    double cost = 0;
};

// What the pool threads share; every field is read and written under lock.
class LanePool {
  public:
    LanePool(HashLanes& set, size_t blockBytes, size_t blocksInFlight) : set_(set) {
        for (size_t i = 0; i < set.LaneCount(); ++i)
            if (double cost = set.LaneCost(i); cost > 0) {
                lanes_.push_back(Lane{});
                lanes_.back().cost = cost;
                laneIndex_.push_back(i);
            }
        blocks_.resize(blocksInFlight);
        for (Block& b : blocks_)
            b.bytes.reset(new std::byte[blockBytes]);
        blockBytes_ = blockBytes;
    }

    size_t LaneTotal() const { return lanes_.size(); }

    // A pool thread: takes lanes until the input has ended and every lane is done, or stop.
    void Work() {
        std::unique_lock<Mutex> lock(mutex_);
        for (;;) {
            if (stop_) return;
            if (RunOneLane(lock, false)) continue;
            if (ended_ && AllLanesDone()) return;
            wake_.wait(lock);
        }
    }

    // The calling thread's loop: reads blocks while there is room, hashes lanes otherwise.
    // Returns 0, or the failure (ChecksumReadFailed, ChecksumChanged, ABORTED).
    int Drive(ChecksumSource& source, uint64_t expectedSize) {
        WorkProgress progress(expectedSize);
        std::unique_lock<Mutex> lock(mutex_);
        uint64_t total = 0;
        for (;;) {
            // A large file can take a while: Ctrl-C stops it between blocks.
            if (StopRequested()) return Stop(lock, ABORTED);
            if (failed_) return ChecksumReadFailed;
            if (!ended_) {
                Block& b = blocks_[read_ % blocks_.size()];
                if (b.lanesLeft == 0) {
                    lock.unlock();
                    int64_t got = source.Read(b.bytes.get(), blockBytes_);
                    if (got > 0) progress.Done(total + static_cast<uint64_t>(got));
                    lock.lock();
                    if (got < 0 || static_cast<uint64_t>(got) > blockBytes_)
                        return Stop(lock, ChecksumReadFailed);
                    if (got == 0) {
                        ended_ = true;
                        wake_.notify_all();
                        continue;
                    }
                    total += static_cast<uint64_t>(got);
                    // More bytes than the file had: it is growing, and might never end.
                    if (total > expectedSize) return Stop(lock, ChecksumChanged);
                    b.length = static_cast<size_t>(got);
                    b.lanesLeft = lanes_.size();
                    ++read_;
                    wake_.notify_all();
                    continue;
                }
            }
            if (RunOneLane(lock, true)) continue;
            if (ended_ && AllLanesDone()) break;
            // Woken by a finished lane or a free block; the time-out keeps Ctrl-C prompt.
            wake_.wait_for(lock, std::chrono::milliseconds(10));
        }
        // Fewer bytes than the file had: it was cut while it was read.
        return total == expectedSize ? 0 : ChecksumChanged;
    }

    void StopAll() {
        std::lock_guard<Mutex> lock(mutex_);
        stop_ = true;
        wake_.notify_all();
    }

    // A pool thread could not go on (an exception left its lane): the hashing stops and fails as
    // a failed read does, instead of waiting for a lane that will never finish.
    void Fail() {
        std::lock_guard<Mutex> lock(mutex_);
        failed_ = true;
        stop_ = true;
        wake_.notify_all();
    }

  private:
    int Stop(std::unique_lock<Mutex>&, int result) {
        stop_ = true;
        wake_.notify_all();
        return result;
    }

    bool AllLanesDone() const {
        for (const Lane& lane : lanes_)
            if (lane.busy || lane.next < read_) return false;
        return true;
    }

    // Hashes one waiting block of one free lane; false when no lane has a block waiting. It takes
    // the lane furthest behind, which keeps the lanes in step; among those the reading thread
    // takes the cheapest (it has reading to do), the others the costliest.
    bool RunOneLane(std::unique_lock<Mutex>& lock, bool reader) {
        Lane* chosen = nullptr;
        size_t chosenIndex = 0;
        for (size_t i = 0; i < lanes_.size(); ++i) {
            Lane& lane = lanes_[i];
            if (lane.busy || lane.next >= read_) continue;
            bool better =
                !chosen || lane.next < chosen->next ||
                (lane.next == chosen->next && (reader ? lane.cost < chosen->cost : lane.cost > chosen->cost));
            if (better) {
                chosen = &lane;
                chosenIndex = i;
            }
        }
        if (!chosen) return false;
        chosen->busy = true;
        Block& b = blocks_[chosen->next % blocks_.size()];
        lock.unlock();
        set_.UpdateLane(laneIndex_[chosenIndex], b.bytes.get(), b.length);
        lock.lock();
        chosen->busy = false;
        ++chosen->next;
        --b.lanesLeft;
        wake_.notify_all();
        return true;
    }

    HashLanes& set_;
    Mutex mutex_;
    ConditionVariable wake_;
    std::vector<Block> blocks_;
    std::vector<Lane> lanes_;
    std::vector<size_t> laneIndex_;
    size_t blockBytes_ = 0;
    uint64_t read_ = 0; // blocks read so far
    bool ended_ = false;
    bool stop_ = false;
    bool failed_ = false;
};

// Joins the pool threads on every way out of HashSourceThreaded.
class ThreadGroup {
  public:
    explicit ThreadGroup(LanePool& pool) : pool_(pool) {}
    ~ThreadGroup() {
        pool_.StopAll();
        for (std::thread& t : threads_)
            if (t.joinable()) t.join();
    }
    void Start(unsigned count) {
        for (unsigned i = 0; i < count; ++i)
            threads_.emplace_back([this] {
                try {
                    pool_.Work();
                } catch (...) {
                    // Nothing escapes a pool thread; the file's hashing fails instead.
                    pool_.Fail();
                }
            });
    }

  private:
    LanePool& pool_;
    std::vector<std::thread> threads_;
};

} // namespace

unsigned ParseThreadSetting(const wchar_t* value, unsigned processors) {
    if (processors == 0) processors = 1;
    if (processors > MaxThreads) processors = MaxThreads;
    if (!value || !*value) return processors;
    unsigned n = 0;
    for (const wchar_t* p = value; *p; ++p) {
        if (*p < L'0' || *p > L'9') return processors;
        n = n * 10 + static_cast<unsigned>(*p - L'0');
        if (n > MaxThreads) return processors;
    }
    return n == 0 ? processors : n;
}

unsigned DigestThreadSetting() {
    wchar_t value[32] = {};
    DWORD n = GetEnvironmentVariableW(L"SCRUTEL_THREADS", value, 32);
    unsigned processors = std::thread::hardware_concurrency();
    return ParseThreadSetting(n > 0 && n < 32 ? value : nullptr, processors);
}

int HashSourceThreaded(ChecksumSource& source, HashLanes& set, unsigned threads, size_t blockBytes,
                       size_t blocksInFlight) {
    if (blockBytes == 0 || blockBytes > 0x40000000u || blocksInFlight == 0) return ChecksumReadFailed;
    FileSnapshot before;
    if (!source.Snapshot(before)) return ChecksumReadFailed;
    int rc = 0;
    try {
        LanePool pool(set, blockBytes, blocksInFlight);
        ThreadGroup group(pool);
        unsigned extra = threads > 1 ? threads - 1 : 0;
        if (extra + 1 > pool.LaneTotal())
            extra = pool.LaneTotal() > 0 ? static_cast<unsigned>(pool.LaneTotal() - 1) : 0;
        group.Start(extra);
        rc = pool.Drive(source, before.size);
    } catch (const std::bad_alloc&) {
        return ChecksumReadFailed;
    } catch (const std::system_error&) {
        return ChecksumReadFailed;
    }
    if (rc != 0) return rc;
    // The same number of bytes, but written to (or replaced and grown back) in the meantime.
    FileSnapshot after;
    if (!source.Snapshot(after)) return ChecksumReadFailed;
    if (!(after == before)) return ChecksumChanged;
    return 0;
}

int HashSourceFor(ChecksumSource& source, ChecksumSet& set, std::span<std::byte> block, uint64_t expectedSize,
                  unsigned threads, ThreadBudget* budget) {
    if (expectedSize < ThreadedHashMinBytes) return HashSource(source, set, block);
    if (budget) {
        // On a report worker: the calling thread is the worker's own, and only threads of the
        // command's budget that no worker uses now may help.
        size_t lanes = 0;
        for (size_t i = 0; i < set.LaneCount(); ++i)
            if (set.LaneCost(i) > 0) ++lanes;
        BudgetLease lease(budget, lanes > 1 ? static_cast<unsigned>(lanes - 1) : 0);
        // Even alone, the worker reads a large file in the threaded path's large blocks: a read
        // costs far more under Wine than its bytes do.
        return HashSourceThreaded(source, set, lease.Count() + 1);
    }
    if (threads == 0) threads = DigestThreadSetting();
    if (threads <= 1) return HashSource(source, set, block);
    return HashSourceThreaded(source, set, threads);
}

} // namespace scrutel
