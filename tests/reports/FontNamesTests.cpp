// The naming-table reader on built fonts: collection headers, the table directory scan, the
// checksum, name records of every platform, the composite name, text cleaning and cutting.
#include "reports/FontNames.h"

#include "FontBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scrutel;
using namespace font_builder;

namespace {

constexpr size_t Cap = 4096;

// A naming table placed between guard bytes, so a read outside it would pick up 0xCC / 0xDD.
struct PlacedTable {
    Bytes data;
    uint32_t offset = 8;
    uint32_t length = 0;
    explicit PlacedTable(const Bytes& table) {
        data.assign(8, 0xCC);
        data.insert(data.end(), table.begin(), table.end());
        data.insert(data.end(), 8, 0xDD);
        length = static_cast<uint32_t>(table.size());
    }
    int Read(uint32_t nameId, std::u16string* text, size_t capacity = Cap, uint32_t width = 0) const {
        std::vector<char16_t> out(capacity + 1, u'#');
        int r = ReadFontName(data.data(), data.size(), offset, length, nameId, out.data(), capacity, width);
        *text = out.data();
        return r;
    }
};

// ---- TruncateWithEllipsis

struct TruncateCase {
    const char* label;
    std::u16string text;
    size_t n;
    int result;
    std::u16string expected;
};

TEST(TruncateWithEllipsis, CutsLongerTextsOnly) {
    const TruncateCase cases[] = {
        {"longer", u"abcdefgh", 5, 1, u"abcd\u2026"},
        {"one longer", u"abcdef", 5, 1, u"abcd\u2026"},
        {"exactly n", u"abcde", 5, 0, u"abcde"},
        {"shorter", u"abc", 5, 0, u"abc"},
        {"empty", u"", 3, 0, u""},
        {"n of one", u"abc", 1, 1, u"\u2026"},
        {"n of zero empties", u"abc", 0, 1, u""},
    };
    for (const auto& c : cases) {
        char16_t buffer[64];
        std::char_traits<char16_t>::copy(buffer, c.text.c_str(), c.text.size() + 1);
        EXPECT_EQ(TruncateWithEllipsis(buffer, c.n), c.result) << c.label;
        EXPECT_EQ(std::u16string(buffer), c.expected) << c.label;
    }
    EXPECT_EQ(TruncateWithEllipsis(static_cast<char16_t*>(nullptr), 3), 0);
}

// ---- CleanFontText

struct CleanCase {
    const char* label;
    std::u16string text;
    int result;
    std::u16string expected;
};

TEST(CleanFontText, DropsAndReplacesByTheRules) {
    const CleanCase cases[] = {
        {"unchanged", u"Plain Name", 0, u"Plain Name"},
        {"leading blanks and tabs", u" \t  Name", 4, u"Name"},
        {"leading line breaks", u"\r\n\nName", 3, u"Name"},
        {"tab inside", u"A\tB", 1, u"A B"},
        {"CRLF after a letter", u"Line one\r\nLine two", 2, u"Line one Line two"},
        {"LF after a letter", u"one\ntwo", 1, u"one two"},
        {"break after a space dropped", u"one \ntwo", 1, u"one two"},
        {"break after a tab: tab to space, break dropped", u"one\t\ntwo", 2, u"one two"},
        {"inner and trailing space runs kept", u"a  b  ", 0, u"a  b  "},
        {"control characters dropped",
         u"a\x01"
         u"b\x1F"
         u"c\x7F",
         3, u"abc"},
        {"only white space", u" \t\r\n", 4, u""},
        {"C1 control dropped", u"x\x85y", 1, u"xy"},
        {"non-ASCII kept", u"Caf\u00E9 \u00A9", 0, u"Caf\u00E9 \u00A9"},
    };
    for (const auto& c : cases) {
        char16_t buffer[64];
        std::char_traits<char16_t>::copy(buffer, c.text.c_str(), c.text.size() + 1);
        EXPECT_EQ(CleanFontText(buffer, 64), c.result) << c.label;
        EXPECT_EQ(std::u16string(buffer), c.expected) << c.label;
    }
}

TEST(CleanFontText, MissingStringOrZeroCapacity) {
    char16_t buffer[4] = u"a";
    EXPECT_EQ(CleanFontText(static_cast<char16_t*>(nullptr), 4), -1);
    EXPECT_EQ(CleanFontText(buffer, 0), -1);
}

TEST(CleanFontText, UnterminatedTextIsCutWithinItsCapacity) {
    char16_t buffer[5] = {u'a', u'b', u'c', u'd', u'e'};
    EXPECT_EQ(CleanFontText(buffer, 5), 1);
    EXPECT_EQ(std::u16string(buffer), u"abcd");
}

// ---- Collection headers

struct CollectionCase {
    const char* label;
    uint32_t tag;
    uint16_t major, minor;
    uint32_t count;
    uint32_t expected;
};

TEST(FontCollectionCount, AcceptsOnlyValidHeaders) {
    const CollectionCase cases[] = {
        {"version 1.0", Tag("ttcf"), 1, 0, 3, 3},   {"version 2.0", Tag("ttcf"), 2, 0, 1, 1},
        {"128 fonts", Tag("ttcf"), 1, 0, 128, 128}, {"129 fonts", Tag("ttcf"), 1, 0, 129, 0},
        {"no fonts", Tag("ttcf"), 1, 0, 0, 0},      {"version 3.0", Tag("ttcf"), 3, 0, 2, 0},
        {"version 0.0", Tag("ttcf"), 0, 0, 2, 0},   {"minor version 1", Tag("ttcf"), 1, 1, 2, 0},
        {"other tag", Tag("ttcg"), 1, 0, 2, 0},     {"single font", 0x00010000, 1, 0, 2, 0},
    };
    for (const auto& c : cases) {
        Bytes file(4096, 0);
        PutU32(file, 0, c.tag);
        PutU16(file, 4, c.major);
        PutU16(file, 6, c.minor);
        PutU32(file, 8, c.count);
        EXPECT_EQ(FontCollectionCount(file.data(), file.size()), c.expected) << c.label;
    }
}

TEST(FontCollectionCount, ShortFileIsNotACollection) {
    Bytes file = {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0};
    EXPECT_EQ(FontCollectionCount(file.data(), file.size()), 0u);
    EXPECT_EQ(FontCollectionCount(nullptr, 100), 0u);
}

TEST(FontOffset, SingleFontAndCollectionEntries) {
    Bytes single(4096, 0);
    size_t offset = 99;
    EXPECT_TRUE(FontOffset(single.data(), single.size(), 0, &offset));
    EXPECT_EQ(offset, 0u);
    EXPECT_FALSE(FontOffset(single.data(), single.size(), 1, &offset));

    Bytes collection(4096, 0);
    PutU32(collection, 0, Tag("ttcf"));
    PutU16(collection, 4, 1);
    PutU32(collection, 8, 2);
    PutU32(collection, 12, 1000);
    PutU32(collection, 16, 0xFFFFFFF0u);
    EXPECT_TRUE(FontOffset(collection.data(), collection.size(), 0, &offset));
    EXPECT_EQ(offset, 1000u);
    EXPECT_TRUE(FontOffset(collection.data(), collection.size(), 1, &offset));
    EXPECT_EQ(offset, 0xFFFFFFF0u);
    EXPECT_FALSE(FontOffset(collection.data(), collection.size(), 2, &offset));
}

// ---- The table directory

Bytes DirectoryWithTags(const std::vector<uint32_t>& tags, uint32_t version = 0x00010000) {
    std::vector<Table> tables;
    for (uint32_t t : tags)
        tables.push_back({t, t == Tag("name") ? NameTable({Win(4, u"N")}) : Bytes(8, 7)});
    return SingleFont(tables, FontOptions{version});
}

struct DirectoryCase {
    const char* label;
    std::vector<uint32_t> tags;
    uint32_t version;
    int found;
};

TEST(FindNameTable, ScansSortedPlausibleTagsOnly) {
    const DirectoryCase cases[] = {
        {"TrueType", {Tag("OS/2"), Tag("cmap"), Tag("head"), Tag("name"), Tag("post")}, 0x00010000, 1},
        {"OpenType with CFF", {Tag("CFF "), Tag("OS/2"), Tag("name")}, Tag("OTTO"), 1},
        {"name first", {Tag("name")}, 0x00010000, 1},
        {"other sfnt version", {Tag("head"), Tag("name")}, 0x00020000, 0},
        {"Apple true", {Tag("head"), Tag("name")}, Tag("true"), 0},
        {"unsorted before name", {Tag("head"), Tag("cmap"), Tag("name")}, 0x00010000, 0},
        {"duplicate before name", {Tag("head"), Tag("head"), Tag("name")}, 0x00010000, 0},
        {"unsorted after name is not reached", {Tag("name"), Tag("cmap")}, 0x00010000, 1},
        {"leading space", {Tag(" abc"), Tag("name")}, 0x00010000, 0},
        {"space then letter", {Tag("a bc"), Tag("name")}, 0x00010000, 0},
        {"trailing spaces allowed", {Tag("ab  "), Tag("name")}, 0x00010000, 1},
        {"control byte", {0x41420943u, Tag("name")}, 0x00010000, 0},
        {"byte above 0x7F", {0x414280FFu, Tag("name")}, 0x00010000, 0},
        {"0x7F is printable enough", {0x4142437Fu, Tag("name")}, 0x00010000, 1},
        {"no name table", {Tag("head"), Tag("post")}, 0x00010000, 0},
    };
    for (const auto& c : cases) {
        Bytes file = DirectoryWithTags(c.tags, c.version);
        NameTableLocation location;
        EXPECT_EQ(FindNameTable(file.data(), file.size(), 0, &location), c.found) << c.label;
    }
}

TEST(FindNameTable, ReturnsTheRecordsOffsetLengthAndChecksum) {
    Bytes file(4096, 0);
    PutU32(file, 0, 0x00010000);
    PutU32(file, 12, Tag("cmap"));
    PutU32(file, 28, Tag("name"));
    PutU32(file, 32, 0x11223344);
    PutU32(file, 36, 0x00000800);
    PutU32(file, 40, 0x00000123);
    NameTableLocation location;
    ASSERT_EQ(FindNameTable(file.data(), file.size(), 0, &location), 1);
    EXPECT_EQ(location.checksum, 0x11223344u);
    EXPECT_EQ(location.offset, 0x800u);
    EXPECT_EQ(location.length, 0x123u);
}

TEST(FindNameTable, RecordMustEndBeforeTheEndOfTheFile) {
    // The "name" record occupies bytes 12..27: a file of 28 bytes does not hold it with a byte
    // to spare, a file of 29 does.
    Bytes file(29, 0);
    PutU32(file, 0, 0x00010000);
    PutU32(file, 12, Tag("name"));
    NameTableLocation location;
    EXPECT_EQ(FindNameTable(file.data(), 29, 0, &location), 1);
    EXPECT_EQ(FindNameTable(file.data(), 28, 0, &location), 0);
    EXPECT_EQ(FindNameTable(file.data(), 3, 0, &location), 0);
    EXPECT_EQ(FindNameTable(file.data(), 29, 30, &location), 0);
    EXPECT_EQ(FindNameTable(file.data(), 29, SIZE_MAX - 2, &location), 0);
}

// ---- The checksum and the usable-table checks

TEST(FontTableChecksum, WholeWordsAndPartialLastWord) {
    Bytes file = {0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0xAB, 0xCD, 0xEF, 0x99};
    EXPECT_EQ(FontTableChecksum(file.data(), file.size(), 0, 8), 3u);
    EXPECT_EQ(FontTableChecksum(file.data(), file.size(), 0, 12), 3u + 0xABCDEF99u);
    // A table of 10 bytes: the two bytes after it (0xEF 0x99) count as zero.
    EXPECT_EQ(FontTableChecksum(file.data(), file.size(), 0, 10), 3u + 0xABCD0000u);
    EXPECT_EQ(FontTableChecksum(file.data(), file.size(), 4, 5), 2u + 0xAB000000u);
    // Wraps modulo 2^32.
    Bytes big = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x02};
    EXPECT_EQ(FontTableChecksum(big.data(), big.size(), 0, 8), 1u);
    // Past the end of the data: what is there counts, the rest is zero.
    EXPECT_EQ(FontTableChecksum(file.data(), file.size(), 8, 100), 0xABCDEF99u);
    EXPECT_EQ(FontTableChecksum(file.data(), file.size(), 13, 4), 0u);
}

