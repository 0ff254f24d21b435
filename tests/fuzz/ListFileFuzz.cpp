// List files over arbitrary bytes, read as the command reads them: encoding detection, line by
// line, then each line's file name. A name is never longer than its line, holds no quote and,
// unless quoted, has no blank at either end; comments name nothing.
#include "FuzzCheck.h"

#include "core/CharClass.h"
#include "select/ListLine.h"
#include "text/CodePageTables.h"
#include "text/Encoding.h"
#include "text/VolumeGuidName.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace scrutel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    TextCursor cursor;
    cursor.data = bytes.empty() ? nullptr : bytes.data();
    cursor.size = bytes.size();
    cursor.codePage = 1252;
    cursor.codePageIndex = TextCodePageIndex(1252);
    cursor.ebcdicCodePage = 1140;
    cursor.ebcdicIndex = EbcdicCodePageIndex(1140);
    DetectEncoding(cursor, false);

    std::vector<char16_t> line(512);
    for (size_t lines = 0; lines <= size; ++lines) {
        if (ReadLine(cursor, line.data(), line.size(), true) != 0) break;
        U16View text(line.data(), U16Length(line.data()));
        U16String name = ListLineName(text);
        FUZZ_CHECK(name.size() <= text.size());
        for (char16_t c : name)
            FUZZ_CHECK(c != u'"');
        // Blanks at the ends survive only inside quotes.
        if (!name.empty() && text.find(u'"') == U16View::npos)
            FUZZ_CHECK(!IsWhiteSpace(name.front()) && !IsWhiteSpace(name.back()));
        size_t first = 0;
        while (first < text.size() && IsWhiteSpace(text[first]))
            ++first;
        if (first < text.size() && text[first] == u':') FUZZ_CHECK(name.empty());

        std::vector<char16_t> copy(line.begin(), line.end());
        TrimSpaces(copy.data());
        FUZZ_CHECK(U16Length(copy.data()) <= text.size());
        (void)IsVolumeGuidName(line.data());
    }
    return 0;
}
