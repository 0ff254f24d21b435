// Directory-entry lookup by path (for files whose attributes or times cannot be read directly)
// and thousands separators through the host's @comma function.
#include "reports/FindData.h"

#include "plugin/HostApi.h"
#include "core/Owners.h"

#include <cwchar>
#include <memory>
#include <new>

namespace scrutel {

namespace {

// What follows the last "/" or "\"; with neither, what follows a ":"; else the whole path.
const wchar_t* NamePart(const wchar_t* path) {
    const wchar_t* name = path;
    bool separator = false;
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'/' || *p == L'\\') {
            name = p + 1;
            separator = true;
        }
    }
    if (!separator) {
        const wchar_t* colon = wcsrchr(path, L':');
        if (colon) name = colon + 1;
    }
    return name;
}

} // namespace

int ReadFindData(const wchar_t* path, WIN32_FIND_DATAW* record) {
    if (!record || !path || !*path) return -1;
    const wchar_t* name = NamePart(path);
    if (wcspbrk(name, L"*?")) return -1;
    ZeroMemory(record, sizeof(*record));
    WIN32_FIND_DATAW found{};
    FindHandle search(FindFirstFileW(path, &found));
    if (!search) return 0;
    found.cFileName[MAX_PATH - 1] = L'\0';
    if (CompareStringOrdinal(found.cFileName, -1, name, -1, TRUE) != CSTR_EQUAL) return 0;
    *record = found;
    return 1;
}

int FormatWithCommas(wchar_t* text, size_t capacity) {
    if (!text) return -1;
    constexpr size_t BufferChars = 8192;
    size_t length = wcsnlen(text, BufferChars);
    if (length > 8182) return 1;
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[BufferChars]());
    if (!buffer) return 2;
    wmemcpy(buffer.get(), L"%@comma[", 8);
    wmemcpy(buffer.get() + 8, text, length);
    buffer[8 + length] = L']';
    if (ExpandVariables(buffer.get(), 1) != 0) return 2;
    buffer[BufferChars - 1] = L'\0';
    size_t expanded = wcslen(buffer.get());
    if (expanded >= capacity) return 3;
    wmemcpy(text, buffer.get(), expanded + 1);
    return 0;
}

} // namespace scrutel
