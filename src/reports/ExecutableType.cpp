// The executable-type classifier: the system's binary type refined by the file's own headers,
// and the names of the type codes.
#include "reports/ExecutableType.h"
#include "core/SectionOutcome.h"

#include "reports/FileProbe.h"

#include "plugin/HostApi.h"
#include "reports/ReportSections.h"
#include "reports/ReportText.h"

#include <algorithm>
#include <cwchar>
#include <shellapi.h>
#include <windows.h>

namespace scrutel {

const wchar_t* const ExecutableTypeNames[ExecutableTypeCount] = {
    L"Unknown",
    L"MS-DOS",
    L".PIF file",
    L"Windows 16-bit",
    L"Windows 3.x VxD",
    L"OS/2",
    L"Windows 32-bit",
    L"Windows 32-bit (console)",
    L"Posix",
    L"Windows 64-bit",
    L"Windows 64-bit (console)",
    L"EFI application",
    L"EFI boot service driver",
    L"EFI runtime driver",
    L"EFI ROM",
    L"XBox",
    L"Windows boot application",
    L"32-bit .DLL file",
    L"64-bit .DLL file",
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

enum : uint16_t {
    SubsystemWindowsGui = 2,
    SubsystemWindowsConsole = 3,
};

// Windows GUI or console programs by machine and subsystem; 0 for any other pair.
int WindowsProgramCode(const ExeHeader& h) {
    if (h.machine == MachineX86) {
        if (h.subsystem == SubsystemWindowsGui) return 6;
        if (h.subsystem == SubsystemWindowsConsole) return 7;
    } else if (h.machine == MachineX64) {
        if (h.subsystem == SubsystemWindowsGui) return 9;
        if (h.subsystem == SubsystemWindowsConsole) return 10;
    }
    return 0;
}

int Refine(int mapped, const ExecutableFacts& facts) {
    std::optional<ExeHeader> h = facts.header ? facts.header() : std::nullopt;
    if (!h) return mapped;
    if (h->machine == MachineX86 && h->subsystem == SubsystemLe) return 4;
    if (int code = WindowsProgramCode(*h)) return code;
    switch (h->subsystem) {
    case 10:
        return 11;
    case 11:
        return 12;
    case 12:
        return 13;
    case 13:
        return 14;
    case 14:
        return 15;
    case 16:
        return 16;
    default:
        return mapped;
    }
}

} // namespace

int ClassifyExecutable(const ExecutableFacts& facts) {
    if (facts.binaryTypeKnown) {
        switch (facts.binaryType) {
        case Scs32Bit:
            return Refine(6, facts);
        case ScsDos:
            return Refine(1, facts);
        case ScsOs216:
            return Refine(5, facts);
        case Scs64Bit:
            return Refine(9, facts);
        case ScsWow:
            return 3;
        case ScsPif:
            return 2;
        case ScsPosix:
            return 8;
        default:
            return 0;
        }
    }
    if (facts.extension == ExecutableFacts::DllExtension) {
        std::optional<ExeHeader> h = facts.header ? facts.header() : std::nullopt;
        if (!h || h->subsystem == 0) return 0;
        if (h->machine == MachineX86) return 17;
        if (h->machine == MachineX64) return 18;
        return 0;
    }
    if (facts.extension == ExecutableFacts::ExeExtension && facts.accessDenied) {
        uint32_t shell = facts.shellExeType ? facts.shellExeType() : 0;
        uint16_t low = static_cast<uint16_t>(shell & 0xFFFF);
        if (low != 0x4550 && low != 0x5045) return 0;
        std::optional<ExeHeader> h = facts.header ? facts.header() : std::nullopt;
        return h ? WindowsProgramCode(*h) : 0;
    }
    return 0;
}

int ExecutableTypeCode(const wchar_t* path) {
    if (!path || !*path) return -1;
    if (!QueryIsFile(path)) return 0;
    FileProbe probe(path);
    return ExecutableTypeCode(probe);
}

bool SystemMayKnowBinaryType(std::span<const std::byte> head, const wchar_t* path) {
    if (head.size() >= 2 && ((head[0] == std::byte{'M'} && head[1] == std::byte{'Z'}) ||
                             (head[0] == std::byte{'Z'} && head[1] == std::byte{'M'})))
        return true;
    // Without an image header the system names only these by their extension (the text after the
    // last dot of the whole path, as it looks for it).
    const wchar_t* dot = path ? wcsrchr(path, L'.') : nullptr;
    return dot && (_wcsicmp(dot, L".com") == 0 || _wcsicmp(dot, L".pif") == 0);
}

int ExecutableTypeCode(FileProbe& probe) {
    const wchar_t* path = probe.path();
    if (!path || !*path) return -1;
    try {
        // A file without an image header is no executable of any type: the system's answer
        // (no binary type, or an access failure that leads to the shell, which reads the same
        // header) cannot make it one, so neither is asked.
        std::span<const std::byte> head;
        const bool haveHead = probe.Head(head);
        if (haveHead && !SystemMayKnowBinaryType(head, path)) return 0;
        ExecutableFacts facts;
        const wchar_t* extension = FindExtension(path);
        if (extension && _wcsicmp(extension, L".dll") == 0)
            facts.extension = ExecutableFacts::DllExtension;
        else if (extension && _wcsicmp(extension, L".exe") == 0)
            facts.extension = ExecutableFacts::ExeExtension;
        DWORD binaryType = 0;
        if (GetBinaryTypeW(path, &binaryType)) {
            facts.binaryTypeKnown = true;
            facts.binaryType = binaryType;
        } else {
            facts.accessDenied = GetLastError() == ERROR_ACCESS_DENIED;
        }
        facts.header = [path, haveHead, head]() -> std::optional<ExeHeader> {
            if (haveHead)
                return ParseExeHeader(ByteReader(head.data(), std::min(head.size(), ExeHeaderReadBytes)));
            uint16_t machine = 0, subsystem = 0;
            if (ReadExeHeader(path, &machine, &subsystem) != 0) return std::nullopt;
            return ExeHeader{machine, subsystem};
        };
        facts.shellExeType = [path]() -> uint32_t {
            return static_cast<uint32_t>(SHGetFileInfoW(path, 0, nullptr, 0, SHGFI_EXETYPE));
        };
        return ClassifyExecutable(facts);
    } catch (...) {
        return SECTION_FAULT;
    }
}

const wchar_t* ExecutableTypeName(int code) {
    if (code < 0 || code >= ExecutableTypeCount) return ExecutableTypeNames[0];
    return ExecutableTypeNames[code];
}

} // namespace scrutel
