// One-read computation of CRC-32, cksum and the CryptoAPI digests, and their report lines.
#include "reports/ChecksumSet.h"

#include "reports/DigestThreads.h"

#include "core/HashKinds.h"
#include "core/ReportMemo.h"
#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "core/Owners.h"
#include "files/UntrustedFile.h"
#include "reports/Crc.h"

#include <wincrypt.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <memory>
#include <new>

namespace scrutel {

namespace {

// The platform's identifiers are the ones the kinds' rows give.
static_assert(FindHashKind(HashMd5)->providerAlgorithm == CALG_MD5);
static_assert(FindHashKind(HashSha1)->providerAlgorithm == CALG_SHA1);
static_assert(FindHashKind(HashSha256)->providerAlgorithm == CALG_SHA_256);
static_assert(FindHashKind(HashSha384)->providerAlgorithm == CALG_SHA_384);
static_assert(FindHashKind(HashSha512)->providerAlgorithm == CALG_SHA_512);

constexpr size_t ProviderKindCount = [] {
    size_t count = 0;
    for (const HashKindRow& kind : HashKinds)
        if (kind.providerAlgorithm != 0) ++count;
    return count;
}();

// The kinds the provider computes, in report order.
constexpr std::array<DigestAlgorithm, ProviderKindCount> Standard = [] {
    std::array<DigestAlgorithm, ProviderKindCount> digests{};
    size_t i = 0;
    for (const HashKindRow& kind : HashKinds)
        if (kind.providerAlgorithm != 0) digests[i++] = {kind.bit, kind.providerAlgorithm, kind.label};
    return digests;
}();

// Releasing the last context unloads the provider's library, and the next file loads it again:
// tens of milliseconds per file under some loaders. Pinning the library once keeps every later
// context cheap; it is a system library that stays for the life of the process anyway once used.
void KeepProviderLoaded() {
    // Tried once per process, thread-safely; a failure (the library not loaded yet) is tried again.
    static std::atomic<bool> pinned{false};
    if (pinned.load(std::memory_order_acquire)) return;
    HMODULE module = nullptr;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, L"rsaenh.dll", &module))
        pinned.store(true, std::memory_order_release);
}

} // namespace

std::span<const DigestAlgorithm> StandardDigests() {
    return Standard;
}

HCRYPTPROV AcquireDigestProvider() {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return 0;
    KeepProviderLoaded();
    return provider;
}

HCRYPTPROV CommandDigestProvider(ReportMemo& memo) {
    if (!memo.provider) memo.provider.reset(AcquireDigestProvider());
    return memo.provider.get();
}

ChecksumSet::ChecksumSet(uint32_t hashMask, std::span<const DigestAlgorithm> digests, HCRYPTPROV provider)
    : mask_(hashMask), provider_(provider) {
    for (const DigestAlgorithm& a : digests) {
        if (!(hashMask & a.bit) || digestCount_ == std::size(digests_)) continue;
        Digest& d = digests_[digestCount_++];
        d.algorithm = a;
        // One context serves every digest; a digest whose context or hash object cannot be had
        // fails alone (the next one tries the context again).
        if (!provider_) {
            ownProvider_.reset(AcquireDigestProvider());
            provider_ = ownProvider_.get();
        }
        if (!provider_ || !CryptCreateHash(provider_, a.algorithm, 0, 0, d.hash.put())) {
            d.hash.reset();
            d.failed = true;
        }
    }
}

void ChecksumSet::Update(const void* data, size_t length) {
    for (size_t lane = 0; lane < LaneCount(); ++lane)
        UpdateLane(lane, data, length);
}

double ChecksumSet::LaneCost(size_t lane) const {
    if (lane == 0) return (mask_ & HashCrc32) ? 0.4 : 0.0;
    if (lane == 1) return (mask_ & (HashCksum | HashCksumX)) ? 0.6 : 0.0;
    if (lane - 2 >= digestCount_) return 0.0;
    // Seconds per GiB of each digest measured alone under Wine on the reference machine.
    switch (digests_[lane - 2].algorithm.algorithm) {
    case CALG_MD5:
        return 1.55;
    case CALG_SHA1:
        return 1.35;
    case CALG_SHA_256:
        return 3.4;
    default:
        return 2.35;
    }
}

void ChecksumSet::UpdateLane(size_t lane, const void* data, size_t length) {
    if (!data || length == 0) return;
    if (lane == 0) {
        if (mask_ & HashCrc32) crc32_ = Crc32Update(crc32_, data, length);
        return;
    }
    if (lane == 1) {
        length_ += length;
        if (mask_ & (HashCksum | HashCksumX)) cksum_ = CksumUpdate(cksum_, data, length);
        return;
    }
    if (lane - 2 >= digestCount_) return;
    Digest& d = digests_[lane - 2];
    if (d.failed) return;
    // CryptHashData takes 32-bit lengths; blocks are far smaller, but stay correct for any.
    const BYTE* p = static_cast<const BYTE*>(data);
    size_t left = length;
    while (left && !d.failed) {
        DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        if (!CryptHashData(d.hash.get(), p, chunk, 0)) d.failed = true;
        p += chunk;
        left -= chunk;
    }
}

