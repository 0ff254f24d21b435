// Looking up the decoding table of a code page, and the EBCDIC code page of a locale.
#include "text/TextCursor.h"

#include <iterator>

namespace scrutel {

uint32_t TextCodePageIndex(uint32_t codePage) {
    for (uint32_t i = 0; i < std::size(TextCodePages); ++i)
        if (TextCodePages[i] == codePage) return i;
    return 0;
}

uint32_t EbcdicCodePageIndex(uint32_t codePage) {
    for (uint32_t i = 0; i < std::size(EbcdicCodePages); ++i)
        if (EbcdicCodePages[i] == codePage) return i;
    return 0;
}

uint32_t EbcdicCodePageForLocale(uint32_t locale) {
    uint32_t id = locale & 0xFFFF;
    if (id == 0) return 1140;
    uint32_t found = 0;
    for (const auto& pair : EbcdicLocaleMap)
        if (pair.locale == id) found = pair.codePage;
    if (found) return found;
    uint32_t primary = id & 0x3FF;
    if (primary == 0 || primary == 9) return 1140;
    for (const auto& pair : EbcdicLocaleMap)
        if ((pair.locale & 0x3FFu) == primary) found = pair.codePage;
    return found ? found : 1140;
}

} // namespace scrutel
