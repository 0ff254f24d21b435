// Reads a file that starts like a compound file through a read-only mapping and runs the
// well-formedness check on it before a report section hands the file to a system reader.
#include "reports/CompoundFileGate.h"

#include "core/Owners.h"
#include "files/UntrustedFile.h"
#include "reports/FileProbe.h"

#include <cwchar>

#include <windows.h>

#include <cstddef>

namespace scrutel {

namespace {

bool PlatformKnowsCodePage(uint16_t codePage) {
    return IsValidCodePage(codePage) != FALSE;
}

} // namespace

bool HasOtherDataStreams(const wchar_t* path) {
    WIN32_FIND_STREAM_DATA data{};
    StreamFindHandle search(FindFirstStreamW(path, FindStreamInfoStandard, &data, 0));
    if (!search) return GetLastError() != ERROR_HANDLE_EOF;
    do {
        data.cStreamName[MAX_PATH + 35] = L'\0';
        if (data.cStreamName[0] != 0 && _wcsicmp(data.cStreamName, L"::$DATA") != 0) return true;
    } while (FindNextStreamW(search.get(), &data));
    return GetLastError() != ERROR_HANDLE_EOF;
}

bool MayHandToSummaryReader(FileProbe& probe) {
    std::span<const std::byte> head;
    if (!probe.Head(head))
        return MayHandToCompoundFileReader(probe.path(), CompoundFileReader::SummaryProperties);
    bool signature = StartsLikeCompoundFile(head);
    if (!SummaryReaderMayFindAnything(signature, !signature && HasOtherDataStreams(probe.path())))
        return false;
    if (!signature || !probe.HeadIsWholeFile())
        return MayHandToCompoundFileReader(probe.path(), CompoundFileReader::SummaryProperties);
    return CompoundFileFitFor(CheckCompoundFile(head), CompoundFileReader::SummaryProperties,
                              PlatformKnowsCodePage);
}

bool MayHandToCompoundFileReader(const wchar_t* path, CompoundFileReader reader) {
    if (!path || !*path) return true;
    FileHandle file = OpenUntrustedFile(path, UntrustedSharing::Any).file;
    if (!file) return true;
    std::byte head[8] = {};
    DWORD got = 0;
    if (!ReadFile(file.get(), head, sizeof head, &got, nullptr)) return true;
    if (!StartsLikeCompoundFile(std::span<const std::byte>(head, got))) return true;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || static_cast<uint64_t>(size.QuadPart) > SIZE_MAX) return false;
    // Mapped, not copied: the check touches only the tables and the property-set streams.
    FileMapping mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return false;
    MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return false;
    CompoundFileCheck check = CheckCompoundFile(std::span<const std::byte>(
        static_cast<const std::byte*>(view.get()), static_cast<size_t>(size.QuadPart)));
    return CompoundFileFitFor(check, reader, PlatformKnowsCodePage);
}

} // namespace scrutel
