// Parsers of the command's switches and suboptions, and the report width and page length that
// follow from the console window.
#include "command/Switches.h"

#include "command/HelpTexts.h"
#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "plugin/ErrorReport.h"
#include "plugin/HostApi.h"

#include <climits>
#include <cwchar>
#include <cwctype>

namespace scrutel {

namespace {

HANDLE StdErr() {
    return GetStdHandle(STD_ERROR_HANDLE);
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}
wchar_t Upper(wchar_t c) {
    return static_cast<wchar_t>(towupper(c));
}

int DigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return 99;
}

// Prints a message that shows the argument, after converting the argument to upper case.
int FailWithArgument(const wchar_t* format, wchar_t* argument) {
    CharUpperW(argument);
    PrintErrorPrefix();
    Qprintf(StdErr(), format, argument);
    return SwitchFailed;
}

// The text after "/" and the switch letter, and after one ":" or "=".
wchar_t* AfterSwitch(wchar_t* argument) {
    wchar_t* p = argument;
    if (*p == L'/') ++p;
    if (*p) ++p;
    if (*p == L':' || *p == L'=') ++p;
    return p;
}

// Depths are signed 32-bit values: a number above the largest one is an overflow too.
bool ReadDepth(const wchar_t*& p, int& depth) {
    uint32_t value = 0;
    if (ReadNumber(p, false, value) != NumberRead::Value || value > static_cast<uint32_t>(INT_MAX))
        return false;
    depth = static_cast<int>(value);
    return true;
}

struct NamedBit {
    const wchar_t* name;
    uint32_t bit;
};

constexpr NamedBit HashNames[] = {
    {L"CRC32", HashCrc32},   {L"CRC-32", HashCrc32},   {L"CKSUM", HashCksum},   {L"CKSUMX", HashCksumX},
    {L"MD5", HashMd5},       {L"MD-5", HashMd5},       {L"SHA1", HashSha1},     {L"SHA-1", HashSha1},
    {L"SHA256", HashSha256}, {L"SHA-256", HashSha256}, {L"SHA384", HashSha384}, {L"SHA-384", HashSha384},
    {L"SHA512", HashSha512}, {L"SHA-512", HashSha512},
};

uint32_t AttributeBit(wchar_t letter) {
    switch (letter) {
    case L'R':
        return 0x1;
    case L'H':
        return 0x2;
    case L'S':
        return 0x4;
    case L'A':
        return 0x20;
    case L'C':
        return 0x800;
    case L'O':
        return 0x1000;
    case L'I':
        return 0x2000;
    case L'E':
        return 0x4000;
    default:
        return 0;
    }
}

uint32_t OmitBit(wchar_t letter) {
    switch (letter) {
    case L'H':
        return OmitVersionHeader;
    case L'Z':
        return OmitSizes;
    case L'T':
        return OmitTimes;
    case L'A':
        return OmitAttributes;
    case L'C':
        return OmitChecksums;
    case L'D':
        return OmitDescriptions;
    case L'V':
        return OmitVersionInfo;
    case L'S':
        return OmitSummaryInfo;
    case L'I':
        return OmitImageInfo;
    case L'P':
        return OmitProperties;
    case L'X':
        return OmitExeInfo;
    case L'E':
        return OmitTextEncoding;
    case L'L':
        return OmitLinkTargets;
    case L'U':
        return OmitExecAliases;
    case L'Q':
        return OmitUnicodeQuotes;
    case L'R':
        return OmitFileType;
    case L'N':
        return OmitStreams;
    case L'F':
        return OmitFontInfo;
    default:
        return 0;
    }
}

} // namespace

NumberRead ReadNumber(const wchar_t*& text, bool allowOctal, uint32_t& value) {
    const wchar_t* p = text;
    unsigned base = 10;
    if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X') && DigitValue(p[2]) < 16) {
        base = 16;
        p += 2;
    } else if (allowOctal && p[0] == L'0' && (p[1] == L'o' || p[1] == L'O') && p[2] >= L'0' && p[2] <= L'7') {
        base = 8;
        p += 2;
    } else if (!IsDigit(p[0])) {
        return NumberRead::None;
    }
    uint64_t v = 0;
    bool overflow = false;
    for (int d; (d = DigitValue(*p)) < static_cast<int>(base); ++p) {
        v = v * base + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFu) {
            overflow = true;
            v = 0xFFFFFFFFu;
        }
    }
    text = p;
    if (overflow) return NumberRead::Overflow;
    value = static_cast<uint32_t>(v);
    return NumberRead::Value;
}

