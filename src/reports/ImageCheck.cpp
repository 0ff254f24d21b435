// Structure checks of PNG and TIFF bytes before image decoding, and a counting inflater that
// measures compressed PNG text without keeping it.
#include "reports/ImageCheck.h"

#include "core/ByteReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace scrutel {

namespace {

// ---- Counting inflater (deflate inside a zlib wrapper)

constexpr int MaxCodeBits = 15;

class BitInput {
  public:
    explicit BitInput(ByteReader bytes, size_t start) : bytes_(bytes), next_(start) {}

    // The next n bits (n <= 16), first bit lowest; nothing past the end.
    std::optional<uint32_t> bits(int n) {
        while (count_ < n) {
            std::optional<uint8_t> b = bytes_.u8(next_);
            if (!b) return std::nullopt;
            ++next_;
            buffer_ |= static_cast<uint32_t>(*b) << count_;
            count_ += 8;
        }
        uint32_t value = buffer_ & ((1u << n) - 1);
        buffer_ >>= n;
        count_ -= n;
        return value;
    }
    // Drops the bits left in the current byte (stored blocks start on a byte boundary).
    void alignToByte() {
        buffer_ = 0;
        count_ = 0;
    }
    size_t bytePosition() const { return next_; }
    bool skipBytes(size_t n) {
        if (!bytes_.has(next_, n)) return false;
        next_ += n;
        return true;
    }
    const ByteReader& bytes() const { return bytes_; }

  private:
    ByteReader bytes_;
    size_t next_;
    uint32_t buffer_ = 0;
    int count_ = 0;
};

// A canonical Huffman code: how many codes of each length, and the symbols in code order.
struct Huffman {
    std::array<uint16_t, MaxCodeBits + 1> count{};
    std::array<uint16_t, 288> symbol{};
};

// Builds a code from code lengths. Returns 0 for a complete code, a positive number for an
// incomplete one and a negative number for an over-subscribed one.
int BuildHuffman(Huffman& h, const uint8_t* lengths, int n) {
    h.count.fill(0);
    for (int s = 0; s < n; ++s)
        ++h.count[lengths[s]];
    if (h.count[0] == n) return 0; // no codes: complete, though nothing can be decoded
    int left = 1;
    for (int len = 1; len <= MaxCodeBits; ++len) {
        left <<= 1;
        left -= h.count[len];
        if (left < 0) return left;
    }
    std::array<uint16_t, MaxCodeBits + 1> offsets{};
    for (int len = 1; len < MaxCodeBits; ++len)
        offsets[len + 1] = static_cast<uint16_t>(offsets[len] + h.count[len]);
    for (int s = 0; s < n; ++s)
        if (lengths[s] != 0) h.symbol[offsets[lengths[s]]++] = static_cast<uint16_t>(s);
    return left;
}

// Decodes one symbol bit by bit; nothing at the end of the input or for an unused code.
std::optional<int> Decode(BitInput& in, const Huffman& h) {
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= MaxCodeBits; ++len) {
        std::optional<uint32_t> bit = in.bits(1);
        if (!bit) return std::nullopt;
        code |= static_cast<int>(*bit);
        int count = h.count[len];
        if (code - count < first) return h.symbol[index + (code - first)];
        index += count;
        first += count;
        first <<= 1;
        code <<= 1;
    }
    return std::nullopt;
}

constexpr uint16_t LengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                     31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t DistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                       33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                       1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t DistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                       6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

enum class Step { Done, OverLimit, Bad };

// Counts the output of one Huffman-coded block into produced.
Step CountCodes(BitInput& in, const Huffman& lengths, const Huffman& distances, uint64_t& produced,
                uint64_t limit) {
    for (;;) {
        std::optional<int> symbol = Decode(in, lengths);
        if (!symbol) return Step::Bad;
        if (*symbol < 256) {
            ++produced;
        } else if (*symbol == 256) {
            return Step::Done;
        } else {
            int index = *symbol - 257;
            if (index >= 29) return Step::Bad;
            std::optional<uint32_t> extra = in.bits(LengthExtra[index]);
            if (!extra) return Step::Bad;
            uint32_t length = LengthBase[index] + *extra;
            std::optional<int> d = Decode(in, distances);
            if (!d || *d >= 30) return Step::Bad;
            std::optional<uint32_t> dextra = in.bits(DistanceExtra[*d]);
            if (!dextra) return Step::Bad;
            // A copy from before the start of the output is an error for any inflater.
            if (DistanceBase[*d] + *dextra > produced) return Step::Bad;
            produced += length;
        }
        if (produced > limit) return Step::OverLimit;
    }
}

