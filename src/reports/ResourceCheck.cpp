// The version-resource check: walks the PE resource directory or the NE resource table the way
// the system's version reader does and refuses a file whose structures lie outside it, before
// that reader trusts them.
#include "reports/ResourceCheck.h"

#include "reports/ExeHeader.h"

#include <optional>
#include <unordered_set>
#include <vector>

namespace scrutel {

namespace {

using Verdict = VersionResourceVerdict;

constexpr uint16_t MzSignature = 0x5A4D;
constexpr uint16_t NeSignature = 0x454E;
constexpr size_t MzHeaderBytes = 64;

constexpr uint16_t RtVersion = 16;
constexpr uint16_t VersionInfoId = 1;
constexpr uint32_t DirectoryBit = 0x80000000u;
constexpr size_t DirectoryHeaderBytes = 16;
constexpr size_t DirectoryEntryBytes = 8;
constexpr size_t DataEntryBytes = 16;
constexpr size_t SectionHeaderBytes = 40;
// Where the resource entry of the data directories sits in each optional-header kind.
constexpr size_t ResourceDirectoryPe32 = 96 + 2 * 8;
constexpr size_t ResourceDirectoryPe64 = 112 + 2 * 8;
// An image is at most 2 GiB: a section reaching beyond that cannot be loaded, and a reader that
// sizes its buffer from it allocates gigabytes.
constexpr uint64_t MaxImageBytes = 0x80000000ull;

// The NE header and its resource table.
constexpr size_t NeHeaderBytes = 64;
constexpr size_t NeTypeInfoBytes = 8;
constexpr size_t NeNameInfoBytes = 12;
constexpr uint16_t NeVersionType = 0x8000 | RtVersion;
constexpr uint16_t NeVersionId = 0x8000 | VersionInfoId;
// The resource unit is 1 << shift bytes; units beyond 64 KiB have never been used.
constexpr uint16_t MaxNeAlignShift = 16;
// A 16-bit version block starts with its header and VS_FIXEDFILEINFO (52 bytes); the reader
// subtracts that size from the resource length, so a shorter resource would wrap around.
constexpr uint64_t MinNeVersionBytes = 52;

VersionResourceCheck Result(Verdict verdict, const char* reason, uint32_t bytes = 0) {
    return {verdict, reason, bytes};
}

struct Section {
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawPointer = 0;
    bool Holds(uint32_t rva) const {
        return rva >= virtualAddress && uint64_t{rva} < uint64_t{virtualAddress} + rawSize;
    }
};

// The first section whose raw data holds rva, as the reader looks it up; -1 when none does.
int SectionHolding(const std::vector<Section>& sections, uint32_t rva) {
    for (size_t i = 0; i < sections.size(); ++i)
        if (sections[i].Holds(rva)) return static_cast<int>(i);
    return -1;
}

// The walk of one resource tree. Offsets in it are relative to the root directory; view holds
// the bytes from the root to the end of the resource section's raw data.
class ResourceWalk {
  public:
    ResourceWalk(ByteReader view, const std::vector<Section>& sections, int section)
        : view_(view), sections_(sections), section_(section) {}

    VersionResourceCheck Run() {
        visited_.insert(0);
        auto types = Directory(0);
        if (!types) return Result(Verdict::Damaged, "root directory outside the section");
        bool foundType = false;
        for (uint32_t target : Matching(*types, RtVersion)) {
            foundType = true;
            if (auto failed = Names(target)) return *failed;
        }
        if (!foundType) return Result(Verdict::Absent, "no RT_VERSION entry");
        if (!foundName_) return Result(Verdict::Absent, "no version resource with id 1");
        return Result(Verdict::Present, "", largest_);
    }

  private:
    struct Entries {
        size_t first = 0; // offset of the first entry
        uint32_t named = 0;
        uint32_t ids = 0;
    };

    // The entries of the directory at offset, all of them inside the view.
    std::optional<Entries> Directory(uint32_t offset) const {
        auto named = view_.u16le(size_t{offset} + 12);
        auto ids = view_.u16le(size_t{offset} + 14);
        if (!named || !ids) return std::nullopt;
        size_t count = size_t{*named} + *ids;
        auto bytes = CheckedMul(count, DirectoryEntryBytes);
        auto first = CheckedAdd(offset, DirectoryHeaderBytes);
        if (!bytes || !first || !view_.has(*first, *bytes)) return std::nullopt;
        return Entries{*first, *named, *ids};
    }

