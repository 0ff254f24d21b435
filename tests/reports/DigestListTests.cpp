// Digest list lines in every form the check reads, the streaming line splitter in every encoding
// and block size, and the list output's names and lines.
#include "reports/DigestList.h"

#include "core/ScanSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scrutel;

namespace {

const U16String S256 = u"5891b5b522d5df086d0ff0b110fbd9d21bb4fc7163af34d08286a2e846f6be03";
const U16String M5 = u"b1946ac92492d2347c6235b4d2611184";

std::string Hex(const uint8_t* bytes, size_t length) {
    std::string hex;
    for (size_t i = 0; i < length; ++i) {
        hex += "0123456789abcdef"[bytes[i] >> 4];
        hex += "0123456789abcdef"[bytes[i] & 0xF];
    }
    return hex;
}

TEST(ParseDigestLine, EveryForm) {
    using S = DigestLineStatus;
    using F = DigestLineForm;
    struct Row {
        const char* label;
        U16String line;
        S status;
        uint32_t kind = 0;
        U16String name = {};
        std::string hex = {}; // the digest's first four bytes
        uint64_t size = 0;
        F ambiguousAs = F::Sfv;
    } rows[] = {
        {"sums line", S256 + u"  a.txt", S::Entry, HashSha256, u"a.txt", "5891b5b5"},
        {"binary mode, upper case", u"B1946AC92492D2347C6235B4D2611184 *d/a b", S::Entry, HashMd5, u"d/a b",
         "b1946ac9"},
        {"escapes", u"\\" + S256 + u"  b\\\\c\\nd\\re", S::Entry, HashSha256, u"b\\c\nd\re", "5891b5b5"},
        {"unknown escape", u"\\" + S256 + u"  a\\q", S::Malformed},
        {"8 digits", u"DEADBEEF  x", S::Entry, HashCrc32, u"x", "deadbeef"},
        {"40 digits", S256.substr(0, 40) + u"  h", S::Entry, HashSha1, u"h", "5891b5b5"},
        {"128 digits", S256 + S256 + u"  h", S::Entry, HashSha512, u"h", "5891b5b5"},
        {"62 digits", S256.substr(2) + u"  a", S::Malformed},
        {"one blank", M5 + u" a", S::Malformed},
        {"no name", M5 + u"  ", S::Malformed},
        {"BSD tag", u"SHA256 (a (1)) = " + S256, S::Entry, HashSha256, u"a (1)", "5891b5b5"},
        {"tight lower-case tag", u"md5(a)= " + M5, S::Entry, HashMd5, u"a", "b1946ac9"},
        {"CRC32 tag", u"CRC32 (a) = DEADBEEF", S::Entry, HashCrc32, u"a", "deadbeef"},
        {"tag and length disagree", u"SHA1 (a) = " + S256, S::Malformed},
        {"unknown tag", u"SHA3-256 (a) = " + S256, S::Malformed},
        {"SFV", u"  my file DEADBEEF", S::Entry, HashCrc32, u"my file", "deadbeef"},
        {"SFV, tab and trailing blanks", u"a\tdeadbeef  ", S::Entry, HashCrc32, u"a", "deadbeef"},
        {"cksum", u"3015617425 6 a b", S::Entry, HashCksum, u"a b", "b3beab91", 6},
        {"cksum of standard input", u"3015617425 6", S::Malformed},
        {"cksum or SFV, as SFV", u"12 34 5678abcd", S::Entry, HashCrc32, u"12 34", "5678abcd"},
        {"cksum or SFV, as cksum", u"12 34 5678abcd", S::Entry, HashCksum, u"5678abcd", "0000000c", 34,
         F::Cksum},
        {"comments", u" # x", S::Comment},
        {"SFV comment", u"; x", S::Comment},
        {"blank", u" \t", S::Blank},
        {"NUL", M5 + u"  a" + U16String(1, u'\0'), S::Malformed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        DigestLine parsed = ParseDigestLine(row.line, row.ambiguousAs);
        ASSERT_EQ(parsed.status, row.status);
        if (row.status != S::Entry) continue;
        const DigestEntry& e = parsed.entry;
        EXPECT_EQ(e.kind, row.kind);
        EXPECT_EQ(Utf8FromU16(e.name), Utf8FromU16(row.name));
        EXPECT_EQ(Hex(e.digest.data(), 4), row.hex);
        EXPECT_EQ(e.digestLength, DigestLengthOfKind(row.kind));
        EXPECT_EQ(e.size, row.size);
    }
}

// Every line the reader gives for bytes fed in blocks of block bytes, as "number:text" ("!" for a
// line too long).
std::vector<std::string> ReadAll(const std::string& bytes, size_t block) {
    DigestListReader reader(1252);
    std::vector<std::string> lines;
    U16String line;
    bool tooLong = false;
    auto drain = [&] {
        while (reader.Next(line, tooLong))
            lines.push_back(std::to_string(reader.LineNumber()) + ":" + (tooLong ? "!" : Utf8FromU16(line)));
    };
    for (size_t at = 0; at < bytes.size(); at += block) {
        std::string piece = bytes.substr(at, block);
        reader.Feed(std::as_bytes(std::span<const char>(piece.data(), piece.size())));
        drain();
    }
    reader.Finish();
    drain();
    return lines;
}

TEST(DigestListReader, EncodingsLineEndsAndBlockSizes) {
    using Lines = std::vector<std::string>;
    const std::string longLine(DigestLineMaxBytes, 'z');
    const struct {
        const char* label;
        std::string bytes;
        Lines lines;
    } rows[] = {
        {"UTF-8 mark, CR LF", std::string("\xEF\xBB\xBF") + "a\r\n\r\nb\xC3\xA9\r\n",
         Lines{"1:a", "2:", "3:b\xC3\xA9"}},
        {"no last line end, one byte", "a\nb", Lines{"1:a", "2:b"}},
        {"beyond the first plane", "\xF0\x9F\x98\x80\n", Lines{"1:\xF0\x9F\x98\x80"}},
        {"8-bit, overlong UTF-8", "caf\xE9\n\xC0\xAF", Lines{"1:caf\xC3\xA9", "2:\xC3\x80\xC2\xAF"}},
        {"UTF-16LE mark", std::string("\xFF\xFE") + std::string("a\0\xE9\0\r\0\n\0b\0", 10),
         Lines{"1:a\xC3\xA9", "2:b"}},
        {"UTF-16LE, LF byte in a unit", std::string("a\0\n\0\n\x01", 6), Lines{"1:a", "2:\xC4\x8A"}},
        {"UTF-16BE", std::string("\0a\0\n\0c", 6), Lines{"1:a", "2:c"}},
        {"too long, then short", longLine + "zz\nok\n", Lines{"1:!", "2:ok"}},
        {"last line too long", "a\n" + longLine + "z", Lines{"1:a", "2:!"}},
        {"longest", longLine + "\n", Lines{"1:" + longLine}},
        {"nothing", "", Lines{}},
    };
    for (const auto& row : rows)
        for (size_t block : {size_t{1}, size_t{3}, size_t{4096}, size_t{1} << 20})
            EXPECT_EQ(ReadAll(row.bytes, block), row.lines) << row.label << ", block " << block;
}

TEST(DigestListOutput, NamesAndLines) {
    EXPECT_EQ(DigestListName(u"Z:\\t\\s\\b", u"Z:\\t"), u"s/b");
    EXPECT_EQ(DigestListName(u"\\\\?\\z:\\T\\a", u"Z:\\t\\"), u"a");
    EXPECT_EQ(DigestListName(u"Z:\\tx\\a", u"Z:\\t"), u"Z:/tx/a");
    const std::vector<uint8_t> crc = {0xb3, 0xbe, 0xab, 0x91};
    EXPECT_EQ(DigestListLineText(HashCrc32, crc, 6, u"a\\b\nc\rd"), u"\\b3beab91  a\\\\b\\nc\\rd");
    EXPECT_EQ(DigestListLineText(HashCksum, crc, 6, u"a b"), u"3015617425 6 a b");
}

} // namespace
