// Line ends, interruption and headings. (Paging and colours are completed by the output work.)
#include "output/LineOutput.h"

#include "command/ScanSettings.h"
#include "plugin/HostApi.h"

namespace scrutel {

PagingState g_paging;
ConsoleColours g_colours;

int EndLine(unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        QPuts(L"\r\n");
        if (g_paging.interrupted) return ABORTED;
    }
    return 0;
}

int PrintHeading(const wchar_t* text, uint8_t count) {
    QPuts(text);
    return count ? EndLine(count) : 0;
}

BOOL WINAPI CtrlHandler(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        g_paging.interrupted = 1;
        return TRUE;
    }
    return FALSE;
}

} // namespace scrutel
