// The per-file report: heading, then each section that applies and was not omitted.
#pragma once
#include "command/ScanSettings.h"

namespace scrutel {

// The walker's FileHandler: -1 missing path, 2 not a file, ABORTED, or 0 after counting the file.
int ReportFile(const wchar_t* path, uint32_t omitMask, ScanSettings& settings);

} // namespace scrutel
