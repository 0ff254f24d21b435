// Plugin information, start-up (GDI+, the load message, console set-up), shutdown, usage and
// help, in process against the stand-in host and end to end through plughost.exe.
#include "plugin/Lifecycle.h"

#include "command/HelpTexts.h"
#include "output/LineOutput.h"
#include "output/ScriptedConsole.h"
#include "plugin/PluginInfo.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::RunPlughost;
using testing_support::ScriptedConsole;
using testing_support::TestOutput;

namespace {

const std::wstring LoadMessage = L"Scrutel v1.0.16 loaded.\r\n";
const std::wstring SyntaxLine = L"SCRUTEL /A: /C: /D /L: /N: /O: /P /S /T: /V: file...";

// Puts the shell flags and the variable noloadmsg back as they were.
class ShellGuard {
  public:
    ShellGuard() {
        wchar_t buffer[1024];
        DWORD n = GetEnvironmentVariableW(L"noloadmsg", buffer, 1024);
        hadNoLoadMsg_ = n > 0 && n < 1024;
        if (hadNoLoadMsg_) noLoadMsg_.assign(buffer, n);
        SetEnvironmentVariableW(L"noloadmsg", nullptr);
        HostSetShellFlags(0, 0);
    }
    ~ShellGuard() {
        HostSetShellFlags(0, 0);
        SetEnvironmentVariableW(L"noloadmsg", hadNoLoadMsg_ ? noLoadMsg_.c_str() : nullptr);
    }
    ShellGuard(const ShellGuard&) = delete;
    ShellGuard& operator=(const ShellGuard&) = delete;

  private:
    std::wstring noLoadMsg_;
    bool hadNoLoadMsg_ = false;
};

// ---- Plugin information

TEST(GetPluginInfo, FillsTheNineFields) {
    PluginInfo* info = GetPluginInfo(nullptr);
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->pluginName, L"Scrutel");
    EXPECT_STREQ(info->author, L"Scrutel developers");
    EXPECT_STREQ(info->email, L"developers@scrutel.example");
    EXPECT_STREQ(info->webPage, L"https://scrutel.example/");
    EXPECT_STREQ(info->description, L"Adds a SCRUTEL command.");
    EXPECT_STREQ(info->implementedNames, L"scrutel");
    EXPECT_EQ(info->majorVersion, 1);
    EXPECT_EQ(info->minorVersion, 0);
    EXPECT_EQ(info->build, 16);
}

TEST(GetPluginInfo, SameRecordOnEveryCallAndRefilled) {
    PluginInfo* first = GetPluginInfo(nullptr);
    first->build = 99;
    first->pluginName = L"changed";
    PluginInfo* second = GetPluginInfo(nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(second->build, 16);
    EXPECT_STREQ(second->pluginName, L"Scrutel");
}

// ---- Start-up and shutdown in process

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Output().colours.conOut = nullptr;
        Output().colours.vtTerminal = false;
    }
    void TearDown() override { ShutdownPlugin(FALSE); }

    TestOutput output;
    ShellGuard shell;
    ScriptedConsole console;
};

struct LoadCase {
    const char* label;
    int transient;
    int pipe;
    const wchar_t* noLoadMsg; // null: unset
    bool message;
};

class LoadMessageTest : public StartupTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadMessageTest, OnlyInAnInteractiveShellWithoutNoLoadMsg) {
    const LoadCase& c = GetParam();
    HostSetShellFlags(c.transient, c.pipe);
    SetEnvironmentVariableW(L"noloadmsg", c.noLoadMsg);
    std::wstring out, err;
    {
        Capture capture;
        ASSERT_EQ(InitializePlugin(), 0);
        out = capture.out();
        err = capture.err();
    }
    EXPECT_EQ(out, c.message ? LoadMessage : L"");
    EXPECT_EQ(err, L"");
    EXPECT_TRUE(GraphicsRunning());
}

