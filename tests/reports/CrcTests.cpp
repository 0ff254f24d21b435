// CRC-32 and cksum: published check values, the tables against their rules, and both fast paths
// against byte-at-a-time computations on random data of many lengths, alignments and splits.
#include "reports/Crc.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace scrutel;

namespace {

// The oracles: one byte at a time, one bit at a time, straight from the two polynomials.
uint32_t Crc32Oracle(const uint8_t* p, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    while (n--) {
        crc ^= *p++;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

uint32_t CksumOracle(const uint8_t* p, size_t n) {
    uint32_t crc = 0;
    auto step = [&crc](uint8_t byte) {
        crc ^= static_cast<uint32_t>(byte) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    };
    for (size_t i = 0; i < n; ++i)
        step(p[i]);
    for (uint64_t length = n; length; length >>= 8)
        step(static_cast<uint8_t>(length & 0xFF));
    return ~crc;
}

uint32_t Crc32Of(const void* p, size_t n, CrcMethod method = CrcMethod::Best) {
    return ~Crc32Update(0xFFFFFFFFu, p, n, method);
}

uint32_t CksumOf(const void* p, size_t n, CrcMethod method = CrcMethod::Best) {
    return CksumFinish(CksumUpdate(0, p, n, method), n);
}

std::vector<uint8_t> RandomBytes(size_t n, uint32_t generatorState) {
    std::mt19937 generator(generatorState);
    std::vector<uint8_t> bytes(n);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(generator() >> 24);
    return bytes;
}

struct Vector {
    const char* label;
    std::string text;
    uint32_t crc32;
    uint32_t cksum;
};

const Vector Vectors[] = {
    {"empty", "", 0x00000000u, 4294967295u},
    {"a", "a", 0xE8B7BE43u, 1220704766u},
    {"abc", "abc", 0x352441C2u, 1219131554u},
    {"check string", "123456789", 0xCBF43926u, 930766865u},
    {"fox", "The quick brown fox jumps over the lazy dog", 0x414FA339u, 2074844392u},
};

TEST(CrcTables, EntriesFollowThePolynomials) {
    const uint32_t* crc = Crc32Table();
    const uint32_t* ck = CksumTable();
    for (uint32_t i = 0; i < 256; ++i) {
        uint8_t byte = static_cast<uint8_t>(i);
        // Table entry i is the register after one step from i (reflected) or i << 24 (forward).
        uint32_t r = i;
        for (int bit = 0; bit < 8; ++bit)
            r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
        EXPECT_EQ(crc[i], r) << "CRC-32 entry " << i;
        uint32_t f = static_cast<uint32_t>(byte) << 24;
        for (int bit = 0; bit < 8; ++bit)
            f = (f & 0x80000000u) ? (f << 1) ^ 0x04C11DB7u : f << 1;
        EXPECT_EQ(ck[i], f) << "cksum entry " << i;
    }
    EXPECT_EQ(crc[1], 0x77073096u);
    EXPECT_EQ(crc[255], 0x2D02EF8Du);
    EXPECT_EQ(ck[1], 0x04C11DB7u);
    EXPECT_EQ(ck[255], 0xB1F740B4u);
}

TEST(CrcVectors, PublishedCheckValuesByEveryMethod) {
    for (const Vector& v : Vectors) {
        for (CrcMethod method : {CrcMethod::Best, CrcMethod::Tables, CrcMethod::Carryless}) {
            SCOPED_TRACE(std::string(v.label) + " method " + std::to_string(static_cast<int>(method)));
            EXPECT_EQ(Crc32Of(v.text.data(), v.text.size(), method), v.crc32);
            EXPECT_EQ(CksumOf(v.text.data(), v.text.size(), method), v.cksum);
            EXPECT_EQ(Crc32Oracle(reinterpret_cast<const uint8_t*>(v.text.data()), v.text.size()), v.crc32);
            EXPECT_EQ(CksumOracle(reinterpret_cast<const uint8_t*>(v.text.data()), v.text.size()), v.cksum);
        }
    }
}

TEST(CrcVectors, NullOrEmptyInputLeavesTheRegister) {
    EXPECT_EQ(Crc32Update(0x12345678u, nullptr, 100), 0x12345678u);
    EXPECT_EQ(CksumUpdate(0x12345678u, "x", 0), 0x12345678u);
}

class CrcAgainstOracle : public ::testing::TestWithParam<CrcMethod> {
  protected:
    void SetUp() override {
        if (GetParam() == CrcMethod::Carryless && !CarrylessMultiplyAvailable())
            GTEST_SKIP() << "this processor has no PCLMULQDQ; the table path covers it";
    }
};

// Every length up to 300 (covering the 16-byte steps and the 64-byte folding threshold) and
// sparser ones up to 5000, at every alignment within 16 bytes.
TEST_P(CrcAgainstOracle, EveryLengthAndAlignment) {
    const std::vector<uint8_t> data = RandomBytes(5100, 20240305u);
    for (size_t offset = 0; offset < 16; ++offset) {
        for (size_t n = 0; n <= 5000; n += (n < 300 ? 1 : 97)) {
            const uint8_t* p = data.data() + offset;
            ASSERT_EQ(Crc32Of(p, n, GetParam()), Crc32Oracle(p, n)) << "offset " << offset << " length " << n;
            ASSERT_EQ(CksumOf(p, n, GetParam()), CksumOracle(p, n)) << "offset " << offset << " length " << n;
        }
    }
}

// Blocks of uneven sizes fed one after another give the same values as one call.
TEST_P(CrcAgainstOracle, SplitIntoUnevenBlocks) {
    const std::vector<uint8_t> data = RandomBytes(200000, 7u);
    std::mt19937 splitter(11u);
    for (int round = 0; round < 20; ++round) {
        uint32_t crc = 0xFFFFFFFFu, ck = 0;
        size_t at = 0;
        while (at < data.size()) {
            size_t n = std::min<size_t>(data.size() - at, splitter() % 9000);
            crc = Crc32Update(crc, data.data() + at, n, GetParam());
            ck = CksumUpdate(ck, data.data() + at, n, GetParam());
            at += n;
        }
        ASSERT_EQ(~crc, Crc32Oracle(data.data(), data.size())) << "round " << round;
        ASSERT_EQ(CksumFinish(ck, data.size()), CksumOracle(data.data(), data.size())) << "round " << round;
    }
}

// Sizes around the read block of the checksum section and a few MiB.
TEST_P(CrcAgainstOracle, SizesAroundBlockBoundaries) {
    const std::vector<uint8_t> data = RandomBytes(3 * 1048576 + 17, 99u);
    for (size_t n : {size_t{32767}, size_t{32768}, size_t{32769}, size_t{65535}, size_t{65536}, size_t{65537},
                     size_t{1048576}, data.size()}) {
        EXPECT_EQ(Crc32Of(data.data(), n, GetParam()), Crc32Oracle(data.data(), n)) << n;
        EXPECT_EQ(CksumOf(data.data(), n, GetParam()), CksumOracle(data.data(), n)) << n;
    }
}

// Runs of one value stress the folding constants differently from random bytes.
TEST_P(CrcAgainstOracle, ConstantRuns) {
    for (uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x80}, uint8_t{0x01}}) {
        std::vector<uint8_t> data(4096 + 13, value);
        for (size_t n : {size_t{64}, size_t{65}, size_t{128}, size_t{1000}, data.size()}) {
            EXPECT_EQ(Crc32Of(data.data(), n, GetParam()), Crc32Oracle(data.data(), n))
                << int(value) << " " << n;
            EXPECT_EQ(CksumOf(data.data(), n, GetParam()), CksumOracle(data.data(), n))
                << int(value) << " " << n;
        }
    }
}

// The cksum length is folded in least significant byte first, so lengths with several non-zero
// bytes matter.
TEST(CksumFinish, LengthBytesAreFoldedLowFirst) {
    for (uint64_t length : {uint64_t{0}, uint64_t{1}, uint64_t{255}, uint64_t{256}, uint64_t{65536},
                            uint64_t{0x100000001ull}, uint64_t{0x0123456789ABCDEFull}}) {
        uint32_t expected = 0;
        for (uint64_t l = length; l; l >>= 8) {
            expected ^= static_cast<uint32_t>(l & 0xFF) << 24;
            for (int bit = 0; bit < 8; ++bit)
                expected = (expected & 0x80000000u) ? (expected << 1) ^ 0x04C11DB7u : expected << 1;
        }
        EXPECT_EQ(CksumFinish(0, length), ~expected) << length;
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, CrcAgainstOracle,
                         ::testing::Values(CrcMethod::Tables, CrcMethod::Carryless, CrcMethod::Best),
                         [](const ::testing::TestParamInfo<CrcMethod>& info) {
                             switch (info.param) {
                             case CrcMethod::Tables:
                                 return std::string("Tables");
                             case CrcMethod::Carryless:
                                 return std::string("Carryless");
                             default:
                                 return std::string("Best");
                             }
                         });

} // namespace
