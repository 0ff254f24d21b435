// Checksum section: exact report lines for real files, published digests, every /C: combination
// in table order, random files around the read block against independent computations, and
// files that cannot be read.
#include "reports/ChecksumSet.h"
#include "reports/FileProbe.h"
#include "reports/ReportSections.h"

#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::RandomBytes;
using testing_support::TempTree;

namespace {

const uint32_t AllHashes =
    HashCrc32 | HashCksum | HashCksumX | HashMd5 | HashSha1 | HashSha256 | HashSha384 | HashSha512;

uint32_t Crc32Oracle(const std::vector<uint8_t>& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t b : bytes) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

uint32_t CksumOracle(const std::vector<uint8_t>& bytes) {
    uint32_t crc = 0;
    auto step = [&crc](uint8_t byte) {
        crc ^= static_cast<uint32_t>(byte) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    };
    for (uint8_t b : bytes)
        step(b);
    for (uint64_t n = bytes.size(); n; n >>= 8)
        step(static_cast<uint8_t>(n & 0xFF));
    return ~crc;
}

// The platform's digest of a whole buffer in one call, as an independent reference for the
// block-by-block computation.
std::wstring PlatformDigest(ALG_ID algorithm, const std::vector<uint8_t>& bytes) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    std::wstring hex;
    if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
        if (CryptCreateHash(provider, algorithm, 0, 0, &hash)) {
            BYTE value[64];
            DWORD size = sizeof value;
            if (CryptHashData(hash, bytes.data(), static_cast<DWORD>(bytes.size()), 0) &&
                CryptGetHashParam(hash, HP_HASHVAL, value, &size, 0)) {
                wchar_t two[3];
                for (DWORD i = 0; i < size; ++i) {
                    _snwprintf(two, 3, L"%02X", value[i]);
                    hex += two;
                }
            }
            CryptDestroyHash(hash);
        }
        CryptReleaseContext(provider, 0);
    }
    return hex;
}

std::wstring HexOf(const DigestResult& d) {
    std::wstring hex;
    wchar_t two[3];
    for (DWORD i = 0; i < d.length; ++i) {
        _snwprintf(two, 3, L"%02X", d.value[i]);
        hex += two;
    }
    return hex;
}

std::wstring Hex8(uint32_t v) {
    wchar_t text[16];
    _snwprintf(text, 16, L"%08X", v);
    return text;
}

int RunSection(const std::wstring& path, uint32_t mask, std::wstring& out) {
    ScanSettings settings;
    settings.hashMask = mask;
    Capture capture;
    FileProbe probe(path.c_str());
    int rc = ChecksumSection(probe, settings);
    out = capture.out();
    return rc;
}

// The lines of "abc" for each bit, from the published vectors.
const std::map<uint32_t, std::wstring> AbcLines = {
    {HashCrc32, L"    CRC-32 :  352441C2\r\n"},
    {HashCksum, L"    cksum  :  1219131554\r\n"},
    {HashCksumX, L"    cksum  :  48AA78A2\r\n"},
    {HashMd5, L"    MD5    :  900150983CD24FB0D6963F7D28E17F72\r\n"},
    {HashSha1, L"    SHA-1  :  A9993E364706816ABA3E25717850C26C9CD0D89D\r\n"},
    {HashSha256, L"    SHA-256:  BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD\r\n"},
    {HashSha384,
     L"    SHA-384:  CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED8086072BA1E7CC2358BAE"
     L"CA134C825A7\r\n"},
    {HashSha512,
     L"    SHA-512:  DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A2192992A274FC1A836BA3"
     L"C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F\r\n"},
};

TEST(ChecksumSection, DefaultSelectionShowsCrc32AndMd5) {
    TempTree tree;
    std::wstring out;
    EXPECT_EQ(RunSection(tree.file(L"abc.txt", "abc"), HashCrc32 | HashMd5, out), 0);
    EXPECT_EQ(out, L"    CRC-32 :  352441C2\r\n"
                   L"    MD5    :  900150983CD24FB0D6963F7D28E17F72\r\n"
                   L"\r\n");
}

