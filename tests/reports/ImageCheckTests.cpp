// The structure checks of PNG and TIFF bytes and the counting inflater: each limit on both sides,
// each way a chunk, directory or entry can leave the file, and the reproducers' byte patterns.
#include "reports/ImageCheck.h"

#include "ImageBuilder.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

using namespace scrutel;
using namespace image_builder;

namespace {

std::span<const std::byte> Span(const Bytes& b) {
    return std::as_bytes(std::span<const uint8_t>(b));
}

// ---- The counting inflater

// 600 bytes of skewed random letters compressed at level 9: one dynamic-code block.
const Bytes DynamicStream = {
    0x78, 0xDA, 0x25, 0x91, 0x51, 0x0A, 0x04, 0x31, 0x08, 0x43, 0xAF, 0xE2, 0xD5, 0x04, 0x03, 0x15, 0x4A,
    0x0B, 0x9A, 0xDE, 0x7F, 0xE3, 0xEC, 0x7E, 0xCC, 0xDA, 0x6A, 0xCD, 0x33, 0x3A, 0xD2, 0x80, 0xC0, 0xDD,
    0x28, 0x02, 0xE7, 0x80, 0x88, 0x83, 0x0D, 0x9A, 0x6D, 0xEC, 0x9D, 0x73, 0x86, 0x1F, 0x7D, 0xB6, 0x87,
    0x51, 0x57, 0xC6, 0x3B, 0x27, 0x3C, 0x2E, 0x8B, 0xE3, 0xBD, 0xFB, 0x3A, 0xA9, 0x8C, 0xD7, 0xF2, 0xF6,
    0x07, 0xD4, 0xA1, 0x63, 0x1D, 0x18, 0x62, 0xBB, 0xDF, 0xB7, 0x76, 0x03, 0xAA, 0x06, 0xDC, 0xB6, 0xB5,
    0xA7, 0x5D, 0xF4, 0xE5, 0xC3, 0x82, 0x0A, 0x99, 0xA9, 0xFF, 0xCE, 0x20, 0x4E, 0xF0, 0x5C, 0x4B, 0x81,
    0x50, 0x00, 0xC4, 0xDA, 0x54, 0x81, 0xAE, 0xEF, 0xDB, 0x8E, 0x7A, 0x66, 0x68, 0x8B, 0xD4, 0x0F, 0xCB,
    0x06, 0x8D, 0x4D, 0x8C, 0xA2, 0x70, 0x34, 0x83, 0x02, 0xBE, 0x84, 0x00, 0xDF, 0x5D, 0xC0, 0xEA, 0xB5,
    0xF4, 0x1A, 0xCE, 0xC5, 0x02, 0x6B, 0xB0, 0xCB, 0x6D, 0x22, 0x5E, 0x46, 0x28, 0xE6, 0x23, 0x93, 0xAC,
    0x75, 0x07, 0x90, 0x7C, 0xB7, 0xEF, 0x9D, 0xBE, 0x8B, 0x7A, 0xF5, 0x44, 0x68, 0xD7, 0x34, 0x47, 0xEA,
    0xE2, 0x98, 0x23, 0x5B, 0xAA, 0x1C, 0xBD, 0x36, 0xBC, 0xA7, 0x2C, 0x22, 0x74, 0x34, 0x14, 0x8E, 0x12,
    0xC2, 0x2D, 0x6E, 0xA7, 0x2C, 0xC4, 0x6D, 0xDB, 0x75, 0x6A, 0x44, 0x0B, 0xCD, 0x81, 0xC3, 0x7A, 0xE3,
    0xA6, 0x55, 0xC5, 0x52, 0x30, 0xAE, 0xA1, 0x5A, 0x0D, 0x64, 0x5B, 0xBD, 0x22, 0x5B, 0x89, 0x62, 0x31,
    0xD8, 0x38, 0x52, 0x73, 0x0D, 0xA3, 0x95, 0x48, 0x19, 0x66, 0x03, 0xA6, 0x79, 0x73, 0xC9, 0x1A, 0x9E,
    0x4A, 0x3F, 0xBC, 0x8E, 0x0B, 0x8F, 0x6E, 0xA4, 0xD7, 0xF3, 0x1A, 0x0D, 0x7C, 0x1C, 0x38, 0xC6, 0x44,
    0xD4, 0x96, 0x05, 0x3A, 0xCF, 0x5E, 0x35, 0xB9, 0x96, 0x36, 0x4D, 0xF4, 0xE4, 0x0C, 0x50, 0xF1, 0x5F,
    0xEC, 0x26, 0x6C, 0xEF, 0x52, 0xDF, 0x11, 0x51, 0x22, 0xE4, 0x89, 0x18, 0xCC, 0x8E, 0xAD, 0xC8, 0xD2,
    0x82, 0x9D, 0xB2, 0x41, 0x36, 0x61, 0x90, 0x54, 0x63, 0x59, 0xE6, 0x4F, 0xEB, 0x69, 0x8D, 0xD1, 0x10,
    0x4A, 0xB8, 0x96, 0x21, 0x67, 0xE1, 0x89, 0x1F, 0xD6, 0x69, 0xEE, 0x51};

Bytes Cut(Bytes b, size_t drop) {
    b.resize(b.size() - drop);
    return b;
}

Bytes WithByte(Bytes b, size_t at, uint8_t value) {
    b.at(at) = value;
    return b;
}

TEST(InflatedSize, CountsEveryBlockKindAndRejectsMalformedStreams) {
    const uint64_t big = uint64_t{1} << 40;
    Bytes stored70000 = ZlibStored(Bytes(70000, 'x')); // two stored blocks
    struct Case {
        const char* label;
        Bytes stream;
        uint64_t limit;
        std::optional<uint64_t> size;
    } cases[] = {
        {"stored block", ZlibStored(Text("hello")), big, 5},
        {"empty stored block", ZlibStored({}), big, 0},
        {"two stored blocks", stored70000, big, 70000},
        {"fixed codes, one literal", ZlibRepeats(0), big, 1},
        {"fixed codes, repeats", ZlibRepeats(1000), big, 1 + 258 * 1000},
        {"dynamic codes", DynamicStream, big, 600},
        {"limit reached exactly", ZlibRepeats(10), 1 + 2580, 1 + 2580},
        {"one byte over the limit", ZlibRepeats(10), 2580, 2581},
        {"counting stops past the limit", ZlibRepeats(100000), 1000, 1001},
        {"stored block over the limit", ZlibStored(Text("hello")), 4, 5},
        {"no trailer needed", Cut(ZlibStored(Text("hello")), 4), big, 5},
        {"empty", {}, big, std::nullopt},
        {"header only", {0x78, 0x01}, big, std::nullopt},
        {"method 7", WithByte(ZlibStored(Text("a")), 0, 0x77), big, std::nullopt},
        {"window above 32 KiB", {0x88, 0x1C, 0x01, 0x01, 0x00, 0xFE, 0xFF, 'a'}, big, std::nullopt},
        {"header check fails", WithByte(ZlibStored(Text("a")), 1, 0x02), big, std::nullopt},
        {"preset dictionary", {0x78, 0x20, 0x01, 0x01, 0x00, 0xFE, 0xFF, 'a'}, big, std::nullopt},
        {"stored length and complement differ", WithByte(ZlibStored(Text("abc")), 5, 0x00), big,
         std::nullopt},
        {"stored block cut short", Cut(ZlibStored(Text("hello")), 6), big, std::nullopt},
        {"block type 3", {0x78, 0x01, 0x07, 0x00}, big, std::nullopt},
        {"copy before the start of the output", ZlibRepeats(1, true), big, std::nullopt},
        {"fixed block cut short", Cut(ZlibRepeats(1000), 100), big, std::nullopt},
        {"dynamic block cut short", Cut(DynamicStream, 200), big, std::nullopt},
        {"dynamic block with a damaged code table", WithByte(DynamicStream, 4, 0xFF), big, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InflatedSize(Span(c.stream), c.limit), c.size) << c.label;
}

// ---- PNG

Bytes Repeat(const Bytes& chunk, size_t n) {
    Bytes out;
    out.reserve(chunk.size() * n);
    for (size_t i = 0; i < n; ++i)
        out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

// A valid PNG with blob (whole chunks) inserted after IHDR.
Bytes PngWith(const Bytes& blob) {
    Bytes png = RgbPng(2, 2);
    png.insert(png.begin() + 33, blob.begin(), blob.end()); // 8 signature + 25 IHDR
    return png;
}

Bytes TextChunk(size_t textBytes) {
    Bytes data = Text("Comment");
    data.push_back(0);
    data.resize(textBytes, 'c');
    return PngChunk("tEXt", data);
}

TEST(CheckPng, ChunkWalk) {
    Bytes valid = RgbPng(2, 2);
    Bytes header = Append(PngSignature(), PngChunk("IHDR", Bytes(13, 1)));
    struct Case {
        const char* label;
        Bytes png;
        ImageFault fault;
    } cases[] = {
        {"valid", valid, ImageFault::None},
        {"bytes after IEND are not read", Append(valid, Bytes(7, 0xEE)), ImageFault::None},
        {"ends at the end of the file without IEND", Append(header, PngChunk("IDAT", Bytes(5, 0))),
         ImageFault::None},
        {"not a PNG", Text("GIF89a and more bytes"), ImageFault::PngSignature},
        {"signature only", PngSignature(), ImageFault::PngHeader},
        {"cut signature", Cut(PngSignature(), 1), ImageFault::PngSignature},
        {"first chunk not IHDR", Append(PngSignature(), PngChunk("IDAT", Bytes(13, 1))),
         ImageFault::PngHeader},
        {"IHDR of 12 bytes", Append(PngSignature(), PngChunk("IHDR", Bytes(12, 1))), ImageFault::PngHeader},
        {"IHDR of 14 bytes", Append(PngSignature(), PngChunk("IHDR", Bytes(14, 1))), ImageFault::PngHeader},
        {"length 0x7FFFFFFF (the 2 GB reproducer)",
         Append(header, PngChunk("tEXt", Text("Author\0x"), 0x7FFFFFFF)), ImageFault::PngChunkOutsideFile},
        {"length 0x80000000", Append(header, PngChunk("tEXt", Bytes(8, 'a'), 0x80000000)),
         ImageFault::PngChunkLength},
        {"length 0xFFFFFFFF", Append(header, PngChunk("IDAT", Bytes(8, 'a'), 0xFFFFFFFF)),
         ImageFault::PngChunkLength},
        {"chunk one byte longer than the file", Append(header, PngChunk("IDAT", Bytes(8, 'a'), 9)),
         ImageFault::PngChunkOutsideFile},
        {"cut inside the CRC", Cut(Append(header, PngChunk("IDAT", Bytes(8, 'a'))), 1),
         ImageFault::PngChunkOutsideFile},
        {"a few bytes after the last chunk", Append(header, Bytes(5, 0)), ImageFault::PngChunkOutsideFile},
        {"IHDR cut", Cut(header, 3), ImageFault::PngChunkOutsideFile},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckPng(Span(c.png)), c.fault) << c.label;
}

TEST(CheckPng, ChunkAndTextLimitsOnBothSides) {
    const Bytes empty = PngChunk("zzZz", {});
    const Bytes author = PngChunk("tEXt", Text(std::string("Author\0x", 8)));
    // 2 chunks of the valid image besides IDAT: IHDR and the chunks added (IEND ends the walk).
    struct Case {
        const char* label;
        Bytes png;
        ImageFault fault;
    } cases[] = {
        {"2,047 other chunks (2,048 with IHDR)", PngWith(Repeat(empty, 2047)), ImageFault::None},
        {"2,048 other chunks (2,049 with IHDR)", PngWith(Repeat(empty, 2048)), ImageFault::PngTooManyChunks},
        {"20,000 IDAT chunks are not limited", PngWith(Repeat(PngChunk("IDAT", {}), 20000)),
         ImageFault::None},
        {"512 text chunks", PngWith(Repeat(author, 512)), ImageFault::None},
        {"513 text chunks", PngWith(Repeat(author, 513)), ImageFault::PngTooManyTexts},
        {"1 MiB of text in one chunk", PngWith(TextChunk(1 << 20)), ImageFault::None},
        {"1 MiB and a byte in one chunk", PngWith(TextChunk((1 << 20) + 1)), ImageFault::PngTextTooLarge},
        {"1 MiB and a byte over two chunks", PngWith(Append(TextChunk(1 << 19), TextChunk((1 << 19) + 1))),
         ImageFault::PngTextTooLarge},
        {"uncompressed iTXt counts its size",
         PngWith(Append(TextChunk(1 << 19), PngChunk("iTXt", ItxtData("XML", false, Bytes(1 << 19, 'x'))))),
         ImageFault::PngTextTooLarge},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckPng(Span(c.png)), c.fault) << c.label;
}

TEST(CheckPng, CompressedTextCountsItsInflatedSize) {
    // 4,064 repeats inflate to 1,048,513 bytes; with the keyword, NUL and method byte the
    // chunk's text is 1,048,522 bytes (1 MiB is 1,048,576). 4,065 repeats pass 1 MiB.
    const uint32_t under = 4064, over = 4065;
    struct Case {
        const char* label;
        Bytes chunk;
        ImageFault fault;
    } cases[] = {
        {"small zTXt", PngChunk("zTXt", ZtxtData("Comment", ZlibStored(Text("hello")))), ImageFault::None},
        {"dynamic-code zTXt", PngChunk("zTXt", ZtxtData("Comment", DynamicStream)), ImageFault::None},
        {"zTXt just under 1 MiB inflated", PngChunk("zTXt", ZtxtData("Comment", ZlibRepeats(under))),
         ImageFault::None},
        {"zTXt over 1 MiB inflated from 6 KiB", PngChunk("zTXt", ZtxtData("Comment", ZlibRepeats(over))),
         ImageFault::PngTextTooLarge},
        {"zTXt bomb of 600 MB", PngChunk("zTXt", ZtxtData("Comment", ZlibRepeats(2400000))),
         ImageFault::PngTextTooLarge},
        {"compressed iTXt under 1 MiB", PngChunk("iTXt", ItxtData("XML", true, ZlibRepeats(under))),
         ImageFault::None},
        {"compressed iTXt over 1 MiB", PngChunk("iTXt", ItxtData("XML", true, ZlibRepeats(over))),
         ImageFault::PngTextTooLarge},
        {"uncompressed iTXt holding a stream is not inflated",
         PngChunk("iTXt", ItxtData("XML", false, ZlibRepeats(over))), ImageFault::None},
        {"zTXt without a keyword end", PngChunk("zTXt", Bytes(100, 'k')), ImageFault::PngBadText},
        {"zTXt with method 1", PngChunk("zTXt", WithByte(ZtxtData("C", ZlibStored(Text("x"))), 2, 1)),
         ImageFault::PngBadText},
        {"zTXt with a damaged stream", PngChunk("zTXt", ZtxtData("Comment", ZlibRepeats(1, true))),
         ImageFault::PngBadText},
        {"zTXt with the stream cut", PngChunk("zTXt", ZtxtData("Comment", Cut(DynamicStream, 100))),
         ImageFault::PngBadText},
        {"compressed iTXt without the translated keyword's end",
         PngChunk("iTXt", Text(std::string("XML\0\x01\0en\0", 9))), ImageFault::PngBadText},
        {"iTXt with compression flag 2",
         PngChunk("iTXt", WithByte(ItxtData("XML", true, DynamicStream), 4, 2)), ImageFault::PngBadText},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckPng(Span(PngWith(c.chunk))), c.fault) << c.label;
    // Two compressed chunks share the budget.
    Bytes two = PngWith(Append(PngChunk("zTXt", ZtxtData("A", ZlibRepeats(2100))),
                               PngChunk("zTXt", ZtxtData("B", ZlibRepeats(2100)))));
    EXPECT_EQ(CheckPng(Span(two)), ImageFault::PngTextTooLarge);
}

TEST(CheckPng, LimitsComeFromTheRecord) {
    ImageLimits tight;
    tight.pngChunks = 3;
    tight.pngTexts = 1;
    tight.pngTextBytes = 10;
    const Bytes author = PngChunk("tEXt", Text(std::string("Author\0x", 8)));
    EXPECT_EQ(CheckPng(Span(PngWith(author)), tight), ImageFault::None);
    EXPECT_EQ(CheckPng(Span(PngWith(Repeat(author, 2))), tight), ImageFault::PngTooManyTexts);
    EXPECT_EQ(CheckPng(Span(PngWith(Repeat(PngChunk("zzZz", {}), 3))), tight), ImageFault::PngTooManyChunks);
    EXPECT_EQ(CheckPng(Span(PngWith(TextChunk(11))), tight), ImageFault::PngTextTooLarge);
}

// ---- TIFF

// Entries of a 2 x 2 grey image whose 4 pixels sit inside the strip-offset entry's own field.
std::vector<TiffEntry> GreyEntries() {
    return {{0x100, 3, 1, 2}, {0x101, 3, 1, 2},   {0x102, 3, 1, 8}, {0x103, 3, 1, 1},
            {0x106, 3, 1, 1}, {0x111, 4, 1, 200}, {0x116, 3, 1, 2}, {0x117, 4, 1, 4}};
}

TEST(CheckTiff, HeaderAndDirectories) {
    struct Case {
        std::string label;
        Bytes tiff;
        ImageFault fault;
    };
    std::vector<Case> cases;
    cases.push_back({"built grey TIFF with text tags",
                     GreyTiff(4, 3, {{0x013B, "Jane Doe"}, {0x9003, "2000:01:01 12:34:56"}}),
                     ImageFault::None});
    for (bool bigEndian : {false, true}) {
        std::string order = bigEndian ? " (MM)" : " (II)";
        TiffCanvas plain(300, bigEndian, 8);
        plain.Ifd(8, GreyEntries());
        cases.push_back({"one directory" + order, plain.file, ImageFault::None});

        TiffCanvas magic(300, bigEndian, 8, 43);
        magic.Ifd(8, GreyEntries());
        cases.push_back({"magic 43" + order, magic.file, ImageFault::TiffHeader});

        TiffCanvas outside(300, bigEndian, 300);
        cases.push_back(
            {"first directory at the end of the file" + order, outside.file, ImageFault::TiffHeader});

        TiffCanvas zero(300, bigEndian, 0);
        cases.push_back({"first directory offset 0" + order, zero.file, ImageFault::TiffHeader});

        TiffCanvas two(300, bigEndian, 8);
        two.Ifd(8, GreyEntries(), 120);
        two.Ifd(120, GreyEntries());
        cases.push_back({"two pages" + order, two.file, ImageFault::None});

        TiffCanvas self(300, bigEndian, 8);
        self.Ifd(8, GreyEntries(), 8);
        cases.push_back({"directory that names itself next" + order, self.file, ImageFault::TiffIfdLoop});

        TiffCanvas cycle(300, bigEndian, 8);
        cycle.Ifd(8, GreyEntries(), 120);
        cycle.Ifd(120, GreyEntries(), 8);
        cases.push_back({"two directories naming each other" + order, cycle.file, ImageFault::TiffIfdLoop});

        TiffCanvas nextOutside(300, bigEndian, 8);
        nextOutside.Ifd(8, GreyEntries(), 299);
        cases.push_back({"next directory cut by the end of the file" + order, nextOutside.file,
                         ImageFault::TiffIfdOutsideFile});

        // 8 entries need 2 + 96 + 4 bytes from offset 8: a file of 110 bytes holds them exactly.
        TiffCanvas exact(110, bigEndian, 8);
        exact.Ifd(8, GreyEntries());
        cases.push_back({"directory ends at the end of the file" + order, exact.file, ImageFault::None});
        cases.push_back(
            {"directory one byte past the end" + order, Cut(exact.file, 1), ImageFault::TiffIfdOutsideFile});

        TiffCanvas manyEntries(300, bigEndian, 8);
        manyEntries.At16(8, 0xFFFF);
        cases.push_back(
            {"entry count 65,535 in a small file" + order, manyEntries.file, ImageFault::TiffIfdOutsideFile});
    }
    cases.push_back({"byte order IM", WithByte(GreyTiff(2, 2, {}), 1, 'M'), ImageFault::TiffHeader});
    cases.push_back({"header cut", Bytes{'I', 'I', 42, 0, 8, 0}, ImageFault::TiffHeader});
    for (const Case& c : cases)
        EXPECT_EQ(CheckTiff(Span(c.tiff)), c.fault) << c.label;
}

TEST(CheckTiff, EntryTypesAndValues) {
    struct Case {
        const char* label;
        TiffEntry entry;
        ImageFault fault;
    } cases[] = {
        {"ASCII of 4 bytes in the field, offset meaningless", {0x013B, 2, 4, 0xFFFFFFFF}, ImageFault::None},
        {"ASCII value ending at the end of the file", {0x013B, 2, 100, 100}, ImageFault::None},
        {"ASCII value one byte past the end", {0x013B, 2, 101, 100}, ImageFault::TiffValueOutsideFile},
        {"ASCII count 0x7FFFFFFF (the 2 GB reproducer)",
         {0x013B, 2, 0x7FFFFFFF, 8},
         ImageFault::TiffValueOutsideFile},
        {"ASCII count 0xFFFFFF10 at offset 255",
         {0x013B, 2, 0xFFFFFF10, 255},
         ImageFault::TiffValueOutsideFile},
        {"ASCII offset 0xFFFFFFF0", {0x013B, 2, 20, 0xFFFFFFF0}, ImageFault::TiffValueOutsideFile},
        {"DOUBLE count 0xFFFFFFFF", {0x4000, 12, 0xFFFFFFFF, 8}, ImageFault::TiffValueOutsideFile},
        {"RATIONAL inside the file", {0x011A, 5, 2, 160}, ImageFault::None},
        {"RATIONAL whose second half leaves the file", {0x011A, 5, 6, 160}, ImageFault::TiffValueOutsideFile},
        {"SHORT pair in the field", {0x0129, 3, 2, 0x00010000}, ImageFault::None},
        {"SHORT count 3 outside the file", {0x0102, 3, 3, 199}, ImageFault::TiffValueOutsideFile},
        {"type 0", {0x4000, 0, 1, 0}, ImageFault::TiffEntryType},
        {"type 14", {0x4000, 14, 1, 0}, ImageFault::TiffEntryType},
        {"type 0xFFFF", {0x4000, 0xFFFF, 1, 0}, ImageFault::TiffEntryType},
        {"type 13 (IFD) in the field", {0x4000, 13, 1, 0}, ImageFault::None},
        {"count 0 of any known type", {0x013B, 2, 0, 0xFFFFFFFF}, ImageFault::None},
    };
    for (bool bigEndian : {false, true})
        for (const Case& c : cases) {
            TiffCanvas canvas(200, bigEndian, 8);
            canvas.Ifd(8, {{0x100, 3, 1, 2}, {0x101, 3, 1, 2}, c.entry});
            EXPECT_EQ(CheckTiff(Span(canvas.file)), c.fault) << c.label << (bigEndian ? " (MM)" : " (II)");
        }
}

TEST(CheckTiff, SubDirectoriesAreWalked) {
    struct Case {
        const char* label;
        uint16_t pointerTag;
        uint32_t subAt; // the sub-directory is written there when it fits and is not IFD0
        TiffEntry subEntry;
        ImageFault fault;
    } cases[] = {
        {"EXIF directory with a date", 0x8769, 100, {0x9003, 2, 20, 150}, ImageFault::None},
        {"EXIF directory with a value outside the file",
         0x8769,
         100,
         {0x9003, 2, 0x7FFFFFFF, 150},
         ImageFault::TiffValueOutsideFile},
        {"GPS directory with an unknown type", 0x8825, 100, {0x0001, 99, 2, 0}, ImageFault::TiffEntryType},
        {"interoperability directory with a value outside the file",
         0xA005,
         100,
         {0x0001, 2, 500, 0},
         ImageFault::TiffValueOutsideFile},
        {"EXIF directory outside the file",
         0x8769,
         5000,
         {0x9003, 2, 20, 150},
         ImageFault::TiffIfdOutsideFile},
        {"EXIF directory cut by the end of the file",
         0x8769,
         195,
         {0x9003, 2, 20, 150},
         ImageFault::TiffIfdOutsideFile},
        {"EXIF pointer to the first directory", 0x8769, 8, {0x9003, 2, 20, 150}, ImageFault::TiffIfdLoop},
        {"a private tag's offset is not followed", 0x4000, 5000, {0x9003, 2, 20, 150}, ImageFault::None},
    };
    for (const Case& c : cases) {
        TiffCanvas canvas(200, false, 8);
        canvas.Ifd(8, {{0x100, 3, 1, 2}, {0x101, 3, 1, 2}, {c.pointerTag, 4, 1, c.subAt}});
        if (c.subAt != 8 && c.subAt + TiffCanvas::IfdSize(1) <= canvas.file.size())
            canvas.Ifd(c.subAt, {c.subEntry});
        EXPECT_EQ(CheckTiff(Span(canvas.file)), c.fault) << c.label;
    }
    // An EXIF directory that names itself as its own EXIF directory.
    TiffCanvas selfExif(200, false, 8);
    selfExif.Ifd(8, {{0x100, 3, 1, 2}, {0x8769, 4, 1, 100}});
    selfExif.Ifd(100, {{0x8769, 4, 1, 100}});
    EXPECT_EQ(CheckTiff(Span(selfExif.file)), ImageFault::TiffIfdLoop);
}

TEST(CheckTiff, DirectoryCountAndNestingLimits) {
    // Chains of empty directories, 6 bytes each, one after another from offset 8.
    auto chain = [](size_t n) {
        TiffCanvas canvas(8 + 6 * n, false, 8);
        for (size_t i = 0; i < n; ++i)
            canvas.Ifd(8 + 6 * i, {}, i + 1 < n ? static_cast<uint32_t>(8 + 6 * (i + 1)) : 0);
        return canvas.file;
    };
    EXPECT_EQ(CheckTiff(Span(chain(1024))), ImageFault::None) << "1,024 directories";
    EXPECT_EQ(CheckTiff(Span(chain(1025))), ImageFault::TiffTooManyIfds) << "1,025 directories";

    // EXIF pointers nested depth deep: IFD0 -> EXIF -> EXIF ...; each directory 18 bytes.
    auto nested = [](int depth) {
        TiffCanvas canvas(8 + 18 * (depth + 1), false, 8);
        for (int i = 0; i <= depth; ++i) {
            size_t at = 8 + 18 * static_cast<size_t>(i);
            if (i < depth)
                canvas.Ifd(at, {{0x8769, 4, 1, static_cast<uint32_t>(at + 18)}});
            else
                canvas.Ifd(at, {{0x9003, 2, 4, 0}});
        }
        return canvas.file;
    };
    EXPECT_EQ(CheckTiff(Span(nested(4))), ImageFault::None) << "four levels of sub-directories";
    EXPECT_EQ(CheckTiff(Span(nested(5))), ImageFault::TiffTooManyIfds) << "five levels";
}

// ---- Choice by content

TEST(CheckImage, ChecksByTheContentsSignature) {
    Bytes badPng = Append(Append(PngSignature(), PngChunk("IHDR", Bytes(13, 1))),
                          PngChunk("tEXt", Bytes(8, 'a'), 0x7FFFFFFF));
    TiffCanvas badTiffMm(200, true, 8);
    badTiffMm.Ifd(8, {{0x013B, 2, 0x7FFFFFFF, 8}});
    TiffCanvas badTiffIi(200, false, 8);
    badTiffIi.Ifd(8, {{0x013B, 2, 0x7FFFFFFF, 8}});
    struct Case {
        const char* label;
        Bytes bytes;
        ImageFault fault;
    } cases[] = {
        {"valid PNG", RgbPng(3, 3), ImageFault::None},
        {"damaged PNG", badPng, ImageFault::PngChunkOutsideFile},
        {"damaged big-endian TIFF", badTiffMm.file, ImageFault::TiffValueOutsideFile},
        {"damaged little-endian TIFF", badTiffIi.file, ImageFault::TiffValueOutsideFile},
        {"valid TIFF", GreyTiff(2, 2, {}), ImageFault::None},
        {"JPEG start", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10}, ImageFault::None},
        {"BMP", Text("BM and bytes"), ImageFault::None},
        {"text", Text("this is not a picture"), ImageFault::None},
        {"three bytes", {0x89, 'P', 'N'}, ImageFault::None},
        {"empty", {}, ImageFault::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckImage(Span(c.bytes)), c.fault) << c.label;
}

} // namespace
