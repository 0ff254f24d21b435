// Tests of the link-target section: packed product codes, Darwin data blocks, shell links made
// with IShellLinkW and saved with IPersistFile, and the exact report lines for programs,
// libraries, other files, shell items, advertised shortcuts and execution aliases.
#include "ExeFixtures.h"
#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "reports/LinkTarget.h"
#include "reports/ReportSections.h"
#include "support/TestSupport.h"
#include "files/ReparsePoint.h"

#include "support/ComTest.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <objbase.h>
#include <random>
#include <shlobj.h>
#include <shobjidl.h>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

const wchar_t Alphabet[] =
    L"!$%&'()*+,-.0123456789=?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_`abcdefghijklmnopqrstuvwxyz{}~";

// Packs a GUID the way advertised shortcuts store it: the 16 bytes as four little-endian
// 32-bit values, each written in base 85 with its least significant digit first.
std::wstring PackGuid(const GUID& g) {
    uint32_t values[4];
    memcpy(values, &g, 16);
    std::wstring packed;
    for (uint32_t v : values) {
        for (int k = 0; k < 5; ++k) {
            packed.push_back(Alphabet[v % 85]);
            v /= 85;
        }
    }
    return packed;
}

// The registry form of a GUID, from the platform.
std::wstring GuidText(const GUID& g) {
    wchar_t text[64];
    StringFromGUID2(g, text, 64);
    return text;
}

using testing_support::ComTest;

struct LinkLayout {
    std::wstring target = {};    // a file-system path, or empty
    std::wstring arguments = {}; // empty for none
    int specialFolder = -1;      // a CSIDL for a path-less shell item
};

// Writes a shell link file; false when the shell cannot make it.
bool MakeLink(const std::wstring& file, const LinkLayout& spec) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    bool ok = true;
    if (!spec.target.empty()) ok = ok && SUCCEEDED(link->SetPath(spec.target.c_str()));
    if (!spec.arguments.empty()) ok = ok && SUCCEEDED(link->SetArguments(spec.arguments.c_str()));
    if (spec.specialFolder >= 0) {
        LPITEMIDLIST list = nullptr;
        ok = ok && SUCCEEDED(SHGetSpecialFolderLocation(nullptr, spec.specialFolder, &list));
        if (list) {
            ok = ok && SUCCEEDED(link->SetIDList(list));
            CoTaskMemFree(list);
        }
    }
    ok = ok && testing_support::SaveShellLink(link, file);
    link->Release();
    return ok;
}

struct SectionRun {
    int result;
    std::wstring out;
};

// The bytes of an advertised shortcut: the link header with the Darwin flag and the Unicode
// flag, the Darwin data block with the descriptor (wide, or only ANSI), and the terminal block.
std::vector<uint8_t> AdvertisedLinkBytes(const std::wstring& descriptor, bool ansiOnly) {
    constexpr size_t block = 76; // the Darwin block follows the header directly
    std::vector<uint8_t> b(block + 788 + 4, 0);
    auto put32 = [&b](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, 0x4C);
    const uint8_t linkClass[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    memcpy(b.data() + 4, linkClass, 16);
    put32(20, 0x1000 | 0x80); // has a Darwin descriptor, strings are Unicode
    put32(60, 1);             // show normally
    put32(block, 788);
    put32(block + 4, 0xA0000006);
    for (size_t i = 0; i < descriptor.size() && i < 259; ++i) {
        b[block + 8 + i] = static_cast<uint8_t>(descriptor[i]);
        if (!ansiOnly) {
            b[block + 268 + 2 * i] = static_cast<uint8_t>(descriptor[i]);
            b[block + 269 + 2 * i] = static_cast<uint8_t>(descriptor[i] >> 8);
        }
    }
    return b;
}

SectionRun Section(const std::wstring& path, uint32_t omitMask = 0) {
    Capture capture;
    int rc = LinkTargetSection(path.c_str(), omitMask);
    return {rc, capture.out()};
}

SectionRun SectionWith(const std::wstring& path, uint32_t omitMask, const ReparseReader& reader) {
    Capture capture;
    int rc = LinkTargetSectionWith(path.c_str(), omitMask, reader);
    return {rc, capture.out()};
}

const std::wstring L1 = L"\u201C", R1 = L"\u201D", Dash = L" \u2014 ";

} // namespace