// Regression: an unpadded naming table followed by non-zero bytes must still pass its checksum.
TEST(LocateUsableNameTable, UnpaddedTableFollowedByNonZeroBytesPasses) {
    Bytes names = NameTable({Win(4, u"Odd Length")});
    names.push_back(0x41); // odd length
    ASSERT_NE(names.size() % 4, 0u);
    Bytes file =
        SingleFont({{Tag("name"), names}, {Tag("post"), Bytes(40, 0xEE)}}, FontOptions{0x00010000, false});
    NameTableLocation location;
    ASSERT_EQ(FindNameTable(file.data(), file.size(), 0, &location), 1);
    ASSERT_NE(file[location.offset + location.length], 0) << "the table must be followed by non-zero bytes";
    EXPECT_EQ(LocateUsableNameTable(file.data(), file.size(), 0, &location), 1);
}

struct UsableCase {
    const char* label;
    int expected;
};

TEST(LocateUsableNameTable, RejectsEveryBadTable) {
    Bytes good = FontWithNames({Win(4, u"Good")});
    NameTableLocation location;
    ASSERT_EQ(LocateUsableNameTable(good.data(), good.size(), 0, &location), 1);
    const size_t nameRecord = 12 + 16; // the second table record
    auto with = [&](size_t at, uint32_t value) {
        Bytes b = good;
        PutU32(b, at, value);
        return b;
    };
    struct Case {
        const char* label;
        Bytes file;
        size_t fontOffset;
    };
    const Case cases[] = {
        {"checksum off by one", FontWithNames({Win(4, u"Good")}, FontOptions{0x00010000, true, 1}), 0},
        {"offset 0", with(nameRecord + 8, 0), 0},
        {"length 0", with(nameRecord + 12, 0), 0},
        {"table past the end", with(nameRecord + 12, 5000), 0},
        {"offset past the end", with(nameRecord + 8, 0xFFFFFFF0u), 0},
        {"font less than 1024 bytes before the end", good, good.size() - 1023},
        {"font offset past the end", good, good.size() + 10},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LocateUsableNameTable(c.file.data(), c.file.size(), c.fontOffset, &location), 0) << c.label;
    EXPECT_EQ(LocateUsableNameTable(nullptr, 4096, 0, &location), 0);
}

