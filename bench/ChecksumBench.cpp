// Throughput of the checksum computations: CRC-32 and cksum by tables and by carry-less
// multiplication against the byte-at-a-time CRC, each CryptoAPI digest over memory, plain
// reading, and the checksum section's one-read computation over a file at several block sizes.
// Prints the median of several runs in MB/s (10^6 bytes per second) and the ratios the targets
// name. Usage: ChecksumBench [file [runs [memory MiB]]]; the file is created (1 GiB of
// pseudo-random bytes) when it does not exist.
#include "reports/ChecksumSet.h"
#include "reports/Crc.h"

#include "core/ScanSettings.h"

#include <windows.h>
#include <shellapi.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace scrutel;

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Median throughput in MB/s of runs calls of work, each processing bytes bytes.
double MedianMBps(int runs, uint64_t bytes, const std::function<void()>& work) {
    std::vector<double> rates;
    for (int i = 0; i < runs; ++i) {
        double start = Now();
        work();
        double seconds = Now() - start;
        rates.push_back(static_cast<double>(bytes) / 1e6 / (seconds > 0 ? seconds : 1e-9));
    }
    std::sort(rates.begin(), rates.end());
    return rates[rates.size() / 2];
}

volatile uint32_t g_sink; // keeps results alive

uint32_t ByteAtATimeCrc32(const uint8_t* p, size_t n) {
    const uint32_t* table = Crc32Table();
    uint32_t crc = 0xFFFFFFFFu;
    while (n--)
        crc = (crc >> 8) ^ table[(crc ^ *p++) & 0xFF];
    return ~crc;
}

uint32_t ByteAtATimeCksum(const uint8_t* p, size_t n) {
    const uint32_t* table = CksumTable();
    uint32_t crc = 0;
    for (size_t i = 0; i < n; ++i)
        crc = (crc << 8) ^ table[(crc >> 24) ^ p[i]];
    return CksumFinish(crc, n);
}

bool DigestOverMemory(ALG_ID algorithm, const uint8_t* p, size_t n) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    bool ok = false;
    if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
        if (CryptCreateHash(provider, algorithm, 0, 0, &hash)) {
            ok = true;
            for (size_t at = 0; at < n && ok; at += ChecksumBlockBytes) {
                DWORD chunk = static_cast<DWORD>(std::min(ChecksumBlockBytes, n - at));
                ok = CryptHashData(hash, p + at, chunk, 0) != FALSE;
            }
            BYTE value[64];
            DWORD size = sizeof value;
            ok = ok && CryptGetHashParam(hash, HP_HASHVAL, value, &size, 0);
            g_sink = value[0];
            CryptDestroyHash(hash);
        }
        CryptReleaseContext(provider, 0);
    }
    return ok;
}

bool EnsureFile(const std::wstring& path, uint64_t size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
        ((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) == size)
        return true;
    std::fprintf(stderr, "creating %llu bytes of test data...\n", static_cast<unsigned long long>(size));
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::mt19937_64 generator(20240305u);
    std::vector<uint64_t> block(1 << 17);
    bool ok = true;
    for (uint64_t written = 0; written < size && ok;) {
        for (auto& v : block)
            v = generator();
        DWORD n = static_cast<DWORD>(std::min<uint64_t>(block.size() * 8, size - written));
        DWORD done = 0;
        ok = WriteFile(h, block.data(), n, &done, nullptr) && done == n;
        written += n;
    }
    CloseHandle(h);
    return ok;
}

uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

