// Reads a program file for the version-resource check: from a report's probe when it holds the
// whole file, else through a read-only mapping of the file.
#include "reports/ResourceCheck.h"

#include "core/Owners.h"
#include "files/UntrustedFile.h"
#include "reports/FileProbe.h"

#include <windows.h>

namespace scrutel {

namespace {

using Verdict = VersionResourceVerdict;

constexpr size_t MzHeaderBytes = 64;

VersionResourceCheck Result(Verdict verdict, const char* reason) {
    return {verdict, reason, 0};
}

} // namespace

VersionResourceCheck CheckVersionResourceFile(FileProbe& probe) {
    std::span<const std::byte> head;
    // The probe shares for reading only; the path form shares as widely as the system's reader.
    if (!probe.Head(head)) return CheckVersionResourceFile(probe.path());
    if (head.size() < 2 || head[0] != std::byte{'M'} || head[1] != std::byte{'Z'})
        return Result(Verdict::Absent, "not an MZ image");
    if (!probe.HeadIsWholeFile()) return CheckVersionResourceFile(probe.path());
    if (head.size() < MzHeaderBytes) return Result(Verdict::Absent, "not an MZ image");
    return CheckVersionResource(ByteReader(head.data(), head.size()));
}

VersionResourceCheck CheckVersionResourceFile(const wchar_t* path) {
    if (!path || !*path) return Result(Verdict::Absent, "no path");
    // Shared as widely as the system's reader opens it, so that no file it could read is refused.
    FileHandle file = OpenUntrustedFile(path, UntrustedSharing::Any).file;
    if (!file) return Result(Verdict::Absent, "cannot open");
    // Most files are not programs: two bytes decide that without mapping the file.
    unsigned char head[2] = {};
    DWORD got = 0;
    if (!ReadFile(file.get(), head, sizeof head, &got, nullptr) || got != sizeof head || head[0] != 'M' ||
        head[1] != 'Z')
        return Result(Verdict::Absent, "not an MZ image");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < static_cast<LONGLONG>(MzHeaderBytes))
        return Result(Verdict::Absent, "not an MZ image");
    if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
        return Result(Verdict::Damaged, "too large to map");
    // The mapping costs address space, not memory: only the headers and the directories walked
    // are ever read.
    FileMapping mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return Result(Verdict::Absent, "cannot map");
    MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return Result(Verdict::Absent, "cannot map");
    return CheckVersionResource(ByteReader(view.get(), static_cast<size_t>(size.QuadPart)));
}

} // namespace scrutel
