// The per-file report driver: heading, the order of the sixteen sections and their omit bits and
// conditions (observed through recording sections put into the table), execution-alias
// resolution, the executable type line, results and the file count.
#include "reports/ReportFile.h"

#include "core/ScanSettings.h"
#include "core/SectionOutcome.h"
#include "output/LineOutput.h"
#include "output/ScriptedConsole.h"
#include "gateway/HostExports.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cwctype>
#include <string>
#include <utility>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::ScriptedConsole;
using testing_support::TempTree;
using testing_support::TestOutput;

namespace {

// Every omit letter of /O: that leaves a section out: H R Z T A N C D X E L V I P F S U.
constexpr uint32_t OmitEverySection =
    OmitVersionHeader | OmitFileType | OmitSizes | OmitTimes | OmitAttributes | OmitStreams | OmitChecksums |
    OmitDescriptions | OmitExeInfo | OmitTextEncoding | OmitLinkTargets | OmitVersionInfo | OmitImageInfo |
    OmitProperties | OmitFontInfo | OmitSummaryInfo | OmitExecAliases;

struct Ran {
    int row;
    std::wstring path;
    std::wstring extension;
    int quoteFlag;
    uint32_t omitMask;
};

std::vector<Ran> g_ran;
int g_abortAt = -1;

// A section that notes what it was given and writes one line, as a one-line section does.
template <size_t N> int RecordRow(const ReportContext& c) {
    g_ran.push_back({static_cast<int>(N), c.path, c.extension ? c.extension : L"", c.quoteFlag, c.omitMask});
    if (static_cast<int>(N) == g_abortAt) return ABORTED;
    Printf(L"    row %d", static_cast<int>(N));
    int rc = EndLine(2);
    // A failing section's result (other than ABORTED) must not stop the report.
    return rc == ABORTED ? ABORTED : 5;
}

template <size_t... I> std::array<ReportRow, ReportRowCount> RecordingRows(std::index_sequence<I...>) {
    return {{ReportRow{ReportRows[I].omitBit, ReportRows[I].applies, RecordRow<I>}...}};
}

std::vector<std::wstring> g_aliasCalls;
std::wstring g_aliasTarget;
int g_aliasResult = 0;
uint32_t g_aliasMask = 0;

int FakeAlias(const wchar_t* path, wchar_t* resolved, uint32_t omitMask) {
    g_aliasCalls.push_back(path);
    g_aliasMask = omitMask;
    EXPECT_EQ(resolved[0], 0) << "the buffer comes zero-filled";
    EXPECT_EQ(resolved[32767], 0);
    wcsncpy(resolved, g_aliasTarget.c_str(), 32767);
    return g_aliasResult;
}

std::vector<int> Rows() {
    std::vector<int> rows;
    for (const Ran& r : g_ran)
        rows.push_back(r.row);
    return rows;
}

std::wstring RowLines(const std::vector<int>& rows) {
    std::wstring text;
    for (int r : rows)
        text += L"    row " + std::to_wstring(r) + L"\r\n\r\n";
    return text;
}

class ReportFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_ran.clear();
        g_abortAt = -1;
        g_aliasCalls.clear();
        g_aliasTarget.clear();
        g_aliasResult = 0;
        g_aliasMask = 0;
        Output().paging = {};
        Output().colours.normalAttr = 0;
        Output().colours.highlightAttr = 0;
        Output().colours.conOut = ScriptedConsole::DeviceHandle();
        rows = RecordingRows(std::make_index_sequence<ReportRowCount>{});
        settings.maxWidth = 100;
        settings.textFileTypes = BuiltInTextFileTypes;
    }

    int Report(const std::wstring& path, uint32_t omitMask) {
        return ReportFileWith(path.c_str(), omitMask, settings, ReportSteps{rows, FakeAlias});
    }

    TestOutput guard;
    ScriptedConsole console;
    TempTree tree;
    Capture capture;
    std::array<ReportRow, ReportRowCount> rows{};
    ScanSettings settings;
};

