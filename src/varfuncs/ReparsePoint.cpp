// Reparse points: symbolic links, junctions and execution aliases turned into the paths they
// lead to. The buffer is interpreted by a pure function; the Win32 part only fetches it.
#include "varfuncs/ReparsePoint.h"
#include "core/Limits.h"

#include "core/Owners.h"
#include "select/PathResolve.h"

#include <cwchar>
#include <new>
#include <vector>
#include <windows.h>
#include <winioctl.h>

namespace scrutel {

namespace {

constexpr size_t ReparseBufferBytes = 16384;
constexpr size_t WorkingPathChars = PathChars;
constexpr std::wstring_view NtPrefix = L"\\??\\";
constexpr std::wstring_view NtUncPrefix = L"\\??\\UNC\\";

// UTF-16 text of byteLength bytes at offset, or nothing when it leaves the buffer or has an
// odd length.
std::optional<std::wstring> ReadName(const ByteReader& r, size_t offset, size_t byteLength) {
    if (byteLength % 2) return std::nullopt;
    auto bytes = r.bytes(offset, byteLength);
    if (!bytes) return std::nullopt;
    std::wstring name(byteLength / 2, L'\0');
    ByteReader text(*bytes);
    for (size_t i = 0; i < name.size(); ++i)
        name[i] = static_cast<wchar_t>(*text.u16le(2 * i));
    return name;
}

// A NUL-terminated UTF-16 string starting at offset; offset is moved past the terminator.
std::optional<std::wstring> ReadTerminated(const ByteReader& r, size_t& offset) {
    std::wstring s;
    for (;;) {
        auto c = r.u16le(offset);
        if (!c) return std::nullopt;
        offset += 2;
        if (*c == 0) return s;
        s.push_back(static_cast<wchar_t>(*c));
    }
}

ReparseData Failure(int result) {
    ReparseData d;
    d.result = result;
    return d;
}

} // namespace

ReparseData InterpretReparseData(const ByteReader& buffer) {
    auto tag = buffer.u32le(0);
    auto dataLength = buffer.u16le(4);
    if (!tag || !dataLength) return Failure(ReparseMalformed);
    ReparseData d;
    d.tag = *tag;
    if (*tag != ReparseTagSymlink && *tag != ReparseTagMountPoint && *tag != ReparseTagAppExecLink) {
        wchar_t text[64];
        _snwprintf(text, 64, L"ReparseData-\u2192ReparseTag = 0x%08X\n", *tag);
        text[63] = 0;
        d.result = ReparseUnsupportedTag;
        d.text = text;
        return d;
    }
    // Everything after the 8-byte header must lie inside the stated data length, and the
    // stated length inside what the system returned.
    if (!buffer.has(8, *dataLength)) return Failure(ReparseMalformed);
    ByteReader data = buffer.sub(0, 8 + size_t{*dataLength});

    if (*tag == ReparseTagAppExecLink) {
        size_t offset = 12;
        if (!data.u32le(8)) return Failure(ReparseMalformed);
        std::optional<std::wstring> s;
        for (int i = 0; i < 3; ++i) {
            s = ReadTerminated(data, offset);
            if (!s) return Failure(ReparseMalformed);
        }
        if (s->empty()) return Failure(ReparseMalformed);
        d.result = 0;
        d.text = *s;
        return d;
    }

    auto nameOffset = data.u16le(8);
    auto nameLength = data.u16le(10);
    if (!nameOffset || !nameLength) return Failure(ReparseMalformed);
    size_t pathBuffer = *tag == ReparseTagSymlink ? 20 : 16;
    std::optional<uint32_t> flags;
    if (*tag == ReparseTagSymlink) {
        flags = data.u32le(16);
        if (!flags) return Failure(ReparseMalformed);
    }
    auto name = ReadName(data, pathBuffer + *nameOffset, *nameLength);
    if (!name) return Failure(ReparseMalformed);
    std::wstring_view view(*name);

    if (*tag == ReparseTagMountPoint) {
        if (view.size() <= NtPrefix.size() || view.substr(0, NtPrefix.size()) != NtPrefix)
            return Failure(ReparseBadArguments);
        d.result = 0;
        d.text = std::wstring(view.substr(NtPrefix.size()));
        return d;
    }

    if (*flags & 1) {
        d.relative = true;
        d.text = *name;
    } else if (view.size() > NtUncPrefix.size() &&
               _wcsnicmp(view.data(), NtUncPrefix.data(), NtUncPrefix.size()) == 0) {
        // "\??\UNC\server\share" is the network path "\\server\share".
        d.text = L"\\\\" + std::wstring(view.substr(NtUncPrefix.size()));
    } else if (view.substr(0, NtPrefix.size()) == NtPrefix) {
        d.text = std::wstring(view.substr(NtPrefix.size()));
    } else {
        d.text = *name;
    }
    if (d.text.empty()) return Failure(ReparseMalformed);
    d.result = 0;
    return d;
}

std::wstring_view LinkDirectory(std::wstring_view linkPath) {
    size_t separator = linkPath.find_last_of(L"\\/");
    if (separator != std::wstring_view::npos) return linkPath.substr(0, separator + 1);
    size_t colon = linkPath.find(L':');
    if (colon != std::wstring_view::npos) return linkPath.substr(0, colon + 1);
    return {};
}

int ResolveRelativeTarget(const wchar_t* linkPath, std::wstring_view name, wchar_t* output, size_t capacity) {
    if (!linkPath || !output || capacity < 2) return ReparseBadArguments;
    std::vector<wchar_t> full(WorkingPathChars, L'\0');
    std::wstring directory(LinkDirectory(linkPath));
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
    size_t pathLength = wcsnlen(path, WorkingPathChars);
    if (pathLength >= WorkingPathChars) return ReparseBadArguments;
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
        if (d.text.size() < capacity) wmemcpy(output, d.text.c_str(), d.text.size() + 1);
        return ReparseUnsupportedTag;
    }
    if (d.result != 0) return d.result;
    if (d.relative) {
        int rc = ResolveRelativeTarget(working.c_str(), d.text, output, capacity);
        if (rc != 0) return rc;
    } else {
        if (d.text.size() >= capacity) return ReparseTooLong;
        wmemcpy(output, d.text.c_str(), d.text.size() + 1);
    }
    if (tag) *tag = d.tag;
    return 0;
}

} // namespace scrutel
