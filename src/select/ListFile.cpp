// List files (placeholder until the text sources exist).
#include "select/ListFile.h"

namespace scrutel {

int ReadListFile(const wchar_t* listName, uint32_t, ScanSettings&, FileHandler, uint32_t) {
    if (!listName || !*listName) return -1;
    return 2;
}

void TrimSpaces(wchar_t*) {}

} // namespace scrutel