    // The targets of the id entries whose id (the low 16 bits, which is all the reader
    // compares) equals id; every one is checked, since a binary search may land on any of them.
    std::vector<uint32_t> Matching(const Entries& dir, uint16_t id) const {
        std::vector<uint32_t> targets;
        for (uint32_t i = dir.named; i < dir.named + dir.ids; ++i) {
            size_t at = dir.first + size_t{i} * DirectoryEntryBytes;
            auto name = view_.u32le(at);
            auto target = view_.u32le(at + 4);
            if (name && target && (*name & 0xFFFF) == id) targets.push_back(*target);
        }
        return targets;
    }

    // A subdirectory target: a directory entry, not yet visited (no loops, no sharing).
    std::optional<VersionResourceCheck> Enter(uint32_t target, std::optional<Entries>& dir) {
        if (!(target & DirectoryBit)) return Result(Verdict::Damaged, "a directory entry points at data");
        uint32_t offset = target & ~DirectoryBit;
        if (!visited_.insert(offset).second) return Result(Verdict::Damaged, "directory visited twice");
        dir = Directory(offset);
        if (!dir) return Result(Verdict::Damaged, "directory outside the section");
        return std::nullopt;
    }

    std::optional<VersionResourceCheck> Names(uint32_t target) {
        std::optional<Entries> names;
        if (auto failed = Enter(target, names)) return failed;
        for (uint32_t languages : Matching(*names, VersionInfoId)) {
            foundName_ = true;
            if (auto failed = Languages(languages)) return failed;
        }
        return std::nullopt;
    }

    // Every language entry counts: the reader picks one by the user's languages and falls back
    // to the first entry, which it reads even when the directory says it has none.
    std::optional<VersionResourceCheck> Languages(uint32_t target) {
        std::optional<Entries> languages;
        if (auto failed = Enter(target, languages)) return failed;
        uint32_t count = languages->named + languages->ids;
        if (count == 0) return Result(Verdict::Damaged, "language directory without entries");
        for (uint32_t i = 0; i < count; ++i) {
            auto data = view_.u32le(languages->first + size_t{i} * DirectoryEntryBytes + 4);
            if (!data) return Result(Verdict::Damaged, "language entry outside the section");
            if (auto failed = DataEntry(*data)) return failed;
        }
        return std::nullopt;
    }

    std::optional<VersionResourceCheck> DataEntry(uint32_t target) {
        if (target & DirectoryBit) return Result(Verdict::Damaged, "a language entry points at a directory");
        auto rva = view_.u32le(target);
        auto size = view_.u32le(size_t{target} + 4);
        if (!rva || !size || !view_.has(target, DataEntryBytes))
            return Result(Verdict::Damaged, "data entry outside the section");
        if (*size > MaxVersionResourceBytes) return Result(Verdict::Damaged, "version resource over 64 KiB");
        // The reader looks the data up in the first section that holds its address; it must be
        // the resource section, and the data must end inside that section's raw data.
        if (SectionHolding(sections_, *rva) != section_)
            return Result(Verdict::Damaged, "version data outside the resource section");
        const Section& s = sections_[static_cast<size_t>(section_)];
        if (uint64_t{*rva} - s.virtualAddress + *size > s.rawSize)
            return Result(Verdict::Damaged, "version data runs past the section");
        if (*size > largest_) largest_ = *size;
        return std::nullopt;
    }

