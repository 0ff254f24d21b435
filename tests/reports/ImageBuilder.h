// Builds small images byte by byte for the image tests: an uncompressed grey TIFF with ASCII tags,
// TIFF directories at chosen offsets in either byte order, PNG chunks and zlib streams (stored
// blocks, and fixed-code blocks of long repeats that inflate far beyond their size), and the
// headers of BMP, JPEG, GIF and icon files that declare any size.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace image_builder {

using Bytes = std::vector<uint8_t>;

// A little-endian TIFF: an uncompressed 8-bit grey image with the given extra ASCII tags in its
// first directory (tags ascending).
struct AsciiTag {
    uint16_t tag;
    std::string value; // without the terminating NUL, which is added
};

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline Bytes GreyTiff(uint16_t width, uint16_t height, std::vector<AsciiTag> tags) {
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
        std::string data;
    };
    uint32_t pixels = static_cast<uint32_t>(width) * height;
    std::vector<Entry> entries = {
        {0x100, 3, 1, width, {}}, {0x101, 3, 1, height, {}}, {0x102, 3, 1, 8, {}},
        {0x103, 3, 1, 1, {}},     {0x106, 3, 1, 1, {}},      {0x111, 4, 1, 0, {}},
        {0x115, 3, 1, 1, {}},     {0x116, 3, 1, height, {}}, {0x117, 4, 1, pixels, {}},
    };
    for (const AsciiTag& t : tags)
        entries.push_back({t.tag, 2, static_cast<uint32_t>(t.value.size() + 1), 0, t.value});
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    uint32_t ifdSize = 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
    uint32_t dataAt = 8 + ifdSize;
    std::string extra;
    for (Entry& e : entries) {
        if (e.type != 2) continue;
        std::string value = e.data + '\0';
        if (value.size() <= 4) {
            value.resize(4, '\0');
            e.value = static_cast<uint32_t>(uint8_t(value[0])) | (uint32_t(uint8_t(value[1])) << 8) |
                      (uint32_t(uint8_t(value[2])) << 16) | (uint32_t(uint8_t(value[3])) << 24);
        } else {
            e.value = dataAt + static_cast<uint32_t>(extra.size());
            extra += value;
            if (extra.size() % 2) extra += '\0';
        }
    }
    uint32_t pixelsAt = dataAt + static_cast<uint32_t>(extra.size());
    for (Entry& e : entries)
        if (e.tag == 0x111) e.value = pixelsAt;
    Bytes file = {'I', 'I', 42, 0};
    Put32(file, 8);
    Put16(file, static_cast<uint32_t>(entries.size()));
    for (const Entry& e : entries) {
        Put16(file, e.tag);
        Put16(file, e.type);
        Put32(file, e.count);
        if (e.type == 3) {
            Put16(file, e.value);
            Put16(file, 0);
        } else {
            Put32(file, e.value);
        }
    }
    Put32(file, 0);
    file.insert(file.end(), extra.begin(), extra.end());
    for (uint32_t i = 0; i < pixels; ++i)
        file.push_back(static_cast<uint8_t>(i * 7));
    return file;
}

// ---- TIFF directories placed by hand

// One directory entry; value is the 4-byte field (the value itself or its offset).
struct TiffEntry {
    uint16_t tag, type;
    uint32_t count, value;
};

// A file of size bytes (zero-filled) with a TIFF header in either byte order; directories and
// data are written at chosen offsets.
struct TiffCanvas {
    Bytes file;
    bool bigEndian;

