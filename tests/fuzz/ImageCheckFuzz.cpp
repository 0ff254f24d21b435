// The structure checks that stand before the system's image decoder (PNG chunks and their text,
// TIFF directories), the inflater that sizes compressed text and the header reader that sizes
// the decoded pixels, over arbitrary bytes.
#include "FuzzCheck.h"

#include "reports/ImageCheck.h"
#include "reports/ImageHeader.h"

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

    ImageHeader header = ReadImageHeader(file);
    ImagePlan plan = PlanImage(header);
    if (header.fault != HeaderFault::None) {
        // A fault carries no size, and nothing of the file is shown.
        FUZZ_CHECK(header.width == 0 && header.height == 0 && header.depth == 0 && header.decodedBytes == 0);
        FUZZ_CHECK(plan == ImagePlan::Skip);
    } else {
        FUZZ_CHECK(header.format != ImageFormat::Unknown);
        bool metafile = header.format == ImageFormat::Emf || header.format == ImageFormat::Wmf;
        if (metafile) {
            FUZZ_CHECK(header.width == 0 && header.height == 0 && header.decodedBytes == 0);
        } else {
            // A picture has a size, and the estimate holds it at 4 bytes a pixel at least.
            uint64_t pixels = uint64_t{header.width} * header.height;
            FUZZ_CHECK(pixels != 0);
            FUZZ_CHECK(header.decodedBytes == UINT64_MAX || header.decodedBytes / 4 >= pixels);
        }
        if (header.format != ImageFormat::Icon) FUZZ_CHECK(header.depth <= 4096);
        FUZZ_CHECK((plan == ImagePlan::Decode) == (header.decodedBytes <= DecodeBudget));
        FUZZ_CHECK(plan != ImagePlan::SizeFromHeader || header.format != ImageFormat::Icon);
    }
    return 0;
}
