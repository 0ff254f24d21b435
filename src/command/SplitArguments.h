// Splitting the command's argument text into arguments: quotes, exclusion ranges that keep their
// blanks, URLs that keep their slashes, and switches written together ("/S/P").
#pragma once
#include "command/ArgumentError.h"
#include "core/Limits.h"
#include "core/Utf16.h"

#include <cstdint>

namespace scrutel {

inline constexpr int MaxArguments = 1024;

// The split arguments of one command. The arguments point into the table's own text, so a table
// stays where it was made: the caller owns one and SplitArguments fills it.
struct ArgTable {
    ArgTable() = default;
    ArgTable(const ArgTable&) = delete;
    ArgTable& operator=(const ArgTable&) = delete;

    char16_t argText[HostExpandChars] = {};   // every argument followed by its 0
    char16_t* argPointers[MaxArguments] = {}; // start of each argument in argText
    int32_t argLengths[MaxArguments] = {};    // length of each argument in characters
    int32_t argCount = 0;

    U16View Argument(int k) const { return {argPointers[k], static_cast<size_t>(argLengths[k])}; }
};

// Empties table and fills it from text (null: no arguments). On overflow the table keeps the
// arguments split so far and the answer is the overflow message.
ParseStatus SplitArguments(const char16_t* text, ArgTable& table);

} // namespace scrutel
