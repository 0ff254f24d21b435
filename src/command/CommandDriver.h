// The SCRUTEL command driver: the per-command run and the usage text.
#pragma once
#include "core/ScanSettings.h"

#include <string>

namespace scrutel {

// Runs one SCRUTEL command with the given per-file handler (the export passes ReportFile).
// Returns the command's result (a CommandResult).
int RunCommand(wchar_t* argumentText, FileHandler handler);

// Prints the /? text, and the two version lines when withVersion is non-zero; returns
// CommandSucceeded.
int ShowUsage(int withVersion);

// The file-name part of a source path: after its last "/" or "\", or after a ":" when it has
// no slash.
std::wstring SourceFileName(const wchar_t* path);

} // namespace scrutel

// RunCommand with ReportFile under a C name, for the exported entry "scrutel" (ScrutelCmd.cpp):
// CommandNoArgumentText without argument text, and nothing escapes it.
extern "C" int ScrutelRunCommand(wchar_t* argumentText);
