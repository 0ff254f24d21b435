// Reparse data (symbolic links, junctions, execution aliases, other tags) over arbitrary bytes:
// every answer is one of the documented results, and a link's directory is a prefix of its path.
#include "FuzzCheck.h"

#include "core/ByteReader.h"
#include "files/ReparseData.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace scrutel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::byte> bytes = FuzzBytes(data, size);
    ReparseData parsed = InterpretReparseData(ByteReader(bytes.data(), bytes.size()));
    FUZZ_CHECK(parsed.result == 0 || parsed.result == ReparseBadArguments ||
               parsed.result == ReparseNoMemory || parsed.result == ReparseUnsupportedTag ||
               parsed.result == ReparseTooLong || parsed.result == ReparseMalformed);
    // A target is text taken from the buffer; an unsupported tag is named by a short text.
    if (parsed.result == 0) FUZZ_CHECK(parsed.text.size() <= size / 2);
    if (parsed.result == ReparseUnsupportedTag) FUZZ_CHECK(!parsed.text.empty() && parsed.text.size() < 64);

    // The bytes as a link's own path: its directory is a leading part of it.
    std::vector<char16_t> path = FuzzText(data, size, false);
    U16View whole(path.data(), path.size());
    U16View directory = LinkDirectory(whole);
    FUZZ_CHECK(directory.size() <= whole.size());
    FUZZ_CHECK(directory.empty() || directory.data() == whole.data());
    return 0;
}
