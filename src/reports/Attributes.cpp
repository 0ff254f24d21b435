// Attributes section: the file's Windows attributes in a fixed order, and the account that owns
// the file.
#include "reports/ReportSections.h"

#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "core/FileAttributes.h"
#include "core/Owners.h"
#include "reports/AttributeList.h"
#include "reports/FileProbe.h"
#include "core/ReportMemo.h"
#include "reports/FindData.h"
#include "files/Owner.h"

#include <aclapi.h>

#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace scrutel {

namespace {

struct AttributeText {
    DWORD bit;
    const wchar_t* text;
};

constexpr AttributeText AttributeTexts[] = {
    {AttributeReadOnly, L"Read-Only  "},
    {AttributeHidden, L"Hidden  "},
    {AttributeSystem, L"System  "},
    {AttributeArchive, L"Archive  "},
    {AttributeNotContentIndexed, L"Index-Inhibit  "},
    {AttributeCompressed, L"Compressed  "},
    {AttributeEncrypted, L"Encrypted  "},
};

// The core's names are the platform's bits.
static_assert(AttributeReadOnly == FILE_ATTRIBUTE_READONLY && AttributeHidden == FILE_ATTRIBUTE_HIDDEN &&
              AttributeSystem == FILE_ATTRIBUTE_SYSTEM && AttributeDirectory == FILE_ATTRIBUTE_DIRECTORY &&
              AttributeArchive == FILE_ATTRIBUTE_ARCHIVE && AttributeDevice == FILE_ATTRIBUTE_DEVICE &&
              AttributeReparsePoint == FILE_ATTRIBUTE_REPARSE_POINT &&
              AttributeCompressed == FILE_ATTRIBUTE_COMPRESSED &&
              AttributeOffline == FILE_ATTRIBUTE_OFFLINE &&
              AttributeNotContentIndexed == FILE_ATTRIBUTE_NOT_CONTENT_INDEXED &&
              AttributeEncrypted == FILE_ATTRIBUTE_ENCRYPTED && AttributeVirtual == FILE_ATTRIBUTE_VIRTUAL);

} // namespace

int FormatAttributeList(DWORD attributes, wchar_t* out, size_t capacity) {
    if (!out || capacity == 0) return -1;
    size_t n = 0;
    auto append = [&](const wchar_t* text) {
        size_t length = wcslen(text);
        if (n + length >= capacity) return false;
        wmemcpy(out + n, text, length);
        n += length;
        return true;
    };
    bool any = false;
    for (const AttributeText& a : AttributeTexts) {
        if (!(attributes & a.bit)) continue;
        any = true;
        if (!append(a.text)) {
            out[0] = L'\0';
            return -1;
        }
    }
    if (!any && !append(L"None.")) {
        out[0] = L'\0';
        return -1;
    }
    out[n] = L'\0';
    return static_cast<int>(n);
}

int AttributesSection(FileProbe& probe, ReportMemo* memo) {
    const wchar_t* path = probe.path();
    if (!path || !*path) return -1;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (const WIN32_FILE_ATTRIBUTE_DATA* data = probe.Attributes()) attributes = data->dwFileAttributes;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        WIN32_FIND_DATAW found{};
        if (ReadFindData(path, &found) != 1) return 1;
        attributes = found.dwFileAttributes;
    }
    wchar_t list[128] = {};
    FormatAttributeList(attributes, list, 128);
    ReportPuts(L"    Attributes:  ");
    ReportPuts(list);
    if (EndLine(1) == ABORTED) return ABORTED;
    // The probe shares reading only: a file that another process holds open for writing shows no
    // owner.
    if (HANDLE file = probe.Handle()) {
        wchar_t owner[2 * 1024 + 2] = {};
        if (OwnerOfOpenFile(file, owner, sizeof owner / sizeof owner[0], memo)) {
            ReportPrintf(L"    File owner:  %s", TerminalSafe(owner).c_str());
            if (EndLine(1) == ABORTED) return ABORTED;
        }
    }
    return EndLine(1);
}

} // namespace scrutel