void ChecksumSet::Finish(ChecksumResults& results) {
    results = ChecksumResults{};
    if (mask_ & HashCrc32) {
        results.crc32Ok = true;
        results.crc32 = ~crc32_;
    }
    if (mask_ & (HashCksum | HashCksumX)) {
        results.cksumOk = true;
        results.cksum = CksumFinish(cksum_, length_);
    }
    results.digestCount = digestCount_;
    for (size_t i = 0; i < digestCount_; ++i) {
        Digest& d = digests_[i];
        DigestResult& r = results.digests[i];
        r.bit = d.algorithm.bit;
        r.label = d.algorithm.label;
        if (d.failed) continue;
        DWORD size = sizeof r.value;
        if (CryptGetHashParam(d.hash.get(), HP_HASHVAL, r.value, &size, 0) && size > 0 &&
            size <= sizeof r.value) {
            r.ok = true;
            r.length = size;
        }
    }
}

int ComputeFileChecksums(const wchar_t* path, uint32_t hashMask, ChecksumResults& results, size_t blockBytes,
                         std::span<const DigestAlgorithm> digests) {
    results = ChecksumResults{};
    if (!path || !*path || blockBytes == 0 || blockBytes > 0x40000000u) return -1;
    FileHandle file = OpenUntrustedFile(path, UntrustedSharing::ReadOnly).file;
    if (!file) return ChecksumCannotOpen;
    std::unique_ptr<std::byte[]> block(new (std::nothrow) std::byte[blockBytes]);
    if (!block) return ChecksumReadFailed;
    ChecksumSet set(hashMask, digests);
    FileChecksumSource source(file.get());
    LARGE_INTEGER size{};
    uint64_t expected = GetFileSizeEx(file.get(), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
    // The block size is the caller's to choose only on the one-thread path.
    int rc = blockBytes == ChecksumBlockBytes
                 ? HashSourceFor(source, set, std::span<std::byte>(block.get(), blockBytes), expected)
                 : HashSource(source, set, std::span<std::byte>(block.get(), blockBytes));
    if (rc != 0) return rc;
    set.Finish(results);
    return 0;
}

bool FileChecksumSource::Snapshot(FileSnapshot& snapshot) {
    // Size and last-write time asked for separately: GetFileInformationByHandle also gathers the
    // volume's details, which under Wine costs about 0.4 ms a call against about 2 us for these.
    LARGE_INTEGER size;
    FILETIME lastWrite;
    if (!GetFileSizeEx(file_, &size) || !GetFileTime(file_, nullptr, nullptr, &lastWrite)) return false;
    snapshot.size = static_cast<uint64_t>(size.QuadPart);
    snapshot.lastWrite = (static_cast<uint64_t>(lastWrite.dwHighDateTime) << 32) | lastWrite.dwLowDateTime;
    return true;
}

int64_t FileChecksumSource::Read(void* buffer, size_t length) {
    DWORD got = 0;
    DWORD ask = length > 0x40000000u ? 0x40000000u : static_cast<DWORD>(length);
    if (!ReadFile(file_, buffer, ask, &got, nullptr)) return -1;
    return got;
}

int HashSource(ChecksumSource& source, ChecksumSet& set, std::span<std::byte> block) {
    if (block.empty() || block.size() > 0x40000000u) return ChecksumReadFailed;
    FileSnapshot before;
    if (!source.Snapshot(before)) return ChecksumReadFailed;
    uint64_t total = 0;
    WorkProgress progress(before.size);
    for (;;) {
        // A large file can take a while: let Ctrl-C stop it between blocks.
        if (StopRequested()) return ABORTED;
        int64_t got = source.Read(block.data(), block.size());
        if (got < 0 || static_cast<uint64_t>(got) > block.size()) return ChecksumReadFailed;
        if (got == 0) break;
        total += static_cast<uint64_t>(got);
        // More bytes than the file had: it is growing, and might never end.
        if (total > before.size) return ChecksumChanged;
        set.Update(block.data(), static_cast<size_t>(got));
        progress.Done(total);
    }
    // Fewer bytes than the file had: it was cut while it was read.
    if (total != before.size) return ChecksumChanged;
    // The same number of bytes, but written to (or replaced and grown back) in the meantime.
    FileSnapshot after;
    if (!source.Snapshot(after)) return ChecksumReadFailed;
    if (!(after == before)) return ChecksumChanged;
    return 0;
}

int PrintChecksumLines(const ChecksumResults& results, uint32_t hashMask) {
    int printed = 0;
    auto end = [&printed]() {
        ++printed;
        return EndLine(1);
    };
    if ((hashMask & HashCrc32) && results.crc32Ok) {
        ReportPrintf(L"%s%08X", FindHashKind(HashCrc32)->label, results.crc32);
        if (end() == ABORTED) return ABORTED;
    }
    if ((hashMask & HashCksum) && results.cksumOk) {
        ReportPrintf(L"%s%u", FindHashKind(HashCksum)->label, results.cksum);
        if (end() == ABORTED) return ABORTED;
    }
    if ((hashMask & HashCksumX) && results.cksumOk) {
        ReportPrintf(L"%s%08X", FindHashKind(HashCksumX)->label, results.cksum);
        if (end() == ABORTED) return ABORTED;
    }
    for (size_t i = 0; i < results.digestCount; ++i) {
        const DigestResult& d = results.digests[i];
        if (!(hashMask & d.bit) || !d.ok) continue;
        wchar_t hex[1024] = {};
        for (DWORD b = 0; b < d.length && b < 64; ++b)
            _snwprintf(hex + 2 * b, 3, L"%02X", d.value[b]);
        ReportPrintf(L"%s%s", d.label, hex);
        if (end() == ABORTED) return ABORTED;
    }
    return printed;
}

} // namespace scrutel