TEST(ChecksumSection, EmptyFile) {
    TempTree tree;
    std::wstring out;
    EXPECT_EQ(RunSection(tree.file(L"empty.bin"), AllHashes, out), 0);
    EXPECT_EQ(
        out,
        L"    CRC-32 :  00000000\r\n"
        L"    cksum  :  4294967295\r\n"
        L"    cksum  :  FFFFFFFF\r\n"
        L"    MD5    :  D41D8CD98F00B204E9800998ECF8427E\r\n"
        L"    SHA-1  :  DA39A3EE5E6B4B0D3255BFEF95601890AFD80709\r\n"
        L"    SHA-256:  E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855\r\n"
        L"    SHA-384:  38B060A751AC96384CD9327EB1B1E36A21FDB71114BE07434C0CC7BF63F6E1DA274EDEBFE76F65FBD5"
        L"1AD2F14898B95B\r\n"
        L"    SHA-512:  CF83E1357EEFB8BDF1542850D66D8007D620E4050B5715DC83F4A921D36CE9CE47D0D13C5D85F2B0FF"
        L"8318D2877EEC2F63B931BD47417A81A538327AF927DA3E\r\n"
        L"\r\n");
}

TEST(ChecksumSection, CheckStringGivesPublishedCrcValues) {
    TempTree tree;
    std::wstring out;
    EXPECT_EQ(RunSection(tree.file(L"check.txt", "123456789"), HashCrc32 | HashCksum | HashCksumX, out), 0);
    EXPECT_EQ(out, L"    CRC-32 :  CBF43926\r\n"
                   L"    cksum  :  930766865\r\n"
                   L"    cksum  :  377A6011\r\n"
                   L"\r\n");
}

// Every one of the 256 selections prints exactly its lines, in table order.
TEST(ChecksumSection, EverySelectionInTableOrder) {
    TempTree tree;
    const std::wstring path = tree.file(L"abc.txt", "abc");
    const uint32_t bits[] = {HashCrc32, HashCksum,  HashCksumX, HashMd5,
                             HashSha1,  HashSha256, HashSha384, HashSha512};
    for (uint32_t combination = 1; combination < 256; ++combination) {
        uint32_t mask = 0;
        std::wstring expected;
        for (int i = 0; i < 8; ++i) {
            if (combination & (1u << i)) {
                mask |= bits[i];
                expected += AbcLines.at(bits[i]);
            }
        }
        expected += L"\r\n";
        std::wstring out;
        EXPECT_EQ(RunSection(path, mask, out), 0) << "mask " << mask;
        EXPECT_EQ(out, expected) << "mask " << mask;
    }
}

TEST(ChecksumSection, DigestLinesHaveTheAlgorithmsLengths) {
    TempTree tree;
    std::wstring out;
    RunSection(tree.file(L"x.bin", "x"), HashMd5 | HashSha1 | HashSha256 | HashSha384 | HashSha512, out);
    const size_t label = 14; // "    SHA-256:  "
    const size_t lengths[] = {32, 40, 64, 96, 128};
    size_t at = 0;
    for (size_t hexDigits : lengths) {
        size_t end = out.find(L"\r\n", at);
        ASSERT_NE(end, std::wstring::npos);
        EXPECT_EQ(end - at, label + hexDigits) << out.substr(at, end - at);
        at = end + 2;
    }
    EXPECT_EQ(out.substr(at), L"\r\n");
}

TEST(ChecksumSection, MillionLetterA) {
    TempTree tree;
    std::wstring out;
    RunSection(tree.file(L"a.txt", std::string(1000000, 'a')),
               HashMd5 | HashSha1 | HashSha256 | HashSha384 | HashSha512, out);
    EXPECT_EQ(
        out,
        L"    MD5    :  7707D6AE4E027C70EEA2A935C2296F21\r\n"
        L"    SHA-1  :  34AA973CD4C4DAA4F61EEB2BDBAD27316534016F\r\n"
        L"    SHA-256:  CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0\r\n"
        L"    SHA-384:  9D0E1809716474CB086E834E310A4A1CED149E9C00F248527972CEC5704C2A5B07B8B3DC38ECC4EBAE"
        L"97DDD87F3D8985\r\n"
        L"    SHA-512:  E718483D0CE769644E2E42C7BC15B4638E1F98B13B2044285632A803AFA973EBDE0FF244877EA60A4C"
        L"B0432CE577C31BEB009C5C2C49AA2E4EADB217AD8CC09B\r\n"
        L"\r\n");
}

