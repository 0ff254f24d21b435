// Tests of the shell-link check against the shell: links saved by the shell itself, an assembled
// link resolved through it, and the link-target section skipping damaged links before the
// shell's loader sees them.
#include "ExeFixtures.h"
#include "ShellLinkBuilder.h"
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
using namespace link_test;

namespace {

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
                                                         LinkInfo(Path), Text(u"-q"), Terminal()}));
    ASSERT_TRUE(CheckShellLinkFile(link.c_str()).ok);
    std::vector<wchar_t> target(PathChars, L'\0'), arguments(HostExpandChars, L'\0');
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
              Text(std::u16string(1100, u'd') + u".exe"), Text(u"C:\\"), Terminal()})},
        {"relative path of 8,200 characters (the command stopped)",
         Cat({Header(UnicodeFlag | RelativePathFlag), Text(std::u16string(8200, u'd')), Terminal()})},
        {"ID-list item of size 0xFFFF (crash)", Cat({Header(UnicodeFlag | IdListFlag | ArgumentsFlag),
                                                     IdList({Item(4, 0xFFFF)}), Text(u"x"), Terminal()})},
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
        std::vector<wchar_t> target(PathChars, L'#');
        EXPECT_EQ(ResolveShellLink(link.c_str(), target.data(), nullptr), LinkUnresolved) << row.label;
        EXPECT_EQ(target[0], L'\0') << row.label;
    }
}
