// The size of an image read from its own header before the platform's image decoder sees it:
// which format the content is, the width, height and bits per pixel of the image a decoder would
// load, and the memory its decoded pixels would take. A decoder allocates what the header
// declares, so a few hundred bytes can claim 30000 x 30000 pixels and cost gigabytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace scrutel {

// Chosen by the content's signature, as the decoder chooses, whatever the file's extension.
enum class ImageFormat : uint8_t { Unknown, Bmp, Jpeg, Png, Gif, Tiff, Icon, Emf, Wmf };

enum class HeaderFault : uint8_t {
    None = 0,
    NoSignature,      // none of the formats the decoder reads
    Truncated,        // the header, or the structure it points to, runs past the end of the file
    BadValue,         // a size, depth, compression or layout that no decoder reads
    PixelsOutsideFile // uncompressed pixel rows that the file does not hold
};

struct ImageHeader {
    ImageFormat format = ImageFormat::Unknown;
    HeaderFault fault = HeaderFault::NoSignature;
    // The image a decoder shows: a GIF's logical screen, a TIFF's first directory, an icon's
    // first entry. Zero for metafiles, whose size comes from their frame and reference device.
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0; // bits per pixel as the file stores them; 0 when the header does not say
    // An upper estimate of the decoder's pixel memory (see ReadImageHeader); saturates.
    uint64_t decodedBytes = 0;
};

// Reads the header of a BMP, JPEG, PNG, GIF, TIFF, icon or cursor, EMF or placeable WMF.
// decodedBytes counts 4 bytes per pixel, 8 when a sample holds more than 8 bits (decoders hand
// most formats over as 32-bit pixels), plus what a decoder holds besides the picture: the
// coefficients of a progressive JPEG, every frame of a GIF, one tile or strip of a TIFF, the
// largest entry of an icon. Metafiles hold drawing records, not pixels: loading one decodes
// nothing, so their estimate is 0. The work is linear in the file's size (a GIF's blocks are
// walked to its end; every other format reads a few fixed places).
ImageHeader ReadImageHeader(std::span<const std::byte> file);

// What the image section does with a file.
enum class ImagePlan : uint8_t {
    Skip,           // nothing to show: the header is unreadable, or an oversized icon
    SizeFromHeader, // too large to decode: the size and depth from the header, nothing else
    Decode          // hand it to the decoder, as any ordinary image
};

// The decoded pixels a file may cost before it is kept from the decoder: 256 MiB, a 67-megapixel
// image of 32-bit pixels (8192 x 8192), above every camera but medium format. Under Wine the
// decoder and the bitmap it hands over hold the pixels twice, so such a file costs the host about
// 530 MB and seconds; what the header declares beyond it is, for a small file, a bomb.
inline constexpr uint64_t DecodeBudget = uint64_t{256} << 20;

// Skip for a header fault; SizeFromHeader for an image over budget (Skip for an icon, whose
// entries have no one size); Decode otherwise.
ImagePlan PlanImage(const ImageHeader& header, uint64_t budget = DecodeBudget);

} // namespace scrutel