int ParseAttributeOption(wchar_t* argument, uint32_t& attributeMask, uint32_t& attributeValues) {
    wchar_t* p = argument;
    if (*p == L'/') ++p;
    if (iswalpha(*p)) ++p;
    if (*p == L':' || *p == L'=') ++p;
    attributeMask = 0x10;
    attributeValues = 0;
    bool negated = false;
    for (; *p; ++p) {
        wchar_t c = Upper(*p);
        if (c == L'-') {
            if (!iswalpha(p[1])) return FailWithArgument(L"Bad attributes: \"%s\"\r\n", argument);
            negated = true;
            continue;
        }
        if (c == L'D') return FailWithArgument(L"Directories not allowed: \"%s\"\r\n", argument);
        uint32_t bit = AttributeBit(c);
        if (!bit) return FailWithArgument(L"Bad attributes: \"%s\"\r\n", argument);
        attributeMask |= bit;
        if (negated)
            attributeValues &= ~bit;
        else
            attributeValues |= bit;
        negated = false;
    }
    return SwitchOk;
}

int ParseSuboptions(wchar_t* argument, uint32_t& walkFlags, int& noHighlight) {
    wchar_t* p = argument;
    if (*p == L'/' || *p == L'-') ++p;
    wchar_t letter = L'N';
    if (iswalpha(*p)) letter = Upper(*p++);
    if (*p == L':' || *p == L'=') ++p;
    for (; *p; ++p) {
        wchar_t c = Upper(*p);
        switch (c) {
        case L'C':
            noHighlight = 1;
            break;
        case L'D':
            walkFlags |= WalkSkipHiddenDirs;
            break;
        case L'F':
            walkFlags |= WalkQuietNotFound;
            break;
        case L'J':
            walkFlags |= WalkSkipJunctions;
            break;
        case L'Z':
            walkFlags |= WalkSkipSystemDirs;
            break;
        default:
            PrintErrorPrefix();
            Qprintf(StdErr(), L"Unknown suboption: /%c:%c\r\n", letter, c);
            return SwitchFailed;
        }
    }
    return SwitchOk;
}

int ParseSubdirOption(wchar_t* argument, uint32_t& walkFlags, int& minDepth, int& maxDepth) {
    walkFlags |= WalkRecurse;
    if (_wcsicmp(argument, L"/S") == 0) {
        minDepth = 0;
        maxDepth = -1;
        return SwitchOk;
    }
    const wchar_t* p = AfterSwitch(argument);
    if (IsDigit(*p)) {
        int depth = 0;
        if (!ReadDepth(p, depth)) return FailWithArgument(L"Bad MaxDepth value: \"%s\"\r\n", argument);
        maxDepth = depth;
    }
    if (*p == L'+' && IsDigit(p[1])) {
        ++p;
        int depth = 0;
        if (!ReadDepth(p, depth) || *p) return FailWithArgument(L"Bad MinDepth value: \"%s\"\r\n", argument);
        minDepth = depth;
        return SwitchOk;
    }
    if (*p) return FailWithArgument(L"Syntax error: \"%s\"\r\n", argument);
    return SwitchOk;
}

int ParsePauseOption(wchar_t* argument, uint32_t& pauseLines, uint32_t& pauseTimeoutMs) {
    pauseLines = 0xFFFFFFFFu;
    pauseTimeoutMs = 0;
    if (_wcsicmp(argument, L"/P") == 0) return SwitchOk;
    const wchar_t* p = AfterSwitch(argument);
    if (IsDigit(*p)) {
        uint32_t value = 0;
        if (ReadNumber(p, true, value) != NumberRead::Value)
            return FailWithArgument(L"Bad pause time: \"%s\"\r\n", argument);
        if (*p == L'M' || *p == L'm') {
            ++p;
        } else {
            // Seconds become milliseconds; a product beyond 32 bits is an overflow too.
            if (value > 0xFFFFFFFFu / 1000u) return FailWithArgument(L"Bad pause time: \"%s\"\r\n", argument);
            value *= 1000u;
        }
        pauseTimeoutMs = value;
    }
    if (*p == L',' || *p == L';') {
        ++p;
        if (IsDigit(*p)) {
            uint32_t lines = 0;
            if (ReadNumber(p, true, lines) != NumberRead::Value)
                return FailWithArgument(L"Bad pause lines: \"%s\"\r\n", argument);
            if (lines > 1000) {
                PrintErrorPrefix();
                Qprintf(StdErr(), L"Pause lines must be 0 - 1000: %u\r\n", lines);
                return SwitchFailed;
            }
            pauseLines = lines;
        }
    }
    if (*p) return FailWithArgument(L"Syntax error: \"%s\"\r\n", argument);
    return SwitchOk;
}

