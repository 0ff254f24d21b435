// The executable-type classifier's system side: the system's binary type and the shell's answer
// gathered for the rules, and the printed type names.
#include "reports/ExecutableType.h"
#include "core/SectionOutcome.h"

#include "reports/FileProbe.h"

#include "gateway/HostGateway.h"
#include "reports/ReportSections.h"
#include "reports/ReportText.h"

#include <algorithm>
#include <cwchar>
#include <shellapi.h>
#include <windows.h>

namespace scrutel {

int ExecutableTypeCode(const wchar_t* path) {
    if (!path || !*path) return -1;
    if (!gateway::QueryIsFile(path)) return ExeUnknown;
    FileProbe probe(path);
    return ExecutableTypeCode(probe);
}

int ExecutableTypeCode(FileProbe& probe) {
    const wchar_t* path = probe.path();
    if (!path || !*path) return -1;
    // A file without an image header is no executable of any type: the system's answer
    // (no binary type, or an access failure that leads to the shell, which reads the same
    // header) cannot make it one, so neither is asked.
    std::span<const std::byte> head;
    const bool haveHead = probe.Head(head);
    if (haveHead && !SystemMayKnowBinaryType(head, path)) return ExeUnknown;
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
}

const wchar_t* ExecutableTypeName(int code) {
    if (code < 0 || code >= ExecutableTypeCount) return Wide(ExecutableTypeNames[ExeUnknown]);
    return Wide(ExecutableTypeNames[code]);
}

} // namespace scrutel
