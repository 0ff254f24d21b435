// The structure checks that stand before the system's image decoder (PNG chunks and their text,
// TIFF directories) and the inflater that sizes compressed text, over arbitrary bytes.
#include "FuzzCheck.h"

#include "reports/ImageCheck.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace scrutel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::byte> bytes = FuzzBytes(data, size);
    std::span<const std::byte> file(bytes.data(), bytes.size());

    // Small limits reach the limit paths with small inputs; the defaults check the rest.
    ImageLimits small;
    small.pngChunks = 8;
    small.pngTexts = 4;
    small.pngTextBytes = 4096;
    small.tiffIfds = 4;
    for (const ImageLimits& limits : {ImageLimits{}, small}) {
        ImageFault png = CheckPng(file, limits);
        ImageFault tiff = CheckTiff(file, limits);
        ImageFault any = CheckImage(file, limits);
        // A file is at most one of the two kinds.
        FUZZ_CHECK(png != ImageFault::None || tiff != ImageFault::None || any == ImageFault::None);
        (void)any;
    }
    for (uint64_t limit : {uint64_t{0}, uint64_t{1}, uint64_t{1000}, uint64_t{1} << 20}) {
        std::optional<uint64_t> inflated = InflatedSize(file, limit);
        if (inflated) FUZZ_CHECK(*inflated <= limit + 1);
    }
    return 0;
}