uint32_t PageLengthForWindow(bool ok, int height, uint32_t pauseLines) {
    if (!ok || height < 10 || height > 100) return 0;
    if (pauseLines >= 3 && pauseLines < static_cast<uint32_t>(height)) return pauseLines;
    return static_cast<uint32_t>(height - 2);
}

uint32_t SetupPageLength(uint32_t pauseLines) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    bool ok = GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) != FALSE;
    int height = ok ? info.srWindow.Bottom - info.srWindow.Top + 1 : 0;
    uint32_t length = PageLengthForWindow(ok, height, pauseLines);
    g_paging.pageLength = length;
    g_paging.linesLeft = length;
    return length;
}

int ParseHashList(wchar_t* argument, uint32_t& hashMask) {
    CharUpperW(argument);
    const wchar_t* p = AfterSwitch(argument);
    if (!*p) {
        PrintErrorPrefix();
        Qprintf(StdErr(), L"Missing hash scheme: \"%s\"\r\n", argument);
        return SwitchFailed;
    }
    for (;;) {
        while (*p == L',' || *p == L';')
            ++p;
        if (!*p) return SwitchOk;
        const NamedBit* found = nullptr;
        for (const NamedBit& entry : HashNames) {
            size_t n = wcslen(entry.name);
            if (wcsncmp(p, entry.name, n) == 0 && (p[n] == 0 || p[n] == L',' || p[n] == L';')) {
                found = &entry;
                break;
            }
        }
        if (!found) {
            PrintErrorPrefix();
            Qprintf(StdErr(), L"Unknown hash scheme: \"/C:%s\"\r\n", p);
            return SwitchFailed;
        }
        hashMask |= found->bit;
        p += wcslen(found->name);
    }
}

int ParseOmitLetters(wchar_t* argument, uint32_t& omitMask, uint32_t& walkFlags, int& showSummary) {
    for (const wchar_t* p = AfterSwitch(argument); *p; ++p) {
        wchar_t c = Upper(*p);
        if (c == L'?') {
            QPuts(HelpTextOmit);
            return SwitchHelpShown;
        }
        if (c == L'@') {
            walkFlags &= ~static_cast<uint32_t>(WalkListFiles);
            continue;
        }
        if (c == L'K') {
            showSummary = 0;
            continue;
        }
        uint32_t bit = OmitBit(c);
        if (!bit) {
            PrintErrorPrefix();
            Qprintf(StdErr(), L"Unknown suboption: /O:%c\r\n", c);
            return SwitchFailed;
        }
        omitMask |= bit;
    }
    return SwitchOk;
}

int ParseTimeLetters(wchar_t* argument, uint32_t& timeFlags, int32_t& timeZoneMode) {
    for (const wchar_t* p = AfterSwitch(argument); *p; ++p) {
        switch (Upper(*p)) {
        case L'A':
            timeFlags |= TimeAccess;
            break;
        case L'C':
            timeFlags |= TimeCreation;
            break;
        case L'M':
        case L'W':
            timeFlags |= TimeModified;
            break;
        case L'F':
            timeFlags |= TimeFractional;
            break;
        case L'D':
            timeZoneMode = TimeZoneDefault;
            break;
        case L'L':
            timeZoneMode = TimeZoneLocal;
            break;
        case L'U':
            timeZoneMode = TimeZoneUtc;
            break;
        case L'?':
            QPuts(HelpTextTimes);
            return SwitchFailed;
        default:
            CharUpperW(argument);
            PrintErrorPrefix();
            Qprintf(StdErr(), L"Unknown time mode: %s\r\n", argument);
            return SwitchFailed;
        }
    }
    return SwitchOk;
}

int ParseMaxWidth(wchar_t* argument, uint32_t& maxWidth) {
    const wchar_t* p = AfterSwitch(argument);
    uint32_t value = 0;
    if (ReadNumber(p, true, value) != NumberRead::Value || *p)
        return FailWithArgument(L"Bad MaxWidth value: \"%s\"\r\n", argument);
    if ((value != 0 && value < 64) || value > 2048) {
        PrintErrorPrefix();
        Qprintf(StdErr(), L"MaxWidth must be 0 or %u to %u: %u\r\n", 64u, 2048u, value);
        return SwitchFailed;
    }
    maxWidth = value;
    return SwitchOk;
}

uint32_t ReportWidthForWindow(bool ok, int left, int right) {
    int width = right - left + 1;
    if (!ok || width < 22 || width > 400) width = 100;
    return static_cast<uint32_t>(width < 80 ? 80 : width);
}

uint32_t ConsoleReportWidth() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    bool ok = GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) != FALSE;
    return ok ? ReportWidthForWindow(true, info.srWindow.Left, info.srWindow.Right)
              : ReportWidthForWindow(false, 0, 0);
}

} // namespace scrutel
