// The one way the plugin opens a file whose bytes it reads: for reading, a disk file only (a
// device or pipe that a name or a link leads to can make a read wait forever), under one of two
// sharing rules. The file's bytes stay untrusted; this decides only what may be opened and how.
#pragma once
#include "core/Owners.h"

#include <windows.h>

namespace scrutel {

// Who else may hold the file open while it is read.
enum class UntrustedSharing {
    // Others may read it, but no one may write to it: the bytes checked are the bytes read, and a
    // file that another program holds open for writing is not opened (a sharing violation).
    ReadOnly,
    // Others may read, write or delete it, as widely as the system's readers open a file, so that
    // a check in front of such a reader refuses no file the reader itself could read.
    Any,
};

struct UntrustedFile {
    FileHandle file;
    // 0 when file is open; otherwise the system's error of the open, or ERROR_BAD_FILE_TYPE when
    // the name leads to something other than a disk file (which is then closed again).
    DWORD error = 0;
};

// Opens path (an existing file) for reading, its position at the start.
UntrustedFile OpenUntrustedFile(const wchar_t* path, UntrustedSharing sharing);

} // namespace scrutel
