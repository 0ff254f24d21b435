// File queries and true names of the stand-in host: existence and size from the file
// attributes, the full name with every existing component in its stored form.
#include "HostState.h"
#include "gateway/HostExports.h"

#include <cwchar>
#include <cwctype>
#include <string>

namespace host {

std::wstring FullPath(const wchar_t* path) {
    if (!path || !*path) return L"";
    std::vector<wchar_t> buffer(PathChars, 0);
    DWORD n = GetFullPathNameW(path, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0 || n >= buffer.size()) return L"";
    return std::wstring(buffer.data(), n);
}

std::wstring LongPathForm(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\"))
        return path;
    std::wstring full = FullPath(path.c_str());
    if (full.empty() || full.starts_with(L"\\\\?\\")) return full.empty() ? path : full;
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

namespace {

DWORD Attributes(const wchar_t* path) {
    if (!path || !*path) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(LongPathForm(path).c_str());
}

bool HasWildcards(const std::wstring& component) {
    return component.find_first_of(L"*?") != std::wstring::npos;
}

// Length of the root of a full path that is kept as written: "X:\", "\\server\share\",
// "\\?\X:\", "\\?\UNC\server\share\". Zero when the path has a form this host does not walk
// (devices, "\\?\" names of volumes).
size_t RootLength(const std::wstring& full) {
    auto afterSeparators = [&full](size_t from, int count) -> size_t {
        size_t pos = from;
        for (int k = 0; k < count; ++k) {
            size_t slash = full.find(L'\\', pos);
            if (slash == std::wstring::npos) return full.size();
            pos = slash + 1;
        }
        return pos;
    };
    auto isDrive = [&full](size_t at) {
        return full.size() >= at + 2 && iswalpha(full[at]) && full[at + 1] == L':';
    };
    if (full.starts_with(L"\\\\?\\UNC\\")) return afterSeparators(8, 2);
    if (full.starts_with(L"\\\\?\\")) return isDrive(4) ? (full.size() > 6 ? 7 : full.size()) : 0;
    if (full.starts_with(L"\\\\.\\")) return 0;
    if (full.starts_with(L"\\\\")) return afterSeparators(2, 2);
    if (isDrive(0)) return full.size() > 2 ? 3 : full.size();
    return 0;
}

// The stored name of one component below dir (which ends with "\"), or empty when it does not
// exist.
std::wstring StoredName(const std::wstring& dir, const std::wstring& component) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(LongPathForm(dir + component).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return L"";
    FindClose(find);
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") return L"";
    return name;
}

// The full path with each existing component in its stored letter case and long form; from
// the first component that has wildcards or does not exist, the rest stays as written.
std::wstring TrueName(const std::wstring& full) {
    size_t root = RootLength(full);
    if (root == 0) return full;
    std::wstring result = full.substr(0, root);
    size_t drive = result.starts_with(L"\\\\?\\") ? 4 : 0;
    if (result.size() > drive + 1 && result[drive + 1] == L':') result[drive] = towupper(result[drive]);
    bool resolving = true;
    size_t pos = root;
    while (pos < full.size()) {
        size_t slash = full.find(L'\\', pos);
        size_t end = slash == std::wstring::npos ? full.size() : slash;
        std::wstring component = full.substr(pos, end - pos);
        if (resolving && !component.empty()) {
            std::wstring stored = HasWildcards(component) ? L"" : StoredName(result, component);
            if (stored.empty()) {
                resolving = false;
            } else {
                component = stored;
            }
        }
        result += component;
        if (slash == std::wstring::npos) break;
        result += L'\\';
        pos = slash + 1;
    }
    return result;
}

} // namespace

} // namespace host

using namespace host;

SCRUTEL_HOST_API int QueryIsFile(const wchar_t* path) {
    host::CheckCommandThread("QueryIsFile");
    if (!path || !*path) return 0;
    try {
        if (wcscmp(path, L"-") == 0) return 1;
        if (_wcsicmp(path, L"clip:") == 0)
            return IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT) ||
                   IsClipboardFormatAvailable(CF_OEMTEXT);
        DWORD a = Attributes(path);
        return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    } catch (...) {
        return 0;
    }
}

SCRUTEL_HOST_API int QueryIsDirectory(const wchar_t* path) {
    host::CheckCommandThread("QueryIsDirectory");
    try {
        DWORD a = Attributes(path);
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
    } catch (...) {
        return 0;
    }
}

SCRUTEL_HOST_API int QueryIsFileOrDirectory(const wchar_t* path) {
    host::CheckCommandThread("QueryIsFileOrDirectory");
    try {
        return Attributes(path) != INVALID_FILE_ATTRIBUTES;
    } catch (...) {
        return 0;
    }
}

// 0 with the true name in output (PathChars characters); non-zero with an empty output when no
// full name can be formed or it does not fit.
SCRUTEL_HOST_API int QueryTrueName(const wchar_t* path, wchar_t* output) {
    host::CheckCommandThread("QueryTrueName");
    if (!output) return 1;
    output[0] = 0;
    if (!path || !*path) return 1;
    try {
        std::wstring result;
        if (_wcsicmp(path, L"clip:") == 0 || wcscmp(path, L"-") == 0) {
            result = path;
        } else {
            std::wstring full = FullPath(path);
            if (full.empty()) return 1;
            result = TrueName(full);
        }
        if (result.size() >= PathChars) return 1;
        wmemcpy(output, result.c_str(), result.size() + 1);
        return 0;
    } catch (...) {
        output[0] = 0;
        return 1;
    }
}

SCRUTEL_HOST_API long long QueryFileSize(const wchar_t* path, int) {
    host::CheckCommandThread("QueryFileSize");
    if (!path || !*path) return -1;
    try {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(LongPathForm(path).c_str(), GetFileExInfoStandard, &data)) return -1;
        return static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
                                      data.nFileSizeLow);
    } catch (...) {
        return -1;
    }
}
