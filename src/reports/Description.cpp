// Description section: the file's 4DOS description, which the host keeps and returns through
// its @descript variable function.
#include "reports/ReportSections.h"
#include "core/Limits.h"
#include "reports/ReportText.h"

#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "plugin/HostApi.h"

#include <cwchar>
#include <cwctype>
#include <memory>
#include <new>

namespace scrutel {

namespace {

constexpr size_t DescriptionChars = PathChars;
// The host expands at most this many characters in place.
constexpr size_t HostExpansionChars = HostExpandChars;

// Builds %@descript["path"] with each "%" of the path doubled, so that the host reads the path
// literally instead of expanding variables named in it. False when it does not fit.
bool BuildDescriptExpression(const wchar_t* path, wchar_t* out, size_t capacity) {
    static const wchar_t prefix[] = L"%@descript[\"";
    static const wchar_t suffix[] = L"\"]";
    size_t n = 0;
    auto put = [&](wchar_t c) {
        if (n + 1 >= capacity) return false;
        out[n++] = c;
        return true;
    };
    for (const wchar_t* p = prefix; *p; ++p)
        if (!put(*p)) return false;
    for (const wchar_t* p = path; *p; ++p) {
        if (!put(*p)) return false;
        if (*p == L'%' && !put(L'%')) return false;
    }
    for (const wchar_t* p = suffix; *p; ++p)
        if (!put(*p)) return false;
    out[n] = L'\0';
    return true;
}

} // namespace

int DescriptionSection(const wchar_t* path) {
    if (!path || !*path) return -1;
    if (!QueryIsFile(path)) return 2;
    return DescriptionOfFile(path);
}

int DescriptionOfFile(const wchar_t* path) {
    if (!path || !*path) return -1;
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[DescriptionChars]());
    if (!buffer) return 0;
    if (!BuildDescriptExpression(path, buffer.get(), HostExpansionChars)) return 0;
    if (ExpandVariables(buffer.get(), 1) != 0) return 0;
    buffer[DescriptionChars - 1] = L'\0';
    if (!HasVisibleText(buffer.get())) return 0;
    ScrubControlsInPlace(buffer.get());
    ReportPrintf(L"    4DOS file description:  %s", buffer.get());
    return EndLine(2);
}

} // namespace scrutel
