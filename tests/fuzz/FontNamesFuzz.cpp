// The font naming tables of single fonts and collections over arbitrary bytes: collection counts
// within their limit, font offsets inside the file, names terminated within their buffer and cut
// to the width asked for.
#include "FuzzCheck.h"

#include "reports/FontNames.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace scrutel;

namespace {

size_t TerminatedLength(const char16_t* text, size_t capacity) {
    for (size_t i = 0; i < capacity; ++i)
        if (text[i] == 0) return i;
    return capacity;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    const void* file = bytes.empty() ? nullptr : bytes.data();

    uint32_t fonts = FontCollectionCount(file, size);
    FUZZ_CHECK(fonts <= FontMaxCollectionCount);
    for (uint32_t index = 0; index < (fonts ? fonts : 1) && index < 8; ++index) {
        size_t offset = 0;
        // A collection's offset is taken as stored; the readers below bound it themselves.
        if (!FontOffset(file, size, index, &offset)) continue;
        NameTableLocation location;
        if (FindNameTable(file, size, offset, &location) == 1)
            (void)FontTableChecksum(file, size, location.offset, location.length);
        if (LocateUsableNameTable(file, size, offset, &location) != 1) continue;
        FUZZ_CHECK(uint64_t{location.offset} + location.length <= size);
        for (uint32_t id : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 16u, 17u, FontCompositeName}) {
            for (uint32_t width : {0u, 1u, 9u, 40u}) {
                char16_t name[64];
                int rc = ReadFontName(file, size, location.offset, location.length, id, name, 64, width);
                FUZZ_CHECK(rc >= -1 && rc <= 1);
                size_t length = TerminatedLength(name, 64);
                FUZZ_CHECK(length < 64);
                if (rc == 1 && width != 0) FUZZ_CHECK(length <= width);
            }
        }
    }
    char16_t description[1024], version[1024], legal[1024];
    int found = FontHeaderStringsFromBytes(file, size, description, version, legal);
    FUZZ_CHECK(found >= 0 && found <= 3);
    FUZZ_CHECK(TerminatedLength(description, 1024) < 1024 && TerminatedLength(version, 1024) < 1024 &&
               TerminatedLength(legal, 1024) < 1024);

    // The text cleaning on its own, over the bytes as UTF-16.
    std::vector<char16_t> text = FuzzText(data, size, true);
    FUZZ_CHECK(CleanFontText(text.data(), text.size()) >= -2);
    FUZZ_CHECK(TerminatedLength(text.data(), text.size()) < text.size());
    TruncateWithEllipsis(text.data(), 5);
    FUZZ_CHECK(TerminatedLength(text.data(), text.size()) <= 5);
    return 0;
}
