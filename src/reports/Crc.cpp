// CRC-32 and cksum register updates: slicing-by-16 tables built from the two polynomials, and a
// carry-less multiplication path that folds 64 bytes per step, chosen at run time by CPUID.
#include "reports/Crc.h"

#include <array>
#include <cstring>

#if defined(_M_X64) || defined(__x86_64__)
#define SCRUTEL_CRC_CLMUL 1
#include <immintrin.h>
#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif
// GCC and Clang compile these instructions only in functions that ask for them; MSVC always does.
#if defined(__GNUC__) || defined(__clang__)
#define SCRUTEL_TARGET_CLMUL __attribute__((target("pclmul,ssse3,sse4.1")))
#else
#define SCRUTEL_TARGET_CLMUL
#endif
#endif

namespace scrutel {

namespace {

constexpr uint32_t ReflectedPolynomial = 0xEDB88320u;
constexpr uint32_t ForwardPolynomial = 0x04C11DB7u;

// Sixteen tables per CRC: table k advances a byte by k further bytes of zeros.
struct CrcTables {
    std::array<std::array<uint32_t, 256>, 16> crc32{};
    std::array<std::array<uint32_t, 256>, 16> cksum{};

    CrcTables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i;
            for (int bit = 0; bit < 8; ++bit)
                r = (r & 1) ? (r >> 1) ^ ReflectedPolynomial : r >> 1;
            crc32[0][i] = r;
            uint32_t f = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                f = (f & 0x80000000u) ? (f << 1) ^ ForwardPolynomial : f << 1;
            cksum[0][i] = f;
        }
        for (size_t k = 1; k < 16; ++k) {
            for (uint32_t i = 0; i < 256; ++i) {
                uint32_t r = crc32[k - 1][i];
                crc32[k][i] = (r >> 8) ^ crc32[0][r & 0xFF];
                uint32_t f = cksum[k - 1][i];
                cksum[k][i] = (f << 8) ^ cksum[0][f >> 24];
            }
        }
    }
};

const CrcTables& Tables() {
    static const CrcTables tables;
    return tables;
}

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4); // Windows runs little-endian on every processor it supports
    return v;
}

inline uint32_t ByteSwap32(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

uint32_t Crc32Tables(uint32_t crc, const uint8_t* p, size_t n) {
    const auto& t = Tables().crc32;
    while (n >= 16) {
        uint32_t a = Load32(p) ^ crc;
        uint32_t b = Load32(p + 4);
        uint32_t c = Load32(p + 8);
        uint32_t d = Load32(p + 12);
        crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
              t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
              t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
              t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        p += 16;
        n -= 16;
    }
    while (n--)
        crc = (crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF];
    return crc;
}

uint32_t CksumTables(uint32_t crc, const uint8_t* p, size_t n) {
    const auto& t = Tables().cksum;
    while (n >= 16) {
        uint32_t a = ByteSwap32(Load32(p)) ^ crc;
        uint32_t b = ByteSwap32(Load32(p + 4));
        uint32_t c = ByteSwap32(Load32(p + 8));
        uint32_t d = ByteSwap32(Load32(p + 12));
        crc = t[15][a >> 24] ^ t[14][(a >> 16) & 0xFF] ^ t[13][(a >> 8) & 0xFF] ^ t[12][a & 0xFF] ^
              t[11][b >> 24] ^ t[10][(b >> 16) & 0xFF] ^ t[9][(b >> 8) & 0xFF] ^ t[8][b & 0xFF] ^
              t[7][c >> 24] ^ t[6][(c >> 16) & 0xFF] ^ t[5][(c >> 8) & 0xFF] ^ t[4][c & 0xFF] ^
              t[3][d >> 24] ^ t[2][(d >> 16) & 0xFF] ^ t[1][(d >> 8) & 0xFF] ^ t[0][d & 0xFF];
        p += 16;
        n -= 16;
    }
    while (n--)
        crc = (crc << 8) ^ t[0][(crc >> 24) ^ *p++];
    return crc;
}

#if SCRUTEL_CRC_CLMUL

// x^n modulo the CRC polynomial (x^32 + 0x04C11DB7), bit i standing for x^i.
uint32_t PowerOfXModP(unsigned n) {
    uint32_t r = 1;
    while (n--)
        r = (r & 0x80000000u) ? (r << 1) ^ ForwardPolynomial : r << 1;
    return r;
}

uint32_t Reverse32(uint32_t v) {
    uint32_t r = 0;
    for (int i = 0; i < 32; ++i, v >>= 1)
        r = (r << 1) | (v & 1);
    return r;
}

// Folding constants. A 128-bit chunk X = H * x^64 + L moved forward by D bits is congruent to
// H * (x^(D+64) mod P) + L * (x^D mod P), a value of at most 96 bits. In the reflected form the
// product of two reflected operands comes out one bit short, which the constants absorb: they are
// x^(D+32) and x^(D-32) modulo P, bit-reversed and shifted left by one.
struct FoldConstants {
    uint64_t reflected512High, reflected512Low, reflected128High, reflected128Low;
    uint64_t forward512High, forward512Low, forward128High, forward128Low;

    FoldConstants() {
        auto reflect = [](unsigned n) { return static_cast<uint64_t>(Reverse32(PowerOfXModP(n))) << 1; };
        reflected512High = reflect(512 + 32);
        reflected512Low = reflect(512 - 32);
        reflected128High = reflect(128 + 32);
        reflected128Low = reflect(128 - 32);
        forward512High = PowerOfXModP(512 + 64);
        forward512Low = PowerOfXModP(512);
        forward128High = PowerOfXModP(128 + 64);
        forward128Low = PowerOfXModP(128);
    }
};

const FoldConstants& Constants() {
    static const FoldConstants constants;
    return constants;
}

bool DetectCarryless() {
#if defined(_MSC_VER)
    int regs[4] = {};
    __cpuid(regs, 1);
    unsigned ecx = static_cast<unsigned>(regs[2]);
#else
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
#endif
    const unsigned pclmul = 1u << 1, ssse3 = 1u << 9, sse41 = 1u << 19;
    return (ecx & pclmul) && (ecx & ssse3) && (ecx & sse41);
}

// One folding step: the chunk x moved forward by the distance that the constants k encode,
// added to the next chunk. Reflected chunks keep their higher powers in the low half.
SCRUTEL_TARGET_CLMUL inline __m128i FoldReflected(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)),
                         next);
}

