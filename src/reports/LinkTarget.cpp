// The link-target section: a shell link's target with its arguments, or its shell item or
// advertised product, followed by the target's alias, version summary and executable type.
#include "reports/LinkTarget.h"
#include "core/SectionOutcome.h"

#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "gateway/HostGateway.h"
#include "core/Owners.h"
#include "reports/ExecutableType.h"
#include "reports/ReportSections.h"
#include "reports/ReportText.h"
#include "reports/ShellLinkCheck.h"
#include "reports/VersionInfo.h"

#include <cwchar>
#include <cwctype>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <string_view>
#include <vector>
#include <windows.h>

namespace scrutel {

namespace {

constexpr uint32_t DarwinSignature = 0xA0000006;
constexpr DWORD HasDarwinId = 0x1000;
constexpr WORD InstallerProductInfoOrdinal = 70;

// The installed name of a product, through msi.dll loaded for this call only, so that a system
// without it still loads the plugin. Empty when unknown.
std::wstring InstalledProductName(const wchar_t* productCode) {
    using ProductInfo = UINT(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR, LPDWORD);
    Module msi(LoadLibraryW(L"msi.dll"));
    if (!msi) return L"";
    auto query = reinterpret_cast<ProductInfo>(
        reinterpret_cast<void*>(GetProcAddress(msi.get(), MAKEINTRESOURCEA(InstallerProductInfoOrdinal))));
    if (!query) return L"";
    std::vector<wchar_t> name(DescriptorChars, L'\0');
    DWORD length = static_cast<DWORD>(name.size());
    if (query(productCode, L"InstalledProductName", name.data(), &length) != ERROR_SUCCESS) return L"";
    name.back() = 0;
    return name.data();
}

void CopyBounded(wchar_t* output, size_t capacity, const std::wstring& text) {
    size_t n = text.size() < capacity ? text.size() : capacity - 1;
    wmemcpy(output, text.c_str(), n);
    output[n] = 0;
}

} // namespace

int ResolveShellLink(const wchar_t* linkPath, wchar_t* target, wchar_t* arguments) {
    if (!target || !linkPath || !*linkPath) return -1;
    target[0] = 0;
    if (arguments) arguments[0] = 0;
    // The shell's loader trusts the link's sizes and copies its paths into fixed buffers: a
    // link that fails the check is treated as one that cannot be loaded.
    if (!CheckShellLinkFile(linkPath).ok) return LinkUnresolved;
    std::wstring descriptor;
    CoTaskMemory idList;
    int result = LinkUnresolved;
    {
        ComPtr<IShellLinkW> link;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       link.put_void()))) {
            ComPtr<IPersistFile> file;
            if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())) &&
                SUCCEEDED(file->Load(linkPath, STGM_READ))) {
                if (FAILED(link->GetPath(target, static_cast<int>(PathChars), nullptr, 0))) target[0] = 0;
                target[PathChars - 1] = 0;
                if (target[0]) {
                    result = LinkPath;
                } else {
                    LPITEMIDLIST list = nullptr;
                    if (SUCCEEDED(link->GetIDList(&list))) idList.reset(list);
                }
                if (arguments) {
                    if (FAILED(link->GetArguments(arguments, static_cast<int>(HostExpandChars))))
                        arguments[0] = 0;
                    arguments[HostExpandChars - 1] = 0;
                }
                ComPtr<IShellLinkDataList> data;
                DWORD flags = 0;
                if (SUCCEEDED(link->QueryInterface(IID_IShellLinkDataList, data.put_void())) &&
                    SUCCEEDED(data->GetFlags(&flags)) && (flags & HasDarwinId)) {
                    void* raw = nullptr;
                    if (SUCCEEDED(data->CopyDataBlock(DarwinSignature, &raw)) && raw) {
                        LocalMemory block(raw);
                        DarwinDescriptors d = ReadDarwinBlock(ByteReader(raw, LocalSize(raw)));
                        if (!d.wide.empty()) {
                            descriptor = WideString(d.wide);
                        } else if (!d.ansi.empty()) {
                            std::vector<wchar_t> wide(DescriptorChars, L'\0');
                            if (MultiByteToWideChar(CP_ACP, 0, d.ansi.c_str(), -1, wide.data(),
                                                    static_cast<int>(DescriptorChars)) > 0)
                                descriptor = wide.data();
                        }
                    }
                }
            }
        }
    }
    if (result == LinkPath) return LinkPath;

    if (idList) {
        SHFILEINFOW info{};
        if (SHGetFileInfoW(static_cast<LPCWSTR>(idList.get()), 0, &info, sizeof info,
                           SHGFI_PIDL | SHGFI_DISPLAYNAME) &&
            info.szDisplayName[0]) {
            info.szDisplayName[MAX_PATH - 1] = 0;
            CopyBounded(target, PathChars, L"<" + std::wstring(info.szDisplayName) + L">");
            return LinkShellItem;
        }
    }
    if (descriptor.empty()) return LinkUnresolved;

    wchar_t productCode[DescriptorChars] = {};
    DecodePackedGuid(descriptor.c_str(), productCode);
    std::wstring name = productCode[0] ? InstalledProductName(productCode) : L"";
    if (!name.empty())
        CopyBounded(target, PathChars, L"<<" + name + L">>");
    else if (productCode[0])
        CopyBounded(target, PathChars, L"<<" + std::wstring(productCode) + L">>");
    else
        return LinkUnresolved;
    return LinkAdvertised;
}

