// Reads a shell link from disk, bounded by the largest size a link can have, for the link check.
#include "reports/ShellLinkCheck.h"

#include "core/Owners.h"
#include "files/UntrustedFile.h"

#include <vector>
#include <windows.h>

namespace scrutel {

namespace {

ShellLinkCheck Refused(const char* reason) {
    return {false, reason};
}

} // namespace

ShellLinkCheck CheckShellLinkFile(const wchar_t* path) {
    if (!path || !*path) return Refused("no path");
    FileHandle file = OpenUntrustedFile(path, UntrustedSharing::Any).file;
    if (!file) return Refused("cannot open");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return Refused("cannot read");
    if (size.QuadPart > static_cast<LONGLONG>(MaxShellLinkBytes)) return Refused("larger than any link");
    // One byte beyond the size found lets a file that grew meanwhile fail the size limit.
    std::vector<std::byte> bytes(static_cast<size_t>(size.QuadPart) + 1);
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        return Refused("cannot read");
    return CheckShellLink(ByteReader(bytes.data(), got));
}

} // namespace scrutel
