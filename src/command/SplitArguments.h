// Splitting the command's argument text into arguments: quotes, exclusion ranges that keep their
// blanks, URLs that keep their slashes, and switches written together ("/S/P").
#pragma once
#include "core/Limits.h"
#include <cstdint>

namespace scrutel {

inline constexpr int MAX_ARG_LEN = static_cast<int>(HostExpandChars);
inline constexpr int MaxArguments = 1024;

// The split arguments of the running command, refilled by SplitArguments at every command.
struct ArgTable {
    wchar_t argText[MAX_ARG_LEN];       // every argument followed by its 0
    wchar_t* argPointers[MaxArguments]; // start of each argument in argText
    int32_t argLengths[MaxArguments];   // length of each argument in characters
    int32_t argCount;
};

extern ArgTable g_argTable;

// Fills g_argTable from text; returns the number of arguments, or -1 after the overflow message.
int SplitArguments(const wchar_t* text);

} // namespace scrutel
