// Directory-entry lookup by path, for files whose attributes or times cannot be read directly.
#include "reports/FindData.h"

#include "core/Owners.h"

#include <cwchar>

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

} // namespace scrutel
