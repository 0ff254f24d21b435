// The range options' filter: whether a directory entry passes every range record, and the
// host's description of a file that description ranges test.
#pragma once
#include "core/RangeSet.h"

#include <windows.h>

#include <span>

namespace scrutel {

// -1 entry or directory missing, 0 the entry passes every record (or none exist), 1 rejected.
// The records are tested in their order (a RangeSet's records: newest first).
int RangeMatches(const WIN32_FIND_DATAW* entry, const wchar_t* directory,
                 std::span<const RangeRecord> records);

// Fills output (HostExpandChars characters, not the path's buffer) with the host's description of path:
// 0 done, 1 the host could not expand it, 2 path empty or not existing, 111 too long for the
// buffer, -1 missing or shared buffer.
int LookupDescription(const wchar_t* path, wchar_t* output);
// The host expression for path's description in buffer (HostExpandChars characters): 0, or 111 when it
// does not fit.
int DescriptionExpression(const wchar_t* path, wchar_t* buffer);

} // namespace scrutel
