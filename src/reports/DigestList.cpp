// Reading and writing digest list lines, and splitting a list's bytes into lines block by block.
// Every index is checked against its view before it is read.
#include "reports/DigestList.h"

#include "core/CharClass.h"
#include "core/HashKinds.h"
#include "core/ScanSettings.h"
#include "text/CodePageTables.h"
#include "text/TextCursor.h"

#include <string>

namespace scrutel {

namespace {

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

U16View TrimTrailingBlanks(U16View text) {
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The number of hexadecimal digits text starts with.
size_t HexRun(U16View text) {
    size_t n = 0;
    while (n < text.size() && HexValue(text[n]) >= 0)
        ++n;
    return n;
}

// Fills the entry's digest from hex, an even number of digits that fits it.
void StoreHex(U16View hex, DigestEntry& entry) {
    entry.digestLength = hex.size() / 2;
    for (size_t i = 0; i < entry.digestLength; ++i)
        entry.digest[i] = static_cast<uint8_t>(HexValue(hex[2 * i]) << 4 | HexValue(hex[2 * i + 1]));
}

// A hexadecimal digest of a known length: its kind, or 0.
uint32_t KindForHexDigits(size_t digits) {
    return digits % 2 == 0 ? DigestKindForLength(digits / 2) : 0;
}

uint32_t KindForTag(U16View tag) {
    for (const HashKindRow& kind : HashKinds) {
        if ((kind.nameIsTag && EqualsIgnoringCase(tag, kind.name)) ||
            (kind.dashedNameIsTag && EqualsIgnoringCase(tag, kind.dashedName)) ||
            (!kind.otherTag.empty() && EqualsIgnoringCase(tag, kind.otherTag)))
            return kind.bit;
    }
    return 0;
}

// Undoes sha256sum's escapes ("\\", "\n", "\r"); false for any other backslash sequence.
bool Unescape(U16View text, U16String& name) {
    name.clear();
    name.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            name.push_back(text[i]);
            continue;
        }
        if (i + 1 >= text.size()) return false;
        char16_t next = text[++i];
        if (next == u'\\')
            name.push_back(u'\\');
        else if (next == u'n')
            name.push_back(u'\n');
        else if (next == u'r')
            name.push_back(u'\r');
        else
            return false;
    }
    return true;
}

// "hex  name", "hex *name", "\hex  escaped name".
bool ReadGnu(U16View text, DigestEntry& entry) {
    bool escaped = !text.empty() && text.front() == u'\\';
    if (escaped) text.remove_prefix(1);
    size_t digits = HexRun(text);
    uint32_t kind = KindForHexDigits(digits);
    if (kind == 0 || text.size() < digits + 2 || text[digits] != u' ' ||
        (text[digits + 1] != u' ' && text[digits + 1] != u'*'))
        return false;
    U16View name = text.substr(digits + 2);
    if (escaped) {
        if (!Unescape(name, entry.name)) return false;
    } else {
        entry.name.assign(name);
    }
    entry.form = DigestLineForm::Gnu;
    entry.kind = kind;
    StoreHex(text.substr(0, digits), entry);
    return true;
}

enum class BsdRead { NotBsd, Entry, Malformed };

// "TAG (name) = hex" or "TAG(name)= hex". A line of this shape is read as nothing else: an unknown
// tag or a digest of the wrong length makes it malformed.
BsdRead ReadBsd(U16View text, DigestEntry& entry) {
    size_t tagEnd = 0;
    while (tagEnd < text.size() &&
           (HexValue(text[tagEnd]) >= 0 ||
            (AsciiUpper(text[tagEnd]) >= u'A' && AsciiUpper(text[tagEnd]) <= u'Z') || text[tagEnd] == u'-'))
        ++tagEnd;
    if (tagEnd == 0) return BsdRead::NotBsd;
    size_t open = tagEnd;
    while (open < text.size() && IsBlank(text[open]))
        ++open;
    if (open >= text.size() || text[open] != u'(') return BsdRead::NotBsd;

    // From the end: the digest, blanks, "=", blanks, ")".
    U16View rest = TrimTrailingBlanks(text.substr(open + 1));
    size_t digestStart = rest.size();
    while (digestStart > 0 && HexValue(rest[digestStart - 1]) >= 0)
        --digestStart;
    if (digestStart == rest.size()) return BsdRead::NotBsd;
    size_t p = digestStart;
    while (p > 0 && IsBlank(rest[p - 1]))
        --p;
    if (p == 0 || rest[p - 1] != u'=') return BsdRead::NotBsd;
    --p;
    while (p > 0 && IsBlank(rest[p - 1]))
        --p;
    if (p == 0 || rest[p - 1] != u')') return BsdRead::NotBsd;
    U16View name = rest.substr(0, p - 1);
    U16View hex = rest.substr(digestStart);

    uint32_t kind = KindForTag(text.substr(0, tagEnd));
    if (kind == 0 || hex.size() != 2 * DigestLengthOfKind(kind) || name.empty()) return BsdRead::Malformed;
    entry.form = DigestLineForm::Bsd;
    entry.kind = kind;
    entry.name.assign(name);
    StoreHex(hex, entry);
    return BsdRead::Entry;
}

// A decimal number of at most 64 bits at the start of text; the digits it used, or 0.
size_t ReadDecimal(U16View text, uint64_t& value) {
    value = 0;
    size_t n = 0;
    while (n < text.size() && IsDigit(text[n])) {
        uint64_t digit = static_cast<uint64_t>(text[n] - u'0');
        if (value > (UINT64_MAX - digit) / 10) return 0;
        value = value * 10 + digit;
        ++n;
    }
    return n;
}

// "crc size name", single blanks between, as cksum writes it.
bool ReadCksum(U16View text, DigestEntry& entry) {
    uint64_t crc = 0, size = 0;
    size_t crcDigits = ReadDecimal(text, crc);
    if (crcDigits == 0 || crc > 0xFFFFFFFFu || crcDigits >= text.size() || text[crcDigits] != u' ')
        return false;
    U16View after = text.substr(crcDigits + 1);
    size_t sizeDigits = ReadDecimal(after, size);
    if (sizeDigits == 0 || sizeDigits + 1 >= after.size() || after[sizeDigits] != u' ') return false;
    entry.form = DigestLineForm::Cksum;
    entry.kind = HashCksum;
    entry.name.assign(after.substr(sizeDigits + 1));
    entry.size = size;
    entry.digestLength = 4;
    for (int i = 0; i < 4; ++i)
        entry.digest[static_cast<size_t>(i)] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    return true;
}

// "name crc32": the last eight characters are the CRC, after at least one blank.
bool ReadSfv(U16View text, DigestEntry& entry) {
    text = TrimTrailingBlanks(text);
    if (text.size() < 10) return false;
    U16View hex = text.substr(text.size() - 8);
    if (HexRun(hex) != 8 || !IsBlank(text[text.size() - 9])) return false;
    U16View name = TrimTrailingBlanks(text.substr(0, text.size() - 8));
    if (name.empty()) return false;
    entry.form = DigestLineForm::Sfv;
    entry.kind = HashCrc32;
    entry.name.assign(name);
    StoreHex(hex, entry);
    return true;
}

constexpr char HexDigits[] = "0123456789abcdef";

} // namespace

