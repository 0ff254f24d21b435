// Image headers read through the bounds-checked reader: the format by signature, then each
// format's own size, depth and layout fields, and an estimate of the decoder's pixel memory.
#include "reports/ImageHeader.h"

#include "core/ByteReader.h"

#include <algorithm>
#include <cstring>

namespace scrutel {

namespace {

uint64_t SaturatingMul(uint64_t a, uint64_t b) {
    if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
    return a * b;
}
uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
    return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

// The decoded picture: 4 bytes per pixel, 8 when a sample holds more than 8 bits.
uint64_t PictureBytes(uint64_t width, uint64_t height, bool wideSamples) {
    return SaturatingMul(SaturatingMul(width, height), wideSamples ? 8 : 4);
}

ImageHeader Faulted(ImageFormat format, HeaderFault fault) {
    ImageHeader header;
    header.format = format;
    header.fault = fault;
    return header;
}

ImageHeader Sized(ImageFormat format, uint32_t width, uint32_t height, uint32_t depth,
                  uint64_t decodedBytes) {
    ImageHeader header;
    header.format = format;
    header.fault = HeaderFault::None;
    header.width = width;
    header.height = height;
    header.depth = depth;
    header.decodedBytes = decodedBytes;
    return header;
}

bool StartsWith(const ByteReader& r, const char* text, size_t length) {
    std::optional<std::span<const std::byte>> bytes = r.bytes(0, length);
    return bytes && std::memcmp(bytes->data(), text, length) == 0;
}

// ---- BMP

// The bit counts each compression can hold. OS/2 headers (16 to 64 bytes, other than 40) reuse
// codes 3 and 4 for 1-bit Huffman and 24-bit run lengths.
bool BmpLayoutKnown(uint32_t compression, uint32_t bits, bool os2) {
    switch (compression) {
    case 0: // uncompressed
        return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32 ||
               bits == 64;
    case 1: // run lengths of 8-bit indices
        return bits == 8;
    case 2: // run lengths of 4-bit indices
        return bits == 4;
    case 3: // bit fields
        return bits == 16 || bits == 32 || (os2 && bits == 1);
    case 4: // embedded JPEG
        return bits == 0 || (os2 && bits == 24);
    case 5: // embedded PNG
        return bits == 0;
    case 6: // bit fields with alpha
        return bits == 16 || bits == 32;
    default:
        return false;
    }
}

ImageHeader ReadBmp(const ByteReader& r) {
    constexpr ImageFormat F = ImageFormat::Bmp;
    std::optional<uint32_t> pixelsAt = r.u32le(10), headerSize = r.u32le(14);
    if (!pixelsAt || !headerSize) return Faulted(F, HeaderFault::Truncated);
    uint32_t size = *headerSize;
    bool core = size == 12;
    bool os2 = size >= 16 && size <= 64 && size != 40;
    if (!core && !os2 && size != 40 && size != 108 && size != 124) return Faulted(F, HeaderFault::BadValue);
    if (!r.has(14, size)) return Faulted(F, HeaderFault::Truncated);
    int64_t width = 0, height = 0;
    uint32_t bits = 0, compression = 0;
    if (core) {
        width = *r.u16le(18);
        height = *r.u16le(20);
        bits = *r.u16le(24);
    } else {
        width = static_cast<int32_t>(*r.u32le(18));
        height = static_cast<int32_t>(*r.u32le(22));
        bits = *r.u16le(28);
        if (size >= 20) compression = *r.u32le(30);
    }
    // Negative heights are stored top-down; a negative width is nothing.
    if (width <= 0 || height == 0 || height == INT32_MIN || !BmpLayoutKnown(compression, bits, os2))
        return Faulted(F, HeaderFault::BadValue);
    uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
    bool uncompressed = compression == 0 || compression == 6 || (compression == 3 && !(os2 && bits == 1));
    if (uncompressed) {
        // Rows are padded to 4 bytes; the decoder reads them all from the pixel offset, and
        // refuses a file that ends sooner.
        uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
        uint64_t end = SaturatingAdd(*pixelsAt, SaturatingMul(stride, rows));
        if (end > r.size()) return Faulted(F, HeaderFault::PixelsOutsideFile);
    }
    return Sized(F, static_cast<uint32_t>(width), static_cast<uint32_t>(rows), bits,
                 PictureBytes(static_cast<uint64_t>(width), rows, bits > 32));
}

// ---- JPEG

bool IsFrameMarker(uint8_t m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

ImageHeader ReadJpegFrame(const ByteReader& r, size_t at, uint8_t marker) {
    constexpr ImageFormat F = ImageFormat::Jpeg;
    std::optional<uint16_t> length = r.u16be(at);
    std::optional<uint8_t> components = r.u8(at + 7);
    if (!length || !components) return Faulted(F, HeaderFault::Truncated);
    uint32_t precision = *r.u8(at + 2), height = *r.u16be(at + 3), width = *r.u16be(at + 5);
    uint32_t count = *components;
    // A height of 0 defers it to a later marker, which the decoders do not read.
    if (width == 0 || height == 0 || count == 0 || count > 10 || precision == 0 || precision > 16 ||
        *length != 8 + 3 * count)
        return Faulted(F, HeaderFault::BadValue);
    if (!r.has(at, *length)) return Faulted(F, HeaderFault::Truncated);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t sampling = *r.u8(at + 8 + 3 * i + 1);
        uint32_t h = sampling >> 4, v = sampling & 0x0F;
        if (h < 1 || h > 4 || v < 1 || v > 4) return Faulted(F, HeaderFault::BadValue);
    }
    uint64_t decoded = PictureBytes(width, height, precision > 8);
    bool progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
    if (progressive) {
        // Every coefficient of every component is kept until the last scan: 2 bytes per sample,
        // over a picture padded to whole blocks of the largest sampling (at most 32 pixels).
        uint64_t paddedWidth = (uint64_t{width} + 31) / 32 * 32,
                 paddedHeight = (uint64_t{height} + 31) / 32 * 32;
        decoded = SaturatingAdd(decoded, SaturatingMul(SaturatingMul(paddedWidth, paddedHeight), 2 * count));
    }
    return Sized(F, width, height, precision * count, decoded);
}

ImageHeader ReadJpeg(const ByteReader& r) {
    constexpr ImageFormat F = ImageFormat::Jpeg;
    size_t at = 2;
    for (;;) {
        // Like the decoder, skip bytes that are not a marker, then fill bytes; FF 00 is data.
        while (at < r.size() && r.u8(at) != uint8_t{0xFF})
            ++at;
        while (at < r.size() && r.u8(at) == uint8_t{0xFF})
            ++at;
        std::optional<uint8_t> marker = r.u8(at);
        if (!marker) return Faulted(F, HeaderFault::Truncated);
        ++at;
        uint8_t m = *marker;
        if (m == 0x00 || (m >= 0xD0 && m <= 0xD7) || m == 0x01) continue; // no length follows
        if (IsFrameMarker(m)) return ReadJpegFrame(r, at, m);
        // A second start of image, or the scan or the end before any frame header.
        if (m == 0xD8 || m == 0xD9 || m == 0xDA) return Faulted(F, HeaderFault::BadValue);
        std::optional<uint16_t> length = r.u16be(at);
        if (!length) return Faulted(F, HeaderFault::Truncated);
        if (*length < 2) return Faulted(F, HeaderFault::BadValue);
        at += *length;
    }
}

// ---- PNG

ImageHeader ReadPngHeader(const ByteReader& r, ImageFormat format) {
    // Signature, then IHDR: length 13, type, width, height, bit depth, colour type, compression,
    // filter, interlace.
    if (!r.has(0, 8 + 8 + 13)) return Faulted(format, HeaderFault::Truncated);
    if (r.u32be(8) != uint32_t{13} || r.u32be(12) != uint32_t{0x49484452})
        return Faulted(format, HeaderFault::BadValue);
    uint32_t width = *r.u32be(16), height = *r.u32be(20);
    uint32_t bits = *r.u8(24), colour = *r.u8(25);
    uint32_t channels = 0;
    bool bitsValid = false;
    switch (colour) {
    case 0: // grey
        channels = 1;
        bitsValid = bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16;
        break;
    case 3: // palette
        channels = 1;
        bitsValid = bits == 1 || bits == 2 || bits == 4 || bits == 8;
        break;
    case 2: // RGB
    case 4: // grey and alpha
    case 6: // RGB and alpha
        channels = colour == 2 ? 3 : colour == 4 ? 2 : 4;
        bitsValid = bits == 8 || bits == 16;
        break;
    default:
        break;
    }
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu || !bitsValid ||
        r.u8(26) != uint8_t{0} || r.u8(27) != uint8_t{0} || *r.u8(28) > 1)
        return Faulted(format, HeaderFault::BadValue);
    return Sized(format, width, height, bits * channels, PictureBytes(width, height, bits > 8));
}

// ---- GIF

// Skips a colour table when the packed field announces one.
size_t AfterColourTable(size_t at, uint8_t packed) {
    return (packed & 0x80) ? at + (size_t{3} << ((packed & 7) + 1)) : at;
}

ImageHeader ReadGif(const ByteReader& r) {
    constexpr ImageFormat F = ImageFormat::Gif;
    if (!r.has(0, 13)) return Faulted(F, HeaderFault::Truncated);
    uint32_t screenWidth = *r.u16le(6), screenHeight = *r.u16le(8);
    size_t at = AfterColourTable(13, *r.u8(10));
    // The decoder keeps every frame's pixels (one byte each); walk every block to the trailer,
    // or to whatever the decoder would stop at.
    uint64_t frames = 0;
    uint32_t firstWidth = 0, firstHeight = 0;
    bool first = true;
    for (;;) {
        std::optional<uint8_t> block = r.u8(at);
        if (!block || *block == 0x3B) break;
        if (*block == 0x2C) {
            if (!r.has(at, 10)) break;
            uint32_t w = *r.u16le(at + 5), h = *r.u16le(at + 7);
            if (first) {
                firstWidth = w;
                firstHeight = h;
                first = false;
            }
            frames = SaturatingAdd(frames, uint64_t{w} * h);
            at = AfterColourTable(at + 10, *r.u8(at + 9)) + 1; // then the LZW code size
        } else if (*block == 0x21) {
            at += 2; // introducer and label
        } else {
            break;
        }
        // Data sub-blocks up to the empty one.
        for (;;) {
            std::optional<uint8_t> n = r.u8(at);
            if (!n) {
                at = r.size();
                break;
            }
            at += size_t{1} + *n;
            if (*n == 0) break;
        }
    }
    // The logical screen, or the first frame where the screen has no size.
    uint32_t width = screenWidth, height = screenHeight;
    if (width == 0 || height == 0) {
        width = firstWidth;
        height = firstHeight;
    }
    if (width == 0 || height == 0) return Faulted(F, HeaderFault::BadValue);
    uint64_t canvas = std::max(uint64_t{screenWidth} * screenHeight, uint64_t{firstWidth} * firstHeight);
    return Sized(F, width, height, 8, SaturatingAdd(SaturatingMul(canvas, 4), frames));
}

// ---- TIFF

// Compression codes some decoder knows; any other cannot be decoded.
bool TiffCompressionKnown(uint32_t code) {
    static constexpr uint16_t Known[] = {1,     2,     3,     4,     5,     6,     7,     8,     9,
                                         10,    32766, 32771, 32773, 32809, 32895, 32896, 32897, 32898,
                                         32908, 32909, 32946, 32947, 34661, 34676, 34677, 34712, 34887,
                                         34925, 34926, 34927, 34933, 34934, 50000, 50001, 50002};
    return std::find(std::begin(Known), std::end(Known), code) != std::end(Known);
}

class TiffDirectory {
  public:
    TiffDirectory(const ByteReader& r, bool bigEndian) : r_(r), bigEndian_(bigEndian) {}

