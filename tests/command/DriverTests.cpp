// The command driver: help texts byte for byte, argument dispatch and its messages, the settings
// handed to the walker, the walk over the specifications, results and the closing count.
#include "command/CommandDriver.h"

#include "command/CommandTestSupport.h"
#include "command/HelpTexts.h"
#include "output/LineOutput.h"
#include "output/ScriptedConsole.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <set>
#include <string>
#include <vector>

using namespace scrutel;
using command_tests::CommandRun;
using command_tests::Handled;
using command_tests::RecordingHandler;
using command_tests::RunDriver;
using command_tests::RunScrutel;
using testing_support::TempTree;

namespace {

const std::wstring Prefix = L"Scrutel plugin: ";

// The help texts as the command prints them.
const std::wstring UsageText =
    L"Display information about files.\n\nSCRUTEL /A: /C: /D /L: /N: /O: /P /S /T: /V: "
    L"file...\r\n\n\t/A:\tattributes\n"
    L"\t/C:\tchecksums/hashes    /C? for more info  \n\t/D\tno highlight\n"
    L"\t/L:\twrite a digest list /L? for more info\n\t/N:\tdisable features    /N? for "
    L"more info\n\t/O:\tomit features       /O? for more info\n\t/P\tpage output\n\t/S\tsearch in "
    L"subdirectories\n\t/T:\ttime display mode   /T? for more info\n"
    L"\t/V:\tcheck a digest list /V? for more info\n\nIf no filespecs are given, * is the "
    L"default.  \n";
const std::wstring NoFeaturesText =
    L"SCRUTEL /N:  \u2014 disable features\n\n\tC\tno highlight\n\tD\tdo not search into hidden "
    L"directories\n\tF\tsuppress file-not-found error\n\tJ\tdo not search into junctions\n\tZ\tdo not search "
    L"into system directories\n";
const std::wstring HashesText =
    L"SCRUTEL /C:  \u2014 checksum/hash algorithms\n\n\tCRC32\t\tCKSUM\t\tMD5\n\tSHA1\t\tSHA256\t\tSHA384\n\t"
    L"SHA512\n\nYou can specify more than one, separated by commas.\nIf no /C: is given, the default is "
    L"/C:CRC32,MD5.\n";
const std::wstring OmitText =
    L"SCRUTEL /O:  \u2014 omit features\n\n\tA\tattributes\n\tC\tchecksums\n\tD\tfile "
    L"descriptions\n\tE\ttext "
    L"file encoding\n\tF\tTTF font info\n\tH\tfile version header\n\tI\timage file info\n\tL\tlink "
    L"targets\n\tN\tNTFS streams\n\tP\tWindows properties\n\tQ\tUnicode quotes\n\tR\tfile type "
    L"info\n\tS\tdocument summary info\n\tT\ttime stamps\n\tU\tAppX execution aliases\n\tV\tversion "
    L"info\n\tX\texecutable info\n\tZ\tsizes\n";
const std::wstring TimesText =
    L"SCRUTEL /T:  \u2014 time display mode\n\n\tA\tshow last-access time\n\tC\tshow creation "
    L"time\n\tM\tshow "
    L"last-modification time\n\tD\tdefault:  localize times as TCC and CMD do\n\tL\tlocal times, taking DST "
    L"time changes into account\n\tU\tCoordinated Universal Time\n\tF\tshow fractional seconds\n\nThe "
    L"default "
    L"is to show all three stamps, localized as TCC\nand CMD do.\n";
const std::wstring VersionLines =
    L"\r\n\t\t\t\tScrutel  1.0.16.5 (x64)\r\n\t\t\t\tScrutelCmd.cpp  1.0.16.5\r\n";

// A temporary tree as the current directory, with no console and the handler's record cleared.
class DriverTest : public ::testing::Test {
  protected:
    DriverTest() : cwd_(tree_.root()) { Handled().clear(); }
    std::vector<std::wstring> HandledPaths() const {
        std::vector<std::wstring> paths;
        for (const auto& file : Handled())
            paths.push_back(file.path);
        return paths;
    }
    TempTree tree_;
    command_tests::NoConsole noConsole_;
    command_tests::CurrentDirectory cwd_;
};

// ---- help texts

TEST(HelpTexts, StandExactlyAsDocumented) {
    EXPECT_EQ(std::wstring(HelpText), UsageText);
    EXPECT_EQ(std::wstring(HelpTextNoFeatures), NoFeaturesText);
    EXPECT_EQ(std::wstring(HelpTextHashes), HashesText);
    EXPECT_EQ(std::wstring(HelpTextOmit), OmitText);
    EXPECT_EQ(std::wstring(HelpTextTimes), TimesText);
}

struct HelpCase {
    const char* label;
    std::wstring args;
    int result;
    std::wstring out;
};

class HelpRequests : public DriverTest, public ::testing::WithParamInterface<HelpCase> {};

TEST_P(HelpRequests, PrintTheirTextAndEnd) {
    const HelpCase& c = GetParam();
    tree_.file(L"a.txt", "x");
    CommandRun run = RunDriver(c.args, RecordingHandler);
    EXPECT_EQ(run.result, c.result) << c.label;
    EXPECT_EQ(run.out, c.out) << c.label;
    EXPECT_EQ(run.err, L"") << c.label;
    EXPECT_TRUE(Handled().empty()) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HelpRequests,
    ::testing::Values(HelpCase{"usage", L"/?", 0, UsageText},
                      HelpCase{"usage with version lines", L"/??", 0, UsageText + VersionLines},
                      HelpCase{"usage with other characters", L"/?x", 0, UsageText},
                      HelpCase{"usage after a file name", L"a.txt /?", 0, UsageText},
                      HelpCase{"no-features help", L"/N?", 0, NoFeaturesText},
                      HelpCase{"no-features help with colon", L"/n:D?", 0, NoFeaturesText},
                      HelpCase{"hash help", L"/C?", 0, HashesText},
                      HelpCase{"hash help after names", L"/C:md5?", 0, HashesText},
                      HelpCase{"omit help", L"/O?", 0, OmitText},
                      HelpCase{"omit help after letters", L"/O:TZ?", 0, OmitText},
                      HelpCase{"time help ends with 1", L"/T?", 1, TimesText},
                      HelpCase{"digest list help from /V", L"/V?", 0, HelpTextDigestLists},
                      HelpCase{"digest list help from /L", L"/l:md5?", 0, HelpTextDigestLists},
                      HelpCase{"help before a bad option", L"/? /X", 0, UsageText}));

TEST(ShowUsage, VersionLinesNameTheMainSourceFile) {
    testing_support::Capture capture;
    EXPECT_EQ(ShowUsage(1), 0);
    EXPECT_EQ(capture.out(), UsageText + VersionLines);
}

struct SourceNameCase {
    const wchar_t* path;
    const wchar_t* expected;
};

TEST(SourceFileName, TakesThePartAfterTheLastSeparator) {
    const SourceNameCase cases[] = {{L"src/command/ScrutelCmd.cpp", L"ScrutelCmd.cpp"},
                                    {L"C:\\build\\src\\command\\ScrutelCmd.cpp", L"ScrutelCmd.cpp"},
                                    {L"C:ScrutelCmd.cpp", L"ScrutelCmd.cpp"},
                                    {L"a:b/c\\ScrutelCmd.cpp", L"ScrutelCmd.cpp"},
                                    {L"ScrutelCmd.cpp", L"ScrutelCmd.cpp"}};
    for (const auto& c : cases)
        EXPECT_EQ(SourceFileName(c.path), c.expected) << std::wstring(c.path).size();
}

// ---- argument errors

struct ErrorCase {
    const char* label;
    std::wstring args;
    std::wstring err;
};

class ArgumentErrors : public DriverTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ArgumentErrors, PrintTheirMessageAndEndWith1) {
    const ErrorCase& c = GetParam();
    tree_.file(L"a.txt", "x");
    CommandRun run = RunScrutel(c.args);
    EXPECT_EQ(run.result, 1) << c.label;
    EXPECT_EQ(run.err, c.err) << c.label;
    EXPECT_EQ(run.out, L"") << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ArgumentErrors,
    ::testing::Values(
        ErrorCase{"unknown option has no prefix", L"a.txt /X", L"Unknown option: \"/X\"\r\n"},
        ErrorCase{"unknown option upper-cased", L"/xyz", L"Unknown option: \"/XYZ\"\r\n"},
        ErrorCase{"bad option before help", L"/X /?", L"Unknown option: \"/X\"\r\n"},
        ErrorCase{"/D with more letters", L"/dx", L"Unknown option: \"/DX\"\r\n"},
        ErrorCase{"/I alone", L"/i", L"Unknown option: \"/I\"\r\n"},
        ErrorCase{"/!I alone", L"/!i", L"Unknown option: \"/!I\"\r\n"},
        ErrorCase{"/! with another letter", L"/!x", L"Unknown option: \"/!X\"\r\n"},
        ErrorCase{"missing hash scheme", L"/C:", Prefix + L"Missing hash scheme: \"/C:\"\r\n"},
        ErrorCase{"unknown hash scheme", L"/C:md5,foo", Prefix + L"Unknown hash scheme: \"/C:FOO\"\r\n"},
        ErrorCase{"unknown omit letter", L"/O:b", Prefix + L"Unknown suboption: /O:B\r\n"},
        ErrorCase{"unknown time letter", L"/T:cq", Prefix + L"Unknown time mode: /T:CQ\r\n"},
        ErrorCase{"bad width", L"/W:12abc", Prefix + L"Bad MaxWidth value: \"/W:12ABC\"\r\n"},
        ErrorCase{"width out of range", L"/W:63", Prefix + L"MaxWidth must be 0 or 64 to 2048: 63\r\n"},
        ErrorCase{"width too large", L"/W:2049", Prefix + L"MaxWidth must be 0 or 64 to 2048: 2049\r\n"},
        ErrorCase{"bad attributes", L"/A:x", Prefix + L"Bad attributes: \"/A:X\"\r\n"},
        ErrorCase{"directory attribute", L"/A:d", Prefix + L"Directories not allowed: \"/A:D\"\r\n"},
        ErrorCase{"unknown suboption", L"/N:q", Prefix + L"Unknown suboption: /N:Q\r\n"},
        ErrorCase{"subdirectory syntax", L"/S:x", Prefix + L"Syntax error: \"/S:X\"\r\n"},
        ErrorCase{"minimum depth", L"/s:1+2x", Prefix + L"Bad MinDepth value: \"/S:1+2X\"\r\n"},
        ErrorCase{"pause lines", L"/P:,1001", Prefix + L"Pause lines must be 0 - 1000: 1001\r\n"},
        ErrorCase{"pause syntax", L"/p:5s", Prefix + L"Syntax error: \"/P:5S\"\r\n"},
        ErrorCase{"digest list missing", L"/V:", Prefix + L"Missing digest list: \"/V:\"\r\n"},
        ErrorCase{"two digest list kinds", L"/L:md5,sha1",
                  Prefix + L"Bad digest list kind: \"/L:MD5,SHA1\"\r\n"},
        ErrorCase{"no list of hexadecimal cksum", L"/l:cksumx",
                  Prefix + L"Bad digest list kind: \"/L:CKSUMX\"\r\n"},
        ErrorCase{"check with file names", L"/V:sums.txt a.txt", Prefix + L"/V: takes no file names\r\n"},
        ErrorCase{"check and list output", L"/L /V:sums.txt", Prefix + L"/V: and /L: cannot be combined\r\n"},
        ErrorCase{"first error ends the command", L"/W:1 /C:",
                  Prefix + L"MaxWidth must be 0 or 64 to 2048: 1\r\n"},
        ErrorCase{"switches written together", L"/S/Q", L"Unknown option: \"/Q\"\r\n"},
        ErrorCase{"argument text too long", std::wstring(8200, L'a'),
                  Prefix + L"Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n"}));

