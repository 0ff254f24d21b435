// Encoding detection by byte-order marks and byte statistics, and the readers that decode a
// TextCursor into UTF-16 characters, lines, line counts and the prevailing line-ending style.
#include "text/Encoding.h"

#include "core/CharClass.h"
#include "core/Limits.h"

#include "text/CodePageTables.h"

#include <algorithm>
#include <bit>
#include <iterator>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define SCRUTEL_TEXT_SSE2 1
#endif

namespace scrutel {

namespace {

constexpr int32_t Cr = 13;
constexpr int32_t Lf = 10;
constexpr int32_t Nel = 0x85;

bool IsAsciiAlnum(uint8_t b) {
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

bool IsEbcdicAlnum(uint8_t b) {
    return (b >= 0x81 && b <= 0x89) || (b >= 0x91 && b <= 0x99) || (b >= 0xA2 && b <= 0xA9) ||
           (b >= 0xC1 && b <= 0xC9) || (b >= 0xD1 && b <= 0xD9) || (b >= 0xE2 && b <= 0xE9) ||
           (b >= 0xF0 && b <= 0xF9);
}

// Length of the UTF-8 sequence a lead byte starts, 0 for a byte that cannot lead.
size_t Utf8SequenceLength(uint8_t lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xC0) return 0;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    if (lead < 0xF8) return 4;
    return 0;
}

const uint16_t* HighHalfTable(const TextCursor& b) {
    return HighHalfTables[b.codePageIndex < std::size(HighHalfTables) ? b.codePageIndex : 0];
}

const uint16_t* EbcdicTable(const TextCursor& b) {
    return EbcdicTables[b.ebcdicIndex < std::size(EbcdicTables) ? b.ebcdicIndex : 0];
}

// The UTF-8 character at p (remaining bytes readable, at least 1) and its length in bytes: an
// undecodable byte is one replacement character, and so is a code point beyond UTF-16's BMP.
int32_t DecodeUtf8Char(const uint8_t* p, uint64_t remaining, char16_t replacement, uint64_t* length) {
    size_t sequence = Utf8SequenceLength(p[0]);
    *length = 1;
    if (sequence == 1) return p[0];
    if (sequence == 0 || sequence > remaining) return replacement;
    int32_t value = DecodeUtf8(p, sequence);
    if (value < 0) return replacement;
    *length = sequence;
    if ((value >= 0xD800 && value <= 0xDFFF) || value > 0xFFFF) return replacement;
    return value;
}

// The character at byte offset pos (which must be below size), and where the next one begins.
int32_t DecodeAt(const TextCursor& b, uint64_t pos, uint64_t* next) {
    const uint8_t* p = b.data + pos;
    uint64_t remaining = b.size - pos;
    switch (b.encoding) {
    case EncodingUtf16Le:
        if (remaining < 2) return -1;
        *next = pos + 2;
        return p[0] | (p[1] << 8);
    case EncodingUtf16Be:
        if (remaining < 2) return -1;
        *next = pos + 2;
        return (p[0] << 8) | p[1];
    case EncodingUtf8: {
        uint64_t length = 1;
        int32_t value = DecodeUtf8Char(p, remaining, b.replacement, &length);
        *next = pos + length;
        return value;
    }
    case EncodingEbcdic:
        *next = pos + 1;
        return EbcdicTable(b)[p[0]];
    case EncodingUtf32Le:
    case EncodingUtf32Be: {
        if (remaining < 4) return -1;
        *next = pos + 4;
        uint32_t value = b.encoding == EncodingUtf32Le
                             ? p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24)
                             : (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        return value > 0xFFFF ? b.replacement : static_cast<int32_t>(value);
    }
    case EncodingRaw:
        *next = pos + 1;
        return p[0];
    default:
        *next = pos + 1;
        return p[0] < 0x80 ? p[0] : HighHalfTable(b)[p[0] - 0x80];
    }
}

bool IsLineBreak(int32_t c) {
    return c == Cr || c == Lf || c == Nel || c == 0;
}

uint64_t CountLinesSlow(TextCursor& b) {
    LineTally tally;
    for (;;) {
        int32_t c = ReadChar(b);
        if (c < 0) break;
        tally.Char(c);
    }
    return tally.Finish();
}

// The bytes that need attention in an encoding with one byte per character (or UTF-8, whose
// line breaks are single bytes except NEL and overlong forms, which start with C0, C2, E0 or F0):
// special[b] is set for them, and for single-byte encodings value[b] is the character.
struct ByteClasses {
    bool special[256] = {};
    int32_t value[256] = {};
    uint8_t list[256] = {};
    int listSize = 0;

