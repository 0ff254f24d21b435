// Attributes section: the file's Windows attributes in a fixed order, and the account that owns
// the file.
#include "reports/ReportSections.h"

#include "output/LineOutput.h"
#include "plugin/HostApi.h"
#include "core/Owners.h"
#include "reports/AttributeList.h"
#include "reports/FileProbe.h"
#include "reports/ReportMemo.h"
#include "reports/FindData.h"
#include "reports/OwnerAccount.h"

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
    {FILE_ATTRIBUTE_READONLY, L"Read-Only  "},
    {FILE_ATTRIBUTE_HIDDEN, L"Hidden  "},
    {FILE_ATTRIBUTE_SYSTEM, L"System  "},
    {FILE_ATTRIBUTE_ARCHIVE, L"Archive  "},
    {FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, L"Index-Inhibit  "},
    {FILE_ATTRIBUTE_COMPRESSED, L"Compressed  "},
    {FILE_ATTRIBUTE_ENCRYPTED, L"Encrypted  "},
};

// The owner of the open file as "domain\account", or false when it cannot be told. With a memo,
// each SID's account is looked up once per command.
bool OwnerOfOpenFile(HANDLE file, wchar_t* owner, size_t capacity, ReportMemo* memo) {
    // The owner alone makes a small descriptor; a larger one is fetched at its size.
    alignas(SECURITY_DESCRIPTOR) BYTE small[512];
    std::unique_ptr<BYTE[]> large;
    PSECURITY_DESCRIPTOR descriptor = small;
    DWORD needed = 0;
    if (!GetKernelObjectSecurity(file, OWNER_SECURITY_INFORMATION, descriptor, sizeof small, &needed)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0 || needed > 0x10000) return false;
        large.reset(new (std::nothrow) BYTE[needed]);
        if (!large) return false;
        descriptor = large.get();
        if (!GetKernelObjectSecurity(file, OWNER_SECURITY_INFORMATION, descriptor, needed, &needed))
            return false;
    }
    PSID sid = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &sid, &defaulted) || !sid || !IsValidSid(sid)) return false;
    if (!memo) {
        bool written = false;
        return AccountOfSid(sid, 1024, owner, capacity, &written) == 0 && written;
    }
    std::string key(static_cast<const char*>(sid), GetLengthSid(sid));
    auto known = memo->accounts.find(key);
    if (known == memo->accounts.end()) {
        std::vector<wchar_t> text(capacity, L'\0');
        bool written = false;
        bool ok = AccountOfSid(sid, 1024, text.data(), capacity, &written) == 0 && written;
        known = memo->accounts.emplace(key, std::make_pair(ok, std::wstring(ok ? text.data() : L""))).first;
    }
    if (!known->second.first || known->second.second.size() >= capacity) return false;
    wmemcpy(owner, known->second.second.c_str(), known->second.second.size() + 1);
    return true;
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
            ReportPrintf(L"    File owner:  %s", owner);
            if (EndLine(1) == ABORTED) return ABORTED;
        }
    }
    return EndLine(1);
}

int AttributesSection(const wchar_t* path) {
    FileProbe probe(path);
    return AttributesSection(probe, nullptr);
}

} // namespace scrutel