TEST_F(DriverTest, MessagesInsideABatchFileNameTheFileAndLine) {
    command_tests::BatchReset reset;
    HostSetBatch(L"C:\\jobs\\nightly.btm", 12);
    CommandRun run = RunScrutel(L"/c:");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.err, L"Scrutel plugin: C:\\jobs\\nightly.btm [12]  Missing hash scheme: \"/C:\"\r\n");
    EXPECT_EQ(run.out, L"");
    // "Unknown option" carries no prefix, not even inside a batch file.
    run = RunScrutel(L"/q");
    EXPECT_EQ(run.err, L"Unknown option: \"/Q\"\r\n");
}

TEST_F(DriverTest, ArgumentErrorsWalkNothing) {
    tree_.file(L"a.txt", "x");
    CommandRun run = RunDriver(L"a.txt /S /W:5", RecordingHandler);
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(Handled().empty());
}

TEST(Driver, MissingArgumentTextIs87) {
    EXPECT_EQ(CallScrutelExport(nullptr), 87);
    EXPECT_EQ(RunCommand(nullptr, RecordingHandler), 87);
}

// ---- settings handed to the walker

struct SettingsCase {
    const char* label;
    std::wstring args;
    uint32_t hashMask;
    uint32_t timeFlags;
    int32_t zone;
    uint32_t maxWidth;
    uint32_t omitMask;
};

