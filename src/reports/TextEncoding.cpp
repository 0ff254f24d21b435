// Text encoding section: the encoding and byte-order mark, the line count and the prevailing
// line-ending style of files whose extension marks them as text.
#include "reports/TextEncoding.h"

#include "core/Limits.h"

#include "reports/FileProbe.h"

#include "output/LineOutput.h"
#include "gateway/HostGateway.h"
#include "reports/FindData.h"
#include "reports/ReportSections.h"
#include "reports/ReportText.h"
#include "text/Encoding.h"
#include "text/TextSource.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace scrutel {

namespace {

const wchar_t* LineEndingName(LineEnding kind) {
    switch (kind) {
    case LineEndingCr:
        return L"CR";
    case LineEndingLf:
        return L"LF";
    case LineEndingCrLf:
        return L"CR/LF";
    case LineEndingLfCr:
        return L"LF/CR";
    default:
        return L"";
    }
}

// True when none of the first 128 KiB of the text has its top bit set.
bool StartsSevenBit(const TextCursor& text) {
    uint64_t n = std::min<uint64_t>(text.size, 131072);
    uint8_t any = 0;
    for (uint64_t i = 0; i < n; ++i)
        any |= text.data[i];
    return (any & 0x80) == 0;
}

// The bytes read at a time after the head of a large text.
constexpr size_t PieceBytes = 1 << 20;

// Counts the lines and endings of the whole source from its cursor's position: the bytes in
// memory, then (for a source opened with its head only) the rest in pieces. 0, or ABORTED when
// the user interrupts a long count.
int TakeCensus(TextSource& source, LineCensus& census) {
    const TextCursor& text = source.cursor;
    const bool whole = source.sourceSize <= text.size;
    size_t left =
        census.Feed(text.data + text.position, static_cast<size_t>(text.size - text.position), whole);
    if (whole) return 0;
    std::vector<uint8_t> piece(PieceBytes + 4);
    std::copy(text.data + text.size - left, text.data + text.size, piece.begin());
    for (;;) {
        // A text of gigabytes takes a while: Ctrl-C stops it between pieces.
        if (StopRequested()) return ABORTED;
        int64_t got = ReadTextPiece(source, piece.data() + left, PieceBytes);
        // A read that fails ends the text where it stopped, as the end of the file does.
        bool last = got <= 0;
        size_t held = left + static_cast<size_t>(got > 0 ? got : 0);
        left = census.Feed(piece.data(), held, last);
        if (last) return 0;
        std::copy(piece.begin() + static_cast<ptrdiff_t>(held - left),
                  piece.begin() + static_cast<ptrdiff_t>(held), piece.begin());
    }
}

} // namespace

// The encoding and line lines of an open source.
static int ReportText(TextSource& source);

bool IsTextFileType(const wchar_t* path, const wchar_t* textFileTypes) {
    if (!path || !*path || !textFileTypes) return false;
    const wchar_t* extension = FindExtension(path);
    if (!extension || extension[1] == 0) return false;
    size_t length = wcslen(extension);
    for (const wchar_t* hit = wcsstr(textFileTypes, extension); hit; hit = wcsstr(hit + 1, extension)) {
        wchar_t after = hit[length];
        if (after == L'|' || after == 0) return true;
    }
    return false;
}

int TextEncodingReport(const wchar_t* path, const wchar_t* textFileTypes) {
    if (!path || !*path) return -1;
    if (!IsTextFileType(path, textFileTypes)) return 0;
    TextSource source;
    if (OpenTextSource(&source, path, TextDetectEbcdic | TextDiskFileOnly | TextHeadOnly, 0) != 0) return 0;
    return ReportText(source);
}

int TextEncodingReport(FileProbe& probe, const wchar_t* textFileTypes) {
    const wchar_t* path = probe.path();
    if (!path || !*path) return -1;
    if (!IsTextFileType(path, textFileTypes)) return 0;
    // A small file is already in memory: no second open and no mapping.
    if (!probe.HeadIsWholeFile()) return TextEncodingReport(path, textFileTypes);
    std::span<const std::byte> head;
    probe.Head(head);
    TextSource source;
    if (OpenTextSourceOnBytes(&source, path, reinterpret_cast<const uint8_t*>(head.data()), head.size(),
                              TextDetectEbcdic | TextDiskFileOnly, 0) != 0)
        return 0;
    return ReportText(source);
}

int ReportText(TextSource& source) {
    TextCursor& text = source.cursor;
    if (text.encoding == EncodingOem && text.data && StartsSevenBit(text)) text.encoding = EncodingAscii;

    wchar_t name[TextOutputChars] = {};
    EncodingName(text.encoding, static_cast<int64_t>(text.bomLength), name);
    bool printed = false;
    if (name[0]) {
        ReportPrintf(L"    Text encoding ........... %s", name);
        if (EndLine(1) == ABORTED) {
            CloseTextSource(&source);
            return ABORTED;
        }
        printed = true;
    }

    LineCensus census(text);
    int counted = TakeCensus(source, census);
    CloseTextSource(&source);
    if (counted == ABORTED) return ABORTED;
    uint64_t count = census.Lines();
    LineEnding kind = census.Ending();

    if (kind != LineEndingNone) {
        wchar_t countText[64] = {};
        _snwprintf(countText, 63, L"%I64u", static_cast<unsigned long long>(count));
        ReportPuts(L"    Lines ................... ");
        ReportNumber(countText, 64);
        ReportPrintf(L"  (%s)", LineEndingName(kind));
        if (EndLine(1) == ABORTED) return ABORTED;
        printed = true;
    }
    if (printed && EndLine(1) == ABORTED) return ABORTED;
    return 0;
}

} // namespace scrutel
