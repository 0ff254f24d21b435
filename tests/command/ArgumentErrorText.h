// The text a parser's answer puts on standard error, rendered for the portable tests: the error
// prefix outside a batch file, then the message with the user's text in (ASCII) upper case.
#pragma once
#include "command/ArgumentError.h"
#include "core/Utf16.h"

#include <algorithm>

namespace command_tests {

inline scrutel::U16String ErrorText(const scrutel::ParseStatus& status) {
    if (!status || status->message.empty()) return {};
    scrutel::U16String text = status->message;
    const size_t end = std::min(text.size(), status->shownFrom + status->shownLength);
    for (size_t i = status->shownFrom; i < end; ++i)
        if (text[i] >= u'a' && text[i] <= u'z') text[i] = static_cast<char16_t>(text[i] - u'a' + u'A');
    return status->prefixed ? u"Scrutel plugin: " + text : text;
}

} // namespace command_tests