INSTANTIATE_TEST_SUITE_P(
    Shells, LoadMessageTest,
    ::testing::Values(LoadCase{"interactive", 0, 0, nullptr, true},
                      LoadCase{"transient", 1, 0, nullptr, false}, LoadCase{"pipe", 0, 1, nullptr, false},
                      LoadCase{"transient_pipe", 1, 1, nullptr, false},
                      LoadCase{"noloadmsg_set", 0, 0, L"1", false},
                      LoadCase{"noloadmsg_any_text", 0, 0, L"quiet please", false},
                      LoadCase{"noloadmsg_empty", 0, 0, L"", true},
                      LoadCase{"noloadmsg_longer_than_a_line", 0, 0,
                               L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
                               L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx",
                               false}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.label); });

TEST_F(StartupTest, LongNoLoadMsgValueDoesNotOverrunTheExpansionBuffer) {
    std::wstring longValue(6000, L'n');
    SetEnvironmentVariableW(L"noloadmsg", longValue.c_str());
    Capture capture;
    ASSERT_EQ(InitializePlugin(), 0);
    EXPECT_EQ(capture.out(), L"");
}

TEST_F(StartupTest, StartOpensTheOutputDeviceAndShutdownClosesIt) {
    HostSetShellFlags(1, 0);
    ASSERT_EQ(InitializePlugin(), 0);
    EXPECT_EQ(Output().colours.conOut, ScriptedConsole::DeviceHandle());
    EXPECT_EQ(console.Count(ScriptedConsole::Event::Open), 1u);
    Output().paging.interrupted = 1;
    EXPECT_EQ(ShutdownPlugin(FALSE), 0);
    EXPECT_EQ(Output().colours.conOut, nullptr);
    EXPECT_EQ(Output().paging.interrupted, 0);
    EXPECT_FALSE(GraphicsRunning());
    EXPECT_EQ(console.Count(ScriptedConsole::Event::Close), 1u);
}

TEST_F(StartupTest, ShutdownRemovesAnInstalledControlHandler) {
    HostSetShellFlags(1, 0);
    ASSERT_EQ(InitializePlugin(), 0);
    InstallCtrlHandler();
    ASSERT_TRUE(CtrlHandlerInstalled());
    ShutdownPlugin(FALSE);
    EXPECT_FALSE(CtrlHandlerInstalled());
}

TEST_F(StartupTest, ShutdownTwiceIsHarmless) {
    HostSetShellFlags(1, 0);
    ASSERT_EQ(InitializePlugin(), 0);
    EXPECT_EQ(ShutdownPlugin(FALSE), 0);
    EXPECT_EQ(ShutdownPlugin(TRUE), 0);
    EXPECT_EQ(console.Count(ScriptedConsole::Event::Close), 1u);
}

int FailingGraphics(ULONG_PTR* token) {
    *token = 0;
    return 7;
}

struct FailureCase {
    const char* label;
    int transient;
    int pipe;
    const wchar_t* err;
};

class GraphicsFailureTest : public StartupTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(GraphicsFailureTest, RefusesToLoad) {
    const FailureCase& c = GetParam();
    HostSetShellFlags(c.transient, c.pipe);
    Capture capture;
    EXPECT_EQ(StartPlugin(FailingGraphics), -1);
    EXPECT_EQ(capture.err(), c.err);
    EXPECT_EQ(capture.out(), L"");
    EXPECT_FALSE(GraphicsRunning());
    EXPECT_EQ(console.Count(ScriptedConsole::Event::Open), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Shells, GraphicsFailureTest,
    ::testing::Values(
        FailureCase{"interactive", 0, 0,
                    L"Scrutel plugin: Error 7 initializing GDI+ \u2014 Scrutel plugin not loaded.\r\n"},
        FailureCase{"transient", 1, 0, L""}, FailureCase{"pipe", 0, 1, L""}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.label); });

// ---- Console set-up