class SettingsFromSwitches : public DriverTest, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(SettingsFromSwitches, ReachTheHandler) {
    const SettingsCase& c = GetParam();
    command_tests::EnvironmentVariable types(L"TextFileTypes", nullptr);
    tree_.file(L"a.txt", "x");
    CommandRun run = RunDriver(c.args + L" a.txt", RecordingHandler);
    EXPECT_EQ(run.result, 0) << c.label;
    ASSERT_EQ(Handled().size(), 1u) << c.label;
    const auto& file = Handled()[0];
    EXPECT_EQ(file.settings.hashMask, c.hashMask) << c.label;
    EXPECT_EQ(file.settings.timeFlags, c.timeFlags) << c.label;
    EXPECT_EQ(file.settings.timeZoneMode, c.zone) << c.label;
    EXPECT_EQ(file.settings.maxWidth, c.maxWidth) << c.label;
    EXPECT_EQ(file.omitMask, c.omitMask) << c.label;
    EXPECT_EQ(file.settings.matchCount, 0u) << c.label;
    EXPECT_EQ(file.textFileTypes, BuiltInTextFileTypes) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsFromSwitches,
    ::testing::Values(SettingsCase{"defaults", L"", 0x11, 0x7, 0, 100, 0},
                      SettingsCase{"hash names", L"/C:md5,SHA-256", 0x50, 0x7, 0, 100, 0},
                      SettingsCase{"hash lists add up", L"/C:cksumx /C:sha1", 0x24, 0x7, 0, 100, 0},
                      SettingsCase{"hash list naming nothing", L"/C:,", 0x11, 0x7, 0, 100, 0},
                      SettingsCase{"creation time only", L"/T:C", 0x11, 0x1, 0, 100, 0},
                      SettingsCase{"fractions keep all three stamps", L"/T:F", 0x11, 0x1007, 0, 100, 0},
                      SettingsCase{"UTC", L"/T:U", 0x11, 0x7, 2, 100, 0},
                      SettingsCase{"no shortening", L"/W", 0x11, 0x7, 0, 0, 0},
                      SettingsCase{"width", L"/W:0x40", 0x11, 0x7, 0, 64, 0},
                      SettingsCase{"omit letters", L"/O:TZ", 0x11, 0x7, 0, 100, 0x6},
                      SettingsCase{"switches written together", L"/O:T/C:sha512/T:A", 0x100, 0x4, 0, 100,
                                   0x4}));

