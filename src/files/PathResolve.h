// Path resolution: full canonical names for file specifications, "~" for the home directory,
// the long-path prefix, and joining a tail onto a base path.
#pragma once
#include "core/Limits.h"
#include <cstddef>
#include <string>

namespace scrutel {

inline constexpr size_t HomeChars = 260; // the home directory's buffer

enum ResolveMode : unsigned {
    ResolveNameLists = 0x1, // ";" in the last component becomes "|"
    ResolveHome = 0x2,      // a leading "~" is expanded
};

// Resolves input into output (PathChars characters). 0 success; -1 input or output missing or
// input empty; 111 the result would not fit (output unchanged).
int ResolvePath(const wchar_t* input, wchar_t* output, unsigned mode);
// Replaces a leading "~" or "~\..." in path (PathChars characters) by the home directory;
// 1 when replaced, 0 when path is left as it was.
int ExpandHome(wchar_t* path);
// Fills output (HomeChars characters) with the home directory: 1, or 0 with output unchanged.
int FindHomeDirectory(wchar_t* output);
// Puts "\\?\" in front of path when its directory part is too long for ordinary file calls.
// 1 added, 0 unchanged, -1 path missing or empty or capacity 260 or less.
int AddLongPathPrefix(wchar_t* path, size_t capacity);
// Appends tail to base with exactly one separator where one is needed, then applies
// AddLongPathPrefix. 0, or -1 when tail is missing or the result would not fit (base unchanged).
int JoinPath(wchar_t* base, const wchar_t* tail, size_t capacity);

// True when the platform turns a file of this name into a device in a plain path: CON, PRN, AUX,
// NUL, COM0..COM9, LPT0..LPT9 (also with superscript digits 1 to 3), CONIN$ and CONOUT$, in any
// letter case, alone or followed by blanks, a dot or a colon and anything after it.
bool IsDeviceName(const wchar_t* name);
// True when a plain path ending in this name would reach something other than the entry of
// that name: a device name, or a name ending in a dot or a blank, which the plain form drops
// (so "apache." would reach "apache", or nothing). Only the "\\?\" form reaches such an entry.
bool NameNeedsLongForm(const wchar_t* name);
// Gives a full drive path the "\\?\" form. 1 added, 0 unchanged (not a full drive path, which
// includes one already in the long form, or no room left).
int UseLongForm(std::wstring& path);
// Gives a full drive path whose last component needs it (NameNeedsLongForm) the "\\?\" form,
// which reaches the entry itself. 1 added, 0 unchanged.
int ProtectEntryName(std::wstring& path);

// The same operations on strings, bounded as if the string were a PathChars buffer.
int AddLongPathPrefix(std::wstring& path);
// The index where the last component of a path with backslashes begins the ";" scan after.
size_t NameListScanStart(const std::wstring& path);
// Pure part of the home lookup: the candidate made of HOMEDRIVE and HOMEPATH, or empty when the
// two values do not form one ("C:" and "\Users\me" give "C:\Users\me").
std::wstring HomeDriveCandidate(const std::wstring& homeDrive, const std::wstring& homePath);

} // namespace scrutel
