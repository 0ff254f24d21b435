// Reparse points: symbolic links, junctions and execution aliases turned into the paths they
// lead to. The buffer is fetched here and interpreted by the pure code of ReparseData.cpp.
#include "files/ReparsePoint.h"
#include "core/Limits.h"

#include "core/Owners.h"
#include "files/PathResolve.h"

#include <cwchar>
#include <new>
#include <vector>
#include <windows.h>
#include <winioctl.h>

namespace scrutel {

namespace {

constexpr size_t ReparseBufferBytes = 16384;

} // namespace

int ResolveRelativeTarget(const wchar_t* linkPath, std::wstring_view name, wchar_t* output, size_t capacity) {
    if (!linkPath || !output || capacity < 2) return ReparseBadArguments;
    std::vector<wchar_t> full(PathChars, L'\0');
    std::wstring directory(Wide(LinkDirectory(U16(linkPath))));
    DWORD n = 0;
    if (directory.empty()) {
        n = GetCurrentDirectoryW(static_cast<DWORD>(full.size()), full.data());
    } else {
        n = GetFullPathNameW(directory.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (n == 0) return static_cast<int>(GetLastError());
    if (n >= full.size()) return ReparseTooLong;
    if (JoinPath(full.data(), L"", full.size()) != 0) return ReparseTooLong;
    size_t length = wcslen(full.data());
    if (length == 0) return ReparseMalformed;
    if (full[length - 1] != L'\\' && full[length - 1] != L'/') {
        if (length + 1 >= full.size()) return ReparseTooLong;
        full[length++] = L'\\';
        full[length] = 0;
    }
    if (length + name.size() >= capacity) return ReparseTooLong;
    wmemcpy(output, full.data(), length);
    wmemcpy(output + length, name.data(), name.size());
    output[length + name.size()] = 0;
    return 0;
}

int ReadReparseTarget(const wchar_t* path, wchar_t* output, size_t capacity, uint32_t* tag) {
    if (tag) *tag = 0;
    if (!path || !*path || !output || capacity < 260) return ReparseBadArguments;
    size_t pathLength = wcsnlen(path, PathChars);
    if (pathLength >= PathChars) return ReparseBadArguments;
    std::wstring working(path, pathLength);
    std::vector<unsigned char> buffer;
    try {
        buffer.assign(ReparseBufferBytes, 0);
    } catch (const std::bad_alloc&) {
        return ReparseNoMemory;
    }

    DWORD returned = 0;
    {
        // The directory flag lets folders (junctions) open too; the reparse flag opens the
        // link itself, not what it points to.
        FileHandle file(CreateFileW(working.c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file) return static_cast<int>(GetLastError());
        if (!DeviceIoControl(file.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                             static_cast<DWORD>(buffer.size()), &returned, nullptr))
            return static_cast<int>(GetLastError()); // taken before the owner closes the handle
    }

    ReparseData d = InterpretReparseData(ByteReader(buffer.data(), returned));
    if (d.result == ReparseUnsupportedTag) {
        if (d.text.size() < capacity) wmemcpy(output, Wide(d.text.c_str()), d.text.size() + 1);
        return ReparseUnsupportedTag;
    }
    if (d.result != 0) return d.result;
    if (d.relative) {
        int rc = ResolveRelativeTarget(working.c_str(), Wide(d.text), output, capacity);
        if (rc != 0) return rc;
    } else {
        if (d.text.size() >= capacity) return ReparseTooLong;
        wmemcpy(output, Wide(d.text.c_str()), d.text.size() + 1);
    }
    if (tag) *tag = d.tag;
    return 0;
}

} // namespace scrutel