TEST_F(DriverTest, TextFileTypesComeFromTheEnvironment) {
    command_tests::EnvironmentVariable types(L"TextFileTypes", L".abc|.def");
    tree_.file(L"a.txt", "x");
    ASSERT_EQ(RunDriver(L"a.txt", RecordingHandler).result, 0);
    ASSERT_EQ(Handled().size(), 1u);
    EXPECT_EQ(Handled()[0].textFileTypes, L".abc|.def");
}

TEST_F(DriverTest, EmptyTextFileTypesUseTheBuiltInList) {
    command_tests::EnvironmentVariable types(L"TextFileTypes", L"");
    tree_.file(L"a.txt", "x");
    ASSERT_EQ(RunDriver(L"a.txt", RecordingHandler).result, 0);
    ASSERT_EQ(Handled().size(), 1u);
    EXPECT_EQ(Handled()[0].textFileTypes, BuiltInTextFileTypes);
}

// ---- the walk

TEST_F(DriverTest, NoSpecificationWalksTheCurrentDirectory) {
    tree_.file(L"a.txt", "x");
    tree_.file(L"b.log", "y");
    tree_.file(L"sub\\c.txt", "z");
    CommandRun run = RunDriver(L"", RecordingHandler);
    EXPECT_EQ(run.result, 0);
    std::vector<std::wstring> handled = HandledPaths();
    std::set<std::wstring> paths(handled.begin(), handled.end());
    EXPECT_EQ(paths, (std::set<std::wstring>{tree_.path(L"a.txt"), tree_.path(L"b.log")}));
    EXPECT_EQ(run.out, L"2 matching files found.\r\n");
    EXPECT_EQ(run.err, L"");
}

