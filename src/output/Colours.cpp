// Highlight colours (placeholder: colour off until the colour setup exists).
#include "output/Colours.h"

#include "output/LineOutput.h"

namespace scrutel {

void SetupColours(int) {
    g_colours.normalAttr = 0;
    g_colours.highlightAttr = 0;
}

bool DetectTerminal() { return false; }

} // namespace scrutel