TEST(DecodePackedGuidTest, RoundTripsOfKnownGuids) {
    GUID guids[] = {
        {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}},
        {0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {0x90120000, 0x0030, 0x0000, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0F, 0xF1}},
        {0x12345678, 0x9ABC, 0xDEF0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}},
    };
    for (const GUID& g : guids) {
        std::wstring packed = PackGuid(g);
        ASSERT_EQ(packed.size(), 20u);
        wchar_t out[64] = L"";
        EXPECT_EQ(DecodePackedGuid(packed.c_str(), out), 0);
        EXPECT_EQ(std::wstring(out), GuidText(g));
    }
    std::mt19937 generator(85); // fixed generator state: the run is repeatable
    for (int i = 0; i < 200; ++i) {
        GUID g;
        uint32_t words[4] = {generator(), generator(), generator(), generator()};
        memcpy(&g, words, 16);
        wchar_t out[64] = L"";
        ASSERT_EQ(DecodePackedGuid(PackGuid(g).c_str(), out), 0);
        EXPECT_EQ(std::wstring(out), GuidText(g));
    }
}

TEST_F(ComTest, LinksToPrograms) {
    TempTree tree;
    std::wstring console = exe_fixtures::Path(L"console64.exe");
    std::wstring windowed = exe_fixtures::Path(L"windowed64.exe");
    std::wstring zero = exe_fixtures::Path(L"console32.exe");
    std::wstring library = exe_fixtures::Path(L"library64.dll");
    std::wstring resonly = exe_fixtures::Path(L"resonly64.dll");
    std::wstring text = tree.file(L"notes.txt", std::string("text"));
    struct Row {
        const char* label;
        LinkLayout spec;
        const wchar_t* name;
        uint32_t omitMask;
        std::wstring out;
    } rows[] = {
        {"program without arguments",
         {console},
         L"a.lnk",
         0,
         L"    Link target:  " + L1 + console + R1 + L" \r\n    Version:      " + L1 +
             L"Fixture Console Program" + R1 + Dash +
             L"1.2.3.4 (release)\r\n    EXE type:     Windows 64-bit (console)\r\n\r\n"},
        {"plain quotes",
         {console},
         L"b.lnk",
         OmitUnicodeQuotes,
         L"    Link target:  \"" + console + L"\" \r\n    Version:      \"Fixture Console Program\"" + Dash +
             L"1.2.3.4 (release)\r\n    EXE type:     Windows 64-bit (console)\r\n\r\n"},
        {"program with arguments",
         {console, L"/x \"two words\""},
         L"c.lnk",
         OmitVersionInfo | OmitExeInfo,
         L"    Link target:  " + L1 + console + R1 + L" /x \"two words\"\r\n\r\n"},
        {"controls in the arguments named",
         {console, L"/a \x1b[2J\x07\r\n    Version: forged\x9b"},
         L"ctl.lnk",
         OmitVersionInfo | OmitExeInfo,
         L"    Link target:  " + L1 + console + R1 +
             L" /a <U+001B>[2J<U+0007><U+000D><U+000A>    Version: forged<U+009B>\r\n\r\n"},
        {"empty FileVersion shows the numbers",
         {windowed},
         L"d.lnk",
         0,
         L"    Link target:  " + L1 + windowed + R1 + L" \r\n    Version:      " + L1 +
             L"Fixture Windowed Program" + R1 + Dash +
             L"5.6.7.8\r\n    EXE type:     Windows 64-bit\r\n\r\n"},
        {"version 0.0.0.0 has no version line",
         {zero},
         L"e.lnk",
         0,
         L"    Link target:  " + L1 + zero + R1 + L" \r\n    EXE type:     Windows 32-bit (console)\r\n\r\n"},
        {"library from its first translation",
         {library},
         L"f.lnk",
         0,
         L"    Link target:  " + L1 + library + R1 + L" \r\n    Version:      " + L1 +
             L"Deutsche Bibliothek" + R1 + Dash + L"2.0.0.9\r\n    EXE type:     64-bit .DLL file\r\n\r\n"},
        {"fixed record only, no type",
         {resonly},
         L"g.lnk",
         0,
         L"    Link target:  " + L1 + resonly + R1 + L" \r\n    Version:      3.1.4.1\r\n\r\n"},
        {"no version line with /O:V",
         {console},
         L"h.lnk",
         OmitVersionInfo,
         L"    Link target:  " + L1 + console + R1 +
             L" \r\n    EXE type:     Windows 64-bit (console)\r\n\r\n"},
        {"no type line with /O:X",
         {console},
         L"i.lnk",
         OmitExeInfo,
         L"    Link target:  " + L1 + console + R1 + L" \r\n    Version:      " + L1 +
             L"Fixture Console Program" + R1 + Dash + L"1.2.3.4 (release)\r\n\r\n"},
        {"a text file", {text}, L"j.lnk", 0, L"    Link target:  " + L1 + text + R1 + L" \r\n\r\n"},
        {"upper-case extension",
         {console},
         L"K.LNK",
         OmitVersionInfo | OmitExeInfo,
         L"    Link target:  " + L1 + console + R1 + L" \r\n\r\n"},
    };
    for (const Row& row : rows) {
        std::wstring link = tree.path(row.name);
        ASSERT_TRUE(MakeLink(link, row.spec)) << row.label;
        SectionRun run = Section(link, row.omitMask);
        EXPECT_EQ(run.result, 0) << row.label;
        EXPECT_EQ(run.out, row.out) << row.label;
    }
}