    void Add(uint8_t b) {
        if (!special[b]) {
            special[b] = true;
            list[listSize++] = b;
        }
    }
};

void ClassifyBytes(const TextCursor& b, ByteClasses& classes) {
    if (b.encoding == EncodingUtf8) {
        for (uint8_t s : {0x00, 0x0A, 0x0D, 0xC0, 0xC2, 0xE0, 0xF0})
            classes.Add(s);
        for (int i = 0; i < 0x80; ++i)
            classes.value[i] = i;
        return;
    }
    for (int i = 0; i < 256; ++i) {
        int32_t c;
        if (b.encoding == EncodingEbcdic)
            c = EbcdicTable(b)[i];
        else if (b.encoding == EncodingRaw || i < 0x80)
            c = i;
        else
            c = HighHalfTable(b)[i - 0x80];
        classes.value[i] = c;
        if (IsLineBreak(c)) classes.Add(static_cast<uint8_t>(i));
    }
}

#ifdef SCRUTEL_TEXT_SSE2
// Bit i set when byte i of the 32 bytes at p is one of the listed values.
inline uint32_t SpecialMask32(const uint8_t* p, const __m128i* wanted, int count) {
    __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    __m128i mlo = _mm_setzero_si128();
    __m128i mhi = _mm_setzero_si128();
    for (int i = 0; i < count; ++i) {
        mlo = _mm_or_si128(mlo, _mm_cmpeq_epi8(lo, wanted[i]));
        mhi = _mm_or_si128(mhi, _mm_cmpeq_epi8(hi, wanted[i]));
    }
    return static_cast<uint32_t>(_mm_movemask_epi8(mlo)) |
           (static_cast<uint32_t>(_mm_movemask_epi8(mhi)) << 16);
}
#endif

#ifdef SCRUTEL_TEXT_SSE2
// True when the 32 bytes at p are all equal.
inline bool AllSame32(const uint8_t* p) {
    __m128i first = _mm_set1_epi8(static_cast<char>(p[0]));
    __m128i lo = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), first);
    __m128i hi = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), first);
    return _mm_movemask_epi8(_mm_and_si128(lo, hi)) == 0xFFFF;
}
// True when the 8 two-byte units at p are all equal.
inline bool AllSame16(const uint8_t* p) {
    uint16_t unit = static_cast<uint16_t>(p[0] | (p[1] << 8));
    __m128i first = _mm_set1_epi16(static_cast<short>(unit));
    __m128i v = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), first);
    return _mm_movemask_epi8(v) == 0xFFFF;
}
#endif

uint64_t CountLinesBytes(const TextCursor& b) {
    ByteClasses classes;
    ClassifyBytes(b, classes);
    const bool utf8 = b.encoding == EncodingUtf8;
    const uint8_t* const base = b.data;
    const uint8_t* const end = b.data + b.size;
    const uint8_t* p = b.data + b.position; // first byte not yet accounted for
    LineTally tally;

    // Accounts for the special byte at s (at or after p) and everything between p and it.
    auto handle = [&](const uint8_t* s) {
        if (s > p) tally.Other();
        if (utf8 && *s >= 0x80) {
            uint64_t next = 0;
            tally.Char(DecodeAt(b, static_cast<uint64_t>(s - base), &next));
            p = base + next;
        } else {
            tally.Char(classes.value[*s]);
            p = s + 1;
        }
    };

    const uint8_t* chunk = p;
#ifdef SCRUTEL_TEXT_SSE2
    if (classes.listSize <= 8) {
        __m128i wanted[8];
        for (int i = 0; i < classes.listSize; ++i)
            wanted[i] = _mm_set1_epi8(static_cast<char>(classes.list[i]));
        while (end - chunk >= 32) {
            uint32_t mask = SpecialMask32(chunk, wanted, classes.listSize);
            while (mask) {
                const uint8_t* s = chunk + std::countr_zero(mask);
                mask &= mask - 1;
                if (s >= p) handle(s);
            }
            chunk += 32;
        }
    }
#endif
    for (const uint8_t* s = std::max(chunk, p); s < end; ++s) {
        if (s < p) continue;
        if (classes.special[*s]) handle(s);
    }
    if (p < end) tally.Other();
    return tally.Finish();
}

