// Highlight colours: whether a command writes in colour and which colour headings get, from the
// environment, the registry or the console's own colours; and recognising VT terminals.
#include "output/Colours.h"

#include "output/Console.h"
#include "output/LineOutput.h"
#include "gateway/HostGateway.h"
#include "core/Limits.h"
#include "core/Owners.h"
#include "core/Version.h"

#include <cwchar>
#include <string>

namespace scrutel {

namespace {

constexpr DWORD VtModeBits = ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING;
constexpr int InheritBackground = 64; // the host's "keep the background" colour number

void HostParseColours(const wchar_t* text, int* foreground, int* background) {
    gateway::ParseColors(text, foreground, background);
}

// "0x" followed by one or more hexadecimal digits and nothing else, at most one byte.
bool ParseHexAttribute(const wchar_t* digits, unsigned& value) {
    value = 0;
    if (!*digits) return false;
    for (const wchar_t* p = digits; *p; ++p) {
        unsigned d;
        if (*p >= L'0' && *p <= L'9')
            d = *p - L'0';
        else if (*p >= L'a' && *p <= L'f')
            d = *p - L'a' + 10;
        else if (*p >= L'A' && *p <= L'F')
            d = *p - L'A' + 10;
        else
            return false;
        value = value * 16 + d;
        // An attribute is one byte; anything larger would lose its background's high bits.
        if (value > 0xFF) return false;
    }
    return true;
}

// Reads a REG_SZ value of an open key into buffer (TextOutputChars characters); its length, or 0 when it is
// missing, of another type, empty or too long.
unsigned ReadKeyText(HKEY key, const wchar_t* name, wchar_t* buffer) {
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(TextOutputChars * sizeof(wchar_t));
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
    if (status != ERROR_SUCCESS || type != REG_SZ) return 0;
    // Stored strings need not end in a zero; one that fills the buffer without one does not fit.
    size_t n = bytes / sizeof(wchar_t);
    while (n > 0 && buffer[n - 1] == 0)
        --n;
    if (n >= TextOutputChars) return 0;
    buffer[n] = 0;
    return static_cast<unsigned>(wcslen(buffer));
}

unsigned ReadRegistryText(HKEY root, const wchar_t* keyName, const wchar_t* name, wchar_t* buffer) {
    buffer[0] = 0;
    RegKey key;
    if (RegOpenKeyExW(root, keyName, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return 0;
    unsigned n = ReadKeyText(key.get(), name, buffer);
    if (n == 0) buffer[0] = 0;
    return n;
}

} // namespace

const wchar_t* PluginRegistryKey() {
    // Made once, thread-safely, and never changed.
    static const std::wstring key = std::wstring(SharedRegistryKey) + L"\\" + ProductName;
    return key.c_str();
}

unsigned RegistryHighlight(wchar_t* buffer) {
    const struct {
        HKEY root;
        const wchar_t* key;
    } places[] = {
        {HKEY_CURRENT_USER, PluginRegistryKey()},
        {HKEY_LOCAL_MACHINE, PluginRegistryKey()},
        {HKEY_CURRENT_USER, SharedRegistryKey},
        {HKEY_LOCAL_MACHINE, SharedRegistryKey},
    };
    for (const auto& place : places) {
        unsigned n = ReadRegistryText(place.root, place.key, L"Highlight", buffer);
        if (n) return n;
    }
    buffer[0] = 0;
    return 0;
}

int ChooseHighlight(unsigned normal, const wchar_t* configured, ColourParser parse) {
    normal &= 0xFF;
    const int fg = normal & 0x0F;
    const int bg = normal >> 4;
    if (fg == bg) return -1;

    if (!configured || !*configured) {
        // Nothing configured: the bright form of a dim foreground, else a contrast colour.
        if (!(fg & 0x08) && !(bg & 0x08) && fg != 0) return static_cast<int>(normal | 0x08);
        return ContrastFor(bg, normal);
    }

    int f = -1, b = -1;
    if (_wcsnicmp(configured, L"inv", 3) == 0) {
        f = bg;
        b = fg & 0x07;
    } else if (_wcsnicmp(configured, L"0x", 2) == 0) {
        unsigned value;
        if (ParseHexAttribute(configured + 2, value)) {
            f = static_cast<int>(value & 0x0F);
            b = static_cast<int>(value >> 4);
        }
    } else if (parse) {
        parse(configured, &f, &b);
    }

    if (b == InheritBackground) {
        if (f < 0) return -1;
        if (f <= 15) b = -1;
    }
    if (f < 0) return -1;
    // Colour numbers outside the sixteen console colours cannot be shown as asked.
    if (f > 15 || b > 15) return -1;
    if (b >= 0 && f != b && !(f == fg && b == bg)) return (b << 4) | f;
    if (b != -1) return -1;
    if (f == fg || f == bg) return -1;
    return (bg << 4) | f;
}

void SetupColours(int noHighlight) {
    Output().colours.normalAttr = 0;
    Output().colours.highlightAttr = 0;
    ConsoleIo& console = Console();
    DWORD mode = 0;
    if (!console.GetMode(ConsoleTarget::StdOut, mode) || mode == 0xFFFFFFFF) return;
    if (Output().colours.vtTerminal && Output().colours.conOut) {
        // Another program may have switched VT processing off since the plugin started.
        DWORD deviceMode = 0;
        if (console.GetMode(ConsoleTarget::ConOut, deviceMode))
            console.SetMode(ConsoleTarget::ConOut, deviceMode | VtModeBits);
    }
    if (noHighlight || ColourSuppressed()) return;

    unsigned normal = 0, inverse = 0;
    gateway::GetAttribute(&normal, &inverse);
    wchar_t text[TextOutputChars];
    if (ReadEnvironment(L"Highlight", text) == 0) RegistryHighlight(text);
    int highlight = ChooseHighlight(normal, text, HostParseColours);
    if (highlight < 0) return;
    Output().colours.highlightAttr = static_cast<uint8_t>(highlight);
    Output().colours.normalAttr = static_cast<uint8_t>(normal & 0xFF);
}

bool IsTerminalWindow(const wchar_t* windowClass, const wchar_t* parentClass) {
    return windowClass && parentClass && wcscmp(windowClass, L"PseudoConsoleWindow") == 0 &&
           wcscmp(parentClass, L"CASCADIA_HOSTING_WINDOW_CLASS") == 0;
}

bool DetectTerminal() {
    HWND window = GetConsoleWindow();
    if (!window) return false;
    wchar_t windowClass[1024] = {};
    if (!RealGetWindowClassW(window, windowClass, 1024)) return false;
    // The terminal makes itself the pseudo-console window's parent, or its owner.
    HWND parent = GetParent(window);
    if (!parent) parent = GetWindow(window, GW_OWNER);
    if (!parent) return IsTerminalWindow(windowClass, nullptr);
    wchar_t parentClass[1024] = {};
    if (!RealGetWindowClassW(parent, parentClass, 1024)) return false;
    return IsTerminalWindow(windowClass, parentClass);
}

} // namespace scrutel
