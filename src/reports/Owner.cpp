// Owner lookup (placeholder until the attributes section exists).
#include "reports/Owner.h"

namespace scrutel {

int LookupOwner(const wchar_t* path, wchar_t* output) {
    if (!path || !output) return -1;
    return 1;
}

} // namespace scrutel
