// Parsers of the command's switches and suboptions, and the report width and page length that
// follow from the console window's size. Pure: they read the argument and answer a value.
#include "command/Switches.h"

#include "core/CharClass.h"
#include "core/FileAttributes.h"
#include "core/HashKinds.h"
#include "core/OmitFeatures.h"
#include "core/ScanSettings.h"

#include <climits>

namespace scrutel {

namespace {

int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return 99;
}

// A message that shows the whole argument in double quotes.
ArgumentError QuotingArgument(U16View what, U16View argument) {
    U16String before(what);
    before.append(u": \"");
    return ShownError(before, argument, u"\"\r\n");
}

// The text after "/" and the switch letter, and after one ":" or "=".
const char16_t* AfterSwitch(const char16_t* argument) {
    const char16_t* p = argument;
    if (*p == u'/') ++p;
    if (*p) ++p;
    if (*p == u':' || *p == u'=') ++p;
    return p;
}

// Depths are signed 32-bit values: a number above the largest one is an overflow too.
bool ReadDepth(const char16_t*& p, int& depth) {
    uint32_t value = 0;
    if (ReadNumber(p, false, value) != NumberRead::Value || value > static_cast<uint32_t>(INT_MAX))
        return false;
    depth = static_cast<int>(value);
    return true;
}

uint32_t AttributeBit(char16_t letter) {
    switch (letter) {
    case u'R':
        return AttributeReadOnly;
    case u'H':
        return AttributeHidden;
    case u'S':
        return AttributeSystem;
    case u'A':
        return AttributeArchive;
    case u'C':
        return AttributeCompressed;
    case u'O':
        return AttributeOffline;
    case u'I':
        return AttributeNotContentIndexed;
    case u'E':
        return AttributeEncrypted;
    default:
        return 0;
    }
}

} // namespace

