// Description section: the file's 4DOS description, which the host keeps and returns through
// its @descript variable function.
#include "reports/ReportSections.h"
#include "core/Limits.h"
#include "reports/ReportText.h"

#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "gateway/HostGateway.h"
#include "select/RangeMatch.h"

#include <cwchar>
#include <cwctype>
#include <memory>
#include <new>

namespace scrutel {

int DescriptionOfFile(const wchar_t* path) {
    if (!path || !*path) return -1;
    // The host's expansion buffer, and no larger: a block of 64 KiB or more would be committed and
    // decommitted by the heap for every file of a walk.
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[HostExpandChars]);
    if (!buffer) return 0;
    if (DescriptionExpression(path, buffer.get()) != 0) return 0;
    if (gateway::ExpandVariables(buffer.get(), 1) != 0) return 0;
    buffer[HostExpandChars - 1] = L'\0';
    if (!HasVisibleText(buffer.get())) return 0;
    // The description is text from a file: no control or direction character of it is shown.
    ReportPrintf(L"    4DOS file description:  %s", TerminalSafe(buffer.get()).c_str());
    return EndLine(2);
}

} // namespace scrutel
