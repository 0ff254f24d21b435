// Tests of the file-type section: command-line program extraction, the association lookup per
// user and merged (with keys created under HKEY_CURRENT_USER for the test), and the exact
// report lines.
#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "reports/FileType.h"
#include "reports/ReportSections.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

// Registry keys made for one test and removed with everything below them afterwards.
class RegistryKeys {
  public:
    explicit RegistryKeys(HKEY root = HKEY_CURRENT_USER) : root_(root) {}
    ~RegistryKeys() {
        for (auto it = made_.rbegin(); it != made_.rend(); ++it)
            RegDeleteTreeW(root_, it->c_str());
    }
    // Sets the default value of SOFTWARE\Classes\<key>; false when the key cannot be made.
    bool Set(const std::wstring& key, const std::wstring& value, DWORD type = REG_SZ) {
        std::wstring full = L"SOFTWARE\\Classes\\" + key;
        HKEY handle = nullptr;
        if (RegCreateKeyExW(root_, full.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
            ERROR_SUCCESS)
            return false;
        LONG rc = RegSetValueExW(handle, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(handle);
        std::wstring top = L"SOFTWARE\\Classes\\" + key.substr(0, key.find(L'\\'));
        bool known = false;
        for (const std::wstring& m : made_)
            known = known || _wcsicmp(m.c_str(), top.c_str()) == 0;
        if (!known) made_.push_back(top);
        return rc == ERROR_SUCCESS;
    }
    bool SetDword(const std::wstring& key, DWORD value) {
        std::wstring full = L"SOFTWARE\\Classes\\" + key;
        HKEY handle = nullptr;
        if (RegCreateKeyExW(root_, full.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
            ERROR_SUCCESS)
            return false;
        LONG rc = RegSetValueExW(handle, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                 sizeof value);
        RegCloseKey(handle);
        made_.push_back(L"SOFTWARE\\Classes\\" + key.substr(0, key.find(L'\\')));
        return rc == ERROR_SUCCESS;
    }

  private:
    HKEY root_;
    std::vector<std::wstring> made_;
};

struct Association {
    int bits;
    std::wstring typeName;
    std::wstring command;
};

Association Lookup(const wchar_t* extension, int perUser) {
    std::vector<wchar_t> typeName(1024, L'#'), command(8192, L'#');
    int bits = LookupAssociation(extension, typeName.data(), command.data(), perUser);
    return {bits, typeName.data(), command.data()};
}

std::wstring Section(const std::wstring& path, int quoteFlag, int* result = nullptr) {
    Capture capture;
    int rc = FileTypeSection(path.c_str(), quoteFlag, nullptr);
    if (result) *result = rc;
    return capture.out();
}

} // namespace

TEST(ExtractCommandProgramTest, Cases) {
    struct Row {
        const char* label;
        const wchar_t* in;
        int result;
        const wchar_t* out;
    } rows[] = {
        {"quoted program with quoted argument", L"\"C:\\Program Files\\App\\app.exe\" \"%1\"", 1,
         L"C:\\Program Files\\App\\app.exe"},
        {"plain program with argument", L"notepad.exe %1", 1, L"notepad.exe"},
        {"program alone", L"app.exe", 0, L"app.exe"},
        {"quoted program alone", L"\"C:\\a b\\x.exe\"", 1, L"C:\\a b\\x.exe"},
        {"quoted %1", L"\"%1\" %*", 1, L"%1"},
        {"bare %1", L"%1", 0, L"%1"},
        {"empty", L"", 0, L""},
        {"leading blank leaves nothing", L" app.exe", 0, L" app.exe"},
        {"tab ends the program", L"app.exe\t/x", 1, L"app.exe"},
        {"quotes in the middle", L"C:\\\"a b\"\\c.exe /p", 1, L"C:\\a b\\c.exe"},
        {"unbalanced quote keeps the rest", L"\"C:\\a b\\c.exe /p", 1, L"C:\\a b\\c.exe /p"},
    };
    for (const Row& row : rows) {
        wchar_t text[8192];
        wcscpy(text, row.in);
        EXPECT_EQ(ExtractCommandProgram(text), row.result) << row.label;
        EXPECT_STREQ(text, row.out) << row.label;
    }
    EXPECT_EQ(ExtractCommandProgram(nullptr), 0);
}

namespace {

// Creates the same set of associations under root; false when root cannot be written.
bool MakeAssociations(RegistryKeys& keys) {
    if (!keys.Set(L".scrfull", L"ScrutelTest.Full")) return false;
    bool ok = true;
    ok = ok && (keys.Set(L"ScrutelTest.Full", L"Scrutel Test Document"));
    ok = ok && (keys.Set(L"ScrutelTest.Full\\shell\\Open\\command",
                         L"\"C:\\Program Files\\Fixture Editor\\editor.exe\" \"%1\""));
    ok = ok && (keys.Set(L".scrcmd", L"ScrutelTest.CommandOnly"));
    ok = ok && (keys.Set(L"ScrutelTest.CommandOnly\\shell\\open\\command", L"viewer.exe %1"));
    ok = ok && (keys.Set(L".scrname", L"ScrutelTest.NameOnly"));
    ok = ok && (keys.Set(L"ScrutelTest.NameOnly", L"Name Only Type"));
    ok = ok && (keys.Set(L".scrself", L"ScrutelTest.Self"));
    ok = ok && (keys.Set(L"ScrutelTest.Self", L"Opens Itself"));
    ok = ok && (keys.Set(L"ScrutelTest.Self\\shell\\Open\\command", L"\"%1\" %*"));
    ok = ok && (keys.Set(L".scrshort", L"ScrutelTest.Short"));
    ok = ok && (keys.Set(L"ScrutelTest.Short", L"S"));
    ok = ok && (keys.Set(L"ScrutelTest.Short\\shell\\Open\\command", L"x"));
    ok = ok && (keys.Set(L".screxp", L"ScrutelTest.Expand"));
    ok = ok && (keys.Set(L"ScrutelTest.Expand\\shell\\Open\\command", L"%SystemRoot%\\system32\\tool.exe %1",
                         REG_EXPAND_SZ));
    ok = ok && (keys.Set(L".scrlong", L"ScrutelTest.Long"));
    ok = ok && (keys.Set(L"ScrutelTest.Long", std::wstring(1024, L'n')));
    ok = ok && (keys.Set(L"ScrutelTest.Long\\shell\\Open\\command", std::wstring(1023, L'c')));
    ok = ok && (keys.Set(L".scrfit", L"ScrutelTest.Fit"));
    ok = ok && (keys.Set(L"ScrutelTest.Fit", std::wstring(1023, L'n')));
    ok = ok && (keys.SetDword(L".scrdword", 5));
    ok = ok && (keys.Set(L".scrnotype", L"ScrutelTest.Missing"));
    return ok;
}

} // namespace

// Per user: keys under HKEY_CURRENT_USER\SOFTWARE\Classes. Merged: this system's
// HKEY_CLASSES_ROOT shows the machine-wide classes, so the same keys are made there.
TEST(LookupAssociationTest, PerUserAndMerged) {
    RegistryKeys user;
    ASSERT_TRUE(MakeAssociations(user));
    RegistryKeys machine(HKEY_LOCAL_MACHINE);
    bool merged = MakeAssociations(machine);
    struct Row {
        const char* label;
        const wchar_t* extension;
        Association expected;
    } rows[] = {
        {"name and command",
         L".scrfull",
         {3, L"Scrutel Test Document", L"C:\\Program Files\\Fixture Editor\\editor.exe"}},
        {"upper-case extension",
         L".SCRFULL",
         {3, L"Scrutel Test Document", L"C:\\Program Files\\Fixture Editor\\editor.exe"}},
        {"command only", L".scrcmd", {2, L"", L"viewer.exe"}},
        {"name only", L".scrname", {1, L"Name Only Type", L""}},
        {"command that opens the file itself", L".scrself", {1, L"Opens Itself", L""}},
        {"one-character values", L".scrshort", {0, L"", L""}},
        {"expandable command kept as stored", L".screxp", {2, L"", L"%SystemRoot%\\system32\\tool.exe"}},
        {"type name of 1024 characters", L".scrlong", {2, L"", std::wstring(1023, L'c')}},
        {"type name of 1023 characters", L".scrfit", {1, std::wstring(1023, L'n'), L""}},
        {"extension value of another type", L".scrdword", {0, L"", L""}},
        {"type identifier without its key", L".scrnotype", {0, L"", L""}},
        {"unknown extension", L".scrnothing", {0, L"", L""}},
        {"dot alone", L".", {0, L"", L""}},
    };
    for (int perUser = 1; perUser >= 0; --perUser) {
        if (!perUser && !merged)
            GTEST_SKIP()
                << "machine-wide classes cannot be written here, so the merged lookup has nothing to find";
        for (const Row& row : rows) {
            Association got = Lookup(row.extension, perUser);
            EXPECT_EQ(got.bits, row.expected.bits) << row.label << " perUser=" << perUser;
            EXPECT_EQ(got.typeName, row.expected.typeName) << row.label << " perUser=" << perUser;
            EXPECT_EQ(got.command, row.expected.command) << row.label << " perUser=" << perUser;
        }
    }
    std::vector<wchar_t> a(1024), b(8192);
    EXPECT_EQ(LookupAssociation(nullptr, a.data(), b.data(), 1), 0);
    EXPECT_EQ(LookupAssociation(L".scrfull", nullptr, b.data(), 1), 0);
    EXPECT_EQ(LookupAssociation(L".scrfull", a.data(), nullptr, 1), 0);
}

TEST(FileTypeSectionTest, ReportLines) {
    RegistryKeys keys;
    ASSERT_TRUE(keys.Set(L".scrdoc", L"ScrutelTest.Doc"));
    ASSERT_TRUE(keys.Set(L"ScrutelTest.Doc", L"Text Document"));
    ASSERT_TRUE(
        keys.Set(L"ScrutelTest.Doc\\shell\\Open\\command", L"\"C:\\windows\\system32\\notepad.exe\" \"%1\""));
    ASSERT_TRUE(keys.Set(L".scrcmd", L"ScrutelTest.CommandOnly"));
    ASSERT_TRUE(keys.Set(L"ScrutelTest.CommandOnly\\shell\\Open\\command", L"viewer.exe %1"));
    ASSERT_TRUE(keys.Set(L".scrself", L"ScrutelTest.Self"));
    ASSERT_TRUE(keys.Set(L"ScrutelTest.Self\\shell\\Open\\command", L"%1"));
    ASSERT_TRUE(keys.Set(L".scr\u202Eod", L"ScrutelTest.Doc"));
    TempTree tree;
    struct Row {
        const char* label;
        std::wstring path;
        int quoteFlag;
        std::wstring out;
        int result;
    } rows[] = {
        {"type and program", tree.file(L"notes.scrdoc"), 1,
         L"    \u201CText Document\u201D  (.SCRDOC)\r\n    Opens with:  \u201C"
         L"C:\\windows\\system32\\notepad.exe\u201D\r\n\r\n",
         0},
        {"plain quotes", tree.file(L"notes2.ScrDoc"), 0,
         L"    \"Text Document\"  (.SCRDOC)\r\n    Opens with:  "
         L"\"C:\\windows\\system32\\notepad.exe\"\r\n\r\n",
         0},
        {"program only", tree.file(L"a.scrcmd"), 1, L"    Opens with:  \u201Cviewer.exe\u201D\r\n\r\n", 0},
        {"opens itself, nothing else known", tree.file(L"b.scrself"), 1, L"", 0},
        {"no extension", tree.file(L"README"), 1, L"", 0},
        {"name ending in a dot", tree.path(L"trailing."), 1, L"", 0},
        {"dot only in a folder name", tree.path(L"dir.scrdoc\\file"), 1, L"", 0},
        {"unregistered extension", tree.file(L"c.scrunknown"), 1, L"", 0},
        {"direction override in the extension shown by its code", tree.file(L"e.scr\u202Eod"), 1,
         L"    \u201CText Document\u201D  (.SCR<U+202E>OD)\r\n    Opens with:  \u201C"
         L"C:\\windows\\system32\\notepad.exe\u201D\r\n\r\n",
         0},
    };
    for (const Row& row : rows) {
        int rc = 99;
        EXPECT_EQ(Section(row.path, row.quoteFlag, &rc), row.out) << row.label;
        EXPECT_EQ(rc, row.result) << row.label;
    }
    EXPECT_EQ(FileTypeSection(nullptr, 1, nullptr), -1);
    EXPECT_EQ(FileTypeSection(L"", 1, nullptr), -1);
}

TEST(FileTypeSectionTest, PerUserEntryHidesMachineWideOne) {
    RegistryKeys machine(HKEY_LOCAL_MACHINE);
    if (!machine.Set(L".scrhide", L"ScrutelTest.Machine"))
        GTEST_SKIP() << "machine-wide classes cannot be written here";
    ASSERT_TRUE(machine.Set(L"ScrutelTest.Machine", L"Machine Type"));
    ASSERT_TRUE(machine.Set(L"ScrutelTest.Machine\\shell\\Open\\command", L"machine.exe %1"));
    TempTree tree;
    std::wstring path = tree.file(L"x.scrhide");
    EXPECT_EQ(
        Section(path, 1),
        L"    \u201CMachine Type\u201D  (.SCRHIDE)\r\n    Opens with:  \u201Cmachine.exe\u201D\r\n\r\n");

    RegistryKeys user;
    ASSERT_TRUE(user.Set(L".scrhide", L"ScrutelTest.User"));
    ASSERT_TRUE(user.Set(L"ScrutelTest.User\\shell\\Open\\command", L"user.exe %1"));
    EXPECT_EQ(Section(path, 1), L"    Opens with:  \u201Cuser.exe\u201D\r\n\r\n");
}

TEST(FileTypeSectionTest, InterruptionStopsAtOnce) {
    RegistryKeys keys;
    ASSERT_TRUE(keys.Set(L".scrdoc", L"ScrutelTest.Doc"));
    ASSERT_TRUE(keys.Set(L"ScrutelTest.Doc", L"Text Document"));
    ASSERT_TRUE(keys.Set(L"ScrutelTest.Doc\\shell\\Open\\command", L"edit.exe %1"));
    TempTree tree;
    std::wstring path = tree.file(L"n.scrdoc");
    Output().paging.interrupted = 1;
    int rc = 0;
    std::wstring out = Section(path, 1, &rc);
    Output().paging.interrupted = 0;
    EXPECT_EQ(rc, ABORTED);
    EXPECT_EQ(out.find(L"Opens with"), std::wstring::npos);
}