// ---- ReadFontName: records and platforms

struct NameCase {
    const char* label;
    std::vector<NameRecord> records;
    uint32_t nameId;
    int result;
    std::u16string expected;
};

TEST(ReadFontName, ChoosesRecordsByPlatformAndOrder) {
    const NameCase cases[] = {
        {"Windows BMP", {Win(4, u"Full Name")}, 4, 1, u"Full Name"},
        {"Unicode platform, any encoding", {{0, 3, 0, 4, Utf16Be(u"Uni")}}, 4, 1, u"Uni"},
        {"Unicode platform, encoding 6", {{0, 6, 0, 4, Utf16Be(u"Uni6")}}, 4, 1, u"Uni6"},
        {"Windows symbol", {{3, 0, 0x409, 4, Utf16Be(u"Sym")}}, 4, 1, u"Sym"},
        {"Windows full repertoire", {{3, 10, 0x409, 4, Utf16Be(u"Full")}}, 4, 1, u"Full"},
        {"Windows Shift-JIS skipped", {{3, 2, 0x411, 4, Utf16Be(u"SJ")}}, 4, 0, u""},
        {"other name id", {Win(1, u"Family")}, 4, 0, u""},
        {"first matching record wins, whatever its language",
         {{3, 1, 0x40E, 4, Utf16Be(u"Magyar")}, {3, 1, 0x409, 4, Utf16Be(u"English")}},
         4,
         1,
         u"Magyar"},
        {"Windows preferred over an earlier Macintosh record",
         {Mac(4, "Mac Name"), Win(4, u"Win Name")},
         4,
         1,
         u"Win Name"},
        {"Macintosh only, Mac OS Roman", {Mac(0, "Caf\x8E \xA9 1998")}, 0, 1, u"Caf\u00E9 \u00A9 1998"},
        {"Macintosh encoding 7 accepted", {{1, 7, 0, 5, Latin("Seven")}}, 5, 1, u"Seven"},
        {"Macintosh encoding 8 skipped", {{1, 8, 0, 5, Latin("Eight")}}, 5, 0, u""},
        {"Macintosh empty string skipped for the next one", {Mac(5, ""), Mac(5, "Second")}, 5, 1, u"Second"},
        {"other platform skipped", {{2, 1, 0, 4, Utf16Be(u"ISO")}}, 4, 0, u""},
        {"odd length rounded down", {{3, 1, 0x409, 4, Bytes{0, 'A', 0, 'B', 0}}}, 4, 1, u"AB"},
        {"empty Unicode string is still found", {{3, 1, 0x409, 4, Bytes{}}, Win(4, u"Later")}, 4, 1, u""},
        {"line breaks cleaned",
         {Win(10, u"First line\r\nsecond line \nthird")},
         10,
         1,
         u"First line second line third"},
        {"leading blanks cleaned", {Win(8, u"   Maker")}, 8, 1, u"Maker"},
    };
    for (const auto& c : cases) {
        PlacedTable table(NameTable(c.records));
        std::u16string text;
        EXPECT_EQ(table.Read(c.nameId, &text), c.result) << c.label;
        EXPECT_EQ(text, c.expected) << c.label;
    }
}