    std::optional<uint16_t> U16(size_t at) const { return bigEndian_ ? r_.u16be(at) : r_.u16le(at); }
    std::optional<uint32_t> U32(size_t at) const { return bigEndian_ ? r_.u32be(at) : r_.u32le(at); }

    // Value number index of the entry at at, of type BYTE, SHORT or LONG; nothing for another
    // type or a value outside the file.
    std::optional<uint32_t> Value(size_t at, uint32_t index) const {
        uint16_t type = *U16(at + 2);
        uint32_t count = *U32(at + 4);
        uint32_t size = type == 1 ? 1 : type == 3 ? 2 : type == 4 ? 4 : 0;
        if (size == 0 || index >= count) return std::nullopt;
        size_t base = at + 8;
        if (uint64_t{count} * size > 4) {
            std::optional<uint32_t> offset = U32(at + 8);
            if (!offset) return std::nullopt;
            base = *offset;
        }
        size_t where = base + size_t{index} * size;
        if (size == 1) {
            std::optional<uint8_t> v = r_.u8(where);
            return v ? std::optional<uint32_t>(*v) : std::nullopt;
        }
        if (size == 2) {
            std::optional<uint16_t> v = U16(where);
            return v ? std::optional<uint32_t>(*v) : std::nullopt;
        }
        return U32(where);
    }
    uint32_t Count(size_t at) const { return *U32(at + 4); }

