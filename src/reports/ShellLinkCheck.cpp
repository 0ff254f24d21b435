// The shell-link check: walks a link's header, ID list, link information, strings and
// extra-data blocks and refuses one whose sizes, offsets or lengths the shell's loader would
// follow out of the file or into its fixed-size buffers.
#include "reports/ShellLinkCheck.h"

#include <cstring>
#include <optional>

namespace scrutel {

namespace {

constexpr size_t HeaderBytes = 0x4C;
// The link class 00021401-0000-0000-C000-000000000046 as stored.
constexpr unsigned char LinkClass[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};

enum : uint32_t {
    HasIdList = 0x1,
    HasLinkInfo = 0x2,
    HasName = 0x4,
    HasRelativePath = 0x8,
    HasWorkingDir = 0x10,
    HasArguments = 0x20,
    HasIconLocation = 0x40,
    IsUnicode = 0x80,
};

// Link information: the header without and with the Unicode offsets.
constexpr uint32_t LinkInfoHeaderBytes = 0x1C;
constexpr uint32_t LinkInfoUnicodeHeaderBytes = 0x24;
constexpr uint32_t VolumeIdAndLocalBasePath = 0x1;
constexpr uint32_t NetworkLinkAndPathSuffix = 0x2;
constexpr uint32_t VolumeIdHeaderBytes = 0x10;
constexpr uint32_t VolumeLabelUnicodeMarker = 0x14;
constexpr uint32_t NetworkLinkHeaderBytes = 0x14;
constexpr uint32_t ValidDevice = 0x1;

struct BlockSize {
    uint32_t signature;
    uint32_t size;
    bool exact; // false: at least size
};
// The documented sizes of the extra-data blocks.
constexpr BlockSize KnownBlocks[] = {
    {0xA0000001, 0x314, true}, // environment variables
    {0xA0000002, 0xCC, true},  // console
    {0xA0000003, 0x60, true},  // tracker
    {0xA0000004, 0xC, true},   // console code page
    {0xA0000005, 0x10, true},  // special folder
    {0xA0000006, 0x314, true}, // Darwin (installer) descriptor
    {0xA0000007, 0x314, true}, // icon environment
    {0xA0000008, 0x88, false}, // shim layer
    {0xA0000009, 0xC, false},  // property store
    {0xA000000B, 0x1C, true},  // known folder
    {0xA000000C, 0xA, false},  // ID list for newer shells
};

ShellLinkCheck Fail(const char* reason) {
    return {false, reason};
}

// The length of the string at offset in block (ANSI or UTF-16), when its terminator lies inside
// the block and it is at most limit characters long.
std::optional<size_t> TerminatedLength(const ByteReader& block, size_t offset, bool wide, size_t limit) {
    size_t unit = wide ? 2 : 1;
    for (size_t n = 0; n <= limit; ++n) {
        auto at = CheckedAdd(offset, n * unit);
        if (!at) return std::nullopt;
        std::optional<uint16_t> c = wide ? block.u16le(*at) : std::optional<uint16_t>(block.u8(*at));
        if (!c) return std::nullopt;
        if (*c == 0) return n;
    }
    return std::nullopt;
}

// After the header: the ID list's items, each at least its own size field long, then a
// terminating zero size, all inside the list.
std::optional<ShellLinkCheck> CheckIdList(const ByteReader& list) {
    size_t at = 0;
    for (size_t items = 0;; ++items) {
        auto size = list.u16le(at);
        if (!size) return Fail("ID list without its terminator");
        if (*size == 0) return std::nullopt;
        if (items == MaxLinkIdItems) return Fail("ID list with too many items");
        if (*size < 2) return Fail("ID-list item shorter than its size field");
        if (!list.has(at, *size)) return Fail("ID-list item runs past the list");
        at += *size;
    }
}

// The volume id and its label. Writers differ on whether the stated size covers the label, so
// the label need only end inside the link information block.
std::optional<ShellLinkCheck> CheckVolumeId(const ByteReader& info, uint32_t offset) {
    auto size = info.u32le(offset);
    if (!size || *size < VolumeIdHeaderBytes || !info.has(offset, *size))
        return Fail("volume id outside the link information");
    uint32_t label = *info.u32le(size_t{offset} + 12);
    bool wide = label == VolumeLabelUnicodeMarker;
    if (wide) {
        auto wideLabel = info.u32le(size_t{offset} + 16);
        if (!wideLabel) return Fail("volume id without its Unicode label offset");
        label = *wideLabel;
    }
    if (!TerminatedLength(info, size_t{offset} + label, wide, MaxLinkPathChars))
        return Fail("volume label unterminated or too long");
    return std::nullopt;
}

std::optional<ShellLinkCheck> CheckNetworkLink(const ByteReader& info, uint32_t offset) {
    auto size = info.u32le(offset);
    if (!size || *size < NetworkLinkHeaderBytes || !info.has(offset, *size))
        return Fail("network link outside the link information");
    ByteReader network = info.sub(offset, *size);
    uint32_t flags = *network.u32le(4);
    uint32_t netName = *network.u32le(8);
    uint32_t deviceName = *network.u32le(12);
    if (!TerminatedLength(network, netName, false, MaxLinkPathChars))
        return Fail("network name unterminated or too long");
    if ((flags & ValidDevice) && !TerminatedLength(network, deviceName, false, MaxLinkPathChars))
        return Fail("device name unterminated or too long");
    // Offsets past the fixed header announce the Unicode names.
    if (netName > NetworkLinkHeaderBytes) {
        auto wideNet = network.u32le(20);
        auto wideDevice = network.u32le(24);
        if (!wideNet || !wideDevice) return Fail("network link without its Unicode offsets");
        if (!TerminatedLength(network, *wideNet, true, MaxLinkPathChars))
            return Fail("Unicode network name unterminated or too long");
        if ((flags & ValidDevice) && !TerminatedLength(network, *wideDevice, true, MaxLinkPathChars))
            return Fail("Unicode device name unterminated or too long");
    }
    return std::nullopt;
}

std::optional<ShellLinkCheck> CheckLinkInfo(const ByteReader& info) {
    uint32_t headerSize = *info.u32le(4);
    if (headerSize != LinkInfoHeaderBytes &&
        (headerSize < LinkInfoUnicodeHeaderBytes || headerSize > info.size()))
        return Fail("link information header of an unknown size");
    uint32_t flags = *info.u32le(8);
    uint32_t volume = *info.u32le(12);
    uint32_t basePath = *info.u32le(16);
    uint32_t network = *info.u32le(20);
    uint32_t suffix = *info.u32le(24);
    size_t pathChars = 0;
    if (flags & VolumeIdAndLocalBasePath) {
        if (auto failed = CheckVolumeId(info, volume)) return failed;
        auto length = TerminatedLength(info, basePath, false, MaxLinkPathChars);
        if (!length) return Fail("local base path unterminated or too long");
        pathChars = *length;
    }
    if (flags & NetworkLinkAndPathSuffix) {
        if (auto failed = CheckNetworkLink(info, network)) return failed;
    }
    auto suffixLength = TerminatedLength(info, suffix, false, MaxLinkPathChars);
    if (!suffixLength) return Fail("path suffix unterminated or too long");
    // The loader joins the base path and the suffix into one path.
    if (pathChars + *suffixLength > MaxLinkPathChars)
        return Fail("base path and suffix longer than MAX_PATH");
    if (headerSize >= LinkInfoUnicodeHeaderBytes) {
        uint32_t wideBase = *info.u32le(28);
        uint32_t wideSuffix = *info.u32le(32);
        size_t wideChars = 0;
        if (flags & VolumeIdAndLocalBasePath) {
            auto length = TerminatedLength(info, wideBase, true, MaxLinkPathChars);
            if (!length) return Fail("Unicode base path unterminated or too long");
            wideChars = *length;
        }
        if (wideSuffix != 0) {
            auto length = TerminatedLength(info, wideSuffix, true, MaxLinkPathChars);
            if (!length) return Fail("Unicode path suffix unterminated or too long");
            wideChars += *length;
        }
        if (wideChars > MaxLinkPathChars) return Fail("Unicode base path and suffix longer than MAX_PATH");
    }
    return std::nullopt;
}

std::optional<ShellLinkCheck> CheckExtraData(const ByteReader& link, size_t at) {
    for (size_t blocks = 0;; ++blocks) {
        // A link may end without the terminal block; the loader stops at the end of the file.
        if (at == link.size()) return std::nullopt;
        auto size = link.u32le(at);
        if (!size) return Fail("extra-data block size cut off");
        // A size below four is the terminal block; whatever follows it is not read.
        if (*size < 4) return std::nullopt;
        if (blocks == MaxLinkExtraBlocks) return Fail("too many extra-data blocks");
        if (*size < 8) return Fail("extra-data block too short for its signature");
        if (!link.has(at, *size)) return Fail("extra-data block runs past the file");
        uint32_t signature = *link.u32le(at + 4);
        for (const BlockSize& known : KnownBlocks) {
            if (known.signature != signature) continue;
            if (known.exact ? *size != known.size : *size < known.size)
                return Fail("extra-data block of the wrong size for its kind");
        }
        at += *size;
    }
}

} // namespace

ShellLinkCheck CheckShellLink(const ByteReader& link) {
    if (link.size() > MaxShellLinkBytes) return Fail("larger than any link");
    auto headerSize = link.u32le(0);
    auto linkClass = link.bytes(4, sizeof LinkClass);
    if (!headerSize || *headerSize != HeaderBytes || !linkClass || !link.has(0, HeaderBytes) ||
        std::memcmp(linkClass->data(), LinkClass, sizeof LinkClass) != 0)
        return Fail("not a shell link header");
    uint32_t flags = *link.u32le(20);
    size_t at = HeaderBytes;

    if (flags & HasIdList) {
        auto size = link.u16le(at);
        if (!size || !link.has(at + 2, *size)) return Fail("ID list runs past the file");
        if (auto failed = CheckIdList(link.sub(at + 2, *size))) return *failed;
        at += 2 + size_t{*size};
    }

    if (flags & HasLinkInfo) {
        auto size = link.u32le(at);
        if (!size || *size < LinkInfoHeaderBytes || !link.has(at, *size))
            return Fail("link information runs past the file");
        if (auto failed = CheckLinkInfo(link.sub(at, *size))) return *failed;
        at += *size;
    }

    const bool wide = (flags & IsUnicode) != 0;
    const struct {
        uint32_t flag;
        size_t limit;
        const char* tooLong;
    } strings[] = {
        {HasName, MaxLinkNameChars, "description longer than INFOTIPSIZE"},
        {HasRelativePath, MaxLinkPathChars, "relative path longer than MAX_PATH"},
        {HasWorkingDir, MaxLinkPathChars, "working directory longer than MAX_PATH"},
        {HasArguments, MaxLinkArgumentChars, "arguments longer than a command line"},
        {HasIconLocation, MaxLinkPathChars, "icon location longer than MAX_PATH"},
    };
    for (const auto& s : strings) {
        if (!(flags & s.flag)) continue;
        auto count = link.u16le(at);
        if (!count) return Fail("string count runs past the file");
        if (*count > s.limit) return Fail(s.tooLong);
        size_t bytes = size_t{*count} * (wide ? 2 : 1);
        if (!link.has(at + 2, bytes)) return Fail("string runs past the file");
        at += 2 + bytes;
    }

    if (auto failed = CheckExtraData(link, at)) return *failed;
    return {true, ""};
}

} // namespace scrutel
