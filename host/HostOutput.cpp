// Output operations of the stand-in host and the capture used by tests.
#include "HostState.h"
#include "HostTesting.h"
#include "plugin/HostApi.h"

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
    DWORD written = 0;
    if (IsConsole(handle)) {
        WriteConsoleW(handle, text, static_cast<DWORD>(length), &written, nullptr);
        return;
    }
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return;
    std::vector<char> utf8(static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), bytes, nullptr, nullptr);
    WriteFile(handle, utf8.data(), static_cast<DWORD>(bytes), &written, nullptr);
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
    if (!format) return 0;
    va_list args;
    va_start(args, format);
    std::wstring text = FormatV(format, args);
    va_end(args);
    WriteText(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), text.size());
    return static_cast<int>(text.size());
}

SCRUTEL_HOST_API int Qprintf(HANDLE handle, const wchar_t* format, ...) {
    if (!format) return 0;
    va_list args;
    va_start(args, format);
    std::wstring text = FormatV(format, args);
    va_end(args);
    WriteText(handle, text.data(), text.size());
    return static_cast<int>(text.size());
}

SCRUTEL_HOST_API int QPuts(const wchar_t* text) {
    if (!text) return 0;
    size_t n = wcslen(text);
    WriteText(GetStdHandle(STD_OUTPUT_HANDLE), text, n);
    return static_cast<int>(n);
}

SCRUTEL_HOST_TEST_API void HostStartCapture() {
    State().capturing = true;
    State().captured[1].clear();
    State().captured[2].clear();
}

SCRUTEL_HOST_TEST_API void HostStopCapture() { State().capturing = false; }

SCRUTEL_HOST_TEST_API const wchar_t* HostCapturedText(int stream) {
    if (stream != 1 && stream != 2) return L"";
    return State().captured[stream].c_str();
}

SCRUTEL_HOST_TEST_API void HostSetShellFlags(int transient, int pipe) {
    State().transient = transient;
    State().pipe = pipe;
}

SCRUTEL_HOST_TEST_API void HostSetBatch(const wchar_t* batchName, int line) {
    State().batchName = batchName ? batchName : L"";
    State().batchLine = line;
}

SCRUTEL_HOST_TEST_API int HostLastSetColors() { return State().lastSetColors; }

SCRUTEL_HOST_TEST_API void HostRegisterPlugin(HMODULE plugin) {
    ShellState& s = State();
    if (plugin && s.pluginCount < 8) s.plugins[s.pluginCount++] = plugin;
}