uint32_t DigestKindForLength(size_t bytes) {
    for (const HashKindRow& kind : HashKinds)
        if (bytes != 0 && kind.digestBytes == bytes) return kind.bit;
    return 0;
}

size_t DigestLengthOfKind(uint32_t kind) {
    const HashKindRow* row = FindHashKind(kind);
    return row ? row->digestBytes : 0;
}

DigestLine ParseDigestLine(U16View line, DigestLineForm ambiguousAs) {
    DigestLine result;
    size_t first = 0;
    while (first < line.size() && IsBlank(line[first]))
        ++first;
    U16View text = line.substr(first);
    if (TrimTrailingBlanks(text).empty()) return result;
    if (text.front() == u'#' || text.front() == u';') {
        result.status = DigestLineStatus::Comment;
        return result;
    }
    result.status = DigestLineStatus::Malformed;
    if (line.find(u'\0') != U16View::npos) return result;

    DigestEntry& entry = result.entry;
    bool read = ReadGnu(text, entry);
    if (!read) {
        BsdRead bsd = ReadBsd(text, entry);
        if (bsd == BsdRead::Malformed) return result;
        read = bsd == BsdRead::Entry;
    }
    if (!read) {
        DigestEntry cksum, sfv;
        bool isCksum = ReadCksum(text, cksum);
        bool isSfv = ReadSfv(text, sfv);
        if (isCksum && isSfv) {
            entry = ambiguousAs == DigestLineForm::Cksum ? std::move(cksum) : std::move(sfv);
        } else if (isCksum || isSfv) {
            entry = isCksum ? std::move(cksum) : std::move(sfv);
        } else {
            return result;
        }
    }
    if (entry.name.empty()) return result;
    result.status = DigestLineStatus::Entry;
    return result;
}

