// Dotted label lines shared by the version, image, property and font sections.
#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "reports/VersionInfo.h"

#include <cwchar>

namespace scrutel {

int PrintLabelLine(const wchar_t* label, const wchar_t* value) {
    if (!value) return -1;
    if (!label) label = L"";
    wchar_t dots[1024];
    size_t n = wcslen(label);
    size_t count = n < 24 ? 24 - n : 0;
    wmemset(dots, L'.', count);
    dots[count] = 0;
    // Values come from file contents: no control or direction character in them reaches the
    // terminal.
    ReportPrintf(L"    %s %s %s", label, dots, TerminalSafe(value).c_str());
    return EndLine(1);
}

} // namespace scrutel
