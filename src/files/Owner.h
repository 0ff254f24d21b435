// The owner of a file as "DOMAIN\account", used by the attributes section and owner ranges.
#pragma once

#include <windows.h>

#include <cstddef>

namespace scrutel {

// Fills output (HostExpandChars characters) and returns 0; leaves it unchanged and returns 1 on failure;
// -1 for a missing argument.
int LookupOwner(const wchar_t* path, wchar_t* output);

class ReportMemo;
// The owner of an open file as "domain\account" into owner (capacity characters), or false when
// it cannot be told. With a memo, each SID's account is looked up once per command.
bool OwnerOfOpenFile(HANDLE file, wchar_t* owner, size_t capacity, ReportMemo* memo);

} // namespace scrutel
