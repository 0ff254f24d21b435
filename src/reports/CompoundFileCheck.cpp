// Well-formedness check of compound files: header, DIFAT, FAT, directory tree, mini FAT, mini
// stream and the summary property-set streams, each chain followed with loop detection.
#include "reports/CompoundFileCheck.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace scrutel {

namespace {

constexpr std::array<uint8_t, 8> Signature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t HeaderBytes = 512;
constexpr size_t HeaderDifatEntries = 109;
constexpr size_t HeaderDifatOffset = 76;
constexpr size_t DirectoryEntryBytes = 128;
constexpr size_t MiniSectorBytes = 64;
constexpr uint32_t MiniStreamCutoff = 4096;

// Sector markers: anything above MaxRegularSector is not a sector number.
constexpr uint32_t MaxRegularSector = 0xFFFFFFFA;
constexpr uint32_t DifatMarker = 0xFFFFFFFC;
constexpr uint32_t FatMarker = 0xFFFFFFFD;
constexpr uint32_t EndOfChain = 0xFFFFFFFE;
constexpr uint32_t NoStream = 0xFFFFFFFF;

constexpr uint8_t StorageObject = 1;
constexpr uint8_t StreamObject = 2;
constexpr uint8_t RootObject = 5;

// The two property-set stream names under the root, without their terminating NUL.
constexpr char16_t SummaryName[] = u"\u0005SummaryInformation";
constexpr char16_t DocumentSummaryName[] = u"\u0005DocumentSummaryInformation";

struct Failure {
    CompoundFault fault;
};

// One FAT-like table: sector locations of its pieces and how many 32-bit entries each holds.
struct Layout {
    ByteReader file;
    uint16_t majorVersion = 0;
    size_t sectorBytes = 0;
    size_t sectorCount = 0;             // whole or partial sectors after the header
    std::vector<uint32_t> fatSectors;   // from the DIFAT
    size_t fatEntries = 0;              // entries the FAT holds
    std::vector<uint32_t> miniFatChain; // sectors of the mini FAT
    std::vector<uint32_t> miniChain;    // sectors of the mini stream
    uint64_t miniStreamBytes = 0;
    size_t miniSectorCount = 0;

    size_t EntriesPerSector() const { return sectorBytes / 4; }
    // Byte offset of sector n; never wraps because n < sectorCount and the file fits in memory.
    size_t SectorOffset(uint32_t n) const { return (static_cast<size_t>(n) + 1) * sectorBytes; }
    bool IsSector(uint32_t n) const { return n <= MaxRegularSector && n < sectorCount; }

