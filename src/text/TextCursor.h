// The bytes of a text source as the readers see them (where they are, how they encode text, where
// the next character begins) and the code pages those bytes can be decoded in.
#pragma once
#include <cstdint>

namespace scrutel {

// How the bytes of a text source encode text.
enum TextEncoding : uint32_t {
    EncodingOem = 0, // 8-bit: bytes 0x80..0xFF through the table of the cursor's codePage
    EncodingUtf16Le = 1,
    EncodingUtf16Be = 2,
    EncodingUtf8 = 3,
    EncodingEbcdic = 16, // through the table of the cursor's ebcdicCodePage
    EncodingUtf32Le = 32,
    EncodingUtf32Be = 33,
    EncodingRaw = 64,    // each byte is a character code unchanged
    EncodingAscii = 128, // 7-bit text (set by the text report), decoded like EncodingOem
};

// The 8-bit code pages that have decoding tables, in table order. A code page that is not listed
// decodes with the table of 1252 (index 0).
inline constexpr uint32_t TextCodePages[24] = {1252, 1250, 1251, 1253, 1254, 1255,  1256,  1257,
                                               1258, 437,  720,  737,  775,  850,   852,   855,
                                               857,  858,  862,  866,  874,  10000, 20866, 21866};
// The EBCDIC code pages that have decoding tables, in table order.
inline constexpr uint32_t EbcdicCodePages[10] = {1140, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149};

struct EbcdicLocalePair {
    uint16_t locale;
    uint16_t codePage;
};
// Which EBCDIC code page a locale uses. No two pairs with the same primary language (the low 10
// bits of the locale) give different code pages.
inline constexpr EbcdicLocalePair EbcdicLocaleMap[16] = {
    {0x0407, 1141}, {0x0C07, 1141}, {0x083C, 1146}, {0x1809, 1146}, {0x0809, 1146}, {0x040C, 1147},
    {0x0406, 1142}, {0x0414, 1142}, {0x0814, 1142}, {0x040B, 1143}, {0x041D, 1143}, {0x040A, 1145},
    {0x0C0A, 1145}, {0x080A, 1145}, {0x0410, 1144}, {0x040F, 1149}};

// Position of codePage in TextCodePages, 0 when it is not listed.
uint32_t TextCodePageIndex(uint32_t codePage);
// Position of codePage in EbcdicCodePages, 0 when it is not listed.
uint32_t EbcdicCodePageIndex(uint32_t codePage);
// The EBCDIC code page for a locale identifier (its low 16 bits are used): an exact match in
// EbcdicLocaleMap, else a match of the primary language, else 1140.
uint32_t EbcdicCodePageForLocale(uint32_t locale);

// What the readers (text/Encoding.h) work on: data from position up to size. The bytes are
// borrowed; whoever fills in data keeps them alive (a TextSource on Windows, a test's vector).
struct TextCursor {
    // First byte of the source.
    const uint8_t* data = nullptr;
    TextEncoding encoding = EncodingOem;
    uint64_t size = 0;
    // Index of the byte where the next character begins; at least bomLength after detection.
    uint64_t position = 0;
    // 0, 2 (UTF-16), 3 (UTF-8) or 4 (UTF-32).
    uint64_t bomLength = 0;
    // The 8-bit code page for EncodingOem text and its index in TextCodePages.
    uint32_t codePage = 0;
    uint32_t codePageIndex = 0;
    // The user's EBCDIC code page and its index in EbcdicCodePages.
    uint32_t ebcdicCodePage = 0;
    uint32_t ebcdicIndex = 0;
    // Returned by the readers for input that cannot be decoded.
    char16_t replacement = 0xFFFD;
};

} // namespace scrutel
