// Replacement of terminal controls in text taken from file contents.
#include "output/TerminalText.h"

namespace scrutel {

U16String ScrubControls(const char16_t* text) {
    U16String out = text ? text : u"";
    for (char16_t& c : out)
        if (IsTerminalControl(c)) c = ReplacementCharacter;
    return out;
}

void ScrubControlsInPlace(char16_t* text) {
    if (!text) return;
    for (; *text; ++text)
        if (IsTerminalControl(*text)) *text = ReplacementCharacter;
}

} // namespace scrutel
