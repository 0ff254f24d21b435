// Fuzz targets for the text readers: encoding detection, ReadChar, PeekChar, ReadLine, CountLines,
// LineEndingKind and DecodeUtf8 over random and mutated bytes in every encoding, with the input
// (and the line buffer) against a guard page.
#include "robustness/FuzzInputs.h"
#include "robustness/GuardedMemory.h"
#include "text/Encoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace scrutel;
using namespace robustness;

namespace {

const TextEncoding kEncodings[] = {EncodingOem,     EncodingUtf16Le, EncodingUtf16Be,
                                   EncodingUtf8,    EncodingEbcdic,  EncodingUtf32Le,
                                   EncodingUtf32Be, EncodingRaw,     EncodingAscii};

bool IsDetectable(uint32_t e) {
    return e == EncodingOem || e == EncodingUtf16Le || e == EncodingUtf16Be || e == EncodingUtf8 ||
           e == EncodingEbcdic || e == EncodingUtf32Le || e == EncodingUtf32Be;
}

// A cursor over guarded bytes, set up as OpenTextSource would leave it.
void Prepare(TextCursor& buffer, const GuardedMemory& memory, TextEncoding encoding, uint32_t codePage,
             uint32_t ebcdicCodePage) {
    buffer.data = memory.size() ? memory.data() : nullptr;
    buffer.size = memory.size();
    buffer.position = 0;
    buffer.bomLength = 0;
    buffer.encoding = encoding;
    buffer.codePage = codePage;
    buffer.codePageIndex = TextCodePageIndex(codePage);
    buffer.ebcdicCodePage = ebcdicCodePage;
    buffer.ebcdicIndex = EbcdicCodePageIndex(ebcdicCodePage);
}

// Text with every kind of line end and characters from several scripts, encoded for a reader.
Bytes EncodedSample(TextEncoding encoding) {
    const std::u16string text =
        u"first line\r\nsecond\n\rthird\rfourth\u0085fifth\n\n  \t\n\u00e9\u20ac\u4e2d\uffff\r\n";
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
        case EncodingEbcdic: // letters and line ends of EBCDIC, enough to be recognised
            out.push_back(c == u'\n' ? 0x25 : c == u'\r' ? 0x0D : c == u' ' ? 0x40 : uint8_t(0x81 + (c % 9)));
            break;
        default:
            out.push_back(static_cast<uint8_t>(c));
            break;
        }
    }
    return out;
}

// Every reader on one buffer: documented values only, progress on every character, and
// positions that stay inside the data.
void ExerciseReaders(TextCursor& buffer, std::mt19937& g) {
    const uint64_t start = buffer.position;
    const uint64_t size = buffer.size;

    const LineEnding ending = LineEndingKind(buffer);
    ASSERT_LE(static_cast<uint32_t>(ending), 4u);
    ASSERT_EQ(buffer.position, start);

    const uint64_t lines = CountLines(buffer);
    ASSERT_LE(lines, size + 1);
    ASSERT_EQ(buffer.position, start);

    uint64_t characters = 0;
    for (;;) {
        const int32_t peeked = PeekChar(buffer);
        const uint64_t before = buffer.position;
        const int32_t c = ReadChar(buffer);
        ASSERT_GE(c, -1);
        ASSERT_LE(c, 0xFFFF);
        if (peeked != -1) {
            ASSERT_EQ(c, peeked) << "at byte " << before;
        }
        if (c == -1) break;
        ASSERT_GT(buffer.position, before) << "no progress at byte " << before;
        ASSERT_LE(buffer.position, size);
        ASSERT_LE(++characters, size) << "more characters than bytes";
    }

    // Lines into a guarded buffer of random capacity: the reader may write only inside it.
    buffer.position = start;
    const size_t capacity = 1 + Pick(g, 200);
    GuardedMemory lineMemory(std::vector<uint8_t>(capacity * sizeof(wchar_t), 0xAB));
    wchar_t* line = reinterpret_cast<wchar_t*>(lineMemory.data());
    const bool skipBlank = Pick(g, 2) == 0;
    uint64_t read = 0;
    for (;;) {
        const uint64_t before = buffer.position;
        const int rc = ReadLine(buffer, line, capacity, skipBlank);
        ASSERT_TRUE(rc == 0 || rc == -1) << "result " << rc;
        ASSERT_LT(wcsnlen(line, capacity), capacity) << "line not terminated";
        if (rc == -1) break;
        ASSERT_GT(buffer.position, before) << "a line read without progress";
        ASSERT_LE(buffer.position, size);
        ASSERT_LE(++read, size + 1);
    }
    if (!skipBlank) {
        EXPECT_LE(read, lines + 1);
    }
}

