// Threaded hashing: the thread setting, digests equal to the one-thread path for every size around
// the block boundaries and every pool size, the failures (a read that fails part-way, a file that
// grows, shrinks or changes, an interruption) ending with the one-thread path's result, and no pool
// thread outliving a hashing, whatever its end.
#include "reports/DigestThreads.h"

#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::RandomBytes;
using testing_support::TempTree;

namespace {

const uint32_t AllHashes = HashCrc32 | HashCksum | HashMd5 | HashSha1 | HashSha256 | HashSha384 | HashSha512;

// Bytes in memory as a checksum source, with faults on request.
class MemorySource : public ChecksumSource {
  public:
    explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    bool Snapshot(FileSnapshot& snapshot) override {
        snapshot.size = bytes_.size() + (snapshots_ > 0 ? sizeAfter_ : 0);
        snapshot.lastWrite = snapshots_++ > 0 && changedAfter_ ? 2 : 1;
        return true;
    }
    int64_t Read(void* buffer, size_t length) override {
        ++reads_;
        if (watched_ && watched_->Held() > mostHeld_) mostHeld_ = watched_->Held();
        if (failAtRead_ && reads_ == failAtRead_) return -1;
        if (interruptAtRead_ && reads_ == interruptAtRead_) CtrlHandler(CTRL_C_EVENT);
        size_t end = bytes_.size() + extra_;
        size_t n = end - position_ < length ? end - position_ : length;
        for (size_t i = 0; i < n; ++i, ++position_)
            static_cast<uint8_t*>(buffer)[i] = position_ < bytes_.size() ? bytes_[position_] : 0x5A;
        return static_cast<int64_t>(n);
    }
    int failAtRead_ = 0;
    int interruptAtRead_ = 0;
    ThreadBudget* watched_ = nullptr; // its threads in use, seen at every read
    unsigned mostHeld_ = 0;
    size_t extra_ = 0;          // bytes beyond the snapshot's size: a growing file
    size_t sizeAfter_ = 0;      // added to the size from the second snapshot on
    bool changedAfter_ = false; // the write time differs from the second snapshot on

  private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
    int reads_ = 0;
    int snapshots_ = 0;
};

ChecksumResults OneThread(const std::vector<uint8_t>& bytes, uint32_t mask) {
    ChecksumSet set(mask);
    if (!bytes.empty()) set.Update(bytes.data(), bytes.size());
    ChecksumResults results;
    set.Finish(results);
    return results;
}

void ExpectSame(const ChecksumResults& a, const ChecksumResults& b) {
    EXPECT_EQ(a.crc32, b.crc32);
    EXPECT_EQ(a.cksum, b.cksum);
    ASSERT_EQ(a.digestCount, b.digestCount);
    for (size_t i = 0; i < a.digestCount; ++i) {
        ASSERT_TRUE(a.digests[i].ok && b.digests[i].ok);
        ASSERT_EQ(a.digests[i].length, b.digests[i].length);
        EXPECT_EQ(memcmp(a.digests[i].value, b.digests[i].value, a.digests[i].length), 0) << i;
    }
}

// A ChecksumSet's lanes, one of which throws on the first block that a pool thread (not the
// calling thread) hands it.
class ThrowingOnAPoolThread : public HashLanes {
  public:
    explicit ThrowingOnAPoolThread(ChecksumSet& set) : set_(set), caller_(GetCurrentThreadId()) {}
    size_t LaneCount() const override { return set_.LaneCount(); }
    double LaneCost(size_t lane) const override { return set_.LaneCost(lane); }
    void UpdateLane(size_t lane, const void* data, size_t length) override {
        if (GetCurrentThreadId() != caller_) {
            if (!thrown_.exchange(true)) throw std::bad_alloc();
        } else {
            // The calling thread could hash every lane alone on a busy machine: it holds its lane
            // until a pool thread has taken one (and thrown), or for 5 s at most.
            for (int i = 0; i < 500 && !thrown_.load(); ++i)
                Sleep(10);
        }
        set_.UpdateLane(lane, data, length);
    }
    std::atomic<bool> thrown_{false};

