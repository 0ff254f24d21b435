// Small text helpers shared by the report sections: quote characters and extension tests.
#pragma once
#include <cstdint>

namespace scrutel {

struct QuotePair {
    wchar_t open;
    wchar_t close;
};

// Typographic quotes unless /O:Q (OmitUnicodeQuotes) asked for plain double quotes.
QuotePair QuotesForMask(uint32_t omitMask);
// quoteFlag is the report driver's flag: 1 for typographic quotes, 0 for plain ones.
QuotePair QuotesForFlag(int quoteFlag);

// The last "." after the last "/", "\\" or ":" of path (the extension with its dot), or null.
const wchar_t* FindExtension(const wchar_t* path);
// 1 when extension is ".exe", ".scr" or ".dll" (any case); 0 otherwise or when null.
int ExeLikeExtension(const wchar_t* extension);

// True when text holds any character other than white space.
bool HasVisibleText(const wchar_t* text);

} // namespace scrutel
