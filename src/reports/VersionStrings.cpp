// Version-resource string lookup (placeholder until the link-target work implements it).
#include "reports/VersionInfo.h"

namespace scrutel {

int QueryVersionString(const void*, const wchar_t* name, wchar_t* output) {
    if (!name || !output) return -1;
    return 2;
}

} // namespace scrutel