TEST_F(ComTest, NotLinks) {
    TempTree tree;
    std::wstring console = exe_fixtures::Path(L"console64.exe");
    std::wstring folderLink = tree.dir(L"dir.lnk");
    ASSERT_TRUE(MakeLink(tree.path(L"real.lnk"), {console}));
    // A link file copied into a folder named like a link, under a name without the extension.
    ASSERT_TRUE(CopyFileW(tree.path(L"real.lnk").c_str(), (folderLink + L"\\file").c_str(), FALSE));
    struct Row {
        const char* label;
        std::wstring path;
    } rows[] = {
        {"\".lnk\" ends a folder name", folderLink + L"\\file"},
        {"garbage named .lnk", tree.file(L"garbage.lnk", std::string(300, 'x'))},
        {"empty file named .lnk", tree.file(L"empty.lnk")},
        {"missing link", tree.path(L"missing.lnk")},
        {"another extension", tree.file(L"x.txt", std::string("x"))},
    };
    for (const Row& row : rows) {
        SectionRun run = Section(row.path);
        EXPECT_EQ(run.result, 0) << row.label;
        EXPECT_EQ(run.out, L"") << row.label;
    }
    EXPECT_EQ(LinkTargetSection(nullptr, 0), -1);
}

TEST_F(ComTest, ResolveShellLinkResults) {
    TempTree tree;
    std::wstring console = exe_fixtures::Path(L"console64.exe");
    std::wstring link = tree.path(L"p.lnk");
    ASSERT_TRUE(MakeLink(link, {console, L"-a -b"}));
    std::vector<wchar_t> target(PathChars, L'#'), arguments(HostExpandChars, L'#');
    EXPECT_EQ(ResolveShellLink(link.c_str(), target.data(), arguments.data()), LinkPath);
    EXPECT_EQ(std::wstring(target.data()), console);
    EXPECT_EQ(std::wstring(arguments.data()), L"-a -b");
    EXPECT_EQ(ResolveShellLink(link.c_str(), target.data(), nullptr), LinkPath);
    EXPECT_EQ(ResolveShellLink(tree.file(L"bad.lnk", std::string("no link")).c_str(), target.data(),
                               arguments.data()),
              LinkUnresolved);
    EXPECT_EQ(target[0], L'\0');
    EXPECT_EQ(arguments[0], L'\0');
    EXPECT_EQ(ResolveShellLink(L"", target.data(), nullptr), -1);
    EXPECT_EQ(ResolveShellLink(nullptr, target.data(), nullptr), -1);
    EXPECT_EQ(ResolveShellLink(link.c_str(), nullptr, nullptr), -1);
}

TEST_F(ComTest, PathLessShellItem) {
    TempTree tree;
    std::wstring link = tree.path(L"computer.lnk");
    if (!MakeLink(link, {L"", L"", CSIDL_DRIVES}))
        GTEST_SKIP() << "the shell cannot make a link to the computer folder here";
    LPITEMIDLIST list = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &list)));
    SHFILEINFOW info{};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME);
    CoTaskMemFree(list);
    if (!info.szDisplayName[0]) GTEST_SKIP() << "the shell gives the computer folder no display name here";
    std::vector<wchar_t> target(PathChars, L'\0');
    EXPECT_EQ(ResolveShellLink(link.c_str(), target.data(), nullptr), LinkShellItem);
    SectionRun run = Section(link);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, L"    Link target:  <" + std::wstring(info.szDisplayName) + L">\r\n\r\n");
}