    TiffCanvas(size_t size, bool bigEndian_, uint32_t firstIfd, uint16_t magic = 42)
        : file(size, 0), bigEndian(bigEndian_) {
        file[0] = file[1] = bigEndian ? 'M' : 'I';
        At16(2, magic);
        At32(4, firstIfd);
    }
    void At16(size_t at, uint32_t v) {
        for (int i = 0; i < 2; ++i)
            file.at(at + i) = static_cast<uint8_t>(v >> (8 * (bigEndian ? 1 - i : i)));
    }
    void At32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file.at(at + i) = static_cast<uint8_t>(v >> (8 * (bigEndian ? 3 - i : i)));
    }
    // A directory at offset; a SHORT entry with count 1 keeps its value in the first two bytes.
    void Ifd(size_t offset, const std::vector<TiffEntry>& entries, uint32_t next = 0) {
        At16(offset, static_cast<uint32_t>(entries.size()));
        size_t at = offset + 2;
        for (const TiffEntry& e : entries) {
            At16(at, e.tag);
            At16(at + 2, e.type);
            At32(at + 4, e.count);
            if (e.type == 3 && e.count == 1) {
                At16(at + 8, e.value);
                At16(at + 10, 0);
            } else {
                At32(at + 8, e.value);
            }
            at += 12;
        }
        At32(at, next);
    }
    // Size of a directory of n entries.
    static size_t IfdSize(size_t n) { return 2 + 12 * n + 4; }
};

// ---- PNG chunks and zlib streams

inline uint32_t Crc32(const uint8_t* data, size_t length) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

