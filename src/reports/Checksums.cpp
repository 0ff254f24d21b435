// Checksum section: CRC-32, cksum and the MD5 / SHA digests that /C: selects, one line each, all
// computed from a single read of the file.
#include "reports/ReportSections.h"

#include "core/HashKinds.h"

#include "output/LineOutput.h"
#include "reports/ChecksumSet.h"
#include "reports/DigestThreads.h"
#include "reports/FileProbe.h"
#include "core/ReportMemo.h"

#include <cstring>
#include <memory>
#include <new>

namespace scrutel {

namespace {

// Files larger than this take long enough to hash that the report so far goes out first.
constexpr uint64_t SlowHashBytes = 1u << 20;

// The probe's file: its bytes already read first, then the rest from the handle's position, and
// the snapshot taken when it was opened as the one before reading.
class ProbeChecksumSource : public ChecksumSource {
  public:
    explicit ProbeChecksumSource(FileProbe& probe) : probe_(probe) {}
    bool Snapshot(FileSnapshot& snapshot) override {
        if (!snapshotTaken_) {
            snapshotTaken_ = true;
            return probe_.OpenedSnapshot(snapshot.size, snapshot.lastWrite);
        }
        return FileChecksumSource(probe_.Handle()).Snapshot(snapshot);
    }
    int64_t Read(void* buffer, size_t length) override {
        if (!headTaken_) {
            headTaken_ = true;
            if (!probe_.Head(head_)) return -1;
        }
        if (served_ < head_.size()) {
            size_t n = head_.size() - served_;
            if (n > length) n = length;
            std::memcpy(buffer, head_.data() + served_, n);
            served_ += n;
            return static_cast<int64_t>(n);
        }
        return FileChecksumSource(probe_.Handle()).Read(buffer, length);
    }

  private:
    FileProbe& probe_;
    bool snapshotTaken_ = false;
    bool headTaken_ = false;
    std::span<const std::byte> head_;
    size_t served_ = 0;
};

int PrintChecksumResult(int rc, const ChecksumResults& results, uint32_t mask) {
    // The interruption is shown (and passed on) by the line end, as everywhere in the report.
    if (rc == ABORTED) return EndLine(1);
    // A file that cannot be opened or read, or that changed while it was read, shows no lines
    // and no blank line.
    if (rc != 0) return 0;
    int printed = PrintChecksumLines(results, mask);
    if (printed == ABORTED) return ABORTED;
    if (printed == 0) return 0;
    return EndLine(1);
}

} // namespace

int ComputeFileChecksums(FileProbe& probe, uint32_t hashMask, HCRYPTPROV provider, ChecksumResults& results,
                         ThreadBudget* budget) {
    results = ChecksumResults{};
    if (!probe.Handle()) return ChecksumCannotOpen;
    uint64_t size = 0, lastWrite = 0;
    if (probe.OpenedSnapshot(size, lastWrite) && size >= SlowHashBytes) FlushOutput();
    std::unique_ptr<std::byte[]> block(new (std::nothrow) std::byte[ChecksumBlockBytes]);
    if (!block) return ChecksumReadFailed;
    ChecksumSet set(hashMask, StandardDigests(), provider);
    ProbeChecksumSource source(probe);
    int rc =
        HashSourceFor(source, set, std::span<std::byte>(block.get(), ChecksumBlockBytes), size, 0, budget);
    if (rc != 0) return rc;
    set.Finish(results);
    return 0;
}

int ChecksumSection(FileProbe& probe, ScanSettings& settings) {
    if (!probe.path() || !*probe.path()) return -1;
    const uint32_t mask = settings.hashMask;
    if (mask == 0) return 0;
    if (!settings.memo) settings.memo = std::make_shared<ReportMemo>();
    HCRYPTPROV provider = (mask & ProviderHashMask) ? CommandDigestProvider(*settings.memo) : 0;
    ChecksumResults results;
    int rc = ComputeFileChecksums(probe, mask, provider, results, settings.threadBudget);
    return PrintChecksumResult(rc, results, mask);
}

} // namespace scrutel