TEST_F(DriverTest, OneFileGivesTheSingularSummary) {
    tree_.file(L"a.txt", "x");
    CommandRun run = RunDriver(L"a.txt", RecordingHandler);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(HandledPaths(), std::vector<std::wstring>{tree_.path(L"a.txt")});
    EXPECT_EQ(run.out, L"1 matching file found.\r\n");
}

TEST_F(DriverTest, NoSummaryWithOmitK) {
    tree_.file(L"a.txt", "x");
    CommandRun run = RunDriver(L"/O:K a.txt", RecordingHandler);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(Handled().size(), 1u);
    EXPECT_EQ(run.out, L"");
}

TEST_F(DriverTest, NothingSelectedIsResult2WithoutSummary) {
    tree_.file(L"a.txt", "x");
    CommandRun run = RunDriver(L"*.xyz", RecordingHandler);
    EXPECT_EQ(run.result, 2);
    EXPECT_EQ(run.out, L"");
    EXPECT_EQ(run.err, Prefix + L"No matching files: \"" + tree_.path(L"*.xyz") + L"\"\r\n");
}

TEST_F(DriverTest, QuietNotFoundStillEndsWith2) {
    CommandRun run = RunDriver(L"/N:F *.xyz", RecordingHandler);
    EXPECT_EQ(run.result, 2);
    EXPECT_EQ(run.err, L"");
}

TEST_F(DriverTest, OneFailedSpecificationDoesNotStopTheOthers) {
    tree_.file(L"a.txt", "x");
    CommandRun run = RunDriver(L"*.xyz a.txt", RecordingHandler);
    EXPECT_EQ(run.result, 2);
    EXPECT_EQ(HandledPaths(), std::vector<std::wstring>{tree_.path(L"a.txt")});
    EXPECT_EQ(run.out, L"1 matching file found.\r\n");
}

TEST_F(DriverTest, QuotedNameWithABlankIsOneSpecification) {
    tree_.file(L"My File.txt", "x");
    CommandRun run = RunDriver(L"\"My File.txt\"", RecordingHandler);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(HandledPaths(), std::vector<std::wstring>{tree_.path(L"My File.txt")});
}

TEST_F(DriverTest, DirectoryArgumentsSelectTheirFiles) {
    tree_.file(L"sub\\b.txt", "x");
    const std::wstring forms[] = {L"sub", L"sub\\", L"sub/", L"\"" + tree_.path(L"sub") + L"\""};
    for (const auto& form : forms) {
        Handled().clear();
        CommandRun run = RunDriver(form, RecordingHandler);
        EXPECT_EQ(run.result, 0) << testing_support::ToUtf8(form);
        EXPECT_EQ(HandledPaths(), std::vector<std::wstring>{tree_.path(L"sub\\b.txt")})
            << testing_support::ToUtf8(form);
    }
}

TEST_F(DriverTest, AlternativesAndRecursion) {
    tree_.file(L"a.txt", "x");
    tree_.file(L"b.log", "x");
    tree_.file(L"c.dat", "x");
    tree_.file(L"sub\\d.txt", "x");
    CommandRun run = RunDriver(L"/S *.txt;*.log", RecordingHandler);
    EXPECT_EQ(run.result, 0);
    std::vector<std::wstring> handled = HandledPaths();
    std::set<std::wstring> paths(handled.begin(), handled.end());
    EXPECT_EQ(paths, (std::set<std::wstring>{tree_.path(L"a.txt"), tree_.path(L"b.log"),
                                             tree_.path(L"sub\\d.txt")}));
    EXPECT_EQ(Handled().size(), 3u);
    EXPECT_EQ(run.out, L"3 matching files found.\r\n");
}

TEST_F(DriverTest, DepthLimitsReachTheWalker) {
    tree_.file(L"a.txt", "x");
    tree_.file(L"one\\b.txt", "x");
    tree_.file(L"one\\two\\c.txt", "x");
    EXPECT_EQ(RunDriver(L"/S:1 *.txt", RecordingHandler).result, 0);
    std::vector<std::wstring> handled = HandledPaths();
    std::set<std::wstring> paths(handled.begin(), handled.end());
    EXPECT_EQ(paths, (std::set<std::wstring>{tree_.path(L"a.txt"), tree_.path(L"one\\b.txt")}));
    Handled().clear();
    EXPECT_EQ(RunDriver(L"/S:+2 *.txt", RecordingHandler).result, 0);
    EXPECT_EQ(HandledPaths(), std::vector<std::wstring>{tree_.path(L"one\\two\\c.txt")});
}

