// Tests of the shell-link check: links assembled part by part and damaged one structure at a
// time, links saved by the shell itself, and the link-target section skipping damaged links
// before the shell's loader sees them.
#include "ExeFixtures.h"
#include "reports/LinkTarget.h"
#include "reports/ReportSections.h"
#include "reports/ShellLinkCheck.h"
#include "support/TestSupport.h"

#include "support/ComTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

using Bytes = std::vector<uint8_t>;

enum : uint32_t {
    IdListFlag = 0x1,
    LinkInfoFlag = 0x2,
    NameFlag = 0x4,
    RelativePathFlag = 0x8,
    WorkingDirFlag = 0x10,
    ArgumentsFlag = 0x20,
    IconFlag = 0x40,
    UnicodeFlag = 0x80,
};

void Add16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Add32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Header(uint32_t flags) {
    Bytes b;
    Add32(b, 0x4C);
    const uint8_t linkClass[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    b.insert(b.end(), linkClass, linkClass + 16);
    Add32(b, flags);
    b.resize(0x4C, 0);
    b[60] = 1; // show normally
    return b;
}

// An ID-list item of size bytes in all (its size field included), or with a stated size that
// differs from the bytes it holds.
Bytes Item(size_t bytes, uint32_t statedSize = 0) {
    Bytes b;
    Add16(b, statedSize ? statedSize : static_cast<uint32_t>(bytes));
    b.resize(bytes, 0x31);
    return b;
}
// An ID list: its size, the items and the terminating zero size.
Bytes IdList(const std::vector<Bytes>& items, bool terminated = true) {
    Bytes body;
    for (const Bytes& i : items)
        body.insert(body.end(), i.begin(), i.end());
    if (terminated) Add16(body, 0);
    Bytes b;
    Add16(b, static_cast<uint32_t>(body.size()));
    return Cat({b, body});
}

// Link information with a volume id and a local base path (ANSI), and a path suffix.
Bytes LinkInfo(const std::string& basePath, const std::string& suffix = "") {
    Bytes volume;
    Add32(volume, 0x10);
    Add32(volume, 3);          // fixed drive
    Add32(volume, 0x12345678); // serial number
    Add32(volume, 0x10);       // label right after the volume id
    volume.push_back(0);       // empty label
    uint32_t volumeAt = 0x1C;
    uint32_t baseAt = volumeAt + static_cast<uint32_t>(volume.size());
    uint32_t suffixAt = baseAt + static_cast<uint32_t>(basePath.size()) + 1;
    uint32_t size = suffixAt + static_cast<uint32_t>(suffix.size()) + 1;
    Bytes b;
    Add32(b, size);
    Add32(b, 0x1C);
    Add32(b, 1); // volume id and local base path
    Add32(b, volumeAt);
    Add32(b, baseAt);
    Add32(b, 0);
    Add32(b, suffixAt);
    b.insert(b.end(), volume.begin(), volume.end());
    b.insert(b.end(), basePath.begin(), basePath.end());
    b.push_back(0);
    b.insert(b.end(), suffix.begin(), suffix.end());
    b.push_back(0);
    return b;
}

// A counted UTF-16 string of the string data.
Bytes Text(const std::wstring& text, uint32_t statedCount = 0xFFFFFFFF) {
    Bytes b;
    Add16(b, statedCount == 0xFFFFFFFF ? static_cast<uint32_t>(text.size()) : statedCount);
    for (wchar_t c : text)
        Add16(b, static_cast<uint16_t>(c));
    return b;
}
Bytes AnsiText(const std::string& text) {
    Bytes b;
    Add16(b, static_cast<uint32_t>(text.size()));
    b.insert(b.end(), text.begin(), text.end());
    return b;
}

Bytes Block(uint32_t signature, uint32_t size) {
    Bytes b;
    Add32(b, size);
    Add32(b, signature);
    b.resize(size < 8 ? 8 : size, 0);
    return b;
}
Bytes Terminal() {
    return Bytes(4, 0);
}

ShellLinkCheck Check(const Bytes& bytes) {
    Bytes exact(bytes); // an exact-size copy: a read past the end would be a heap overrun
    return CheckShellLink(ByteReader(exact.data(), exact.size()));
}

const std::string Path = "C:\\Program Files\\Tool\\tool.exe";

struct Row {
    const char* label;
    Bytes link;
    bool ok;
    std::string reason;
};

using ShellLinkComTest = testing_support::ComTest;

struct SavedLink {
    std::wstring path = {}, arguments = {}, description = {}, workingDir = {}, icon = {};
};

// Writes a link with the shell; false when it cannot.
bool Save(const std::wstring& file, const SavedLink& spec) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    bool ok = SUCCEEDED(link->SetPath(spec.path.c_str()));
    if (!spec.arguments.empty()) ok = ok && SUCCEEDED(link->SetArguments(spec.arguments.c_str()));
    if (!spec.description.empty()) ok = ok && SUCCEEDED(link->SetDescription(spec.description.c_str()));
    if (!spec.workingDir.empty()) ok = ok && SUCCEEDED(link->SetWorkingDirectory(spec.workingDir.c_str()));
    if (!spec.icon.empty()) ok = ok && SUCCEEDED(link->SetIconLocation(spec.icon.c_str(), 1));
    ok = ok && testing_support::SaveShellLink(link, file);
    link->Release();
    return ok;
}

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
                              Text(L"Tool"), Text(L".\\tool.exe"), Text(L"C:\\Work"), Text(L"/x /y"),
                              Text(L"C:\\icons.dll"), Terminal()}),
         true, ""},
        {"ANSI strings", Cat({Header(RelativePathFlag | ArgumentsFlag), AnsiText(".\\tool.exe"), AnsiText("/x"), Terminal()}),
         true, ""},
        {"relative path of 259 characters", Cat({Header(U | RelativePathFlag), Text(std::wstring(259, L'd')), Terminal()}),
         true, ""},
        {"arguments of 32,767 characters", Cat({Header(U | ArgumentsFlag), Text(std::wstring(32767, L'a')), Terminal()}),
         true, ""},
        {"description of 1,024 characters", Cat({Header(U | NameFlag), Text(std::wstring(1024, L'n')), Terminal()}), true, ""},
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
        {"relative path of 1,100 characters", Cat({Header(U | RelativePathFlag), Text(std::wstring(1100, L'd')), Terminal()}),
         false, "relative path longer than MAX_PATH"},
        {"relative path of 260 characters", Cat({Header(U | RelativePathFlag), Text(std::wstring(260, L'd')), Terminal()}),
         false, "relative path longer than MAX_PATH"},
        {"working directory of 260 characters", Cat({Header(U | WorkingDirFlag), Text(std::wstring(260, L'd')), Terminal()}),
         false, "working directory longer than MAX_PATH"},
        {"icon location of 260 characters", Cat({Header(U | IconFlag), Text(std::wstring(260, L'd')), Terminal()}), false,
         "icon location longer than MAX_PATH"},
        {"arguments of 32,768 characters", Cat({Header(U | ArgumentsFlag), Text(std::wstring(32768, L'a')), Terminal()}),
         false, "arguments longer than a command line"},
        {"description of 1,025 characters", Cat({Header(U | NameFlag), Text(std::wstring(1025, L'n')), Terminal()}), false,
         "description longer than INFOTIPSIZE"},
        {"string length past the end", Cat({Header(U | ArgumentsFlag), Text(L"abc", 200)}), false,
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

TEST_F(ShellLinkComTest, LinksSavedByTheShellPass) {
    TempTree tree;
    std::wstring console = exe_fixtures::Path(L"console64.exe");
    struct {
        const char* label;
        SavedLink spec;
    } rows[] = {
        {"path only", {console}},
        {"arguments", {console, L"/x \"two words\""}},
        {"every field", {console, L"-v", L"A tool", L"C:\\windows", L"C:\\windows\\system32\\shell32.dll"}},
        {"8,000 characters of arguments", {console, std::wstring(8000, L'a')}},
        {"a text file", {tree.file(L"notes.txt", std::string("text"))}},
    };
    for (const auto& row : rows) {
        std::wstring link = tree.path(L"saved.lnk");
        ASSERT_TRUE(Save(link, row.spec)) << row.label;
        ShellLinkCheck c = CheckShellLinkFile(link.c_str());
        EXPECT_TRUE(c.ok) << row.label << ": " << c.reason;
    }
    EXPECT_FALSE(CheckShellLinkFile(tree.path(L"missing.lnk").c_str()).ok);
    EXPECT_FALSE(CheckShellLinkFile(tree.file(L"empty.lnk").c_str()).ok);
}

TEST_F(ShellLinkComTest, AssembledLinkResolvesThroughTheShell) {
    // The assembled format is what the shell reads: a link with only link information resolves
    // to its base path.
    TempTree tree;
    std::wstring link = tree.file(L"assembled.lnk", Cat({Header(UnicodeFlag | LinkInfoFlag | ArgumentsFlag),
                                                         LinkInfo(Path), Text(L"-q"), Terminal()}));
    ASSERT_TRUE(CheckShellLinkFile(link.c_str()).ok);
    std::vector<wchar_t> target(LinkTargetChars, L'\0'), arguments(LinkArgumentChars, L'\0');
    EXPECT_EQ(ResolveShellLink(link.c_str(), target.data(), arguments.data()), LinkPath);
    EXPECT_EQ(std::wstring(target.data()), std::wstring(Path.begin(), Path.end()));
    EXPECT_EQ(std::wstring(arguments.data()), L"-q");
}

TEST_F(ShellLinkComTest, DamagedLinksNeverReachTheShell) {
    TempTree tree;
    struct {
        const char* label;
        Bytes link;
    } rows[] = {
        // Before the check, each of these crashed the process or kept it busy for seconds.
        {"relative path of 1,100 characters (stack overrun)",
         Cat({Header(UnicodeFlag | RelativePathFlag | WorkingDirFlag),
              Text(std::wstring(1100, L'd') + L".exe"), Text(L"C:\\"), Terminal()})},
        {"relative path of 8,200 characters (the command stopped)",
         Cat({Header(UnicodeFlag | RelativePathFlag), Text(std::wstring(8200, L'd')), Terminal()})},
        {"ID-list item of size 0xFFFF (crash)", Cat({Header(UnicodeFlag | IdListFlag | ArgumentsFlag),
                                                     IdList({Item(4, 0xFFFF)}), Text(L"x"), Terminal()})},
        {"20,000 ID-list items (seconds)",
         Cat({Header(UnicodeFlag | IdListFlag), IdList(std::vector<Bytes>(20000, Item(3))), Terminal()})},
        {"link information of 0xFFFFFFFF bytes",
         [] {
             Bytes info = LinkInfo(Path);
             std::memset(info.data(), 0xFF, 4);
             return Cat({Header(UnicodeFlag | LinkInfoFlag), info});
         }()},
    };
    for (const auto& row : rows) {
        std::wstring link = tree.file(L"damaged.lnk", row.link);
        Capture capture;
        EXPECT_EQ(LinkTargetSection(link.c_str(), 0), 0) << row.label;
        EXPECT_EQ(capture.out(), L"") << row.label;
        std::vector<wchar_t> target(LinkTargetChars, L'#');
        EXPECT_EQ(ResolveShellLink(link.c_str(), target.data(), nullptr), LinkUnresolved) << row.label;
        EXPECT_EQ(target[0], L'\0') << row.label;
    }
}