TEST(ReadFontName, RecordsWhoseStringsRunPastTheTableAreSkipped) {
    Bytes table = NameTable({Win(4, u"Fine"), Win(5, u"Cut")});
    // Second record: string offset points past the table.
    PutU16(table, 6 + 12 + 10, 0x7000);
    PlacedTable placed(table);
    std::u16string text;
    EXPECT_EQ(placed.Read(4, &text), 1);
    EXPECT_EQ(text, u"Fine");
    EXPECT_EQ(placed.Read(5, &text), 0);
    EXPECT_EQ(text, u"");

    // A string that ends exactly at the table's end is inside it.
    Bytes last = NameTable({Win(4, u"Edge")});
    PlacedTable edge(last);
    EXPECT_EQ(edge.Read(4, &text), 1);
    EXPECT_EQ(text, u"Edge");
    // One byte longer runs into the guard bytes: skipped.
    Bytes longer = last;
    PutU16(longer, 6 + 8, 9);
    PlacedTable past(longer);
    EXPECT_EQ(past.Read(4, &text), 0);
}

struct HeaderCase {
    const char* label;
    Bytes table;
    int result;
};

TEST(ReadFontName, TableHeaderChecks) {
    Bytes valid = NameTable({Win(4, u"Name")});
    auto withU16 = [&](size_t at, uint32_t v) {
        Bytes b = valid;
        PutU16(b, at, v);
        return b;
    };
    const HeaderCase cases[] = {
        {"format 0", valid, 1},
        {"format 1", NameTable({Win(4, u"Name")}, 1), 1},
        {"format 2", withU16(0, 2), 0},
        {"format 0xFFFF", withU16(0, 0xFFFF), 0},
        {"no records", withU16(2, 0), 0},
        {"count runs past the table", withU16(2, 2), -1},
        {"count of 0xFFFF", withU16(2, 0xFFFF), -1},
        {"shorter than 18 bytes", Bytes{0, 0, 0, 1, 0, 18, 0, 3, 0, 1, 4, 9, 0, 4, 0, 0, 0}, -1},
    };
    for (const auto& c : cases) {
        PlacedTable table(c.table);
        std::u16string text;
        EXPECT_EQ(table.Read(4, &text), c.result) << c.label;
    }
}

