// The checksum and digest kinds: their bits, and one row per kind from which the /C: and /L:
// parsers, the /C? help text, the report lines, the digest lists and the choice of the CryptoAPI
// provider all take what they need. Portable: no system header.
#pragma once
#include "core/Utf16.h"

#include <cstddef>
#include <cstdint>

namespace scrutel {

enum HashKind : uint32_t {
    HashCrc32 = 0x1,
    HashCksum = 0x2,
    HashCksumX = 0x4,
    HashMd5 = 0x10,
    HashSha1 = 0x20,
    HashSha256 = 0x40,
    HashSha384 = 0x80,
    HashSha512 = 0x100,
};

struct HashKindRow {
    HashKind bit;
    // The names /C: and /L: take (matched in upper case); the help lists the first.
    U16View name;
    U16View dashedName; // empty when the kind has no other spelling
    // The report line's text before the value.
    const wchar_t* label;
    // The digest's length in a digest list; 0 for a kind that no digest list holds (and /L: does
    // not write).
    size_t digestBytes;
    // Whether /C? lists the name.
    bool inHelp;
    // The CryptoAPI algorithm identifier (CALG_*) of a kind the provider computes; 0 for the
    // kinds computed here.
    uint32_t providerAlgorithm;
    // The tags a digest list's "TAG (name) = hex" line may give for the kind: the name, the dashed
    // name, and one more spelling (empty when none).
    bool nameIsTag;
    bool dashedNameIsTag;
    U16View otherTag;
};

// In report order. A digest list's hexadecimal digest of some length is the first row's kind of
// that length (CRC-32, not cksum, for four bytes).
inline constexpr HashKindRow HashKinds[] = {
    {HashCrc32, u"CRC32", u"CRC-32", L"    CRC-32 :  ", 4, true, 0, true, true, u""},
    {HashCksum, u"CKSUM", u"", L"    cksum  :  ", 4, true, 0, false, false, u""},
    {HashCksumX, u"CKSUMX", u"", L"    cksum  :  ", 0, false, 0, false, false, u""},
    {HashMd5, u"MD5", u"MD-5", L"    MD5    :  ", 16, true, 0x8003, true, false, u""},
    {HashSha1, u"SHA1", u"SHA-1", L"    SHA-1  :  ", 20, true, 0x8004, true, true, u""},
    {HashSha256, u"SHA256", u"SHA-256", L"    SHA-256:  ", 32, true, 0x800C, true, true, u"SHA2-256"},
    {HashSha384, u"SHA384", u"SHA-384", L"    SHA-384:  ", 48, true, 0x800D, true, true, u"SHA2-384"},
    {HashSha512, u"SHA512", u"SHA-512", L"    SHA-512:  ", 64, true, 0x800E, true, true, u"SHA2-512"},
};

// The row of a kind's bit, or null.
constexpr const HashKindRow* FindHashKind(uint32_t bit) {
    for (const HashKindRow& row : HashKinds)
        if (row.bit == bit) return &row;
    return nullptr;
}

// The kinds that need the CryptoAPI provider.
inline constexpr uint32_t ProviderHashMask = [] {
    uint32_t mask = 0;
    for (const HashKindRow& row : HashKinds)
        if (row.providerAlgorithm != 0) mask |= row.bit;
    return mask;
}();

} // namespace scrutel
