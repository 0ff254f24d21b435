// Tests of the shell-link check over links assembled part by part and damaged one structure at
// a time.
#include "ShellLinkBuilder.h"
#include "reports/ShellLinkCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace scrutel;
using namespace link_test;

namespace {

struct Row {
    const char* label;
    Bytes link;
    bool ok;
    std::string reason;
};

} // namespace

TEST(CheckShellLinkTest, AssembledLinks) {
    const uint32_t U = UnicodeFlag;
    std::vector<Bytes> manyItems(20000, Item(3));
    std::vector<Bytes> mostItems(MaxLinkIdItems, Item(3));
    std::vector<Bytes> blocks;
    for (size_t i = 0; i <= MaxLinkExtraBlocks; ++i)
        blocks.push_back(Block(0xA0000009, 0xC));
    Bytes tooManyBlocks = Header(U);
    for (const Bytes& b : blocks)
        tooManyBlocks.insert(tooManyBlocks.end(), b.begin(), b.end());

    Row rows[] = {
        {"header only", Cat({Header(U), Terminal()}), true, ""},
        {"header only, no terminal block", Header(U), true, ""},
        {"ID list of three items", Cat({Header(U | IdListFlag), IdList({Item(20), Item(25), Item(48)}), Terminal()}),
         true, ""},
        {"ID list of the most items", Cat({Header(U | IdListFlag), IdList(mostItems), Terminal()}), true, ""},
        {"link information", Cat({Header(U | LinkInfoFlag), LinkInfo(Path), Terminal()}), true, ""},
        {"base path of 259 characters", Cat({Header(U | LinkInfoFlag), LinkInfo("C:\\" + std::string(256, 'd')), Terminal()}),
         true, ""},
        {"every string", Cat({Header(U | NameFlag | RelativePathFlag | WorkingDirFlag | ArgumentsFlag | IconFlag),
                              Text(u"Tool"), Text(u".\\tool.exe"), Text(u"C:\\Work"), Text(u"/x /y"),
                              Text(u"C:\\icons.dll"), Terminal()}),
         true, ""},
        {"ANSI strings", Cat({Header(RelativePathFlag | ArgumentsFlag), AnsiText(".\\tool.exe"), AnsiText("/x"), Terminal()}),
         true, ""},
        {"relative path of 259 characters", Cat({Header(U | RelativePathFlag), Text(std::u16string(259, u'd')), Terminal()}),
         true, ""},
        {"arguments of 32,767 characters", Cat({Header(U | ArgumentsFlag), Text(std::u16string(32767, u'a')), Terminal()}),
         true, ""},
        {"description of 1,024 characters", Cat({Header(U | NameFlag), Text(std::u16string(1024, u'n')), Terminal()}), true, ""},
        {"Darwin block of its documented size", Cat({Header(U | 0x1000), Block(0xA0000006, 0x314), Terminal()}), true, ""},
        {"unknown block kind", Cat({Header(U), Block(0x12345678, 0x20), Terminal()}), true, ""},
        {"a zero size ends the walk; what follows is not read", Cat({Header(U), Terminal(), Bytes(3, 0xFF)}), true, ""},

        {"header size 0x4D", [] { Bytes b = Header(U); b[0] = 0x4D; return b; }(), false, "not a shell link header"},
        {"another class", [] { Bytes b = Header(U); b[4] = 0x02; return b; }(), false, "not a shell link header"},
        {"cut inside the header", [] {
             Bytes b = Header(UnicodeFlag);
             b.resize(40);
             return b;
         }(),
         false, "not a shell link header"},
        {"ID-list item of size 0xFFFF",
         Cat({Header(U | IdListFlag), IdList({Item(4, 0xFFFF)}), Terminal()}), false, "ID-list item runs past the list"},
        {"20,000 tiny ID-list items", Cat({Header(U | IdListFlag), IdList(manyItems), Terminal()}), false,
         "ID list with too many items"},
        {"one item more than the most", [&] {
             std::vector<Bytes> items = mostItems;
             items.push_back(Item(3));
             return Cat({Header(U | IdListFlag), IdList(items), Terminal()});
         }(),
         false, "ID list with too many items"},
        {"ID-list item of size 1", Cat({Header(U | IdListFlag), IdList({Item(4, 1)}), Terminal()}), false,
         "ID-list item shorter than its size field"},
        {"ID list without its terminator", Cat({Header(U | IdListFlag), IdList({Item(20)}, false), Terminal()}), false,
         "ID list without its terminator"},
        {"ID-list size past the file", [] {
             Bytes b = Cat({Header(U | IdListFlag), IdList({Item(20)})});
             b[0x4C] = 0xFF;
             return b;
         }(),
         false, "ID list runs past the file"},
        {"relative path of 1,100 characters", Cat({Header(U | RelativePathFlag), Text(std::u16string(1100, u'd')), Terminal()}),
         false, "relative path longer than MAX_PATH"},
        {"relative path of 260 characters", Cat({Header(U | RelativePathFlag), Text(std::u16string(260, u'd')), Terminal()}),
         false, "relative path longer than MAX_PATH"},
        {"working directory of 260 characters", Cat({Header(U | WorkingDirFlag), Text(std::u16string(260, u'd')), Terminal()}),
         false, "working directory longer than MAX_PATH"},
        {"icon location of 260 characters", Cat({Header(U | IconFlag), Text(std::u16string(260, u'd')), Terminal()}), false,
         "icon location longer than MAX_PATH"},
        {"arguments of 32,768 characters", Cat({Header(U | ArgumentsFlag), Text(std::u16string(32768, u'a')), Terminal()}),
         false, "arguments longer than a command line"},
        {"description of 1,025 characters", Cat({Header(U | NameFlag), Text(std::u16string(1025, u'n')), Terminal()}), false,
         "description longer than INFOTIPSIZE"},
        {"string length past the end", Cat({Header(U | ArgumentsFlag), Text(u"abc", 200)}), false,
         "string runs past the file"},
        {"string count cut off", Cat({Header(U | ArgumentsFlag), Bytes(1, 5)}), false, "string count runs past the file"},
        {"link information size past the file", [] {
             Bytes info = LinkInfo(Path);
             info[0] = 0xFF;
             info[1] = 0xFF;
             return Cat({Header(U | LinkInfoFlag), info});
         }(),
         false, "link information runs past the file"},
        {"link information size 0xFFFFFFFF", [] {
             Bytes info = LinkInfo(Path);
             std::memset(info.data(), 0xFF, 4);
             return Cat({Header(U | LinkInfoFlag), info});
         }(),
         false, "link information runs past the file"},
        {"base-path offset out of range", [] {
             Bytes info = LinkInfo(Path);
             info[16] = 0xF0;
             info[17] = 0x0F;
             return Cat({Header(U | LinkInfoFlag), info, Terminal()});
         }(),
         false, "local base path unterminated or too long"},
        {"volume-id size past the block", [] {
             Bytes info = LinkInfo(Path);
             info[0x1C] = 0xF0;
             return Cat({Header(U | LinkInfoFlag), info, Terminal()});
         }(),
         false, "volume id outside the link information"},
        {"base path without its terminator", [] {
             Bytes info = LinkInfo(Path);
             info.resize(info.size() - 2); // drop the suffix and the base path's terminator
             info[0] = static_cast<uint8_t>(info.size());
             return Cat({Header(U | LinkInfoFlag), info, Terminal()});
         }(),
         false, "local base path unterminated or too long"},
        {"base path of 260 characters", Cat({Header(U | LinkInfoFlag), LinkInfo("C:\\" + std::string(257, 'd')), Terminal()}),
         false, "local base path unterminated or too long"},
        {"base path and suffix longer than MAX_PATH",
         Cat({Header(U | LinkInfoFlag), LinkInfo("\\\\server\\" + std::string(200, 's'), std::string(100, 'x')), Terminal()}),
         false, "base path and suffix longer than MAX_PATH"},
        {"link-information header of 0x20 bytes", [] {
             Bytes info = LinkInfo(Path);
             info[4] = 0x20;
             return Cat({Header(U | LinkInfoFlag), info, Terminal()});
         }(),
         false, "link information header of an unknown size"},
        {"extra-data block past the end", [] {
             Bytes block = Block(0xA0000009, 0xFFFF);
             block.resize(40);
             return Cat({Header(UnicodeFlag), block});
         }(),
         false, "extra-data block runs past the file"},
        {"extra-data block of 5 bytes", Cat({Header(U), Bytes{5, 0, 0, 0, 0, 0, 0, 0}, Terminal()}), false,
         "extra-data block too short for its signature"},
        {"extra-data size cut off", Cat({Header(U), Bytes{0x10, 0}}), false, "extra-data block size cut off"},
        {"Darwin block of 0x300 bytes", Cat({Header(U | 0x1000), Block(0xA0000006, 0x300), Terminal()}), false,
         "extra-data block of the wrong size for its kind"},
        {"property-store block shorter than its header", Cat({Header(U), Block(0xA0000009, 0x8), Terminal()}), false,
         "extra-data block of the wrong size for its kind"},
        {"65 extra-data blocks", tooManyBlocks, false, "too many extra-data blocks"},
        {"larger than 1 MiB", Cat({Header(U), Terminal(), Bytes(MaxShellLinkBytes, 0)}), false, "larger than any link"},
    };
    for (const Row& row : rows) {
        ShellLinkCheck c = Check(row.link);
        EXPECT_EQ(c.ok, row.ok) << row.label;
        EXPECT_EQ(std::string(c.reason), row.reason) << row.label;
    }
}