SCRUTEL_TARGET_CLMUL inline __m128i FoldForward(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), _mm_clmulepi64_si128(x, k, 0x00)),
                         next);
}

SCRUTEL_TARGET_CLMUL inline __m128i LoadReversed(const uint8_t* q, __m128i reverse) {
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)), reverse);
}

// Reflected CRC over n bytes (n >= 64, a multiple of 16): folds four lanes of 16 bytes, then one,
// and finishes the last 16-byte value with the tables.
SCRUTEL_TARGET_CLMUL uint32_t Crc32Carryless(uint32_t crc, const uint8_t* p, size_t n) {
    const FoldConstants& c = Constants();
    __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    __m128i x4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
    x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(static_cast<int>(crc)));
    p += 64;
    n -= 64;
    __m128i k =
        _mm_set_epi64x(static_cast<long long>(c.reflected512Low), static_cast<long long>(c.reflected512High));
    while (n >= 64) {
        __m128i h1 = _mm_clmulepi64_si128(x1, k, 0x00), l1 = _mm_clmulepi64_si128(x1, k, 0x11);
        __m128i h2 = _mm_clmulepi64_si128(x2, k, 0x00), l2 = _mm_clmulepi64_si128(x2, k, 0x11);
        __m128i h3 = _mm_clmulepi64_si128(x3, k, 0x00), l3 = _mm_clmulepi64_si128(x3, k, 0x11);
        __m128i h4 = _mm_clmulepi64_si128(x4, k, 0x00), l4 = _mm_clmulepi64_si128(x4, k, 0x11);
        x1 = _mm_xor_si128(_mm_xor_si128(h1, l1), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        x2 = _mm_xor_si128(_mm_xor_si128(h2, l2), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
        x3 = _mm_xor_si128(_mm_xor_si128(h3, l3), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)));
        x4 = _mm_xor_si128(_mm_xor_si128(h4, l4), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)));
        p += 64;
        n -= 64;
    }
    k = _mm_set_epi64x(static_cast<long long>(c.reflected128Low), static_cast<long long>(c.reflected128High));
    x1 = FoldReflected(x1, k, x2);
    x1 = FoldReflected(x1, k, x3);
    x1 = FoldReflected(x1, k, x4);
    while (n >= 16) {
        x1 = FoldReflected(x1, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        p += 16;
        n -= 16;
    }
    alignas(16) uint8_t last[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(last), x1);
    return Crc32Tables(0, last, 16);
}

