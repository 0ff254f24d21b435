// What /O: leaves out of the report: the bits, and one row per letter from which the /O: parser
// and the /O? help text read, and against which the report's section table is checked.
// Portable: no system header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace scrutel {

enum OmitFeature : uint32_t {
    OmitVersionHeader = 0x1,
    OmitSizes = 0x2,
    OmitTimes = 0x4,
    OmitAttributes = 0x8,
    OmitChecksums = 0x10,
    OmitDescriptions = 0x20,
    OmitVersionInfo = 0x40,
    OmitSummaryInfo = 0x80,
    OmitImageInfo = 0x100,
    OmitProperties = 0x200,
    OmitExeInfo = 0x400,
    OmitTextEncoding = 0x800,
    OmitLinkTargets = 0x1000,
    OmitExecAliases = 0x2000,
    OmitUnicodeQuotes = 0x4000,
    OmitFileType = 0x8000,
    OmitStreams = 0x10000,
    OmitFontInfo = 0x20000,
};

struct OmitLetterRow {
    char16_t letter; // upper case; /O: takes either case
    OmitFeature bit;
    const wchar_t* help; // the /O? line's text after the letter
    // Whether the bit leaves out one row of the report's section table (the others change how
    // the report is made: execution aliases, quotes).
    bool reportRow;
};

// In the order of the /O? help: by letter.
inline constexpr OmitLetterRow OmitLetterRows[] = {
    {u'A', OmitAttributes, L"attributes", true},
    {u'C', OmitChecksums, L"checksums", true},
    {u'D', OmitDescriptions, L"file descriptions", true},
    {u'E', OmitTextEncoding, L"text file encoding", true},
    {u'F', OmitFontInfo, L"TTF font info", true},
    {u'H', OmitVersionHeader, L"file version header", true},
    {u'I', OmitImageInfo, L"image file info", true},
    {u'L', OmitLinkTargets, L"link targets", true},
    {u'N', OmitStreams, L"NTFS streams", true},
    {u'P', OmitProperties, L"Windows properties", true},
    {u'Q', OmitUnicodeQuotes, L"Unicode quotes", false},
    {u'R', OmitFileType, L"file type info", true},
    {u'S', OmitSummaryInfo, L"document summary info", true},
    {u'T', OmitTimes, L"time stamps", true},
    {u'U', OmitExecAliases, L"AppX execution aliases", false},
    {u'V', OmitVersionInfo, L"version info", true},
    {u'X', OmitExeInfo, L"executable info", true},
    {u'Z', OmitSizes, L"sizes", true},
};

// Every bit has exactly one letter.
static_assert(
    [] {
        uint32_t seen = 0;
        for (const OmitLetterRow& row : OmitLetterRows) {
            if (seen & row.bit) return false;
            seen |= row.bit;
        }
        return seen == (uint32_t{1} << std::size(OmitLetterRows)) - 1;
    }(),
    "each omit bit needs one letter");

// The bit of an upper-case letter, or 0.
constexpr uint32_t OmitBitOfLetter(char16_t letter) {
    for (const OmitLetterRow& row : OmitLetterRows)
        if (row.letter == letter) return row.bit;
    return 0;
}

} // namespace scrutel
