// Opening a file to read its bytes: the open, the refusal of devices and pipes, the sharing rule.
#include "files/UntrustedFile.h"

namespace scrutel {

UntrustedFile OpenUntrustedFile(const wchar_t* path, UntrustedSharing sharing) {
    UntrustedFile opened;
    if (!path || !*path) {
        opened.error = ERROR_INVALID_NAME;
        return opened;
    }
    const DWORD share = sharing == UntrustedSharing::Any
                            ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                            : FILE_SHARE_READ;
    // Read from the start on; the hint costs nothing to the readers that map the file instead.
    opened.file.reset(CreateFileW(path, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!opened.file) {
        opened.error = GetLastError();
        if (opened.error == 0) opened.error = ERROR_OPEN_FAILED;
        return opened;
    }
    // A console, the null device, a pipe or a serial port: none is read, whatever its name.
    if (GetFileType(opened.file.get()) != FILE_TYPE_DISK) {
        opened.file.reset();
        opened.error = ERROR_BAD_FILE_TYPE;
    }
    return opened;
}

} // namespace scrutel
