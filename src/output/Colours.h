// Highlight colours of headings and the summary line, and terminal detection.
#pragma once

namespace scrutel {

// Decides whether this command uses colour and fills Output().colours.normalAttr / highlightAttr.
void SetupColours(int noHighlight);
// True when the console window is a pseudo-console hosted by a terminal window.
bool DetectTerminal();

// A colour description in the host's syntax; both outputs are preset to -1 by the caller.
using ColourParser = void (*)(const wchar_t* text, int* foreground, int* background);

// The heading attribute for the host's normal attribute and the configured colour text (null or
// empty when nothing is configured), or -1 when the command must write without colour.
int ChooseHighlight(unsigned normal, const wchar_t* configured, ColourParser parse);

// The value Highlight from the first of the four registry places that holds a non-empty string,
// in buffer (TextOutputChars characters); its length, or 0 when no place gives one.
unsigned RegistryHighlight(wchar_t* buffer);
// The registry key of this plugin's own settings, below the root key.
const wchar_t* PluginRegistryKey();
inline constexpr const wchar_t* SharedRegistryKey = L"SOFTWARE\\VAZuvazod";

// Whether a console window of class windowClass, whose parent window has class parentClass (null
// when there is no parent), belongs to a terminal that understands VT sequences.
bool IsTerminalWindow(const wchar_t* windowClass, const wchar_t* parentClass);

} // namespace scrutel
