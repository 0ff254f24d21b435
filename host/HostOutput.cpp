// Output operations of the stand-in host (Printf, Qprintf, QPuts), the capture used by tests,
// and the test hooks that set the shell state.
#include "HostState.h"
#include "HostTesting.h"
#include "gateway/HostExports.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

namespace host {

ShellState& State() {
    static ShellState state;
    return state;
}

static bool IsConsole(HANDLE handle) {
    DWORD mode;
    return GetConsoleMode(handle, &mode) != 0;
}

static void WriteAll(HANDLE handle, const char* bytes, size_t size) {
    while (size > 0) {
        DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle, bytes, chunk, &written, nullptr) || written == 0) return;
        bytes += written;
        size -= written;
    }
}

void WriteText(HANDLE handle, const wchar_t* text, size_t length) {
    ShellState& s = State();
    if (s.capturing) {
        if (handle == GetStdHandle(STD_OUTPUT_HANDLE)) {
            s.captured[1].append(text, length);
            return;
        }
        if (handle == GetStdHandle(STD_ERROR_HANDLE)) {
            s.captured[2].append(text, length);
            return;
        }
    }
    if (!handle || handle == INVALID_HANDLE_VALUE || length == 0) return;
    if (IsConsole(handle)) {
        // The console takes UTF-16 directly; chunks keep each call's size moderate.
        while (length > 0) {
            DWORD chunk = length > 16384 ? 16384 : static_cast<DWORD>(length);
            DWORD written = 0;
            if (!WriteConsoleW(handle, text, chunk, &written, nullptr) || written == 0) return;
            text += written;
            length -= written;
        }
        return;
    }
    // Files and pipes get UTF-8 without a byte-order mark, the text otherwise unchanged.
    constexpr size_t Piece = 1u << 20;
    while (length > 0) {
        size_t n = length > Piece ? Piece : length;
        // Do not split a surrogate pair between two conversions.
        if (n < length && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
        int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
        if (bytes <= 0) return;
        std::vector<char> utf8(static_cast<size_t>(bytes));
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), utf8.data(), bytes, nullptr, nullptr);
        WriteAll(handle, utf8.data(), utf8.size());
        text += n;
        length -= n;
    }
}

void WriteError(const std::wstring& text) {
    WriteText(GetStdHandle(STD_ERROR_HANDLE), text.data(), text.size());
}

// Formats with the C runtime's wide printf (%s is a wide string, %I64u a 64-bit value).
static std::wstring FormatV(const wchar_t* format, va_list args) {
    std::vector<wchar_t> buffer(1024);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int n = _vsnwprintf(buffer.data(), buffer.size() - 1, format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buffer.size() - 1) return std::wstring(buffer.data(), n);
        if (buffer.size() >= (1u << 24)) return std::wstring(buffer.data(), buffer.size() - 1);
        buffer.assign(buffer.size() * 2, 0);
    }
}

} // namespace host

using namespace host;

SCRUTEL_HOST_API int Printf(const wchar_t* format, ...) {
    host::CheckCommandThread("Printf");
    if (!format) return 0;
    try {
        va_list args;
        va_start(args, format);
        std::wstring text = FormatV(format, args);
        va_end(args);
        WriteText(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), text.size());
        return static_cast<int>(text.size());
    } catch (...) {
        return 0;
    }
}

SCRUTEL_HOST_API int Qprintf(HANDLE handle, const wchar_t* format, ...) {
    host::CheckCommandThread("Qprintf");
    if (!format) return 0;
    try {
        va_list args;
        va_start(args, format);
        std::wstring text = FormatV(format, args);
        va_end(args);
        WriteText(handle, text.data(), text.size());
        return static_cast<int>(text.size());
    } catch (...) {
        return 0;
    }
}

SCRUTEL_HOST_API int QPuts(const wchar_t* text) {
    host::CheckCommandThread("QPuts");
    if (!text) return 0;
    try {
        size_t n = wcslen(text);
        WriteText(GetStdHandle(STD_OUTPUT_HANDLE), text, n);
        return static_cast<int>(n);
    } catch (...) {
        return 0;
    }
}

SCRUTEL_HOST_TEST_API void HostStartCapture() {
    State().capturing = true;
    State().captured[1].clear();
    State().captured[2].clear();
}

SCRUTEL_HOST_TEST_API void HostStopCapture() {
    State().capturing = false;
}

SCRUTEL_HOST_TEST_API const wchar_t* HostCapturedText(int stream) {
    if (stream != 1 && stream != 2) return L"";
    return State().captured[stream].c_str();
}

SCRUTEL_HOST_TEST_API void HostSetShellFlags(int transient, int pipe) {
    State().transient = transient;
    State().pipe = pipe;
}

SCRUTEL_HOST_TEST_API void HostSetBatch(const wchar_t* batchName, int line) {
    try {
        State().batchName = batchName ? batchName : L"";
        State().batchLine = line;
    } catch (...) {
    }
}

SCRUTEL_HOST_TEST_API int HostLastSetColors() {
    return State().lastSetColors;
}

SCRUTEL_HOST_TEST_API void HostRegisterPlugin(HMODULE plugin) {
    if (!plugin) return;
    try {
        ShellState& s = State();
        for (HMODULE known : s.plugins)
            if (known == plugin) return;
        s.plugins.push_back(plugin);
        for (const std::string& exportName : ExportNames(plugin)) {
            std::wstring name = VariableNameFromExport(exportName);
            if (name.empty()) continue;
            auto function = reinterpret_cast<VariableFunction>(
                reinterpret_cast<void*>(GetProcAddress(plugin, exportName.c_str())));
            if (function) s.pluginVariables.push_back({name, function});
        }
    } catch (...) {
    }
}

SCRUTEL_HOST_TEST_API void HostUnregisterPlugin(HMODULE plugin) {
    try {
        ShellState& s = State();
        std::erase(s.plugins, plugin);
        // Drop the functions that live inside the module's image.
        std::erase_if(s.pluginVariables, [plugin](const PluginVariable& v) {
            HMODULE owner = nullptr;
            return !GetModuleHandleExW(
                       GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(v.function)), &owner) ||
                   owner == plugin;
        });
    } catch (...) {
    }
}
