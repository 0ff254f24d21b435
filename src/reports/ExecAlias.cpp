// The execution-alias section: a zero-length ".exe" that is an execution alias or a symbolic
// link shows the program it leads to, and the report goes on with that program.
#include "reports/ExecAlias.h"
#include "core/SectionOutcome.h"

#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "gateway/HostGateway.h"
#include "reports/ReportSections.h"
#include "reports/ReportText.h"
#include "files/ReparsePoint.h"

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

int PrintAliasLine(uint32_t tag, const wchar_t* target, const QuotePair& quotes, bool inLinkSection,
                   unsigned ends) {
    std::wstring shown = TerminalSafe(target);
    const wchar_t* label = tag == ReparseTagAppExecLink
                               ? (inLinkSection ? L"AppX alias:   " : L"AppX alias:  ")
                               : (inLinkSection ? L"Symlink:      " : L"Symlink:  ");
    ReportPrintf(L"    %s%c%s%c", label, quotes.open, shown.c_str(), quotes.close);
    return EndLine(ends);
}

uint32_t FollowAlias(const wchar_t* path, wchar_t* resolved, const ReparseReader& reader) {
    if (!path || !*path || !resolved || !reader) return 0;
    std::vector<wchar_t> target(PathChars, L'\0');
    uint32_t tag = 0;
    if (reader(path, target.data(), target.size(), &tag) != 0) return 0;
    target.back() = 0;
    if (target[0] == 0) return 0;
    if (tag != ReparseTagAppExecLink && tag != ReparseTagSymlink) return 0;
    if (_wcsicmp(target.data(), path) == 0) return 0;
    if (gateway::QueryFileSize(target.data(), 0) <= 0) return 0;
    size_t length = wcslen(target.data());
    if (length >= PathChars) return 0;
    wmemcpy(resolved, target.data(), length + 1);
    return tag;
}

int ExecAliasSectionQuoted(const wchar_t* path, wchar_t* resolved, uint32_t omitMask,
                           const ReparseReader& reader) {
    uint32_t tag = FollowAlias(path, resolved, reader);
    if (tag == 0) return 0;
    // The target is shown with its controls escaped; the later sections still read the real name.
    if (PrintAliasLine(tag, resolved, QuotesForMask(omitMask), false, 2) == ABORTED) return ABORTED;
    return 1;
}

// The report driver's form: quotes chosen by /O:Q in omitMask.
int ExecAliasSection(const wchar_t* path, wchar_t* resolved, uint32_t omitMask) {
    return ExecAliasSectionQuoted(path, resolved, omitMask);
}

} // namespace scrutel
