// A scripted console for tests: records every console call (with the number of line ends the
// host had written by then), answers key waits from a script and keeps its own tick count.
#pragma once
#include "output/Console.h"
#include "output/LineOutput.h"

#include "HostTesting.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace testing_support {

class ScriptedConsole final : public scrutel::ConsoleIo {
  public:
    struct Event {
        enum Kind { Write, SetAttribute, SetMode, Sleep, Open, Close } kind;
        scrutel::ConsoleTarget target = scrutel::ConsoleTarget::StdOut;
        std::wstring text;
        DWORD value = 0;
        size_t lineEnds = 0; // "\r\n" the host had written to standard output at that moment
    };

    // One answer to a key wait.
    struct Step {
        enum Kind { Key, Idle, Interrupt } kind = Idle;
        scrutel::KeyPress key;
    };

    // What the console reports.
    bool stdOutIsConsole = true;
    DWORD stdOutMode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
    bool conOutIsConsole = true;
    DWORD conOutMode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
    bool conOutInfoWorks = true;
    WORD conOutAttribute = 0x07;
    WORD stdOutAttribute = 0x07;
    SHORT windowRows = 50;
    SHORT windowColumns = 120;
    bool hasInput = true;
    int failedOpens = 0; // OpenOutputDevice fails this many times before it works

    // The clock: starts here and moves by idleAdvance on every key wait that ends without a key.
    DWORD ticks = 1000;
    DWORD idleAdvance = 10;

    std::deque<Step> script;
    std::vector<Event> events;
    size_t keyWaits = 0;
    size_t idleWaits = 0;

    ScriptedConsole() : previous_(scrutel::SetConsole(this)) {}
    ~ScriptedConsole() override { scrutel::SetConsole(previous_); }
    ScriptedConsole(const ScriptedConsole&) = delete;
    ScriptedConsole& operator=(const ScriptedConsole&) = delete;

    void Key(wchar_t character, WORD virtualKey = 0, WORD scanCode = 0) {
        Step step;
        step.kind = Step::Key;
        step.key.character = character;
        step.key.virtualKey = virtualKey;
        step.key.scanCode = scanCode;
        script.push_back(step);
    }
    void Idle(size_t waits = 1) {
        for (size_t i = 0; i < waits; ++i)
            script.push_back(Step{});
    }
    // A Ctrl-C on the console's control thread while the prompt waits.
    void InterruptDuringWait() {
        Step step;
        step.kind = Step::Interrupt;
        script.push_back(step);
    }

    // Everything written straight to the console, in order.
    std::wstring Written() const {
        std::wstring all;
        for (const Event& e : events)
            if (e.kind == Event::Write) all += e.text;
        return all;
    }
    // The number of host line ends before each pause prompt.
    std::vector<size_t> PromptsAt() const {
        std::vector<size_t> at;
        for (const Event& e : events)
            if (e.kind == Event::Write && e.text.rfind(L"\r   \u2500\u2500", 0) == 0)
                at.push_back(e.lineEnds);
        return at;
    }
    // Attribute changes as (target, attribute).
    std::vector<std::pair<scrutel::ConsoleTarget, WORD>> Attributes() const {
        std::vector<std::pair<scrutel::ConsoleTarget, WORD>> all;
        for (const Event& e : events)
            if (e.kind == Event::SetAttribute) all.emplace_back(e.target, static_cast<WORD>(e.value));
        return all;
    }
    size_t Count(Event::Kind kind) const {
        size_t n = 0;
        for (const Event& e : events)
            if (e.kind == kind) ++n;
        return n;
    }

