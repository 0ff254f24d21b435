// Line ends, paging, the pause prompt and its keys, time-outs, interruption and headings, run
// against the scripted console (Wine under the test runner has no console to press keys in, so
// Ctrl-C and keys reach the code through the console seam).
#include "output/LineOutput.h"

#include "core/ScanSettings.h"
#include "output/ScriptedConsole.h"
#include "output/ErrorReport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::ScriptedConsole;
using testing_support::TestOutput;
using Target = scrutel::ConsoleTarget;

namespace {

const std::wstring Prompt = L"\r   \u2500\u2500 Press a key to continue \u2500\u2500 ";
const std::wstring Wipe = L"\r" + std::wstring(60, L' ') + L"\r";
const std::wstring Mark = L"\r ^C \n";

std::wstring LineEnds(size_t n) {
    std::wstring s;
    for (size_t i = 0; i < n; ++i)
        s += L"\r\n";
    return s;
}

class LineOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Output().paging = {};
        Output().colours.normalAttr = 0;
        Output().colours.highlightAttr = 0;
        Output().colours.vtTerminal = false;
        Output().colours.conOut = ScriptedConsole::DeviceHandle();
        SetEnvironmentVariableW(L"NO_COLOR", nullptr);
        SetEnvironmentVariableW(L"Highlight", nullptr);
    }

    void Page(uint32_t lines) {
        Output().paging.pageLength = lines;
        Output().paging.linesLeft = lines;
    }

    // Ends n lines one at a time; the first result other than 0, or 0.
    int EndLines(size_t n) {
        for (size_t i = 0; i < n; ++i) {
            int rc = EndLine(1);
            if (rc != 0) return rc;
        }
        return 0;
    }

    TestOutput guard;
    ScriptedConsole console;
    Capture capture;
};

// ---- Paging

TEST_F(LineOutputTest, NoPromptWithPageLengthZero) {
    Page(0);
    ASSERT_EQ(EndLines(300), 0);
    ASSERT_EQ(EndLine(200), 0);
    EXPECT_EQ(capture.out(), LineEnds(500));
    EXPECT_TRUE(console.events.empty());
    EXPECT_EQ(console.keyWaits, 0u);
}

TEST_F(LineOutputTest, FirstPromptAfterTheTwentiethLineEndCountingBlankLines) {
    Page(20);
    console.Key(L'x');
    console.Key(L'x');
    // Sections end with EndLine(2) for the blank line after them: 9 x 2 + 2 = 20.
    for (int i = 0; i < 9; ++i)
        ASSERT_EQ(EndLine(2), 0);
    EXPECT_TRUE(console.PromptsAt().empty());
    ASSERT_EQ(EndLine(1), 0);
    EXPECT_TRUE(console.PromptsAt().empty());
    ASSERT_EQ(EndLine(1), 0);
    EXPECT_EQ(console.PromptsAt(), (std::vector<size_t>{20}));
    ASSERT_EQ(EndLines(25), 0);
    EXPECT_EQ(console.PromptsAt(), (std::vector<size_t>{20, 40}));
    EXPECT_EQ(console.Written(), Prompt + Wipe + Prompt + Wipe);
    EXPECT_EQ(capture.out(), LineEnds(45));
    EXPECT_EQ(Output().paging.linesLeft, 15u);
}

TEST_F(LineOutputTest, PromptInsideOneMultiLineCall) {
    Page(20);
    console.Key(L'x');
    ASSERT_EQ(EndLine(30), 0);
    EXPECT_EQ(console.PromptsAt(), (std::vector<size_t>{20}));
    EXPECT_EQ(capture.out(), LineEnds(30));
}

struct KeyCase {
    const char* label;
    wchar_t character;
    WORD virtualKey;
    WORD scanCode;
    std::vector<size_t> prompts; // within 100 line ends, with a page of 20
    uint32_t pageLengthAfter;
};