TEST(TextFuzz, ReadersInEveryEncodingOnRandomAndMutatedBytes) {
    auto g = FixedGenerator(20);
    const int iterations = Iterations(600);
    for (TextEncoding encoding : kEncodings) {
        SCOPED_TRACE(static_cast<int>(encoding));
        const Bytes sample = EncodedSample(encoding);
        for (int i = 0; i < iterations; ++i) {
            SCOPED_TRACE(i);
            Bytes bytes = Pick(g, 2) == 0 ? RandomBytes(g, 700) : Mutate(g, sample);
            GuardedMemory memory(bytes);
            TextCursor buffer;
            const uint32_t codePage = TextCodePages[Pick(g, std::size(TextCodePages))];
            const uint32_t ebcdic = EbcdicCodePages[Pick(g, std::size(EbcdicCodePages))];
            Prepare(buffer, memory, encoding, codePage, ebcdic);
            // Start in the middle of a character now and then.
            if (!bytes.empty() && Pick(g, 4) == 0)
                buffer.position = Pick(g, static_cast<uint32_t>(bytes.size()));
            ASSERT_NO_FATAL_FAILURE(ExerciseReaders(buffer, g));
            buffer.data = nullptr; // the memory belongs to the test
        }
    }
    ReportIterations("ReadChar/PeekChar/ReadLine/CountLines/LineEndingKind per encoding (9 encodings)",
                     iterations);
}

TEST(TextFuzz, DetectionGivesADocumentedEncodingAndReadableResult) {
    auto g = FixedGenerator(21);
    const int iterations = Iterations(3000);
    std::vector<Bytes> samples;
    for (TextEncoding encoding : kEncodings)
        samples.push_back(EncodedSample(encoding));
    samples.push_back({0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0});
    samples.push_back({0xFE, 0xFF, 0, 'a', 0, '\n'});
    samples.push_back({0xEF, 0xBB, 0xBF, 'a', '\n'});
    samples.push_back({0xFF, 0xFE, 0, 0, 'a', 0, 0, 0});
    samples.push_back({0, 0, 0xFE, 0xFF, 0, 0, 0, 'a'});
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        Bytes bytes = Pick(g, 2) == 0 ? RandomBytes(g, 600) : Mutate(g, samples[Pick(g, samples.size())]);
        GuardedMemory memory(bytes);
        TextCursor buffer;
        Prepare(buffer, memory, EncodingOem, 1252, 1140);
        const bool ebcdic = Pick(g, 2) == 0;
        const TextEncoding found = DetectEncoding(buffer, ebcdic);
        ASSERT_TRUE(IsDetectable(found)) << "encoding " << found;
        ASSERT_EQ(buffer.encoding, found);
        if (!ebcdic) {
            ASSERT_NE(found, EncodingEbcdic);
        }
        ASSERT_TRUE(buffer.bomLength == 0 || buffer.bomLength == 2 || buffer.bomLength == 3 ||
                    buffer.bomLength == 4)
            << buffer.bomLength;
        ASSERT_LE(buffer.bomLength, bytes.size());
        ASSERT_GE(buffer.position, buffer.bomLength);
        ASSERT_LE(buffer.position, bytes.size());
        ASSERT_NO_FATAL_FAILURE(ExerciseReaders(buffer, g));
        wchar_t name[1024];
        ASSERT_EQ(EncodingName(found, static_cast<int64_t>(buffer.bomLength), name), 0);
        ASSERT_GT(wcsnlen(name, 1024), 0u);
        ASSERT_LT(wcsnlen(name, 1024), 1024u);
        buffer.data = nullptr;
    }
    ReportIterations("DetectEncoding (then every reader)", iterations);
}

TEST(TextFuzz, DecodeUtf8NeverReadsPastWhatIsAvailable) {
    auto g = FixedGenerator(22);
    const int iterations = Iterations(20000);
    for (int i = 0; i < iterations; ++i) {
        Bytes bytes = RandomBytes(g, 6);
        if (!bytes.empty() && Pick(g, 2) == 0) bytes[0] = static_cast<uint8_t>(0xC0 | g()); // a lead byte
        GuardedMemory memory(bytes);
        const int32_t c = DecodeUtf8(memory.data(), memory.size());
        ASSERT_GE(c, -1) << i;
        ASSERT_LE(c, 0x1FFFFF) << i; // three continuations carry 21 bits; ReadChar replaces the rest
        if (bytes.empty()) {
            ASSERT_EQ(c, -1);
        }
        if (!bytes.empty() && bytes[0] < 0x80) {
            ASSERT_EQ(c, bytes[0]);
        }
    }
    ReportIterations("DecodeUtf8", iterations);
}

TEST(TextFuzz, GuardPageReallyRefusesReads) {
    GuardedMemory memory(Bytes{1, 2, 3});
    EXPECT_TRUE(memory.GuardActive());
    EXPECT_EQ(memory.data()[2], 3);
}

} // namespace