  private:
    ChecksumSet& set_;
    DWORD caller_;
};

class DigestThreads : public ::testing::Test {
  protected:
    void SetUp() override { Output().paging.interrupted = 0; }
    void TearDown() override { Output().paging.interrupted = 0; }
};

// One pooled hashing of each kind: a whole file, a read that fails, a growing file and an
// interruption. Returns whether each gave its expected result.
bool HashEveryWay(unsigned threads) {
    std::vector<uint8_t> bytes = RandomBytes(40 * 4096, 17);
    bool ok = true;
    {
        ChecksumSet set(AllHashes);
        MemorySource source(bytes);
        ok &= HashSourceThreaded(source, set, threads, 4096, 3) == 0;
    }
    {
        ChecksumSet set(AllHashes);
        MemorySource source(bytes);
        source.failAtRead_ = 7;
        ok &= HashSourceThreaded(source, set, threads, 4096, 3) == ChecksumReadFailed;
    }
    {
        ChecksumSet set(AllHashes);
        MemorySource source(bytes);
        source.extra_ = 9000;
        ok &= HashSourceThreaded(source, set, threads, 4096, 3) == ChecksumChanged;
    }
    {
        ChecksumSet set(AllHashes);
        MemorySource source(bytes);
        source.interruptAtRead_ = 5;
        ok &= HashSourceThreaded(source, set, threads, 4096, 3) == ABORTED;
        Output().paging.interrupted = 0;
    }
    return ok;
}

} // namespace

TEST(ThreadSetting, UnsetOrUnusableMeansTheProcessorCount) {
    struct Case {
        const wchar_t* value;
        unsigned processors;
        unsigned expected;
    } cases[] = {{nullptr, 2, 2}, {L"", 4, 4},        {L"1", 8, 1},          {L"2", 8, 2},  {L"64", 2, 64},
                 {L"65", 2, 2},   {L"0", 3, 3},       {L"abc", 2, 2},        {L"2x", 2, 2}, {L"-1", 2, 2},
                 {nullptr, 0, 1}, {nullptr, 500, 64}, {L"99999999999", 2, 2}};
    for (const Case& c : cases)
        EXPECT_EQ(ParseThreadSetting(c.value, c.processors), c.expected)
            << (c.value ? testing_support::ToUtf8(c.value) : "(unset)") << " with " << c.processors;
}

TEST_F(DigestThreads, EveryPoolSizeGivesTheOneThreadDigestsAtEveryBoundary) {
    const size_t block = 4096;
    const size_t sizes[] = {0, 1, block - 1, block, block + 1, 3 * block + 5, 20 * block, 100003};
    for (size_t size : sizes) {
        std::vector<uint8_t> bytes = RandomBytes(size, static_cast<unsigned>(size) + 3u);
        ChecksumResults expected = OneThread(bytes, AllHashes);
        for (unsigned threads : {1u, 2u, 3u, 7u, 16u}) {
            for (size_t inFlight : {size_t{1}, size_t{3}, size_t{8}}) {
                SCOPED_TRACE(testing::Message() << size << " bytes, " << threads << " threads, " << inFlight
                                                << " blocks in flight");
                ChecksumSet set(AllHashes);
                MemorySource source(bytes);
                ASSERT_EQ(HashSourceThreaded(source, set, threads, block, inFlight), 0);
                ChecksumResults results;
                set.Finish(results);
                ExpectSame(results, expected);
            }
        }
    }
}

TEST_F(DigestThreads, OneComputationAloneStillWorks) {
    std::vector<uint8_t> bytes = RandomBytes(50000, 11);
    for (uint32_t mask : {uint32_t{HashCrc32}, uint32_t{HashCksumX}, uint32_t{HashSha256}}) {
        ChecksumSet set(mask);
        MemorySource source(bytes);
        ASSERT_EQ(HashSourceThreaded(source, set, 4, 4096, 4), 0);
        ChecksumResults results;
        set.Finish(results);
        ExpectSame(results, OneThread(bytes, mask));
    }
}

TEST_F(DigestThreads, FailuresEndAsOnOneThread) {
    std::vector<uint8_t> bytes = RandomBytes(64 * 1024, 5);
    struct Case {
        const char* label;
        int failAt = 0;
        size_t extra = 0;
        size_t sizeAfter = 0;
        bool changedAfter = false;
        int expected;
    } cases[] = {
        {"a read fails part-way", 4, 0, 0, false, ChecksumReadFailed},
        {"the first read fails", 1, 0, 0, false, ChecksumReadFailed},
        {"the file grows while read", 0, 5000, 0, false, ChecksumChanged},
        {"the size differs afterwards", 0, 0, 7, false, ChecksumChanged},
        {"written to while read", 0, 0, 0, true, ChecksumChanged},
    };
    for (const Case& c : cases) {
        for (unsigned threads : {1u, 2u, 6u}) {
            SCOPED_TRACE(testing::Message() << c.label << ", " << threads << " threads");
            MemorySource threaded(bytes), single(bytes);
            for (MemorySource* s : {&threaded, &single}) {
                s->failAtRead_ = c.failAt;
                s->extra_ = c.extra;
                s->sizeAfter_ = c.sizeAfter;
                s->changedAfter_ = c.changedAfter;
            }
            ChecksumSet a(AllHashes), b(AllHashes);
            std::vector<std::byte> block(4096);
            EXPECT_EQ(HashSourceThreaded(threaded, a, threads, 4096, 3), c.expected);
            EXPECT_EQ(HashSource(single, b, block), c.expected);
        }
    }
}