class PromptKeyTest : public LineOutputTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(PromptKeyTest, NextPromptComesWhereTheKeySays) {
    const KeyCase& c = GetParam();
    Page(20);
    console.Key(c.character, c.virtualKey, c.scanCode);
    for (int i = 0; i < 10; ++i)
        console.Key(L'x');
    ASSERT_EQ(EndLines(100), 0);
    EXPECT_EQ(console.PromptsAt(), c.prompts);
    EXPECT_EQ(Output().paging.pageLength, c.pageLengthAfter);
    EXPECT_EQ(capture.out(), LineEnds(100));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PromptKeyTest,
    ::testing::Values(KeyCase{"slash_half_page", L'/', 0, 0, {20, 30, 50, 70, 90}, 20},
                      KeyCase{"zero_is_ten", L'0', 0, 0, {20, 30, 50, 70, 90}, 20},
                      KeyCase{"three", L'3', 0, 0, {20, 23, 43, 63, 83}, 20},
                      KeyCase{"one", L'1', 0, 0, {20, 21, 41, 61, 81}, 20},
                      KeyCase{"nine", L'9', 0, 0, {20, 29, 49, 69, 89}, 20},
                      KeyCase{"upper_c_no_more_pauses", L'C', 0, 0, {20}, 0},
                      KeyCase{"lower_c", L'c', 0, 0, {20}, 0}, KeyCase{"upper_a", L'A', 0, 0, {20}, 0},
                      KeyCase{"lower_a", L'a', 0, 0, {20}, 0},
                      KeyCase{"other_key_full_page", L'q', 0, 0, {20, 40, 60, 80, 100}, 20},
                      KeyCase{"blank", L' ', 0, 0, {20, 40, 60, 80, 100}, 20},
                      KeyCase{"enter", L'\r', VK_RETURN, 0x1C, {20, 40, 60, 80, 100}, 20},
                      KeyCase{"extended_arrow_key", 0, VK_UP, 0x48, {20, 40, 60, 80, 100}, 20},
                      KeyCase{"character_e0_is_an_ordinary_key", 0xE0, 0, 0, {20, 40, 60, 80, 100}, 20}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.label); });

TEST_F(LineOutputTest, ModifierKeysAloneDoNotAnswerThePrompt) {
    Page(20);
    console.Key(0, VK_SHIFT, 0x2A);
    console.Key(0, VK_CONTROL, 0x1D);
    console.Key(0, VK_MENU, 0x38);
    console.Key(L'3');
    ASSERT_EQ(EndLines(22), 0);
    EXPECT_EQ(console.PromptsAt(), (std::vector<size_t>{20}));
    EXPECT_TRUE(console.script.empty());
    EXPECT_EQ(Output().paging.linesLeft, 1u); // the "3" counts: one more line end before the next prompt
}

TEST_F(LineOutputTest, SlashOnAOneLinePageKeepsPaging) {
    Page(1);
    console.Key(L'/');
    console.Key(L'x');
    ASSERT_EQ(EndLines(2), 0);
    EXPECT_EQ(console.PromptsAt(), (std::vector<size_t>{1, 2}));
}

TEST_F(LineOutputTest, EscapeStopsWithoutTheMark) {
    Page(20);
    console.Key(27);
    EXPECT_EQ(EndLines(19), 0);
    EXPECT_EQ(EndLine(2), ABORTED);
    EXPECT_EQ(capture.out(), LineEnds(20));
    EXPECT_EQ(console.Written(), Prompt + Wipe);
    EXPECT_TRUE(console.Attributes().empty());
}

TEST_F(LineOutputTest, EscapeByItsVirtualKeyAloneStops) {
    Page(20);
    console.Key(0, VK_ESCAPE, 0x01);
    EXPECT_EQ(EndLine(25), ABORTED);
    EXPECT_EQ(capture.out(), LineEnds(20));
    EXPECT_EQ(console.Written(), Prompt + Wipe);
}

TEST_F(LineOutputTest, CtrlCKeyAtThePromptStopsWithTheMarkInContrastColour) {
    Page(20);
    console.conOutAttribute = 0x07;
    console.Key(3, 'C', 0x2E);
    EXPECT_EQ(EndLine(25), ABORTED);
    EXPECT_EQ(capture.out(), LineEnds(20));
    EXPECT_EQ(console.Written(), Prompt + Wipe + Mark);
    using A = std::pair<Target, WORD>;
    EXPECT_EQ(console.Attributes(), (std::vector<A>{{Target::ConOut, 0x0F}, {Target::ConOut, 0x07}}));
    EXPECT_EQ(HostLastSetColors(), 0x07);
}

