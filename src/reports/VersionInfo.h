// Version-resource helpers shared by the link-target, version-resource and version-header sections.
#pragma once
#include <cstdint>

namespace scrutel {

// Looks up a string value (e.g. L"FileVersion") in a version block from GetFileVersionInfoW.
// 0 found (copied into output, 1024 characters); 1 no translation table; 2 not found; -1 missing args.
int QueryVersionString(const void* block, const wchar_t* name, wchar_t* output);

// Prints "    Label ..... value" (label and dots 24 characters wide) and ends it with EndLine(1).
// -1 when value is missing; otherwise 0 or ABORTED.
int PrintLabelLine(const wchar_t* label, const wchar_t* value);

} // namespace scrutel