// ---- Order, omit bits and conditions

TEST_F(ReportFileTest, SectionsRunInTableOrderForAPlainFile) {
    std::wstring path = tree.file(L"notes.txt", "hello\r\n");
    ASSERT_EQ(Report(path, 0), 0);
    const std::vector<int> expected{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 13, 15};
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(capture.out(), path + L"\r\n\r\n" + RowLines(expected));
    EXPECT_EQ(settings.matchCount, 1u);
}

TEST_F(ReportFileTest, LinkTargetsOnlyForLnkFilesInAnyCase) {
    std::wstring link = tree.file(L"Shortcut.LNK", "L");
    ASSERT_EQ(Report(link, 0), 0);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15}));
    g_ran.clear();
    std::wstring notLink = tree.file(L"Shortcut.lnk.txt", "L");
    ASSERT_EQ(Report(notLink, 0), 0);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 13, 15}));
}

TEST_F(ReportFileTest, DotInDirectoryNameIsNoExtension) {
    std::wstring path = tree.file(L"links.lnk\\plain", "x");
    ASSERT_EQ(Report(path, 0), 0);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 13, 15}));
    EXPECT_EQ(g_ran[0].extension, L"");
}

TEST_F(ReportFileTest, FontSectionOnlyForFontFiles) {
    std::wstring path = tree.file(L"face.TTF", "x");
    ASSERT_EQ(Report(path, 0), 0);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 13, 14, 15}));
}

TEST_F(ReportFileTest, ImageSectionOnlyForImageFiles) {
    std::wstring path = tree.file(L"picture.png", "x");
    ASSERT_EQ(Report(path, 0), 0);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 15}));
}

struct OmitCase {
    const char* label;
    uint32_t bit;
    int row;
    const wchar_t* file; // a file for which the row would run
};

class OmitBitTest : public ReportFileTest, public ::testing::WithParamInterface<OmitCase> {};

TEST_P(OmitBitTest, EachBitLeavesOutExactlyItsSection) {
    const OmitCase& c = GetParam();
    std::wstring path = tree.file(c.file, "x");
    ASSERT_EQ(Report(path, 0), 0);
    std::vector<int> all = Rows();
    ASSERT_NE(std::find(all.begin(), all.end(), c.row), all.end()) << "the row runs without its bit";
    g_ran.clear();
    ASSERT_EQ(Report(path, c.bit), 0);
    std::vector<int> expected;
    for (int r : all)
        if (r != c.row) expected.push_back(r);
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(settings.matchCount, 2u);
}

INSTANTIATE_TEST_SUITE_P(Table, OmitBitTest,
                         ::testing::Values(OmitCase{"H_version_header", OmitVersionHeader, 0, L"a.lnk"},
                                           OmitCase{"R_file_type", OmitFileType, 1, L"a.lnk"},
                                           OmitCase{"Z_sizes", OmitSizes, 2, L"a.lnk"},
                                           OmitCase{"T_times", OmitTimes, 3, L"a.lnk"},
                                           OmitCase{"A_attributes", OmitAttributes, 4, L"a.lnk"},
                                           OmitCase{"N_streams", OmitStreams, 5, L"a.lnk"},
                                           OmitCase{"C_checksums", OmitChecksums, 6, L"a.lnk"},
                                           OmitCase{"D_descriptions", OmitDescriptions, 7, L"a.lnk"},
                                           OmitCase{"X_executable_type", OmitExeInfo, 8, L"a.lnk"},
                                           OmitCase{"E_text_encoding", OmitTextEncoding, 9, L"a.lnk"},
                                           OmitCase{"L_link_targets", OmitLinkTargets, 10, L"a.lnk"},
                                           OmitCase{"V_version_info", OmitVersionInfo, 11, L"a.lnk"},
                                           OmitCase{"I_image_info", OmitImageInfo, 12, L"a.jpeg"},
                                           OmitCase{"P_properties", OmitProperties, 13, L"a.lnk"},
                                           OmitCase{"F_font_info", OmitFontInfo, 14, L"a.otf"},
                                           OmitCase{"S_summary_info", OmitSummaryInfo, 15, L"a.lnk"}),
                         [](const ::testing::TestParamInfo<OmitCase>& info) {
                             return std::string(info.param.label);
                         });

