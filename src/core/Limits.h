// The host's buffer limits, which every subsystem sizes its buffers by.
#pragma once
#include <cstddef>

namespace scrutel {

// The longest path the host and the platform handle, terminator included.
inline constexpr size_t PathChars = 32768;
// The host expands text in place in a buffer of this many characters (ExpandVariables, and the
// argument buffer of a variable function).
inline constexpr size_t HostExpandChars = 8192;

} // namespace scrutel