    std::optional<uint32_t> FatEntry(uint32_t n) const {
        size_t perSector = EntriesPerSector();
        size_t index = n / perSector;
        if (index >= fatSectors.size()) return std::nullopt;
        return file.u32le(SectorOffset(fatSectors[index]) + (n % perSector) * 4);
    }
    std::optional<uint32_t> MiniFatEntry(uint32_t n) const {
        size_t perSector = EntriesPerSector();
        size_t index = n / perSector;
        if (index >= miniFatChain.size()) return std::nullopt;
        return file.u32le(SectorOffset(miniFatChain[index]) + (n % perSector) * 4);
    }
};

// Follows a chain through a FAT-like table of `limit` sectors until the end marker, refusing
// sectors outside it, markers other than the end, and any sector passed twice.
template <typename Next>
std::optional<Failure> FollowChain(uint32_t start, size_t limit, Next next, std::vector<uint32_t>& chain) {
    chain.clear();
    std::vector<bool> seen(limit, false);
    uint32_t sector = start;
    while (sector != EndOfChain) {
        if (sector > MaxRegularSector) return Failure{CompoundFault::ChainBroken};
        if (sector >= limit) return Failure{CompoundFault::ChainOutside};
        if (seen[sector]) return Failure{CompoundFault::ChainLoop};
        seen[sector] = true;
        chain.push_back(sector);
        std::optional<uint32_t> following = next(sector);
        if (!following) return Failure{CompoundFault::ChainOutside};
        sector = *following;
    }
    return std::nullopt;
}

std::optional<Failure> FollowFatChain(const Layout& layout, uint32_t start, std::vector<uint32_t>& chain) {
    size_t limit = std::min(layout.sectorCount, layout.fatEntries);
    return FollowChain(
        start, limit, [&](uint32_t n) { return layout.FatEntry(n); }, chain);
}

std::optional<Failure> FollowMiniChain(const Layout& layout, uint32_t start, std::vector<uint32_t>& chain) {
    return FollowChain(
        start, layout.miniSectorCount, [&](uint32_t n) { return layout.MiniFatEntry(n); }, chain);
}

// Sectors needed for size bytes, or nothing when that is more than any file can hold.
std::optional<size_t> SectorsFor(uint64_t size, size_t sectorBytes) {
    uint64_t sectors = size / sectorBytes + (size % sectorBytes ? 1 : 0);
    if (sectors > SIZE_MAX) return std::nullopt;
    return static_cast<size_t>(sectors);
}

std::optional<Failure> CheckHeader(ByteReader file, Layout& layout) {
    if (file.size() < HeaderBytes) return Failure{CompoundFault::NotCompoundFile};
    for (size_t i = 0; i < Signature.size(); ++i)
        if (*file.u8(i) != Signature[i]) return Failure{CompoundFault::NotCompoundFile};
    uint16_t major = *file.u16le(26);
    uint16_t byteOrder = *file.u16le(28);
    uint16_t sectorShift = *file.u16le(30);
    uint16_t miniShift = *file.u16le(32);
    uint32_t cutoff = *file.u32le(56);
    if (byteOrder != 0xFFFE) return Failure{CompoundFault::Header};
    // Each version has exactly one sector size; any other pairing is not a compound file.
    if (!((major == 3 && sectorShift == 9) || (major == 4 && sectorShift == 12)))
        return Failure{CompoundFault::Header};
    if (miniShift != 6 || cutoff != MiniStreamCutoff) return Failure{CompoundFault::Header};
    layout.file = file;
    layout.majorVersion = major;
    layout.sectorBytes = size_t{1} << sectorShift;
    // The header occupies the whole first sector (512 bytes of it used in version 4).
    if (file.size() < layout.sectorBytes) return Failure{CompoundFault::NotCompoundFile};
    size_t rest = file.size() - layout.sectorBytes;
    layout.sectorCount = rest / layout.sectorBytes + (rest % layout.sectorBytes ? 1 : 0);

    uint32_t directorySectors = *file.u32le(40);
    uint32_t fatSectors = *file.u32le(44);
    uint32_t miniFatSectors = *file.u32le(64);
    uint32_t difatSectors = *file.u32le(72);
    size_t sectors = layout.sectorCount;
    if (fatSectors == 0 || fatSectors > sectors || difatSectors > sectors || directorySectors > sectors ||
        miniFatSectors > sectors)
        return Failure{CompoundFault::SectorCounts};
    // The DIFAT sectors must be able to hold every FAT sector location beyond the header's 109.
    if (fatSectors > HeaderDifatEntries &&
        (fatSectors - HeaderDifatEntries) >
            static_cast<uint64_t>(difatSectors) * (layout.EntriesPerSector() - 1))
        return Failure{CompoundFault::SectorCounts};
    return std::nullopt;
}

std::optional<Failure> CheckDifatAndFat(Layout& layout) {
    const ByteReader& file = layout.file;
    uint32_t fatCount = *file.u32le(44);
    uint32_t difatCount = *file.u32le(72);
    uint32_t difatSector = *file.u32le(68);
    layout.fatSectors.reserve(fatCount);
    for (size_t i = 0; i < HeaderDifatEntries && layout.fatSectors.size() < fatCount; ++i) {
        uint32_t sector = *file.u32le(HeaderDifatOffset + i * 4);
        if (!layout.IsSector(sector)) return Failure{CompoundFault::Difat};
        layout.fatSectors.push_back(sector);
    }
    // The DIFAT sectors: each holds FAT sector locations and, last, the next DIFAT sector.
    size_t perSector = layout.EntriesPerSector();
    std::vector<bool> seen(layout.sectorCount, false);
    for (uint32_t k = 0; k < difatCount && layout.fatSectors.size() < fatCount; ++k) {
        if (!layout.IsSector(difatSector) || seen[difatSector]) return Failure{CompoundFault::Difat};
        seen[difatSector] = true;
        size_t base = layout.SectorOffset(difatSector);
        for (size_t i = 0; i + 1 < perSector && layout.fatSectors.size() < fatCount; ++i) {
            std::optional<uint32_t> sector = file.u32le(base + i * 4);
            if (!sector || !layout.IsSector(*sector)) return Failure{CompoundFault::Difat};
            layout.fatSectors.push_back(*sector);
        }
        std::optional<uint32_t> next = file.u32le(base + (perSector - 1) * 4);
        if (!next) return Failure{CompoundFault::Difat};
        difatSector = *next;
    }
    if (layout.fatSectors.size() < fatCount) return Failure{CompoundFault::Difat};
    layout.fatEntries = layout.fatSectors.size() * perSector;

    // Every FAT entry of a sector in the file names a sector in the file or is a marker.
    size_t covered = std::min(layout.sectorCount, layout.fatEntries);
    for (size_t n = 0; n < covered; ++n) {
        std::optional<uint32_t> entry = layout.FatEntry(static_cast<uint32_t>(n));
        if (!entry) return Failure{CompoundFault::Fat};
        if (*entry >= DifatMarker) continue;
        if (!layout.IsSector(*entry)) return Failure{CompoundFault::Fat};
    }
    return std::nullopt;
}

// A stream's size as the format defines it: version 3 files keep only the low 32 bits, and old
// writers left junk in the high ones, which readers (the platform's among them) ignore. Every
// bound below is checked against this value, so the junk can neither pass nor fail a file.
uint64_t EntrySize(const Layout& layout, const ByteReader& entry) {
    uint64_t size = *entry.u64le(120);
    return layout.majorVersion == 3 ? (size & 0xFFFFFFFFu) : size;
}

bool NameIs(const ByteReader& entry, uint16_t nameBytes, std::u16string_view wanted) {
    if (nameBytes != (wanted.size() + 1) * 2) return false;
    for (size_t i = 0; i < wanted.size(); ++i) {
        char16_t c = static_cast<char16_t>(*entry.u16le(i * 2));
        char16_t w = wanted[i];
        // Names compare without regard to the case of ASCII letters.
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        if (w >= u'a' && w <= u'z') w = static_cast<char16_t>(w - u'a' + u'A');
        if (c != w) return false;
    }
    return true;
}

struct FoundStream {
    bool present = false;
    uint32_t start = 0;
    uint64_t size = 0;
};

// Reads the stream's bytes through its chain (regular or mini) into out.
std::optional<Failure> ReadStream(const Layout& layout, const FoundStream& stream,
                                  std::vector<std::byte>& out) {
    out.clear();
    if (stream.size == 0) return std::nullopt;
    if (stream.size > PropertySetByteLimit) return Failure{CompoundFault::PropertySetTooLarge};
    size_t size = static_cast<size_t>(stream.size);
    std::vector<uint32_t> chain;
    bool mini = stream.size < MiniStreamCutoff;
    std::optional<Failure> failure =
        mini ? FollowMiniChain(layout, stream.start, chain) : FollowFatChain(layout, stream.start, chain);
    if (failure) return failure;
    size_t unit = mini ? MiniSectorBytes : layout.sectorBytes;
    if (chain.size() < *SectorsFor(size, unit)) return Failure{CompoundFault::ChainTooShort};
    out.reserve(size);
    for (uint32_t n : chain) {
        size_t want = std::min(unit, size - out.size());
        size_t offset;
        if (mini) {
            size_t position = static_cast<size_t>(n) * MiniSectorBytes;
            size_t index = position / layout.sectorBytes;
            if (index >= layout.miniChain.size()) return Failure{CompoundFault::ChainOutside};
            offset = layout.SectorOffset(layout.miniChain[index]) + position % layout.sectorBytes;
        } else {
            offset = layout.SectorOffset(n);
        }
        std::optional<std::span<const std::byte>> piece = layout.file.bytes(offset, want);
        if (!piece) return Failure{CompoundFault::ChainOutside};
        out.insert(out.end(), piece->begin(), piece->end());
        if (out.size() == size) break;
    }
    return std::nullopt;
}

// The directory: its chain, the root entry, the mini FAT and mini stream, then a walk of the
// whole entry tree that finds the property-set streams directly under the root.
std::optional<Failure> CheckDirectory(Layout& layout, FoundStream& summary, FoundStream& documentSummary) {
    const ByteReader& file = layout.file;
    std::vector<uint32_t> directoryChain;
    if (auto failure = FollowFatChain(layout, *file.u32le(48), directoryChain)) return failure;
    if (directoryChain.empty()) return Failure{CompoundFault::DirectoryEntry};
    size_t perSector = layout.sectorBytes / DirectoryEntryBytes;
    size_t entryCount = directoryChain.size() * perSector;
    auto entryAt = [&](uint32_t id) {
        size_t offset =
            layout.SectorOffset(directoryChain[id / perSector]) + (id % perSector) * DirectoryEntryBytes;
        return file.sub(offset, DirectoryEntryBytes);
    };

    ByteReader root = entryAt(0);
    if (root.size() != DirectoryEntryBytes || *root.u8(66) != RootObject)
        return Failure{CompoundFault::DirectoryEntry};
    // The mini FAT and the mini stream (the root entry's stream).
    if (auto failure = FollowFatChain(layout, *file.u32le(60), layout.miniFatChain)) return failure;
    layout.miniStreamBytes = EntrySize(layout, root);
    if (layout.miniStreamBytes > file.size()) return Failure{CompoundFault::DirectoryEntry};
    if (auto failure = FollowFatChain(layout, *root.u32le(116), layout.miniChain)) return failure;
    if (layout.miniChain.size() < *SectorsFor(layout.miniStreamBytes, layout.sectorBytes))
        return Failure{CompoundFault::ChainTooShort};
    layout.miniSectorCount = std::min(*SectorsFor(layout.miniStreamBytes, MiniSectorBytes),
                                      layout.miniFatChain.size() * layout.EntriesPerSector());

    uint64_t fileBytes = file.size();
    struct Pending {
        uint32_t id;
        bool underRoot;
    };
    std::vector<Pending> pending;
    std::vector<bool> seen(entryCount, false);
    seen[0] = true;
    pending.push_back({*root.u32le(76), true});
    while (!pending.empty()) {
        Pending item = pending.back();
        pending.pop_back();
        if (item.id == NoStream) continue;
        if (item.id >= entryCount) return Failure{CompoundFault::DirectoryId};
        if (seen[item.id]) return Failure{CompoundFault::DirectoryLoop};
        seen[item.id] = true;
        ByteReader entry = entryAt(item.id);
        if (entry.size() != DirectoryEntryBytes) return Failure{CompoundFault::DirectoryEntry};
        uint16_t nameBytes = *entry.u16le(64);
        uint8_t type = *entry.u8(66);
        if (nameBytes < 2 || nameBytes > 64 || nameBytes % 2 != 0)
            return Failure{CompoundFault::DirectoryEntry};
        if (type != StorageObject && type != StreamObject) return Failure{CompoundFault::DirectoryEntry};
        if (type == StreamObject) {
            uint64_t size = EntrySize(layout, entry);
            // A stream cannot be larger than the file (or than the mini stream that holds it).
            if (size >= MiniStreamCutoff ? size > fileBytes : size > layout.miniStreamBytes)
                return Failure{CompoundFault::DirectoryEntry};
            if (item.underRoot) {
                FoundStream* found = nullptr;
                if (NameIs(entry, nameBytes, SummaryName))
                    found = &summary;
                else if (NameIs(entry, nameBytes, DocumentSummaryName))
                    found = &documentSummary;
                if (found) {
                    if (found->present) return Failure{CompoundFault::DuplicateStream};
                    found->present = true;
                    found->start = *entry.u32le(116);
                    found->size = size;
                }
            }
        }
        pending.push_back({*entry.u32le(68), item.underRoot});
        pending.push_back({*entry.u32le(72), item.underRoot});
        if (type == StorageObject) pending.push_back({*entry.u32le(76), false});
    }
    return std::nullopt;
}

// ---- Property sets

constexpr uint16_t VtEmpty = 0, VtNull = 1, VtI2 = 2, VtI4 = 3, VtR4 = 4, VtR8 = 5, VtCy = 6, VtDate = 7,
                   VtBstr = 8, VtError = 10, VtBool = 11, VtVariant = 12, VtDecimal = 14, VtI1 = 16,
                   VtUi1 = 17, VtUi2 = 18, VtUi4 = 19, VtI8 = 20, VtUi8 = 21, VtInt = 22, VtUint = 23,
                   VtLpstr = 30, VtLpwstr = 31, VtFiletime = 64, VtBlob = 65, VtCf = 71, VtClsid = 72;
constexpr uint16_t VtVector = 0x1000;
constexpr uint16_t VtTypeMask = 0x0FFF;
constexpr uint16_t UnicodeCodePage = 1200;
constexpr uint32_t DictionaryId = 0;
constexpr uint32_t CodePageId = 1;

// Bytes of a fixed-size value of type, 0 for types of variable size, nothing for types not read.
std::optional<size_t> FixedSize(uint16_t type) {
    switch (type) {
    case VtEmpty:
    case VtNull:
        return size_t{0};
    case VtI1:
    case VtUi1:
        return size_t{1};
    case VtI2:
    case VtUi2:
    case VtBool:
        return size_t{2};
    case VtI4:
    case VtUi4:
    case VtR4:
    case VtInt:
    case VtUint:
    case VtError:
        return size_t{4};
    case VtR8:
    case VtCy:
    case VtDate:
    case VtI8:
    case VtUi8:
    case VtFiletime:
        return size_t{8};
    case VtDecimal:
    case VtClsid:
        return size_t{16};
    default:
        return std::nullopt;
    }
}

bool IsVariableSize(uint16_t type) {
    return type == VtLpstr || type == VtLpwstr || type == VtBstr || type == VtBlob || type == VtCf;
}

// Checks one scalar value at offset of section (after its type field).
PropertySetFault CheckScalar(const ByteReader& section, size_t offset, uint16_t type, uint16_t codePage) {
    if (std::optional<size_t> size = FixedSize(type)) {
        if (type == VtEmpty || type == VtNull) return PropertySetFault::None;
        return section.has(offset, *size) ? PropertySetFault::None : PropertySetFault::Value;
    }
    if (!IsVariableSize(type)) return PropertySetFault::Type;
    std::optional<uint32_t> count = section.u32le(offset);
    if (!count) return PropertySetFault::Value;
    size_t body = offset + 4;
    switch (type) {
    case VtLpstr:
    case VtBstr:
        // The byte count includes the terminating NUL, so 0 is malformed; UTF-16 sets need an
        // even count of at least one character.
        if (*count == 0) return PropertySetFault::StringLength;
        if (codePage == UnicodeCodePage && (*count % 2 != 0 || *count < 2))
            return PropertySetFault::StringLength;
        return section.has(body, *count) ? PropertySetFault::None : PropertySetFault::Value;
    case VtLpwstr: {
        if (*count == 0) return PropertySetFault::StringLength;
        std::optional<size_t> bytes = CheckedMul(*count, 2);
        return bytes && section.has(body, *bytes) ? PropertySetFault::None : PropertySetFault::Value;
    }
    case VtBlob:
        return section.has(body, *count) ? PropertySetFault::None : PropertySetFault::Value;
    case VtCf:
        // The size counts the 4-byte clipboard format tag and the data after it.
        if (*count < 4) return PropertySetFault::Value;
        return section.has(body, *count) ? PropertySetFault::None : PropertySetFault::Value;
    default:
        return PropertySetFault::Type;
    }
}

PropertySetFault CheckValue(const ByteReader& section, size_t offset, uint16_t codePage, bool allowVectors) {
    std::optional<uint16_t> type = section.u16le(offset);
    if (!type) return PropertySetFault::PropertyOffset;
    size_t body = offset + 4;
    if (!(*type & VtVector)) {
        if (*type & ~VtTypeMask) return PropertySetFault::Type; // arrays, by-reference, reserved bits
        return CheckScalar(section, body, *type, codePage);
    }
    uint16_t element = *type & VtTypeMask;
    if (!allowVectors || (*type & ~(VtVector | VtTypeMask))) return PropertySetFault::Type;
    std::optional<uint32_t> count = section.u32le(body);
    if (!count) return PropertySetFault::Value;
    size_t remaining = section.size() - std::min(section.size(), body + 4);
    std::optional<size_t> fixed = FixedSize(element);
    if (fixed && element != VtEmpty && element != VtNull) {
        std::optional<size_t> bytes = CheckedMul(*count, *fixed);
        return bytes && *bytes <= remaining ? PropertySetFault::None : PropertySetFault::VectorCount;
    }
    if (element == VtVariant || IsVariableSize(element)) {
        // Elements of variable size take at least their 4-byte length or type each; writers
        // disagree on the padding between strings, so the elements are not walked one by one.
        std::optional<size_t> bytes = CheckedMul(*count, 4);
        return bytes && *bytes <= remaining ? PropertySetFault::None : PropertySetFault::VectorCount;
    }
    return PropertySetFault::Type;
}

PropertySetFault CheckDictionary(const ByteReader& section, size_t offset, uint16_t codePage) {
    std::optional<uint32_t> entries = section.u32le(offset);
    if (!entries) return PropertySetFault::Dictionary;
    size_t position = offset + 4;
    // Each entry takes at least its id and length.
    std::optional<size_t> least = CheckedMul(*entries, 8);
    if (!least || !section.has(position, *least)) return PropertySetFault::Dictionary;
    bool unicode = codePage == UnicodeCodePage;
    for (uint32_t i = 0; i < *entries; ++i) {
        std::optional<uint32_t> length = section.u32le(position + 4);
        if (!length || *length == 0) return PropertySetFault::Dictionary;
        position += 8;
        std::optional<size_t> bytes = unicode ? CheckedMul(*length, 2) : std::optional<size_t>(*length);
        if (!bytes || !section.has(position, *bytes)) return PropertySetFault::Dictionary;
        // The name ends with its NUL.
        bool terminated =
            unicode ? *section.u16le(position + *bytes - 2) == 0 : *section.u8(position + *bytes - 1) == 0;
        if (!terminated) return PropertySetFault::Dictionary;
        position += unicode ? (*bytes + 3) / 4 * 4 : *bytes;
    }
    return PropertySetFault::None;
}

PropertySetFault CheckSection(const ByteReader& section, bool allowVectors, uint16_t* codePageOut) {
    uint32_t count = *section.u32le(4);
    std::optional<size_t> table = CheckedMul(count, 8);
    if (!table || !section.has(8, *table)) return PropertySetFault::PropertyCount;
    // First the code page: it decides how the strings and the dictionary are laid out.
    uint16_t codePage = 0;
    std::optional<size_t> dictionary;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t id = *section.u32le(8 + i * 8);
        uint32_t offset = *section.u32le(12 + i * 8);
        if (offset < 8 || !section.has(offset, 4)) return PropertySetFault::PropertyOffset;
        if (id == CodePageId) {
            if (*section.u16le(offset) != VtI2 || !section.has(offset + 4, 2))
                return PropertySetFault::CodePage;
            codePage = *section.u16le(offset + 4);
        } else if (id == DictionaryId) {
            dictionary = offset;
        }
    }
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t id = *section.u32le(8 + i * 8);
        if (id == DictionaryId) continue;
        PropertySetFault fault = CheckValue(section, *section.u32le(12 + i * 8), codePage, allowVectors);
        if (fault != PropertySetFault::None) return fault;
    }
    if (dictionary) {
        // A dictionary's layout depends on the code page, so it needs one.
        if (codePage == 0) return PropertySetFault::Dictionary;
        PropertySetFault fault = CheckDictionary(section, *dictionary, codePage);
        if (fault != PropertySetFault::None) return fault;
    }
    *codePageOut = codePage;
    return PropertySetFault::None;
}

} // namespace

