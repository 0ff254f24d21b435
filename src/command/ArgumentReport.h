// Printing what ends the command while its arguments are read: the message (with the error prefix
// where it has one) to standard error, the help text to standard output.
#pragma once
#include "command/ArgumentError.h"
#include "core/Utf16.h"

namespace scrutel {

// Prints error; returns the command's result that it carries.
int ReportArgumentError(const ArgumentError& error);

// text as the system upper-cases it (for matching names written in upper case).
U16String SystemUpperCase(U16View text);

} // namespace scrutel