    ByteReader view_;
    const std::vector<Section>& sections_;
    int section_;
    std::unordered_set<uint32_t> visited_;
    bool foundName_ = false;
    uint32_t largest_ = 0;
};

VersionResourceCheck CheckPe(const ByteReader& file, const PeHeader& pe) {
    const uint64_t fileSize = file.size();
    size_t optional = pe.offset + PeFileHeaderBytes;
    if (!file.has(optional, pe.optionalSize))
        return Result(Verdict::Damaged, "optional header outside the file");
    size_t directoryAt = optional + (pe.magic == PeMagic32 ? ResourceDirectoryPe32 : ResourceDirectoryPe64);
    auto rva = file.u32le(directoryAt);
    auto size = file.u32le(directoryAt + 4);
    if (!rva || !size) return Result(Verdict::Damaged, "data directory outside the file");
    if (*size == 0) return Result(Verdict::Absent, "no resource directory");

    size_t table = optional + pe.optionalSize;
    auto tableBytes = CheckedMul(pe.sectionCount, SectionHeaderBytes);
    if (!tableBytes || !file.has(table, *tableBytes))
        return Result(Verdict::Damaged, "section table outside the file");
    std::vector<Section> sections(pe.sectionCount);
    for (size_t i = 0; i < sections.size(); ++i) {
        size_t at = table + i * SectionHeaderBytes;
        Section& s = sections[i];
        s.virtualSize = *file.u32le(at + 8);
        s.virtualAddress = *file.u32le(at + 12);
        s.rawSize = *file.u32le(at + 16);
        s.rawPointer = *file.u32le(at + 20);
        if (uint64_t{s.rawPointer} + s.rawSize > fileSize)
            return Result(Verdict::Damaged, "section raw data outside the file");
        if (uint64_t{s.virtualAddress} + s.virtualSize > MaxImageBytes)
            return Result(Verdict::Damaged, "section beyond the largest image");
    }

    int index = SectionHolding(sections, *rva);
    if (index < 0) return Result(Verdict::Absent, "no section holds the resource directory");
    const Section& s = sections[static_cast<size_t>(index)];
    // The reader allocates the larger of the raw and the virtual size for this section.
    if (s.virtualSize > fileSize) return Result(Verdict::Damaged, "resource section larger than the file");
    uint32_t rootDelta = *rva - s.virtualAddress;
    ByteReader view = file.sub(size_t{s.rawPointer} + rootDelta, s.rawSize - rootDelta);
    return ResourceWalk(view, sections, index).Run();
}

VersionResourceCheck CheckNe(const ByteReader& file, size_t ne) {
    if (!file.has(ne, NeHeaderBytes)) return Result(Verdict::Damaged, "NE header outside the file");
    uint16_t segments = *file.u16le(ne + 0x1C);
    uint16_t segmentTable = *file.u16le(ne + 0x22);
    uint16_t resourceTable = *file.u16le(ne + 0x24);
    uint16_t residentNames = *file.u16le(ne + 0x26);
    if (!file.has(ne + segmentTable, size_t{segments} * 8))
        return Result(Verdict::Damaged, "segment table outside the file");
    // The resource table ends where the resident-name table starts.
    if (residentNames == resourceTable) return Result(Verdict::Absent, "no resource table");
    if (residentNames < resourceTable)
        return Result(Verdict::Damaged, "resource table ends before it starts");
    ByteReader table = file.sub(ne + resourceTable, size_t{residentNames} - resourceTable);
    if (table.size() == 0) return Result(Verdict::Damaged, "resource table outside the file");
    auto shift = table.u16le(0);
    if (!shift || *shift > MaxNeAlignShift)
        return Result(Verdict::Damaged, "resource alignment shift out of range");

    // Type records follow the shift until a zero type; each is followed by its name records.
    size_t at = 2;
    for (;;) {
        auto type = table.u16le(at);
        if (!type) return Result(Verdict::Damaged, "resource table without its end");
        if (*type == 0) return Result(Verdict::Absent, "no RT_VERSION entry");
        auto count = table.u16le(at + 2);
        auto names = CheckedAdd(at, NeTypeInfoBytes);
        auto namesBytes = CheckedMul(count.value_or(0), NeNameInfoBytes);
        if (!count || !names || !namesBytes || !table.has(*names, *namesBytes))
            return Result(Verdict::Damaged, "resource type record outside the table");
        if (*type == NeVersionType) {
            // The reader takes the first version type and, in it, the first name with id 1.
            for (size_t i = 0; i < *count; ++i) {
                size_t name = *names + i * NeNameInfoBytes;
                if (*table.u16le(name + 6) != NeVersionId) continue;
                uint64_t offset = uint64_t{*table.u16le(name)} << *shift;
                uint64_t length = uint64_t{*table.u16le(name + 2)} << *shift;
                uint64_t unit = uint64_t{1} << *shift;
                uint64_t limit = (MaxVersionResourceBytes + unit - 1) / unit * unit;
                if (length < MinNeVersionBytes || length > limit)
                    return Result(Verdict::Damaged, "version resource length out of range");
                if (offset + length > file.size())
                    return Result(Verdict::Damaged, "version resource outside the file");
                return Result(Verdict::Present, "", static_cast<uint32_t>(length));
            }
            return Result(Verdict::Absent, "no version resource with id 1");
        }
        at = *names + *namesBytes;
    }
}

} // namespace

VersionResourceCheck CheckVersionResource(const ByteReader& file) {
    auto signature = file.u16le(0);
    if (file.size() < MzHeaderBytes || !signature || *signature != MzSignature)
        return Result(Verdict::Absent, "not an MZ image");
    // Without a new header inside the file (a plain DOS program) the reader finds nothing.
    auto offset = NewHeaderOffset(file);
    if (!offset) return Result(Verdict::Absent, "no new header inside the file");
    if (auto pe = file.u32le(*offset); pe && *pe == 0x00004550) {
        auto header = ParsePeHeader(file, *offset);
        if (!header) return Result(Verdict::Damaged, "PE header cut short or of an unknown kind");
        return CheckPe(file, *header);
    }
    if (auto ne = file.u16le(*offset); ne && *ne == NeSignature) return CheckNe(file, *offset);
    return Result(Verdict::Absent, "neither PE nor NE");
}

} // namespace scrutel
