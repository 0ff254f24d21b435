// Whether a shell link may be handed to the shell's link loader: a pure check of the link's
// structures over its bytes, and the bounded read that fetches them.
#pragma once
#include "core/ByteReader.h"

#include <cstddef>
#include <cstdint>

namespace scrutel {

struct ShellLinkCheck {
    bool ok = false;
    const char* reason = ""; // why the link was refused, for tests and diagnostics
};

// Every structure a well-formed link holds fits in a few kilobytes; the largest strings it may
// carry (below) stay far under this.
inline constexpr size_t MaxShellLinkBytes = 1 << 20;

// Longest ID list a link may carry, in items. A path within MAX_PATH has at most 130 components,
// and the namespace roots above a drive add a few; deeper lists come only from damaged files
// (the loader's time grows with the square of the count).
inline constexpr size_t MaxLinkIdItems = 256;
// Most extra-data blocks a link may carry; the format defines eleven kinds.
inline constexpr size_t MaxLinkExtraBlocks = 64;

// Longest strings per field, in characters, without the terminator the file does not store.
// The relative path, working directory and icon location are classic path fields of MAX_PATH
// (260) characters with their terminator; so are the paths in the link information block.
inline constexpr size_t MaxLinkPathChars = 259;
// The description is shown as an info tip: INFOTIPSIZE (1024) characters.
inline constexpr size_t MaxLinkNameChars = 1024;
// Unicode arguments have no documented limit of their own (ANSI ones are cut to INFOTIPSIZE);
// they are passed on a command line, which holds at most 32,767 characters.
inline constexpr size_t MaxLinkArgumentChars = 32767;

// Checks the header (size 0x4C and the link class), the ID list (every item at least two bytes
// and inside the list, a terminator, at most MaxLinkIdItems items), the link information block
// (header size, every offset inside the block, every string terminated inside it and within
// MAX_PATH), the string data (each string inside the file and within its field's limit) and the
// extra-data blocks (each inside the file and at least a size and signature long, known kinds at
// their documented sizes, at most MaxLinkExtraBlocks of them).
ShellLinkCheck CheckShellLink(const ByteReader& link);

#if defined(_WIN32)
// Reads the link at path (refused when larger than MaxShellLinkBytes or unreadable) and checks it.
ShellLinkCheck CheckShellLinkFile(const wchar_t* path);
#endif

} // namespace scrutel
