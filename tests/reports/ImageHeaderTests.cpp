// The image header reader: each format's size, depth and pixel estimate, each way a header can be
// unusable, every prefix of a sample, and the budget on both sides.
#include "reports/ImageHeader.h"

#include "ImageBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scrutel;
using namespace image_builder;

namespace {

ImageHeader Read(const Bytes& b) {
    return ReadImageHeader(std::as_bytes(std::span<const uint8_t>(b)));
}

Bytes With(Bytes b, size_t at, uint8_t value) {
    b.at(at) = value;
    return b;
}

Bytes Cut(Bytes b, size_t keep) {
    b.resize(keep);
    return b;
}

// A header record of 88 bytes: type 1, size, bounds and frame, then " EMF" at 40.
Bytes Emf() {
    Bytes b = {1, 0, 0, 0, 88};
    b.resize(40, 0);
    return Cut(Append(b, Text(" EMF")), 88);
}

Bytes TiffWith(const std::vector<TiffEntry>& entries, bool bigEndian = false) {
    TiffCanvas t(400, bigEndian, 8);
    t.Ifd(8, entries);
    return t.file;
}

struct Expected {
    ImageFormat format;
    HeaderFault fault;
    uint32_t width = 0, height = 0, depth = 0;
    uint64_t decodedBytes = 0;
};

void ExpectHeader(const ImageHeader& h, const Expected& e, const std::string& label) {
    EXPECT_EQ(h.format, e.format) << label;
    EXPECT_EQ(h.fault, e.fault) << label;
    EXPECT_EQ(std::vector<uint64_t>({h.width, h.height, h.depth, h.decodedBytes}),
              std::vector<uint64_t>({e.width, e.height, e.depth, e.decodedBytes}))
        << label << " (width, height, depth, decoded bytes)";
}

constexpr uint64_t Square30000 = uint64_t{30000} * 30000;
constexpr HeaderFault None = HeaderFault::None;

TEST(ReadImageHeader, SizeDepthAndEstimateOfEachFormat) {
    struct Case {
        const char* label;
        Bytes bytes;
        Expected expected;
    } cases[] = {
        {"BMP 24-bit top-down, rows padded to 4 bytes",
         Bmp({3, -2, 24}, Bytes(24, 0)),
         {ImageFormat::Bmp, None, 3, 2, 24, 24}},
        {"BMP core header, 64 bits: 8 bytes a pixel",
         Bmp({2, 2, 64, 0, 12}, Bytes(32, 0)),
         {ImageFormat::Bmp, None, 2, 2, 64, 32}},
        {"BMP 8-bit run lengths ending at once",
         Bmp({30000, 30000, 8, 1, 40, 256}, {0, 1}),
         {ImageFormat::Bmp, None, 30000, 30000, 8, Square30000 * 4}},
        {"JPEG baseline",
         JpegHeader(0xC0, 640, 480, {0x22, 0x11, 0x11}),
         {ImageFormat::Jpeg, None, 640, 480, 24, 640 * 480 * 4}},
        {"JPEG progressive, grey: coefficients over whole blocks",
         JpegHeader(0xC2, 33, 1, {0x11}),
         {ImageFormat::Jpeg, None, 33, 1, 8, 33 * 4 + 64 * 32 * 2}},
        {"JPEG 12-bit, stray bytes, a stuffed zero and a restart marker before the frame",
         [] {
             Bytes b = JpegHeader(0xC1, 4, 4, {0x11}, 12);
             b.insert(b.begin() + 20, {'x', 0xFF, 0x00, 0xFF, 0xD0, 0xFF});
             return b;
         }(),
         {ImageFormat::Jpeg, None, 4, 4, 12, 128}},
        {"PNG 16-bit RGBA: 8 bytes a pixel",
         PngHeaderOnly(3, 2, 16, 6),
         {ImageFormat::Png, None, 3, 2, 64, 48}},
        {"PNG 4-bit palette, interlaced",
         PngHeaderOnly(3, 2, 4, 3, 1),
         {ImageFormat::Png, None, 3, 2, 4, 24}},
        {"GIF: the screen, and every frame's bytes",
         GifBlocks(10, 20, {{4, 6}, {10, 20}}),
         {ImageFormat::Gif, None, 10, 20, 8, 10 * 20 * 4 + 24 + 200}},
        {"GIF without a screen size: the first frame",
         GifBlocks(0, 0, {{10, 20}}),
         {ImageFormat::Gif, None, 10, 20, 8, 10 * 20 * 5}},
        {"TIFF grey in one strip",
         GreyTiff(4, 3, {{0x013B, "Jane Doe"}}),
         {ImageFormat::Tiff, None, 4, 3, 8, 48 + 12}},
        {"TIFF big-endian, three 16-bit samples stored apart, tiled",
         [] {
             TiffCanvas t(400, true, 8);
             t.Ifd(8, {{0x100, 4, 1, 30000},
                       {0x101, 4, 1, 30000},
                       {0x102, 3, 3, 300},
                       {0x115, 3, 1, 3},
                       {0x142, 3, 1, 256},
                       {0x143, 3, 1, 256}});
             for (size_t at : {300, 302, 304})
                 t.At16(at, 16);
             return t.file;
         }(),
         {ImageFormat::Tiff, None, 30000, 30000, 48, Square30000 * 8 + 256 * 256 * 6}},
        {"icon: the first entry's size, the largest entry's estimate",
         IconFile(
             {{16, 16, 32, IconBitmapHeader(16, 16, 32)}, {0, 0, 32, PngHeaderOnly(10000, 10000, 8, 6)}}),
         {ImageFormat::Icon, None, 16, 16, 32, uint64_t{10000} * 10000 * 4}},
        {"icon bitmap whose one stored row is the mask: the directory's size",
         IconFile({{48, 24, 4, With(IconBitmapHeader(16, 1, 32), 8, 1)}}),
         {ImageFormat::Icon, None, 48, 24, 4, 48 * 24 * 4}},
        {"cursor entry of no bytes: the directory's size",
         IconFile({{0, 0, 8, {}}}, 2),
         {ImageFormat::Icon, None, 256, 256, 8, 256 * 256 * 4}},
        {"EMF: records, not pixels", Emf(), {ImageFormat::Emf, None}},
    };
    for (const Case& c : cases)
        ExpectHeader(Read(c.bytes), c.expected, c.label);
}

TEST(ReadImageHeader, UnusableHeaders) {
    const Bytes jpeg = JpegHeader(0xC0, 8, 8, {0x11, 0x11, 0x11}), png = PngHeaderOnly(3, 2, 8, 2);
    const size_t sof = 20; // where the frame header starts
    const Bytes rle = Bmp({4, 2, 4, 1}, {0, 1}), wideHeader = Bmp({4, 2, 24, 0, 70}, Bytes(24, 0));
    struct Case {
        const char* label;
        Bytes bytes;
        Expected expected;
    } cases[] = {
        {"text", Text("not a picture"), {ImageFormat::Unknown, HeaderFault::NoSignature}},
        {"WMF without the placeable header",
         {1, 0, 9, 0, 0, 3, 12, 0},
         {ImageFormat::Unknown, HeaderFault::NoSignature}},
        {"BMP information header cut",
         Cut(Bmp({}, Bytes(24, 0)), 40),
         {ImageFormat::Bmp, HeaderFault::Truncated}},
        {"BMP header of 70 bytes", wideHeader, {ImageFormat::Bmp, HeaderFault::BadValue}},
        {"BMP negative width", Bmp({-4, 2, 24}, Bytes(24, 0)), {ImageFormat::Bmp, HeaderFault::BadValue}},
        {"BMP height 0", Bmp({4, 0, 24}, Bytes(24, 0)), {ImageFormat::Bmp, HeaderFault::BadValue}},
        {"BMP of 7 bits", Bmp({4, 2, 7}, Bytes(24, 0)), {ImageFormat::Bmp, HeaderFault::BadValue}},
        {"BMP 4-bit run lengths of 8", rle, {ImageFormat::Bmp, HeaderFault::BadValue}},
        {"BMP pixels one byte short",
         Bmp({3, 2, 24}, Bytes(23, 0)),
         {ImageFormat::Bmp, HeaderFault::PixelsOutsideFile}},
        {"BMP height mutated to 16 million rows",
         Bmp({31, 0xFE0011, 24}, Bytes(1632, 0)),
         {ImageFormat::Bmp, HeaderFault::PixelsOutsideFile}},
        {"JPEG cut inside the frame header",
         Cut(jpeg, sof + 12),
         {ImageFormat::Jpeg, HeaderFault::Truncated}},
        {"JPEG segment length 1", With(jpeg, 5, 1), {ImageFormat::Jpeg, HeaderFault::BadValue}},
        {"JPEG scan before the frame", With(jpeg, sof + 1, 0xDA), {ImageFormat::Jpeg, HeaderFault::BadValue}},
        {"JPEG height 0 (left to a later marker)",
         With(jpeg, sof + 6, 0),
         {ImageFormat::Jpeg, HeaderFault::BadValue}},
        {"JPEG frame length not 8 + 3 a component",
         With(jpeg, sof + 9, 2),
         {ImageFormat::Jpeg, HeaderFault::BadValue}},
        {"JPEG sampling 5", With(jpeg, sof + 11, 0x51), {ImageFormat::Jpeg, HeaderFault::BadValue}},
        {"PNG cut in its header", Cut(png, 28), {ImageFormat::Png, HeaderFault::Truncated}},
        {"PNG first chunk not IHDR", With(png, 12, 'i'), {ImageFormat::Png, HeaderFault::BadValue}},
        {"PNG height 2^31", PngHeaderOnly(3, 0x80000000u, 8, 2), {ImageFormat::Png, HeaderFault::BadValue}},
        {"PNG RGB of 4 bits", PngHeaderOnly(3, 2, 4, 2), {ImageFormat::Png, HeaderFault::BadValue}},
        {"PNG interlace 2", PngHeaderOnly(3, 2, 8, 2, 2), {ImageFormat::Png, HeaderFault::BadValue}},
        {"GIF of no size and no frame", GifBlocks(0, 0, {}), {ImageFormat::Gif, HeaderFault::BadValue}},
        {"TIFF directory outside the file",
         Cut(TiffWith({{0x100, 3, 1, 4}}), 20),
         {ImageFormat::Tiff, HeaderFault::Truncated}},
        {"TIFF without its height", TiffWith({{0x100, 3, 1, 4}}), {ImageFormat::Tiff, HeaderFault::BadValue}},
        {"TIFF compression 0x8000",
         TiffWith({{0x100, 3, 1, 4}, {0x101, 3, 1, 4}, {0x103, 3, 1, 0x8000}}),
         {ImageFormat::Tiff, HeaderFault::BadValue}},
        {"TIFF tile width without a length",
         TiffWith({{0x100, 3, 1, 4}, {0x101, 3, 1, 4}, {0x142, 3, 1, 16}}),
         {ImageFormat::Tiff, HeaderFault::BadValue}},
        {"icon of no entries", IconFile({}), {ImageFormat::Icon, HeaderFault::BadValue}},
        {"EMF header record cut", Cut(Emf(), 87), {ImageFormat::Emf, HeaderFault::Truncated}},
    };
    for (const Case& c : cases)
        ExpectHeader(Read(c.bytes), c.expected, c.label);
}

// Every prefix of a sample, in a buffer of its own size (the native build runs under the address
// sanitizer), reads as the whole sample or as a fault: nothing half read. A GIF's prefix may
// hold fewer frames and an icon's fewer entries, so only their sizes must agree.
TEST(ReadImageHeader, EveryPrefixReadsAsTheWholeOrAsAFault) {
    const Bytes samples[] = {
        Bmp({4, 2, 24}, Bytes(24, 0)),
        JpegHeader(0xC2, 640, 480, {0x22, 0x11, 0x11}),
        PngHeaderOnly(9, 9, 8, 2),
        GifBlocks(10, 20, {{4, 6}}),
        GreyTiff(4, 3, {{0x013B, "Jane Doe"}}),
        IconFile({{16, 16, 32, IconBitmapHeader(16, 16, 32)}, {0, 0, 32, PngHeaderOnly(300, 200, 8, 6)}}),
        Emf(),
    };
    for (const Bytes& sample : samples) {
        ImageHeader whole = Read(sample);
        ASSERT_EQ(whole.fault, None);
        bool partial = whole.format == ImageFormat::Gif || whole.format == ImageFormat::Icon;
        for (size_t n = 0; n < sample.size(); ++n) {
            ImageHeader h = Read(Bytes(sample.begin(), sample.begin() + static_cast<ptrdiff_t>(n)));
            Expected e = {whole.format, None, whole.width, whole.height, whole.depth, whole.decodedBytes};
            if (h.fault != None) e = {h.format, h.fault};
            if (h.fault == None && partial) e.decodedBytes = h.decodedBytes;
            ExpectHeader(h, e,
                         "format " + std::to_string(static_cast<int>(whole.format)) + ", " +
                             std::to_string(n) + " bytes");
        }
    }
}

TEST(PlanImage, TheBudgetOnBothSides) {
    const ImageHeader square8192 = Read(PngHeaderOnly(8192, 8192, 8, 6)),
                      wider = Read(PngHeaderOnly(8193, 8192, 8, 6));
    EXPECT_EQ(square8192.decodedBytes, DecodeBudget);
    EXPECT_EQ(PlanImage(square8192), ImagePlan::Decode);
    EXPECT_EQ(PlanImage(wider), ImagePlan::SizeFromHeader);
    ImageHeader icon = Read(IconFile({{0, 0, 32, PngHeaderOnly(8193, 8192, 8, 6)}}));
    EXPECT_EQ(PlanImage(icon), ImagePlan::Skip); // its entries have no one size to show
    EXPECT_EQ(PlanImage(icon, icon.decodedBytes), ImagePlan::Decode);
    EXPECT_EQ(PlanImage(Read(Emf()), 0), ImagePlan::Decode);
    EXPECT_EQ(PlanImage(Read(Bmp({4, 2, 24}, Bytes(23, 0)))), ImagePlan::Skip);
}

} // namespace
