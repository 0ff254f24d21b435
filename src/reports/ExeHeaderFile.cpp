// Reads the first bytes of a file from disk for the MZ/PE/LE header reader.
#include "reports/ExecutableType.h"

#include "core/Owners.h"
#include "files/UntrustedFile.h"

#include <windows.h>

namespace scrutel {

int ReadExeHeader(const wchar_t* path, uint16_t* machine, uint16_t* subsystem) {
    if (machine) *machine = 0;
    if (subsystem) *subsystem = 0;
    if (!path || !*path || !machine || !subsystem) return -1;
    FileHandle file = OpenUntrustedFile(path, UntrustedSharing::ReadOnly).file;
    if (!file) return 1;
    unsigned char buffer[ExeHeaderReadBytes] = {};
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, ExeHeaderReadBytes, &got, nullptr)) return 1;
    auto header = ParseExeHeader(ByteReader(buffer, got));
    if (!header) return 1;
    *machine = header->machine;
    *subsystem = header->subsystem;
    return 0;
}

} // namespace scrutel