Step CountFixed(BitInput& in, uint64_t& produced, uint64_t limit) {
    // Built per block (a few hundred entries) so that nothing is shared between threads.
    Huffman literals, distances;
    uint8_t lengths[288];
    std::fill(lengths, lengths + 144, uint8_t{8});
    std::fill(lengths + 144, lengths + 256, uint8_t{9});
    std::fill(lengths + 256, lengths + 280, uint8_t{7});
    std::fill(lengths + 280, lengths + 288, uint8_t{8});
    BuildHuffman(literals, lengths, 288);
    std::fill(lengths, lengths + 30, uint8_t{5});
    BuildHuffman(distances, lengths, 30);
    return CountCodes(in, literals, distances, produced, limit);
}

Step CountDynamic(BitInput& in, uint64_t& produced, uint64_t limit) {
    static constexpr uint8_t Order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    std::optional<uint32_t> hlit = in.bits(5), hdist = in.bits(5), hclen = in.bits(4);
    if (!hlit || !hdist || !hclen) return Step::Bad;
    int nlen = static_cast<int>(*hlit) + 257, ndist = static_cast<int>(*hdist) + 1;
    int ncode = static_cast<int>(*hclen) + 4;
    if (nlen > 286 || ndist > 30) return Step::Bad;
    uint8_t lengths[320] = {};
    for (int i = 0; i < ncode; ++i) {
        std::optional<uint32_t> v = in.bits(3);
        if (!v) return Step::Bad;
        lengths[Order[i]] = static_cast<uint8_t>(*v);
    }
    Huffman codeLengths;
    if (BuildHuffman(codeLengths, lengths, 19) != 0) return Step::Bad;
    std::fill(std::begin(lengths), std::end(lengths), uint8_t{0});
    for (int i = 0; i < nlen + ndist;) {
        std::optional<int> symbol = Decode(in, codeLengths);
        if (!symbol) return Step::Bad;
        if (*symbol < 16) {
            lengths[i++] = static_cast<uint8_t>(*symbol);
            continue;
        }
        uint8_t value = 0;
        std::optional<uint32_t> repeat;
        if (*symbol == 16) {
            if (i == 0) return Step::Bad;
            value = lengths[i - 1];
            repeat = in.bits(2);
            if (repeat) *repeat += 3;
        } else if (*symbol == 17) {
            repeat = in.bits(3);
            if (repeat) *repeat += 3;
        } else {
            repeat = in.bits(7);
            if (repeat) *repeat += 11;
        }
        if (!repeat || i + static_cast<int>(*repeat) > nlen + ndist) return Step::Bad;
        for (uint32_t k = 0; k < *repeat; ++k)
            lengths[i++] = value;
    }
    if (lengths[256] == 0) return Step::Bad; // no end-of-block code
    Huffman literals, distances;
    // An incomplete code is allowed only when its codes are all one bit long (a single code).
    int err = BuildHuffman(literals, lengths, nlen);
    if (err < 0 || (err > 0 && nlen != literals.count[0] + literals.count[1])) return Step::Bad;
    err = BuildHuffman(distances, lengths + nlen, ndist);
    if (err < 0 || (err > 0 && ndist != distances.count[0] + distances.count[1])) return Step::Bad;
    return CountCodes(in, literals, distances, produced, limit);
}

// ---- PNG