uint64_t CountLinesUtf16(const TextCursor& b) {
    const bool bigEndian = b.encoding == EncodingUtf16Be;
    const uint8_t* p = b.data + b.position;
    uint64_t units = (b.size - b.position) / 2;
    const uint8_t* const end = p + units * 2;
    const uint8_t* done = p; // first unit not yet accounted for
    LineTally tally;
    auto unitAt = [&](const uint8_t* u) -> int32_t {
        return bigEndian ? (u[0] << 8) | u[1] : u[0] | (u[1] << 8);
    };
    auto handle = [&](const uint8_t* u) {
        if (u > done) tally.Other();
        tally.Char(unitAt(u));
        done = u + 2;
    };
    const uint8_t* chunk = p;
#ifdef SCRUTEL_TEXT_SSE2
    auto swap = [&](uint16_t v) -> short { return static_cast<short>(bigEndian ? (v >> 8) | (v << 8) : v); };
    const __m128i lf = _mm_set1_epi16(swap(0x000A));
    const __m128i cr = _mm_set1_epi16(swap(0x000D));
    const __m128i nel = _mm_set1_epi16(swap(0x0085));
    const __m128i nul = _mm_setzero_si128();
    while (end - chunk >= 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk));
        __m128i m = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, lf), _mm_cmpeq_epi16(v, cr)),
                                 _mm_or_si128(_mm_cmpeq_epi16(v, nel), _mm_cmpeq_epi16(v, nul)));
        uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(m)) & 0x5555u;
        while (mask) {
            handle(chunk + std::countr_zero(mask));
            mask &= mask - 1;
        }
        chunk += 16;
    }
#endif
    for (const uint8_t* u = chunk; u < end; u += 2)
        if (IsLineBreak(unitAt(u))) handle(u);
    if (done < end) tally.Other();
    return tally.Finish();
}

} // namespace

uint32_t DetectUtf32(TextCursor& b) {
    if (!b.data || b.size < 4 || b.size % 4 != 0) return 0;
    uint64_t unitsInData = b.size / 2;
    uint32_t examined = static_cast<uint32_t>(std::min<uint64_t>(unitsInData, 65536));
    // Three quarters of the units of each parity among those examined.
    uint32_t threshold = static_cast<uint32_t>(static_cast<uint64_t>(examined) * 3 / 8);
    uint32_t big[2] = {}, zero[2] = {}, mixed[2] = {};
    for (uint32_t i = 0; i < examined; ++i) {
        uint32_t u = b.data[2 * i] | (b.data[2 * i + 1] << 8);
        uint32_t parity = i & 1;
        if (u > 0x10) ++big[parity];
        if (u == 0) ++zero[parity];
        if ((u & 0xE0FF) != 0) ++mixed[parity];
    }
    auto unit = [&](int i) { return b.data[2 * i] | (b.data[2 * i + 1] << 8); };
    if (big[0] >= threshold && big[1] == 0 && zero[1] >= threshold) {
        if (unit(0) == 0xFEFF && unit(1) == 0) b.bomLength = 4;
        return EncodingUtf32Le;
    }
    if (mixed[1] >= threshold && mixed[0] == 0 && zero[0] >= threshold) {
        if (unit(0) == 0 && unit(1) == 0xFFFE) b.bomLength = 4;
        return EncodingUtf32Be;
    }
    return 0;
}