TEST_F(LineOutputTest, CtrlCWhileThePromptWaitsStops) {
    Page(20);
    console.Idle(3);
    console.InterruptDuringWait();
    EXPECT_EQ(EndLine(25), ABORTED);
    EXPECT_EQ(console.Written(), Prompt + Wipe + Mark);
    EXPECT_EQ(console.keyWaits, 4u);
}

TEST_F(LineOutputTest, AnEarlierInterruptionIsForgottenWhenThePromptStartsWaiting) {
    // Only a Ctrl-C during the wait counts at the prompt.
    Output().paging.interrupted = 1;
    console.Key(L'k');
    EXPECT_EQ(WaitForKey(), static_cast<uint32_t>(L'k'));
    EXPECT_EQ(Output().paging.interrupted, 0);
}

// ---- Interruption while lines are written

TEST_F(LineOutputTest, CtrlCWhileWritingStopsAtTheNextLineEnd) {
    ASSERT_EQ(EndLines(5), 0);
    CtrlHandler(CTRL_C_EVENT);
    EXPECT_EQ(EndLine(3), ABORTED);
    EXPECT_EQ(capture.out(), LineEnds(6));
    EXPECT_EQ(console.Written(), Mark);
    ASSERT_EQ(console.events.size(), 3u);
    EXPECT_EQ(console.events[1].lineEnds, 6u); // the mark comes after the interrupted line's end
}

TEST_F(LineOutputTest, CtrlBreakStopsToo) {
    CtrlHandler(CTRL_BREAK_EVENT);
    EXPECT_EQ(EndLine(1), ABORTED);
    EXPECT_EQ(console.Written(), Mark);
}

TEST_F(LineOutputTest, HeadingReturnsAbortedWhenInterrupted) {
    CtrlHandler(CTRL_C_EVENT);
    EXPECT_EQ(PrintHeading(L"C:\\a.txt", 2), ABORTED);
    EXPECT_EQ(capture.out(), L"C:\\a.txt\r\n");
}

struct HandlerCase {
    const char* label;
    DWORD event;
    BOOL handled;
    LONG interrupted;
};

class CtrlHandlerTest : public LineOutputTest, public ::testing::WithParamInterface<HandlerCase> {};

TEST_P(CtrlHandlerTest, OnlyCtrlCAndCtrlBreakAreHandled) {
    const HandlerCase& c = GetParam();
    EXPECT_EQ(CtrlHandler(c.event), c.handled);
    EXPECT_EQ(Output().paging.interrupted, c.interrupted);
}

INSTANTIATE_TEST_SUITE_P(Events, CtrlHandlerTest,
                         ::testing::Values(HandlerCase{"ctrl_c", CTRL_C_EVENT, TRUE, 1},
                                           HandlerCase{"ctrl_break", CTRL_BREAK_EVENT, TRUE, 1},
                                           HandlerCase{"close", CTRL_CLOSE_EVENT, FALSE, 0},
                                           HandlerCase{"logoff", CTRL_LOGOFF_EVENT, FALSE, 0},
                                           HandlerCase{"shutdown", CTRL_SHUTDOWN_EVENT, FALSE, 0}),
                         [](const ::testing::TestParamInfo<HandlerCase>& info) {
                             return std::string(info.param.label);
                         });

// ---- Time-out

TEST_F(LineOutputTest, TimeoutContinuesAfterItsTimeForAFullPage) {
    Page(20);
    Output().paging.pauseTimeoutMs = 5000;
    ASSERT_EQ(EndLines(40), 0);
    EXPECT_EQ(console.PromptsAt(), (std::vector<size_t>{20, 40}));
    // Ten milliseconds per wait: 500 waits for each of the two prompts.
    EXPECT_EQ(console.keyWaits, 1000u);
    EXPECT_EQ(console.Written(), Prompt + Wipe + Prompt + Wipe);
}

TEST_F(LineOutputTest, KeyBeforeTheTimeoutAnswersThePrompt) {
    Page(20);
    Output().paging.pauseTimeoutMs = 5000;
    console.Idle(100);
    console.Key(L'3');
    ASSERT_EQ(EndLines(23), 0);
    EXPECT_EQ(console.PromptsAt(), (std::vector<size_t>{20, 23}));
}

struct WrapCase {
    const char* label;
    DWORD start;
    DWORD timeout;
    DWORD step;
    size_t waits; // key waits until the prompt gives up
};

