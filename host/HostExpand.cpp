// Variable expansion of the stand-in host: %name, %[name], %%, internal variables.
#include "HostState.h"
#include "plugin/HostApi.h"

#include <cwchar>
#include <cwctype>
#include <string>

namespace host {

static constexpr size_t BufferChars = 8192;

static bool IsNameChar(wchar_t c) { return iswalnum(c) || c == L'_' || c == L'$'; }

// The value of a variable: internal variables first, then the environment; absent is empty.
static std::wstring VariableValue(const std::wstring& name) {
    ShellState& s = State();
    if (_wcsicmp(name.c_str(), L"_transient") == 0) return std::to_wstring(s.transient);
    if (_wcsicmp(name.c_str(), L"_pipe") == 0) return std::to_wstring(s.pipe);
    if (_wcsicmp(name.c_str(), L"_batch") == 0) return s.batchName.empty() ? L"0" : L"1";
    if (_wcsicmp(name.c_str(), L"_batchname") == 0) return s.batchName;
    if (_wcsicmp(name.c_str(), L"_batchline") == 0) return std::to_wstring(s.batchLine);
    wchar_t value[BufferChars];
    DWORD n = GetEnvironmentVariableW(name.c_str(), value, BufferChars);
    if (n == 0 || n >= BufferChars) return L"";
    return std::wstring(value, n);
}

static bool Expand(const std::wstring& in, std::wstring& out) {
    out.clear();
    for (size_t i = 0; i < in.size();) {
        wchar_t c = in[i];
        if (c != L'%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < in.size() && in[i + 1] == L'%') {
            out += L'%';
            i += 2;
            continue;
        }
        if (i + 1 < in.size() && in[i + 1] == L'[') {
            size_t close = in.find(L']', i + 2);
            if (close == std::wstring::npos) return false;
            out += VariableValue(in.substr(i + 2, close - i - 2));
            i = close + 1;
            continue;
        }
        size_t j = i + 1;
        while (j < in.size() && IsNameChar(in[j])) ++j;
        if (j == i + 1) {
            out += L'%';
            ++i;
            continue;
        }
        out += VariableValue(in.substr(i + 1, j - i - 1));
        i = j;
    }
    return true;
}

} // namespace host

SCRUTEL_HOST_API int ExpandVariables(wchar_t* buffer, int) {
    if (!buffer) return 1;
    try {
        std::wstring out;
        if (!host::Expand(buffer, out) || out.size() >= host::BufferChars) return 1;
        wmemcpy(buffer, out.c_str(), out.size() + 1);
        return 0;
    } catch (...) {
        return 1;
    }
}