NumberRead ReadNumber(const char16_t*& text, bool allowOctal, uint32_t& value) {
    const char16_t* p = text;
    unsigned base = 10;
    if (p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') && DigitValue(p[2]) < 16) {
        base = 16;
        p += 2;
    } else if (allowOctal && p[0] == u'0' && (p[1] == u'o' || p[1] == u'O') && p[2] >= u'0' && p[2] <= u'7') {
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

// Each parser works on a terminated copy of its argument, so that it can look one or two
// characters ahead without checking the length at every step.

ParseStatus ParseAttributeOption(U16View argument, uint32_t& attributeMask, uint32_t& attributeValues) {
    const U16String text(argument);
    const char16_t* p = text.c_str();
    if (*p == u'/') ++p;
    if (IsAlpha(*p)) ++p;
    if (*p == u':' || *p == u'=') ++p;
    attributeMask = AttributeDirectory;
    attributeValues = 0;
    bool negated = false;
    for (; *p; ++p) {
        char16_t c = AsciiUpper(*p);
        if (c == u'-') {
            if (!IsAlpha(p[1])) return QuotingArgument(u"Bad attributes", argument);
            negated = true;
            continue;
        }
        if (c == u'D') return QuotingArgument(u"Directories not allowed", argument);
        uint32_t bit = AttributeBit(c);
        if (!bit) return QuotingArgument(u"Bad attributes", argument);
        attributeMask |= bit;
        if (negated)
            attributeValues &= ~bit;
        else
            attributeValues |= bit;
        negated = false;
    }
    return {};
}

ParseStatus ParseSuboptions(U16View argument, uint32_t& walkFlags, int& noHighlight) {
    const U16String text(argument);
    const char16_t* p = text.c_str();
    if (*p == u'/' || *p == u'-') ++p;
    char16_t letter = u'N';
    if (IsAlpha(*p)) letter = AsciiUpper(*p++);
    if (*p == u':' || *p == u'=') ++p;
    for (; *p; ++p) {
        char16_t c = AsciiUpper(*p);
        switch (c) {
        case u'C':
            noHighlight = 1;
            break;
        case u'D':
            walkFlags |= WalkSkipHiddenDirs;
            break;
        case u'F':
            walkFlags |= WalkQuietNotFound;
            break;
        case u'J':
            walkFlags |= WalkSkipJunctions;
            break;
        case u'Z':
            walkFlags |= WalkSkipSystemDirs;
            break;
        default: {
            U16String message = u"Unknown suboption: /";
            message += letter;
            message += u':';
            message += c;
            message += u"\r\n";
            return MessageError(message);
        }
        }
    }
    return {};
}

ParseStatus ParseSubdirOption(U16View argument, uint32_t& walkFlags, int& minDepth, int& maxDepth) {
    walkFlags |= WalkRecurse;
    if (EqualsIgnoringCase(argument, u"/S")) {
        minDepth = 0;
        maxDepth = -1;
        return {};
    }
    const U16String text(argument);
    const char16_t* p = AfterSwitch(text.c_str());
    if (IsDigit(*p)) {
        int depth = 0;
        if (!ReadDepth(p, depth)) return QuotingArgument(u"Bad MaxDepth value", argument);
        maxDepth = depth;
    }
    if (*p == u'+' && IsDigit(p[1])) {
        ++p;
        int depth = 0;
        if (!ReadDepth(p, depth) || *p) return QuotingArgument(u"Bad MinDepth value", argument);
        minDepth = depth;
        return {};
    }
    if (*p) return QuotingArgument(u"Syntax error", argument);
    return {};
}

ParseStatus ParsePauseOption(U16View argument, PauseSettings& pause) {
    pause.lines = 0xFFFFFFFFu;
    pause.timeoutMs = 0;
    if (EqualsIgnoringCase(argument, u"/P")) return {};
    const U16String text(argument);
    const char16_t* p = AfterSwitch(text.c_str());
    if (IsDigit(*p)) {
        uint32_t value = 0;
        if (ReadNumber(p, true, value) != NumberRead::Value)
            return QuotingArgument(u"Bad pause time", argument);
        if (*p == u'M' || *p == u'm') {
            ++p;
        } else {
            // Seconds become milliseconds; a product beyond 32 bits is an overflow too.
            if (value > 0xFFFFFFFFu / 1000u) return QuotingArgument(u"Bad pause time", argument);
            value *= 1000u;
        }
        pause.timeoutMs = value;
    }
    if (*p == u',' || *p == u';') {
        ++p;
        if (IsDigit(*p)) {
            uint32_t lines = 0;
            if (ReadNumber(p, true, lines) != NumberRead::Value)
                return QuotingArgument(u"Bad pause lines", argument);
            if (lines > 1000)
                return MessageError(u"Pause lines must be 0 - 1000: " + DecimalText(lines) + u"\r\n");
            pause.lines = lines;
        }
    }
    if (*p) return QuotingArgument(u"Syntax error", argument);
    return {};
}

uint32_t PageLengthForWindow(bool ok, int height, uint32_t pauseLines) {
    if (!ok || height < 10 || height > 100) return 0;
    if (pauseLines >= 3 && pauseLines < static_cast<uint32_t>(height)) return pauseLines;
    return static_cast<uint32_t>(height - 2);
}

ParseStatus ParseHashList(U16View upperArgument, uint32_t& hashMask) {
    const U16String text(upperArgument);
    U16View p(AfterSwitch(text.c_str()));
    if (p.empty()) return MessageError(u"Missing hash scheme: \"" + text + u"\"\r\n");
    for (;;) {
        while (!p.empty() && (p.front() == u',' || p.front() == u';'))
            p.remove_prefix(1);
        if (p.empty()) return {};
        const HashKindRow* found = nullptr;
        size_t length = 0;
        for (const HashKindRow& kind : HashKinds) {
            for (U16View name : {kind.name, kind.dashedName}) {
                size_t n = name.size();
                if (n && p.substr(0, n) == name && (p.size() == n || p[n] == u',' || p[n] == u';')) {
                    found = &kind;
                    length = n;
                }
            }
            if (found) break;
        }
        if (!found) return MessageError(u"Unknown hash scheme: \"/C:" + U16String(p) + u"\"\r\n");
        hashMask |= found->bit;
        p.remove_prefix(length);
    }
}

ParseStatus ParseListKind(U16View upperArgument, uint32_t& kind) {
    const U16String text(upperArgument);
    U16View name(AfterSwitch(text.c_str()));
    if (name.empty()) {
        kind = HashSha256;
        return {};
    }
    for (const HashKindRow& row : HashKinds) {
        // A kind that no digest list holds (cksum in hexadecimal, the report's own form) is none.
        if (row.digestBytes != 0 &&
            (name == row.name || (!row.dashedName.empty() && name == row.dashedName))) {
            kind = row.bit;
            return {};
        }
    }
    return QuotingArgument(u"Bad digest list kind", upperArgument);
}

ParseStatus ParseCheckList(U16View argument, U16String& listName) {
    const U16String text(argument);
    listName.clear();
    for (const char16_t* p = AfterSwitch(text.c_str()); *p; ++p)
        if (*p != u'"') listName.push_back(*p);
    if (listName.empty()) return QuotingArgument(u"Missing digest list", argument);
    return {};
}

ParseStatus ParseOmitLetters(U16View argument, uint32_t& omitMask, uint32_t& walkFlags, int& showSummary) {
    const U16String text(argument);
    for (const char16_t* p = AfterSwitch(text.c_str()); *p; ++p) {
        char16_t c = AsciiUpper(*p);
        if (c == u'?') return HelpRequest(HelpTopic::Omit, CommandSucceeded);
        if (c == u'@') {
            walkFlags &= ~static_cast<uint32_t>(WalkListFiles);
            continue;
        }
        if (c == u'K') {
            showSummary = 0;
            continue;
        }
        uint32_t bit = OmitBitOfLetter(c);
        if (!bit) {
            U16String message = u"Unknown suboption: /O:";
            message += c;
            message += u"\r\n";
            return MessageError(message);
        }
        omitMask |= bit;
    }
    return {};
}

ParseStatus ParseTimeLetters(U16View argument, uint32_t& timeFlags, int32_t& timeZoneMode) {
    const U16String text(argument);
    for (const char16_t* p = AfterSwitch(text.c_str()); *p; ++p) {
        switch (AsciiUpper(*p)) {
        case u'A':
            timeFlags |= TimeAccess;
            break;
        case u'C':
            timeFlags |= TimeCreation;
            break;
        case u'M':
        case u'W':
            timeFlags |= TimeModified;
            break;
        case u'F':
            timeFlags |= TimeFractional;
            break;
        case u'D':
            timeZoneMode = TimeZoneDefault;
            break;
        case u'L':
            timeZoneMode = TimeZoneLocal;
            break;
        case u'U':
            timeZoneMode = TimeZoneUtc;
            break;
        case u'?':
            return HelpRequest(HelpTopic::Times, CommandBadArguments);
        default:
            return ShownError(u"Unknown time mode: ", argument, u"\r\n");
        }
    }
    return {};
}

ParseStatus ParseMaxWidth(U16View argument, uint32_t& maxWidth) {
    const U16String text(argument);
    const char16_t* p = AfterSwitch(text.c_str());
    uint32_t value = 0;
    if (ReadNumber(p, true, value) != NumberRead::Value || *p)
        return QuotingArgument(u"Bad MaxWidth value", argument);
    if ((value != 0 && value < 64) || value > 2048)
        return MessageError(u"MaxWidth must be 0 or 64 to 2048: " + DecimalText(value) + u"\r\n");
    maxWidth = value;
    return {};
}

uint32_t ReportWidthForWindow(bool ok, int left, int right) {
    int width = right - left + 1;
    if (!ok || width < 22 || width > 400) width = 100;
    return static_cast<uint32_t>(width < 80 ? 80 : width);
}

} // namespace scrutel
