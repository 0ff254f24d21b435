// Tests of the reparse data interpretation: crafted buffers of the three tags, unknown tags,
// truncated and lying lengths, random damage, and the directory part of a link's path.
#include "files/ReparseData.h"

#include "support/ByteWriting.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace scrutel;

namespace {

using Bytes = std::vector<uint8_t>;

using testing_support::Put16;
using testing_support::Put32;
void Append(Bytes& b, const std::u16string& s, bool terminate) {
    for (char16_t c : s) {
        b.push_back(static_cast<uint8_t>(c));
        b.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (terminate) b.insert(b.end(), {0, 0});
}

// Symbolic link (tag 0xA000000C) or junction (0xA0000003): substitute name first, then the
// print name, as the system stores them.
Bytes NameBuffer(uint32_t tag, const std::u16string& substitute, const std::u16string& print,
                 uint32_t flags = 0) {
    bool symlink = tag == ReparseTagSymlink;
    size_t pathBuffer = symlink ? 20 : 16;
    Bytes b(pathBuffer, 0);
    Put32(b, 0, tag);
    Put16(b, 8, 0);
    Put16(b, 10, static_cast<uint16_t>(substitute.size() * 2));
    Put16(b, 12, static_cast<uint16_t>(substitute.size() * 2));
    Put16(b, 14, static_cast<uint16_t>(print.size() * 2));
    if (symlink) Put32(b, 16, flags);
    Append(b, substitute, false);
    Append(b, print, false);
    Put16(b, 4, static_cast<uint16_t>(b.size() - 8));
    return b;
}

Bytes Alias(const std::vector<std::u16string>& strings) {
    Bytes b(12, 0);
    Put32(b, 0, ReparseTagAppExecLink);
    Put32(b, 8, 3);
    for (const std::u16string& s : strings)
        Append(b, s, true);
    Put16(b, 4, static_cast<uint16_t>(b.size() - 8));
    return b;
}

ReparseData Interpret(const Bytes& b) {
    return InterpretReparseData(ByteReader(b.data(), b.size()));
}

Bytes Changed(Bytes b, size_t at, uint16_t value) {
    Put16(b, at, value);
    return b;
}

} // namespace

TEST(InterpretReparseDataTest, Tags) {
    const std::u16string packaged = u"C:\\Program Files\\WindowsApps\\Maker.App_1.0_x64\\app.exe";
    struct Row {
        const char* label;
        Bytes buffer;
        int result;
        uint32_t tag;
        std::u16string text;
        bool relative;
    } rows[] = {
        {"absolute symlink with prefix",
         NameBuffer(ReparseTagSymlink, u"\\??\\C:\\data\\file.txt", u"C:\\data\\file.txt"), 0,
         ReparseTagSymlink, u"C:\\data\\file.txt", false},
        {"absolute symlink without prefix", NameBuffer(ReparseTagSymlink, u"C:\\data", u""), 0,
         ReparseTagSymlink, u"C:\\data", false},
        {"symlink to a network share",
         NameBuffer(ReparseTagSymlink, u"\\??\\UNC\\server\\share\\f", u"\\\\server\\share\\f"), 0,
         ReparseTagSymlink, u"\\\\server\\share\\f", false},
        {"relative symlink", NameBuffer(ReparseTagSymlink, u"..\\c", u"..\\c", 1), 0, ReparseTagSymlink,
         u"..\\c", true},
        {"relative flag among others", NameBuffer(ReparseTagSymlink, u"x", u"x", 0xFFFFFFFF), 0,
         ReparseTagSymlink, u"x", true},
        {"junction to the root of D", NameBuffer(ReparseTagMountPoint, u"\\??\\D:\\", u"D:\\"), 0,
         ReparseTagMountPoint, u"D:\\", false},
        {"junction to a folder", NameBuffer(ReparseTagMountPoint, u"\\??\\C:\\Users\\me", u"C:\\Users\\me"),
         0, ReparseTagMountPoint, u"C:\\Users\\me", false},
        {"junction without prefix", NameBuffer(ReparseTagMountPoint, u"D:\\dir", u"D:\\dir"),
         ReparseBadArguments, 0, u"", false},
        {"junction that is only the prefix", NameBuffer(ReparseTagMountPoint, u"\\??\\", u""),
         ReparseBadArguments, 0, u"", false},
        {"junction to a volume name", NameBuffer(ReparseTagMountPoint, u"\\??\\Volume{0}\\", u""), 0,
         ReparseTagMountPoint, u"Volume{0}\\", false},
        {"execution alias", Alias({u"Maker.App_abc", u"Maker.App_abc!App", packaged, u"0"}), 0,
         ReparseTagAppExecLink, packaged, false},
        {"execution alias with three strings", Alias({u"a", u"b", u"C:\\x.exe"}), 0, ReparseTagAppExecLink,
         u"C:\\x.exe", false},
        {"execution alias with two strings", Alias({u"a", u"b"}), ReparseMalformed, 0, u"", false},
        {"execution alias with an empty target", Alias({u"a", u"b", u""}), ReparseMalformed, 0, u"", false},
        {"cloud files tag", Changed(NameBuffer(0x9000001A, u"x", u"x"), 0, 0x001A), ReparseUnsupportedTag,
         0x9000001A, u"ReparseData-\u2192ReparseTag = 0x9000001A\n", false},
        {"deduplication tag",
         [] {
             Bytes b(8, 0);
             Put32(b, 0, 0x80000013);
             return b;
         }(),
         ReparseUnsupportedTag, 0x80000013, u"ReparseData-\u2192ReparseTag = 0x80000013\n", false},
        {"empty symlink name", NameBuffer(ReparseTagSymlink, u"", u"p"), ReparseMalformed, 0, u"", false},
        {"symlink name that is only the prefix", NameBuffer(ReparseTagSymlink, u"\\??\\", u""),
         ReparseMalformed, 0, u"", false},
    };
    for (const Row& row : rows) {
        ReparseData d = Interpret(row.buffer);
        EXPECT_EQ(d.result, row.result) << row.label;
        if (row.result == 0 || row.result == ReparseUnsupportedTag) {
            EXPECT_EQ(d.tag, row.tag) << row.label;
            EXPECT_EQ(d.text, row.text) << row.label;
        }
        if (row.result == 0) {
            EXPECT_EQ(d.relative, row.relative) << row.label;
        }
    }
}

TEST(InterpretReparseDataTest, TruncatedAndLyingLengths) {
    Bytes link = NameBuffer(ReparseTagSymlink, u"\\??\\C:\\t", u"C:\\t");
    Bytes junction = NameBuffer(ReparseTagMountPoint, u"\\??\\D:\\", u"D:\\");
    struct Row {
        const char* label;
        Bytes buffer;
    } rows[] = {
        {"empty buffer", Bytes{}},
        {"tag only", Bytes{0x0C, 0, 0, 0xA0}},
        {"data length beyond the buffer", Changed(link, 4, static_cast<uint16_t>(link.size()))},
        {"substitute offset beyond the data", Changed(link, 8, 200)},
        {"substitute length beyond the data", Changed(link, 10, 400)},
        {"odd substitute length", Changed(link, 10, 7)},
        {"symlink header cut before its flags", Bytes(link.begin(), link.begin() + 18)},
        {"junction name cut short", Bytes(junction.begin(), junction.end() - 8)},
        {"junction offset wraps past 16 bits", Changed(junction, 8, 0xFFFF)},
        {"alias without version",
         [] {
             Bytes b(8, 0);
             Put32(b, 0, ReparseTagAppExecLink);
             return b;
         }()},
        {"alias string without terminator",
         [] {
             Bytes b = Alias({u"a", u"b", u"C:\\x.exe"});
             b.resize(b.size() - 2);
             Put16(b, 4, static_cast<uint16_t>(b.size() - 8));
             return b;
         }()},
        {"alias data length shorter than its strings",
         [] {
             Bytes b = Alias({u"a", u"b", u"C:\\x.exe"});
             Put16(b, 4, 10);
             return b;
         }()},
    };
    for (const Row& row : rows) {
        ReparseData d = Interpret(row.buffer);
        EXPECT_EQ(d.result, ReparseMalformed) << row.label;
        EXPECT_TRUE(d.text.empty()) << row.label;
    }
    // A lying print name does not matter: only the substitute name is read.
    EXPECT_EQ(Interpret(Changed(link, 12, 0xFFF0)).result, 0);
    EXPECT_EQ(Interpret(Changed(link, 14, 0xFFF0)).text, u"C:\\t");
}

TEST(InterpretReparseDataTest, EveryTruncationAndRandomDamage) {
    std::vector<Bytes> originals = {
        NameBuffer(ReparseTagSymlink, u"\\??\\C:\\data\\file.txt", u"C:\\data\\file.txt"),
        NameBuffer(ReparseTagSymlink, u"..\\up", u"..\\up", 1),
        NameBuffer(ReparseTagMountPoint, u"\\??\\D:\\", u"D:\\"),
        Alias({u"pkg", u"pkg!App", u"C:\\apps\\app.exe", u"0"})};
    for (const Bytes& original : originals) {
        ReparseData whole = Interpret(original);
        ASSERT_EQ(whole.result, 0);
        for (size_t cut = 0; cut < original.size(); ++cut) {
            ReparseData d = Interpret(Bytes(original.begin(), original.begin() + cut));
            EXPECT_EQ(d.result, ReparseMalformed) << cut;
        }
    }
    std::mt19937 generator(7); // fixed generator state: the run is repeatable
    for (int round = 0; round < 5000; ++round) {
        Bytes b = originals[generator() % originals.size()];
        int flips = 1 + static_cast<int>(generator() % 6);
        for (int i = 0; i < flips; ++i)
            b[generator() % b.size()] = static_cast<uint8_t>(generator());
        b.resize(generator() % (b.size() + 1));
        ReparseData d = Interpret(b);
        EXPECT_TRUE(d.result == 0 || d.result == ReparseMalformed || d.result == ReparseBadArguments ||
                    d.result == ReparseUnsupportedTag);
        if (d.result == 0) {
            EXPECT_LE(d.text.size() * 2, b.size());
        }
    }
}

TEST(LinkDirectoryTest, Parts) {
    struct Row {
        const char16_t* path;
        const char16_t* directory;
    } rows[] = {
        {u"C:\\a\\b\\link", u"C:\\a\\b\\"},
        {u"C:/a/b/link", u"C:/a/b/"},
        {u"C:link", u"C:"},
        {u"link", u""},
        {u"\\\\server\\share\\l", u"\\\\server\\share\\"},
        {u"a\\b:c\\l", u"a\\b:c\\"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LinkDirectory(row.path), U16View(row.directory)) << Utf8FromU16(row.path);
}
