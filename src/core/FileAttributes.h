// The file attribute bits that the command selects by (/A:), walks by and reports: the
// platform's values (FILE_ATTRIBUTE_*), named here so that portable code can use them too.
#pragma once
#include <cstdint>

namespace scrutel {

enum FileAttribute : uint32_t {
    AttributeReadOnly = 0x1,
    AttributeHidden = 0x2,
    AttributeSystem = 0x4,
    AttributeDirectory = 0x10,
    AttributeArchive = 0x20,
    AttributeDevice = 0x40,
    AttributeReparsePoint = 0x400,
    AttributeCompressed = 0x800,
    AttributeOffline = 0x1000,
    AttributeNotContentIndexed = 0x2000,
    AttributeEncrypted = 0x4000,
    AttributeVirtual = 0x10000,
};

} // namespace scrutel
