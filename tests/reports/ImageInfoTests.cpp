// The image section: size and depth lines for images made with GDI+ or built byte by byte, the
// metadata lines from TIFF tags and PNG text chunks, the "Date taken" forms and text decoding;
// images too large to decode, and the handles of images the decoder refuses.
#include "output/LineOutput.h"
#include "reports/ImageHeader.h"
#include "reports/ImageInfo.h"
#include "reports/ReportSections.h"
#include "support/TestSupport.h"

#include "ImageBuilder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

using namespace scrutel;
using namespace Gdiplus::DllExports;
using testing_support::Capture;
using testing_support::TempTree;
using namespace image_builder;

namespace {

std::wstring Line(const std::wstring& label, const std::wstring& value) {
    return L"    " + label + L" " + std::wstring(24 - label.size(), L'.') + L" " + value + L"\r\n";
}
std::wstring SizeLine(const std::wstring& size) {
    return Line(L"Image size", size);
}

// ---- Pure parts

struct DecodeCase {
    const char* label;
    std::string bytes;
    size_t capacity;
    std::wstring text;
};

TEST(DecodePropertyText, Utf8ThenAnsi) {
    // The ANSI expectation comes from the platform's own conversion.
    wchar_t ansi[16] = {};
    MultiByteToWideChar(CP_ACP, 0, "Jos\xE9", 4, ansi, 15);
    const DecodeCase cases[] = {
        {"ASCII with terminator", std::string("Jane Doe\0", 9), 64, L"Jane Doe"},
        {"stops at the first NUL", std::string("One\0Two", 7), 64, L"One"},
        {"UTF-8", "Jos\xC3\xA9 \xE2\x82\xAC", 64, L"Jos\u00E9 \u20AC"},
        {"not UTF-8: ANSI", "Jos\xE9", 64, ansi},
        {"cut UTF-8 sequence is not UTF-8", "Ab\xC3", 64, L""},
        {"empty", std::string("\0", 1), 64, L""},
        {"no bytes", "", 64, L""},
        {"cut to the capacity", "abcdefgh", 5, L"abcd"},
    };
    for (const auto& c : cases) {
        std::vector<wchar_t> out(c.capacity, L'#');
        DecodePropertyText(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), out.data(),
                           c.capacity);
        std::wstring expected = c.text;
        if (std::string(c.label) == "cut UTF-8 sequence is not UTF-8") {
            wchar_t fallback[16] = {};
            MultiByteToWideChar(CP_ACP, 0, "Ab\xC3", 3, fallback, 15);
            expected = fallback;
        }
        EXPECT_EQ(std::wstring(out.data()), expected) << c.label;
    }
}