class TimeoutWrapTest : public LineOutputTest, public ::testing::WithParamInterface<WrapCase> {};

TEST_P(TimeoutWrapTest, WaitForKeyEndsAfterTheTimeout) {
    const WrapCase& c = GetParam();
    Output().paging.pauseTimeoutMs = c.timeout;
    console.ticks = c.start;
    console.idleAdvance = c.step;
    EXPECT_EQ(WaitForKey(), 32u);
    EXPECT_EQ(console.keyWaits, c.waits);
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, TimeoutWrapTest,
    ::testing::Values(WrapCase{"no_wrap", 1000, 5000, 10, 500},
                      WrapCase{"deadline_wraps_past_zero", 0xFFFFF000u, 5000, 10, 500},
                      WrapCase{"start_at_the_last_tick", 0xFFFFFFFFu, 50, 10, 5},
                      WrapCase{"counter_wraps_between_looks", 0xFFFFFFFFu - 5003, 5000, 16, 313},
                      WrapCase{"coarse_ticks", 0, 100, 16, 7}),
    [](const ::testing::TestParamInfo<WrapCase>& info) { return std::string(info.param.label); });

struct ReachedCase {
    const char* label;
    DWORD start, timeout, now;
    bool reached;
};

class TimeoutReachedTest : public ::testing::TestWithParam<ReachedCase> {};

TEST_P(TimeoutReachedTest, ComparesElapsedTicks) {
    const ReachedCase& c = GetParam();
    EXPECT_EQ(TimeoutReached(c.start, c.timeout, c.now), c.reached);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TimeoutReachedTest,
    ::testing::Values(ReachedCase{"before", 100, 50, 149, false}, ReachedCase{"at", 100, 50, 150, true},
                      ReachedCase{"after", 100, 50, 151, true},
                      ReachedCase{"wrapped_deadline_before", 0xFFFFFFF0u, 0x20, 0xFFFFFFFFu, false},
                      ReachedCase{"wrapped_deadline_counter_wrapped_not_yet", 0xFFFFFFF0u, 0x20, 0x0Fu,
                                  false},
                      ReachedCase{"wrapped_deadline_at", 0xFFFFFFF0u, 0x20, 0x10u, true},
                      ReachedCase{"wrapped_deadline_after", 0xFFFFFFF0u, 0x20, 0x11u, true},
                      ReachedCase{"deadline_before_wrap_seen_after_it", 0xFFFFFFF0u, 0x0C, 0x02u, true},
                      ReachedCase{"deadline_before_wrap_not_yet", 0xFFFFFFF0u, 0x0C, 0xFFFFFFFBu, false}),
    [](const ::testing::TestParamInfo<ReachedCase>& info) { return std::string(info.param.label); });

TEST_F(LineOutputTest, NoTimeoutWaitsForTheKey) {
    console.Idle(5000);
    console.Key(L'k');
    EXPECT_EQ(WaitForKey(), static_cast<uint32_t>(L'k'));
    EXPECT_EQ(console.keyWaits, 5001u);
}

TEST_F(LineOutputTest, WithoutConsoleInputThePromptContinuesAtOnce) {
    Page(20);
    console.hasInput = false;
    ASSERT_EQ(EndLines(45), 0);
    EXPECT_EQ(console.PromptsAt(), (std::vector<size_t>{20, 40}));
    EXPECT_EQ(console.keyWaits, 2u);
}

// ---- Key codes

struct KeyCodeCase {
    const char* label;
    wchar_t character;
    WORD virtualKey;
    WORD scanCode;
    int code;
};

class KeyCodeTest : public ::testing::TestWithParam<KeyCodeCase> {};

TEST_P(KeyCodeTest, KeyDownEventGivesItsCode) {
    const KeyCodeCase& c = GetParam();
    KeyPress key;
    key.character = c.character;
    key.virtualKey = c.virtualKey;
    key.scanCode = c.scanCode;
    EXPECT_EQ(KeyCodeFor(key), c.code);
}

