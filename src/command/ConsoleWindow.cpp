// The standard-output console's window size, fed to the pure width and page-length rules of the
// switches.
#include "command/ConsoleWindow.h"

#include "command/Switches.h"
#include "output/LineOutput.h"

#include <windows.h>

namespace scrutel {

uint32_t SetupPageLength(uint32_t pauseLines) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    bool ok = GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) != FALSE;
    int height = ok ? info.srWindow.Bottom - info.srWindow.Top + 1 : 0;
    uint32_t length = PageLengthForWindow(ok, height, pauseLines);
    Output().paging.pageLength = length;
    Output().paging.linesLeft = length;
    return length;
}

uint32_t ConsoleReportWidth() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    bool ok = GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) != FALSE;
    return ok ? ReportWidthForWindow(true, info.srWindow.Left, info.srWindow.Right)
              : ReportWidthForWindow(false, 0, 0);
}

} // namespace scrutel