DigestListReader::DigestListReader(uint32_t codePage) : codePage_(codePage) {}

void DigestListReader::Compact() {
    if (start_ == 0) return;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
}

void DigestListReader::Feed(std::span<const std::byte> block) {
    Compact();
    const auto* bytes = reinterpret_cast<const uint8_t*>(block.data());
    pending_.insert(pending_.end(), bytes, bytes + block.size());
}

void DigestListReader::Finish() {
    finished_ = true;
}

void DigestListReader::Detect() {
    size_t available = pending_.size() - start_;
    const uint8_t* b = pending_.data() + start_;
    encoding_ = Encoding::Bytes;
    if (available >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        start_ += 3;
    } else if (available >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        encoding_ = Encoding::Utf16Le;
        start_ += 2;
    } else if (available >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        encoding_ = Encoding::Utf16Be;
        start_ += 2;
    } else if (available >= 2 && b[0] != 0 && b[1] == 0) {
        encoding_ = Encoding::Utf16Le;
    } else if (available >= 2 && b[0] == 0 && b[1] != 0) {
        encoding_ = Encoding::Utf16Be;
    }
}

namespace {

// The code point of the UTF-8 sequence at bytes[i] and its length, or false for anything that is
// not the shortest form of a scalar value.
bool DecodeUtf8At(std::span<const uint8_t> bytes, size_t i, char32_t& value, size_t& length) {
    uint8_t lead = bytes[i];
    if (lead < 0x80) {
        value = lead;
        length = 1;
        return true;
    }
    char32_t least;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return false;
    }
    if (length > bytes.size() - i) return false;
    for (size_t k = 1; k < length; ++k) {
        uint8_t c = bytes[i + k];
        if ((c & 0xC0) != 0x80) return false;
        value = (value << 6) | (c & 0x3F);
    }
    return value >= least && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
}

void AppendCodePoint(char32_t c, U16String& text) {
    if (c < 0x10000) {
        text.push_back(static_cast<char16_t>(c));
        return;
    }
    c -= 0x10000;
    text.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    text.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
}

} // namespace

void DigestListReader::Decode(std::span<const uint8_t> bytes, U16String& line) const {
    line.clear();
    if (encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be) {
        bool little = encoding_ == Encoding::Utf16Le;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            line.push_back(little ? static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8)
                                  : static_cast<char16_t>(bytes[i] << 8 | bytes[i + 1]));
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        return;
    }
    if (!bytes.empty() && bytes.back() == '\r') bytes = bytes.first(bytes.size() - 1);
    line.reserve(bytes.size());
    bool utf8 = true;
    for (size_t i = 0; i < bytes.size();) {
        char32_t c = 0;
        size_t length = 0;
        if (!DecodeUtf8At(bytes, i, c, length)) {
            utf8 = false;
            break;
        }
        AppendCodePoint(c, line);
        i += length;
    }
    if (utf8) return;
    line.clear();
    const uint16_t* high = HighHalfTables[TextCodePageIndex(codePage_)];
    for (uint8_t b : bytes)
        line.push_back(b < 0x80 ? static_cast<char16_t>(b) : static_cast<char16_t>(high[b - 0x80]));
}

