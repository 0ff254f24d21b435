// State shared by the stand-in host's operations: shell flags, batch position, capture buffers.
#pragma once
#include <windows.h>
#include <string>

namespace host {

struct ShellState {
    int transient = 0;
    int pipe = 0;
    std::wstring batchName; // empty: no batch file running
    int batchLine = 0;
    int lastSetColors = -1;
    bool capturing = false;
    std::wstring captured[3]; // [1] standard output, [2] standard error
    HMODULE plugins[8] = {};
    int pluginCount = 0;
};

ShellState& State();

// Writes text to handle: WriteConsoleW for a console, UTF-8 otherwise; honours capture.
void WriteText(HANDLE handle, const wchar_t* text, size_t length);

} // namespace host
