// Tests of the readers that need the platform: random bytes read against a guard page.
#include "text/Encoding.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>
#include <vector>

using namespace scrutel;

namespace {

using Bytes = std::vector<uint8_t>;

// ---- Robustness: random bytes placed right before an inaccessible page, so that reading one
// byte past the end faults.

class GuardedBytes {
  public:
    GuardedBytes() {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
        base_ =
            static_cast<uint8_t*>(VirtualAlloc(nullptr, page_ * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
    }
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    // Places size bytes so that the last one is the last accessible byte.
    uint8_t* Place(const Bytes& bytes) {
        uint8_t* start = base_ + page_ - bytes.size();
        std::copy(bytes.begin(), bytes.end(), start);
        return start;
    }
    bool ok() const { return base_ != nullptr; }

  private:
    size_t page_ = 0;
    uint8_t* base_ = nullptr;
};

TEST(Readers, RandomBytesNeverCrashOrReadPastTheEnd) {
    GuardedBytes guard;
    ASSERT_TRUE(guard.ok());
    std::mt19937 generator(7);
    const TextEncoding encodings[] = {EncodingOem,     EncodingUtf16Le, EncodingUtf16Be,
                                      EncodingUtf8,    EncodingEbcdic,  EncodingUtf32Le,
                                      EncodingUtf32Be, EncodingRaw,     EncodingAscii};
    wchar_t line[8];
    for (int round = 0; round < 400; ++round) {
        Bytes bytes(generator() % 300);
        for (auto& b : bytes)
            b = uint8_t(generator());
        for (TextEncoding encoding : encodings) {
            TextCursor b;
            b.data = guard.Place(bytes);
            b.size = bytes.size();
            b.encoding = encoding;
            b.codePageIndex = generator() % 24;
            b.ebcdicIndex = generator() % 10;
            uint64_t reads = 0;
            while (ReadChar(b) >= 0)
                ASSERT_LE(++reads, bytes.size());
            EXPECT_LE(b.position, b.size);
            b.position = 0;
            uint64_t lines = 0;
            while (b.position < b.size && ReadLine(b, line, std::size(line), round % 2 == 0) == 0)
                ASSERT_LE(++lines, bytes.size() + 1);
            b.position = 0;
            EXPECT_LE(CountLines(b), bytes.size());
            EXPECT_LE(static_cast<uint32_t>(LineEndingKind(b)), 4u);
            b.position = 0;
            DetectEncoding(b, true);
            EXPECT_LE(b.position, b.size);
            b.data = nullptr; // not owned
        }
    }
}

} // namespace