TEST_F(StartupTest, OutputDeviceIsTriedAgainAfterFiftyMilliseconds) {
    console.failedOpens = 1;
    SetupConsole();
    EXPECT_EQ(Output().colours.conOut, ScriptedConsole::DeviceHandle());
    ASSERT_EQ(console.events.size(), 3u);
    EXPECT_EQ(console.events[0].kind, ScriptedConsole::Event::Open);
    EXPECT_EQ(console.events[1].kind, ScriptedConsole::Event::Sleep);
    EXPECT_EQ(console.events[1].value, 50u);
    EXPECT_EQ(console.events[2].kind, ScriptedConsole::Event::Open);
}

TEST_F(StartupTest, OutputDeviceGivenUpAfterTheSecondFailure) {
    console.failedOpens = 2;
    SetupConsole();
    EXPECT_EQ(Output().colours.conOut, nullptr);
    EXPECT_EQ(console.Count(ScriptedConsole::Event::Open), 2u);
    EXPECT_EQ(console.Count(ScriptedConsole::Event::SetMode), 0u);
}

TEST_F(StartupTest, ClassicConsoleModeIsNotChanged) {
    if (GetConsoleWindow() != nullptr)
        GTEST_SKIP() << "this run has a console window, which may belong to a terminal";
    SetupConsole();
    EXPECT_FALSE(Output().colours.vtTerminal);
    EXPECT_EQ(console.Count(ScriptedConsole::Event::SetMode), 0u);
}

// ---- Transient shells

struct TransientCase {
    const char* label;
    int transient;
    int pipe;
    bool expected;
};

class TransientShellTest : public ::testing::TestWithParam<TransientCase> {};

