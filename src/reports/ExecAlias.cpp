// The execution-alias section: a zero-length ".exe" that is an execution alias or a symbolic
// link shows the program it leads to, and the report goes on with that program.
#include "reports/ExecAlias.h"

#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "plugin/HostApi.h"
#include "reports/ReportSections.h"
#include "reports/ReportText.h"
#include "varfuncs/ReparsePoint.h"

#include <cwchar>
#include <vector>

namespace scrutel {

const ReparseReader& SystemReparseReader() {
    static const ReparseReader reader = [](const wchar_t* path, wchar_t* output, size_t capacity,
                                           uint32_t* tag) {
        return ReadReparseTarget(path, output, capacity, tag);
    };
    return reader;
}

uint32_t FollowAlias(const wchar_t* path, wchar_t* resolved, const ReparseReader& reader) {
    if (!path || !*path || !resolved || !reader) return 0;
    std::vector<wchar_t> target(AliasPathChars, L'\0');
    uint32_t tag = 0;
    if (reader(path, target.data(), target.size(), &tag) != 0) return 0;
    target.back() = 0;
    if (target[0] == 0) return 0;
    if (tag != ReparseTagAppExecLink && tag != ReparseTagSymlink) return 0;
    if (_wcsicmp(target.data(), path) == 0) return 0;
    if (QueryFileSize(target.data(), 0) <= 0) return 0;
    size_t length = wcslen(target.data());
    if (length >= AliasPathChars) return 0;
    wmemcpy(resolved, target.data(), length + 1);
    return tag;
}

int ExecAliasSectionQuoted(const wchar_t* path, wchar_t* resolved, uint32_t omitMask,
                           const ReparseReader& reader) {
    try {
        uint32_t tag = FollowAlias(path, resolved, reader);
        if (tag == 0) return 0;
        QuotePair q = QuotesForMask(omitMask);
        // The target is shown without controls; the later sections still read the real name.
        std::wstring shown = ScrubControls(resolved);
        if (tag == ReparseTagAppExecLink)
            ReportPrintf(L"    AppX alias:  %c%s%c", q.open, shown.c_str(), q.close);
        else
            ReportPrintf(L"    Symlink:  %c%s%c", q.open, shown.c_str(), q.close);
        if (EndLine(2) == ABORTED) return ABORTED;
        return 1;
    } catch (...) {
        return 0;
    }
}

// The report driver's form: quotes chosen by /O:Q in omitMask.
int ExecAliasSection(const wchar_t* path, wchar_t* resolved, uint32_t omitMask) {
    return ExecAliasSectionQuoted(path, resolved, omitMask);
}

} // namespace scrutel
