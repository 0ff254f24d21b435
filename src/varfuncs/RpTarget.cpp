// @RPTARGET: the target of a symbolic link, junction or execution alias, with the argument
// cleaned up (blanks, quotes, forward slashes) and its directory made the host's true name.
#include "output/ErrorReport.h"
#include "core/CharClass.h"
#include "core/Limits.h"
#include "gateway/HostGateway.h"
#include "core/Owners.h"
#include "output/TerminalText.h"
#include "files/ReparsePoint.h"
#include "varfuncs/VarFunctions.h"

#include <cwchar>
#include <cwctype>
#include <vector>

namespace scrutel {

namespace {

void RemoveQuotes(wchar_t* text) {
    wchar_t* out = text;
    for (const wchar_t* in = text; *in; ++in)
        if (*in != L'"') *out++ = *in;
    *out = 0;
}

int RpTarget(wchar_t* buffer) {
    // The host's buffer holds HostExpandChars characters; work on a copy of that size.
    std::vector<wchar_t> text(HostExpandChars, L'\0');
    size_t length = wcsnlen(buffer, HostExpandChars - 1);
    wmemcpy(text.data(), buffer, length);
    TrimWhiteSpace(text.data());
    RemoveQuotes(text.data());
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (text[0] == 0) {
        PrintErrorPrefix();
        gateway::Qprintf(error, L"Missing filename\r\n");
        return -1;
    }
    for (wchar_t* p = text.data(); *p; ++p)
        if (*p == L'/') *p = L'\\';
    if (wcschr(text.data(), L':')) ResolveParentDir(text.data(), HostExpandChars);

    std::vector<wchar_t> target(HostExpandChars, L'\0');
    int rc = ReadReparseTarget(text.data(), target.data(), target.size(), nullptr);
    if (rc == 0) {
        wcscpy(buffer, target.data());
        return 0;
    }
    wchar_t message[TextOutputChars];
    FormatErrorText(static_cast<uint32_t>(rc), message);
    PrintErrorPrefix();
    // The name and the link's data are shown with their controls and direction characters escaped.
    gateway::Qprintf(error, L"Error resolving \"%s\" :\r\n", TerminalSafe(text.data()).c_str());
    gateway::Qprintf(error, L"    %s\r\n", message);
    if (rc == ReparseUnsupportedTag)
        gateway::Qprintf(error, L"    %s\r\n", TerminalSafe(target.data()).c_str());
    return -1;
}

} // namespace

void TrimWhiteSpace(wchar_t* text) {
    if (!text) return;
    size_t length = wcslen(text);
    while (length > 0 && IsWhiteSpace(text[length - 1]))
        text[--length] = 0;
    size_t start = 0;
    while (start < length && IsWhiteSpace(text[start]))
        ++start;
    if (start) wmemmove(text, text + start, length - start + 1);
}

int TrueNameQuiet(const wchar_t* path, wchar_t* output) {
    if (!output) return 1;
    output[0] = 0;
    if (!path) return 1;
    size_t length = wcsnlen(path, PathChars);
    if (length >= PathChars) return 1;
    std::vector<wchar_t> copy(path, path + length);
    copy.push_back(0);
    // The host reads ";" as a separator of name lists.
    for (wchar_t& c : copy)
        if (c == L';') c = L'|';

    int rc = 1;
    {
        StandardErrorSilenced quiet;
        try {
            rc = gateway::QueryTrueName(copy.data(), output);
        } catch (...) {
            output[0] = 0;
        }
    }
    for (wchar_t* p = output; *p; ++p)
        if (*p == L'|') *p = L';';
    return rc;
}

int ResolveParentDir(wchar_t* path, size_t capacity) {
    if (!path) return -1;
    size_t length = wcsnlen(path, capacity);
    if (length >= capacity) return 0;
    size_t split = 0;
    for (size_t i = 0; i < length; ++i)
        if (path[i] == L'\\' || path[i] == L'/') split = i + 1;
    if (split == 0) {
        const wchar_t* colon = wcschr(path, L':');
        if (!colon) return 0;
        split = static_cast<size_t>(colon - path) + 1;
    }
    if (split >= length) return 0;

    std::wstring directory(path, split);
    std::wstring last(path + split, length - split);
    std::vector<wchar_t> trueName(PathChars, L'\0');
    TrueNameQuiet(directory.c_str(), trueName.data());
    std::wstring resolved(trueName.data());
    if (resolved.empty()) return 0;

    bool driveAlone = directory.size() == 2 && iswalnum(directory[0]) && directory[1] == L':';
    if (driveAlone) {
        bool sameDrive = resolved.size() >= 3 && _wcsnicmp(resolved.c_str(), directory.c_str(), 2) == 0 &&
                         resolved[2] == L'\\';
        bool unc = resolved.compare(0, 2, L"\\\\") == 0;
        if (sameDrive || unc) return 0;
    }
    if (resolved.size() > directory.size() &&
        resolved.compare(resolved.size() - directory.size(), directory.size(), directory) == 0 &&
        resolved[resolved.size() - directory.size() - 1] == L'\\')
        return 0;

    wchar_t end = resolved.back();
    if (end != L'\\' && end != L'/' && last[0] != L'\\' && last[0] != L'/') resolved.push_back(L'\\');
    resolved += last;
    if (resolved.size() >= capacity) return 0;
    wmemcpy(path, resolved.c_str(), resolved.size() + 1);
    return 1;
}

} // namespace scrutel

extern "C" int f_rptarget(wchar_t* buffer) {
    scrutel::gateway::EnterFromHost();
    if (!buffer) return 1;
    try {
        return scrutel::RpTarget(buffer);
    } catch (...) {
        return -1;
    }
}