TEST_F(DriverTest, AttributeMaskReachesTheWalker) {
    tree_.file(L"plain.txt", "x");
    std::wstring hidden = tree_.file(L"hidden.txt", "x");
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(RunDriver(L"/A:H *.txt", RecordingHandler).result, 0);
    EXPECT_EQ(HandledPaths(), std::vector<std::wstring>{hidden});
    Handled().clear();
    EXPECT_EQ(RunDriver(L"/A:-H *.txt", RecordingHandler).result, 0);
    EXPECT_EQ(HandledPaths(), std::vector<std::wstring>{tree_.path(L"plain.txt")});
}

TEST_F(DriverTest, FileNamedWithAtSignIsReportedAsItself) {
    tree_.file(L"@list.txt", "x");
    CommandRun run = RunDriver(L"@list.txt", RecordingHandler);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(HandledPaths(), std::vector<std::wstring>{tree_.path(L"@list.txt")});
}

TEST_F(DriverTest, AtSignArgumentReadsAListFile) {
    tree_.file(L"a.txt", "x");
    tree_.file(L"b.txt", "x");
    tree_.file(L"names.lst", "b.txt\r\na.txt\r\n");
    CommandRun run = RunDriver(L"@names.lst", RecordingHandler);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(HandledPaths(), (std::vector<std::wstring>{tree_.path(L"b.txt"), tree_.path(L"a.txt")}));
    EXPECT_EQ(run.out, L"2 matching files found.\r\n");
    EXPECT_EQ(run.err, L"");
}

TEST_F(DriverTest, OmitAtMakesAtSignAnOrdinaryName) {
    tree_.file(L"list.txt", "a.txt\r\n");
    CommandRun run = RunDriver(L"/O:@ @list.txt", RecordingHandler);
    EXPECT_EQ(run.result, 2);
    EXPECT_TRUE(Handled().empty());
    EXPECT_EQ(run.err, Prefix + L"No matching files: \"" + tree_.path(L"@list.txt") + L"\"\r\n");
}

// Stops the report at the file whose name holds "b".
int AbortAtB(const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    if (wcsstr(path, L"b.txt")) return ABORTED;
    return RecordingHandler(path, omitMask, settings);
}

TEST_F(DriverTest, InterruptionDuringTheSecondSpecificationEndsWith3) {
    tree_.file(L"a.txt", "x");
    tree_.file(L"b.txt", "x");
    tree_.file(L"c.txt", "x");
    CommandRun run = RunDriver(L"a.txt b.txt c.txt", AbortAtB);
    EXPECT_EQ(run.result, 3);
    EXPECT_EQ(HandledPaths(), std::vector<std::wstring>{tree_.path(L"a.txt")});
    EXPECT_EQ(run.out, L"");
}

int Throwing(const wchar_t*, uint32_t, ScanSettings&) {
    throw std::runtime_error("handler fault");
}

TEST_F(DriverTest, HandlerExceptionEndsLikeAnInterruption) {
    tree_.file(L"a.txt", "x");
    CommandRun run = RunDriver(L"a.txt", Throwing);
    EXPECT_EQ(run.result, 3);
    EXPECT_EQ(run.out, L"");
}

int FailB(const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    if (wcsstr(path, L"b.txt")) return 2;
    return RecordingHandler(path, omitMask, settings);
}

TEST_F(DriverTest, HandlerFailureGives2AndTheWalkGoesOn) {
    tree_.file(L"a.txt", "x");
    tree_.file(L"b.txt", "x");
    tree_.file(L"c.txt", "x");
    CommandRun run = RunDriver(L"b.txt a.txt c.txt", FailB);
    EXPECT_EQ(run.result, 2);
    EXPECT_EQ(HandledPaths(), (std::vector<std::wstring>{tree_.path(L"a.txt"), tree_.path(L"c.txt")}));
    EXPECT_EQ(run.out, L"2 matching files found.\r\n");
}

// The paging state the command's handler sees.
PagingState g_seenPaging;
int PagingSeen(const wchar_t* path, uint32_t omitMask, ScanSettings& settings) {
    g_seenPaging = Output().paging;
    return RecordingHandler(path, omitMask, settings);
}

