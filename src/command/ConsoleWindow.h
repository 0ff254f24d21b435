// The report width and page length of the command, read from the standard-output console's window.
#pragma once
#include <cstdint>

namespace scrutel {

// Sets Output().paging's page length from the standard-output console and the /P line count; returns
// the page length (0: no paging).
uint32_t SetupPageLength(uint32_t pauseLines);
// The report width of the standard-output console's window.
uint32_t ConsoleReportWidth();

} // namespace scrutel
