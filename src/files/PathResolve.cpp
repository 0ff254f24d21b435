// Path resolution: slashes, ";" alternatives, "~" expansion, drive letters and the host's true
// name; the long-path prefix and path joining that the whole plugin uses.
#include "files/PathResolve.h"

#include "gateway/HostGateway.h"

#include <shlobj.h>

#include <cwchar>
#include <cwctype>
#include <vector>

namespace scrutel {

namespace {

bool IsAsciiAlnum(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}
bool IsAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}
bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

void ForwardToBackslash(std::wstring& text) {
    for (wchar_t& c : text)
        if (c == L'/') c = L'\\';
}

// Whether a path of len characters gets the "\\?\" prefix (1) or stays as it is (0).
int PrefixDecision(const wchar_t* path, size_t len) {
    if (len >= 2 && path[0] == L'\\' && path[1] == L'\\') return 0;
    if (len < 260) return 0;
    size_t n = 0;
    for (size_t i = 0; i < len; ++i)
        if (IsSeparator(path[i])) n = i + 1;
    if (n == 1) n = 0; // the only separator is the first character
    // The directory part must leave room for a 12-character name within 260 characters.
    return n + 12 <= 260 ? 0 : 1;
}

// The separator rule of JoinPath: base + (maybe "\") + tail.
std::wstring Joined(const std::wstring& base, const wchar_t* tail) {
    std::wstring result = base;
    if (!result.empty() && !IsSeparator(result.back()) && result.back() != L':' && !IsSeparator(tail[0]))
        result += L'\\';
    result += tail;
    return result;
}

// Reads an environment variable of up to PathChars - 1 characters; empty when unset or longer.
std::wstring Environment(const wchar_t* name) {
    std::vector<wchar_t> buffer(PathChars, 0);
    DWORD n = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(PathChars));
    if (n == 0 || n >= PathChars) return {};
    return std::wstring(buffer.data(), n);
}

// A home directory candidate passes when it fits the home buffer and the host knows it as a folder.
bool AcceptHome(std::wstring candidate, wchar_t* output) {
    if (candidate.empty()) return false;
    ForwardToBackslash(candidate);
    if (candidate.size() >= HomeChars) return false;
    if (!gateway::QueryIsDirectory(candidate.c_str())) return false;
    wmemcpy(output, candidate.c_str(), candidate.size() + 1);
    return true;
}

// The expansion of a leading "~" on a string; true when it was replaced.
bool ExpandHomeString(std::wstring& path) {
    std::wstring work = path;
    ForwardToBackslash(work);
    if (work.empty() || work[0] != L'~') return false;
    if (work.size() > 1 && work[1] != L'\\') return false; // "~name" is a name, not the home folder
    // A real "~" in the current directory wins over the home folder.
    if (work.size() == 1 && gateway::QueryIsFileOrDirectory(L".\\~")) return false;
    if (work.size() > 1 && gateway::QueryIsDirectory(L".\\~")) return false;
    wchar_t home[HomeChars] = {};
    if (!FindHomeDirectory(home)) return false;
    std::wstring result = home;
    if (work.size() > 2) {
        result = Joined(result, work.c_str() + 2);
        AddLongPathPrefix(result);
    }
    path = std::move(result);
    return true;
}

} // namespace

size_t NameListScanStart(const std::wstring& path) {
    size_t s = (path.size() >= 2 && IsAsciiAlnum(path[0]) && path[1] == L':') ? 2 : 0;
    for (size_t i = s + 1; i < path.size(); ++i)
        if (path[i] == L'\\') s = i;
    return s;
}

std::wstring HomeDriveCandidate(const std::wstring& homeDrive, const std::wstring& homePath) {
    if (homeDrive.size() < 2 || !IsAsciiLetter(homeDrive[0]) || homeDrive[1] != L':') return {};
    if (homePath.empty() || !IsSeparator(homePath[0])) return {};
    return homeDrive + homePath;
}

