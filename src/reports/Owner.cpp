// Owner lookup: the account that owns a file, as "DOMAIN\account", for the attributes section and
// for owner range filters.
#include "reports/Owner.h"

#include "reports/OwnerAccount.h"

#include <cwchar>
#include <memory>
#include <new>

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

int LookupOwner(const wchar_t* path, wchar_t* output) {
    if (!path || !output) return -1;
    try {
        constexpr size_t Capacity = 8192;
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
        return AccountOfSid(owner, Capacity, output, Capacity) == 0 ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

} // namespace scrutel