INSTANTIATE_TEST_SUITE_P(Table, KeyCodeTest,
                         ::testing::Values(KeyCodeCase{"letter", L'c', 'C', 0x2E, 'c'},
                                           KeyCodeCase{"digit", L'0', '0', 0x0B, '0'},
                                           KeyCodeCase{"ctrl_c", 3, 'C', 0x2E, 3},
                                           KeyCodeCase{"escape_character", 27, VK_ESCAPE, 1, 27},
                                           KeyCodeCase{"escape_virtual_key_only", 0, VK_ESCAPE, 1, 27},
                                           KeyCodeCase{"escape_character_only", 27, 0, 0, 27},
                                           KeyCodeCase{"arrow_up_extended", 0, VK_UP, 0x48, 0x10048},
                                           KeyCodeCase{"f1_extended", 0, VK_F1, 0x3B, 0x1003B},
                                           KeyCodeCase{"shift_alone", 0, VK_SHIFT, 0x2A, -1},
                                           KeyCodeCase{"right_ctrl_alone", 0, VK_RCONTROL, 0x1D, -1},
                                           KeyCodeCase{"caps_lock", 0, VK_CAPITAL, 0x3A, -1},
                                           KeyCodeCase{"windows_key", 0, VK_LWIN, 0x5B, -1},
                                           KeyCodeCase{"non_ascii_character", L'\u00E9', 0, 0, 0xE9}),
                         [](const ::testing::TestParamInfo<KeyCodeCase>& info) {
                             return std::string(info.param.label);
                         });

// ---- ShowInterrupt and the contrast tables

struct InterruptCase {
    const char* label;
    WORD current;
    bool readable;
    WORD contrast;
    WORD returned;
};

class ShowInterruptTest : public LineOutputTest, public ::testing::WithParamInterface<InterruptCase> {};

TEST_P(ShowInterruptTest, PicksAContrastForTheBackground) {
    const InterruptCase& c = GetParam();
    console.conOutAttribute = c.current;
    console.conOutInfoWorks = c.readable;
    EXPECT_EQ(ShowInterrupt(), c.returned);
    using A = std::pair<Target, WORD>;
    EXPECT_EQ(console.Attributes(), (std::vector<A>{{Target::ConOut, c.contrast}}));
    EXPECT_EQ(HostLastSetColors(), c.contrast);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShowInterruptTest,
    ::testing::Values(InterruptCase{"grey_on_black", 0x07, true, 0x0F, 0x07},
                      InterruptCase{"first_choice_in_use", 0x0F, true, 0x0E, 0x0F},
                      InterruptCase{"white_on_blue", 0x1F, true, 0x1B, 0x1F},
                      InterruptCase{"black_on_yellow", 0xE0, true, 0xEC, 0xE0},
                      InterruptCase{"bright_white_background", 0xF0, true, 0xF2, 0xF0},
                      InterruptCase{"zero_counts_as_grey", 0x00, true, 0x0F, 0x07},
                      InterruptCase{"unreadable_counts_as_grey", 0x1E, false, 0x0F, 0x07},
                      InterruptCase{"only_the_low_byte", 0x8017, true, 0x1F, 0x17}),
    [](const ::testing::TestParamInfo<InterruptCase>& info) { return std::string(info.param.label); });

TEST(ContrastColours, EveryChoiceKeepsTheBackgroundAndShowsADifferentForeground) {
    for (unsigned background = 0; background < 16; ++background) {
        for (unsigned choice = 0; choice < 3; ++choice) {
            uint8_t attr = ContrastColours[choice][background];
            EXPECT_EQ(attr >> 4, background) << "choice " << choice << " background " << background;
            EXPECT_NE(attr & 0x0F, background) << "choice " << choice << " background " << background;
        }
        EXPECT_NE(ContrastColours[0][background], ContrastColours[1][background]);
        EXPECT_NE(ContrastColours[1][background], ContrastColours[2][background]);
        EXPECT_NE(ContrastColours[0][background], ContrastColours[2][background]);
    }
}

TEST(ContrastColours, ChoiceSkipsTheAttributeToAvoid) {
    EXPECT_EQ(ContrastFor(0, 0x07), 0x0F);
    EXPECT_EQ(ContrastFor(0, 0x0F), 0x0E);
    EXPECT_EQ(ContrastFor(7, 0x70), 0x79);
    EXPECT_EQ(ContrastFor(15, 0xF2), 0xF0);
    EXPECT_EQ(ContrastFor(0x1F, 0x00), 0xF2); // only the background nibble counts
}

// ---- Colour around line ends and headings

