// Variable functions of the stand-in host: the built-in @comma and @descript, and the variable
// functions and internal variables that registered plugins export.
#include "HostState.h"
#include "core/ByteReader.h"

#include <cwchar>
#include <map>
#include <cwctype>

namespace host {

namespace {

bool IsAsciiNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::wstring Widen(std::string_view ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

std::wstring Trim(const std::wstring& text) {
    size_t start = text.find_first_not_of(L" \t");
    if (start == std::wstring::npos) return L"";
    size_t end = text.find_last_not_of(L" \t");
    return text.substr(start, end - start + 1);
}

// Calls a plugin's function with its arguments in a buffer of HostExpandChars characters.
bool CallPluginFunction(const PluginVariable& variable, const std::wstring& arguments, std::wstring& result,
                        std::wstring& error) {
    if (arguments.size() >= HostExpandChars) {
        error = L"The arguments of \"" + variable.name + L"\" are longer than " +
                std::to_wstring(HostExpandChars - 1) + L" characters\r\n";
        return false;
    }
    std::vector<wchar_t> buffer(HostExpandChars, 0);
    wmemcpy(buffer.data(), arguments.data(), arguments.size());
    int code = 0;
    try {
        code = variable.function(buffer.data());
    } catch (...) {
        code = -1;
    }
    if (code != 0) {
        error = L"Variable function \"" + variable.name + L"\" failed (" + std::to_wstring(code) + L")\r\n";
        return false;
    }
    size_t n = wcsnlen(buffer.data(), HostExpandChars);
    if (n == HostExpandChars) {
        error = L"Variable function \"" + variable.name + L"\" left its result unterminated\r\n";
        return false;
    }
    result.assign(buffer.data(), n);
    return true;
}

const PluginVariable* FindPluginVariable(const std::wstring& name) {
    for (const PluginVariable& v : State().pluginVariables)
        if (SameText(v.name, name)) return &v;
    return nullptr;
}

// @comma: the integer part of a decimal number grouped in thousands with ","; sign and
// decimals are kept as written.
bool CommaText(const std::wstring& text, std::wstring& result) {
    std::wstring number = Trim(text);
    size_t i = 0;
    std::wstring sign;
    if (i < number.size() && (number[i] == L'-' || number[i] == L'+')) sign = number[i++];
    size_t digitsStart = i;
    while (i < number.size() && number[i] >= L'0' && number[i] <= L'9')
        ++i;
    std::wstring integer = number.substr(digitsStart, i - digitsStart);
    std::wstring decimals;
    if (i < number.size() && number[i] == L'.') {
        size_t d = i + 1;
        while (d < number.size() && number[d] >= L'0' && number[d] <= L'9')
            ++d;
        decimals = number.substr(i, d - i);
        i = d;
    }
    if (i != number.size() || (integer.empty() && decimals.size() <= 1)) return false;
    std::wstring grouped;
    for (size_t k = 0; k < integer.size(); ++k) {
        if (k > 0 && (integer.size() - k) % 3 == 0) grouped += L',';
        grouped += integer[k];
    }
    result = sign + grouped + decimals;
    return true;
}

// Reads a whole small file; false when it cannot be opened. Bounded so that a huge file
// cannot exhaust memory.
bool ReadSmallFile(const std::wstring& path, std::string& bytes) {
    HANDLE h = CreateFileW(LongPathForm(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    constexpr size_t Limit = 64u << 20;
    char chunk[65536];
    DWORD got = 0;
    bytes.clear();
    while (bytes.size() < Limit && ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(h);
    return true;
}

// The description of fileName in the text of a description index: one line per file, the
// name (in double quotes when it holds blanks), a blank, the description. Names compare
// without regard to letter case; the first matching line wins. A Ctrl-D ends the description
// (other programs keep their own data after it).
bool FindDescription(const std::wstring& index, const std::wstring& fileName, std::wstring& description) {
    size_t pos = 0;
    while (pos < index.size()) {
        size_t end = index.find(L'\n', pos);
        if (end == std::wstring::npos) end = index.size();
        std::wstring line = index.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        std::wstring name;
        size_t rest;
        if (!line.empty() && line[0] == L'"') {
            size_t close = line.find(L'"', 1);
            if (close == std::wstring::npos) continue;
            name = line.substr(1, close - 1);
            rest = close + 1;
        } else {
            rest = line.find_first_of(L" \t");
            if (rest == std::wstring::npos) rest = line.size();
            name = line.substr(0, rest);
        }
        if (name.empty() || !SameText(name, fileName)) continue;
        while (rest < line.size() && (line[rest] == L' ' || line[rest] == L'\t'))
            ++rest;
        description = line.substr(rest);
        size_t marker = description.find(L'\x04');
        if (marker != std::wstring::npos) description.resize(marker);
        return true;
    }
    return false;
}

// Where each folder's description index was found: its name as the folder lists it, or none.
// Finding it by a name in other letter case makes the platform search the folder (on a file
// system that tells case apart, Wine reads every entry), so a tree of one large folder would
// cost that search per file. The answer holds while the folder's last-write time stays the same
// (adding, removing or renaming an entry changes it); the index's content is read every time.
struct IndexLocation {
    FILETIME folderWritten{};
    bool exists = false;
    std::wstring name;
};

std::map<std::wstring, IndexLocation>& IndexLocations() {
    static std::map<std::wstring, IndexLocation> locations;
    return locations;
}

std::wstring FoldedKey(const std::wstring& text) {
    std::wstring key = text;
    for (wchar_t& c : key)
        c = towupper(c);
    return key;
}

// Reads folder's DESCRIPT.ION (in any letter case); false when the folder has none.
bool ReadDescriptionIndex(const std::wstring& folder, std::string& bytes) {
    WIN32_FILE_ATTRIBUTE_DATA folderData{};
    if (!GetFileAttributesExW(LongPathForm(folder).c_str(), GetFileExInfoStandard, &folderData))
        return ReadSmallFile(folder + L"DESCRIPT.ION", bytes);
    auto& locations = IndexLocations();
    std::wstring key = FoldedKey(folder);
    auto known = locations.find(key);
    if (known == locations.end() ||
        CompareFileTime(&known->second.folderWritten, &folderData.ftLastWriteTime) != 0) {
        IndexLocation location;
        location.folderWritten = folderData.ftLastWriteTime;
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW(LongPathForm(folder + L"DESCRIPT.ION").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            location.exists = !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
            location.name = found.cFileName;
        }
        if (locations.size() >= 1024) locations.clear();
        known = locations.insert_or_assign(key, location).first;
    }
    if (!known->second.exists) return false;
    return ReadSmallFile(folder + known->second.name, bytes);
}

// @descript: the description of a file from DESCRIPT.ION in its folder; empty when there is
// none. The argument may be in double quotes.
bool DescriptText(const std::wstring& argument, std::wstring& result) {
    std::wstring name = Trim(argument);
    if (name.size() >= 2 && name.front() == L'"' && name.back() == L'"')
        name = name.substr(1, name.size() - 2);
    result.clear();
    if (name.empty()) return true;
    std::wstring full = FullPath(name.c_str());
    size_t slash = full.find_last_of(L"\\/");
    if (full.empty() || slash == std::wstring::npos || slash + 1 >= full.size()) return true;
    std::string bytes;
    if (!ReadDescriptionIndex(full.substr(0, slash + 1), bytes)) return true;
    FindDescription(DecodeText(bytes.data(), bytes.size()), full.substr(slash + 1), result);
    return true;
}

} // namespace

std::wstring VariableNameFromExport(std::string_view exportName) {
    constexpr std::string_view Tail = "@@YAHPEA_W@Z";
    if (exportName.size() <= Tail.size() || exportName.substr(exportName.size() - Tail.size()) != Tail)
        return L"";
    std::string_view core = exportName.substr(0, exportName.size() - Tail.size());
    std::string_view name;
    std::wstring prefix;
    if (core.starts_with("?f_")) {
        name = core.substr(3);
        prefix = L"@";
    } else if (core.starts_with("?_") && core.ends_with("$")) {
        name = core.substr(2, core.size() - 3);
        prefix = L"_";
    } else {
        return L"";
    }
    if (name.empty()) return L"";
    for (char c : name)
        if (!IsAsciiNameChar(c)) return L"";
    return prefix + Widen(name);
}

std::vector<std::string> ExportNames(HMODULE module) {
    std::vector<std::string> names;
    if (!module) return names;
    // The first page of a loaded image holds its headers; the headers give the image's size.
    scrutel::ByteReader head(reinterpret_cast<const void*>(module), 4096);
    auto peOffset = head.u32le(0x3C);
    if (head.u16le(0) != 0x5A4D || !peOffset || head.u32le(*peOffset) != 0x00004550) return names;
    size_t optional = size_t{*peOffset} + 24;
    auto magic = head.u16le(optional);
    auto imageSize = head.u32le(optional + 56);
    if (!magic || !imageSize) return names;
    scrutel::ByteReader image(reinterpret_cast<const void*>(module), *imageSize);
    size_t countOffset = optional + (*magic == 0x20B ? 108 : 92);
    auto dirCount = image.u32le(countOffset);
    auto exportRva = image.u32le(countOffset + 4);
    if (!dirCount || *dirCount < 1 || !exportRva || *exportRva == 0) return names;
    auto nameCount = image.u32le(size_t{*exportRva} + 24);
    auto namesRva = image.u32le(size_t{*exportRva} + 32);
    if (!nameCount || !namesRva) return names;
    for (uint32_t i = 0; i < *nameCount && i < 65536; ++i) {
        auto nameRva = image.u32le(size_t{*namesRva} + size_t{i} * 4);
        if (!nameRva) break;
        std::string name;
        for (size_t k = *nameRva; name.size() < 1024; ++k) {
            auto c = image.u8(k);
            if (!c || *c == 0) break;
            name += static_cast<char>(*c);
        }
        if (!name.empty()) names.push_back(name);
    }
    return names;
}

std::wstring DecodeText(const char* bytes, size_t size) {
    std::wstring text;
    if (size >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        size_t units = (size - 2) / 2;
        text.resize(units);
        for (size_t i = 0; i < units; ++i)
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        return text;
    }
    UINT codePage = CP_UTF8;
    DWORD flags = MB_ERR_INVALID_CHARS;
    if (size >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF) {
        bytes += 3;
        size -= 3;
        flags = 0;
    }
    if (size == 0 || size > 0x7FFFFFFF) return text;
    int n = MultiByteToWideChar(codePage, flags, bytes, static_cast<int>(size), nullptr, 0);
    if (n <= 0) {
        codePage = CP_ACP;
        flags = 0;
        n = MultiByteToWideChar(codePage, flags, bytes, static_cast<int>(size), nullptr, 0);
        if (n <= 0) return text;
    }
    text.resize(static_cast<size_t>(n));
    MultiByteToWideChar(codePage, flags, bytes, static_cast<int>(size), text.data(), n);
    return text;
}

bool RunVariableFunction(const std::wstring& name, const std::wstring& arguments, std::wstring& result,
                         std::wstring& error) {
    // A plugin's function of the same name takes the place of the host's own.
    if (const PluginVariable* v = FindPluginVariable(L"@" + name))
        return CallPluginFunction(*v, arguments, result, error);
    if (SameText(name, L"comma")) {
        if (CommaText(arguments, result)) return true;
        error = L"Not a number in @comma: \"" + arguments + L"\"\r\n";
        return false;
    }
    if (SameText(name, L"descript")) return DescriptText(arguments, result);
    error = L"Unknown function \"@" + name + L"\"\r\n";
    return false;
}

bool PluginVariableValue(const std::wstring& name, std::wstring& value, bool& found, std::wstring& error) {
    const PluginVariable* v = FindPluginVariable(name);
    found = v != nullptr;
    if (!v) return true;
    return CallPluginFunction(*v, L"", value, error);
}

} // namespace host