TEST_F(DriverTest, PagingAndInterruptionStateIsResetForEveryCommand) {
    testing_support::TestOutput output;
    tree_.file(L"a.txt", "x");
    Output().paging.pageLength = 7;
    Output().paging.linesLeft = 3;
    Output().paging.pauseTimeoutMs = 99;
    Output().paging.interrupted = 1;
    EXPECT_EQ(RunDriver(L"a.txt", PagingSeen).result, 0);
    EXPECT_EQ(g_seenPaging.pageLength, 0u);
    EXPECT_EQ(g_seenPaging.linesLeft, 0u);
    EXPECT_EQ(g_seenPaging.pauseTimeoutMs, 0u);
    EXPECT_EQ(g_seenPaging.interrupted, 0);
    // The command's state was its own: the one before it is as it was.
    EXPECT_EQ(Output().paging.pageLength, 7u);
    EXPECT_EQ(Output().paging.interrupted, 1);
    // /P sets the time-out; without a console window there is no page.
    EXPECT_EQ(RunDriver(L"/P:5 a.txt", PagingSeen).result, 0);
    EXPECT_EQ(g_seenPaging.pauseTimeoutMs, 5000u);
    EXPECT_EQ(g_seenPaging.pageLength, 0u);
    EXPECT_FALSE(CtrlHandlerInstalled());
}

TEST_F(DriverTest, ExportedEntryReportsThroughTheFileReport) {
    tree_.file(L"a.txt", "x");
    CommandRun run = RunScrutel(L"/O:HZTACDVSIPXELUQRNF a.txt");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out.rfind(L"1 matching file found.\r\n"), run.out.size() - 24);
    EXPECT_NE(run.out.find(tree_.path(L"a.txt")), std::wstring::npos);
}

// ---- bad input

std::wstring RandomArgumentText(std::mt19937& random) {
    static const std::wstring pool =
        L"abcxyzSPANCOTWDI0123456789 \t\"\"//\\[[]]!!::;;,,==++--**??@~.|%\x01\x07\x1b"
        L"\u00e9\u2014\U0001F600";
    std::uniform_int_distribution<int> lengthPick(0, 40);
    std::uniform_int_distribution<size_t> charPick(0, pool.size() - 1);
    std::uniform_int_distribution<int> runPick(0, 19);
    std::wstring text;
    int pieces = lengthPick(random);
    for (int k = 0; k < pieces; ++k) {
        wchar_t c = pool[charPick(random)];
        // Now and then a very long run of one character.
        size_t count = runPick(random) == 0 ? std::uniform_int_distribution<size_t>(100, 9000)(random) : 1;
        text.append(count, c);
    }
    return text;
}

// Counts files but stops the walk after a few, so that a random text naming a large tree
// cannot make the test slow.
int BoundedHandler(const wchar_t*, uint32_t, ScanSettings& settings) {
    ++settings.matchCount;
    return settings.matchCount >= 20 ? ABORTED : 0;
}

TEST_F(DriverTest, RandomArgumentTextsNeverCrashAndGiveKnownResults) {
    tree_.file(L"a.txt", "x");
    tree_.file(L"sub\\b.txt", "x");
    std::mt19937 random(20261208u); // fixed generator state: the same texts every run
    for (int iteration = 0; iteration < 400; ++iteration) {
        std::wstring text = RandomArgumentText(random);
        CommandRun run = RunDriver(text, BoundedHandler);
        EXPECT_TRUE(run.result == 0 || run.result == 1 || run.result == 2 || run.result == 3)
            << "iteration " << iteration << " result " << run.result;
    }
}

TEST_F(DriverTest, RandomTextsThroughTheExportedEntry) {
    tree_.file(L"a.txt", "x");
    std::mt19937 random(7u);
    static const std::wstring pool = L"aSPNCOTW19 \"/[]!:;,=+-*?@";
    std::uniform_int_distribution<size_t> pick(0, pool.size() - 1);
    for (int iteration = 0; iteration < 150; ++iteration) {
        std::wstring text;
        for (int k = std::uniform_int_distribution<int>(0, 30)(random); k > 0; --k)
            text += pool[pick(random)];
        CommandRun run = RunScrutel(text);
        EXPECT_TRUE(run.result >= 0 && run.result <= 3)
            << "iteration " << iteration << " result " << run.result;
    }
}

} // namespace