TEST_F(ReportFileTest, EverySectionOmittedLeavesHeadingAndBlankLineAndCounts) {
    std::wstring path = tree.file(L"all.lnk", "x");
    ASSERT_EQ(Report(path, OmitEverySection), 0);
    EXPECT_TRUE(g_ran.empty());
    EXPECT_TRUE(g_aliasCalls.empty());
    EXPECT_EQ(capture.out(), path + L"\r\n\r\n");
    EXPECT_EQ(settings.matchCount, 1u);
}

TEST_F(ReportFileTest, RealTableWithEverySectionOmitted) {
    std::wstring path = tree.file(L"real.txt", "x");
    settings.matchCount = 41;
    ASSERT_EQ(ReportFile(path.c_str(), OmitEverySection, settings), 0);
    EXPECT_EQ(capture.out(), path + L"\r\n\r\n");
    EXPECT_EQ(capture.err(), L"");
    EXPECT_EQ(settings.matchCount, 42u);
}

TEST_F(ReportFileTest, WorkersAreWantedOnlyWhileASectionOffTheHostsThreadRemains) {
    const uint32_t hostOnly = OmitEverySection & ~(OmitDescriptions | OmitLinkTargets | OmitImageInfo);
    struct Case {
        uint32_t omitMask;
        bool wanted;
    } cases[] = {
        {0, true},
        {OmitEverySection, false},
        {hostOnly, false},                        // descriptions, links and images only
        {hostOnly & ~OmitSizes, true},            // and the sizes
        {OmitEverySection & ~OmitFontInfo, true}, // a row that applies to some files only
    };
    for (const Case& c : cases)
        EXPECT_EQ(AnyWorkerRow(ReportRows, c.omitMask), c.wanted) << std::hex << c.omitMask;
}

TEST_F(ReportFileTest, RealTableRowsCarryTheirOmitBitsInReportOrder) {
    const uint32_t expected[ReportRowCount] = {
        OmitVersionHeader, OmitFileType,     OmitSizes,    OmitTimes,        OmitAttributes,  OmitStreams,
        OmitChecksums,     OmitDescriptions, OmitExeInfo,  OmitTextEncoding, OmitLinkTargets, OmitVersionInfo,
        OmitImageInfo,     OmitProperties,   OmitFontInfo, OmitSummaryInfo};
    for (size_t i = 0; i < ReportRowCount; ++i) {
        EXPECT_EQ(ReportRows[i].omitBit, expected[i]) << "row " << i;
        EXPECT_NE(ReportRows[i].run, nullptr) << "row " << i;
    }
}

// ---- What the sections are given

TEST_F(ReportFileTest, QuoteFlagFollowsTheUnicodeQuotesBit) {
    std::wstring path = tree.file(L"q.txt", "x");
    ASSERT_EQ(Report(path, 0), 0);
    ASSERT_FALSE(g_ran.empty());
    EXPECT_EQ(g_ran[0].quoteFlag, 1);
    g_ran.clear();
    ASSERT_EQ(Report(path, OmitUnicodeQuotes), 0);
    ASSERT_FALSE(g_ran.empty());
    EXPECT_EQ(g_ran[0].quoteFlag, 0);
    EXPECT_EQ(g_ran[0].omitMask, static_cast<uint32_t>(OmitUnicodeQuotes));
}

// ---- Results