double PlainRead(const std::wstring& path, size_t block) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    std::vector<BYTE> buffer(block);
    DWORD got = 0;
    uint64_t total = 0;
    while (ReadFile(h, buffer.data(), static_cast<DWORD>(block), &got, nullptr) && got)
        total += got;
    CloseHandle(h);
    g_sink = static_cast<uint32_t>(total);
    return static_cast<double>(total);
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 1;
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::wstring path = argc > 1 ? argv[1] : L"checksum-bench.bin";
    int runs = argc > 2 ? _wtoi(argv[2]) : 5;
    size_t memoryMiB = argc > 3 ? static_cast<size_t>(_wtoi(argv[3])) : 256;
    if (runs < 1) runs = 1;
    if (!EnsureFile(path, FileSize(path) ? FileSize(path) : (1ull << 30))) {
        std::fprintf(stderr, "cannot create the test file\n");
        return 1;
    }
    const uint64_t fileBytes = FileSize(path);

    std::vector<uint8_t> memory(memoryMiB << 20);
    std::mt19937 generator(7u);
    for (auto& b : memory)
        b = static_cast<uint8_t>(generator() >> 24);
    const uint8_t* p = memory.data();
    const size_t n = memory.size();

    std::printf("carry-less multiplication available: %s\n", CarrylessMultiplyAvailable() ? "yes" : "no");
    std::printf("in-memory buffer %zu MiB, file %llu MiB, %d runs each, medians in MB/s\n\n", memoryMiB,
                static_cast<unsigned long long>(fileBytes >> 20), runs);

    const double crcByte = MedianMBps(runs, n, [&] { g_sink = ByteAtATimeCrc32(p, n); });
    const double ckByte = MedianMBps(runs, n, [&] { g_sink = ByteAtATimeCksum(p, n); });
    const double crcTables =
        MedianMBps(runs, n, [&] { g_sink = Crc32Update(0xFFFFFFFFu, p, n, CrcMethod::Tables); });
    const double ckTables = MedianMBps(runs, n, [&] { g_sink = CksumUpdate(0, p, n, CrcMethod::Tables); });
    const double crcBest = MedianMBps(runs, n, [&] { g_sink = Crc32Update(0xFFFFFFFFu, p, n); });
    const double ckBest = MedianMBps(runs, n, [&] { g_sink = CksumUpdate(0, p, n); });
    std::printf("%-44s %10.0f\n", "CRC-32 byte at a time", crcByte);
    std::printf("%-44s %10.0f   x%.1f\n", "CRC-32 slicing by 16", crcTables, crcTables / crcByte);
    std::printf("%-44s %10.0f   x%.1f\n", "CRC-32 as used (best method)", crcBest, crcBest / crcByte);
    std::printf("%-44s %10.0f\n", "cksum byte at a time", ckByte);
    std::printf("%-44s %10.0f   x%.1f\n", "cksum slicing by 16", ckTables, ckTables / ckByte);
    std::printf("%-44s %10.0f   x%.1f\n", "cksum as used (best method)", ckBest, ckBest / ckByte);

    struct Digest {
        const char* name;
        ALG_ID id;
        double rate;
    } digests[] = {{"MD5", CALG_MD5, 0},
                   {"SHA-1", CALG_SHA1, 0},
                   {"SHA-256", CALG_SHA_256, 0},
                   {"SHA-384", CALG_SHA_384, 0},
                   {"SHA-512", CALG_SHA_512, 0}};
    double inverseSum = 1.0 / crcBest + 1.0 / ckBest;
    for (Digest& d : digests) {
        d.rate = MedianMBps(runs, n, [&] { DigestOverMemory(d.id, p, n); });
        inverseSum += 1.0 / d.rate;
        std::printf("%-44s %10.0f\n", (std::string(d.name) + " (CryptoAPI, memory)").c_str(), d.rate);
    }
    const double allLimit = 1.0 / inverseSum;
    const double defaultLimit = 1.0 / (1.0 / crcBest + 1.0 / digests[0].rate);
    std::printf("%-44s %10.0f\n", "limit for all seven, 1 / sum(1 / r)", allLimit);
    std::printf("%-44s %10.0f\n\n", "limit for CRC-32 + MD5", defaultLimit);

    const uint32_t defaultMask = HashCrc32 | HashMd5;
    const uint32_t allMask =
        HashCrc32 | HashCksum | HashMd5 | HashSha1 | HashSha256 | HashSha384 | HashSha512;
    auto section = [&](uint32_t mask, size_t block) {
        return MedianMBps(runs, fileBytes, [&] {
            ChecksumResults r;
            ComputeFileChecksums(path.c_str(), mask, r, block);
            g_sink = r.crc32;
        });
    };
    // Block sizes for the one read: plain reading and the default selection, which is the
    // cheapest and so shows the reading cost most.
    for (size_t block : {size_t{32768}, size_t{65536}, size_t{262144}, size_t{1048576}}) {
        double read = MedianMBps(runs, fileBytes, [&] { PlainRead(path, block); });
        double def = section(defaultMask, block);
        std::printf("block %7zu: plain read %6.0f   CRC-32+MD5 %5.0f (%.2f of its limit)\n", block, read, def,
                    def / defaultLimit);
    }
    const double sectionDefault = section(defaultMask, ChecksumBlockBytes);
    const double sectionAll = section(allMask, ChecksumBlockBytes);
    std::printf("block %7zu: all seven %5.0f (%.2f of the limit)\n", ChecksumBlockBytes, sectionAll,
                sectionAll / allLimit);
    std::printf("\nRESULT crc32_byte=%.0f crc32=%.0f cksum_byte=%.0f cksum=%.0f section_default=%.0f "
                "section_all=%.0f all_limit=%.0f\n",
                crcByte, crcBest, ckByte, ckBest, sectionDefault, sectionAll, allLimit);
    return 0;
}