inline void Put32Be(Bytes& b, uint32_t v) {
    for (int i = 3; i >= 0; --i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline Bytes Append(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A chunk with its length and CRC; length overrides the length field when given.
inline Bytes PngChunk(const char* type, const Bytes& data, int64_t length = -1) {
    Bytes chunk;
    chunk.reserve(data.size() + 12);
    Put32Be(chunk, length >= 0 ? static_cast<uint32_t>(length) : static_cast<uint32_t>(data.size()));
    for (int i = 0; i < 4; ++i)
        chunk.push_back(static_cast<uint8_t>(type[i]));
    chunk.insert(chunk.end(), data.begin(), data.end());
    Put32Be(chunk, Crc32(chunk.data() + 4, chunk.size() - 4)); // over the type and the data
    return chunk;
}

inline const Bytes& PngSignature() {
    static const Bytes signature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return signature;
}

inline uint32_t Adler32(const Bytes& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

// A zlib stream holding data in stored blocks of at most 65,535 bytes.
inline Bytes ZlibStored(const Bytes& data) {
    Bytes z = {0x78, 0x01};
    size_t at = 0;
    do {
        size_t n = std::min<size_t>(65535, data.size() - at);
        z.push_back(at + n == data.size() ? 1 : 0);
        Put16(z, static_cast<uint32_t>(n));
        Put16(z, static_cast<uint32_t>(~n & 0xFFFF));
        z.insert(z.end(), data.begin() + static_cast<ptrdiff_t>(at),
                 data.begin() + static_cast<ptrdiff_t>(at + n));
        at += n;
    } while (at < data.size());
    Put32Be(z, Adler32(data));
    return z;
}

// Deflate bits, first bit lowest; Huffman codes go in most significant bit first.
struct BitWriter {
    Bytes bytes;
    uint32_t buffer = 0;
    int count = 0;
    void Bits(uint32_t value, int n) {
        for (int i = 0; i < n; ++i) {
            buffer |= ((value >> i) & 1u) << count;
            if (++count == 8) {
                bytes.push_back(static_cast<uint8_t>(buffer));
                buffer = 0;
                count = 0;
            }
        }
    }
    void Code(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i)
            Bits((code >> i) & 1u, 1);
    }
    Bytes Finish() {
        if (count) bytes.push_back(static_cast<uint8_t>(buffer));
        buffer = 0;
        count = 0;
        return bytes;
    }
};

// A zlib stream of one fixed-code block: the byte 'a', then repeats copies of 258 bytes at
// distance 1. It inflates to 1 + 258 * repeats bytes of 'a' from about 13 bits per repeat.
// startWithCopy puts a copy first, which reaches before the start of the output.
inline Bytes ZlibRepeats(uint32_t repeats, bool startWithCopy = false) {
    BitWriter w;
    w.Bits(1, 1); // last block
    w.Bits(1, 2); // fixed codes
    if (!startWithCopy) w.Code(0x30 + 'a', 8);
    for (uint32_t i = 0; i < repeats; ++i) {
        w.Code(0xC5, 8); // length symbol 285: 258 bytes
        w.Code(0, 5);    // distance symbol 0: distance 1
    }
    w.Code(0, 7); // end of block
    Bytes z = {0x78, 0x01};
    Bytes body = w.Finish();
    z.insert(z.end(), body.begin(), body.end());
    // Adler-32 of n bytes of value c, without making them: a = 1 + n c, b = n + c n (n + 1) / 2.
    uint64_t n = startWithCopy ? 258ull * repeats : 1 + 258ull * repeats, c = 'a';
    uint64_t a = (1 + (n % 65521) * c) % 65521;
    uint64_t b = (n + ((n * (n + 1) / 2) % 65521) * c) % 65521;
    Put32Be(z, static_cast<uint32_t>((b << 16) | a));
    return z;
}

// zTXt data: keyword, NUL, method 0, the stream.
inline Bytes ZtxtData(const std::string& keyword, const Bytes& stream) {
    Bytes d = Text(keyword);
    d.push_back(0);
    d.push_back(0);
    return Append(d, stream);
}

// iTXt data: keyword, NUL, compression flag, method 0, language, NUL, translated keyword, NUL,
// then the text (a zlib stream when compressed).
inline Bytes ItxtData(const std::string& keyword, bool compressed, const Bytes& text) {
    Bytes d = Text(keyword);
    d.insert(d.end(), {0, static_cast<uint8_t>(compressed ? 1 : 0), 0});
    d.insert(d.end(), {'e', 'n', 0, 0});
    return Append(d, text);
}

// A 24-bit RGB PNG of width x height with every chunk in extra between IHDR and IDAT; the
// image data is a stored zlib stream, so the decoder can read it without any compressor here.
inline Bytes RgbPng(uint32_t width, uint32_t height, const std::vector<Bytes>& extra = {}) {
    Bytes header;
    Put32Be(header, width);
    Put32Be(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    Bytes raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0); // filter: none
        for (uint32_t x = 0; x < width; ++x)
            raw.insert(raw.end(), {static_cast<uint8_t>(x * 40), static_cast<uint8_t>(y * 60), 0x80});
    }
    Bytes png = Append(PngSignature(), PngChunk("IHDR", header));
    for (const Bytes& chunk : extra)
        png.insert(png.end(), chunk.begin(), chunk.end());
    png = Append(png, PngChunk("IDAT", ZlibStored(raw)));
    return Append(png, PngChunk("IEND", {}));
}

// A PNG of any declared size: its header, an empty image data chunk and the end.
inline Bytes PngHeaderOnly(uint32_t width, uint32_t height, uint8_t bits, uint8_t colour,
                           uint8_t interlace = 0) {
    Bytes h;
    Put32Be(h, width);
    Put32Be(h, height);
    h.insert(h.end(), {bits, colour, 0, 0, interlace});
    return Append(Append(Append(PngSignature(), PngChunk("IHDR", h)), PngChunk("IDAT", {})),
                  PngChunk("IEND", {}));
}

// A BMP with an information header of headerSize bytes (12: the core layout), a zero palette of
// paletteEntries and the pixel bytes, which start at the pixel offset.
struct BmpSpec {
    int32_t width = 4, height = 2;
    uint16_t bits = 24;
    uint32_t compression = 0, headerSize = 40, paletteEntries = 0;
};
inline Bytes Bmp(const BmpSpec& s, const Bytes& pixels) {
    Bytes info;
    Put32(info, s.headerSize);
    bool core = s.headerSize == 12;
    for (uint32_t v : {static_cast<uint32_t>(s.width), static_cast<uint32_t>(s.height)})
        core ? Put16(info, v) : Put32(info, v);
    Put16(info, 1);
    Put16(info, s.bits);
    if (!core) Put32(info, s.compression);
    info.resize(std::max<size_t>(info.size(), s.headerSize), 0);
    uint32_t pixelsAt = 14 + static_cast<uint32_t>(info.size()) + 4 * s.paletteEntries;
    Bytes file = {'B', 'M'};
    for (uint32_t v : {pixelsAt + static_cast<uint32_t>(pixels.size()), 0u, pixelsAt})
        Put32(file, v);
    return Append(Append(Append(file, info), Bytes(4 * s.paletteEntries, 0)), pixels);
}

// A JPEG up to its scan, not decodable: start of image, a JFIF segment, a frame header (marker
// 0xC0 baseline, 0xC2 progressive...) with one component per sampling byte (high nibble
// horizontal), a scan header, two bytes and the end.
inline Bytes JpegHeader(uint8_t marker, uint16_t width, uint16_t height, const Bytes& sampling,
                        uint8_t precision = 8) {
    Bytes file = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    auto byte = [](uint32_t v) { return static_cast<uint8_t>(v); };
    uint32_t length = 8 + 3 * static_cast<uint32_t>(sampling.size());
    file.insert(file.end(), {0xFF, marker, byte(length >> 8), byte(length), precision, byte(height >> 8),
                             byte(height), byte(width >> 8), byte(width), byte(sampling.size())});
    for (size_t i = 0; i < sampling.size(); ++i)
        file.insert(file.end(), {byte(i + 1), sampling[i], 0});
    return Append(file, {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00, 0x12, 0x34, 0xFF, 0xD9});
}

// A GIF89a: the logical screen with a two-colour table, a comment, then one image descriptor of
// each size with a short LZW stream, not decodable.
inline Bytes GifBlocks(uint16_t screenWidth, uint16_t screenHeight,
                       const std::vector<std::pair<uint16_t, uint16_t>>& frames) {
    Bytes file = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(file, screenWidth);
    Put16(file, screenHeight);
    file.insert(file.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x21, 0xFE, 3, 'a', 'b', 'c', 0});
    for (auto [w, h] : frames) {
        file.insert(file.end(), {0x2C, 0, 0, 0, 0});
        Put16(file, w);
        Put16(file, h);
        file.insert(file.end(), {0, 2, 2, 0x4C, 0x01, 0});
    }
    file.push_back(0x3B);
    return file;
}

// An icon (type 1) or cursor (2) whose entries hold the given images, each with the directory's
// width and height (0 means 256) and bit count.
struct IconImage {
    uint8_t width, height;
    uint16_t bits;
    Bytes image;
};
inline Bytes IconFile(const std::vector<IconImage>& images, uint16_t type = 1) {
    Bytes file;
    for (uint32_t v : {0u, uint32_t{type}, static_cast<uint32_t>(images.size())})
        Put16(file, v);
    uint32_t at = 6 + 16 * static_cast<uint32_t>(images.size());
    for (const IconImage& i : images) {
        file.insert(file.end(), {i.width, i.height, 0, 0, 1, 0});
        Put16(file, i.bits);
        Put32(file, static_cast<uint32_t>(i.image.size()));
        Put32(file, at);
        at += static_cast<uint32_t>(i.image.size());
    }
    for (const IconImage& i : images)
        file = Append(file, i.image);
    return file;
}

// An icon's bitmap header alone: its stored height counts the mask too.
inline Bytes IconBitmapHeader(int32_t width, int32_t height, uint16_t bits) {
    Bytes b;
    for (uint32_t v : {40u, static_cast<uint32_t>(width), static_cast<uint32_t>(height * 2)})
        Put32(b, v);
    Put16(b, 1);
    Put16(b, bits);
    b.resize(40, 0);
    return b;
}

} // namespace image_builder
