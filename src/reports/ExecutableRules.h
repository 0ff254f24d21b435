// The executable-type rules: the names of the type codes, whether the system's binary-type
// query can name a file, and the classification from the system's answer and the file's header.
#pragma once
#include "core/Utf16.h"
#include "reports/ExeHeader.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace scrutel {

inline constexpr int ExecutableTypeCount = 19;
// Indexed by the type code; callers print codes 1 to 18 only.
extern const char16_t* const ExecutableTypeNames[ExecutableTypeCount];

// Whether the system's binary-type query can name a file with these first bytes: an "MZ" (or
// "ZM") image, or a .com or .pif file by its extension.
bool SystemMayKnowBinaryType(std::span<const std::byte> head, const char16_t* path);
#if defined(_WIN32)
inline bool SystemMayKnowBinaryType(std::span<const std::byte> head, const wchar_t* path) {
    return SystemMayKnowBinaryType(head, U16(path));
}
#endif

// What the classifier knows about a file. The header and the shell's answer are fetched only
// when a rule needs them.
struct ExecutableFacts {
    bool binaryTypeKnown = false; // GetBinaryTypeW succeeded
    uint32_t binaryType = 0;      // its SCS_* answer
    bool accessDenied = false;    // GetBinaryTypeW failed with ERROR_ACCESS_DENIED
    enum Extension { OtherExtension, DllExtension, ExeExtension } extension = OtherExtension;
    std::function<std::optional<ExeHeader>()> header;
    std::function<uint32_t()> shellExeType; // SHGetFileInfoW with SHGFI_EXETYPE
};

// The type code 0 to 18 for the facts.
int ClassifyExecutable(const ExecutableFacts& facts);

} // namespace scrutel
