// The plugin exports the host calls outside the command itself: plugin information, start-up
// (GDI+, load message, console), shutdown, usage text and the help window.
#include "plugin/Lifecycle.h"
#include "core/Limits.h"
#include "core/Version.h"

#include "command/HelpTexts.h"
#include "output/Colours.h"
#include "output/Console.h"
#include "output/LineOutput.h"
#include "output/ErrorReport.h"
#include "gateway/HostGateway.h"
#include "plugin/PluginInfo.h"

#include <algorithm>
#include <cwchar>
#include <vector>

// The GDI+ headers expect min and max, which NOMINMAX keeps out of the Windows headers.
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

namespace scrutel {

namespace {

PluginInfo g_info;
ULONG_PTR g_graphicsToken = 0;
bool g_graphicsRunning = false;

int StartGdiplus(ULONG_PTR* token) {
    Gdiplus::GdiplusStartupInput input; // version 1, no debug callback, nothing suppressed
    return static_cast<int>(Gdiplus::GdiplusStartup(token, &input, nullptr));
}

// Expands text through the host; true when the result is exactly "00" (not transient, not a
// pipe, and, when asked for, noloadmsg empty or unset).
bool ExpandsToDoubleZero(const wchar_t* text) {
    // The host's expansion may grow the text up to its own buffer size, so the buffer has that size.
    std::vector<wchar_t> buffer(HostExpandChars, L'\0');
    wcsncpy(buffer.data(), text, HostExpandChars - 1);
    gateway::ExpandVariables(buffer.data(), 1);
    buffer[HostExpandChars - 1] = 0;
    return wcscmp(buffer.data(), L"00") == 0;
}

bool IsCommandName(const wchar_t* name) {
    return name && _wcsicmp(name, L"scrutel") == 0;
}

} // namespace

bool GraphicsRunning() {
    return g_graphicsRunning;
}

bool IsTransientShell() {
    return !ExpandsToDoubleZero(L"%[_transient]%[_pipe]");
}

void SetupConsole() {
    ConsoleIo& console = Console();
    Output().colours.vtTerminal = DetectTerminal();
    if (Output().colours.conOut) console.CloseOutputDevice(Output().colours.conOut);
    Output().colours.conOut = console.OpenOutputDevice();
    if (!Output().colours.conOut) {
        // The console can be briefly unavailable while the host sets it up.
        console.Sleep(50);
        Output().colours.conOut = console.OpenOutputDevice();
    }
    if (Output().colours.vtTerminal && Output().colours.conOut) {
        DWORD mode = 0;
        if (console.GetMode(ConsoleTarget::ConOut, mode))
            console.SetMode(ConsoleTarget::ConOut,
                            mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
}

int StartPlugin(GraphicsStart start) {
    ULONG_PTR token = 0;
    int status = start ? start(&token) : -1;
    if (status != 0) {
        if (!IsTransientShell()) {
            PrintErrorPrefix();
            gateway::Qprintf(GetStdHandle(STD_ERROR_HANDLE),
                             L"Error %d initializing GDI+ \u2014 %s plugin not loaded.\r\n", status,
                             ProductName);
        }
        return -1;
    }
    // A second start-up replaces the first one's token; that one is shut down, not leaked.
    if (g_graphicsRunning) Gdiplus::GdiplusShutdown(g_graphicsToken);
    g_graphicsToken = token;
    g_graphicsRunning = true;
    if (ExpandsToDoubleZero(L"%[_transient]%[_pipe]%[noloadmsg]"))
        gateway::Printf(L"%s v%u.%u.%u loaded.\r\n", ProductName, VersionMajor, VersionMinor, VersionBuild);
    SetupConsole();
    return 0;
}

int ShowHelp(const wchar_t* name, MessageBoxShow show) {
    if (!IsCommandName(name) || !show) return 0;
    wchar_t title[64];
    _snwprintf(title, 63, L"%s Plugin Help", ProductName);
    title[63] = 0;
    show(GetForegroundWindow(), HelpText, title, MB_OK);
    return 1;
}

} // namespace scrutel

using namespace scrutel;

extern "C" PluginInfo* WINAPI GetPluginInfo(HMODULE) {
    gateway::EnterFromHost();
    g_info.pluginName = ProductName;
    g_info.author = L"" SCRUTEL_PRODUCT_NAME " developers";
    g_info.email = L"developers@scrutel.example";
    g_info.webPage = L"https://scrutel.example/";
    g_info.description = L"Adds a SCRUTEL command.";
    g_info.implementedNames = L"scrutel";
    g_info.majorVersion = VersionMajor;
    g_info.minorVersion = VersionMinor;
    g_info.build = VersionBuild;
    return &g_info;
}

extern "C" BOOL WINAPI InitializePlugin(void) {
    gateway::EnterFromHost();
    try {
        return StartPlugin(StartGdiplus);
    } catch (...) {
        return -1;
    }
}

extern "C" BOOL WINAPI ShutdownPlugin(BOOL) {
    gateway::EnterFromHost();
    try {
        if (g_graphicsRunning) {
            Gdiplus::GdiplusShutdown(g_graphicsToken);
            g_graphicsRunning = false;
            g_graphicsToken = 0;
        }
        Output().paging.interrupted = 0;
        RemoveCtrlHandler();
        if (Output().colours.conOut) {
            Console().CloseOutputDevice(Output().colours.conOut);
            Output().colours.conOut = nullptr;
        }
    } catch (...) {
    }
    return 0;
}

extern "C" int WINAPI Usage(const wchar_t* name, wchar_t* output) {
    gateway::EnterFromHost();
    try {
        if (!name || !output || name[0] == L'@' || name[0] == L'_') return 0;
        if (!IsCommandName(name)) return 0;
        // The usage text is the help text from its syntax line on.
        const wchar_t* text = wcschr(HelpText, L'\n');
        text = text ? text : HelpText;
        while (*text == L'\n')
            ++text;
        size_t n = std::min(wcslen(text), TextOutputChars - 1);
        wmemcpy(output, text, n);
        output[n] = 0;
        return 1;
    } catch (...) {
        return 0;
    }
}

extern "C" int WINAPI Help(const wchar_t* name, void*) {
    gateway::EnterFromHost();
    try {
        return ShowHelp(name, [](HWND owner, const wchar_t* text, const wchar_t* title, UINT flags) {
            return MessageBoxW(owner, text, title, flags);
        });
    } catch (...) {
        return 0;
    }
}