TEST_F(ReportFileTest, MissingOrEmptyPathIsMinusOne) {
    EXPECT_EQ(ReportFileWith(nullptr, 0, settings, ReportSteps{rows, FakeAlias}), -1);
    EXPECT_EQ(Report(L"", 0), -1);
    EXPECT_EQ(capture.out(), L"");
    EXPECT_EQ(settings.matchCount, 0u);
}

TEST_F(ReportFileTest, DirectoryIsTwoAndNotCounted) {
    std::wstring dir = tree.dir(L"sub.d");
    EXPECT_EQ(Report(dir, 0), 2);
    EXPECT_EQ(capture.out(), L"");
    EXPECT_TRUE(g_ran.empty());
    EXPECT_EQ(settings.matchCount, 0u);
}

TEST_F(ReportFileTest, VanishedFileIsTwo) {
    EXPECT_EQ(Report(tree.path(L"gone.txt"), 0), 2);
    EXPECT_EQ(capture.out(), L"");
    EXPECT_EQ(settings.matchCount, 0u);
}

TEST_F(ReportFileTest, AbortedSectionEndsTheReportUncounted) {
    std::wstring path = tree.file(L"stop.txt", "x");
    g_abortAt = 4;
    EXPECT_EQ(Report(path, 0), ABORTED);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(capture.out(), path + L"\r\n\r\n" + RowLines({0, 1, 2, 3}));
    EXPECT_EQ(settings.matchCount, 0u);
}

TEST_F(ReportFileTest, InterruptionAtTheHeadingRunsNoSection) {
    std::wstring path = tree.file(L"int.txt", "x");
    Output().paging.interrupted = 1;
    EXPECT_EQ(Report(path, 0), ABORTED);
    EXPECT_TRUE(g_ran.empty());
    EXPECT_EQ(capture.out(), path + L"\r\n");
    EXPECT_EQ(console.Written(), L"\r ^C \n");
    EXPECT_EQ(settings.matchCount, 0u);
}

TEST_F(ReportFileTest, InterruptionInsideASectionStopsTheFollowingOnes) {
    std::wstring path = tree.file(L"int2.txt", "x");
    Output().paging.pageLength = 6;
    Output().paging.linesLeft = 6;
    console.Key(0, VK_ESCAPE, 1);
    EXPECT_EQ(Report(path, 0), ABORTED);
    // Heading and blank line, then rows 0 and 1 with their blank lines: the prompt after row 1.
    EXPECT_EQ(Rows(), (std::vector<int>{0, 1}));
    EXPECT_EQ(console.PromptsAt(), (std::vector<size_t>{6}));
    EXPECT_EQ(settings.matchCount, 0u);
}

// ---- Heading

TEST_F(ReportFileTest, LongPathPrefixIsNotShownInTheHeading) {
    std::wstring path = tree.file(L"long.txt", "x");
    std::wstring prefixed = L"\\\\?\\" + path;
    ASSERT_EQ(Report(prefixed, OmitEverySection), 0);
    EXPECT_EQ(capture.out(), path + L"\r\n\r\n");
    EXPECT_EQ(settings.matchCount, 1u);
}

TEST_F(ReportFileTest, SectionsStillGetThePrefixedPath) {
    std::wstring path = tree.file(L"long2.txt", "x");
    std::wstring prefixed = L"\\\\?\\" + path;
    ASSERT_EQ(Report(prefixed, 0), 0);
    ASSERT_FALSE(g_ran.empty());
    EXPECT_EQ(g_ran[0].path, prefixed);
}

struct HeadingCase {
    const char* label;
    const wchar_t* path;
    const wchar_t* shown;
};

class HeadingNameTest : public ::testing::TestWithParam<HeadingCase> {};