  private:
    const ByteReader& r_;
    bool bigEndian_;
};

ImageHeader ReadTiff(const ByteReader& r) {
    constexpr ImageFormat F = ImageFormat::Tiff;
    bool bigEndian = r.u8(0) == uint8_t{'M'};
    TiffDirectory d(r, bigEndian);
    std::optional<uint32_t> first = d.U32(4);
    std::optional<uint16_t> count = first ? d.U16(*first) : std::nullopt;
    if (!count || !r.has(size_t{*first} + 2, size_t{*count} * 12)) return Faulted(F, HeaderFault::Truncated);
    std::optional<uint32_t> width, height, tileWidth, tileHeight, rowsPerStrip;
    uint32_t bitsPerSample = 1, samples = 1, compression = 1;
    bool seen[0x144] = {};
    for (uint32_t i = 0; i < *count; ++i) {
        size_t at = size_t{*first} + 2 + size_t{i} * 12;
        uint16_t tag = *d.U16(at);
        // The first of repeated tags counts.
        if (tag < std::size(seen)) {
            if (seen[tag]) continue;
            seen[tag] = true;
        }
        switch (tag) {
        case 0x100:
            width = d.Value(at, 0);
            break;
        case 0x101:
            height = d.Value(at, 0);
            break;
        case 0x102: {
            // One value per sample; the widest sizes the estimate.
            uint32_t n = std::min<uint32_t>(d.Count(at), 64);
            bitsPerSample = 0;
            for (uint32_t k = 0; k < n; ++k)
                bitsPerSample = std::max(bitsPerSample, d.Value(at, k).value_or(0));
            break;
        }
        case 0x103:
            compression = d.Value(at, 0).value_or(0);
            break;
        case 0x115:
            samples = d.Value(at, 0).value_or(0);
            break;
        case 0x116:
            rowsPerStrip = d.Value(at, 0);
            break;
        case 0x142:
            tileWidth = d.Value(at, 0);
            break;
        case 0x143:
            tileHeight = d.Value(at, 0);
            break;
        default:
            break;
        }
    }
    // The decoders need both dimensions; no decoder reads samples of more than 64 bits or more
    // than 64 samples per pixel.
    if (!width || !height || *width == 0 || *height == 0 || bitsPerSample == 0 || bitsPerSample > 64 ||
        samples == 0 || samples > 64 || !TiffCompressionKnown(compression))
        return Faulted(F, HeaderFault::BadValue);
    uint32_t depth = bitsPerSample * samples;
    uint64_t bytesPerPixel = (uint64_t{depth} + 7) / 8;
    // The decoder also holds one tile, or one strip of whole rows, as the file stores it.
    uint64_t block = 0;
    if (tileWidth || tileHeight) {
        if (!tileWidth || !tileHeight || *tileWidth == 0 || *tileHeight == 0)
            return Faulted(F, HeaderFault::BadValue);
        block = SaturatingMul(SaturatingMul(*tileWidth, *tileHeight), bytesPerPixel);
    } else {
        uint32_t rows = rowsPerStrip && *rowsPerStrip != 0 ? std::min(*rowsPerStrip, *height) : *height;
        block = SaturatingMul(SaturatingMul(*width, rows), bytesPerPixel);
    }
    return Sized(F, *width, *height, depth,
                 SaturatingAdd(PictureBytes(*width, *height, bitsPerSample > 8), block));
}

// ---- Icons and cursors

struct IconEntrySize {
    uint32_t width = 0, height = 0, depth = 0;
    uint64_t decodedBytes = 0;
};

// An entry's size from its image: an embedded PNG's header or the bitmap header (whose height
// counts the mask too); the directory's own fields where the image says nothing usable.
IconEntrySize ReadIconEntry(const ByteReader& r, size_t at) {
    IconEntrySize e;
    e.width = *r.u8(at) == 0 ? 256 : *r.u8(at);
    e.height = *r.u8(at + 1) == 0 ? 256 : *r.u8(at + 1);
    e.depth = *r.u16le(at + 6);
    ByteReader image = r.sub(*r.u32le(at + 12), *r.u32le(at + 8));
    if (StartsWith(image, "\x89PNG\r\n\x1a\n", 8)) {
        ImageHeader png = ReadPngHeader(image, ImageFormat::Icon);
        if (png.fault == HeaderFault::None) {
            e.width = png.width;
            e.height = png.height;
            e.depth = png.depth;
        }
    } else if (std::optional<uint32_t> size = image.u32le(0); size && *size >= 40 && image.has(0, 16)) {
        int64_t w = static_cast<int32_t>(*image.u32le(4)), h = static_cast<int32_t>(*image.u32le(8));
        int64_t rows = (h < 0 ? -h : h) / 2;
        if (w > 0 && rows > 0) {
            e.width = static_cast<uint32_t>(w);
            e.height = static_cast<uint32_t>(rows);
            e.depth = *image.u16le(14);
        }
    }
    e.decodedBytes = PictureBytes(e.width, e.height, e.depth > 32);
    return e;
}

ImageHeader ReadIcon(const ByteReader& r) {
    constexpr ImageFormat F = ImageFormat::Icon;
    std::optional<uint16_t> count = r.u16le(4);
    if (!count) return Faulted(F, HeaderFault::Truncated);
    if (*count == 0) return Faulted(F, HeaderFault::BadValue);
    if (!r.has(6, size_t{*count} * 16)) return Faulted(F, HeaderFault::Truncated);
    // Any entry may be the one decoded: the largest sizes the estimate.
    IconEntrySize first = ReadIconEntry(r, 6);
    uint64_t largest = first.decodedBytes;
    for (uint32_t i = 1; i < *count; ++i)
        largest = std::max(largest, ReadIconEntry(r, 6 + size_t{i} * 16).decodedBytes);
    return Sized(F, first.width, first.height, first.depth, largest);
}

} // namespace