TEST_F(DigestThreads, AnExceptionOnAPoolThreadFailsTheHashingAsAFailedRead) {
    std::vector<uint8_t> bytes = RandomBytes(200 * 4096, 13);
    for (unsigned threads : {2u, 4u}) {
        SCOPED_TRACE(testing::Message() << threads << " threads");
        MemorySource source(bytes);
        ChecksumSet set(AllHashes);
        ThrowingOnAPoolThread lanes(set);
        EXPECT_EQ(HashSourceThreaded(source, lanes, threads, 4096, 3), ChecksumReadFailed);
        EXPECT_TRUE(lanes.thrown_.load());
    }
}

TEST_F(DigestThreads, OnAWorkerOnlyTheThreadsNoWorkerUsesHelp) {
    std::vector<uint8_t> bytes = RandomBytes(static_cast<size_t>(ThreadedHashMinBytes) + 4096, 3);
    struct Case {
        const char* label;
        unsigned budget;
        unsigned heldByWorkers; // the calling worker's own among them
        unsigned mostHeld;      // while hashing
    } cases[] = {
        {"every other worker busy", 3, 3, 3},
        {"one worker idle", 3, 2, 3},
        {"all others idle: one helper per lane at most", 12, 1, 7},
        {"a single worker", 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ThreadBudget budget(c.budget);
        for (unsigned i = 0; i < c.heldByWorkers; ++i)
            budget.Acquire();
        MemorySource source(bytes);
        source.watched_ = &budget;
        ChecksumSet set(AllHashes);
        std::vector<std::byte> block(ChecksumBlockBytes);
        EXPECT_EQ(HashSourceFor(source, set, block, bytes.size(), 0, &budget), 0);
        EXPECT_EQ(source.mostHeld_, c.mostHeld);
        EXPECT_EQ(budget.Held(), c.heldByWorkers);
        ChecksumResults results;
        set.Finish(results);
        ExpectSame(results, OneThread(bytes, AllHashes));
    }
}

TEST_F(DigestThreads, AnInterruptionStopsWithinABlockAndJoinsEveryThread) {
    std::vector<uint8_t> bytes = RandomBytes(200 * 4096, 9);
    MemorySource source(bytes);
    source.interruptAtRead_ = 5;
    ChecksumSet set(AllHashes);
    EXPECT_EQ(HashSourceThreaded(source, set, 4, 4096, 4), ABORTED);
}

TEST_F(DigestThreads, ALargeFileHashesAlikeWithAndWithoutThreads) {
    TempTree tree;
    std::vector<uint8_t> bytes = RandomBytes(static_cast<size_t>(ThreadedHashMinBytes) + 12345, 21);
    std::wstring path = tree.file(L"large.bin", bytes);
    ChecksumResults single, threaded;
    SetEnvironmentVariableW(L"SCRUTEL_THREADS", L"1");
    ASSERT_EQ(ComputeFileChecksums(path.c_str(), AllHashes, single), 0);
    SetEnvironmentVariableW(L"SCRUTEL_THREADS", L"3");
    ASSERT_EQ(ComputeFileChecksums(path.c_str(), AllHashes, threaded), 0);
    SetEnvironmentVariableW(L"SCRUTEL_THREADS", nullptr);
    ExpectSame(threaded, single);
    ExpectSame(single, OneThread(bytes, AllHashes));
}

TEST_F(DigestThreads, NoThreadOutlivesAHashingWhateverItsEnd) {
    // The platform starts threads of its own on first use that stay for the life of the process;
    // those appear in the first round. A pool thread left behind would add up round after round.
    for (unsigned threads : {2u, 4u, 7u})
        ASSERT_TRUE(HashEveryWay(threads));
    Sleep(100);
    size_t before = testing_support::ThreadsOfThisProcess();
    for (int round = 0; round < 10; ++round)
        for (unsigned threads : {2u, 4u, 7u})
            ASSERT_TRUE(HashEveryWay(threads)) << "round " << round << ", " << threads << " threads";
    Sleep(100);
    EXPECT_EQ(testing_support::ThreadsOfThisProcess(), before);
}