TEST_P(TransientShellTest, TrueUnlessBothFlagsAreZero) {
    const TransientCase& c = GetParam();
    ShellGuard shell;
    HostSetShellFlags(c.transient, c.pipe);
    EXPECT_EQ(IsTransientShell(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, TransientShellTest,
    ::testing::Values(TransientCase{"interactive", 0, 0, false}, TransientCase{"transient", 1, 0, true},
                      TransientCase{"pipe", 0, 1, true}, TransientCase{"both", 1, 1, true}),
    [](const ::testing::TestParamInfo<TransientCase>& info) { return std::string(info.param.label); });

// ---- Usage

std::wstring ExpectedUsage() {
    std::wstring help = HelpText;
    size_t k = help.find(L'\n');
    while (k < help.size() && help[k] == L'\n')
        ++k;
    return help.substr(k);
}

struct UsageCase {
    const char* label;
    const wchar_t* name;
    int expected;
};

class UsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageTest, AnswersOnlyForTheCommand) {
    const UsageCase& c = GetParam();
    std::vector<wchar_t> output(1024, L'#');
    output[1023] = 0;
    EXPECT_EQ(Usage(c.name, output.data()), c.expected);
    if (c.expected) {
        std::wstring text = output.data();
        EXPECT_EQ(text, ExpectedUsage());
        EXPECT_EQ(text.rfind(SyntaxLine + L"\r\n\n\t/A:\tattributes\n", 0), 0u);
    } else {
        EXPECT_EQ(output[0], L'#') << "the output is left alone";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, UsageTest,
    ::testing::Values(UsageCase{"lower", L"scrutel", 1}, UsageCase{"upper", L"SCRUTEL", 1},
                      UsageCase{"mixed", L"ScRuTeL", 1}, UsageCase{"rptarget", L"@RPTARGET", 0},
                      UsageCase{"rptarget_lower", L"@rptarget", 0}, UsageCase{"fhver", L"_FHVER", 0},
                      UsageCase{"clver", L"_CLVER", 0}, UsageCase{"at_scrutel", L"@scrutel", 0},
                      UsageCase{"underscore_scrutel", L"_scrutel", 0}, UsageCase{"other_command", L"dir", 0},
                      UsageCase{"longer", L"scrutels", 0}, UsageCase{"shorter", L"scrute", 0},
                      UsageCase{"empty", L"", 0}),
    [](const ::testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.label); });

TEST(Usage, NullArgumentsGiveZero) {
    wchar_t output[1024] = L"#";
    EXPECT_EQ(Usage(nullptr, output), 0);
    EXPECT_EQ(Usage(L"scrutel", nullptr), 0);
    EXPECT_STREQ(output, L"#");
}

// ---- Help

struct BoxCall {
    HWND owner;
    std::wstring text;
    std::wstring title;
    UINT flags;
};
std::vector<BoxCall> g_boxes;

int RecordBox(HWND owner, const wchar_t* text, const wchar_t* title, UINT flags) {
    g_boxes.push_back({owner, text, title, flags});
    return IDOK;
}

struct HelpCase {
    const char* label;
    const wchar_t* name;
    int expected;
};

class HelpTest : public ::testing::TestWithParam<HelpCase> {};

TEST_P(HelpTest, ShowsTheWholeHelpTextForTheCommand) {
    const HelpCase& c = GetParam();
    g_boxes.clear();
    EXPECT_EQ(ShowHelp(c.name, RecordBox), c.expected);
    if (c.expected) {
        ASSERT_EQ(g_boxes.size(), 1u);
        EXPECT_EQ(g_boxes[0].text, HelpText);
        EXPECT_EQ(g_boxes[0].title, L"Scrutel Plugin Help");
        EXPECT_EQ(g_boxes[0].flags, static_cast<UINT>(MB_OK));
        EXPECT_EQ(g_boxes[0].owner, GetForegroundWindow());
    } else {
        EXPECT_TRUE(g_boxes.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, HelpTest,
    ::testing::Values(HelpCase{"lower", L"scrutel", 1}, HelpCase{"upper", L"SCRUTEL", 1},
                      HelpCase{"mixed", L"Scrutel", 1}, HelpCase{"rptarget", L"@RPTARGET", 0},
                      HelpCase{"fhver", L"_FHVER", 0}, HelpCase{"clver", L"_CLVER", 0},
                      HelpCase{"other", L"copy", 0}, HelpCase{"empty", L"", 0}, HelpCase{"null", nullptr, 0}),
    [](const ::testing::TestParamInfo<HelpCase>& info) { return std::string(info.param.label); });

TEST(HelpExport, OtherNamesReturnZeroWithoutAWindow) {
    // Only names that open no window are given to the export itself.
    EXPECT_EQ(Help(L"@RPTARGET", nullptr), 0);
    EXPECT_EQ(Help(L"_FHVER", nullptr), 0);
    EXPECT_EQ(Help(L"_clver", nullptr), 0);
    EXPECT_EQ(Help(L"dir", nullptr), 0);
    EXPECT_EQ(Help(nullptr, nullptr), 0);
}

// ---- End to end through plughost.exe

struct HostRunCase {
    const char* label;
    const wchar_t* options;
    std::vector<std::wstring> env;
    bool message;
};

class PlughostLoadTest : public ::testing::TestWithParam<HostRunCase> {};

TEST_P(PlughostLoadTest, LoadMessageComesFromThePlugin) {
    const HostRunCase& c = GetParam();
    std::wstring dll = L"\"" + testing_support::BuildDir() + L"\\scrutel.dll\"";
    auto run = RunPlughost(std::wstring(c.options) + dll, L"", c.env);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, c.message ? testing_support::ToUtf8(LoadMessage) : std::string());
    EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(Shells, PlughostLoadTest,
                         ::testing::Values(HostRunCase{"interactive", L"", {L"noloadmsg="}, true},
                                           HostRunCase{"transient", L"--transient ", {}, false},
                                           HostRunCase{"pipe", L"--pipe ", {}, false},
                                           HostRunCase{"noloadmsg", L"", {L"noloadmsg=1"}, false}),
                         [](const ::testing::TestParamInfo<HostRunCase>& info) {
                             return std::string(info.param.label);
                         });

} // namespace
