// The version-resource section: a file's version strings and binary file version under fixed,
// dot-aligned labels.
#include "reports/VersionResource.h"
#include "core/CharClass.h"
#include "core/Limits.h"
#include "core/SectionOutcome.h"

#include "reports/FileProbe.h"

#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "reports/ReportSections.h"
#include "reports/ReportText.h"
#include "reports/VersionInfo.h"

#include <cwchar>

namespace scrutel {

namespace {

const wchar_t* const LabelsBeforeVersion[] = {L"Product Name", L"Internal Name", L"Original Filename"};
const wchar_t* const LabelsAfterVersion[] = {L"Product Version", L"File Version", L"Build",
                                             L"Company Name",    L"Language",     L"Legal Trademarks"};

} // namespace

int PrintVersionValue(const std::vector<std::byte>& block, const wchar_t* label) {
    if (!label || !*label) return -1;
    wchar_t name[TextOutputChars];
    size_t n = 0;
    for (const wchar_t* p = label; *p && n < TextOutputChars - 1; ++p)
        if (!IsWhiteSpace(*p)) name[n++] = *p;
    name[n] = 0;
    wchar_t value[TextOutputChars] = {};
    if (QueryVersionString(block.data(), block.size(), name, value) != 0 || !HasVisibleText(value)) return 1;
    return PrintLabelLine(label, value);
}

int VersionResourceReport(const std::vector<std::byte>& block) {
    int printed = 0;
    for (const wchar_t* label : LabelsBeforeVersion) {
        int rc = PrintVersionValue(block, label);
        if (rc == ABORTED) return ABORTED;
        if (rc == 0) ++printed;
    }
    if (auto parts = FixedFileVersion(block)) {
        ReportPrintf(L"    Version (binary) ........ %u.%u.%u.%u", (*parts)[0], (*parts)[1], (*parts)[2],
                     (*parts)[3]);
        if (EndLine(1) == ABORTED) return ABORTED;
        ++printed;
    }
    for (const wchar_t* label : LabelsAfterVersion) {
        int rc = PrintVersionValue(block, label);
        if (rc == ABORTED) return ABORTED;
        if (rc == 0) ++printed;
    }
    if (printed) return EndLine(1);
    return 0;
}

int VersionResourceSection(FileProbe& probe) {
    if (!probe.path() || !*probe.path()) return -1;
    const std::vector<std::byte>* block = nullptr;
    int rc = probe.VersionBlock(block);
    if (rc == VersionBlockAbsent || rc == VersionBlockNoMemory) return rc;
    if (rc != VersionBlockRead) return 0;
    return VersionResourceReport(*block);
}

} // namespace scrutel
