// What a parser of the command line answers when it ends the command: the message and help text
// that the driver prints, and the command's result. Portable: the printing is the driver's.
#pragma once
#include "core/Results.h"
#include "core/Utf16.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace scrutel {

// The help text printed to standard output.
enum class HelpTopic { None, Usage, UsageWithVersion, NoFeatures, Hashes, Omit, Times, DigestLists };

struct ArgumentError {
    // For standard error, line end included; empty when there is no message.
    U16String message;
    // The part of message that shows the user's own text: printed in upper case, by the system's
    // rules (the parsers never change the argument they are given).
    size_t shownFrom = 0;
    size_t shownLength = 0;
    // Whether the plugin's error prefix (and batch position) goes before the message.
    bool prefixed = true;
    HelpTopic help = HelpTopic::None;
    int result = CommandBadArguments;
};

// A parser's answer: nothing when the command goes on, otherwise what ends it.
using ParseStatus = std::optional<ArgumentError>;

// The message text, prefixed.
inline ArgumentError MessageError(U16View text) {
    ArgumentError error;
    error.message = U16String(text);
    return error;
}

// before, then the user's text shown in upper case, then after; prefixed.
inline ArgumentError ShownError(U16View before, U16View shown, U16View after) {
    ArgumentError error;
    error.message.reserve(before.size() + shown.size() + after.size());
    error.message.append(before).append(shown).append(after);
    error.shownFrom = before.size();
    error.shownLength = shown.size();
    return error;
}

// A help text and the result that follows it, with no message.
inline ArgumentError HelpRequest(HelpTopic topic, int result) {
    ArgumentError error;
    error.help = topic;
    error.result = result;
    return error;
}

// Decimal digits of value, for messages.
inline U16String DecimalText(int64_t value) {
    return U16FromAscii(std::to_string(value));
}

} // namespace scrutel
