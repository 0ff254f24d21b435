// The console operations behind line output, paging and colours (attributes, modes, window size,
// direct writes, key input, ticks, sleeping), as one small interface so tests can script them.
#pragma once
#include <windows.h>
#include <cstddef>

namespace scrutel {

// Which console a call addresses: the screen buffer behind standard output, or the console output
// device "conout$" that the plugin opens at start-up (Output().colours.conOut).
enum class ConsoleTarget { StdOut, ConOut };

// One key-down event from the console input.
struct KeyPress {
    wchar_t character = 0;
    WORD virtualKey = 0;
    WORD scanCode = 0;
};

enum class KeyWait {
    Key,     // key holds a key-down event
    NoKey,   // the wait ended without a key
    NoInput, // there is no console input to wait on
};

class ConsoleIo {
  public:
    virtual ~ConsoleIo() = default;

    virtual bool GetMode(ConsoleTarget target, DWORD& mode) = 0;
    virtual bool SetMode(ConsoleTarget target, DWORD mode) = 0;
    virtual bool GetScreenInfo(ConsoleTarget target, CONSOLE_SCREEN_BUFFER_INFO& info) = 0;
    virtual bool SetAttribute(ConsoleTarget target, WORD attribute) = 0;
    // Writes straight to the console output device, past the host's output routines.
    virtual void Write(const wchar_t* text, size_t length) = 0;
    // Waits up to milliseconds for a key-down event at the console input.
    virtual KeyWait WaitKey(DWORD milliseconds, KeyPress& key) = 0;
    // Milliseconds since an arbitrary start, 32 bits, wrapping.
    virtual DWORD Ticks() = 0;
    virtual void Sleep(DWORD milliseconds) = 0;
    // Opens the console output device "conout$"; null when that fails.
    virtual HANDLE OpenOutputDevice() = 0;
    virtual void CloseOutputDevice(HANDLE device) = 0;
};

// The console in use: the real one unless a test installed another.
ConsoleIo& Console();
// Installs console (null: the real console again); returns the one that was in use before.
ConsoleIo* SetConsole(ConsoleIo* console);

// Writes a zero-terminated text straight to the console output device.
void WriteConsoleText(const wchar_t* text);

} // namespace scrutel
