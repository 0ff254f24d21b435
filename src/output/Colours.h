// Highlight colours of headings and the summary line, and terminal detection.
#pragma once

namespace scrutel {

// Decides whether this command uses colour and fills g_colours.normalAttr / highlightAttr.
void SetupColours(int noHighlight);
// True when the console window is a pseudo-console hosted by a terminal window.
bool DetectTerminal();

} // namespace scrutel