TEST_F(ComTest, AdvertisedShortcuts) {
    TempTree tree;
    GUID product = {0x4A1B2C3D, 0x5E6F, 0x7081, {0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7, 0xF8, 0x09}};
    std::wstring descriptor = PackGuid(product) + L"Feature>ComponentCode";
    std::wstring link = tree.file(L"advertised.lnk", AdvertisedLinkBytes(descriptor, false));
    std::vector<wchar_t> target(PathChars, L'\0');
    int kind = ResolveShellLink(link.c_str(), target.data(), nullptr);
    if (kind != LinkAdvertised)
        GTEST_SKIP() << "the shell does not hand back the Darwin data block of a loaded link here (result "
                     << kind << "); DecodePackedGuidTest and ReadDarwinBlockTest cover the decoding";
    // The product is not installed: its code stands in for the name.
    EXPECT_EQ(std::wstring(target.data()), L"<<" + GuidText(product) + L">>");
    SectionRun run = Section(link);
    EXPECT_EQ(run.out, L"    Link target:  <<" + GuidText(product) + L">>\r\n\r\n");

    std::wstring ansiLink = tree.file(L"ansi.lnk", AdvertisedLinkBytes(descriptor, true));
    kind = ResolveShellLink(ansiLink.c_str(), target.data(), nullptr);
    if (kind == LinkAdvertised) {
        EXPECT_EQ(std::wstring(target.data()), L"<<" + GuidText(product) + L">>");
    } else {
        // This shell keeps only the wide descriptor of a loaded link; the ANSI fallback is
        // covered by ReadDarwinBlockTest.
        EXPECT_EQ(kind, LinkUnresolved);
    }

    // A descriptor that does not decode leaves nothing to show.
    std::wstring badLink = tree.file(L"bad.lnk", AdvertisedLinkBytes(L"!!!!! !!!!!!!!!!!!!!Feature", false));
    EXPECT_EQ(ResolveShellLink(badLink.c_str(), target.data(), nullptr), LinkUnresolved);
    EXPECT_EQ(Section(badLink).out, L"");
}

TEST_F(ComTest, AliasOfTheTarget) {
    TempTree tree;
    std::wstring aliasFile = tree.file(L"WindowsApps\\tool.exe");
    std::wstring program = exe_fixtures::Path(L"console64.exe");
    std::wstring link = tree.path(L"tool.lnk");
    ASSERT_TRUE(MakeLink(link, {aliasFile}));
    ReparseReader alias = [&](const wchar_t* path, wchar_t* output, size_t capacity, uint32_t* tag) {
        if (tag) *tag = 0;
        if (_wcsicmp(path, aliasFile.c_str()) != 0 || program.size() >= capacity) return 4390;
        wcscpy(output, program.c_str());
        if (tag) *tag = ReparseTagAppExecLink;
        return 0;
    };
    ReparseReader symlink = [&](const wchar_t* path, wchar_t* output, size_t capacity, uint32_t* tag) {
        int rc = alias(path, output, capacity, tag);
        if (rc == 0 && tag) *tag = ReparseTagSymlink;
        return rc;
    };
    std::wstring head = L"    Link target:  " + L1 + aliasFile + R1 + L" \r\n";
    std::wstring details = L"    Version:      " + L1 + L"Fixture Console Program" + R1 + Dash +
                           L"1.2.3.4 (release)\r\n    EXE type:     Windows 64-bit (console)\r\n\r\n";
    EXPECT_EQ(SectionWith(link, 0, alias).out,
              head + L"    AppX alias:   " + L1 + program + R1 + L"\r\n" + details);
    EXPECT_EQ(SectionWith(link, 0, symlink).out,
              head + L"    Symlink:      " + L1 + program + R1 + L"\r\n" + details);
    // With /O:U the alias is not followed; the empty target has neither version nor type.
    EXPECT_EQ(SectionWith(link, OmitExecAliases, alias).out, head + L"\r\n");
    // A non-empty target is no alias and is not followed.
    std::wstring full = tree.file(L"full\\tool.exe", std::string("not empty"));
    std::wstring fullLink = tree.path(L"full.lnk");
    ASSERT_TRUE(MakeLink(fullLink, {full}));
    EXPECT_EQ(SectionWith(fullLink, 0, alias).out, L"    Link target:  " + L1 + full + R1 + L" \r\n\r\n");
}

TEST_F(ComTest, InterruptionStopsTheSection) {
    TempTree tree;
    std::wstring link = tree.path(L"i.lnk");
    ASSERT_TRUE(MakeLink(link, {exe_fixtures::Path(L"console64.exe")}));
    Output().paging.interrupted = 1;
    SectionRun run = Section(link);
    Output().paging.interrupted = 0;
    EXPECT_EQ(run.result, ABORTED);
    EXPECT_EQ(run.out.find(L"Version"), std::wstring::npos);
}
