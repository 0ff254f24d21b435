// The version-resource check of PE/NE files and the version-block reader over arbitrary bytes:
// found values lie inside the block, looked-up strings are terminated and fit their buffer.
#include "FuzzCheck.h"

#include "core/ByteReader.h"
#include "reports/ResourceCheck.h"
#include "reports/VersionBlock.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace scrutel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::byte> bytes = FuzzBytes(data, size);
    ByteReader reader(bytes.data(), bytes.size());

    VersionResourceCheck check = CheckVersionResource(reader);
    if (check.verdict == VersionResourceVerdict::Present)
        FUZZ_CHECK(check.resourceBytes <= MaxVersionResourceBytes);
    FUZZ_CHECK(check.reason != nullptr);

    // The same bytes as a version block.
    const char16_t* const keys[] = {u"\\",
                                    u"\\VarFileInfo\\Translation",
                                    u"\\StringFileInfo\\040904B0\\FileVersion",
                                    u"\\StringFileInfo",
                                    u"\\\\",
                                    u""};
    const std::byte* first = bytes.data();
    for (const char16_t* key : keys) {
        if (std::optional<VersionValue> value = FindVersionValue(reader, U16View(key))) {
            FUZZ_CHECK(value->data.size() <= bytes.size());
            if (!value->data.empty())
                FUZZ_CHECK(value->data.data() >= first &&
                           value->data.data() + value->data.size() <= first + size);
        }
    }
    const char16_t* const names[] = {u"FileVersion", u"FileDescription", u"LegalCopyright", u"", u"x"};
    for (const char16_t* name : names) {
        char16_t output[1024];
        for (char16_t& c : output)
            c = u'#';
        int rc = LookupVersionString(reader, name, output);
        FUZZ_CHECK(rc >= -1 && rc <= 2);
        if (rc == 0) FUZZ_CHECK(FuzzTerminated(output, 1024));
    }
    (void)FixedFileVersionParts(reader);
    return 0;
}