int ResolvePath(const wchar_t* input, wchar_t* output, unsigned mode) {
    if (!input || !output || !*input) return -1;
    size_t length = wcsnlen(input, PathChars);
    if (length >= PathChars) return 111;
    std::wstring work(input, length);
    ForwardToBackslash(work);

    if (mode & ResolveNameLists) {
        size_t s = NameListScanStart(work);
        for (size_t i = s + 1; i < work.size(); ++i)
            if (work[i] == L';') work[i] = L'|';
    }
    if ((mode & ResolveHome) && work[0] == L'~') ExpandHomeString(work);
    if (work.size() >= 2 && IsAsciiAlnum(work[0]) && work[1] == L':' && work[0] >= L'a' && work[0] <= L'z')
        work[0] = static_cast<wchar_t>(work[0] - L'a' + L'A');

    std::vector<wchar_t> trueName(PathChars, 0);
    if (work.size() < PathChars) {
        gateway::QueryTrueName(work.c_str(), trueName.data());
        trueName[PathChars - 1] = 0;
        // A true name that differs only in letter case is not taken.
        if (trueName[0] && CompareStringOrdinal(trueName.data(), -1, work.c_str(), -1, TRUE) != CSTR_EQUAL)
            work = trueName.data();
    }
    if (work.size() >= PathChars) return 111;
    wmemcpy(output, work.c_str(), work.size() + 1);
    return 0;
}

int ExpandHome(wchar_t* path) {
    if (!path) return 0;
    size_t length = wcsnlen(path, PathChars);
    if (length >= PathChars) return 0;
    std::wstring work(path, length);
    if (!ExpandHomeString(work) || work.size() >= PathChars) return 0;
    wmemcpy(path, work.c_str(), work.size() + 1);
    return 1;
}

int FindHomeDirectory(wchar_t* output) {
    if (!output) return 0;
    if (AcceptHome(Environment(L"HOME"), output)) return 1;
    if (AcceptHome(HomeDriveCandidate(Environment(L"HOMEDRIVE"), Environment(L"HOMEPATH")), output)) return 1;
    wchar_t profile[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, profile)) && profile[0] &&
        AcceptHome(profile, output))
        return 1;
    return 0;
}

int AddLongPathPrefix(wchar_t* path, size_t capacity) {
    if (!path || !*path || capacity <= 260) return -1;
    size_t length = wcsnlen(path, capacity);
    if (PrefixDecision(path, length) == 0) return 0;
    if (length + 4 >= capacity) return 0; // no room for the prefix: the path stays as it is
    wmemmove(path + 4, path, length + 1);
    wmemcpy(path, L"\\\\?\\", 4);
    return 1;
}

bool IsDeviceName(const wchar_t* name) {
    if (!name) return false;
    size_t stem = 0;
    while (name[stem] && name[stem] != L'.' && name[stem] != L':')
        ++stem;
    while (stem > 0 && name[stem - 1] == L' ')
        --stem;
    auto is = [&](const wchar_t* word) {
        size_t n = wcslen(word);
        return stem == n && _wcsnicmp(name, word, n) == 0;
    };
    if (is(L"CON") || is(L"PRN") || is(L"AUX") || is(L"NUL") || is(L"CONIN$") || is(L"CONOUT$")) return true;
    if (stem != 4 || !(_wcsnicmp(name, L"COM", 3) == 0 || _wcsnicmp(name, L"LPT", 3) == 0)) return false;
    wchar_t digit = name[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

bool NameNeedsLongForm(const wchar_t* name) {
    if (!name || !*name) return false;
    wchar_t last = name[wcslen(name) - 1];
    return last == L'.' || last == L' ' || IsDeviceName(name);
}

int UseLongForm(std::wstring& path) {
    if (path.size() < 3 || !iswalpha(path[0]) || path[1] != L':' || !IsSeparator(path[2])) return 0;
    if (path.size() + 4 >= PathChars) return 0;
    path.insert(0, L"\\\\?\\");
    return 1;
}

int ProtectEntryName(std::wstring& path) {
    size_t name = path.find_last_of(L"\\/");
    if (name == std::wstring::npos || !NameNeedsLongForm(path.c_str() + name + 1)) return 0;
    return UseLongForm(path);
}

int AddLongPathPrefix(std::wstring& path) {
    if (path.empty()) return -1;
    if (PrefixDecision(path.c_str(), path.size()) == 0) return 0;
    if (path.size() + 4 >= PathChars) return 0;
    path.insert(0, L"\\\\?\\");
    return 1;
}

int JoinPath(wchar_t* base, const wchar_t* tail, size_t capacity) {
    if (!base || !tail) return -1;
    std::wstring result = Joined(std::wstring(base, wcsnlen(base, capacity)), tail);
    if (result.size() >= capacity) return -1;
    wmemcpy(base, result.c_str(), result.size() + 1);
    AddLongPathPrefix(base, capacity);
    return 0;
}

} // namespace scrutel