uint32_t DetectUtf16(TextCursor& b) {
    if (!b.data || b.size < 2) return 0;
    if (b.data[0] == 0xFF && b.data[1] == 0xFE) {
        b.bomLength = 2;
        return EncodingUtf16Le;
    }
    if (b.data[0] == 0xFE && b.data[1] == 0xFF) {
        b.bomLength = 2;
        return EncodingUtf16Be;
    }
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(b.size, 131072));
    uint32_t f = n <= 128 ? 2 : 4;
    uint32_t space[2] = {}, zero[2] = {}, alnum = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t c = b.data[i];
        if (c == 0x20)
            ++space[i & 1];
        else if (c == 0)
            ++zero[i & 1];
        else if (IsAsciiAlnum(c))
            ++alnum;
    }
    if (n <= 32) {
        if (alnum + space[0] + space[1] < n / 3) return 0;
        if (zero[0] < zero[1]) return EncodingUtf16Le;
        if (zero[0] > zero[1]) return EncodingUtf16Be;
    }
    if (space[0] > f * space[1] && zero[1] > f * zero[0]) return EncodingUtf16Le;
    if (space[1] > f * space[0] && zero[0] > f * zero[1]) return EncodingUtf16Be;
    return 0;
}

uint32_t DetectUtf8(TextCursor& b) {
    if (!b.data || b.size < 2) return 0;
    if (b.size >= 3 && b.data[0] == 0xEF && b.data[1] == 0xBB && b.data[2] == 0xBF) {
        b.bomLength = 3;
        return EncodingUtf8;
    }
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(b.size, 262144));
    uint32_t pending = 0, sequences = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t c = b.data[i];
        if (pending) {
            if (c < 0x80 || c > 0xBF) return 0;
            --pending;
        } else if (c < 0x80) {
            continue;
        } else if (c < 0xC0 || c >= 0xF8) {
            return 0;
        } else {
            pending = c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
            ++sequences;
        }
    }
    return sequences ? uint32_t{EncodingUtf8} : 0u;
}

uint32_t DetectEbcdic(const TextCursor& b) {
    if (!b.data || b.size < 128) return 0;
    uint32_t k = b.size >= 1024 ? 5 : 4;
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(b.size, 131072));
    uint32_t asciiAlnum = 0, asciiSpace = 0, ebcdicAlnum = 0, otherHigh = 0, ebcdicSpace = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t c = b.data[i];
        if (IsAsciiAlnum(c))
            ++asciiAlnum;
        else if (c == 0x20)
            ++asciiSpace;
        else if (IsEbcdicAlnum(c))
            ++ebcdicAlnum;
        else if (c >= 0x80)
            ++otherHigh;
        if (c == 0x40) ++ebcdicSpace;
    }
    // Every condition below holds when all counts are 0 (a file of line breaks, punctuation or
    // control bytes only), so EBCDIC needs some evidence of its own: an EBCDIC letter, digit or
    // blank. Without one there are no letters, digits or blanks of either kind.
    if (ebcdicAlnum == 0 && ebcdicSpace == 0) return 0;
    // 64-bit products: k times a count of up to 131072 cannot overflow either way, but stay safe.
    uint64_t e = ebcdicAlnum;
    if (e >= uint64_t{k} * asciiAlnum && e >= uint64_t{k} * otherHigh &&
        ebcdicSpace >= uint64_t{k} * asciiSpace)
        return EncodingEbcdic;
    return 0;
}

TextEncoding DetectEncoding(TextCursor& b, bool ebcdic) {
    uint32_t r = DetectUtf32(b);
    if (r == 0) r = DetectUtf16(b);
    if (r == 0) {
        if (b.codePage == 65001) {
            r = EncodingUtf8;
            if (b.data && b.size >= 3 && b.data[0] == 0xEF && b.data[1] == 0xBB && b.data[2] == 0xBF)
                b.bomLength = 3;
        } else {
            r = DetectUtf8(b);
            if (r == 0 && ebcdic) r = DetectEbcdic(b);
        }
    }
    if (b.position < b.bomLength) b.position = b.bomLength;
    b.encoding = static_cast<TextEncoding>(r);
    return b.encoding;
}

int32_t DecodeUtf8(const uint8_t* bytes, size_t available) {
    if (!bytes || available == 0) return -1;
    uint8_t lead = bytes[0];
    size_t length = Utf8SequenceLength(lead);
    if (length == 0 || length > available) return -1;
    if (length == 1) return lead;
    int32_t value = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
    for (size_t k = 1; k < length; ++k) {
        uint8_t c = bytes[k];
        if ((c & 0xC0) != 0x80) return -1;
        value = (value << 6) | (c & 0x3F);
    }
    return value;
}