bool DigestListReader::Next(U16String& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    if (encoding_ == Encoding::Unknown) {
        // Enough bytes for the longest mark, or all there will be.
        if (pending_.size() - start_ < 4 && !finished_) return false;
        Detect();
    }
    const bool wide = encoding_ != Encoding::Bytes;
    const size_t unit = wide ? 2 : 1;
    const uint8_t* base = pending_.data() + start_;
    size_t available = pending_.size() - start_;
    size_t end = scanned_;
    bool found = false;
    for (; end + unit <= available; end += unit) {
        bool lf = !wide ? base[end] == '\n'
                        : (encoding_ == Encoding::Utf16Le ? (base[end] == '\n' && base[end + 1] == 0)
                                                          : (base[end] == 0 && base[end + 1] == '\n'));
        if (lf) {
            found = true;
            break;
        }
    }
    if (!found) {
        scanned_ = end;
        if (available > DigestLineMaxBytes) {
            // Too long to be a list line: drop what it has so far (whole units) and the rest of it
            // as it arrives.
            skipping_ = true;
            start_ += end;
            base += end;
            available -= end;
            scanned_ = 0;
        }
        if (!finished_) return false;
        if (available == 0 && !skipping_) return false;
        // The last line, without a line end.
        end = available;
    }
    ++lineNumber_;
    tooLong = skipping_ || end > DigestLineMaxBytes;
    skipping_ = false;
    if (!tooLong) Decode(std::span<const uint8_t>(base, end), line);
    start_ += found ? end + unit : available;
    scanned_ = 0;
    return true;
}

U16String DigestListName(U16View path, U16View folder) {
    constexpr U16View LongPrefix = u"\\\\?\\";
    if (path.size() > LongPrefix.size() && path.substr(0, LongPrefix.size()) == LongPrefix)
        path.remove_prefix(LongPrefix.size());
    if (folder.size() > LongPrefix.size() && folder.substr(0, LongPrefix.size()) == LongPrefix)
        folder.remove_prefix(LongPrefix.size());
    auto isSeparator = [](char16_t c) { return c == u'\\' || c == u'/'; };
    U16View name = path;
    if (!folder.empty() && path.size() > folder.size() &&
        EqualsIgnoringCase(path.substr(0, folder.size()), folder)) {
        size_t from = folder.size();
        if (!isSeparator(folder.back())) from = isSeparator(path[from]) ? from + 1 : 0;
        if (from != 0 && from < path.size()) name = path.substr(from);
    }
    U16String result(name);
    for (char16_t& c : result)
        if (c == u'\\') c = u'/';
    return result;
}

U16String DigestListLineText(uint32_t kind, std::span<const uint8_t> digest, uint64_t size, U16View name) {
    U16String line;
    if (kind == HashCksum) {
        uint32_t crc = 0;
        for (size_t i = 0; i < 4 && i < digest.size(); ++i)
            crc = crc << 8 | digest[i];
        line = U16FromAscii(std::to_string(crc) + " " + std::to_string(size) + " ");
        line.append(name);
        return line;
    }
    bool escaped = name.find_first_of(u"\\\n\r") != U16View::npos;
    line.reserve(1 + 2 * digest.size() + 2 + name.size());
    if (escaped) line.push_back(u'\\');
    for (uint8_t b : digest) {
        line.push_back(static_cast<char16_t>(HexDigits[b >> 4]));
        line.push_back(static_cast<char16_t>(HexDigits[b & 0xF]));
    }
    line.append(u"  ");
    for (char16_t c : name) {
        if (!escaped) {
            line.push_back(c);
        } else if (c == u'\\') {
            line.append(u"\\\\");
        } else if (c == u'\n') {
            line.append(u"\\n");
        } else if (c == u'\r') {
            line.append(u"\\r");
        } else {
            line.push_back(c);
        }
    }
    return line;
}

} // namespace scrutel
