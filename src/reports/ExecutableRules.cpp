// The executable-type rules: the system's binary type refined by the file's own headers, the
// names of the type codes, and which files the system's query can name at all.
#include "reports/ExecutableRules.h"

namespace scrutel {

const char16_t* const ExecutableTypeNames[ExecutableTypeCount] = {
    u"Unknown",
    u"MS-DOS",
    u".PIF file",
    u"Windows 16-bit",
    u"Windows 3.x VxD",
    u"OS/2",
    u"Windows 32-bit",
    u"Windows 32-bit (console)",
    u"Posix",
    u"Windows 64-bit",
    u"Windows 64-bit (console)",
    u"EFI application",
    u"EFI boot service driver",
    u"EFI runtime driver",
    u"EFI ROM",
    u"XBox",
    u"Windows boot application",
    u"32-bit .DLL file",
    u"64-bit .DLL file",
};

namespace {

// The system's binary types (GetBinaryTypeW).
enum : uint32_t {
    Scs32Bit = 0,
    ScsDos = 1,
    ScsWow = 2,
    ScsPif = 3,
    ScsPosix = 4,
    ScsOs216 = 5,
    Scs64Bit = 6,
};

// The PE header's subsystems.
enum : uint16_t {
    SubsystemWindowsGui = 2,
    SubsystemWindowsConsole = 3,
    SubsystemEfiApplication = 10,
    SubsystemEfiBootDriver = 11,
    SubsystemEfiRuntimeDriver = 12,
    SubsystemEfiRom = 13,
    SubsystemXbox = 14,
    SubsystemWindowsBoot = 16,
};

// Windows GUI or console programs by machine and subsystem; 0 for any other pair.
int WindowsProgramCode(const ExeHeader& h) {
    if (h.machine == MachineX86) {
        if (h.subsystem == SubsystemWindowsGui) return ExeWindows32;
        if (h.subsystem == SubsystemWindowsConsole) return ExeWindows32Console;
    } else if (h.machine == MachineX64) {
        if (h.subsystem == SubsystemWindowsGui) return ExeWindows64;
        if (h.subsystem == SubsystemWindowsConsole) return ExeWindows64Console;
    }
    return ExeUnknown;
}

int Refine(int mapped, const ExecutableFacts& facts) {
    std::optional<ExeHeader> h = facts.header ? facts.header() : std::nullopt;
    if (!h) return mapped;
    if (h->machine == MachineX86 && h->subsystem == SubsystemLe) return ExeVxd;
    if (int code = WindowsProgramCode(*h)) return code;
    switch (h->subsystem) {
    case SubsystemEfiApplication:
        return ExeEfiApplication;
    case SubsystemEfiBootDriver:
        return ExeEfiBootDriver;
    case SubsystemEfiRuntimeDriver:
        return ExeEfiRuntimeDriver;
    case SubsystemEfiRom:
        return ExeEfiRom;
    case SubsystemXbox:
        return ExeXbox;
    case SubsystemWindowsBoot:
        return ExeWindowsBoot;
    default:
        return mapped;
    }
}

} // namespace

int ClassifyExecutable(const ExecutableFacts& facts) {
    if (facts.binaryTypeKnown) {
        switch (facts.binaryType) {
        case Scs32Bit:
            return Refine(ExeWindows32, facts);
        case ScsDos:
            return Refine(ExeMsDos, facts);
        case ScsOs216:
            return Refine(ExeOs2, facts);
        case Scs64Bit:
            return Refine(ExeWindows64, facts);
        case ScsWow:
            return ExeWindows16;
        case ScsPif:
            return ExePif;
        case ScsPosix:
            return ExePosix;
        default:
            return ExeUnknown;
        }
    }
    if (facts.extension == ExecutableFacts::DllExtension) {
        std::optional<ExeHeader> h = facts.header ? facts.header() : std::nullopt;
        if (!h || h->subsystem == 0) return ExeUnknown;
        if (h->machine == MachineX86) return ExeDll32;
        if (h->machine == MachineX64) return ExeDll64;
        return ExeUnknown;
    }
    if (facts.extension == ExecutableFacts::ExeExtension && facts.accessDenied) {
        uint32_t shell = facts.shellExeType ? facts.shellExeType() : 0;
        uint16_t low = static_cast<uint16_t>(shell & 0xFFFF);
        if (low != 0x4550 && low != 0x5045) return ExeUnknown;
        std::optional<ExeHeader> h = facts.header ? facts.header() : std::nullopt;
        return h ? WindowsProgramCode(*h) : ExeUnknown;
    }
    return ExeUnknown;
}

bool SystemMayKnowBinaryType(std::span<const std::byte> head, const char16_t* path) {
    if (head.size() >= 2 && ((head[0] == std::byte{'M'} && head[1] == std::byte{'Z'}) ||
                             (head[0] == std::byte{'Z'} && head[1] == std::byte{'M'})))
        return true;
    // Without an image header the system names only these by their extension (the text after the
    // last dot of the whole path, as it looks for it).
    if (!path) return false;
    U16View whole(path);
    size_t dot = whole.rfind(u'.');
    if (dot == U16View::npos) return false;
    U16View extension = whole.substr(dot);
    auto is = [extension](U16View wanted) {
        if (extension.size() != wanted.size()) return false;
        for (size_t i = 0; i < wanted.size(); ++i) {
            char16_t c = extension[i];
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
            if (c != wanted[i]) return false;
        }
        return true;
    };
    return is(u".com") || is(u".pif");
}

} // namespace scrutel