bool StartsLikeCompoundFile(std::span<const std::byte> head) {
    ByteReader reader(head);
    for (size_t i = 0; i < 4; ++i) {
        std::optional<uint8_t> b = reader.u8(i);
        if (!b || *b != Signature[i]) return false;
    }
    return true;
}

PropertySetCheck CheckPropertySet(std::span<const std::byte> stream, bool allowVectors) {
    PropertySetCheck result;
    ByteReader reader(stream);
    // An empty stream is an empty property set.
    if (stream.empty()) return result;
    constexpr size_t HeaderFixedBytes = 28;
    constexpr size_t FormatEntryBytes = 20;
    if (!reader.has(0, HeaderFixedBytes)) {
        result.fault = PropertySetFault::Header;
        return result;
    }
    uint16_t byteOrder = *reader.u16le(0);
    uint16_t version = *reader.u16le(2);
    uint32_t sections = *reader.u32le(24);
    if (byteOrder != 0xFFFE || version > 1 || sections < 1 || sections > 2 ||
        !reader.has(HeaderFixedBytes, sections * FormatEntryBytes)) {
        result.fault = PropertySetFault::Header;
        return result;
    }
    for (uint32_t s = 0; s < sections; ++s) {
        uint32_t offset = *reader.u32le(HeaderFixedBytes + s * FormatEntryBytes + 16);
        if (offset < HeaderFixedBytes + sections * FormatEntryBytes || !reader.has(offset, 8)) {
            result.fault = PropertySetFault::SectionOffset;
            return result;
        }
        uint32_t size = *reader.u32le(offset);
        // The size counts the last value's padding to 4 bytes, which some writers leave out of
        // the stream; the values themselves must lie in the bytes that are there.
        size_t available = reader.size() - offset;
        if (size < 8 || size - std::min<size_t>(size, available) > 3) {
            result.fault = PropertySetFault::SectionSize;
            return result;
        }
        uint16_t codePage = 0;
        result.fault =
            CheckSection(reader.sub(offset, std::min<size_t>(size, available)), allowVectors, &codePage);
        if (result.fault != PropertySetFault::None) return result;
        if (s == 0) result.codePage = codePage;
    }
    return result;
}