TEST_F(LineOutputTest, ColourOffTouchesNoAttribute) {
    ASSERT_EQ(PrintHeading(L"C:\\dir\\file.txt", 2), 0);
    ASSERT_EQ(EndLine(1), 0);
    EXPECT_EQ(capture.out(), L"C:\\dir\\file.txt\r\n\r\n\r\n");
    EXPECT_TRUE(console.events.empty());
}

TEST_F(LineOutputTest, LineEndResetsTheNormalColour) {
    Output().colours.normalAttr = 0x1F;
    Output().colours.highlightAttr = 0x1B;
    ASSERT_EQ(EndLine(2), 0);
    using A = std::pair<Target, WORD>;
    EXPECT_EQ(console.Attributes(), (std::vector<A>{{Target::StdOut, 0x1F}}));
    EXPECT_EQ(HostLastSetColors(), 0x1F);
    EXPECT_EQ(console.Written(), L"");
    EXPECT_EQ(capture.out(), L"\r\n\r\n");
}

TEST_F(LineOutputTest, LineEndOnAVtTerminalClearsItalicsAndUnderline) {
    Output().colours.normalAttr = 0x07;
    Output().colours.highlightAttr = 0x0F;
    Output().colours.vtTerminal = true;
    ASSERT_EQ(EndLine(1), 0);
    EXPECT_EQ(console.Written(), L"\x1b[23;24m");
}

TEST_F(LineOutputTest, LineEndOnAVtTerminalWritesNoSequenceUnderNoColor) {
    Output().colours.normalAttr = 0x07;
    Output().colours.vtTerminal = true;
    SetEnvironmentVariableW(L"NO_COLOR", L"1");
    ASSERT_EQ(EndLine(1), 0);
    EXPECT_EQ(console.Written(), L"");
}

TEST_F(LineOutputTest, HeadingInColourGoesStraightToTheConsole) {
    Output().colours.normalAttr = 0x07;
    Output().colours.highlightAttr = 0x0F;
    ASSERT_EQ(PrintHeading(L"C:\\dir\\file.txt", 2), 0);
    EXPECT_EQ(console.Written(), L"C:\\dir\\file.txt");
    EXPECT_EQ(capture.out(), L"\r\n\r\n");
    using A = std::pair<Target, WORD>;
    EXPECT_EQ(console.Attributes(),
              (std::vector<A>{{Target::StdOut, 0x0F}, {Target::StdOut, 0x07}, {Target::StdOut, 0x07}}));
    EXPECT_EQ(HostLastSetColors(), 0x07);
    ASSERT_EQ(console.events.size(), 4u);
    EXPECT_EQ(console.events[1].kind, ScriptedConsole::Event::Write);
    EXPECT_EQ(console.events[1].lineEnds, 0u);
}

TEST_F(LineOutputTest, HeadingWithoutCountWritesNoLineEnd) {
    Output().colours.normalAttr = 0x07;
    Output().colours.highlightAttr = 0x0F;
    EXPECT_EQ(PrintHeading(L"3 matching files found.", 0), 0);
    EXPECT_EQ(capture.out(), L"");
    EXPECT_EQ(console.Written(), L"3 matching files found.");
}

TEST_F(LineOutputTest, HeadingInColourWithoutTheOutputDeviceGoesThroughTheHost) {
    Output().colours.normalAttr = 0x07;
    Output().colours.highlightAttr = 0x0F;
    Output().colours.conOut = nullptr;
    ASSERT_EQ(PrintHeading(L"C:\\a.txt", 1), 0);
    EXPECT_EQ(capture.out(), L"C:\\a.txt\r\n");
    EXPECT_EQ(console.Written(), L"");
}

struct SurrogateCase {
    const char* label;
    std::wstring text;
    bool backspace;
};

class HeadingSurrogateTest : public LineOutputTest, public ::testing::WithParamInterface<SurrogateCase> {};