// Random files of sizes around the 32768-byte read block: every line against the byte-at-a-time
// CRCs and the platform's one-call digests.
TEST(ChecksumSection, RandomFilesAroundTheBlockSize) {
    TempTree tree;
    const size_t sizes[] = {1,     15,    16,    17,    63,    64,    65,
                            32767, 32768, 32769, 65535, 65536, 65537, 3 * 1048576 + 5};
    uint32_t state = 1;
    for (size_t size : sizes) {
        SCOPED_TRACE("size " + std::to_string(size));
        std::vector<uint8_t> bytes = RandomBytes(size, state++);
        std::wstring path = tree.file(L"r" + std::to_wstring(size) + L".bin", bytes);
        std::wstring expected = L"    CRC-32 :  " + Hex8(Crc32Oracle(bytes)) + L"\r\n" + L"    cksum  :  " +
                                std::to_wstring(CksumOracle(bytes)) + L"\r\n" + L"    cksum  :  " +
                                Hex8(CksumOracle(bytes)) + L"\r\n" + L"    MD5    :  " +
                                PlatformDigest(CALG_MD5, bytes) + L"\r\n" + L"    SHA-1  :  " +
                                PlatformDigest(CALG_SHA1, bytes) + L"\r\n" + L"    SHA-256:  " +
                                PlatformDigest(CALG_SHA_256, bytes) + L"\r\n" + L"    SHA-384:  " +
                                PlatformDigest(CALG_SHA_384, bytes) + L"\r\n" + L"    SHA-512:  " +
                                PlatformDigest(CALG_SHA_512, bytes) + L"\r\n\r\n";
        std::wstring out;
        EXPECT_EQ(RunSection(path, AllHashes, out), 0);
        EXPECT_EQ(out, expected);
    }
}

// The values do not depend on how the file is cut into blocks.
TEST(ComputeFileChecksums, BlockSizeDoesNotChangeResults) {
    TempTree tree;
    std::vector<uint8_t> bytes = RandomBytes(100003, 42u);
    std::wstring path = tree.file(L"blocks.bin", bytes);
    ChecksumResults reference;
    ASSERT_EQ(ComputeFileChecksums(path.c_str(), AllHashes, reference, 32768), 0);
    EXPECT_EQ(reference.crc32, Crc32Oracle(bytes));
    EXPECT_EQ(reference.cksum, CksumOracle(bytes));
    for (size_t block : {size_t{1}, size_t{7}, size_t{4096}, size_t{65536}, size_t{1} << 20}) {
        SCOPED_TRACE("block " + std::to_string(block));
        ChecksumResults r;
        ASSERT_EQ(ComputeFileChecksums(path.c_str(), AllHashes, r, block), 0);
        EXPECT_EQ(r.crc32, reference.crc32);
        EXPECT_EQ(r.cksum, reference.cksum);
        ASSERT_EQ(r.digestCount, reference.digestCount);
        for (size_t i = 0; i < r.digestCount; ++i) {
            ASSERT_TRUE(r.digests[i].ok);
            ASSERT_EQ(r.digests[i].length, reference.digests[i].length);
            EXPECT_EQ(0, memcmp(r.digests[i].value, reference.digests[i].value, r.digests[i].length));
        }
    }
}

// A hash object that cannot be created drops its own line only.
TEST(ComputeFileChecksums, DevicesAreNotRead) {
    ChecksumResults results;
    // The null device would read as empty and give an empty file's digests.
    EXPECT_EQ(ComputeFileChecksums(L"\\\\.\\NUL", AllHashes, results, 32768), ChecksumCannotOpen);
    EXPECT_EQ(ComputeFileChecksums(L"\\\\.\\CONIN$", AllHashes, results, 32768), ChecksumCannotOpen);
}

TEST(ComputeFileChecksums, FailingDigestDropsOnlyItsLine) {
    TempTree tree;
    std::wstring path = tree.file(L"abc.txt", "abc");
    const DigestAlgorithm digests[] = {
        {HashMd5, CALG_MD5, L"    MD5    :  "},
        {HashSha1, 0x8FFF, L"    SHA-1  :  "}, // no such algorithm
        {HashSha256, CALG_SHA_256, L"    SHA-256:  "},
    };
    ChecksumResults results;
    ASSERT_EQ(ComputeFileChecksums(path.c_str(), HashCrc32 | HashMd5 | HashSha1 | HashSha256, results, 32768,
                                   digests),
              0);
    Capture capture;
    EXPECT_EQ(PrintChecksumLines(results, HashCrc32 | HashMd5 | HashSha1 | HashSha256), 3);
    EXPECT_EQ(capture.out(), AbcLines.at(HashCrc32) + AbcLines.at(HashMd5) + AbcLines.at(HashSha256));
}