    bool GetMode(scrutel::ConsoleTarget target, DWORD& mode) override {
        if (target == scrutel::ConsoleTarget::StdOut) {
            mode = stdOutMode;
            return stdOutIsConsole;
        }
        mode = conOutMode;
        return conOutIsConsole;
    }
    bool SetMode(scrutel::ConsoleTarget target, DWORD mode) override {
        Record(Event::SetMode, target, L"", mode);
        if (target == scrutel::ConsoleTarget::StdOut)
            stdOutMode = mode;
        else
            conOutMode = mode;
        return true;
    }
    bool GetScreenInfo(scrutel::ConsoleTarget target, CONSOLE_SCREEN_BUFFER_INFO& info) override {
        info = {};
        info.dwSize = {windowColumns, 9000};
        info.srWindow = {0, 0, static_cast<SHORT>(windowColumns - 1), static_cast<SHORT>(windowRows - 1)};
        if (target == scrutel::ConsoleTarget::StdOut) {
            info.wAttributes = stdOutAttribute;
            return stdOutIsConsole;
        }
        info.wAttributes = conOutAttribute;
        return conOutInfoWorks;
    }
    bool SetAttribute(scrutel::ConsoleTarget target, WORD attribute) override {
        Record(Event::SetAttribute, target, L"", attribute);
        if (target == scrutel::ConsoleTarget::StdOut)
            stdOutAttribute = attribute;
        else
            conOutAttribute = attribute;
        return true;
    }
    void Write(const wchar_t* text, size_t length) override {
        Record(Event::Write, scrutel::ConsoleTarget::ConOut, std::wstring(text, length), 0);
    }
    scrutel::KeyWait WaitKey(DWORD milliseconds, scrutel::KeyPress& key) override {
        ++keyWaits;
        if (!hasInput) return scrutel::KeyWait::NoInput;
        if (!script.empty()) {
            Step step = script.front();
            script.pop_front();
            if (step.kind == Step::Key) {
                key = step.key;
                return scrutel::KeyWait::Key;
            }
            if (step.kind == Step::Interrupt) scrutel::Output().paging.interrupted = 1;
        }
        ticks += idleAdvance;
        (void)milliseconds;
        // A prompt that nothing can end would hang the test: stop it with Esc and fail.
        if (++idleWaits > 2000000) {
            ADD_FAILURE() << "the pause prompt waited without end";
            key = {};
            key.virtualKey = VK_ESCAPE;
            return scrutel::KeyWait::Key;
        }
        return scrutel::KeyWait::NoKey;
    }
    DWORD Ticks() override { return ticks; }
    void Sleep(DWORD milliseconds) override {
        Record(Event::Sleep, scrutel::ConsoleTarget::StdOut, L"", milliseconds);
        ticks += milliseconds;
    }
    HANDLE OpenOutputDevice() override {
        Record(Event::Open, scrutel::ConsoleTarget::ConOut, L"", 0);
        if (failedOpens > 0) {
            --failedOpens;
            return nullptr;
        }
        return DeviceHandle();
    }
    void CloseOutputDevice(HANDLE device) override {
        Record(Event::Close, scrutel::ConsoleTarget::ConOut, L"",
               static_cast<DWORD>(reinterpret_cast<uintptr_t>(device)));
    }

    // The value that stands for the console output device; never a real handle.
    static HANDLE DeviceHandle() { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x5C07)); }

  private:
    void Record(Event::Kind kind, scrutel::ConsoleTarget target, const std::wstring& text, DWORD value) {
        Event e;
        e.kind = kind;
        e.target = target;
        e.text = text;
        e.value = value;
        std::wstring out = HostCapturedText(1);
        size_t n = 0;
        for (size_t p = out.find(L"\r\n"); p != std::wstring::npos; p = out.find(L"\r\n", p + 2))
            ++n;
        e.lineEnds = n;
        events.push_back(e);
    }

    scrutel::ConsoleIo* previous_;
};

// Saves the process-wide paging and colour state and the two colour environment variables, and
// puts them back afterwards.
// Expects the console calls of a second run to be those of the first: the same calls, texts and
// values, each after the same number of host line ends.
inline void ExpectSameEvents(const std::vector<ScriptedConsole::Event>& expected,
                             const std::vector<ScriptedConsole::Event>& actual) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].kind, expected[i].kind) << "console event " << i;
        EXPECT_EQ(actual[i].text, expected[i].text) << "console event " << i;
        EXPECT_EQ(actual[i].value, expected[i].value) << "console event " << i;
        EXPECT_EQ(actual[i].lineEnds, expected[i].lineEnds) << "console event " << i;
    }
}

// Everything a list of console calls wrote, in order.
inline std::wstring WrittenBy(const std::vector<ScriptedConsole::Event>& events) {
    std::wstring all;
    for (const ScriptedConsole::Event& e : events)
        if (e.kind == ScriptedConsole::Event::Write) all += e.text;
    return all;
}

// A test's own output state: a copy of the state current when it is made, current for its life,
// so that whatever the test sets (paging, colours, the console device) goes with it; and the
// NO_COLOR and Highlight variables, which colour set-up reads, as they were before.
class TestOutput {
  public:
    TestOutput() : state_(scrutel::Output()), scope_(state_) {
        Save(L"NO_COLOR", noColor_, hadNoColor_);
        Save(L"Highlight", highlight_, hadHighlight_);
    }
    ~TestOutput() {
        SetEnvironmentVariableW(L"NO_COLOR", hadNoColor_ ? noColor_.c_str() : nullptr);
        SetEnvironmentVariableW(L"Highlight", hadHighlight_ ? highlight_.c_str() : nullptr);
    }
    TestOutput(const TestOutput&) = delete;
    TestOutput& operator=(const TestOutput&) = delete;

  private:
    static void Save(const wchar_t* name, std::wstring& value, bool& had) {
        wchar_t buffer[4096];
        DWORD n = GetEnvironmentVariableW(name, buffer, 4096);
        had = n > 0 && n < 4096;
        if (had) value.assign(buffer, n);
    }

    scrutel::OutputState state_;
    scrutel::OutputScope scope_;
    std::wstring noColor_, highlight_;
    bool hadNoColor_ = false, hadHighlight_ = false;
};

} // namespace testing_support
