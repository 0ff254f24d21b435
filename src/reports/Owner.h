// The owner of a file as "DOMAIN\account", used by the attributes section and owner ranges.
#pragma once

namespace scrutel {

// Fills output (8192 characters) and returns 0; leaves it unchanged and returns 1 on failure;
// -1 for a missing argument.
int LookupOwner(const wchar_t* path, wchar_t* output);

} // namespace scrutel
