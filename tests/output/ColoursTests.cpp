// Highlight colour decisions (every edge case of the colour text and the console's colours), the
// colour set-up against the scripted console and the host, the registry places in their order of
// precedence (written into Wine's registry and removed again), and terminal recognition.
#include "output/Colours.h"

#include "output/LineOutput.h"
#include "output/ScriptedConsole.h"
#include "output/ErrorReport.h"
#include "gateway/HostExports.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scrutel;
using testing_support::ScriptedConsole;
using testing_support::TestOutput;

namespace {

// ---- ChooseHighlight with the colour-text forms that need no host parser

struct ChoiceCase {
    const char* label;
    unsigned normal;
    const wchar_t* configured;
    int expected; // -1: no colour
};

class ChooseHighlightTest : public ::testing::TestWithParam<ChoiceCase> {};

int g_parserCalls = 0;
void CountingParser(const wchar_t*, int* f, int* b) {
    ++g_parserCalls;
    *f = -1;
    *b = -1;
}

TEST_P(ChooseHighlightTest, GivesTheHeadingAttribute) {
    const ChoiceCase& c = GetParam();
    g_parserCalls = 0;
    EXPECT_EQ(ChooseHighlight(c.normal, c.configured, CountingParser), c.expected);
    EXPECT_EQ(g_parserCalls, 0) << "inv, 0x and defaults never reach the host's parser";
}

INSTANTIATE_TEST_SUITE_P(Table, ChooseHighlightTest,
                         ::testing::Values(
                             // Nothing configured.
                             ChoiceCase{"default_grey_on_black_brightens", 0x07, nullptr, 0x0F},
                             ChoiceCase{"default_empty_text_is_nothing", 0x07, L"", 0x0F},
                             ChoiceCase{"default_grey_on_blue_brightens", 0x17, nullptr, 0x1F},
                             ChoiceCase{"default_bright_white_on_blue_second_choice", 0x1F, nullptr, 0x1B},
                             ChoiceCase{"default_bright_white_on_black_second_choice", 0x0F, nullptr, 0x0E},
                             ChoiceCase{"default_bright_green_first_choice", 0x0A, nullptr, 0x0F},
                             ChoiceCase{"default_black_foreground_uses_contrast", 0x70, nullptr, 0x79},
                             ChoiceCase{"default_bright_background_uses_contrast", 0x87, nullptr, 0x8F},
                             ChoiceCase{"default_yellow_background", 0xE0, nullptr, 0xEC},
                             ChoiceCase{"only_low_byte_of_normal_counts", 0x8007, nullptr, 0x0F},
                             // Foreground equal to background: never colour.
                             ChoiceCase{"normal_black_on_black", 0x00, nullptr, -1},
                             ChoiceCase{"normal_grey_on_grey", 0x77, L"0x1E", -1},
                             // Inverse video.
                             ChoiceCase{"inv_grey_on_black", 0x07, L"inv", 0x70},
                             ChoiceCase{"inv_any_case_and_suffix", 0x07, L"INVerse", 0x70},
                             ChoiceCase{"inv_clears_the_intensity_of_the_new_background", 0x1E, L"Inv", 0x61},
                             ChoiceCase{"inv_bright_white_on_black", 0x0F, L"inv", 0x70},
                             // Hexadecimal attributes.
                             ChoiceCase{"hex_yellow_on_blue", 0x07, L"0x1E", 0x1E},
                             ChoiceCase{"hex_upper_prefix_and_digits", 0x07, L"0X1e", 0x1E},
                             ChoiceCase{"hex_leading_zeros", 0x07, L"0x00F", 0x0F},
                             ChoiceCase{"hex_equal_to_normal", 0x07, L"0x07", -1},
                             ChoiceCase{"hex_one_digit_equal_to_normal", 0x07, L"0x7", -1},
                             ChoiceCase{"hex_not_hex_digits", 0x07, L"0xZZ", -1},
                             ChoiceCase{"hex_trailing_garbage", 0x07, L"0x1G", -1},
                             ChoiceCase{"hex_nothing_after_prefix", 0x07, L"0x", -1},
                             ChoiceCase{"hex_blank_before_digits", 0x07, L"0x 1E", -1},
                             ChoiceCase{"hex_sign", 0x07, L"0x-1", -1},
                             ChoiceCase{"hex_second_prefix", 0x07, L"0x0x1E", -1},
                             ChoiceCase{"hex_foreground_equals_background", 0x07, L"0x66", -1},
                             ChoiceCase{"hex_black_on_black_foreground_zero", 0x07, L"0x00", -1},
                             ChoiceCase{"hex_more_than_a_byte", 0x07, L"0x1FF", -1},
                             ChoiceCase{"hex_same_foreground_other_background", 0x07, L"0x17", 0x17},
                             ChoiceCase{"hex_bright_white_on_bright_white_background", 0x07, L"0xF0", 0xF0}),
                         [](const ::testing::TestParamInfo<ChoiceCase>& info) {
                             return std::string(info.param.label);
                         });

// ---- ChooseHighlight with colour descriptions, through a parser that returns fixed numbers

struct ParsedCase {
    const char* label;
    unsigned normal;
    int f, b; // what the parser returns
    int expected;
};

int g_parsedF = -1, g_parsedB = -1;
std::wstring g_parsedText;
void FixedParser(const wchar_t* text, int* f, int* b) {
    g_parsedText = text;
    *f = g_parsedF;
    *b = g_parsedB;
}

class ParsedColourTest : public ::testing::TestWithParam<ParsedCase> {};

TEST_P(ParsedColourTest, DecidesFromTheParsedPair) {
    const ParsedCase& c = GetParam();
    g_parsedF = c.f;
    g_parsedB = c.b;
    g_parsedText.clear();
    EXPECT_EQ(ChooseHighlight(c.normal, L"bright red on blue", FixedParser), c.expected);
    EXPECT_EQ(g_parsedText, L"bright red on blue");
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParsedColourTest,
    ::testing::Values(ParsedCase{"pair", 0x07, 14, 1, 0x1E},
                      ParsedCase{"foreground_only_on_normal_background", 0x07, 12, -1, 0x0C},
                      ParsedCase{"foreground_only_equal_to_normal_foreground", 0x07, 7, -1, -1},
                      ParsedCase{"foreground_only_equal_to_normal_background", 0x07, 0, -1, -1},
                      ParsedCase{"default_background_with_foreground", 0x17, 12, 64, 0x1C},
                      ParsedCase{"default_background_without_foreground", 0x07, -1, 64, -1},
                      ParsedCase{"default_background_keeps_normal_foreground_out", 0x07, 7, 64, -1},
                      ParsedCase{"nothing_understood", 0x07, -1, -1, -1},
                      ParsedCase{"background_only", 0x07, -1, 1, -1},
                      ParsedCase{"the_normal_pair", 0x07, 7, 0, -1},
                      ParsedCase{"foreground_equals_background", 0x07, 3, 3, -1},
                      ParsedCase{"normal_pair_swapped_is_fine", 0x07, 0, 7, 0x70},
                      ParsedCase{"foreground_out_of_range", 0x07, 20, 1, -1},
                      ParsedCase{"background_out_of_range", 0x07, 14, 17, -1},
                      ParsedCase{"foreground_out_of_range_with_default_background", 0x07, 16, 64, -1},
                      ParsedCase{"negative_background_other_than_minus_one", 0x07, 14, -2, -1}),
    [](const ::testing::TestParamInfo<ParsedCase>& info) { return std::string(info.param.label); });

TEST(ChooseHighlightHostParser, ColourWordsGoThroughTheHost) {
    // The stand-in host reads "[bright] colour [on [bright] colour]".
    EXPECT_EQ(ChooseHighlight(0x07, L"bright yellow on blue",
                              [](const wchar_t* t, int* f, int* b) { ParseColors(t, f, b); }),
              0x1E);
    EXPECT_EQ(ChooseHighlight(0x07, L"no such colour",
                              [](const wchar_t* t, int* f, int* b) { ParseColors(t, f, b); }),
              -1);
}

// ---- Registry places

// Writes REG_SZ or REG_DWORD values for a test and removes them (and the keys it created)
// afterwards; a value that existed before is put back.
class RegistryScratch {
  public:
    ~RegistryScratch() {
        for (auto it = changes_.rbegin(); it != changes_.rend(); ++it) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(it->root, it->key.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                if (it->hadValue)
                    RegSetValueExW(key, L"Highlight", 0, it->oldType, it->oldData.data(),
                                   static_cast<DWORD>(it->oldData.size()));
                else
                    RegDeleteValueW(key, L"Highlight");
                RegCloseKey(key);
            }
            if (it->createdKey) RegDeleteKeyW(it->root, it->key.c_str());
        }
    }