TEST(ReadFontName, RecordsMustEndBeforeTheTableEnds) {
    // One record and no string storage: 6 + 12 = 18 bytes reaches the end exactly.
    Bytes table = {0, 0, 0, 1, 0, 18, 0, 3, 0, 1, 4, 9, 0, 4, 0, 0, 0, 0};
    PlacedTable placed(table);
    std::u16string text;
    EXPECT_EQ(placed.Read(4, &text), -1);
}

TEST(ReadFontName, TableOutsideTheDataIsRejected) {
    Bytes table = NameTable({Win(4, u"Name")});
    std::vector<char16_t> out(64);
    EXPECT_EQ(ReadFontName(table.data(), table.size(), 4, static_cast<uint32_t>(table.size()), 4, out.data(),
                           64, 0),
              -1);
    EXPECT_EQ(ReadFontName(table.data(), table.size(), 0xFFFFFFFFu, 100, 4, out.data(), 64, 0), -1);
    EXPECT_EQ(ReadFontName(table.data(), table.size(), 0, static_cast<uint32_t>(table.size()), 4,
                           static_cast<char16_t*>(nullptr), 64, 0),
              -1);
    EXPECT_EQ(
        ReadFontName(table.data(), table.size(), 0, static_cast<uint32_t>(table.size()), 4, out.data(), 0, 0),
        -1);
}

