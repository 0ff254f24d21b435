// Tests of encoding detection and the readers over in-memory text: crafted detector inputs,
// decoding in every encoding, line endings and counts, ReadLine, blank characters and names.
#include "text/CodePageTables.h"
#include "text/Encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace scrutel;
using namespace std::string_literals;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes B(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A TextCursor over bytes held by the test.
struct MemoryText {
    Bytes bytes;
    TextCursor buffer;
    explicit MemoryText(Bytes b, TextEncoding encoding = EncodingOem, uint32_t codePage = 1252,
                        uint32_t ebcdicCodePage = 1140)
        : bytes(std::move(b)) {
        buffer.data = bytes.empty() ? nullptr : bytes.data();
        buffer.size = bytes.size();
        buffer.encoding = encoding;
        buffer.codePage = codePage;
        buffer.codePageIndex = TextCodePageIndex(codePage);
        buffer.ebcdicCodePage = ebcdicCodePage;
        buffer.ebcdicIndex = EbcdicCodePageIndex(ebcdicCodePage);
    }
};

// Encodes UTF-16 text (BMP only) in one of the encodings, for building inputs.
Bytes Encode(const std::u16string& text, TextEncoding encoding) {
    Bytes out;
    for (char16_t c : text) {
        switch (encoding) {
        case EncodingUtf16Le:
            out.insert(out.end(), {uint8_t(c), uint8_t(c >> 8)});
            break;
        case EncodingUtf16Be:
            out.insert(out.end(), {uint8_t(c >> 8), uint8_t(c)});
            break;
        case EncodingUtf32Le:
            out.insert(out.end(), {uint8_t(c), uint8_t(c >> 8), 0, 0});
            break;
        case EncodingUtf32Be:
            out.insert(out.end(), {0, 0, uint8_t(c >> 8), uint8_t(c)});
            break;
        case EncodingUtf8:
            if (c < 0x80) {
                out.push_back(uint8_t(c));
            } else if (c < 0x800) {
                out.insert(out.end(), {uint8_t(0xC0 | (c >> 6)), uint8_t(0x80 | (c & 0x3F))});
            } else {
                out.insert(out.end(), {uint8_t(0xE0 | (c >> 12)), uint8_t(0x80 | ((c >> 6) & 0x3F)),
                                       uint8_t(0x80 | (c & 0x3F))});
            }
            break;
        case EncodingEbcdic: {
            int found = -1;
            for (int b = 0; b < 256 && found < 0; ++b)
                if (EbcdicTables[0][b] == c) found = b;
            EXPECT_GE(found, 0) << "no EBCDIC byte for " << int(c);
            out.push_back(uint8_t(found));
            break;
        }
        default: // EncodingOem, EncodingAscii and EncodingRaw over Latin-1 text
            out.push_back(uint8_t(c));
            break;
        }
    }
    return out;
}

std::u16string ReadAll(TextCursor& b) {
    std::u16string out;
    for (int32_t c; (c = ReadChar(b)) >= 0;)
        out.push_back(char16_t(c));
    return out;
}

// ---- Detection

TEST(DetectEncoding, HiAsUtf16LeWithoutBom) {
    MemoryText t(Bytes{0x48, 0x00, 0x69, 0x00});
    EXPECT_EQ(DetectUtf32(t.buffer), 0u) << "the second unit 0x0069 is above 0x10";
    EXPECT_EQ(DetectEncoding(t.buffer, false), EncodingUtf16Le);
    EXPECT_EQ(t.buffer.bomLength, 0u);
    EXPECT_EQ(t.buffer.position, 0u);
    EXPECT_EQ(ReadAll(t.buffer), u"Hi");
}

TEST(DetectEncoding, PlainAsciiIsOem) {
    MemoryText t(B("Just plain text.\r\nSecond line\r\n"));
    EXPECT_EQ(DetectEncoding(t.buffer, true), EncodingOem);
    EXPECT_EQ(t.buffer.bomLength, 0u);
}

TEST(DetectEncoding, InvalidUtf8SequenceIsNotUtf8) {
    MemoryText t(B("caf\xC3\x28 and more text"));
    EXPECT_EQ(DetectUtf8(t.buffer), 0u);
    EXPECT_EQ(DetectEncoding(t.buffer, false), EncodingOem);
}

TEST(DetectEncoding, Utf8WithAndWithoutBom) {
    MemoryText plain(B("caf\xC3\xA9\n"));
    EXPECT_EQ(DetectEncoding(plain.buffer, false), EncodingUtf8);
    EXPECT_EQ(plain.buffer.bomLength, 0u);
    MemoryText marked(B("\xEF\xBB\xBFtext"));
    EXPECT_EQ(DetectEncoding(marked.buffer, false), EncodingUtf8);
    EXPECT_EQ(marked.buffer.bomLength, 3u);
    EXPECT_EQ(marked.buffer.position, 3u);
    // A sequence cut off at the end of the data and overlong forms are still accepted.
    MemoryText cut(B("abc\xC3\xA9xyz\xE2\x82"));
    EXPECT_EQ(DetectUtf8(cut.buffer), uint32_t{EncodingUtf8});
    MemoryText overlong(B("a\xC0\x80z"));
    EXPECT_EQ(DetectUtf8(overlong.buffer), uint32_t{EncodingUtf8});
    MemoryText lone(B("abc\xA9"));
    EXPECT_EQ(DetectUtf8(lone.buffer), 0u) << "continuation byte without a lead";
    MemoryText high(B("abc\xF8\x80\x80\x80\x80"));
    EXPECT_EQ(DetectUtf8(high.buffer), 0u);
}

TEST(DetectEncoding, CodePage65001MakesEverythingUtf8) {
    MemoryText invalid(B("caf\xC3\x28 and more"), EncodingOem, 65001);
    EXPECT_EQ(DetectEncoding(invalid.buffer, true), EncodingUtf8);
    EXPECT_EQ(invalid.buffer.bomLength, 0u);
    MemoryText marked(B("\xFF\xFE"
                        "A\0"s),
                      EncodingOem, 65001);
    EXPECT_EQ(DetectEncoding(marked.buffer, true), EncodingUtf16Le) << "a UTF-16 mark still wins";
    MemoryText marked8(B("\xEF\xBB\xBFplain"), EncodingOem, 65001);
    EXPECT_EQ(DetectEncoding(marked8.buffer, true), EncodingUtf8);
    EXPECT_EQ(marked8.buffer.bomLength, 3u);
}

TEST(DetectEncoding, Utf32WithBomHasBomLengthFour) {
    Bytes le{0xFF, 0xFE, 0x00, 0x00};
    Bytes text = Encode(u"Hello, world", EncodingUtf32Le);
    le.insert(le.end(), text.begin(), text.end());
    MemoryText t(le);
    EXPECT_EQ(DetectEncoding(t.buffer, false), EncodingUtf32Le);
    EXPECT_EQ(t.buffer.bomLength, 4u);
    EXPECT_EQ(t.buffer.position, 4u);
    EXPECT_EQ(ReadAll(t.buffer), u"Hello, world");

    Bytes be{0x00, 0x00, 0xFE, 0xFF};
    text = Encode(u"Hello, world", EncodingUtf32Be);
    be.insert(be.end(), text.begin(), text.end());
    MemoryText u(be);
    EXPECT_EQ(DetectEncoding(u.buffer, false), EncodingUtf32Be);
    EXPECT_EQ(u.buffer.bomLength, 4u);
    EXPECT_EQ(ReadAll(u.buffer), u"Hello, world");
}

TEST(DetectEncoding, Utf32WithoutBom) {
    MemoryText le(Encode(u"Some text in UTF-32", EncodingUtf32Le));
    EXPECT_EQ(DetectEncoding(le.buffer, false), EncodingUtf32Le);
    EXPECT_EQ(le.buffer.bomLength, 0u);
    MemoryText be(Encode(u"Some text in UTF-32", EncodingUtf32Be));
    EXPECT_EQ(DetectEncoding(be.buffer, false), EncodingUtf32Be);
    EXPECT_EQ(be.buffer.bomLength, 0u);
    MemoryText odd(Bytes{'A', 0, 0, 0, 'B', 0, 0});
    EXPECT_EQ(DetectUtf32(odd.buffer), 0u) << "size not a multiple of four";
}

TEST(DetectEncoding, LargeUtf32FileIsStillUtf32) {
    // The threshold follows the units examined, so files beyond the examined prefix qualify.
    std::u16string line = u"A line of text in a large file\r\n";
    std::u16string text;
    while (text.size() < 200000)
        text += line;
    Bytes bytes{0xFF, 0xFE, 0x00, 0x00};
    Bytes body = Encode(text, EncodingUtf32Le);
    bytes.insert(bytes.end(), body.begin(), body.end());
    MemoryText t(bytes);
    EXPECT_EQ(DetectEncoding(t.buffer, false), EncodingUtf32Le);
    EXPECT_EQ(t.buffer.bomLength, 4u);
}

TEST(DetectEncoding, Utf16ByteOrderMarks) {
    MemoryText le(B("\xFF\xFEH\0i\0"s));
    EXPECT_EQ(DetectEncoding(le.buffer, false), EncodingUtf16Le);
    EXPECT_EQ(le.buffer.bomLength, 2u);
    EXPECT_EQ(ReadAll(le.buffer), u"Hi");
    MemoryText be(B("\xFE\xFF\0H\0i"s));
    EXPECT_EQ(DetectEncoding(be.buffer, false), EncodingUtf16Be);
    EXPECT_EQ(be.buffer.bomLength, 2u);
    EXPECT_EQ(ReadAll(be.buffer), u"Hi");
}

TEST(DetectEncoding, Utf16WithoutBomByStatistics) {
    std::u16string text = u"Words separated by spaces, long enough to need the statistics. ";
    text += text;
    text += text;
    MemoryText le(Encode(text, EncodingUtf16Le));
    EXPECT_EQ(DetectEncoding(le.buffer, false), EncodingUtf16Le);
    MemoryText be(Encode(text, EncodingUtf16Be));
    EXPECT_EQ(DetectEncoding(be.buffer, false), EncodingUtf16Be);
    MemoryText few(B("\x01\x02\x03\x04\x05\x06"));
    EXPECT_EQ(DetectUtf16(few.buffer), 0u) << "too few letters, digits and spaces";
}

// EBCDIC statistics over exactly composed inputs.
Bytes EbcdicSample(int size, int ebcdicAlnum, int asciiAlnum, int otherHigh, int ebcdicSpaces,
                   int asciiSpaces) {
    Bytes out;
    out.insert(out.end(), ebcdicAlnum, 0xC1);
    out.insert(out.end(), asciiAlnum, 'a');
    out.insert(out.end(), otherHigh, 0x80);
    out.insert(out.end(), ebcdicSpaces, 0x40);
    out.insert(out.end(), asciiSpaces, 0x20);
    EXPECT_LE(static_cast<int>(out.size()), size);
    out.resize(size, '.'); // counts as nothing
    return out;
}

TEST(DetectEncoding, EbcdicNeedsFiveTimesAsManyFrom1024Bytes) {
    struct Case {
        const char* what;
        int size, ebcdicAlnum, asciiAlnum, otherHigh, ebcdicSpaces, asciiSpaces;
        bool ebcdic;
    } cases[] = {
        {"exactly five times each", 1024, 500, 100, 100, 200, 40, true},
        {"one ASCII letter too many", 1024, 500, 101, 100, 200, 40, false},
        {"one other high byte too many", 1024, 500, 100, 101, 200, 40, false},
        {"one ASCII space too many", 1024, 500, 100, 100, 200, 41, false},
        {"below 1024 bytes four times is enough", 1000, 400, 100, 100, 160, 40, true},
        {"below 1024 bytes one short of four times", 1000, 399, 100, 0, 160, 0, false},
        {"at 1024 bytes four times is not enough", 1024, 400, 100, 0, 160, 0, false},
        {"below 128 bytes never", 127, 100, 0, 0, 20, 0, false},
        {"128 bytes", 128, 100, 0, 0, 20, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryText t(
            EbcdicSample(c.size, c.ebcdicAlnum, c.asciiAlnum, c.otherHigh, c.ebcdicSpaces, c.asciiSpaces));
        EXPECT_EQ(DetectEbcdic(t.buffer), c.ebcdic ? uint32_t{EncodingEbcdic} : 0u);
    }
}

// Files of blank lines have no letters, digits or blanks of either kind: every EBCDIC ratio holds
// with all counts 0, and 1,000 CR LF pairs were taken for EBCDIC (CR read as the only line
// break). They are 8-bit text, with one line per ending.
Bytes Times(const std::string& piece, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += piece;
    return B(s);
}

Bytes Append(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(DetectEncoding, BlankLinesAreNotEbcdic) {
    struct Case {
        const char* file;
        Bytes bytes;
        uint64_t lines;
        LineEnding ending;
    } cases[] = {
        {"a_crlf_1.txt", Times("a\r\n", 1), 1, LineEndingCrLf},
        {"a_crlf_2.txt", Times("a\r\n", 2), 2, LineEndingCrLf},
        {"a_crlf_10.txt", Times("a\r\n", 10), 10, LineEndingCrLf},
        {"a_crlf_1000.txt", Times("a\r\n", 1000), 1000, LineEndingCrLf},
        {"crlf_1.txt", Times("\r\n", 1), 1, LineEndingCrLf},
        {"crlf_2.txt", Times("\r\n", 2), 2, LineEndingCrLf},
        {"crlf_10.txt", Times("\r\n", 10), 10, LineEndingCrLf},
        {"crlf_1000.txt", Times("\r\n", 1000), 1000, LineEndingCrLf},
        {"crlf_then_a_1.txt", Append(Times("\r\n", 1), B("a\r\n")), 2, LineEndingCrLf},
        {"crlf_then_a_2.txt", Append(Times("\r\n", 2), B("a\r\n")), 3, LineEndingCrLf},
        {"crlf_then_a_10.txt", Append(Times("\r\n", 10), B("a\r\n")), 11, LineEndingCrLf},
        {"crlf_then_a_1000.txt", Append(Times("\r\n", 1000), B("a\r\n")), 1001, LineEndingCrLf},
        {"lf_1.txt", Times("\n", 1), 1, LineEndingLf},
        {"lf_2.txt", Times("\n", 2), 2, LineEndingLf},
        {"lf_10.txt", Times("\n", 10), 10, LineEndingLf},
        {"lf_1000.txt", Times("\n", 1000), 1000, LineEndingLf},
        {"2,000 CR", Times("\r", 2000), 2000, LineEndingCr},
        {"punctuation and tabs only", Times(".,;:-\t\r\n", 300), 300, LineEndingCrLf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        MemoryText t(c.bytes);
        EXPECT_EQ(DetectEbcdic(t.buffer), 0u);
        EXPECT_EQ(DetectEncoding(t.buffer, true), EncodingOem);
        EXPECT_EQ(CountLines(t.buffer), c.lines);
        EXPECT_EQ(LineEndingKind(t.buffer), c.ending);
    }
}

// One EBCDIC letter or blank is enough evidence when nothing ASCII speaks against it.
TEST(DetectEncoding, EbcdicNeedsOneLetterDigitOrBlankOfItsOwn) {
    struct Case {
        const char* what;
        Bytes bytes;
        bool ebcdic;
    } cases[] = {
        {"EBCDIC line feeds only", Times("\x25", 2000), false},
        {"EBCDIC line feeds and one EBCDIC letter", Append(Times("\x25", 2000), B("\xC1")), true},
        {"EBCDIC line feeds and one EBCDIC blank", Append(Times("\x25", 2000), B("\x40")), true},
        {"EBCDIC letter with an ASCII letter",
         Append(Times("\x25", 2000), B("\xC1"
                                       "a")),
         false},
    };
    for (const Case& c : cases) {
        MemoryText t(c.bytes);
        EXPECT_EQ(DetectEbcdic(t.buffer), c.ebcdic ? uint32_t{EncodingEbcdic} : 0u) << c.what;
    }
}

TEST(DetectEncoding, EbcdicOnlyWhenAsked) {
    std::u16string line = u"THIS IS A RECORD OF EBCDIC TEXT WITH 12345 DIGITS AND WORDS";
    std::u16string text;
    while (text.size() < 2000)
        text += line + u"\n";
    MemoryText asked(Encode(text, EncodingEbcdic));
    EXPECT_EQ(DetectEncoding(asked.buffer, true), EncodingEbcdic);
    EXPECT_EQ(ReadAll(asked.buffer), text);
    MemoryText notAsked(Encode(text, EncodingEbcdic));
    EXPECT_EQ(DetectEncoding(notAsked.buffer, false), EncodingOem);
}

TEST(DetectEncoding, EmptyAndTinyInputs) {
    MemoryText empty(Bytes{});
    EXPECT_EQ(DetectEncoding(empty.buffer, true), EncodingOem);
    MemoryText one(Bytes{0xFF});
    EXPECT_EQ(DetectEncoding(one.buffer, true), EncodingOem);
}

// ---- Decoding

TEST(DecodeUtf8, Sequences) {
    struct Case {
        const char* what;
        Bytes bytes;
        int32_t expected;
    } cases[] = {
        {"ASCII", {0x41}, 0x41},
        {"continuation as lead", {0x80}, -1},
        {"two bytes", {0xC3, 0xA9}, 0xE9},
        {"three bytes", {0xE2, 0x82, 0xAC}, 0x20AC},
        {"four bytes", {0xF0, 0x9F, 0x98, 0x80}, 0x1F600},
        {"overlong NUL", {0xC0, 0x80}, 0},
        {"overlong slash", {0xE0, 0x80, 0xAF}, 0x2F},
        {"bad continuation", {0xC3, 0x28}, -1},
        {"lead F8", {0xF8, 0x80, 0x80, 0x80}, -1},
        {"lead FF", {0xFF}, -1},
        {"cut off", {0xE2, 0x82}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeUtf8(c.bytes.data(), c.bytes.size()), c.expected);
    }
    EXPECT_EQ(DecodeUtf8(nullptr, 4), -1);
}

TEST(ReadChar, EmojiInUtf8IsOneReplacementAdvancingFourBytes) {
    MemoryText t(B("\xF0\x9F\x98\x80!"), EncodingUtf8);
    EXPECT_EQ(ReadChar(t.buffer), 0xFFFD);
    EXPECT_EQ(t.buffer.position, 4u);
    EXPECT_EQ(ReadChar(t.buffer), '!');
    EXPECT_EQ(ReadChar(t.buffer), -1);
    EXPECT_EQ(t.buffer.position, 5u);
}

TEST(ReadChar, Utf8InvalidInput) {
    struct Case {
        const char* what;
        std::string bytes;
        std::u16string chars;
    } cases[] = {
        {"lone continuation", "a\x80z", u"a\uFFFDz"},
        {"lead F8", "\xF8z", u"\uFFFDz"},
        {"bad continuation advances one byte", "\xC3\x28", u"\uFFFD("},
        {"cut off at the end", "ab\xE2\x82", u"ab\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80z", u"\uFFFDz"},
        {"overlong forms decode", "\xC1\x81", u"A"},
        {"three-byte character", "\xE2\x82\xAC", u"\u20AC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryText t(B(c.bytes), EncodingUtf8);
        EXPECT_EQ(ReadAll(t.buffer), c.chars);
    }
}

TEST(ReadChar, PeekMatchesReadAndStopsAtCutOffSequence) {
    MemoryText t(B("a\xC3\xA9\xE2\x82"), EncodingUtf8);
    EXPECT_EQ(PeekChar(t.buffer), 'a');
    EXPECT_EQ(t.buffer.position, 0u);
    ReadChar(t.buffer);
    EXPECT_EQ(PeekChar(t.buffer), 0xE9);
    ReadChar(t.buffer);
    EXPECT_EQ(PeekChar(t.buffer), -1) << "cut-off sequence at the end";
    EXPECT_EQ(ReadChar(t.buffer), 0xFFFD);
}

TEST(ReadChar, Utf32AboveTheBasicPlaneIsReplacement) {
    MemoryText le(
        Bytes{0x00, 0xF6, 0x01, 0x00, 0x41, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xAC, 0x20, 0, 0},
        EncodingUtf32Le);
    EXPECT_EQ(ReadAll(le.buffer), u"\uFFFDA\uFFFD\u20AC");
    MemoryText be(Bytes{0x00, 0x01, 0xF6, 0x00, 0x00, 0x00, 0x00, 0x41, 0x00, 0x00, 0x20}, EncodingUtf32Be);
    EXPECT_EQ(ReadChar(be.buffer), 0xFFFD);
    EXPECT_EQ(ReadChar(be.buffer), 'A');
    EXPECT_EQ(ReadChar(be.buffer), -1) << "three bytes left";
    EXPECT_EQ(be.buffer.position, 8u);
}

TEST(ReadChar, Utf16SurrogatesComeBackUnpairedAndAnOddByteEnds) {
    MemoryText t(Bytes{0x3D, 0xD8, 0x00, 0xDE, 0x41, 0x00, 0x42}, EncodingUtf16Le);
    EXPECT_EQ(ReadChar(t.buffer), 0xD83D);
    EXPECT_EQ(ReadChar(t.buffer), 0xDE00);
    EXPECT_EQ(ReadChar(t.buffer), 'A');
    EXPECT_EQ(ReadChar(t.buffer), -1);
    EXPECT_EQ(t.buffer.position, 6u);
}

TEST(ReadChar, SingleByteEncodings) {
    MemoryText oem(Bytes{0x41, 0x80, 0xE1}, EncodingOem, 437);
    EXPECT_EQ(ReadAll(oem.buffer), u"A\u00C7\u00DF");
    MemoryText ascii(Bytes{0x80}, EncodingAscii, 1252);
    EXPECT_EQ(ReadAll(ascii.buffer), u"\u20AC") << "ASCII decodes like OEM";
    MemoryText unlisted(Bytes{0x80}, EncodingOem, 932);
    EXPECT_EQ(ReadAll(unlisted.buffer), u"\u20AC") << "an unlisted code page uses 1252";
    MemoryText raw(Bytes{0x80, 0x85, 0xFF}, EncodingRaw);
    EXPECT_EQ(ReadAll(raw.buffer), u"\u0080\u0085\u00FF");
    MemoryText ebcdic(Bytes{0xC8, 0x89, 0x5A, 0x9F}, EncodingEbcdic, 1252, 1141);
    EXPECT_EQ(ReadAll(ebcdic.buffer), u"Hi\u00DC\u20AC");
    MemoryText nul(Bytes{'a', 0, 'b'}, EncodingOem);
    EXPECT_EQ(ReadAll(nul.buffer), std::u16string(u"a\0b", 3));
}

// ---- Lines

struct LineCase {
    const char* what;
    std::u16string text;
    uint64_t lines;
    LineEnding kind;
};

const LineCase LineCases[] = {
    {"CR LF", u"a\r\nb\r\n", 2, LineEndingCrLf},
    {"LF, last line without ending", u"a\nb", 2, LineEndingLf},
    {"LF CR", u"a\n\rb", 2, LineEndingLfCr},
    {"CR", u"a\rb\r", 2, LineEndingCr},
    {"two LF and two CR: no majority", u"a\nb\nc\rd\r", 4, LineEndingNone},
    {"NEL only", u"a\u0085b\u0085c", 3, LineEndingNone},
    {"NUL ends a line", std::u16string(u"a\0b", 3), 2, LineEndingNone},
    {"empty lines", u"\n\n\n", 3, LineEndingLf},
    {"CR LF CR LF", u"\r\n\r\n", 2, LineEndingCrLf},
    {"LF CR LF", u"x\n\r\ny", 3, LineEndingNone},
    {"CR CR LF", u"\r\r\n", 2, LineEndingNone},
    {"one line without ending", u"abc", 1, LineEndingNone},
    {"nothing", u"", 0, LineEndingNone},
    {"CR LF majority", u"a\r\nb\r\nc\nd", 4, LineEndingCrLf},
};

class LineEndings : public testing::TestWithParam<TextEncoding> {};

TEST_P(LineEndings, CountsAndKinds) {
    for (const LineCase& c : LineCases) {
        SCOPED_TRACE(c.what);
        bool eightBit = GetParam() == EncodingOem || GetParam() == EncodingAscii;
        if (eightBit && c.text.find(u'\u0085') != std::u16string::npos) continue; // no byte decodes to NEL
        MemoryText t(Encode(c.text, GetParam()), GetParam());
        EXPECT_EQ(CountLines(t.buffer), c.lines);
        EXPECT_EQ(LineEndingKind(t.buffer), c.kind);
        EXPECT_EQ(t.buffer.position, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryEncoding, LineEndings,
                         testing::Values(EncodingOem, EncodingUtf16Le, EncodingUtf16Be, EncodingUtf8,
                                         EncodingEbcdic, EncodingUtf32Le, EncodingUtf32Be, EncodingRaw,
                                         EncodingAscii));

TEST(CountLines, Byte0x85IsNotALineBreakIn1252) {
    MemoryText t(B("a\x85"
                   "b"),
                 EncodingOem, 1252);
    EXPECT_EQ(CountLines(t.buffer), 1u) << "0x85 is the ellipsis in 1252";
    MemoryText raw(B("a\x85"
                     "b"),
                   EncodingRaw);
    EXPECT_EQ(CountLines(raw.buffer), 2u) << "0x85 is NEL when bytes are characters";
}

TEST(LineEndingKind, LooksAtTheFirst256EndingsOnly) {
    std::u16string text;
    for (int i = 0; i < 256; ++i)
        text += u"x\n";
    for (int i = 0; i < 1000; ++i)
        text += u"y\r";
    MemoryText t(Encode(text, EncodingUtf8), EncodingUtf8);
    EXPECT_EQ(LineEndingKind(t.buffer), LineEndingLf);
    EXPECT_EQ(CountLines(t.buffer), 1256u);
}

TEST(CountLines, StartsAtThePositionAndKeepsIt) {
    MemoryText t(B("\xEF\xBB\xBF"
                   "a\nb\nc"),
                 EncodingUtf8);
    t.buffer.position = 3;
    EXPECT_EQ(CountLines(t.buffer), 3u);
    EXPECT_EQ(t.buffer.position, 3u);
    t.buffer.position = 5; // after "a\n"
    EXPECT_EQ(CountLines(t.buffer), 2u);
    EXPECT_EQ(LineEndingKind(t.buffer), LineEndingLf);
    EXPECT_EQ(t.buffer.position, 5u);
}

TEST(CountLines, Utf8OverlongLineBreaksAndNel) {
    struct Case {
        const char* what;
        std::string bytes;
        uint64_t lines;
    } cases[] = {
        {"NEL",
         "a\xC2\x85"
         "b",
         2},
        {"overlong LF",
         "a\xC0\x8A"
         "b",
         2},
        {"overlong NUL",
         "a\xE0\x80\x80"
         "b",
         2},
        {"overlong NEL in four bytes",
         "a\xF0\x80\x82\x85"
         "b",
         2},
        {"C2 without continuation", "a\xC2\nb", 2},
        {"E0 swallowing nothing special", "a\xE0\xA0\x80\n", 1},
        {"cut-off lead before LF", "ab\xE0\n", 1},
        {"CR then overlong LF pairs",
         "a\r\xC0\x8A"
         "b",
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryText t(B(c.bytes), EncodingUtf8);
        EXPECT_EQ(CountLines(t.buffer), c.lines);
    }
}

// The line count as the readers define it, character by character, as a reference.
uint64_t ReferenceCountLines(TextCursor& b) {
    uint64_t saved = b.position, count = 0;
    for (;;) {
        bool any = false;
        int32_t ch;
        while ((ch = ReadChar(b)) > 0 && ch != 13 && ch != 10 && ch != 0x85)
            any = true;
        if (ch == 13 && PeekChar(b) == 10)
            ReadChar(b);
        else if (ch == 10 && PeekChar(b) == 13)
            ReadChar(b);
        if (any || ch != -1)
            ++count;
        else
            break;
    }
    b.position = saved;
    return count;
}

TEST(CountLines, AgreesWithTheCharacterByCharacterDefinition) {
    std::mt19937 generator(20261208);
    const uint8_t interesting[] = {0x00, 0x0A, 0x0D, 0x15, 0x25, 0x85, 0xC0, 0xC2, 0xE0, 0xF0,
                                   0x80, 0x8A, 0x8D, 0x82, 0xA0, 'a',  ' ',  0xFF, 0xFE, 0x0A};
    const TextEncoding encodings[] = {EncodingOem,     EncodingUtf16Le, EncodingUtf16Be,
                                      EncodingUtf8,    EncodingEbcdic,  EncodingUtf32Le,
                                      EncodingUtf32Be, EncodingRaw,     EncodingAscii};
    for (int round = 0; round < 3000; ++round) {
        size_t size = generator() % 200;
        Bytes bytes(size);
        for (auto& byte : bytes)
            byte = generator() % 4 == 0 ? uint8_t(generator())
                                        : interesting[generator() % std::size(interesting)];
        for (TextEncoding encoding : encodings) {
            MemoryText t(bytes, encoding, 437);
            t.buffer.position = size ? generator() % size : 0;
            uint64_t expected = ReferenceCountLines(t.buffer);
            ASSERT_EQ(CountLines(t.buffer), expected) << "round " << round << " encoding " << encoding;
        }
    }
}

// The census of text from its position, fed in pieces of pieceSize() bytes, each piece starting
// with what the one before left.
std::pair<uint64_t, LineEnding> CensusInPieces(const TextCursor& text,
                                               const std::function<size_t()>& pieceSize) {
    LineCensus census(text);
    Bytes pending;
    uint64_t at = text.position;
    for (;;) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(pieceSize(), text.size - at));
        pending.insert(pending.end(), text.data + at, text.data + at + n);
        at += n;
        bool last = at == text.size;
        size_t left = census.Feed(pending.data(), pending.size(), last);
        EXPECT_LE(left, 3u);
        pending.erase(pending.begin(), pending.end() - static_cast<ptrdiff_t>(left));
        if (last) break;
    }
    return {census.Lines(), census.Ending()};
}

TEST(LineCensus, InAnyPiecesAgreesWithCountLinesAndLineEndingKind) {
    std::mt19937 generator(20260426);
    const uint8_t interesting[] = {0x00, 0x0A, 0x0D, 0x15, 0x25, 0x85, 0xC0, 0xC2, 0xE0, 0xF0,
                                   0x80, 0x8A, 0x8D, 0x82, 0xA0, 'a',  ' ',  0xFF, 0xFE, 0x0A};
    const TextEncoding encodings[] = {EncodingOem,     EncodingUtf16Le, EncodingUtf16Be,
                                      EncodingUtf8,    EncodingEbcdic,  EncodingUtf32Le,
                                      EncodingUtf32Be, EncodingRaw,     EncodingAscii};
    for (int round = 0; round < 2000; ++round) {
        size_t size = generator() % 400;
        Bytes bytes(size);
        // Some texts are long runs of one byte, which the census takes 32 bytes at a time.
        uint8_t run = interesting[generator() % std::size(interesting)];
        bool runs = round % 3 == 0;
        for (auto& byte : bytes)
            byte = runs && generator() % 64 != 0 ? run
                   : generator() % 4 == 0        ? uint8_t(generator())
                                                 : interesting[generator() % std::size(interesting)];
        for (TextEncoding encoding : encodings) {
            MemoryText t(bytes, encoding, 437);
            t.buffer.position = size && round % 2 ? generator() % size : 0;
            uint64_t lines = CountLines(t.buffer);
            LineEnding ending = LineEndingKind(t.buffer);
            auto whole = CensusInPieces(t.buffer, [&] { return size + 1; });
            ASSERT_EQ(whole.first, lines) << "whole, round " << round << " encoding " << encoding;
            ASSERT_EQ(whole.second, ending) << "whole, round " << round << " encoding " << encoding;
            size_t fixed = 1 + generator() % 40;
            auto pieces = CensusInPieces(t.buffer, [&] { return fixed; });
            ASSERT_EQ(pieces.first, lines)
                << "pieces of " << fixed << ", round " << round << " encoding " << encoding;
            ASSERT_EQ(pieces.second, ending)
                << "pieces of " << fixed << ", round " << round << " encoding " << encoding;
            auto random = CensusInPieces(t.buffer, [&] { return 1 + generator() % 70; });
            ASSERT_EQ(random.first, lines) << "random pieces, round " << round << " encoding " << encoding;
            ASSERT_EQ(random.second, ending) << "random pieces, round " << round << " encoding " << encoding;
        }
    }
}

TEST(LineCensus, RunsOfOneEndingCountEveryByte) {
    struct Row {
        const char* label;
        TextEncoding encoding;
        Bytes bytes;
        uint64_t lines;
        LineEnding ending;
    } rows[] = {
        {"1000 NULs", EncodingAscii, Bytes(1000, 0), 1000, LineEndingNone},
        {"'a' then 999 NULs", EncodingAscii,
         [] {
             Bytes b(1000, 0);
             b[0] = 'a';
             return b;
         }(),
         999, LineEndingNone},
        {"1000 CRs", EncodingOem, Bytes(1000, 0x0D), 1000, LineEndingCr},
        {"1000 LFs, then 1000 NULs", EncodingOem,
         [] {
             Bytes b(1000, 0x0A);
             b.resize(2000, 0);
             return b;
         }(),
         2000, LineEndingLf},
        {"NEL 0x15 in EBCDIC", EncodingEbcdic, Bytes(999, 0x15), 999, LineEndingNone},
        {"1000 UTF-16 NULs", EncodingUtf16Le, Bytes(2000, 0), 1000, LineEndingNone},
        {"UTF-16 LFs", EncodingUtf16Be,
         [] {
             Bytes b;
             for (int i = 0; i < 500; ++i)
                 b.insert(b.end(), {0, 0x0A});
             return b;
         }(),
         500, LineEndingLf},
        {"UTF-8 overlong NULs", EncodingUtf8,
         [] {
             Bytes b;
             for (int i = 0; i < 300; ++i)
                 b.insert(b.end(), {0xC0, 0x80});
             return b;
         }(),
         300, LineEndingNone},
    };
    for (const Row& row : rows) {
        MemoryText t(row.bytes, row.encoding);
        auto census = CensusInPieces(t.buffer, [] { return size_t{97}; });
        EXPECT_EQ(census.first, row.lines) << row.label;
        EXPECT_EQ(census.second, row.ending) << row.label;
        EXPECT_EQ(CountLines(t.buffer), row.lines) << row.label;
    }
}

TEST(DetectionBytes, DetectionOnTheHeadIsDetectionOnTheWhole) {
    EXPECT_EQ(DetectionBytes(0), 0u);
    EXPECT_EQ(DetectionBytes(262147), 262147u);
    EXPECT_EQ(DetectionBytes(262148), 262144u);
    EXPECT_EQ(DetectionBytes(262149), 262145u);
    EXPECT_EQ(DetectionBytes(uint64_t{1} << 32 | 3), 262147u);
    // UTF-32-looking texts longer than the head, whole and cut to a size that is no multiple of 4.
    Bytes utf32;
    for (int i = 0; i < 70000; ++i)
        utf32.insert(utf32.end(), {'a', 0, 0, 0});
    Bytes utf16;
    for (int i = 0; i < 140000; ++i)
        utf16.insert(utf16.end(), {uint8_t(i % 7 ? 'b' : ' '), 0});
    Bytes ebcdic(300000, 0x81);
    for (size_t i = 0; i < ebcdic.size(); i += 5)
        ebcdic[i] = 0x40;
    Bytes utf8(300000, 'a');
    utf8[262143] = 0xC3; // a sequence cut off at the end of what DetectUtf8 reads
    for (const Bytes& text : {utf32, utf16, ebcdic, utf8})
        for (size_t cut : {size_t{0}, size_t{1}, size_t{2}, size_t{3}}) {
            Bytes whole(text.begin(), text.end() - static_cast<ptrdiff_t>(cut));
            MemoryText all(whole);
            MemoryText head(
                Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(DetectionBytes(whole.size()))));
            EXPECT_EQ(DetectEncoding(head.buffer, true), DetectEncoding(all.buffer, true)) << whole.size();
            EXPECT_EQ(head.buffer.bomLength, all.buffer.bomLength);
        }
}

TEST(ReadLine, SkipBlankSkipsWhiteLinesButReturnsALastLineOfSpaces) {
    MemoryText t(B("  \t\r\nfirst\n\n   \nsecond\r\n   "), EncodingOem);
    char16_t line[64];
    ASSERT_EQ(ReadLine(t.buffer, line, 64, true), 0);
    EXPECT_EQ(std::u16string(line), u"first");
    ASSERT_EQ(ReadLine(t.buffer, line, 64, true), 0);
    EXPECT_EQ(std::u16string(line), u"second");
    ASSERT_EQ(ReadLine(t.buffer, line, 64, true), 0);
    EXPECT_EQ(std::u16string(line), u"   ");
    EXPECT_EQ(ReadLine(t.buffer, line, 64, true), -1);
    EXPECT_EQ(std::u16string(line), u"");
}

TEST(ReadLine, WithoutSkipBlankReturnsEveryLine) {
    MemoryText t(B("a\r\n\n\rb\rc\n\r\nd"), EncodingOem);
    const char16_t* expected[] = {u"a", u"", u"b", u"c", u"", u"d"};
    char16_t line[16];
    for (const char16_t* e : expected) {
        ASSERT_EQ(ReadLine(t.buffer, line, 16, false), 0);
        EXPECT_EQ(std::u16string(line), e);
    }
    EXPECT_EQ(ReadLine(t.buffer, line, 16, false), -1);
}

TEST(ReadLine, CutsOverLongLinesAndContinuesWithTheNext) {
    MemoryText t(B("abcdefg\nxy\nabcd\nabcde"), EncodingOem);
    char16_t line[5];
    const char16_t* expected[] = {u"abcd", u"xy", u"abcd", u"abcd"};
    for (const char16_t* e : expected) {
        ASSERT_EQ(ReadLine(t.buffer, line, 5, false), 0);
        EXPECT_EQ(std::u16string(line), e);
    }
    EXPECT_EQ(ReadLine(t.buffer, line, 5, false), -1);
}

TEST(ReadLine, NelAndNulEndALineAlone) {
    MemoryText t(Encode(std::u16string(u"a\u0085\rb\0\nc", 7), EncodingUtf16Le), EncodingUtf16Le);
    const char16_t* expected[] = {u"a", u"", u"b", u"", u"c"};
    char16_t line[16];
    for (const char16_t* e : expected) {
        ASSERT_EQ(ReadLine(t.buffer, line, 16, false), 0);
        EXPECT_EQ(std::u16string(line), e);
    }
    EXPECT_EQ(ReadLine(t.buffer, line, 16, false), -1);
}

TEST(ReadLine, PairsAtTheEndOfTheData) {
    MemoryText t(Encode(u"x\r", EncodingUtf16Be), EncodingUtf16Be);
    t.bytes.push_back(0x00); // half a character after the CR
    t.buffer.data = t.bytes.data();
    t.buffer.size = t.bytes.size();
    char16_t line[8];
    ASSERT_EQ(ReadLine(t.buffer, line, 8, false), 0);
    EXPECT_EQ(std::u16string(line), u"x");
    EXPECT_EQ(ReadLine(t.buffer, line, 8, false), -1);
}

TEST(ReadLine, SkipBlankSkipsLinesOfUnicodeSpacesOnly) {
    MemoryText t(Encode(u"\u3000\u00A0\u2009\r\n\u200B\n\u2028\u202F\nlast", EncodingUtf16Le),
                 EncodingUtf16Le);
    char16_t line[16];
    ASSERT_EQ(ReadLine(t.buffer, line, 16, true), 0);
    EXPECT_EQ(std::u16string(line), u"\u200B") << "a zero width space is not blank";
    ASSERT_EQ(ReadLine(t.buffer, line, 16, true), 0);
    EXPECT_EQ(std::u16string(line), u"last");
    EXPECT_EQ(ReadLine(t.buffer, line, 16, true), -1);
}

TEST(EncodingName, Names) {
    struct Case {
        uint32_t encoding;
        int64_t bom;
        const char16_t* expected;
    } cases[] = {
        {EncodingOem, 0, u"OEM"},
        {EncodingUtf16Le, 2, u"UTF-16LE with BOM"},
        {EncodingUtf16Be, 0, u"UTF-16BE without BOM"},
        {EncodingUtf8, 3, u"UTF-8 with BOM"},
        {EncodingUtf8, 0, u"UTF-8 without BOM"},
        {EncodingUtf8, -1, u"UTF-8"},
        {EncodingEbcdic, 0, u"EBCDIC"},
        {EncodingUtf32Le, 4, u"UTF-32LE with BOM"},
        {EncodingUtf32Be, 0, u"UTF-32BE without BOM"},
        {EncodingRaw, 1, u"raw"},
        {EncodingAscii, 0, u"ASCII"},
        {7, 0, u"unknown"},
    };
    for (const Case& c : cases) {
        char16_t out[1024];
        ASSERT_EQ(EncodingName(c.encoding, c.bom, out), 0);
        EXPECT_EQ(std::u16string(out), c.expected);
    }
    EXPECT_EQ(EncodingName(EncodingOem, 0, static_cast<char16_t*>(nullptr)), -1);
}

} // namespace
