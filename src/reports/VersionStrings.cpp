// Version-resource access: reading a file's version block and looking up its string values and
// fixed file version.
#include "reports/FileProbe.h"

#include "core/Limits.h"
#include "reports/ResourceCheck.h"
#include "reports/VersionBlock.h"
#include "reports/VersionInfo.h"

#include <cwchar>
#include <new>
#include <windows.h>

namespace scrutel {

namespace {
constexpr DWORD MaxVersionBlockBytes = 4 * MaxVersionResourceBytes;
} // namespace

int QueryVersionString(const void* block, const wchar_t* name, wchar_t* output) {
    if (!name || !output) return -1;
    if (!block) return 1;
    void* table = nullptr;
    UINT tableLength = 0;
    if (!VerQueryValueW(block, L"\\VarFileInfo\\Translation", &table, &tableLength) || !table)
        tableLength = 0;
    if (tableLength == 0) return 1;
    const auto* entries = static_cast<const WORD*>(table);
    for (UINT i = 0; i < tableLength / 4; ++i) {
        wchar_t subBlock[TextOutputChars] = {};
        int n = _snwprintf(subBlock, TextOutputChars - 1, L"\\StringFileInfo\\%04X%04X\\%s", entries[2 * i],
                           entries[2 * i + 1], name);
        if (n < 0) return 2;
        void* value = nullptr;
        UINT valueLength = 0;
        if (!VerQueryValueW(block, subBlock, &value, &valueLength) || !value) continue;
        const auto* text = static_cast<const wchar_t*>(value);
        size_t chars = valueLength ? wcsnlen(text, valueLength) : 0;
        if (chars >= TextOutputChars) continue;
        wmemcpy(output, text, chars);
        output[chars] = 0;
        return 0;
    }
    return 2;
}

int QueryVersionString(const void* block, size_t blockSize, const wchar_t* name, wchar_t* output) {
    if (!name || !output) return -1;
    return LookupVersionString(ByteReader(block, blockSize), U16(name), U16(output));
}

namespace {

// Hands the file to the system's version reader after check has passed it.
int ReadCheckedVersionBlock(const wchar_t* path, const VersionResourceCheck& check,
                            std::vector<std::byte>& block) {
    // The system's reader follows the file's resource directory without bounds: it copies from
    // wherever a data entry points and sizes buffers from section headers. Only a file whose
    // structures all lie inside it is handed over; one without a version resource needs no call.
    if (check.verdict == VersionResourceVerdict::Absent) return VersionBlockAbsent;
    if (check.verdict == VersionResourceVerdict::Damaged) return VersionBlockFailed;
    DWORD size = GetFileVersionInfoSizeW(path, nullptr);
    if (size == 0) return VersionBlockAbsent;
    // The reader asks for at most twice a PE resource plus four bytes, or four times an NE one;
    // more means the file changed since the check.
    if (size > MaxVersionBlockBytes) return VersionBlockFailed;
    try {
        block.assign(size, std::byte{0});
    } catch (const std::bad_alloc&) {
        return VersionBlockNoMemory;
    }
    if (!GetFileVersionInfoW(path, 0, size, block.data())) {
        block.clear();
        return VersionBlockFailed;
    }
    return VersionBlockRead;
}

} // namespace

int ReadVersionBlock(const wchar_t* path, std::vector<std::byte>& block) {
    block.clear();
    if (!path || !*path) return VersionBlockFailed;
    return ReadCheckedVersionBlock(path, CheckVersionResourceFile(path), block);
}

int ReadVersionBlock(FileProbe& probe, std::vector<std::byte>& block) {
    block.clear();
    if (!probe.path() || !*probe.path()) return VersionBlockFailed;
    return ReadCheckedVersionBlock(probe.path(), CheckVersionResourceFile(probe), block);
}

std::optional<std::array<uint16_t, 4>> FixedFileVersion(const std::vector<std::byte>& block) {
    return FixedFileVersionParts(ByteReader(block.data(), block.size()));
}

} // namespace scrutel
