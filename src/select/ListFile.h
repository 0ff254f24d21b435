// List files: "@name", "@clip:" and "@-" arguments whose lines are file names.
#pragma once
#include "core/ScanSettings.h"

#include <cstdint>

namespace scrutel {

// listName is the name after "@". 0, 2 (list unreadable or a name not found), the last non-zero
// handler result, ABORTED, or -1 for a missing name.
int ReadListFile(const wchar_t* listName, uint32_t omitMask, ScanSettings& settings, FileHandler handler,
                 uint32_t walkFlags);

} // namespace scrutel