// Most-significant-bit-first CRC over n bytes (n >= 64, a multiple of 16): each chunk is
// byte-reversed so that the first byte holds the highest powers, then folded as above.
SCRUTEL_TARGET_CLMUL uint32_t CksumCarryless(uint32_t crc, const uint8_t* p, size_t n) {
    const FoldConstants& c = Constants();
    const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m128i x1 = LoadReversed(p, reverse), x2 = LoadReversed(p + 16, reverse),
            x3 = LoadReversed(p + 32, reverse), x4 = LoadReversed(p + 48, reverse);
    x1 = _mm_xor_si128(x1, _mm_set_epi32(static_cast<int>(crc), 0, 0, 0));
    p += 64;
    n -= 64;
    __m128i k =
        _mm_set_epi64x(static_cast<long long>(c.forward512High), static_cast<long long>(c.forward512Low));
    while (n >= 64) {
        __m128i h1 = _mm_clmulepi64_si128(x1, k, 0x11), l1 = _mm_clmulepi64_si128(x1, k, 0x00);
        __m128i h2 = _mm_clmulepi64_si128(x2, k, 0x11), l2 = _mm_clmulepi64_si128(x2, k, 0x00);
        __m128i h3 = _mm_clmulepi64_si128(x3, k, 0x11), l3 = _mm_clmulepi64_si128(x3, k, 0x00);
        __m128i h4 = _mm_clmulepi64_si128(x4, k, 0x11), l4 = _mm_clmulepi64_si128(x4, k, 0x00);
        x1 = _mm_xor_si128(_mm_xor_si128(h1, l1), LoadReversed(p, reverse));
        x2 = _mm_xor_si128(_mm_xor_si128(h2, l2), LoadReversed(p + 16, reverse));
        x3 = _mm_xor_si128(_mm_xor_si128(h3, l3), LoadReversed(p + 32, reverse));
        x4 = _mm_xor_si128(_mm_xor_si128(h4, l4), LoadReversed(p + 48, reverse));
        p += 64;
        n -= 64;
    }
    k = _mm_set_epi64x(static_cast<long long>(c.forward128High), static_cast<long long>(c.forward128Low));
    x1 = FoldForward(x1, k, x2);
    x1 = FoldForward(x1, k, x3);
    x1 = FoldForward(x1, k, x4);
    while (n >= 16) {
        x1 = FoldForward(x1, k, LoadReversed(p, reverse));
        p += 16;
        n -= 16;
    }
    alignas(16) uint8_t last[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(last), _mm_shuffle_epi8(x1, reverse));
    return CksumTables(0, last, 16);
}

#endif // SCRUTEL_CRC_CLMUL

bool UseCarryless(CrcMethod method) {
#if SCRUTEL_CRC_CLMUL
    return method != CrcMethod::Tables && CarrylessMultiplyAvailable();
#else
    (void)method;
    return false;
#endif
}

} // namespace

bool CarrylessMultiplyAvailable() {
#if SCRUTEL_CRC_CLMUL
    static const bool available = DetectCarryless();
    return available;
#else
    return false;
#endif
}

const uint32_t* Crc32Table() {
    return Tables().crc32[0].data();
}
const uint32_t* CksumTable() {
    return Tables().cksum[0].data();
}

uint32_t Crc32Update(uint32_t state, const void* data, size_t length, CrcMethod method) {
    if (!data || length == 0) return state;
    auto* p = static_cast<const uint8_t*>(data);
#if SCRUTEL_CRC_CLMUL
    if (length >= 64 && UseCarryless(method)) {
        size_t folded = length & ~static_cast<size_t>(15);
        state = Crc32Carryless(state, p, folded);
        p += folded;
        length -= folded;
    }
#else
    (void)UseCarryless(method);
#endif
    return Crc32Tables(state, p, length);
}

uint32_t CksumUpdate(uint32_t state, const void* data, size_t length, CrcMethod method) {
    if (!data || length == 0) return state;
    auto* p = static_cast<const uint8_t*>(data);
#if SCRUTEL_CRC_CLMUL
    if (length >= 64 && UseCarryless(method)) {
        size_t folded = length & ~static_cast<size_t>(15);
        state = CksumCarryless(state, p, folded);
        p += folded;
        length -= folded;
    }
#else
    (void)UseCarryless(method);
#endif
    return CksumTables(state, p, length);
}

uint32_t CksumFinish(uint32_t state, uint64_t totalLength) {
    const uint32_t* t = Tables().cksum[0].data();
    for (; totalLength != 0; totalLength >>= 8)
        state = (state << 8) ^ t[(state >> 24) ^ static_cast<uint32_t>(totalLength & 0xFF)];
    return ~state;
}

} // namespace scrutel
