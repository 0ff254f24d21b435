// The executable-type classifier's Windows side: reading a file's header from disk and the
// type code of a file from the system's answer (the pure parts are in ExeHeader.h and
// ExecutableRules.h).
#pragma once
#include "reports/ExeHeader.h"
#include "reports/ExecutableRules.h"

#include <cstdint>

namespace scrutel {

// Opens path and parses its header. 0 passed; 1 the file cannot be opened or read, is too
// short, or fails a test; -1 bad arguments. Both outputs are set to 0 first.
int ReadExeHeader(const wchar_t* path, uint16_t* machine, uint16_t* subsystem);
class FileProbe;
// ExecutableTypeCode from a report's probe (its first bytes decide whether the system is asked).
int ExecutableTypeCode(FileProbe& probe);

} // namespace scrutel