TEST(ImageFileKind, ExtensionsIgnoringCase) {
    const struct {
        const wchar_t* path;
        int kind;
    } cases[] = {
        {L"a.bmp", 1}, {L"a.JPG", 2},  {L"a.jpeg", 2},     {L"a.Png", 3},       {L"a.gif", 4},
        {L"a.tif", 5}, {L"a.TIFF", 5}, {L"a.ico", 6},      {L"a.emf", 7},       {L"a.wmf", 8},
        {L"a.jpe", 0}, {L"a.webp", 0}, {L"dir.png\\a", 0}, {L"noextension", 0}, {nullptr, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageFileKind(c.path), c.kind) << (c.path ? c.path : L"(null)");
}

TEST(ImageTextProperty, WithoutImageOrOutput) {
    wchar_t out[ImageTextCapacity];
    EXPECT_EQ(ImageTextProperty(nullptr, 0x013B, out), 0);
    EXPECT_STREQ(out, L"N/A");
    EXPECT_EQ(ImageTextProperty(nullptr, 0x013B, nullptr), -1);
}

// ---- Images made for the tests

class ImageSectionTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    static void TearDownTestSuite() {
        if (started_) Gdiplus::GdiplusShutdown(token_);
        started_ = false;
    }
    void SetUp() override { ASSERT_TRUE(started_) << "GDI+ did not start"; }

    static bool EncoderFor(const wchar_t* mime, CLSID* clsid) {
        UINT count = 0, size = 0;
        if (GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
        std::vector<uint8_t> buffer(size);
        auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
        if (GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
        for (UINT i = 0; i < count; ++i)
            if (wcscmp(codecs[i].MimeType, mime) == 0) {
                *clsid = codecs[i].Clsid;
                return true;
            }
        return false;
    }

    // Saves a width x height bitmap of the pixel format with GDI+'s encoder for mime.
    static bool MakeImage(const std::wstring& path, const wchar_t* mime, int width, int height,
                          Gdiplus::PixelFormat format) {
        CLSID clsid;
        if (!EncoderFor(mime, &clsid)) return false;
        Gdiplus::GpBitmap* bitmap = nullptr;
        if (GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &bitmap) != Gdiplus::Ok)
            return false;
        bool saved = GdipSaveImageToFile(bitmap, path.c_str(), &clsid, nullptr) == Gdiplus::Ok;
        GdipDisposeImage(bitmap);
        return saved;
    }

    static std::wstring Run(const std::wstring& path, int* result = nullptr) {
        Capture capture;
        int r = ImageSection(path.c_str());
        if (result) *result = r;
        return capture.out();
    }

    static Bytes ReadAll(const std::wstring& path) {
        Bytes bytes;
        HANDLE h =
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return bytes;
        DWORD size = GetFileSize(h, nullptr), read = 0;
        bytes.resize(size);
        if (!ReadFile(h, bytes.data(), size, &read, nullptr)) read = 0;
        bytes.resize(read);
        CloseHandle(h);
        return bytes;
    }

    static void ExpectHeaderAgrees(const std::wstring& path, uint32_t width, uint32_t height, uint32_t depth,
                                   const char* label) {
        Bytes bytes = ReadAll(path);
        ImageHeader header = ReadImageHeader(std::as_bytes(std::span<const uint8_t>(bytes)));
        EXPECT_EQ(header.fault, HeaderFault::None) << label;
        EXPECT_EQ(header.width, width) << label;
        EXPECT_EQ(header.height, height) << label;
        EXPECT_EQ(header.depth, depth) << label;
        EXPECT_EQ(PlanImage(header), ImagePlan::Decode) << label;
    }

    TempTree tree_;
    static inline ULONG_PTR token_ = 0;
    static inline bool started_ = false;
};

// Inserts a tEXt chunk (keyword, NUL, text) right after the IHDR chunk of a PNG.
Bytes WithPngText(Bytes png, const std::string& keyword, const std::string& text) {
    Bytes chunk;
    std::string body = keyword + '\0' + text;
    uint32_t length = static_cast<uint32_t>(body.size());
    for (int i = 3; i >= 0; --i)
        chunk.push_back(static_cast<uint8_t>(length >> (8 * i)));
    std::string typed = "tEXt" + body;
    chunk.insert(chunk.end(), typed.begin(), typed.end());
    uint32_t crc = Crc32(reinterpret_cast<const uint8_t*>(typed.data()), typed.size());
    for (int i = 3; i >= 0; --i)
        chunk.push_back(static_cast<uint8_t>(crc >> (8 * i)));
    png.insert(png.begin() + 33, chunk.begin(), chunk.end()); // 8 signature + 25 IHDR
    return png;
}

// A 16 x 16 icon holding a 32-bit bitmap.
Bytes Icon() {
    Bytes file;
    Put16(file, 0);
    Put16(file, 1);
    Put16(file, 1);
    uint32_t image = 40 + 16 * 16 * 4 + 16 * 4;
    file.push_back(16);
    file.push_back(16);
    file.push_back(0);
    file.push_back(0);
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, image);
    Put32(file, 22);
    Put32(file, 40);
    Put32(file, 16);
    Put32(file, 32); // height of the colour bitmap and the mask together
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, 0);
    Put32(file, 16 * 16 * 4);
    for (int i = 0; i < 4; ++i)
        Put32(file, 0);
    for (int i = 0; i < 16 * 16; ++i)
        Put32(file, 0xFF336699u);
    for (int i = 0; i < 16 * 4; ++i)
        file.push_back(0);
    return file;
}

