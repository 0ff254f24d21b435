// The real console behind ConsoleIo: thin Win32 calls on standard output, the console output
// device and the console input.
#include "output/Console.h"

#include "output/LineOutput.h"
#include "output/Progress.h"
#include "core/Owners.h"
#include "gateway/HostGateway.h"

#include <cwchar>

namespace scrutel {

namespace {

HANDLE TargetHandle(ConsoleTarget target) {
    return target == ConsoleTarget::StdOut ? GetStdHandle(STD_OUTPUT_HANDLE) : Output().colours.conOut;
}

bool Usable(HANDLE h) {
    return h != nullptr && h != INVALID_HANDLE_VALUE;
}

KeyWait WaitKeyOn(HANDLE input, DWORD milliseconds, KeyPress& key) {
    DWORD mode = 0;
    if (!GetConsoleMode(input, &mode)) return KeyWait::NoInput;
    if (WaitForSingleObject(input, milliseconds) != WAIT_OBJECT_0) return KeyWait::NoKey;
    DWORD pending = 0;
    // Take every event that is waiting, so that mouse, focus and key-up events cannot keep the
    // handle signalled without a key.
    while (GetNumberOfConsoleInputEvents(input, &pending) && pending > 0) {
        INPUT_RECORD record{};
        DWORD read = 0;
        if (!ReadConsoleInputW(input, &record, 1, &read) || read == 0) return KeyWait::NoKey;
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) {
            key.character = record.Event.KeyEvent.uChar.UnicodeChar;
            key.virtualKey = record.Event.KeyEvent.wVirtualKeyCode;
            key.scanCode = record.Event.KeyEvent.wVirtualScanCode;
            return KeyWait::Key;
        }
    }
    return KeyWait::NoKey;
}

class RealConsole final : public ConsoleIo {
  public:
    bool GetMode(ConsoleTarget target, DWORD& mode) override {
        HANDLE h = TargetHandle(target);
        return Usable(h) && GetConsoleMode(h, &mode) != 0;
    }

    bool SetMode(ConsoleTarget target, DWORD mode) override {
        HANDLE h = TargetHandle(target);
        return Usable(h) && SetConsoleMode(h, mode) != 0;
    }

    bool GetScreenInfo(ConsoleTarget target, CONSOLE_SCREEN_BUFFER_INFO& info) override {
        HANDLE h = TargetHandle(target);
        return Usable(h) && GetConsoleScreenBufferInfo(h, &info) != 0;
    }

    bool SetAttribute(ConsoleTarget target, WORD attribute) override {
        HANDLE h = TargetHandle(target);
        return Usable(h) && SetConsoleTextAttribute(h, attribute) != 0;
    }

    void Write(const wchar_t* text, size_t length) override {
        HANDLE h = Output().colours.conOut;
        if (!Usable(h) || !text) return;
        while (length > 0) {
            DWORD chunk = length > 16384 ? 16384 : static_cast<DWORD>(length);
            DWORD written = 0;
            if (!WriteConsoleW(h, text, chunk, &written, nullptr) || written == 0) return;
            text += written;
            length -= written;
        }
    }

    // Waiting on the input handle (rather than polling the event count) is what makes the
    // console read pending keys, and it doubles as the 10-millisecond sleep of the caller.
    KeyWait WaitKey(DWORD milliseconds, KeyPress& key) override {
        FileHandle input(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!input) return KeyWait::NoInput;
        return WaitKeyOn(input.get(), milliseconds, key);
    }

    DWORD Ticks() override { return GetTickCount(); }

    void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }

    HANDLE OpenOutputDevice() override {
        HANDLE h = CreateFileW(L"conout$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : h;
    }

    void CloseOutputDevice(HANDLE device) override {
        // Taking ownership closes the device when the owner goes out of scope here.
        Handle owned(Usable(device) ? device : nullptr);
    }
};

RealConsole g_realConsole;
ConsoleIo* g_console = &g_realConsole;

} // namespace

ConsoleIo& Console() {
    // The console is the printer's: a worker that reached it would draw between report lines.
    gateway::RequireHostThread("the console");
    return *g_console;
}

ConsoleIo* SetConsole(ConsoleIo* console) {
    ConsoleIo* previous = g_console;
    g_console = console ? console : &g_realConsole;
    return previous;
}

void WriteConsoleText(const wchar_t* text) {
    FlushOutput();
    NoteOutput();
    if (text) Console().Write(text, wcslen(text));
}

} // namespace scrutel
