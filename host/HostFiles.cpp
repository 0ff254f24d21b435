// File queries, true names and wildcard comparison of the stand-in host.
#include "HostState.h"
#include "plugin/HostApi.h"

#include <cwchar>
#include <cwctype>
#include <string>

SCRUTEL_HOST_API int QueryIsFile(const wchar_t* path) {
    if (!path || !*path) return 0;
    if (wcscmp(path, L"-") == 0) return 1;
    DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

SCRUTEL_HOST_API int QueryIsDirectory(const wchar_t* path) {
    if (!path || !*path) return 0;
    DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

SCRUTEL_HOST_API int QueryIsFileOrDirectory(const wchar_t* path) {
    if (!path || !*path) return 0;
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

SCRUTEL_HOST_API int QueryTrueName(const wchar_t* path, wchar_t* output) {
    if (!path || !output) return 1;
    if (_wcsicmp(path, L"clip:") == 0 || wcscmp(path, L"-") == 0) {
        wcscpy(output, path);
        return 0;
    }
    DWORD n = GetFullPathNameW(path, 32768, output, nullptr);
    if (n == 0 || n >= 32768) {
        output[0] = 0;
        return 1;
    }
    return 0;
}

SCRUTEL_HOST_API long long QueryFileSize(const wchar_t* path, int) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

static bool Match(const wchar_t* p, const wchar_t* t) {
    for (;;) {
        if (*p == 0) return *t == 0;
        if (*p == L'*') {
            while (*p == L'*') ++p;
            if (*p == 0) return true;
            for (; *t; ++t)
                if (Match(p, t)) return true;
            return Match(p, t);
        }
        if (*t == 0) return false;
        if (*p != L'?' && towlower(*p) != towlower(*t)) return false;
        ++p;
        ++t;
    }
}

SCRUTEL_HOST_API int WildcardComparison(const wchar_t* pattern, const wchar_t* text, int fileNames, int) {
    if (!pattern || !text) return 1;
    if (fileNames && wcscmp(pattern, L"*.*") == 0) return 0;
    return Match(pattern, text) ? 0 : 1;
}

SCRUTEL_HOST_API void GetAttribute(unsigned* normal, unsigned* inverse) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    unsigned attr = 0x07;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) attr = info.wAttributes & 0xFF;
    if (normal) *normal = attr;
    if (inverse) *inverse = ((attr & 0x0F) << 4) | ((attr >> 4) & 0x0F);
}

SCRUTEL_HOST_API int ParseColors(const wchar_t*, int* foreground, int* background) {
    if (foreground) *foreground = -1;
    if (background) *background = -1;
    return 1;
}

SCRUTEL_HOST_API void SetColors(int attribute) { host::State().lastSetColors = attribute; }

SCRUTEL_HOST_API void tty_yield(int) {}