TEST_P(HeadingSurrogateTest, BlankAndBackspaceFollowSurrogates) {
    const SurrogateCase& c = GetParam();
    Output().colours.normalAttr = 0x07;
    Output().colours.highlightAttr = 0x0F;
    ASSERT_EQ(PrintHeading(c.text.c_str(), 0), 0);
    EXPECT_EQ(console.Written(), c.backspace ? c.text + L" \b" : c.text);
    // The colour goes back only after the blank and backspace.
    ASSERT_FALSE(console.Attributes().empty());
    EXPECT_EQ(console.events.back().kind, ScriptedConsole::Event::SetAttribute);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HeadingSurrogateTest,
    ::testing::Values(SurrogateCase{"ascii", L"C:\\a.txt", false},
                      SurrogateCase{"bmp_only", L"C:\\caf\u00E9\u20AC\uFFFD.txt", false},
                      SurrogateCase{"pair", L"C:\\smile\U0001F600.txt", true},
                      SurrogateCase{"lone_high", std::wstring(L"C:\\x") + wchar_t(0xD800) + L".txt", true},
                      SurrogateCase{"lone_low", std::wstring(L"C:\\x") + wchar_t(0xDFFF), true},
                      SurrogateCase{"just_below", std::wstring(L"C:\\x") + wchar_t(0xD7FF), false},
                      SurrogateCase{"just_above", std::wstring(L"C:\\x") + wchar_t(0xE000), false}),
    [](const ::testing::TestParamInfo<SurrogateCase>& info) { return std::string(info.param.label); });

TEST_F(LineOutputTest, HeadingWithoutColourHasNoBackspace) {
    ASSERT_EQ(PrintHeading(L"C:\\smile\U0001F600.txt", 0), 0);
    EXPECT_EQ(capture.out(), L"C:\\smile\U0001F600.txt");
}

// ---- NO_COLOR and Highlight

struct SuppressCase {
    const char* label;
    const wchar_t* noColor;
    const wchar_t* highlight;
    bool suppressed;
};

class ColourSuppressedTest : public LineOutputTest, public ::testing::WithParamInterface<SuppressCase> {};

TEST_P(ColourSuppressedTest, NoColorWinsUnlessHighlightIsSet) {
    const SuppressCase& c = GetParam();
    SetEnvironmentVariableW(L"NO_COLOR", c.noColor);
    SetEnvironmentVariableW(L"Highlight", c.highlight);
    EXPECT_EQ(ColourSuppressed(), c.suppressed);
}

INSTANTIATE_TEST_SUITE_P(Table, ColourSuppressedTest,
                         ::testing::Values(SuppressCase{"neither", nullptr, nullptr, false},
                                           SuppressCase{"no_color", L"1", nullptr, true},
                                           SuppressCase{"no_color_any_text", L"no", nullptr, true},
                                           SuppressCase{"no_color_empty", L"", nullptr, false},
                                           SuppressCase{"no_color_and_highlight", L"1", L"0x1E", false},
                                           SuppressCase{"no_color_and_empty_highlight", L"1", L"", true},
                                           SuppressCase{"highlight_only", nullptr, L"inv", false}),
                         [](const ::testing::TestParamInfo<SuppressCase>& info) {
                             return std::string(info.param.label);
                         });

// ---- The control handler's installation record

TEST(CtrlHandlerInstallation, InstallsOnceAndRemoves) {
    RemoveCtrlHandler();
    ASSERT_FALSE(CtrlHandlerInstalled());
    InstallCtrlHandler();
    EXPECT_TRUE(CtrlHandlerInstalled());
    InstallCtrlHandler();
    EXPECT_TRUE(CtrlHandlerInstalled());
    RemoveCtrlHandler();
    EXPECT_FALSE(CtrlHandlerInstalled());
    RemoveCtrlHandler();
    EXPECT_FALSE(CtrlHandlerInstalled());
}

} // namespace

// ---- Gathered output (standard output neither paged nor coloured)

class GatheredOutputTest : public LineOutputTest {
  protected:
    void TearDown() override { EndGatheredOutput(); }
};

TEST_F(GatheredOutputTest, TextWaitsUntilFlushedAndThenArrivesWhole) {
    BeginGatheredOutput();
    ASSERT_TRUE(GatheringOutput());
    ASSERT_EQ(PrintHeading(L"C:\\a.txt", 2), 0);
    ReportPrintf(L"    %s bytes %u", L"1,234", 7u);
    ASSERT_EQ(EndLine(2), 0);
    EXPECT_EQ(capture.out(), L"");
    FlushOutput();
    EXPECT_EQ(capture.out(), L"C:\\a.txt\r\n\r\n    1,234 bytes 7\r\n\r\n");
    EndGatheredOutput();
    EXPECT_FALSE(GatheringOutput());
    ReportPuts(L"direct");
    EXPECT_EQ(capture.out(), L"C:\\a.txt\r\n\r\n    1,234 bytes 7\r\n\r\ndirect");
}

