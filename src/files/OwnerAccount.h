// Turning an owner SID into the "DOMAIN\account" text shown in reports and matched by owner ranges.
#pragma once
#include <windows.h>

#include <cstddef>

namespace scrutel {

// Resolves sid on the local system with name and domain buffers of nameCapacity characters each
// and writes "domain\account" into output (outputCapacity characters). Returns 0 when the account
// was found; output is written only when both names are non-empty and the text fits, and is left
// unchanged otherwise. Returns 1 when the account cannot be looked up, -1 for a missing argument.
int AccountOfSid(PSID sid, size_t nameCapacity, wchar_t* output, size_t outputCapacity,
                 bool* written = nullptr);

} // namespace scrutel