ImageHeader ReadImageHeader(std::span<const std::byte> file) {
    ByteReader r(file);
    std::optional<uint32_t> head = r.u32be(0);
    if (!head) return Faulted(ImageFormat::Unknown, HeaderFault::NoSignature);
    if ((*head >> 16) == 0x424D) return ReadBmp(r);
    if ((*head >> 16) == 0xFFD8) return ReadJpeg(r);
    if (StartsWith(r, "\x89PNG\r\n\x1a\n", 8)) return ReadPngHeader(r, ImageFormat::Png);
    if (StartsWith(r, "GIF87a", 6) || StartsWith(r, "GIF89a", 6)) return ReadGif(r);
    if (*head == 0x49492A00u || *head == 0x4D4D002Au) return ReadTiff(r);
    if (*head == 0x00000100u || *head == 0x00000200u) return ReadIcon(r);
    if (*head == 0x01000000u && r.u32le(40) == uint32_t{0x464D4520}) {
        // EMF: the header record holds at least 88 bytes.
        if (!r.has(0, 88)) return Faulted(ImageFormat::Emf, HeaderFault::Truncated);
        return Sized(ImageFormat::Emf, 0, 0, 0, 0);
    }
    if (*head == 0xD7CDC69Au) {
        // Placeable WMF: key, handle, bounding box, units per inch, reserved, checksum.
        if (!r.has(0, 22)) return Faulted(ImageFormat::Wmf, HeaderFault::Truncated);
        return Sized(ImageFormat::Wmf, 0, 0, 0, 0);
    }
    return Faulted(ImageFormat::Unknown, HeaderFault::NoSignature);
}

ImagePlan PlanImage(const ImageHeader& header, uint64_t budget) {
    if (header.fault != HeaderFault::None) return ImagePlan::Skip;
    if (header.decodedBytes <= budget) return ImagePlan::Decode;
    return header.format == ImageFormat::Icon ? ImagePlan::Skip : ImagePlan::SizeFromHeader;
}

} // namespace scrutel
