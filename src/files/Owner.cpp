// Owner lookup: the account that owns a file, as "DOMAIN\account". Both ways of reaching the
// file's owner live here and share one account conversion: the owner range filter asks by path,
// the attributes section asks through the report's read-sharing handle (so a file that another
// process holds open for writing shows no owner line in the report).
#include "files/Owner.h"

#include "core/Limits.h"

#include "files/OwnerAccount.h"
#include "core/ReportMemo.h"

#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace scrutel {

int AccountOfSid(PSID sid, size_t nameCapacity, wchar_t* output, size_t outputCapacity, bool* written) {
    if (written) *written = false;
    if (!sid || !output || outputCapacity == 0 || nameCapacity == 0 || nameCapacity > 0x7FFFFFFF) return -1;
    std::unique_ptr<wchar_t[]> name(new (std::nothrow) wchar_t[nameCapacity]());
    std::unique_ptr<wchar_t[]> domain(new (std::nothrow) wchar_t[nameCapacity]());
    if (!name || !domain) return 1;
    DWORD nameLength = static_cast<DWORD>(nameCapacity);
    DWORD domainLength = static_cast<DWORD>(nameCapacity);
    SID_NAME_USE use = SidTypeUnknown;
    if (!LookupAccountSidW(nullptr, sid, name.get(), &nameLength, domain.get(), &domainLength, &use))
        return 1;
    // The lookup reports lengths without the terminator; trust the terminated text, not the counts.
    name[nameCapacity - 1] = L'\0';
    domain[nameCapacity - 1] = L'\0';
    size_t n = wcslen(name.get());
    size_t d = wcslen(domain.get());
    // Domain, backslash, name and terminator must fit; a text that does not fit is treated as absent.
    if (n != 0 && d != 0 && d + 1 + n < outputCapacity) {
        wmemcpy(output, domain.get(), d);
        output[d] = L'\\';
        wmemcpy(output + d + 1, name.get(), n);
        output[d + 1 + n] = L'\0';
        if (written) *written = true;
    }
    return 0;
}

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

int LookupOwner(const wchar_t* path, wchar_t* output) {
    if (!path || !output) return -1;
    try {
        DWORD needed = 0;
        GetFileSecurityW(path, OWNER_SECURITY_INFORMATION, nullptr, 0, &needed);
        if (needed == 0) return 1;
        std::unique_ptr<BYTE[]> descriptor(new (std::nothrow) BYTE[needed]());
        if (!descriptor) return 1;
        auto* sd = static_cast<PSECURITY_DESCRIPTOR>(descriptor.get());
        if (!GetFileSecurityW(path, OWNER_SECURITY_INFORMATION, sd, needed, &needed)) return 1;
        PSID owner = nullptr;
        BOOL defaulted = FALSE;
        if (!GetSecurityDescriptorOwner(sd, &owner, &defaulted) || !owner) return 1;
        return AccountOfSid(owner, HostExpandChars, output, HostExpandChars) == 0 ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

} // namespace scrutel