    void SetText(HKEY root, const std::wstring& key, const std::wstring& text) {
        Set(root, key, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void SetNumber(HKEY root, const std::wstring& key, DWORD value) {
        Set(root, key, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    void Remove(HKEY root, const std::wstring& key) {
        HKEY k = nullptr;
        ASSERT_EQ(RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &k), ERROR_SUCCESS);
        RegDeleteValueW(k, L"Highlight");
        RegCloseKey(k);
    }

  private:
    struct Change {
        HKEY root;
        std::wstring key;
        bool createdKey = false;
        bool hadValue = false;
        DWORD oldType = 0;
        std::vector<BYTE> oldData;
    };

    void Set(HKEY root, const std::wstring& keyName, DWORD type, const BYTE* data, DWORD size) {
        Change change;
        change.root = root;
        change.key = keyName;
        HKEY key = nullptr;
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExW(root, keyName.c_str(), 0, nullptr, 0, KEY_READ | KEY_SET_VALUE, nullptr,
                                  &key, &disposition),
                  ERROR_SUCCESS);
        change.createdKey = disposition == REG_CREATED_NEW_KEY;
        DWORD oldSize = 0;
        if (RegQueryValueExW(key, L"Highlight", nullptr, &change.oldType, nullptr, &oldSize) ==
            ERROR_SUCCESS) {
            change.hadValue = true;
            change.oldData.resize(oldSize);
            RegQueryValueExW(key, L"Highlight", nullptr, &change.oldType, change.oldData.data(), &oldSize);
        }
        changes_.push_back(change);
        EXPECT_EQ(RegSetValueExW(key, L"Highlight", 0, type, data, size), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    std::vector<Change> changes_;
};

const std::wstring OwnKey = L"SOFTWARE\\VAZuvazod\\Scrutel";
const std::wstring SharedKey = L"SOFTWARE\\VAZuvazod";

std::wstring ReadRegistry() {
    wchar_t buffer[1024];
    unsigned n = RegistryHighlight(buffer);
    EXPECT_EQ(n, wcslen(buffer));
    return buffer;
}

TEST(RegistryHighlight, PluginKeyIsTheSharedKeyAndThePluginName) {
    EXPECT_STREQ(PluginRegistryKey(), OwnKey.c_str());
    EXPECT_STREQ(SharedRegistryKey, SharedKey.c_str());
}

TEST(RegistryHighlight, PlacesAreSearchedInOrder) {
    RegistryScratch scratch;
    scratch.SetText(HKEY_LOCAL_MACHINE, SharedKey, L"0x4F");
    EXPECT_EQ(ReadRegistry(), L"0x4F");
    scratch.SetText(HKEY_CURRENT_USER, SharedKey, L"0x3F");
    EXPECT_EQ(ReadRegistry(), L"0x3F");
    scratch.SetText(HKEY_LOCAL_MACHINE, OwnKey, L"0x2F");
    EXPECT_EQ(ReadRegistry(), L"0x2F");
    scratch.SetText(HKEY_CURRENT_USER, OwnKey, L"0x1E");
    EXPECT_EQ(ReadRegistry(), L"0x1E");
    // Taking them away again uncovers the next place each time.
    scratch.Remove(HKEY_CURRENT_USER, OwnKey);
    EXPECT_EQ(ReadRegistry(), L"0x2F");
    scratch.Remove(HKEY_LOCAL_MACHINE, OwnKey);
    EXPECT_EQ(ReadRegistry(), L"0x3F");
    scratch.Remove(HKEY_CURRENT_USER, SharedKey);
    EXPECT_EQ(ReadRegistry(), L"0x4F");
}

TEST(RegistryHighlight, PerUserPluginKeyWinsOverMachineWideSharedKey) {
    RegistryScratch scratch;
    scratch.SetText(HKEY_LOCAL_MACHINE, SharedKey, L"0x4F");
    scratch.SetText(HKEY_CURRENT_USER, OwnKey, L"inv");
    EXPECT_EQ(ReadRegistry(), L"inv");
}

TEST(RegistryHighlight, EmptyValuesAndOtherTypesArePassedOver) {
    RegistryScratch scratch;
    scratch.SetText(HKEY_CURRENT_USER, OwnKey, L"");
    scratch.SetNumber(HKEY_LOCAL_MACHINE, OwnKey, 0x1E);
    scratch.SetText(HKEY_CURRENT_USER, SharedKey, L"bright cyan");
    EXPECT_EQ(ReadRegistry(), L"bright cyan");
}

TEST(RegistryHighlight, TooLongValueIsAbsent) {
    RegistryScratch scratch;
    scratch.SetText(HKEY_CURRENT_USER, OwnKey, std::wstring(1024, L'x'));
    scratch.SetText(HKEY_LOCAL_MACHINE, SharedKey, L"0x1E");
    EXPECT_EQ(ReadRegistry(), L"0x1E");
}

TEST(RegistryHighlight, LongestValueThatFits) {
    RegistryScratch scratch;
    scratch.SetText(HKEY_CURRENT_USER, OwnKey, std::wstring(1023, L'y'));
    EXPECT_EQ(ReadRegistry(), std::wstring(1023, L'y'));
}

TEST(RegistryHighlight, NothingAnywhereGivesNothing) {
    // Only meaningful when this machine has none of the four values; the test writes none.
    wchar_t buffer[1024];
    buffer[0] = L'?';
    EXPECT_EQ(RegistryHighlight(buffer), 0u);
    EXPECT_EQ(buffer[0], 0);
}

// ---- SetupColours: the console, the switches, the environment, the registry

class SetupColoursTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Output().colours.normalAttr = 0x55;
        Output().colours.highlightAttr = 0x55;
        Output().colours.vtTerminal = false;
        Output().colours.conOut = ScriptedConsole::DeviceHandle();
        SetEnvironmentVariableW(L"NO_COLOR", nullptr);
        SetEnvironmentVariableW(L"Highlight", nullptr);
    }
    void ExpectNoColour() {
        EXPECT_EQ(Output().colours.normalAttr, 0);
        EXPECT_EQ(Output().colours.highlightAttr, 0);
    }
    // The stand-in host reports grey on black when its output is not a console, as here.
    void ExpectColour(uint8_t highlight) {
        EXPECT_EQ(Output().colours.normalAttr, 0x07);
        EXPECT_EQ(Output().colours.highlightAttr, highlight);
    }

    TestOutput guard;
    ScriptedConsole console;
};

TEST_F(SetupColoursTest, NothingConfiguredBrightensTheNormalColour) {
    SetupColours(0);
    ExpectColour(0x0F);
}

TEST_F(SetupColoursTest, OutputNotAConsoleGivesNoColourWhateverIsConfigured) {
    console.stdOutIsConsole = false;
    SetEnvironmentVariableW(L"Highlight", L"0x1E");
    SetupColours(0);
    ExpectNoColour();
}

TEST_F(SetupColoursTest, ConsoleModeAllOnesCountsAsNoConsole) {
    console.stdOutMode = 0xFFFFFFFF;
    SetupColours(0);
    ExpectNoColour();
}

TEST_F(SetupColoursTest, NoHighlightSwitchGivesNoColour) {
    SetEnvironmentVariableW(L"Highlight", L"0x1E");
    SetupColours(1);
    ExpectNoColour();
}

TEST_F(SetupColoursTest, NoColorWithoutHighlightGivesNoColour) {
    SetEnvironmentVariableW(L"NO_COLOR", L"1");
    SetupColours(0);
    ExpectNoColour();
}

TEST_F(SetupColoursTest, NoColorWithHighlightUsesIt) {
    SetEnvironmentVariableW(L"NO_COLOR", L"1");
    SetEnvironmentVariableW(L"Highlight", L"0x1E");
    SetupColours(0);
    ExpectColour(0x1E);
}

TEST_F(SetupColoursTest, HighlightInverse) {
    SetEnvironmentVariableW(L"Highlight", L"inv");
    SetupColours(0);
    ExpectColour(0x70);
}

TEST_F(SetupColoursTest, HighlightEqualToNormalGivesNoColour) {
    SetEnvironmentVariableW(L"Highlight", L"0x07");
    SetupColours(0);
    ExpectNoColour();
}

TEST_F(SetupColoursTest, HighlightNotHexGivesNoColour) {
    SetEnvironmentVariableW(L"Highlight", L"0xgreen");
    SetupColours(0);
    ExpectNoColour();
}

TEST_F(SetupColoursTest, HighlightColourWordsThroughTheHost) {
    SetEnvironmentVariableW(L"Highlight", L"bright red");
    SetupColours(0);
    ExpectColour(0x0C);
}

TEST_F(SetupColoursTest, EnvironmentWinsOverTheRegistry) {
    RegistryScratch scratch;
    scratch.SetText(HKEY_CURRENT_USER, OwnKey, L"0x4F");
    SetEnvironmentVariableW(L"Highlight", L"0x1E");
    SetupColours(0);
    ExpectColour(0x1E);
}

TEST_F(SetupColoursTest, RegistryValueIsUsedWithoutTheEnvironment) {
    RegistryScratch scratch;
    scratch.SetText(HKEY_LOCAL_MACHINE, SharedKey, L"0x2F");
    scratch.SetText(HKEY_CURRENT_USER, OwnKey, L"0x1E");
    SetupColours(0);
    ExpectColour(0x1E);
}

TEST_F(SetupColoursTest, UnusableRegistryValueTurnsColourOff) {
    RegistryScratch scratch;
    scratch.SetText(HKEY_CURRENT_USER, OwnKey, L"0x77");
    SetupColours(0);
    ExpectNoColour();
}

TEST_F(SetupColoursTest, VtTerminalGetsVtProcessingBackOn) {
    Output().colours.vtTerminal = true;
    console.conOutMode = ENABLE_WRAP_AT_EOL_OUTPUT;
    SetupColours(1);
    ASSERT_EQ(console.Count(ScriptedConsole::Event::SetMode), 1u);
    EXPECT_EQ(console.events[0].target, ConsoleTarget::ConOut);
    EXPECT_EQ(console.events[0].value,
              static_cast<DWORD>(ENABLE_WRAP_AT_EOL_OUTPUT | ENABLE_PROCESSED_OUTPUT |
                                 ENABLE_VIRTUAL_TERMINAL_PROCESSING));
}

TEST_F(SetupColoursTest, ClassicConsoleModeIsLeftAlone) {
    SetupColours(0);
    EXPECT_EQ(console.Count(ScriptedConsole::Event::SetMode), 0u);
}

TEST_F(SetupColoursTest, VtTerminalWithoutOutputDeviceChangesNoMode) {
    Output().colours.vtTerminal = true;
    Output().colours.conOut = nullptr;
    SetupColours(0);
    EXPECT_EQ(console.Count(ScriptedConsole::Event::SetMode), 0u);
}

// ---- Terminal recognition

struct TerminalCase {
    const char* label;
    const wchar_t* window;
    const wchar_t* parent;
    bool terminal;
};

class TerminalWindowTest : public ::testing::TestWithParam<TerminalCase> {};

TEST_P(TerminalWindowTest, BothClassNamesMustMatchExactly) {
    const TerminalCase& c = GetParam();
    EXPECT_EQ(IsTerminalWindow(c.window, c.parent), c.terminal);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TerminalWindowTest,
    ::testing::Values(
        TerminalCase{"terminal_hosted", L"PseudoConsoleWindow", L"CASCADIA_HOSTING_WINDOW_CLASS", true},
        TerminalCase{"classic_console", L"ConsoleWindowClass", nullptr, false},
        TerminalCase{"pseudo_console_without_parent", L"PseudoConsoleWindow", nullptr, false},
        TerminalCase{"pseudo_console_other_parent", L"PseudoConsoleWindow", L"SomeOtherTerminal", false},
        TerminalCase{"longer_window_class", L"PseudoConsoleWindowX", L"CASCADIA_HOSTING_WINDOW_CLASS", false},
        TerminalCase{"longer_parent_class", L"PseudoConsoleWindow", L"CASCADIA_HOSTING_WINDOW_CLASS2", false},
        TerminalCase{"shorter_parent_class", L"PseudoConsoleWindow", L"CASCADIA_HOSTING", false},
        TerminalCase{"case_matters", L"pseudoconsolewindow", L"CASCADIA_HOSTING_WINDOW_CLASS", false},
        TerminalCase{"no_window_class", nullptr, L"CASCADIA_HOSTING_WINDOW_CLASS", false}),
    [](const ::testing::TestParamInfo<TerminalCase>& info) { return std::string(info.param.label); });

TEST(DetectTerminal, WithoutAConsoleWindowItIsNoTerminal) {
    if (GetConsoleWindow() != nullptr)
        GTEST_SKIP() << "this test run has a console window; the check needs a run without one";
    EXPECT_FALSE(DetectTerminal());
}

} // namespace