TEST_P(HeadingNameTest, PrefixDroppedOnlyWhenSomethingFollowsAndControlsNamed) {
    const HeadingCase& c = GetParam();
    EXPECT_EQ(HeadingName(c.path), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HeadingNameTest,
    ::testing::Values(HeadingCase{"prefixed", L"\\\\?\\C:\\x.txt", L"C:\\x.txt"},
                      HeadingCase{"prefix_alone", L"\\\\?\\", L"\\\\?\\"},
                      HeadingCase{"one_more_character", L"\\\\?\\a", L"a"},
                      HeadingCase{"unc_form", L"\\\\?\\UNC\\srv\\share\\f", L"UNC\\srv\\share\\f"},
                      HeadingCase{"plain", L"C:\\x.txt", L"C:\\x.txt"},
                      HeadingCase{"device_prefix", L"\\\\.\\C:\\x", L"\\\\.\\C:\\x"},
                      HeadingCase{"unc", L"\\\\srv\\share\\f", L"\\\\srv\\share\\f"},
                      HeadingCase{"three_characters", L"\\\\?", L"\\\\?"}, HeadingCase{"null", nullptr, L""},
                      HeadingCase{"direction_override", L"\\\\?\\C:\\rlo\u202Etxt.exe",
                                  L"C:\\rlo<U+202E>txt.exe"},
                      HeadingCase{"c1_and_isolates", L"C:\\D\x9b\\\u2066x\u2069.txt",
                                  L"C:\\D<U+009B>\\<U+2066>x<U+2069>.txt"},
                      HeadingCase{"non_latin_name_kept", L"C:\\\u05E9\u05DC\u05D5\u05DD.txt",
                                  L"C:\\\u05E9\u05DC\u05D5\u05DD.txt"}),
    [](const ::testing::TestParamInfo<HeadingCase>& info) { return std::string(info.param.label); });

// ---- Execution aliases

TEST_F(ReportFileTest, ZeroLengthExeAliasIsReportedThroughItsTarget) {
    std::wstring alias = tree.file(L"apps\\tool.exe", "");
    std::wstring target = tree.file(L"real\\Tool Program.exe", "MZ-not-empty");
    g_aliasTarget = target;
    ASSERT_EQ(Report(alias, 0), 0);
    EXPECT_EQ(g_aliasCalls, (std::vector<std::wstring>{alias}));
    ASSERT_FALSE(g_ran.empty());
    for (const Ran& r : g_ran) {
        EXPECT_EQ(r.path, target) << "row " << r.row;
        EXPECT_EQ(r.extension, L".exe") << "row " << r.row;
    }
    EXPECT_EQ(capture.out().substr(0, alias.size() + 4), alias + L"\r\n\r\n");
    EXPECT_EQ(settings.matchCount, 1u);
}

TEST_F(ReportFileTest, AliasTargetDecidesTheSectionConditions) {
    std::wstring alias = tree.file(L"link.exe", "");
    g_aliasTarget = tree.file(L"target.lnk", "L");
    ASSERT_EQ(Report(alias, 0), 0);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15}));
}

TEST_F(ReportFileTest, ExeExtensionInAnyCase) {
    std::wstring alias = tree.file(L"UPPER.EXE", "");
    g_aliasTarget = tree.file(L"t.exe", "MZ");
    ASSERT_EQ(Report(alias, 0), 0);
    EXPECT_EQ(g_aliasCalls.size(), 1u);
    ASSERT_FALSE(g_ran.empty());
    EXPECT_EQ(g_ran[0].path, g_aliasTarget);
}

struct AliasCase {
    const char* label;
    const wchar_t* name;
    const char* bytes;
    uint32_t omitMask;
    bool aliasAsked;
};

class AliasStepTest : public ReportFileTest, public ::testing::WithParamInterface<AliasCase> {};

