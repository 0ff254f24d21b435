// Attributes section: the file's Windows attributes in a fixed order, and the account that owns
// the file.
#include "reports/ReportSections.h"

#include "output/LineOutput.h"
#include "plugin/HostApi.h"
#include "plugin/Owners.h"
#include "reports/AttributeList.h"
#include "reports/FindData.h"
#include "reports/OwnerAccount.h"

#include <aclapi.h>

#include <cwchar>

namespace scrutel {

namespace {

struct AttributeText {
    DWORD bit;
    const wchar_t* text;
};

constexpr AttributeText AttributeTexts[] = {
    {FILE_ATTRIBUTE_READONLY, L"Read-Only  "},
    {FILE_ATTRIBUTE_HIDDEN, L"Hidden  "},
    {FILE_ATTRIBUTE_SYSTEM, L"System  "},
    {FILE_ATTRIBUTE_ARCHIVE, L"Archive  "},
    {FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, L"Index-Inhibit  "},
    {FILE_ATTRIBUTE_COMPRESSED, L"Compressed  "},
    {FILE_ATTRIBUTE_ENCRYPTED, L"Encrypted  "},
};

// The owner of the open file as "domain\account", or false when it cannot be told.
bool OwnerOfOpenFile(HANDLE file, wchar_t* owner, size_t capacity) {
    PSID sid = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD rc = GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &sid, nullptr, nullptr,
                               nullptr, &descriptor);
    LocalMemory descriptorOwner(descriptor);
    if (rc != ERROR_SUCCESS || !descriptor || !sid) return false;
    bool written = false;
    return AccountOfSid(sid, 1024, owner, capacity, &written) == 0 && written;
}

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

int AttributesSection(const wchar_t* path) {
    if (!path || !*path) return -1;
    DWORD attributes = GetFileAttributesW(path);
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

    // Sharing read only: a file that another process holds open for writing shows no owner.
    FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file) {
        wchar_t owner[2 * 1024 + 2] = {};
        if (OwnerOfOpenFile(file.get(), owner, sizeof owner / sizeof owner[0])) {
            ReportPrintf(L"    File owner:  %s", owner);
            if (EndLine(1) == ABORTED) return ABORTED;
        }
    }
    return EndLine(1);
}

} // namespace scrutel
