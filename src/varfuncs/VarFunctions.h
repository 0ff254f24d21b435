// The variable functions the host calls (@RPTARGET, _FHVER, _CLVER) and their text helpers.
// The exports carry the host's decorated names through scrutel.def.
#pragma once
#include "core/Limits.h"
#include <cstddef>

// @RPTARGET: buffer holds the argument (HostExpandChars characters) on entry and the target on success.
// 0 success; 1 no buffer; -1 error (a message went to standard error).
extern "C" int f_rptarget(wchar_t* buffer);
// _FHVER and _CLVER: the plugin's version strings. 0, or -1 without a buffer.
extern "C" int ScrutelFhver(wchar_t* buffer);
extern "C" int ScrutelClver(wchar_t* buffer);

namespace scrutel {

// Removes leading and trailing white space in place.
void TrimWhiteSpace(wchar_t* text);

// The host's true name of path in output (PathChars characters), with ";" passed as "|" and
// back, and the host's error output sent to the null device meanwhile. Returns what the host
// returned; an empty output means failure.
int TrueNameQuiet(const wchar_t* path, wchar_t* output);

// Rewrites path (capacity characters) so that its directory part is the host's true name of
// that directory and its last component stays as written. 1 rewritten, 0 unchanged (also when
// the result would not fit), -1 no path.
int ResolveParentDir(wchar_t* path, size_t capacity = PathChars);

// Puts the narrow version text into buffer as wide characters (at most TextOutputChars). 0, or -1.
int PutVersionText(const char* version, wchar_t* buffer);

} // namespace scrutel