TEST_F(GatheredOutputTest, EndingTheCommandFlushesWhatIsLeft) {
    {
        GatheredOutputScope scope;
        ReportPuts(L"last line");
        EndLine(1);
        EXPECT_EQ(capture.out(), L"");
    }
    EXPECT_EQ(capture.out(), L"last line\r\n");
    EXPECT_FALSE(GatheringOutput());
}

TEST_F(GatheredOutputTest, PagingOrColourTurnsGatheringOff) {
    Page(20);
    BeginGatheredOutput();
    EXPECT_FALSE(GatheringOutput());
    ReportPuts(L"paged");
    EXPECT_EQ(capture.out(), L"paged");
    EndGatheredOutput();

    Page(0);
    Output().colours.normalAttr = 0x07;
    Output().colours.highlightAttr = 0x0E;
    BeginGatheredOutput();
    EXPECT_FALSE(GatheringOutput());
}

TEST_F(GatheredOutputTest, InterruptionWritesTheGatheredLinesBeforeTheMark) {
    BeginGatheredOutput();
    ReportPuts(L"one");
    ASSERT_EQ(EndLine(1), 0);
    ReportPuts(L"two");
    CtrlHandler(CTRL_C_EVENT);
    EXPECT_EQ(EndLine(2), ABORTED);
    EXPECT_EQ(capture.out(), L"one\r\ntwo\r\n");
    EXPECT_EQ(console.Written(), Mark);
    // Nothing reported after the interruption reaches the host.
    ReportPuts(L"after");
    EndGatheredOutput();
    EXPECT_EQ(capture.out(), L"one\r\ntwo\r\nafter");
}

TEST_F(GatheredOutputTest, LongReportsGoOutBeforeTheyEnd) {
    BeginGatheredOutput();
    std::wstring line(1000, L'x');
    for (int i = 0; i < 40; ++i) {
        ReportPuts(line.c_str());
        ASSERT_EQ(EndLine(1), 0);
    }
    // 40 lines of 1,002 characters: at least the first 32,768 characters have gone out.
    EXPECT_GE(capture.out().size(), 32768u);
    EXPECT_LT(capture.out().size(), 40u * 1002u);
    FlushOutput();
    EXPECT_EQ(capture.out().size(), 40u * 1002u);
}

TEST_F(GatheredOutputTest, FormattingMatchesTheHostsForEveryFormatUsed) {
    BeginGatheredOutput();
    ReportPrintf(L"%08X|%u|%d|%c%s%c|%I64u|%02u", 0xBEEFu, 4000000000u, -5, L'\u201C', L"name", L'\u201D',
                 18446744073709551615ull, 7u);
    std::wstring big(5000, L'y');
    ReportPrintf(L"<%s>", big.c_str());
    FlushOutput();
    EXPECT_EQ(capture.out(),
              L"0000BEEF|4000000000|-5|\u201Cname\u201D|18446744073709551615|07<" + big + L">");
}

TEST_F(GatheredOutputTest, AnErrorMessageOrADirectConsoleWriteSendsTheGatheredTextFirst) {
    BeginGatheredOutput();
    ReportPuts(L"before the error");
    PrintErrorPrefix();
    EXPECT_EQ(capture.out(), L"before the error");
    EXPECT_NE(capture.err().find(L" plugin: "), std::wstring::npos);
    ReportPuts(L" and before the console");
    WriteConsoleText(L"direct");
    EXPECT_EQ(capture.out(), L"before the error and before the console");
    ASSERT_FALSE(console.events.empty());
    EXPECT_EQ(console.events.back().text, L"direct");
}

TEST_F(GatheredOutputTest, BetweenFilesOnlyTextThatHasWaitedGoesOut) {
    BeginGatheredOutput();
    ReportPuts(L"fast file");
    FlushOutputWhenWaiting();
    EXPECT_EQ(capture.out(), L"");
    Sleep(WaitingLimitMs + 20);
    FlushOutputWhenWaiting();
    EXPECT_EQ(capture.out(), L"fast file");
    ReportPuts(L" next");
    FlushOutputWhenWaiting(); // the clock starts again with the next text
    EXPECT_EQ(capture.out(), L"fast file");
}
