// Every checksum and digest that /C: selects, computed from one sequential read of the file:
// each block is handed to CRC-32, cksum and the CryptoAPI hash objects in turn.
#pragma once
#include "core/Owners.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace scrutel {

// Block size of the single sequential read; memory use is this much, whatever the file size.
inline constexpr size_t ChecksumBlockBytes = 32768;

struct DigestAlgorithm {
    uint32_t bit;         // HashMd5 ... HashSha512
    ALG_ID algorithm;     // CryptoAPI algorithm identifier
    const wchar_t* label; // report text before the hexadecimal digest
};

// MD5, SHA-1, SHA-256, SHA-384, SHA-512 in report order.
std::span<const DigestAlgorithm> StandardDigests();
// A verifying context of the AES provider for digests, or 0. Acquiring one reads the registry:
// a command asks once and hands it to every file's ChecksumSet.
HCRYPTPROV AcquireDigestProvider();
class ReportMemo;
// The command's one verifying context, acquired on first use; 0 when none can be had (asked again
// on the next call, as a failed context was asked again for the next digest before).
HCRYPTPROV CommandDigestProvider(ReportMemo& memo);

struct DigestResult {
    uint32_t bit = 0;
    const wchar_t* label = nullptr;
    bool ok = false;
    DWORD length = 0;
    BYTE value[64] = {};
};

struct ChecksumResults {
    bool crc32Ok = false;
    uint32_t crc32 = 0;
    bool cksumOk = false;
    uint32_t cksum = 0;
    size_t digestCount = 0;
    DigestResult digests[8];
};

// Computations that take every block of a file in order, each as a lane of its own that one
// thread at a time feeds (the threaded hashing's view of a ChecksumSet).
class HashLanes {
  public:
    virtual ~HashLanes() = default;
    virtual size_t LaneCount() const = 0;
    // The relative cost per byte of a lane: used to spread lanes over threads. 0 for a lane with
    // nothing to compute.
    virtual double LaneCost(size_t lane) const = 0;
    virtual void UpdateLane(size_t lane, const void* data, size_t length) = 0;
};

// The running computations for one file. A digest whose provider or hash object cannot be had,
// or whose hashing step fails, is marked failed and skipped from then on; the others go on.
class ChecksumSet : public HashLanes {
  public:
    // provider: a CryptoAPI context to use and leave open (0: acquire one and release it after).
    ChecksumSet(uint32_t hashMask, std::span<const DigestAlgorithm> digests = StandardDigests(),
                HCRYPTPROV provider = 0);
    ChecksumSet(const ChecksumSet&) = delete;
    ChecksumSet& operator=(const ChecksumSet&) = delete;

    void Update(const void* data, size_t length);
    // The computations as separate lanes, each fed every block in order by one thread at a time:
    // CRC-32, cksum (which also counts the length), then each digest. Update feeds every lane.
    size_t LaneCount() const override { return 2 + digestCount_; }
    // Costs as measured under Wine, where the digests are the platform's own code.
    double LaneCost(size_t lane) const override;
    void UpdateLane(size_t lane, const void* data, size_t length) override;
    // Completes every computation into results (call once, after the last Update).
    void Finish(ChecksumResults& results);

  private:
    struct Digest {
        DigestAlgorithm algorithm{};
        CryptHash hash;
        bool failed = false;
    };
    uint32_t mask_;
    // Declared before the digests: their hash objects are destroyed before the context.
    CryptContext ownProvider_; // acquired here when no context was given
    HCRYPTPROV provider_ = 0;  // the given context or ownProvider_'s
    uint32_t crc32_ = 0xFFFFFFFFu;
    uint32_t cksum_ = 0;
    uint64_t length_ = 0;
    size_t digestCount_ = 0;
    Digest digests_[8];
};

// Results of ComputeFileChecksums.
inline constexpr int ChecksumCannotOpen = 1;
inline constexpr int ChecksumReadFailed = 2;
// The file changed while it was read: its digests would belong to neither version.
inline constexpr int ChecksumChanged = 3;

// A file's size and last-write time (in 100-nanosecond units), taken before and after reading.
struct FileSnapshot {
    uint64_t size = 0;
    uint64_t lastWrite = 0;
    bool operator==(const FileSnapshot&) const = default;
};

// What the hashing loop reads: the file's snapshot and its bytes in order.
class ChecksumSource {
  public:
    virtual ~ChecksumSource() = default;
    // The file's size and last-write time now; false when they cannot be had.
    virtual bool Snapshot(FileSnapshot& snapshot) = 0;
    // Reads up to length bytes into buffer: the number read (0 at the end), or -1 on failure.
    virtual int64_t Read(void* buffer, size_t length) = 0;
};

// Reads an open file handle (not owned).
class FileChecksumSource : public ChecksumSource {
  public:
    explicit FileChecksumSource(HANDLE file) : file_(file) {}
    bool Snapshot(FileSnapshot& snapshot) override;
    int64_t Read(void* buffer, size_t length) override;

  private:
    HANDLE file_;
};

// Reads source to its end in blocks of block.size() bytes (at most 1 GiB), feeding set. 0 when
// the bytes read are exactly the size the file had at the start and its size and last-write time
// are the same at the end; ChecksumChanged otherwise (reading stops as soon as more bytes arrive
// than the file had, so a growing file cannot keep it going); ChecksumReadFailed when a read or a
// snapshot fails; ABORTED when the user interrupted the report.
int HashSource(ChecksumSource& source, ChecksumSet& set, std::span<std::byte> block);

// Opens the file (read access, read sharing only) and reads it once in blocks of blockBytes,
// feeding every computation that hashMask selects. 0 with results filled; ChecksumCannotOpen;
// ChecksumReadFailed when a read fails part-way; ChecksumChanged when the file changed while it
// was read (see HashSource); ABORTED when the user interrupted the report.
int ComputeFileChecksums(const wchar_t* path, uint32_t hashMask, ChecksumResults& results,
                         size_t blockBytes = ChecksumBlockBytes,
                         std::span<const DigestAlgorithm> digests = StandardDigests());

// The same over a report's probe: its bytes already read, then the rest of its handle, with the
// snapshot taken when it was opened; digests use provider when it is not 0.
class FileProbe;
class ThreadBudget;
// budget: a report worker's thread budget (null: the digest pool takes SCRUTEL_THREADS threads).
int ComputeFileChecksums(FileProbe& probe, uint32_t hashMask, HCRYPTPROV provider, ChecksumResults& results,
                         ThreadBudget* budget = nullptr);
// Prints the lines of the computations that succeeded, in report order. Returns the number of
// lines printed, or ABORTED.
int PrintChecksumLines(const ChecksumResults& results, uint32_t hashMask);

} // namespace scrutel