constexpr uint8_t PngSignatureBytes[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool TypeIs(const ByteReader& r, size_t at, const char (&type)[5]) {
    std::optional<std::span<const std::byte>> bytes = r.bytes(at, 4);
    return bytes && std::memcmp(bytes->data(), type, 4) == 0;
}

// Offset of the first NUL in data at or after from, within at most limit bytes.
std::optional<size_t> FindNul(const ByteReader& data, size_t from, size_t limit) {
    for (size_t i = from; i < data.size() && i - from < limit; ++i)
        if (data.u8(i) == uint8_t{0}) return i;
    return std::nullopt;
}

// Text bytes of one text chunk (data is the chunk's data), compressed text counted inflated;
// nothing for compressed text that cannot be read. Counting stops past budget.
std::optional<uint64_t> TextChunkBytes(const ByteReader& data, bool zTxt, uint64_t budget) {
    // Keywords are 1 to 79 bytes; a longer run without NUL is not a keyword.
    std::optional<size_t> keywordEnd = FindNul(data, 0, 80);
    if (!keywordEnd) return std::nullopt;
    size_t streamAt = 0;
    if (zTxt) {
        // keyword, NUL, compression method 0, zlib stream
        if (data.u8(*keywordEnd + 1) != uint8_t{0}) return std::nullopt;
        streamAt = *keywordEnd + 2;
    } else {
        // keyword, NUL, compression flag, method, language tag, NUL, translated keyword, NUL, text
        std::optional<uint8_t> flag = data.u8(*keywordEnd + 1), method = data.u8(*keywordEnd + 2);
        if (!flag || !method) return std::nullopt;
        if (*flag == 0) return data.size();
        if (*flag != 1 || *method != 0) return std::nullopt;
        std::optional<size_t> languageEnd = FindNul(data, *keywordEnd + 3, data.size());
        if (!languageEnd) return std::nullopt;
        std::optional<size_t> translatedEnd = FindNul(data, *languageEnd + 1, data.size());
        if (!translatedEnd) return std::nullopt;
        streamAt = *translatedEnd + 1;
    }
    if (streamAt > data.size()) return std::nullopt;
    uint64_t header = streamAt;
    if (header > budget) return header;
    std::optional<uint64_t> inflated = InflatedSize(data.from(streamAt).span(), budget - header);
    if (!inflated) return std::nullopt;
    return header + *inflated;
}

// ---- TIFF

// Bytes per value of each TIFF field type (1 to 13); 0 for an unknown type.
uint32_t TiffTypeSize(uint16_t type) {
    static constexpr uint8_t Sizes[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < std::size(Sizes) ? Sizes[type] : 0;
}

constexpr uint16_t TagExifIfd = 0x8769;
constexpr uint16_t TagGpsIfd = 0x8825;
constexpr uint16_t TagInteropIfd = 0xA005;

class TiffWalker {
  public:
    TiffWalker(ByteReader file, bool bigEndian, const ImageLimits& limits)
        : file_(file), bigEndian_(bigEndian), limits_(limits) {}

    // Walks the chain of directories that starts at offset, and every sub-directory they name.
    // depth counts the sub-directory pointers followed to get here.
    ImageFault WalkChain(uint32_t offset, int depth) {
        // IFD0 -> EXIF -> interoperability is the deepest nesting the decoder reads; a deeper
        // one is no real file, and refusing it keeps the recursion short.
        if (depth > MaxIfdDepth) return ImageFault::TiffTooManyIfds;
        while (offset != 0) {
            if (std::find(visited_.begin(), visited_.end(), offset) != visited_.end())
                return ImageFault::TiffIfdLoop;
            if (visited_.size() >= limits_.tiffIfds) return ImageFault::TiffTooManyIfds;
            visited_.push_back(offset);
            std::optional<uint32_t> next;
            ImageFault fault = WalkIfd(offset, depth, next);
            if (fault != ImageFault::None) return fault;
            offset = *next;
        }
        return ImageFault::None;
    }

  private:
    std::optional<uint16_t> U16(size_t at) const { return bigEndian_ ? file_.u16be(at) : file_.u16le(at); }
    std::optional<uint32_t> U32(size_t at) const { return bigEndian_ ? file_.u32be(at) : file_.u32le(at); }

    static constexpr int MaxIfdDepth = 4;

    ImageFault WalkIfd(uint32_t offset, int depth, std::optional<uint32_t>& next) {
        std::optional<uint16_t> count = U16(offset);
        if (!count) return ImageFault::TiffIfdOutsideFile;
        // Entries and the next-directory offset must lie in the file: this bounds the count
        // by the bytes available.
        std::optional<size_t> entriesSize = CheckedMul(*count, 12);
        std::optional<size_t> end =
            entriesSize ? CheckedAdd(size_t{offset} + 2, *entriesSize + 4) : std::nullopt;
        if (!end || *end > file_.size()) return ImageFault::TiffIfdOutsideFile;
        for (uint32_t i = 0; i < *count; ++i) {
            size_t at = size_t{offset} + 2 + size_t{i} * 12;
            uint16_t tag = *U16(at), type = *U16(at + 2);
            uint32_t valueCount = *U32(at + 4);
            uint32_t typeSize = TiffTypeSize(type);
            if (typeSize == 0) return ImageFault::TiffEntryType;
            std::optional<size_t> valueSize = CheckedMul(valueCount, typeSize);
            if (!valueSize) return ImageFault::TiffValueOutsideFile;
            if (*valueSize > 4) {
                uint32_t valueAt = *U32(at + 8);
                if (!file_.has(valueAt, *valueSize)) return ImageFault::TiffValueOutsideFile;
            }
            if (tag == TagExifIfd || tag == TagGpsIfd || tag == TagInteropIfd) {
                // A directory pointer is one LONG (or IFD) held in the entry itself.
                if (valueCount != 1 || (type != 4 && type != 13)) continue;
                uint32_t sub = *U32(at + 8);
                ImageFault fault = WalkChain(sub, depth + 1);
                if (fault != ImageFault::None) return fault;
            }
        }
        next = U32(size_t{offset} + 2 + *entriesSize);
        return ImageFault::None;
    }

    ByteReader file_;
    bool bigEndian_;
    const ImageLimits& limits_;
    std::vector<uint32_t> visited_;
};

} // namespace

std::optional<uint64_t> InflatedSize(std::span<const std::byte> stream, uint64_t limit) {
    ByteReader r(stream);
    std::optional<uint8_t> cmf = r.u8(0), flg = r.u8(1);
    if (!cmf || !flg) return std::nullopt;
    // Method 8 (deflate), window at most 32 KiB, header check, no preset dictionary.
    if ((*cmf & 0x0F) != 8 || (*cmf >> 4) > 7 || ((*cmf << 8) | *flg) % 31 != 0 || (*flg & 0x20))
        return std::nullopt;
    BitInput in(r, 2);
    uint64_t produced = 0;
    for (;;) {
        std::optional<uint32_t> last = in.bits(1), kind = in.bits(2);
        if (!last || !kind) return std::nullopt;
        Step step = Step::Bad;
        if (*kind == 0) {
            in.alignToByte();
            size_t at = in.bytePosition();
            std::optional<uint16_t> length = r.u16le(at), complement = r.u16le(at + 2);
            if (!length || !complement || *length != static_cast<uint16_t>(~*complement)) return std::nullopt;
            if (!in.skipBytes(4) || !in.skipBytes(*length)) return std::nullopt;
            produced += *length;
            step = produced > limit ? Step::OverLimit : Step::Done;
        } else if (*kind == 1) {
            step = CountFixed(in, produced, limit);
        } else if (*kind == 2) {
            step = CountDynamic(in, produced, limit);
        }
        if (step == Step::Bad) return std::nullopt;
        if (step == Step::OverLimit) return limit + 1;
        if (*last) return produced;
    }
}

ImageFault CheckPng(std::span<const std::byte> file, const ImageLimits& limits) {
    ByteReader r(file);
    std::optional<std::span<const std::byte>> signature = r.bytes(0, 8);
    if (!signature || std::memcmp(signature->data(), PngSignatureBytes, 8) != 0)
        return ImageFault::PngSignature;
    size_t at = 8;
    uint32_t chunks = 0, texts = 0;
    uint64_t textBytes = 0;
    bool first = true;
    // Ending exactly at the end of the file without IEND leaves the decision to the decoder:
    // every chunk has been checked.
    while (at < r.size()) {
        std::optional<uint32_t> length = r.u32be(at);
        if (!length || !r.has(at + 4, 4)) return ImageFault::PngChunkOutsideFile;
        if (*length > 0x7FFFFFFFu) return ImageFault::PngChunkLength;
        if (!r.has(at, size_t{*length} + 12)) return ImageFault::PngChunkOutsideFile;
        size_t type = at + 4;
        ByteReader data = r.sub(at + 8, *length);
        if (first && (!TypeIs(r, type, "IHDR") || *length != 13)) return ImageFault::PngHeader;
        first = false;
        if (TypeIs(r, type, "IEND")) return ImageFault::None;
        if (!TypeIs(r, type, "IDAT") && ++chunks > limits.pngChunks) return ImageFault::PngTooManyChunks;
        bool zTxt = TypeIs(r, type, "zTXt"), iTxt = TypeIs(r, type, "iTXt");
        if (zTxt || iTxt || TypeIs(r, type, "tEXt")) {
            if (++texts > limits.pngTexts) return ImageFault::PngTooManyTexts;
            uint64_t budget = limits.pngTextBytes - textBytes;
            uint64_t bytes = data.size();
            if (zTxt || iTxt) {
                std::optional<uint64_t> counted = TextChunkBytes(data, zTxt, budget);
                if (!counted) return ImageFault::PngBadText;
                bytes = *counted;
            }
            if (bytes > budget) return ImageFault::PngTextTooLarge;
            textBytes += bytes;
        }
        at += size_t{*length} + 12;
    }
    return first ? ImageFault::PngHeader : ImageFault::None;
}

ImageFault CheckTiff(std::span<const std::byte> file, const ImageLimits& limits) {
    ByteReader r(file);
    std::optional<uint16_t> order = r.u16le(0);
    if (!order || (*order != 0x4949 && *order != 0x4D4D)) return ImageFault::TiffHeader;
    bool bigEndian = *order == 0x4D4D;
    std::optional<uint16_t> magic = bigEndian ? r.u16be(2) : r.u16le(2);
    std::optional<uint32_t> first = bigEndian ? r.u32be(4) : r.u32le(4);
    if (magic != uint16_t{42} || !first || *first < 8 || *first >= r.size()) return ImageFault::TiffHeader;
    TiffWalker walker(r, bigEndian, limits);
    return walker.WalkChain(*first, 0);
}

ImageFault CheckImage(std::span<const std::byte> file, const ImageLimits& limits) {
    ByteReader r(file);
    std::optional<uint32_t> head = r.u32be(0);
    if (!head) return ImageFault::None;
    if (*head == 0x89504E47u) return CheckPng(file, limits);
    if (*head == 0x49492A00u || *head == 0x4D4D002Au) return CheckTiff(file, limits);
    return ImageFault::None;
}

} // namespace scrutel