// A GIF of width x height pixels of colour 0 with a two-colour palette. The LZW stream sends a
// clear code before every two pixels, so its codes stay 3 bits wide.
Bytes Gif(uint16_t width, uint16_t height) {
    Bytes file = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(file, width);
    Put16(file, height);
    file.insert(file.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x2C});
    Put16(file, 0);
    Put16(file, 0);
    Put16(file, width);
    Put16(file, height);
    file.push_back(0);
    file.push_back(2); // minimum code size: codes start 3 bits wide
    Bytes stream;
    uint32_t bits = 0, count = 0;
    auto emit = [&](uint32_t code) {
        bits |= code << count;
        count += 3;
        while (count >= 8) {
            stream.push_back(static_cast<uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    uint32_t pixels = static_cast<uint32_t>(width) * height;
    for (uint32_t i = 0; i < pixels; ++i) {
        if (i % 2 == 0) emit(4);
        emit(0);
    }
    emit(5);
    if (count) stream.push_back(static_cast<uint8_t>(bits));
    for (size_t at = 0; at < stream.size(); at += 255) {
        size_t n = std::min<size_t>(255, stream.size() - at);
        file.push_back(static_cast<uint8_t>(n));
        file.insert(file.end(), stream.begin() + at, stream.begin() + at + n);
    }
    file.push_back(0);
    file.push_back(0x3B);
    return file;
}

TEST_F(ImageSectionTest, SizeAndDepthOfEachFormat) {
    struct Case {
        const char* label;
        const wchar_t* name;
        const wchar_t* mime;
        int width, height;
        Gdiplus::PixelFormat format;
        std::wstring size;
    } cases[] = {
        {"24-bit BMP", L"photo.bmp", L"image/bmp", 400, 300, PixelFormat24bppRGB,
         L"400 \u00D7 300    24 BPP"},
        {"32-bit PNG", L"alpha.png", L"image/png", 17, 5, PixelFormat32bppARGB, L"17 \u00D7 5    32 BPP"},
        {"JPEG", L"photo.jpg", L"image/jpeg", 64, 48, PixelFormat24bppRGB, L"64 \u00D7 48    24 BPP"},
        {"JPEG with the long extension", L"photo.JPEG", L"image/jpeg", 8, 8, PixelFormat24bppRGB,
         L"8 \u00D7 8    24 BPP"},
        {"TIFF", L"scan.tif", L"image/tiff", 3, 2, PixelFormat24bppRGB, L"3 \u00D7 2    24 BPP"},
    };
    for (const auto& c : cases) {
        std::wstring path = tree_.path(c.name);
        ASSERT_TRUE(MakeImage(path, c.mime, c.width, c.height, c.format)) << c.label;
        int result = -99;
        EXPECT_EQ(Run(path, &result), SizeLine(c.size) + L"\r\n") << c.label;
        EXPECT_EQ(result, 0) << c.label;
        // The header reader and the decoder agree on the files the platform's encoders write.
        ExpectHeaderAgrees(path, c.width, c.height, (c.format >> 8) & 0xFF, c.label);
    }
}

TEST_F(ImageSectionTest, IconAndGifBuiltByteByByte) {
    std::wstring icon = tree_.file(L"app.ico", Icon());
    EXPECT_EQ(Run(icon), SizeLine(L"16 \u00D7 16    32 BPP") + L"\r\n");
    ExpectHeaderAgrees(icon, 16, 16, 32, "icon");
    std::wstring gif = tree_.file(L"anim.gif", Gif(10, 20));
    EXPECT_EQ(Run(gif), SizeLine(L"10 \u00D7 20    8 BPP") + L"\r\n");
    ExpectHeaderAgrees(gif, 10, 20, 8, "GIF");
}

TEST_F(ImageSectionTest, TiffTagsGiveTheMetadataLines) {
    std::wstring path = tree_.file(L"tagged.tif", GreyTiff(4, 3,
                                                           {{0x0131, "Scanner Suite 3.1"},
                                                            {0x013B, "Jane Doe"},
                                                            {0x8298, "(c) 2000 Jane Doe"},
                                                            {0x9003, "2000:01:01 12:34:56"}}));
    EXPECT_EQ(Run(path), SizeLine(L"4 \u00D7 3    8 BPP") + Line(L"Date taken", L"Sat 2000-01-01  12:34:56") +
                             Line(L"Artist", L"Jane Doe") + Line(L"Copyright", L"(c) 2000 Jane Doe") +
                             Line(L"Software", L"Scanner Suite 3.1") + L"\r\n");
}

TEST_F(ImageSectionTest, DateTakenForms) {
    struct Case {
        const char* label;
        std::string value;
        std::wstring lines;
    } cases[] = {
        {"valid", "2000:01:01 12:34:56", Line(L"Date taken", L"Sat 2000-01-01  12:34:56")},
        {"all zero", "0000:00:00 00:00:00", Line(L"Date taken", L"0000-00-00 00:00:00")},
        {"trailing character", "2000:01:01 12:34:56Z", L""},
        {"dashes", "2000-01-01 12:34:56", L""},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::wstring path =
            tree_.file(L"date" + std::to_wstring(n++) + L".tiff", GreyTiff(2, 2, {{0x9003, c.value}}));
        EXPECT_EQ(Run(path), SizeLine(L"2 \u00D7 2    8 BPP") + c.lines + L"\r\n") << c.label;
    }
}

TEST_F(ImageSectionTest, ArtistTexts) {
    wchar_t ansi[16] = {};
    MultiByteToWideChar(CP_ACP, 0, "Jos\xE9", 4, ansi, 15);
    struct Case {
        const char* label;
        std::string value;
        std::wstring lines;
    } cases[] = {
        {"UTF-8", "Jos\xC3\xA9 Mu\xC3\xB1oz", Line(L"Artist", L"Jos\u00E9 Mu\u00F1oz")},
        {"ANSI", "Jos\xE9", Line(L"Artist", ansi)},
        {"blanks", "    ", L""},
        {"N/A", "N/A", L""},
        {"n/a is shown", "n/a", Line(L"Artist", L"n/a")},
        {"empty", "", L""},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::wstring path =
            tree_.file(L"artist" + std::to_wstring(n++) + L".tif", GreyTiff(2, 2, {{0x013B, c.value}}));
        EXPECT_EQ(Run(path), SizeLine(L"2 \u00D7 2    8 BPP") + c.lines + L"\r\n") << c.label;
    }
}

TEST_F(ImageSectionTest, PngTextChunks) {
    std::wstring plain = tree_.path(L"plain.png");
    ASSERT_TRUE(MakeImage(plain, L"image/png", 6, 4, PixelFormat24bppRGB));
    Bytes png = ReadAll(plain);
    ASSERT_GT(png.size(), 33u);
    Bytes tagged =
        WithPngText(WithPngText(WithPngText(png, "Software", "Painter 2"), "Copyright", "(c) Maker"),
                    "Author", "Ann Artist");
    std::wstring path = tree_.file(L"text.png", tagged);
    EXPECT_EQ(Run(path), SizeLine(L"6 \u00D7 4    24 BPP") + Line(L"Artist", L"Ann Artist") +
                             Line(L"Copyright", L"(c) Maker") + Line(L"Software", L"Painter 2") + L"\r\n");
}

// An APP1 "Exif" segment: the first directory holds the artist and a pointer to the EXIF
// directory, which holds the date the picture was taken.
Bytes ExifSegment(const std::string& artist, const std::string& dateTaken) {
    Bytes tiff = {'I', 'I', 42, 0};
    Put32(tiff, 8);
    uint32_t ifd0Size = 2 + 2 * 12 + 4;
    uint32_t exifAt = 8 + ifd0Size;
    uint32_t exifSize = 2 + 12 + 4;
    uint32_t artistAt = exifAt + exifSize;
    uint32_t dateAt = artistAt + static_cast<uint32_t>(artist.size() + 1);
    Put16(tiff, 2);
    Put16(tiff, 0x013B);
    Put16(tiff, 2);
    Put32(tiff, static_cast<uint32_t>(artist.size() + 1));
    Put32(tiff, artistAt);
    Put16(tiff, 0x8769);
    Put16(tiff, 4);
    Put32(tiff, 1);
    Put32(tiff, exifAt);
    Put32(tiff, 0);
    Put16(tiff, 1);
    Put16(tiff, 0x9003);
    Put16(tiff, 2);
    Put32(tiff, static_cast<uint32_t>(dateTaken.size() + 1));
    Put32(tiff, dateAt);
    Put32(tiff, 0);
    tiff.insert(tiff.end(), artist.begin(), artist.end());
    tiff.push_back(0);
    tiff.insert(tiff.end(), dateTaken.begin(), dateTaken.end());
    tiff.push_back(0);
    Bytes segment = {0xFF, 0xE1};
    uint32_t length = static_cast<uint32_t>(2 + 6 + tiff.size());
    segment.push_back(static_cast<uint8_t>(length >> 8));
    segment.push_back(static_cast<uint8_t>(length));
    for (char c : std::string("Exif\0\0", 6))
        segment.push_back(static_cast<uint8_t>(c));
    segment.insert(segment.end(), tiff.begin(), tiff.end());
    return segment;
}

TEST_F(ImageSectionTest, JpegWithExifDateAndArtist) {
    std::wstring plain = tree_.path(L"plain.jpg");
    ASSERT_TRUE(MakeImage(plain, L"image/jpeg", 8, 6, PixelFormat24bppRGB));
    Bytes jpeg = ReadAll(plain);
    ASSERT_GT(jpeg.size(), 2u);
    Bytes segment = ExifSegment("Jane Doe", "2000:01:01 12:34:56");
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end()); // right after the start-of-image marker
    std::wstring path = tree_.file(L"exif.jpg", jpeg);

    Gdiplus::GpImage* image = nullptr;
    ASSERT_EQ(GdipLoadImageFromFile(path.c_str(), &image), Gdiplus::Ok);
    UINT size = 0;
    bool exposed = GdipGetPropertyItemSize(image, 0x9003, &size) == Gdiplus::Ok && size != 0;
    GdipDisposeImage(image);
    if (!exposed)
        GTEST_SKIP()
            << "this platform's GDI+ exposes no EXIF property items for JPEG files (Wine 8); the date "
               "forms are tested through FormatDateTaken and TIFF files";
    EXPECT_EQ(Run(path), SizeLine(L"8 \u00D7 6    24 BPP") +
                             Line(L"Date taken", L"Sat 2000-01-01  12:34:56") + Line(L"Artist", L"Jane Doe") +
                             L"\r\n");
}

TEST_F(ImageSectionTest, FilesThatAreNotImages) {
    struct Case {
        const char* label;
        std::wstring path;
        int result;
    } cases[] = {
        {"text in a .png", tree_.file(L"fake.png", std::string("this is not a picture\r\n")), 0},
        {"empty .bmp", tree_.file(L"empty.bmp", std::string()), 0},
        {"damaged PNG", tree_.file(L"cut.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)), 0},
        {"missing", tree_.path(L"missing.gif"), 0},
        {"directory", tree_.dir(L"folder.bmp"), 0},
        {"empty path", L"", -1},
    };
    for (const auto& c : cases) {
        int result = 99;
        EXPECT_EQ(Run(c.path, &result), L"") << c.label;
        EXPECT_EQ(result, c.result) << c.label;
    }
    Capture capture;
    EXPECT_EQ(ImageSection(nullptr), -1);
}

// Files that fail the structure check print what an image that cannot be loaded prints: nothing.
// Each row would cost the decoder gigabytes or tens of seconds.
TEST_F(ImageSectionTest, HostileStructuresPrintNothing) {
    Bytes header = Append(PngSignature(), PngChunk("IHDR", {0, 0, 0, 4, 0, 0, 0, 4, 8, 2, 0, 0, 0}));
    TiffCanvas tiffCount(50, false, 8);
    tiffCount.Ifd(8, {{0x100, 3, 1, 4}, {0x101, 3, 1, 4}, {0x013B, 2, 0x7FFFFFFF, 8}});
    Bytes manyChunks = RgbPng(4, 4, std::vector<Bytes>(5000, PngChunk("zzZz", {})));
    Bytes manyTexts =
        RgbPng(4, 4, std::vector<Bytes>(5000, PngChunk("tEXt", Text(std::string("Author\0x", 8)))));
    struct Case {
        const char* label;
        const wchar_t* name;
        Bytes bytes;
    } cases[] = {
        {"PNG chunk length 0x7FFFFFFF", L"chunklen.png",
         Append(header, PngChunk("tEXt", Text("Author"), 0x7FFFFFFF))},
        {"TIFF text count 0x7FFFFFFF", L"count.tif", tiffCount.file},
        {"zTXt inflating to 600 MB", L"bomb.png",
         RgbPng(4, 4, {PngChunk("zTXt", ZtxtData("Comment", ZlibRepeats(2400000)))})},
        {"5,000 empty chunks", L"chunks.png", manyChunks},
        {"5,000 text chunks", L"texts.png", manyTexts},
        {"damaged PNG under a TIFF name", L"named.tif", Append(header, PngChunk("IDAT", {}, 0x10000))},
    };
    for (const Case& c : cases) {
        int result = 99;
        EXPECT_EQ(Run(tree_.file(c.name, c.bytes), &result), L"") << c.label;
        EXPECT_EQ(result, 0) << c.label;
    }
}

// The checks do not change what a file just inside each limit reports.
TEST_F(ImageSectionTest, FilesJustInsideTheLimitsReportAsBefore) {
    std::wstring size = SizeLine(L"5 \u00D7 3    24 BPP");
    std::wstring greySize = SizeLine(L"5 \u00D7 3    8 BPP");
    Bytes author = PngChunk("tEXt", Text(std::string("Author\0Ann", 10)));
    std::vector<Bytes> chunks(2046, PngChunk("zzZz", {}));
    chunks.push_back(author);
    std::vector<Bytes> chunksOver = chunks;
    chunksOver.push_back(PngChunk("zzZz", {}));
    auto tiffWith = [](uint32_t artistCount) {
        // Artist text fills the file up to its end (or one byte past it).
        TiffCanvas t(160, false, 8);
        t.Ifd(8, {{0x100, 3, 1, 5},
                  {0x101, 3, 1, 3},
                  {0x102, 3, 1, 8},
                  {0x103, 3, 1, 1},
                  {0x106, 3, 1, 1},
                  {0x111, 4, 1, 130},
                  {0x116, 3, 1, 3},
                  {0x117, 4, 1, 15},
                  {0x013B, 2, artistCount, 150}});
        for (size_t i = 150; i < 159; ++i)
            t.file[i] = 'J';
        return t.file;
    };
    struct Case {
        const char* label;
        const wchar_t* name;
        Bytes bytes;
        std::wstring out;
    } cases[] = {
        {"plain", L"plain.png", RgbPng(5, 3), size + L"\r\n"},
        {"2,048 chunks besides image data", L"chunks.png", RgbPng(5, 3, chunks),
         size + Line(L"Artist", L"Ann") + L"\r\n"},
        {"2,049 chunks besides image data", L"chunks-over.png", RgbPng(5, 3, chunksOver), L""},
        {"zTXt inflating to just under 1 MiB", L"ztxt.png",
         RgbPng(5, 3, {PngChunk("zTXt", ZtxtData("Comment", ZlibRepeats(4064))), author}),
         size + Line(L"Artist", L"Ann") + L"\r\n"},
        {"zTXt inflating to just over 1 MiB", L"ztxt-over.png",
         RgbPng(5, 3, {PngChunk("zTXt", ZtxtData("Comment", ZlibRepeats(4065))), author}), L""},
        {"TIFF text ending at the end of the file", L"artist.tif", tiffWith(10),
         greySize + Line(L"Artist", L"JJJJJJJJJ") + L"\r\n"},
        {"TIFF text one byte past the end", L"artist-over.tif", tiffWith(11), L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Run(tree_.file(c.name, c.bytes)), c.out) << c.label;
}

// A file whose decoded pixels would exceed the budget is not decoded: the size and depth its
// header declares, nothing that only the decoder could tell (the Artist below), and nothing where
// the header does not hold together. Decoding any of them would cost the host gigabytes.
TEST_F(ImageSectionTest, ImagesTooLargeToDecodeShowTheSizeTheirHeaderDeclares) {
    auto tiff = [](uint16_t side) {
        Bytes file = GreyTiff(4, 4, {{0x013B, "Jane Doe"}});
        file[18] = file[30] = static_cast<uint8_t>(side); // the width's and the height's low bytes
        file[19] = file[31] = static_cast<uint8_t>(side >> 8);
        return file;
    };
    // An EMF whose frame is 20 km square on a reference device of 3.2 pixels a millimetre (the
    // header record, whose handle count is 16 bits with 16 reserved, then the end record).
    Bytes emf;
    for (uint32_t v :
         {1u,          88u,         0u,       0u,   2000000000u, 2000000000u, 0u, 0u, 2000000000u,
          2000000000u, 0x464D4520u, 0x10000u, 108u, 2u,          1u,          0u, 0u, 0u,
          1024u,       768u,        320u,     240u, 14u,         20u,         0u, 0u, 20u})
        Put32(emf, v);
    struct Case {
        const char* label;
        const wchar_t* name;
        Bytes bytes;
        std::wstring out;
    } cases[] = {
        {"PNG panorama 20000 x 15000", L"panorama.png", PngHeaderOnly(20000, 15000, 8, 2),
         SizeLine(L"20000 \u00D7 15000    24 BPP")},
        {"progressive JPEG under a BMP name", L"square.bmp", JpegHeader(0xC2, 65500, 65500, {0x11}),
         SizeLine(L"65500 \u00D7 65500    8 BPP")},
        {"BMP of 8-bit run lengths ending at once", L"rle.bmp", Bmp({30000, 30000, 8, 1, 40, 256}, {0, 1}),
         SizeLine(L"30000 \u00D7 30000    8 BPP")},
        {"TIFF 30000 square: no Artist line", L"big.tif", tiff(30000),
         SizeLine(L"30000 \u00D7 30000    8 BPP")},
        {"the same TIFF 4 square: decoded", L"small.tif", tiff(4),
         SizeLine(L"4 \u00D7 4    8 BPP") + Line(L"Artist", L"Jane Doe")},
        {"icon holding a PNG of 10000 square", L"big.ico",
         IconFile({{0, 0, 32, PngHeaderOnly(10000, 10000, 8, 6)}}), L""},
        {"BMP one byte short", L"short.bmp", Bmp({3, 2, 24}, Bytes(23, 0)), L""},
        {"BMP whole", L"whole.bmp", Bmp({3, 2, 24}, Bytes(24, 0)), SizeLine(L"3 \u00D7 2    24 BPP")},
        {"EMF 64,000,000 pixels square: records, decoded (24 bits a pixel by this GDI+)", L"huge.emf", emf,
         SizeLine(L"64000000 \u00D7 64000000    24 BPP")},
    };
    for (const Case& c : cases) {
        int result = 99;
        std::wstring path = tree_.file(c.name, c.bytes);
        EXPECT_EQ(Run(path, &result), c.out.empty() ? L"" : c.out + L"\r\n") << c.label;
        EXPECT_EQ(result, 0) << c.label;
        EXPECT_TRUE(DeleteFileW(path.c_str())) << c.label << ": still open";
    }
}

// Under Wine the BMP and TIFF decoders keep the stream of a file they refuse, which left one
// handle open per call while they opened the file by its name. The reproducers never reach the
// decoder now; a 64-bit BMP and a JPEG 2000 TIFF still do, and it refuses them.
TEST_F(ImageSectionTest, AThousandRefusedImagesLeaveNoHandleOpen) {
    Bytes jpeg2000 = GreyTiff(4, 4, {});
    jpeg2000[54] = 0x98; // the compression entry's value: 34712
    jpeg2000[55] = 0x87;
    std::vector<std::wstring> paths = {tree_.file(L"wide.bmp", Bmp({2, 2, 64}, Bytes(32, 0))),
                                       tree_.file(L"jpeg2000.tif", jpeg2000)};
    for (const wchar_t* name : {L"bmp_tiny_g13.bmp", L"tif_date_ok_e38.tif"}) {
        std::wstring source = testing_support::SourceFixture(
            std::wstring(L"hostile\\image_headers\\handle_leak_rejected_images\\") + name);
        paths.push_back(tree_.path(name));
        ASSERT_TRUE(CopyFileW(source.c_str(), paths.back().c_str(), FALSE))
            << testing_support::ToUtf8(source);
    }
    Capture capture;
    // One round first: what the decoder loads on first use stays loaded and is not a leak.
    for (const std::wstring& path : paths)
        ImageSection(path.c_str());
    size_t before = testing_support::HandlesOfThisProcess();
    ASSERT_NE(before, 0u) << "no way to count handles here";
    for (int i = 0; i < 1000; ++i)
        ImageSection(paths[i % paths.size()].c_str());
    EXPECT_EQ(testing_support::HandlesOfThisProcess(), before);
    EXPECT_EQ(capture.out(), L"");
    for (const std::wstring& path : paths)
        EXPECT_TRUE(DeleteFileW(path.c_str())) << testing_support::ToUtf8(path) << ": still open";
}

TEST_F(ImageSectionTest, InterruptionStopsAfterTheCurrentLine) {
    std::wstring path = tree_.file(L"stop.tif", GreyTiff(2, 2, {{0x013B, "Jane Doe"}}));
    Output().paging.interrupted = 1;
    int result = 0;
    std::wstring out = Run(path, &result);
    Output().paging.interrupted = 0;
    EXPECT_EQ(result, ABORTED);
    EXPECT_EQ(out, SizeLine(L"2 \u00D7 2    8 BPP"));
    // The image was disposed of: the file can be deleted.
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

} // namespace
