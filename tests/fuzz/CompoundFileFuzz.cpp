// The structure check of compound files (header, DIFAT, FAT, directory tree, mini FAT, the two
// summary property sets) and the property-set check on their own, over arbitrary bytes.
#include "FuzzCheck.h"

#include "reports/CompoundFileCheck.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace scrutel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::byte> bytes = FuzzBytes(data, size);
    std::span<const std::byte> file(bytes.data(), bytes.size());

    CompoundFileCheck check = CheckCompoundFile(file);
    // An unsound structure names its fault (a sound one may still name a property-set fault), and
    // a file that does not start like a compound file is never sound.
    FUZZ_CHECK(check.structureSound || check.fault != CompoundFault::None);
    if (!StartsLikeCompoundFile(file)) FUZZ_CHECK(!check.structureSound);
    if (check.summary != PropertySetState::Malformed && check.documentSummary != PropertySetState::Malformed)
        FUZZ_CHECK(check.propertyFault == PropertySetFault::None);

    // The same bytes as a property-set stream, with and without vectors.
    for (bool vectors : {false, true}) {
        PropertySetCheck set = CheckPropertySet(file, vectors);
        // A sound set is empty (an empty stream is an empty set) or holds at least its header
        // (28 bytes) and one section entry (20).
        if (set.fault == PropertySetFault::None) FUZZ_CHECK(size == 0 || size >= 48);
    }
    return 0;
}