CompoundFileCheck CheckCompoundFile(std::span<const std::byte> bytes) {
    CompoundFileCheck result;
    Layout layout;
    FoundStream summary, documentSummary;
    std::optional<Failure> failure = CheckHeader(ByteReader(bytes), layout);
    if (!failure) failure = CheckDifatAndFat(layout);
    if (!failure) failure = CheckDirectory(layout, summary, documentSummary);
    if (failure) {
        result.fault = failure->fault;
        return result;
    }
    result.structureSound = true;
    result.fault = CompoundFault::None;

    std::vector<std::byte> stream;
    auto judge = [&](const FoundStream& found, bool allowVectors, PropertySetState& state,
                     uint16_t& codePage) {
        if (!found.present) return;
        state = PropertySetState::Malformed;
        if (std::optional<Failure> readFailure = ReadStream(layout, found, stream)) {
            if (result.fault == CompoundFault::None) result.fault = readFailure->fault;
            return;
        }
        PropertySetCheck check = CheckPropertySet(stream, allowVectors);
        if (check.fault != PropertySetFault::None) {
            if (result.fault == CompoundFault::None) {
                result.fault = CompoundFault::PropertySet;
                result.propertyFault = check.fault;
            }
            return;
        }
        state = PropertySetState::Sound;
        codePage = check.codePage;
    };
    judge(summary, false, result.summary, result.summaryCodePage);
    judge(documentSummary, true, result.documentSummary, result.documentSummaryCodePage);
    return result;
}

} // namespace scrutel
