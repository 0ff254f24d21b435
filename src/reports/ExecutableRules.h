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

// The type codes the classifier answers; every code but ExeUnknown is printed.
enum ExecutableType : int {
    ExeUnknown = 0,
    ExeMsDos = 1,
    ExePif = 2,
    ExeWindows16 = 3,
    ExeVxd = 4,
    ExeOs2 = 5,
    ExeWindows32 = 6,
    ExeWindows32Console = 7,
    ExePosix = 8,
    ExeWindows64 = 9,
    ExeWindows64Console = 10,
    ExeEfiApplication = 11,
    ExeEfiBootDriver = 12,
    ExeEfiRuntimeDriver = 13,
    ExeEfiRom = 14,
    ExeXbox = 15,
    ExeWindowsBoot = 16,
    ExeDll32 = 17,
    ExeDll64 = 18,
};
inline constexpr int FirstShownExecutableType = ExeMsDos;
inline constexpr int LastExecutableType = ExeDll64;
inline constexpr int ExecutableTypeCount = LastExecutableType + 1;
// Indexed by the type code; callers print codes FirstShownExecutableType to LastExecutableType only.
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

// The type code for the facts.
int ClassifyExecutable(const ExecutableFacts& facts);

} // namespace scrutel