TEST(ReadFontName, CapacityAndWidthLimits) {
    PlacedTable table(NameTable({Win(10, u"0123456789"), Mac(9, "ABCDEFGHIJ")}));
    std::u16string text;
    EXPECT_EQ(table.Read(10, &text, 5), 1);
    EXPECT_EQ(text, u"0123");
    EXPECT_EQ(table.Read(10, &text, Cap, 4), 1);
    EXPECT_EQ(text, u"012\u2026");
    EXPECT_EQ(table.Read(10, &text, Cap, 10), 1);
    EXPECT_EQ(text, u"0123456789");
    // A Macintosh string that does not fit is skipped rather than cut.
    EXPECT_EQ(table.Read(9, &text, 5), 0);
    EXPECT_EQ(table.Read(9, &text, 11), 1);
    EXPECT_EQ(text, u"ABCDEFGHIJ");
}

TEST(ReadFontName, SixtyCharacterDescriptionCutToFortyNine) {
    std::u16string sixty(60, u'd');
    PlacedTable table(NameTable({Win(10, sixty)}));
    std::u16string text;
    EXPECT_EQ(table.Read(10, &text, Cap, 80 - 31), 1);
    EXPECT_EQ(text, std::u16string(48, u'd') + u"\u2026");
    EXPECT_EQ(table.Read(10, &text, Cap, 0u - 31u), 1);
    EXPECT_EQ(text, sixty);
}

// ---- The composite full name

TEST(ReadFontName, CompositeNameFallbacks) {
    const NameCase cases[] = {
        {"full name",
         {Win(1, u"Fam"), Win(2, u"Sub"), Win(4, u"Full"), Win(16, u"Typo"), Win(17, u"TSub")},
         FontCompositeName,
         1,
         u"Full"},
        {"typographic family and subfamily",
         {Win(1, u"Fam"), Win(2, u"Sub"), Win(16, u"Typo"), Win(17, u"Light")},
         FontCompositeName,
         1,
         u"Typo Light"},
        {"blank full name falls back",
         {Win(4, u"  "), Win(16, u"Typo"), Win(17, u"Light")},
         FontCompositeName,
         1,
         u"Typo Light"},
        {"typographic subfamily missing: family and subfamily",
         {Win(1, u"Fam"), Win(2, u"Bold"), Win(16, u"Typo")},
         FontCompositeName,
         1,
         u"Fam Bold"},
        {"typographic family missing",
         {Win(1, u"Fam"), Win(2, u"Bold"), Win(17, u"TSub")},
         FontCompositeName,
         1,
         u"Fam Bold"},
        {"family only: nothing", {Win(1, u"Fam")}, FontCompositeName, 0, u""},
        {"subfamily only: nothing", {Win(2, u"Bold"), Win(17, u"Light")}, FontCompositeName, 0, u""},
        {"Macintosh parts",
         {Mac(1, "Mac Fam"), Mac(2, "It\x8Elic")},
         FontCompositeName,
         1,
         u"Mac Fam It\u00E9lic"},
    };
    for (const auto& c : cases) {
        PlacedTable table(NameTable(c.records));
        std::u16string text;
        EXPECT_EQ(table.Read(c.nameId, &text), c.result) << c.label;
        EXPECT_EQ(text, c.expected) << c.label;
    }
}

TEST(ReadFontName, CompositeNameLimits) {
    PlacedTable table(NameTable({Win(16, u"Typographic"), Win(17, u"Semibold")}));
    std::u16string text;
    // Joined within the output's capacity (10 characters: 9 and the terminator).
    EXPECT_EQ(table.Read(FontCompositeName, &text, 10), 1);
    EXPECT_EQ(text, u"Typograph");
    EXPECT_EQ(table.Read(FontCompositeName, &text, 13), 1);
    EXPECT_EQ(text, u"Typographic ");
    EXPECT_EQ(table.Read(FontCompositeName, &text, 14), 1);
    EXPECT_EQ(text, u"Typographic S");
    // The width limit applies to the whole.
    EXPECT_EQ(table.Read(FontCompositeName, &text, Cap, 15), 1);
    EXPECT_EQ(text, u"Typographic Se\u2026");
    // A subfamily longer than 255 characters is cut to 255.
    PlacedTable longSub(NameTable({Win(1, u"F"), Win(2, std::u16string(300, u's'))}));
    EXPECT_EQ(longSub.Read(FontCompositeName, &text), 1);
    EXPECT_EQ(text, u"F " + std::u16string(255, u's'));
}

