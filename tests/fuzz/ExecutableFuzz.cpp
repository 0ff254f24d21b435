// The MZ/PE/NE/LE header reader and the executable classifier over arbitrary bytes: offsets stay
// inside the bytes, and the classifier answers one of its codes whatever the system would say.
#include "FuzzCheck.h"

#include "core/ByteReader.h"
#include "reports/ExeHeader.h"
#include "reports/ExecutableRules.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace scrutel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The last byte also chooses what the system would answer, so that real files join the corpus
    // as they are.
    const uint8_t choice = data[size - 1];
    std::vector<std::byte> bytes = FuzzBytes(data, size);
    ByteReader reader(bytes.data(), bytes.size());

    if (std::optional<size_t> offset = NewHeaderOffset(reader)) {
        if (std::optional<PeHeader> pe = ParsePeHeader(reader, *offset)) {
            FUZZ_CHECK(pe->offset < bytes.size());
            FUZZ_CHECK(pe->magic == PeMagic32 || pe->magic == PeMagic64 || pe->magic == 0);
        }
    }
    std::optional<ExeHeader> header = ParseExeHeader(reader);

    // What the system would answer is the fuzzer's choice; the header is the real one.
    ExecutableFacts facts;
    facts.binaryTypeKnown = (choice & 1) != 0;
    facts.binaryType = (choice >> 1) & 7;
    facts.accessDenied = (choice & 0x10) != 0;
    facts.extension = static_cast<ExecutableFacts::Extension>((choice >> 5) % 3);
    facts.header = [&] { return header; };
    facts.shellExeType = [&] { return static_cast<uint32_t>(choice) * 0x01010101u; };
    int code = ClassifyExecutable(facts);
    FUZZ_CHECK(code >= 0 && code < ExecutableTypeCount);

    const char16_t* names[] = {u"a.exe", u"a.COM", u"a.pif", u"a.txt", u"", u"dir.com\\file"};
    for (const char16_t* name : names)
        (void)SystemMayKnowBinaryType(std::span<const std::byte>(bytes.data(), bytes.size()), name);
    return 0;
}