TEST_P(AliasStepTest, AliasSectionOnlyForZeroLengthExeFiles) {
    const AliasCase& c = GetParam();
    std::wstring path = tree.file(c.name, c.bytes);
    g_aliasTarget = tree.file(L"elsewhere.exe", "MZ");
    ASSERT_EQ(Report(path, c.omitMask), 0);
    EXPECT_EQ(g_aliasCalls.size(), c.aliasAsked ? 1u : 0u);
    ASSERT_FALSE(g_ran.empty());
    EXPECT_EQ(g_ran[0].path, c.aliasAsked ? g_aliasTarget : path);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AliasStepTest,
    ::testing::Values(AliasCase{"zero_length_exe", L"z.exe", "", 0, true},
                      AliasCase{"non_empty_exe", L"n.exe", "MZ", 0, false},
                      AliasCase{"omitted_with_U", L"u.exe", "", OmitExecAliases, false},
                      AliasCase{"zero_length_dll", L"z.dll", "", 0, false},
                      AliasCase{"zero_length_without_extension", L"zexe", "", 0, false},
                      AliasCase{"exe_in_directory_name_only", L"d.exe\\file", "", 0, false}),
    [](const ::testing::TestParamInfo<AliasCase>& info) { return std::string(info.param.label); });

TEST_F(ReportFileTest, AliasStepReceivesTheOmitMaskForItsQuotes) {
    std::wstring alias = tree.file(L"tool.exe");
    ASSERT_EQ(Report(alias, OmitUnicodeQuotes | OmitSizes), 0);
    ASSERT_EQ(g_aliasCalls.size(), 1u);
    EXPECT_EQ(g_aliasMask, static_cast<uint32_t>(OmitUnicodeQuotes | OmitSizes));
}

TEST_F(ReportFileTest, ZeroLengthExeThatIsNoAliasIsReportedAsItself) {
    std::wstring path = tree.file(L"empty.exe", "");
    g_aliasTarget = L"";
    ASSERT_EQ(Report(path, 0), 0);
    EXPECT_EQ(g_aliasCalls.size(), 1u);
    ASSERT_FALSE(g_ran.empty());
    EXPECT_EQ(g_ran[0].path, path);
}

TEST_F(ReportFileTest, AliasResolvingToItselfInOtherCaseKeepsThePath) {
    std::wstring path = tree.file(L"self.exe", "");
    std::wstring upper = path;
    for (wchar_t& ch : upper)
        ch = towupper(ch);
    g_aliasTarget = upper;
    ASSERT_EQ(Report(path, 0), 0);
    ASSERT_FALSE(g_ran.empty());
    EXPECT_EQ(g_ran[0].path, path);
}

TEST_F(ReportFileTest, InterruptionInTheAliasSectionStopsTheReport) {
    std::wstring path = tree.file(L"stop.exe", "");
    g_aliasTarget = tree.file(L"t2.exe", "MZ");
    g_aliasResult = ABORTED;
    EXPECT_EQ(Report(path, 0), ABORTED);
    EXPECT_TRUE(g_ran.empty());
    EXPECT_EQ(settings.matchCount, 0u);
}

// ---- Executable type line

struct TypeLineCase {
    const char* label;
    int code;
    const wchar_t* name;
    const wchar_t* output;
};

class ExecutableTypeLineTest : public ReportFileTest, public ::testing::WithParamInterface<TypeLineCase> {};

TEST_P(ExecutableTypeLineTest, PrintedOnlyForCodesOneToEighteen) {
    const TypeLineCase& c = GetParam();
    EXPECT_EQ(PrintExecutableTypeLine(c.code, c.name), 0);
    EXPECT_EQ(capture.out(), c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExecutableTypeLineTest,
    ::testing::Values(
        TypeLineCase{"first", 1, L"Type one", L"    Executable type ......... Type one\r\n\r\n"},
        TypeLineCase{"last", 18, L"Type 18", L"    Executable type ......... Type 18\r\n\r\n"},
        TypeLineCase{"percent_in_name", 5, L"100% x", L"    Executable type ......... 100% x\r\n\r\n"},
        TypeLineCase{"zero", 0, L"none", L""}, TypeLineCase{"nineteen", 19, L"none", L""},
        TypeLineCase{"negative", -1, L"none", L""}, TypeLineCase{"no_name", 3, nullptr, L""}),
    [](const ::testing::TestParamInfo<TypeLineCase>& info) { return std::string(info.param.label); });

} // namespace

