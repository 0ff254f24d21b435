// The real report sections over every fixture file (well-formed files of each kind and the
// hostile reproducers): no section may fault, and a section may fail only where the file gives it
// a reason to. A failure that used to vanish into "nothing to show" shows up here.
#include "core/ScanSettings.h"
#include "core/SectionOutcome.h"
#include "output/LineOutput.h"
#include "output/ScriptedConsole.h"
#include "reports/ReportFile.h"
#include "reports/ReportSections.h"
#include "files/PathResolve.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::SourceFixture;
using testing_support::TestOutput;
using testing_support::ToUtf8;

namespace {

const char* const SectionNames[ReportRowCount] = {
    "version header", "file type",   "sizes",           "time stamps",     "attributes",   "streams",
    "checksums",      "description", "executable type", "text encoding",   "link targets", "version resource",
    "image",          "properties",  "fonts",           "document summary"};

void CollectFiles(const std::wstring& folder, std::vector<std::wstring>& files) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(folder + L"\\" + name, files);
        else if (name != L"README.md")
            files.push_back(folder + L"\\" + name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

// "folder\\name: section" for each section of each file whose outcome is one of wanted.
std::set<std::string> Report(const std::wstring& root, std::initializer_list<SectionOutcome> wanted,
                             ScanSettings& settings) {
    std::vector<std::wstring> files;
    CollectFiles(root, files);
    std::sort(files.begin(), files.end());
    EXPECT_GT(files.size(), 20u) << "fixture folder " << ToUtf8(root);
    std::set<std::string> found;
    for (const std::wstring& file : files) {
        // As the walker hands them over: "CON" and "AUX.txt" are files here, not devices.
        std::wstring path = file;
        if (AddLongPathPrefix(path) == 0) ProtectEntryName(path);
        FileOutcomes outcomes;
        Capture capture;
        int rc =
            ReportFileWith(path.c_str(), 0, settings, ReportSteps{ReportRows, ExecAliasSection}, &outcomes);
        std::string name = ToUtf8(file.substr(root.size() + 1));
        if (rc == 2) {
            found.insert(name + ": not reachable as a file");
            continue;
        }
        EXPECT_EQ(rc, 0) << name;
        for (size_t i = 0; i < ReportRowCount; ++i)
            if (std::find(wanted.begin(), wanted.end(), outcomes.sections[i]) != wanted.end())
                found.insert(name + ": " + SectionNames[i] + " " + OutcomeName(outcomes.sections[i]));
        if (std::find(wanted.begin(), wanted.end(), outcomes.execAlias) != wanted.end())
            found.insert(name + ": alias " + OutcomeName(outcomes.execAlias));
    }
    return found;
}

std::string Lines(const std::set<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

class SectionOutcomesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Output().paging = {};
        Output().colours.normalAttr = 0;
        settings.timeFlags = TimeCreation | TimeModified | TimeAccess;
        settings.hashMask = HashCrc32 | HashMd5;
        settings.textFileTypes = BuiltInTextFileTypes;
    }
    TestOutput guard;
    ScanSettings settings;
};

} // namespace

TEST_F(SectionOutcomesTest, WellFormedFilesOfEveryKind) {
    std::set<std::string> odd =
        Report(SourceFixture(L"kinds"), {SectionOutcome::Failed, SectionOutcome::Fault}, settings);
    EXPECT_EQ(Lines(odd), "");
    EXPECT_EQ(settings.sectionFaults, 0u);
}

TEST_F(SectionOutcomesTest, HostileFiles) {
    std::set<std::string> odd =
        Report(SourceFixture(L"hostile"), {SectionOutcome::Failed, SectionOutcome::Fault}, settings);
    // Names that Windows cannot spell (kept on the host's file system by Wine) are not files to
    // the system, even in the long form; the walker skips them the same way. A trailing dot is
    // spelled in the long form, which reaches that file.
    EXPECT_EQ(Lines(odd), "illegal_char_names\\back\\slash.txt: not reachable as a file\n"
                          "illegal_char_names\\lt<gt>.txt: not reachable as a file\n"
                          "illegal_char_names\\pi|pe.txt: not reachable as a file\n"
                          "illegal_char_names\\ques?.txt: not reachable as a file\n"
                          "illegal_char_names\\quo\"te.txt: not reachable as a file\n"
                          "illegal_char_names\\star*.txt: not reachable as a file\n");
    EXPECT_EQ(settings.sectionFaults, 0u);
}
