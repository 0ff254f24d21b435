// Encoding detection and every text decoder over arbitrary bytes: the first byte picks the code
// pages and whether EBCDIC is considered, the rest is the text. Each reader must stay inside the
// bytes, move forward, and leave the position where it promised.
#include "FuzzCheck.h"

#include "text/CodePageTables.h"
#include "text/Encoding.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace scrutel;

namespace {

TextCursor CursorOver(const std::vector<uint8_t>& bytes, uint8_t choice) {
    TextCursor cursor;
    cursor.data = bytes.empty() ? nullptr : bytes.data();
    cursor.size = bytes.size();
    cursor.codePage = TextCodePages[choice % 24];
    cursor.codePageIndex = TextCodePageIndex(cursor.codePage);
    cursor.ebcdicCodePage = EbcdicCodePages[(choice >> 5) % 10];
    cursor.ebcdicIndex = EbcdicCodePageIndex(cursor.ebcdicCodePage);
    return cursor;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t choice = data[0];
    // An exact-size copy, so that a read one byte too far is a sanitizer report.
    std::vector<uint8_t> bytes(data + 1, data + size);

    // Forced encodings first (the readers must survive any bytes in any encoding), then detection.
    const TextEncoding forced[] = {EncodingOem,     EncodingUtf16Le, EncodingUtf16Be,
                                   EncodingUtf8,    EncodingEbcdic,  EncodingUtf32Le,
                                   EncodingUtf32Be, EncodingRaw,     EncodingAscii};
    for (int round = 0; round < 2; ++round) {
        TextCursor cursor = CursorOver(bytes, choice);
        if (round == 0) {
            cursor.encoding = forced[choice % 9];
        } else {
            TextEncoding detected = DetectEncoding(cursor, (choice & 0x10) != 0);
            FUZZ_CHECK(detected == cursor.encoding);
            FUZZ_CHECK(cursor.bomLength <= 4 && cursor.bomLength <= cursor.size);
            FUZZ_CHECK(cursor.position >= cursor.bomLength);
            char16_t name[1024];
            FUZZ_CHECK(EncodingName(detected, static_cast<int64_t>(cursor.bomLength), name) >= 0);
        }
        const uint64_t start = cursor.position;

        const uint64_t lines = CountLines(cursor);
        FUZZ_CHECK(cursor.position == start);
        LineEnding ending = LineEndingKind(cursor);
        FUZZ_CHECK(cursor.position == start);
        FUZZ_CHECK(ending <= LineEndingLfCr);

        // Character by character: each read moves forward and stays inside the bytes.
        uint64_t characters = 0;
        for (;;) {
            int32_t peeked = PeekChar(cursor);
            uint64_t before = cursor.position;
            int32_t c = ReadChar(cursor);
            if (c < 0) break;
            FUZZ_CHECK(c <= 0xFFFF);
            FUZZ_CHECK(peeked == c || peeked < 0);
            FUZZ_CHECK(cursor.position > before && cursor.position <= cursor.size);
            ++characters;
        }
        FUZZ_CHECK(characters <= bytes.size());

        // Line by line, into a small buffer so that cut lines are exercised: always terminated.
        cursor.position = start;
        char16_t line[17];
        uint64_t read = 0;
        while (read <= bytes.size() + 1) {
            uint64_t before = cursor.position;
            int rc = ReadLine(cursor, line, sizeof line / sizeof line[0], (choice & 0x20) != 0);
            if (rc != 0) break;
            FUZZ_CHECK(cursor.position > before || cursor.position == cursor.size);
            FUZZ_CHECK(FuzzTerminated(line, sizeof line / sizeof line[0]));
            ++read;
        }
        FUZZ_CHECK(read <= bytes.size() + 1);
        FUZZ_CHECK(lines <= bytes.size() + 1);
    }

    // The UTF-8 sequence decoder on its own, at every offset and length.
    for (size_t i = 0; i < bytes.size() && i < 64; ++i) {
        int32_t cp = DecodeUtf8(bytes.data() + i, bytes.size() - i);
        FUZZ_CHECK(cp >= -1 && cp <= 0x1FFFFF);
    }
    return 0;
}