int32_t ReadChar(TextCursor& b) {
    if (!b.data || b.position >= b.size) return -1;
    uint64_t next = b.position;
    int32_t c = DecodeAt(b, b.position, &next);
    if (c >= 0) b.position = next;
    return c;
}

int32_t PeekChar(const TextCursor& b) {
    if (!b.data || b.position >= b.size) return -1;
    if (b.encoding == EncodingUtf8) {
        size_t length = Utf8SequenceLength(b.data[b.position]);
        if (length > b.size - b.position) return -1;
    }
    uint64_t next = b.position;
    return DecodeAt(b, b.position, &next);
}

int ReadLine(TextCursor& b, char16_t* line, size_t capacity, bool skipBlank) {
    for (;;) {
        size_t length = 0;
        if (line && capacity) line[0] = 0;
        bool nonBlank = false;
        int32_t ch = ReadChar(b);
        while (ch > 0 && ch != Cr && ch != Lf && ch != Nel) {
            if (!IsWhiteSpace(ch)) nonBlank = true;
            if (line && length + 1 < capacity) {
                line[length++] = static_cast<char16_t>(ch);
                line[length] = 0;
            }
            ch = ReadChar(b);
        }
        if (ch == Cr && PeekChar(b) == Lf)
            ReadChar(b);
        else if (ch == Lf && PeekChar(b) == Cr)
            ReadChar(b);
        if (skipBlank && ch != -1 && !nonBlank) continue;
        return (length > 0 || ch != -1) ? 0 : -1;
    }
}

uint64_t CountLines(TextCursor& b) {
    if (!b.data || b.position >= b.size) return 0;
    switch (b.encoding) {
    case EncodingUtf16Le:
    case EncodingUtf16Be:
        return CountLinesUtf16(b);
    case EncodingUtf32Le:
    case EncodingUtf32Be: {
        uint64_t saved = b.position;
        uint64_t count = CountLinesSlow(b);
        b.position = saved;
        return count;
    }
    default:
        return CountLinesBytes(b);
    }
}

LineEnding LineEndingKind(TextCursor& b) {
    uint64_t saved = b.position;
    uint32_t cr = 0, lf = 0, crlf = 0, lfcr = 0, total = 0;
    while (b.position < b.size && total < 256) {
        int32_t ch = ReadChar(b);
        if (ch < 0) break;
        if (ch == Lf) {
            if (PeekChar(b) == Cr) {
                ReadChar(b);
                ++lfcr;
            } else {
                ++lf;
            }
            ++total;
        } else if (ch == Cr) {
            if (PeekChar(b) == Lf) {
                ReadChar(b);
                ++crlf;
            } else {
                ++cr;
            }
            ++total;
        }
    }
    b.position = saved;
    uint32_t half = total / 2;
    if (cr > half) return LineEndingCr;
    if (lf > half) return LineEndingLf;
    if (crlf > half) return LineEndingCrLf;
    if (lfcr > half) return LineEndingLfCr;
    return LineEndingNone;
}

uint64_t DetectionBytes(uint64_t size) {
    // 256 KiB is what DetectUtf8 reads, more than any other detector.
    constexpr uint64_t Head = 262144;
    return size <= Head + 3 ? size : Head + size % 4;
}

void LineTally::Char(int32_t c) {
    if (partner >= 0) {
        int32_t expected = partner;
        partner = -1;
        if (c == expected) return;
    }
    if (IsLineBreak(c)) {
        ++count;
        hasChars = false;
        partner = c == Cr ? Lf : c == Lf ? Cr : -1;
    } else {
        hasChars = true;
    }
}

void EndingTally::Other() {
    if (pending < 0 || Full()) return;
    if (pending == Lf)
        ++lf;
    else
        ++cr;
    ++total;
    pending = -1;
}

void EndingTally::Char(int32_t c) {
    if (Full()) return;
    if (pending >= 0) {
        int32_t first = pending;
        pending = -1;
        ++total;
        if (first == Lf && c == Cr) {
            ++lfcr;
            return;
        }
        if (first == Cr && c == Lf) {
            ++crlf;
            return;
        }
        if (first == Lf)
            ++lf;
        else
            ++cr;
        if (Full()) return;
    }
    if (c == Cr || c == Lf) pending = c;
}

