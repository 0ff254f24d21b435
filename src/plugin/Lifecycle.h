// Plugin start-up and shutdown, usage and help texts, and the console set-up done at start-up.
#pragma once
#include <windows.h>

namespace scrutel {

// Starts GDI+ and stores its token; returns the GDI+ status, 0 for success.
using GraphicsStart = int (*)(ULONG_PTR* token);
// The work of InitializePlugin with the given GDI+ start-up: 0 when the plugin is ready, -1 when
// it must not be loaded.
int StartPlugin(GraphicsStart start);
// Whether GDI+ was started and not yet shut down.
bool GraphicsRunning();

// True unless the shell is interactive (neither transient nor a pipe shell).
bool IsTransientShell();
// Recognises a VT terminal and opens the console output device.
void SetupConsole();

// The work of Help with the given message box (owner, text, title, flags).
using MessageBoxShow = int (*)(HWND owner, const wchar_t* text, const wchar_t* title, UINT flags);
int ShowHelp(const wchar_t* name, MessageBoxShow show);

} // namespace scrutel
