// The switches of the SCRUTEL command and their suboptions: /A:, /N:, /S, /P, and the driver's own
// /C:, /L:, /O:, /T:, /V: and /W, read from the argument text alone; and the report width and
// page length that follow from a console window's size.
#pragma once
#include "command/ArgumentError.h"
#include "core/Utf16.h"

#include <cstdint>

namespace scrutel {

// Reading an unsigned 32-bit value at text. A value is hexadecimal after "0x"/"0X" followed by a
// hexadecimal digit, octal after "0o"/"0O" followed by 0-7 (only with allowOctal), and decimal
// when it begins with a decimal digit.
enum class NumberRead { None, Value, Overflow };
NumberRead ReadNumber(const char16_t*& text, bool allowOctal, uint32_t& value);

// Each parser reads its argument (as written, "/X..." included) without changing it and either
// stores what it read or answers what ends the command. Values read before a mistake in the same
// argument stay stored.

// /A: — attributeMask and attributeValues (each /A: replaces the earlier one).
ParseStatus ParseAttributeOption(U16View argument, uint32_t& attributeMask, uint32_t& attributeValues);
// /N: — adds walk flags; C sets noHighlight.
ParseStatus ParseSuboptions(U16View argument, uint32_t& walkFlags, int& noHighlight);
// /S, /S:n, /S:+m, /S:n+m.
ParseStatus ParseSubdirOption(U16View argument, uint32_t& walkFlags, int& minDepth, int& maxDepth);

// What /P asks for: lines per page (0xFFFFFFFF: one window; 0: no /P) and the prompt's time-out.
struct PauseSettings {
    uint32_t lines = 0;
    uint32_t timeoutMs = 0;
};
// /P, /P:t, /P:tM, /P:t,n, /P:,n — each /P replaces the earlier one.
ParseStatus ParsePauseOption(U16View argument, PauseSettings& pause);

// Page length for a window of height rows (ok false: no window) and the /P line count.
uint32_t PageLengthForWindow(bool ok, int height, uint32_t pauseLines);

// /C: — hash names added to hashMask. The names are matched in upper case, so the caller passes
// the argument as the system upper-cases it.
ParseStatus ParseHashList(U16View upperArgument, uint32_t& hashMask);
// /L: — the one digest kind of the list output: CRC32, CKSUM, MD5, SHA1, SHA256, SHA384 or
// SHA512 (dashed names too); SHA256 when none is given. Matched in upper case, as for /C:.
ParseStatus ParseListKind(U16View upperArgument, uint32_t& kind);
// /V:list — the digest list to check, without the quotes around (or in) its name.
ParseStatus ParseCheckList(U16View argument, U16String& listName);
// /O: — omit letters, "@" (clears the list-file flag) and "K" (no summary); "?" asks for the help
// (result 0).
ParseStatus ParseOmitLetters(U16View argument, uint32_t& omitMask, uint32_t& walkFlags, int& showSummary);
// /T: — time stamps and zone; "?" asks for the help, and the command then ends with 1.
ParseStatus ParseTimeLetters(U16View argument, uint32_t& timeFlags, int32_t& timeZoneMode);
// /W:n — the report width, 0 or 64 to 2048.
ParseStatus ParseMaxWidth(U16View argument, uint32_t& maxWidth);

// Report width for a console window from column left to right (ok false: no window).
uint32_t ReportWidthForWindow(bool ok, int left, int right);

} // namespace scrutel