LineEnding EndingTally::Finish() const {
    EndingTally last = *this;
    last.Other();
    uint32_t half = last.total / 2;
    if (last.cr > half) return LineEndingCr;
    if (last.lf > half) return LineEndingLf;
    if (last.crlf > half) return LineEndingCrLf;
    if (last.lfcr > half) return LineEndingLfCr;
    return LineEndingNone;
}

LineCensus::LineCensus(const TextCursor& cursor) : settings_(cursor) {
    settings_.data = nullptr;
    settings_.size = settings_.position = 0;
    if (settings_.encoding == EncodingUtf16Le || settings_.encoding == EncodingUtf16Be ||
        settings_.encoding == EncodingUtf32Le || settings_.encoding == EncodingUtf32Be)
        return;
    ByteClasses classes;
    ClassifyBytes(settings_, classes);
    std::copy(std::begin(classes.special), std::end(classes.special), special_);
    std::copy(std::begin(classes.value), std::end(classes.value), value_);
    std::copy(std::begin(classes.list), std::end(classes.list), specialList_);
    specialCount_ = classes.listSize;
}

void LineCensus::Char(int32_t c) {
    lines_.Char(c);
    endings_.Char(c);
}

void LineCensus::Other() {
    lines_.Other();
    endings_.Other();
}

uint64_t LineCensus::Lines() const {
    return lines_.Finish();
}

LineEnding LineCensus::Ending() const {
    return endings_.Finish();
}

size_t LineCensus::Feed(const uint8_t* piece, size_t size, bool last) {
    if (!piece || size == 0) return 0;
    size_t left = 0;
    switch (settings_.encoding) {
    case EncodingUtf16Le:
    case EncodingUtf16Be:
        left = FeedUtf16(piece, size); // a last odd byte is no character
        break;
    case EncodingUtf32Le:
    case EncodingUtf32Be:
        left = FeedUtf32(piece, size);
        break;
    default:
        left = FeedBytes(piece, size, last);
        break;
    }
    return last ? 0 : left;
}

size_t LineCensus::FeedBytes(const uint8_t* piece, size_t size, bool last) {
    const bool utf8 = settings_.encoding == EncodingUtf8;
    const uint8_t* const end = piece + size;
    // A character that starts before limit is whole in this piece: UTF-8 takes at most 4 bytes.
    const uint8_t* const limit = (last || !utf8) ? end : size > 3 ? end - 3 : piece;
    const uint8_t* p = piece; // first byte not yet accounted for

    auto handle = [&](const uint8_t* s) {
        if (s > p) Other();
        if (utf8 && *s >= 0x80) {
            uint64_t length = 1;
            Char(DecodeUtf8Char(s, static_cast<uint64_t>(end - s), settings_.replacement, &length));
            p = s + length;
        } else {
            Char(value_[*s]);
            p = s + 1;
        }
    };

    const uint8_t* chunk = p;
#ifdef SCRUTEL_TEXT_SSE2
    if (specialCount_ <= 8) {
        __m128i wanted[8];
        for (int i = 0; i < specialCount_; ++i)
            wanted[i] = _mm_set1_epi8(static_cast<char>(specialList_[i]));
        while (limit - chunk >= 32) {
            uint32_t mask = SpecialMask32(chunk, wanted, specialCount_);
            // A run of one single-byte ending (a file of NULs): each byte is one more line once
            // the first is taken, and the endings' census needs only the first.
            if (mask == 0xFFFFFFFFu && chunk >= p && !(utf8 && chunk[0] >= 0x80) && AllSame32(chunk)) {
                int32_t c = value_[chunk[0]];
                if ((c != Cr && c != Lf) || endings_.Full()) {
                    if (chunk > p) Other();
                    Char(c);
                    lines_.count += 31;
                    chunk += 32;
                    p = chunk;
                    continue;
                }
            }
            while (mask) {
                const uint8_t* s = chunk + std::countr_zero(mask);
                mask &= mask - 1;
                if (s >= p) handle(s);
            }
            chunk += 32;
        }
    }
#endif
    for (const uint8_t* s = std::max(chunk, p); s < limit; ++s) {
        if (s < p) continue;
        if (special_[*s]) handle(s);
    }
    if (p < limit) {
        Other();
        p = limit;
    }
    return static_cast<size_t>(end - p);
}