bool ReadVersionSummary(const wchar_t* path, wchar_t* description, wchar_t* versionText) {
    description[0] = 0;
    versionText[0] = 0;
    std::vector<std::byte> block;
    if (ReadVersionBlock(path, block) != VersionBlockRead) return false;
    auto parts = FixedFileVersion(block);
    QueryVersionString(block.data(), block.size(), L"FileDescription", description);
    QueryVersionString(block.data(), block.size(), L"FileVersion", versionText);
    if (!parts || (*parts)[0] + (*parts)[1] + (*parts)[2] + (*parts)[3] == 0) return false;
    if (!HasVisibleText(versionText))
        _snwprintf(versionText, TextOutputChars, L"%u.%u.%u.%u", (*parts)[0], (*parts)[1], (*parts)[2],
                   (*parts)[3]);
    versionText[TextOutputChars - 1] = 0;
    return true;
}

int LinkTargetSectionWith(const wchar_t* path, uint32_t omitMask, const ReparseReader& reader) {
    if (!path) return -1;
    const wchar_t* extension = FindExtension(path);
    if (!extension || _wcsicmp(extension, L".lnk") != 0) return 0;
    QuotePair q = QuotesForMask(omitMask);

    std::vector<wchar_t> target(PathChars, L'\0');
    std::vector<wchar_t> arguments(HostExpandChars, L'\0');
    int kind = ResolveShellLink(path, target.data(), arguments.data());
    if (target[0] == 0) return 0;
    // Target and arguments come from the link's bytes: no control or direction character in them
    // reaches the terminal.
    if (kind == LinkPath)
        ReportPrintf(L"    Link target:  %c%s%c %s", q.open, TerminalSafe(target.data()).c_str(), q.close,
                     TerminalSafe(arguments.data()).c_str());
    else
        ReportPrintf(L"    Link target:  %s", TerminalSafe(target.data()).c_str());
    if (EndLine(1) == ABORTED) return ABORTED;

    std::vector<wchar_t> resolved(PathChars, L'\0');
    bool aliasShown = false;
    if (kind == LinkPath) {
        const wchar_t* targetExtension = FindExtension(target.data());
        if (!(omitMask & OmitExecAliases) && targetExtension && _wcsicmp(targetExtension, L".exe") == 0 &&
            gateway::QueryFileSize(target.data(), 0) == 0) {
            uint32_t tag = FollowAlias(target.data(), resolved.data(), reader);
            if (tag != 0) {
                if (PrintAliasLine(tag, resolved.data(), q, true, 1) == ABORTED) return ABORTED;
                aliasShown = true;
            }
        }
    }
    bool aliasCandidate = aliasShown && ExeLikeExtension(FindExtension(resolved.data()));
    bool targetCandidate = kind == LinkPath && ExeLikeExtension(FindExtension(target.data()));

    if (!(omitMask & OmitVersionInfo)) {
        wchar_t description[TextOutputChars], versionText[TextOutputChars];
        bool found = aliasCandidate && ReadVersionSummary(resolved.data(), description, versionText);
        if (!found && targetCandidate) found = ReadVersionSummary(target.data(), description, versionText);
        if (found) {
            bool hasDescription = HasVisibleText(description);
            std::wstring shownDescription = TerminalSafe(description),
                         shownVersion = TerminalSafe(versionText);
            if (hasDescription)
                ReportPrintf(L"    Version:      %c%s%c \u2014 %s", q.open, shownDescription.c_str(), q.close,
                             shownVersion.c_str());
            else
                ReportPrintf(L"    Version:      %s", shownVersion.c_str());
            if (EndLine(1) == ABORTED) return ABORTED;
        }
    }

    if (!(omitMask & OmitExeInfo) && (aliasCandidate || targetCandidate)) {
        int code = aliasCandidate ? ExecutableTypeCode(resolved.data()) : ExeUnknown;
        if (code <= ExeUnknown && targetCandidate) code = ExecutableTypeCode(target.data());
        if (code >= FirstShownExecutableType && code <= LastExecutableType) {
            ReportPrintf(L"    EXE type:     %s", ExecutableTypeName(code));
            if (EndLine(1) == ABORTED) return ABORTED;
        }
    }
    return EndLine(1);
}

int LinkTargetSection(const wchar_t* path, uint32_t omitMask) {
    return LinkTargetSectionWith(path, omitMask, SystemReparseReader());
}

} // namespace scrutel
