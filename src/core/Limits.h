// The host's buffer limits, which every subsystem sizes its buffers by.
#pragma once
#include <cstddef>

namespace scrutel {

// The longest path the host and the platform handle, terminator included.
inline constexpr size_t PathChars = 32768;
// The host expands text in place in a buffer of this many characters (ExpandVariables, and the
// argument buffer of a variable function).
inline constexpr size_t HostExpandChars = 8192;
// A text that a function writes into its caller's buffer without being told the buffer's size
// (an encoding's or a font's name, a version string, a system message, an environment or
// registry value, the usage text the host asks for) fits this many characters, terminator
// included.
inline constexpr size_t TextOutputChars = 1024;

} // namespace scrutel
