// The switches of the SCRUTEL command and their suboptions: /A:, /N:, /S, /P with the page
// length they lead to, and the driver's own /C:, /O:, /T: and /W.
#pragma once
#include <windows.h>
#include <cstdint>

namespace scrutel {

// Outcome of a switch parser: go on, end the command with 1 (message printed), or end it with 0
// (a help text printed).
enum SwitchOutcome : int { SwitchOk = 0, SwitchFailed = 1, SwitchHelpShown = 2 };

// Reading an unsigned 32-bit value at text. A value is hexadecimal after "0x"/"0X" followed by a
// hexadecimal digit, octal after "0o"/"0O" followed by 0-7 (only with allowOctal), and decimal
// when it begins with a decimal digit.
enum class NumberRead { None, Value, Overflow };
NumberRead ReadNumber(const wchar_t*& text, bool allowOctal, uint32_t& value);

// /A: — attributeMask and attributeValues (each /A: replaces the earlier one).
int ParseAttributeOption(wchar_t* argument, uint32_t& attributeMask, uint32_t& attributeValues);
// /N: — adds walk flags; C sets noHighlight.
int ParseSuboptions(wchar_t* argument, uint32_t& walkFlags, int& noHighlight);
// /S, /S:n, /S:+m, /S:n+m.
int ParseSubdirOption(wchar_t* argument, uint32_t& walkFlags, int& minDepth, int& maxDepth);
// /P, /P:t, /P:tM, /P:t,n, /P:,n — pauseLines and pauseTimeoutMs.
int ParsePauseOption(wchar_t* argument, uint32_t& pauseLines, uint32_t& pauseTimeoutMs);

// Page length for a window of height rows (ok false: no window) and the /P line count.
uint32_t PageLengthForWindow(bool ok, int height, uint32_t pauseLines);
// Sets g_paging's page length from the standard-output console; returns the page length.
uint32_t SetupPageLength(uint32_t pauseLines);

// /C: — hash names added to hashMask.
int ParseHashList(wchar_t* argument, uint32_t& hashMask);
// /O: — omit letters, "@" (clears the list-file flag) and "K" (no summary); "?" shows the help.
int ParseOmitLetters(wchar_t* argument, uint32_t& omitMask, uint32_t& walkFlags, int& showSummary);
// /T: — time stamps and zone; "?" shows the help and fails.
int ParseTimeLetters(wchar_t* argument, uint32_t& timeFlags, int32_t& timeZoneMode);
// /W:n — the report width, 0 or 64 to 2048.
int ParseMaxWidth(wchar_t* argument, uint32_t& maxWidth);

// Report width for a console window from column left to right (ok false: no window).
uint32_t ReportWidthForWindow(bool ok, int left, int right);
// The report width of the standard-output console's window.
uint32_t ConsoleReportWidth();

} // namespace scrutel