TEST(ReadFontName, CompositeOnMalformedTableIsAnError) {
    Bytes table = NameTable({Win(4, u"N")});
    PutU16(table, 2, 40);
    PlacedTable placed(table);
    std::u16string text;
    EXPECT_EQ(placed.Read(FontCompositeName, &text), -1);
    EXPECT_EQ(text, u"");
}

// ---- Header strings from a font's bytes

struct HeaderStringsCase {
    const char* label;
    Bytes file;
    int found;
    std::u16string description, version, legal;
};

TEST(FontHeaderStringsFromBytes, DescriptionVersionAndNotice) {
    std::vector<Table> first = {{Tag("name"), NameTable({Win(1, u"Family A"), Win(2, u"Regular"),
                                                         Win(4, u"Family A Regular"), Win(16, u"Typo A")})}};
    std::vector<Table> second = {{Tag("name"), NameTable({Win(1, u"Family B"), Win(16, u"Typo B")})}};
    std::vector<Table> noTypo = {{Tag("name"), NameTable({Win(1, u"Only Family"), Win(4, u"Full")})}};
    const HeaderStringsCase cases[] = {
        {"single font",
         FontWithNames({Win(0, u"(c) 2020 Maker"), Win(4, u"Sample Sans"), Win(5, u"Version 2.035;PS 1.0")}),
         3, u"Sample Sans", u"2.035;PS 1.0", u"(c) 2020 Maker"},
        {"composite description", FontWithNames({Win(16, u"Sample"), Win(17, u"Light")}), 1, u"Sample Light",
         u"", u""},
        {"version without digits kept whole", FontWithNames({Win(5, u"Beta release")}), 1, u"",
         u"Beta release", u""},
        {"version cut to 30", FontWithNames({Win(5, u"Version 1." + std::u16string(40, u'9'))}), 1, u"",
         u"1." + std::u16string(27, u'9') + u"\u2026", u""},
        {"description cut to 40", FontWithNames({Win(4, std::u16string(45, u'n'))}), 1,
         std::u16string(39, u'n') + u"\u2026", u"", u""},
        {"notice not cut", FontWithNames({Win(0, std::u16string(300, u'c'))}), 1, u"", u"",
         std::u16string(300, u'c')},
        {"collection: typographic family of the first font", Collection({first, second}), 1, u"Typo A", u"",
         u""},
        {"collection without typographic family: family", Collection({noTypo}), 1, u"Only Family", u"", u""},
        {"no names", FontWithNames({Win(9, u"Designer")}), 0, u"", u"", u""},
        {"checksum mismatch", FontWithNames({Win(4, u"N")}, FontOptions{0x00010000, true, 7}), 0, u"", u"",
         u""},
    };
    for (const auto& c : cases) {
        char16_t d[1024], v[1024], l[1024];
        EXPECT_EQ(FontHeaderStringsFromBytes(c.file.data(), c.file.size(), d, v, l), c.found) << c.label;
        EXPECT_EQ(std::u16string(d), c.description) << c.label;
        EXPECT_EQ(std::u16string(v), c.version) << c.label;
        EXPECT_EQ(std::u16string(l), c.legal) << c.label;
    }
}

TEST(FontHeaderStringsFromBytes, TooSmallOrBrokenFilesGiveNothing) {
    Bytes font = FontWithNames({Win(4, u"Name")});
    char16_t d[1024] = u"x", v[1024] = u"y", l[1024] = u"z";
    EXPECT_EQ(FontHeaderStringsFromBytes(font.data(), 4095, d, v, l), 0);
    EXPECT_EQ(std::u16string(d), u"");
    EXPECT_EQ(std::u16string(v), u"");
    EXPECT_EQ(std::u16string(l), u"");
    Bytes collection = Collection({{{Tag("name"), NameTable({Win(16, u"T")})}}});
    PutU32(collection, 12, static_cast<uint32_t>(collection.size() - 1000));
    EXPECT_EQ(FontHeaderStringsFromBytes(collection.data(), collection.size(), d, v, l), 0);
    EXPECT_EQ(FontHeaderStringsFromBytes(nullptr, 5000, d, v, l), 0);
    EXPECT_EQ(FontHeaderStringsFromBytes(font.data(), font.size(), nullptr, v, l), 0);
}

} // namespace
