// Replacement of terminal controls in text taken from file contents.
#include "output/TerminalText.h"

namespace scrutel {

std::wstring ScrubControls(const wchar_t* text) {
    std::wstring out = text ? text : L"";
    for (wchar_t& c : out)
        if (IsTerminalControl(c)) c = ReplacementCharacter;
    return out;
}

void ScrubControlsInPlace(wchar_t* text) {
    if (!text) return;
    for (; *text; ++text)
        if (IsTerminalControl(*text)) *text = ReplacementCharacter;
}

} // namespace scrutel
