// Variable expansion of the stand-in host: %name, %[name], %@function[arguments], %% and the
// internal variables, expanded in place within a buffer of HostExpandChars characters.
#include "HostState.h"
#include "HostTesting.h"
#include "gateway/HostExports.h"

#include <cwchar>
#include <cwctype>
#include <string>

namespace host {

namespace {

// Deep enough for any real expression; bounds the recursion so hostile text cannot exhaust
// the stack.
constexpr int MaxDepth = 128;

bool IsNameChar(wchar_t c) {
    return iswalnum(c) || c == L'_';
}

// Index of the "]" that closes the "[" at open, counting nested brackets. Brackets inside
// double quotes do not count (a quoted file name may hold them); when the quotes do not pair
// up, every bracket counts.
size_t MatchingBracket(const std::wstring& text, size_t open) {
    for (int pass = 0; pass < 2; ++pass) {
        int depth = 0;
        bool quoted = false;
        for (size_t k = open; k < text.size(); ++k) {
            wchar_t c = text[k];
            if (pass == 0 && c == L'"') {
                quoted = !quoted;
                continue;
            }
            if (quoted) continue;
            if (c == L'[') {
                ++depth;
            } else if (c == L']' && --depth == 0) {
                return k;
            }
        }
    }
    return std::wstring::npos;
}

bool InternalValue(const std::wstring& name, std::wstring& value) {
    const ShellState& s = State();
    auto is = [&name](const wchar_t* n) { return _wcsicmp(name.c_str(), n) == 0; };
    if (is(L"_transient")) {
        value = std::to_wstring(s.transient);
    } else if (is(L"_pipe")) {
        value = std::to_wstring(s.pipe);
    } else if (is(L"_batch")) {
        value = s.batchName.empty() ? L"0" : L"1";
    } else if (is(L"_batchname")) {
        value = s.batchName;
    } else if (is(L"_batchline")) {
        value = s.batchName.empty() ? L"0" : std::to_wstring(s.batchLine);
    } else {
        return false;
    }
    return true;
}

// The value of a variable: a plugin's internal variable, the host's own, then the
// environment; an undefined variable is empty.
bool VariableValue(const std::wstring& name, std::wstring& value, std::wstring& error) {
    value.clear();
    if (name.empty()) return true;
    if (name[0] == L'_') {
        bool found = false;
        if (!PluginVariableValue(name, value, found, error)) return false;
        if (found || InternalValue(name, value)) return true;
    }
    std::vector<wchar_t> buffer(PathChars, 0);
    DWORD n = GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n > 0 && n < buffer.size()) value.assign(buffer.data(), n);
    return true;
}

std::wstring Excerpt(const std::wstring& text, size_t from) {
    std::wstring part = text.substr(from, 60);
    if (text.size() - from > 60) part += L"...";
    return part;
}

bool Expand(const std::wstring& in, std::wstring& out, int depth, std::wstring& error, size_t maxLength) {
    if (depth > MaxDepth) {
        error = L"Variable functions nested more than " + std::to_wstring(MaxDepth) + L" deep\r\n";
        return false;
    }
    out.clear();
    std::wstring value;
    for (size_t i = 0; i < in.size();) {
        wchar_t c = in[i];
        if (c != L'%' || i + 1 == in.size()) {
            out += c;
            ++i;
        } else if (in[i + 1] == L'%') {
            out += L'%';
            i += 2;
        } else if (in[i + 1] == L'[') {
            size_t close = MatchingBracket(in, i + 1);
            if (close == std::wstring::npos) {
                error = L"Missing \"]\" in \"" + Excerpt(in, i) + L"\"\r\n";
                return false;
            }
            std::wstring name;
            if (!Expand(in.substr(i + 2, close - i - 2), name, depth + 1, error, maxLength)) return false;
            if (!VariableValue(name, value, error)) return false;
            out += value;
            i = close + 1;
        } else if (in[i + 1] == L'@') {
            size_t j = i + 2;
            while (j < in.size() && IsNameChar(in[j]))
                ++j;
            if (j == i + 2 || j == in.size() || in[j] != L'[') {
                // Not a function call: the text stays as written.
                out += L"%@";
                i += 2;
                continue;
            }
            size_t close = MatchingBracket(in, j);
            if (close == std::wstring::npos) {
                error = L"Missing \"]\" in \"" + Excerpt(in, i) + L"\"\r\n";
                return false;
            }
            std::wstring arguments;
            if (!Expand(in.substr(j + 1, close - j - 1), arguments, depth + 1, error, maxLength))
                return false;
            if (!RunVariableFunction(in.substr(i + 2, j - i - 2), arguments, value, error)) return false;
            out += value;
            i = close + 1;
        } else if (IsNameChar(in[i + 1])) {
            size_t j = i + 1;
            while (j < in.size() && IsNameChar(in[j]))
                ++j;
            if (!VariableValue(in.substr(i + 1, j - i - 1), value, error)) return false;
            out += value;
            i = j;
        } else {
            out += L'%';
            ++i;
        }
        if (out.size() > maxLength) {
            error = L"The expanded text is longer than " + std::to_wstring(maxLength) + L" characters\r\n";
            return false;
        }
    }
    return true;
}

} // namespace

} // namespace host

namespace host {
namespace {

// Expands buffer in place within capacity characters; on failure the buffer keeps its text
// (terminated within capacity), a message goes to standard error and the result is 1. Values of
// variables and results of functions are inserted as they are, not expanded again: they are data
// (file descriptions, names holding "%"), and a value that names itself would never end.
int ExpandInPlace(wchar_t* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return 1;
    try {
        size_t n = wcsnlen(buffer, capacity);
        if (n == capacity) {
            buffer[capacity - 1] = 0;
            WriteError(L"The text to expand is longer than " + std::to_wstring(capacity - 1) +
                       L" characters\r\n");
            return 1;
        }
        std::wstring out, error;
        if (!Expand(std::wstring(buffer, n), out, 0, error, capacity - 1)) {
            WriteError(error);
            return 1;
        }
        wmemcpy(buffer, out.c_str(), out.size() + 1);
        return 0;
    } catch (...) {
        return 1;
    }
}

} // namespace
} // namespace host

// The plugin interface: the buffer holds HostExpandChars characters.
SCRUTEL_HOST_API int ExpandVariables(wchar_t* buffer, int) {
    host::CheckCommandThread("ExpandVariables");
    return host::ExpandInPlace(buffer, host::HostExpandChars);
}

SCRUTEL_HOST_TEST_API int HostExpandLine(wchar_t* buffer, size_t capacity) {
    return host::ExpandInPlace(buffer, capacity);
}
