// Version header: the first lines of a file's report, with its description, version and legal
// notice from the version resource or, for a font file without one, from its naming table.
#include "reports/VersionHeader.h"

#include "core/FileAttributes.h"
#include "core/Limits.h"
#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "reports/FileProbe.h"
#include "reports/FontNames.h"
#include "reports/ReportSections.h"
#include "reports/ReportText.h"
#include "reports/VersionInfo.h"

#include <windows.h>

#include <cwchar>
#include <cwctype>
#include <vector>

namespace scrutel {

namespace {} // namespace

int PrintVersionHeaderLines(const wchar_t* description, const wchar_t* version, const wchar_t* legal,
                            int quoteFlag, uint32_t maxWidth) {
    QuotePair quotes = QuotesForFlag(quoteFlag);
    bool hasDescription = HasVisibleText(description);
    bool hasVersion = HasVisibleText(version);
    // The strings come from the file: no control or direction character in them reaches the
    // terminal.
    std::wstring descriptionText = TerminalSafe(description), versionText = TerminalSafe(version);
    description = descriptionText.c_str();
    version = versionText.c_str();
    int lines = 0;
    if (hasDescription || hasVersion) {
        if (hasDescription && hasVersion)
            ReportPrintf(L"    %c%s%c \u2014 %s", quotes.open, description, quotes.close, version);
        else if (hasDescription)
            ReportPrintf(L"    %c%s%c \u2014 (no version)", quotes.open, description, quotes.close);
        else
            ReportPrintf(L"    (No description) \u2014 %s", version);
        if (EndLine(1) == ABORTED) return ABORTED;
        ++lines;
    }
    if (HasVisibleText(legal)) {
        // The notice keeps room for the indentation and a margin on a line of maxWidth. It is cut
        // after its escapes are written, so that they count towards the width.
        std::wstring notice = TerminalSafe(std::wstring_view(legal, wcsnlen(legal, TextOutputChars - 1)));
        if (maxWidth != 0) TruncateWithEllipsis(notice.data(), maxWidth > 5 ? maxWidth - 5 : 1);
        ReportPrintf(L"    %s", notice.c_str());
        if (EndLine(1) == ABORTED) return ABORTED;
        ++lines;
    }
    if (lines && EndLine(1) == ABORTED) return ABORTED;
    return lines;
}

int VersionHeaderSection(FileProbe& probe, int quoteFlag, uint32_t maxWidth) {
    const wchar_t* path = probe.path();
    if (!path || !*path) return -1;
    const WIN32_FILE_ATTRIBUTE_DATA* data = probe.Attributes();
    if (!data || (data->dwFileAttributes & (AttributeDirectory | AttributeDevice))) return -2;
    wchar_t description[TextOutputChars] = {};
    wchar_t version[TextOutputChars] = {};
    wchar_t legal[TextOutputChars] = {};
    const std::vector<std::byte>* found = nullptr;
    int read = probe.VersionBlock(found);
    const std::vector<std::byte>& block = *found;
    if (read == VersionBlockNoMemory) return -2;
    if (read == VersionBlockRead) {
        QueryVersionString(block.data(), block.size(), L"FileDescription", description);
        QueryVersionString(block.data(), block.size(), L"FileVersion", version);
        QueryVersionString(block.data(), block.size(), L"LegalCopyright", legal);
    } else if (read == VersionBlockAbsent && FontFileKind(path) != 0) {
        if (ReadFontHeaderStrings(path, description, version, legal) == 0) return 0;
    }
    return PrintVersionHeaderLines(description, version, legal, quoteFlag, maxWidth);
}

} // namespace scrutel