// ---- A file that changes while it is read

// A source that hands out bytes in reads of at most step bytes and reports the snapshots it is
// given: the first before reading, the second (when present) after.
struct ScriptedSource : ChecksumSource {
    std::vector<uint8_t> bytes;
    std::vector<FileSnapshot> snapshots;
    size_t step = 1 << 20;
    size_t failAt = SIZE_MAX; // the read that starts at this offset fails
    bool endless = false;     // after the bytes, keep returning full blocks
    size_t at = 0, reads = 0, snapshotsTaken = 0;

    bool Snapshot(FileSnapshot& s) override {
        if (snapshotsTaken >= snapshots.size()) return false;
        s = snapshots[snapshotsTaken++];
        return true;
    }
    int64_t Read(void* buffer, size_t length) override {
        ++reads;
        if (at == failAt) return -1;
        size_t n = std::min({length, step, bytes.size() - at});
        if (n == 0 && endless) n = std::min(length, step);
        if (at < bytes.size()) memcpy(buffer, bytes.data() + at, n);
        at += n;
        return static_cast<int64_t>(n);
    }
};

TEST(HashSource, ChangedWhileReadGivesNoDigests) {
    const std::vector<uint8_t> data = RandomBytes(10000, 9u);
    const FileSnapshot same{10000, 777};
    struct Case {
        const char* label;
        std::vector<uint8_t> bytes;
        std::vector<FileSnapshot> snapshots;
        size_t step;
        size_t failAt;
        bool endless;
        int result;
    } cases[] = {
        {"unchanged", data, {same, same}, 4096, SIZE_MAX, false, 0},
        {"unchanged, short reads", data, {same, same}, 1000, SIZE_MAX, false, 0},
        {"empty file", {}, {{0, 777}, {0, 777}}, 4096, SIZE_MAX, false, 0},
        {"cut to 1,000 bytes while read",
         std::vector<uint8_t>(data.begin(), data.begin() + 1000),
         {same, {1000, 778}},
         4096,
         SIZE_MAX,
         false,
         ChecksumChanged},
        {"cut, and the size at the end not asked",
         std::vector<uint8_t>(data.begin(), data.begin() + 1000),
         {same},
         4096,
         SIZE_MAX,
         false,
         ChecksumChanged},
        {"grew while read",
         RandomBytes(15000, 9u),
         {same, {15000, 778}},
         4096,
         SIZE_MAX,
         false,
         ChecksumChanged},
        {"grows without end", data, {same}, 4096, SIZE_MAX, true, ChecksumChanged},
        {"same bytes, larger at the end", data, {same, {12000, 777}}, 4096, SIZE_MAX, false, ChecksumChanged},
        {"same size, written to", data, {same, {10000, 778}}, 4096, SIZE_MAX, false, ChecksumChanged},
        {"read fails part-way", data, {same, same}, 4096, 8192, false, ChecksumReadFailed},
        {"no size at the start", data, {}, 4096, SIZE_MAX, false, ChecksumReadFailed},
        {"no size at the end", data, {same}, 4096, SIZE_MAX, false, ChecksumReadFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ScriptedSource source;
        source.bytes = c.bytes;
        source.snapshots = c.snapshots;
        source.step = c.step;
        source.failAt = c.failAt;
        source.endless = c.endless;
        ChecksumSet set(HashCrc32 | HashMd5);
        std::vector<std::byte> block(4096);
        EXPECT_EQ(HashSource(source, set, block), c.result);
        if (c.result != 0) continue;
        ChecksumResults results;
        set.Finish(results);
        EXPECT_EQ(results.crc32, Crc32Oracle(c.bytes));
        ASSERT_EQ(results.digestCount, 1u);
        EXPECT_EQ(HexOf(results.digests[0]), PlatformDigest(CALG_MD5, c.bytes));
    }
}

TEST(HashSource, StopsAtTheFirstBlockBeyondTheStartingSize) {
    ScriptedSource source;
    source.bytes = RandomBytes(10000, 3u);
    source.snapshots = {{10000, 1}};
    source.endless = true;
    ChecksumSet set(HashCrc32);
    std::vector<std::byte> block(4096);
    EXPECT_EQ(HashSource(source, set, block), ChecksumChanged);
    EXPECT_EQ(source.reads, 4u) << "4,096 + 4,096 + 1,808 are the file; the next block is one too many";
}

TEST(HashSource, InterruptionBetweenBlocks) {
    ScriptedSource source;
    source.bytes = RandomBytes(10000, 4u);
    source.snapshots = {{10000, 1}, {10000, 1}};
    ChecksumSet set(HashCrc32);
    std::vector<std::byte> block(4096);
    Output().paging.interrupted = 1;
    int rc = HashSource(source, set, block);
    Output().paging.interrupted = 0;
    EXPECT_EQ(rc, ABORTED);
    EXPECT_EQ(source.reads, 0u);
}

// A real file whose last-write time is set by another handle after the first block. Setting
// attributes does not conflict with the reader's sharing mode, so this works while the file is
// open for hashing; its size cannot be changed that way (writing needs write sharing).
struct TouchingSource : FileChecksumSource {
    std::wstring path;
    bool touch = false;
    bool touched = false;
    TouchingSource(HANDLE file, std::wstring p, bool t)
        : FileChecksumSource(file), path(std::move(p)), touch(t) {}
    int64_t Read(void* buffer, size_t length) override {
        int64_t got = FileChecksumSource::Read(buffer, length);
        if (touch && !touched) {
            HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
            if (h != INVALID_HANDLE_VALUE) {
                FILETIME t{0x12345678u, 0x01D00000u};
                touched = SetFileTime(h, nullptr, nullptr, &t) != FALSE;
                CloseHandle(h);
            }
        }
        return got;
    }
};

TEST(HashSource, RealFileWrittenToWhileReadGivesNoDigests) {
    TempTree tree;
    std::vector<uint8_t> bytes = RandomBytes(20000, 8u);
    std::wstring path = tree.file(L"touched.bin", bytes);
    for (bool touch : {false, true}) {
        SCOPED_TRACE(touch ? "last-write time changed after the first block" : "left alone");
        HANDLE h =
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        TouchingSource source(h, path, touch);
        ChecksumSet set(HashCrc32);
        std::vector<std::byte> block(4096);
        int rc = HashSource(source, set, block);
        CloseHandle(h);
        if (touch && !source.touched)
            GTEST_SKIP() << "this platform does not let a second handle set the time of a file open for "
                            "reading with read sharing only; the comparison is tested with a scripted source";
        EXPECT_EQ(rc, touch ? ChecksumChanged : 0);
    }
}

TEST(ChecksumSection, FileOpenForWritingWithoutSharingPrintsNothing) {
    TempTree tree;
    std::wstring path = tree.file(L"locked.bin", "locked");
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    std::wstring out;
    int rc = RunSection(path, AllHashes, out);
    CloseHandle(writer);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(out, L"");
    // Once the writer is gone the same file is hashed.
    EXPECT_EQ(RunSection(path, HashCrc32, out), 0);
    EXPECT_EQ(out.substr(0, 14), L"    CRC-32 :  ");
}

TEST(ChecksumSection, ArgumentsAndSelection) {
    TempTree tree;
    std::wstring file = tree.file(L"f.txt", "abc");
    std::wstring out;
    ScanSettings settings;
    settings.hashMask = HashCrc32;
    FileProbe noPath(nullptr), emptyPath(L"");
    EXPECT_EQ(ChecksumSection(noPath, settings), -1);
    EXPECT_EQ(ChecksumSection(emptyPath, settings), -1);
    EXPECT_EQ(RunSection(file, 0, out), 0);
    EXPECT_EQ(out, L"");
    // A folder or a missing file cannot be opened: no lines and no blank line.
    EXPECT_EQ(RunSection(tree.root(), HashCrc32, out), 0);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(RunSection(tree.path(L"missing.txt"), HashCrc32, out), 0);
    EXPECT_EQ(out, L"");
}

TEST(ChecksumSection, InterruptionStopsBeforeAnyLine) {
    TempTree tree;
    std::wstring path = tree.file(L"f.bin", RandomBytes(100000, 5u));
    Output().paging.interrupted = 1;
    std::wstring out;
    int rc = RunSection(path, HashCrc32 | HashMd5, out);
    Output().paging.interrupted = 0;
    EXPECT_EQ(rc, ABORTED);
    EXPECT_EQ(out.find(L"CRC-32"), std::wstring::npos);
    EXPECT_EQ(out.find(L"MD5"), std::wstring::npos);
}

} // namespace