// ---- Outcomes

namespace {

// Sections that print, stay silent, fail, fault or are interrupted, one per row.
int PrintsRow(const ReportContext&) {
    ReportPrintf(L"    shown");
    return EndLine(2);
}
int SilentRow(const ReportContext&) {
    return 0;
}
int FailingRow(const ReportContext&) {
    return 87;
}
int FaultRow(const ReportContext&) {
    return SECTION_FAULT;
}
int AbortingRow(const ReportContext&) {
    return ABORTED;
}

} // namespace

TEST_F(ReportFileTest, OutcomesTellShownNothingFailedAndFaultApartAndTheCommandCountsThem) {
    std::wstring path = tree.file(L"a.txt", "x");
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].run = SilentRow;
    rows[0].run = PrintsRow;
    rows[2].run = FailingRow;
    rows[3].run = FaultRow;
    rows[5].run = FailingRow;
    FileOutcomes outcomes;
    ASSERT_EQ(ReportFileWith(path.c_str(), OmitExecAliases | OmitSizes, settings,
                             ReportSteps{rows, FakeAlias}, &outcomes),
              0);
    EXPECT_EQ(outcomes.sections[0], SectionOutcome::Shown);
    EXPECT_EQ(outcomes.sections[1], SectionOutcome::Nothing);
    EXPECT_EQ(outcomes.sections[2], SectionOutcome::NotRun) << "omitted";
    EXPECT_EQ(outcomes.sections[3], SectionOutcome::Fault);
    EXPECT_EQ(outcomes.sections[5], SectionOutcome::Failed);
    EXPECT_EQ(outcomes.sections[10], SectionOutcome::NotRun) << "link targets: not a link";
    EXPECT_EQ(outcomes.execAlias, SectionOutcome::NotRun);
    EXPECT_EQ(settings.sectionFailures, 1u);
    EXPECT_EQ(settings.sectionFaults, 1u);
    EXPECT_EQ(settings.matchCount, 1u) << "failing sections do not stop the report";
    EXPECT_EQ(capture.out(), path + L"\r\n\r\n    shown\r\n\r\n");
}

TEST_F(ReportFileTest, AnInterruptedSectionIsAbortedAndTheRestDoNotRun) {
    std::wstring path = tree.file(L"a.txt", "x");
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].run = PrintsRow;
    rows[4].run = AbortingRow;
    FileOutcomes outcomes;
    outcomes.sections[6] = SectionOutcome::Shown; // left over from an earlier file
    ASSERT_EQ(
        ReportFileWith(path.c_str(), OmitExecAliases, settings, ReportSteps{rows, FakeAlias}, &outcomes),
        ABORTED);
    EXPECT_EQ(outcomes.sections[3], SectionOutcome::Shown);
    EXPECT_EQ(outcomes.sections[4], SectionOutcome::Aborted);
    EXPECT_EQ(outcomes.sections[6], SectionOutcome::NotRun);
    EXPECT_EQ(settings.matchCount, 0u);
}

TEST_F(ReportFileTest, TheAliasStepHasItsOwnOutcome) {
    std::wstring path = tree.file(L"app.exe", "");
    g_aliasResult = SECTION_FAULT;
    FileOutcomes outcomes;
    ASSERT_EQ(ReportFileWith(path.c_str(), 0, settings, ReportSteps{rows, FakeAlias}, &outcomes), 0);
    EXPECT_EQ(outcomes.execAlias, SectionOutcome::Fault);
    EXPECT_EQ(settings.sectionFaults, 1u);
}
