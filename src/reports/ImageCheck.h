// Structure checks of PNG and TIFF files before the platform's image decoder sees them. The
// decoder trusts chunk lengths, tag counts and compressed text, so a few bytes can make it
// allocate gigabytes or spend minutes; a file that fails here is treated as one it cannot load.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace scrutel {

enum class ImageFault : uint8_t {
    None = 0,
    PngSignature,        // not a PNG
    PngChunkLength,      // a chunk length above 0x7FFFFFFF
    PngChunkOutsideFile, // a chunk (length + 12 bytes) that runs past the end of the file
    PngHeader,           // the first chunk is not IHDR of 13 bytes
    PngTooManyChunks,    // more chunks other than IDAT than the limit
    PngTooManyTexts,     // more text chunks than the limit
    PngTextTooLarge,     // text (compressed text counted inflated) above the limit
    PngBadText,          // a compressed text chunk that cannot be read to its end
    TiffHeader,          // byte order, magic 42 or the first directory offset
    TiffTooManyIfds,     // more directories than the limit
    TiffIfdLoop,         // a directory reached twice
    TiffIfdOutsideFile,  // a directory (count, entries, next offset) that leaves the file
    TiffEntryType,       // an entry of a type whose size is unknown
    TiffValueOutsideFile // an entry's value (count times type size) that leaves the file
};

struct ImageLimits {
    // Chunks other than IDAT. The decoder keeps every other chunk as a metadata block and its
    // time grows faster than their number (measured under Wine: 500 empty chunks 0.8 s, 2,000
    // 1.2 s, 3,000 2.4 s, 5,000 4.4 s, 20,000 over 30 s). Ordinary files have a few dozen; an
    // animation has two per frame, so 2,048 still accepts about a thousand frames. IDAT chunks
    // are not counted: encoders write image data in 8 KiB chunks (tens of thousands in a large
    // image), and 20,000 of them load in 0.3 s.
    uint32_t pngChunks = 2048;
    // Text chunks each become a property item, in time that also grows faster than their number
    // (3,000: 0.9 s, 5,000: 1.2 s, 20,000: 20 s). Real files carry a handful.
    uint32_t pngTexts = 512;
    // Bytes of text over all text chunks, compressed text counted at its inflated size. The
    // decoder holds about four times the text (1 MiB of text raised the process by 4 MB, 16 MiB
    // by 65 MB), so 1 MiB keeps any accepted file within a few megabytes for text, and still
    // holds the largest metadata packets that real files carry.
    uint64_t pngTextBytes = uint64_t{1} << 20;
    // Directories of a TIFF, its EXIF, GPS and interoperability directories included. Multi-page
    // documents have one per page.
    uint32_t tiffIfds = 1024;
};

// Checks a PNG file: signature; every chunk's length at most 0x7FFFFFFF and the chunk inside
// the file; IHDR of 13 bytes first; the walk ends at IEND (or exactly at the end of the file);
// the chunk and text limits, with zTXt and compressed iTXt inflated (counted, not kept).
ImageFault CheckPng(std::span<const std::byte> file, const ImageLimits& limits = {});

// Checks a TIFF file: byte order II or MM, magic 42, every directory inside the file and
// reached once, every entry of a known type whose value (when larger than 4 bytes) lies inside
// the file; the EXIF, GPS and interoperability directories are walked the same way.
ImageFault CheckTiff(std::span<const std::byte> file, const ImageLimits& limits = {});

// Checks by the content's signature, as the decoder chooses: PNG and TIFF are checked, every
// other format passes.
ImageFault CheckImage(std::span<const std::byte> file, const ImageLimits& limits = {});

// The number of bytes a zlib stream inflates to, counted without producing them. Counting stops
// as soon as it passes limit (the result is then limit + 1). Nothing for a stream that is
// malformed or cut short. The work is linear in the stream's size.
std::optional<uint64_t> InflatedSize(std::span<const std::byte> stream, uint64_t limit);

} // namespace scrutel
