// Ending report lines: paging, the pause prompt, interruption by Ctrl-C / Ctrl-Break / Esc,
// and headings in the highlight colour.
#pragma once
#include <windows.h>
#include <cstdint>

namespace scrutel {

struct PagingState {
    uint32_t pageLength = 0;
    uint32_t linesLeft = 0;
    uint32_t pauseTimeoutMs = 0;
    volatile LONG interrupted = 0;
};

struct ConsoleColours {
    uint8_t normalAttr = 0;
    uint8_t highlightAttr = 0;
    bool vtTerminal = false;
    HANDLE conOut = nullptr;
};

extern PagingState g_paging;
extern ConsoleColours g_colours;

// Writes count line ends; 0, or ABORTED when output is to stop.
int EndLine(unsigned count);
// Writes text in the highlight colour, then EndLine(count) when count is non-zero.
int PrintHeading(const wchar_t* text, uint8_t count);
BOOL WINAPI CtrlHandler(DWORD event);

} // namespace scrutel
