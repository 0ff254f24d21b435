// Shell links over arbitrary bytes: the structure check that stands before the system's link
// reader, the advertised-shortcut data block, and packed product codes.
#include "FuzzCheck.h"

#include "core/ByteReader.h"
#include "reports/AdvertisedShortcut.h"
#include "reports/ShellLinkCheck.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace scrutel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::byte> bytes = FuzzBytes(data, size);
    ByteReader reader(bytes.data(), bytes.size());

    ShellLinkCheck check = CheckShellLink(reader);
    FUZZ_CHECK(check.reason != nullptr);
    if (size > MaxShellLinkBytes) FUZZ_CHECK(!check.ok);

    DarwinDescriptors darwin = ReadDarwinBlock(reader);
    FUZZ_CHECK(darwin.wide.size() <= size && darwin.ansi.size() <= size);

    // The bytes as UTF-16 text: a packed product code, decoded into braced GUID text or refused.
    std::vector<char16_t> packed = FuzzText(data, size, true);
    char16_t guid[39];
    for (char16_t& c : guid)
        c = u'#';
    int rc = DecodePackedGuid(packed.data(), guid);
    FUZZ_CHECK(rc == 0 || rc == 10 || rc == 11 || rc == 12);
    if (rc == 0) FUZZ_CHECK(guid[0] == u'{' && guid[37] == u'}' && guid[38] == 0);
    return 0;
}