size_t LineCensus::FeedUtf16(const uint8_t* piece, size_t size) {
    const bool bigEndian = settings_.encoding == EncodingUtf16Be;
    const uint8_t* const end = piece + size / 2 * 2;
    const uint8_t* done = piece; // first unit not yet accounted for
    auto unitAt = [&](const uint8_t* u) -> int32_t {
        return bigEndian ? (u[0] << 8) | u[1] : u[0] | (u[1] << 8);
    };
    auto handle = [&](const uint8_t* u) {
        if (u > done) Other();
        Char(unitAt(u));
        done = u + 2;
    };
    const uint8_t* chunk = piece;
#ifdef SCRUTEL_TEXT_SSE2
    auto swap = [&](uint16_t v) -> short { return static_cast<short>(bigEndian ? (v >> 8) | (v << 8) : v); };
    const __m128i lf = _mm_set1_epi16(swap(0x000A));
    const __m128i cr = _mm_set1_epi16(swap(0x000D));
    const __m128i nel = _mm_set1_epi16(swap(0x0085));
    const __m128i nul = _mm_setzero_si128();
    while (end - chunk >= 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk));
        __m128i m = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, lf), _mm_cmpeq_epi16(v, cr)),
                                 _mm_or_si128(_mm_cmpeq_epi16(v, nel), _mm_cmpeq_epi16(v, nul)));
        uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(m)) & 0x5555u;
        // A run of one ending unit, as in FeedBytes.
        if (mask == 0x5555u && AllSame16(chunk)) {
            int32_t c = unitAt(chunk);
            if ((c != Cr && c != Lf) || endings_.Full()) {
                if (chunk > done) Other();
                Char(c);
                lines_.count += 7;
                chunk += 16;
                done = chunk;
                continue;
            }
        }
        while (mask) {
            handle(chunk + std::countr_zero(mask));
            mask &= mask - 1;
        }
        chunk += 16;
    }
#endif
    for (const uint8_t* u = chunk; u < end; u += 2)
        if (IsLineBreak(unitAt(u))) handle(u);
    if (done < end) Other();
    return size - static_cast<size_t>(end - piece);
}

size_t LineCensus::FeedUtf32(const uint8_t* piece, size_t size) {
    const bool littleEndian = settings_.encoding == EncodingUtf32Le;
    size_t whole = size / 4 * 4;
    for (size_t i = 0; i < whole; i += 4) {
        const uint8_t* p = piece + i;
        uint32_t value = littleEndian
                             ? p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24)
                             : (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        Char(value > 0xFFFF ? settings_.replacement : static_cast<int32_t>(value));
    }
    return size - whole;
}

int EncodingName(uint32_t encoding, int64_t bom, char16_t* output) {
    if (!output) return -1;
    const char* name = "unknown";
    bool unicode = false;
    switch (encoding) {
    case EncodingOem:
        name = "OEM";
        break;
    case EncodingUtf16Le:
        name = "UTF-16LE", unicode = true;
        break;
    case EncodingUtf16Be:
        name = "UTF-16BE", unicode = true;
        break;
    case EncodingUtf8:
        name = "UTF-8", unicode = true;
        break;
    case EncodingEbcdic:
        name = "EBCDIC";
        break;
    case EncodingUtf32Le:
        name = "UTF-32LE", unicode = true;
        break;
    case EncodingUtf32Be:
        name = "UTF-32BE", unicode = true;
        break;
    case EncodingRaw:
        name = "raw";
        break;
    case EncodingAscii:
        name = "ASCII";
        break;
    default:
        break;
    }
    const char* suffix = !unicode || bom < 0 ? "" : bom > 0 ? " with BOM" : " without BOM";
    // Names and suffixes are ASCII and together far below the TextOutputChars output can hold.
    size_t length = 0;
    for (const char* part : {name, suffix})
        for (const char* c = part; *c; ++c)
            output[length++] = static_cast<char16_t>(*c);
    output[length] = 0;
    output[TextOutputChars - 1] = 0;
    return 0;
}

} // namespace scrutel
