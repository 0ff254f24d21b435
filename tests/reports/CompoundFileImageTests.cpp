// The compound-file check over byte images built here and mutated one fault per row: the header,
// tables, directory tree and property-set streams, and the hand-over rules that follow from them.
#include "CompoundFileBuilder.h"
#include "reports/CompoundFileCheck.h"
#include "reports/CompoundFileFit.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace scrutel;
using namespace compound_test;

namespace {

// ---- Rows

struct Row {
    const char* label; // why the image must fail (or pass)
    std::function<Bytes()> image;
    CompoundFault fault;
    bool structureSound;
    PropertySetState summary;
    PropertySetFault propertyFault = PropertySetFault::None;
};

Bytes Mutated(const Bytes& base, const std::function<void(Bytes&)>& change) {
    Bytes b = base;
    change(b);
    return b;
}

Bytes WithSummaryValue(const Prop& prop) {
    return Document(PropertySet({I2(1, 1252), Lpstr(2, "Title"), prop}));
}

TEST(CheckCompoundFile, BuiltImagesOneFaultPerRow) {
    const Bytes typical = Document(PropertySet(TypicalSummary()));
    const Bytes summary = PropertySet(TypicalSummary());
    const PropertySetState Sound = PropertySetState::Sound, Malformed = PropertySetState::Malformed,
                           Absent = PropertySetState::Absent;
    const CompoundFault None = CompoundFault::None;
    auto mut = [&](std::function<void(Bytes&)> change) {
        return [=, &typical] { return Mutated(typical, change); };
    };
    const Row rows[] = {
        {"valid: typical summary", [&] { return typical; }, None, true, Sound},
        {"valid: no summary stream (the entry is unused)",
         mut([](Bytes& b) {
             b[EntryAt(1) + 66] = 0;
             Put32(b, EntryAt(0) + 76, NoStream);
         }),
         None, true, Absent},
        {"valid: empty summary stream", [] { return Document({}); }, None, true, Sound},
        {"valid: UTF-16 set with wide and 8-bit strings",
         [] { return Document(PropertySet({I2(1, 1200), Lpwstr(2, u"Title"), Lpstr(4, std::string("A\0\0", 3))})); },
         None, true, Sound},
        {"valid: high size bits of a version-3 entry that is not read are ignored",
         mut([](Bytes& b) {
             PutEntry(b, 2, u"Other", 2, NoStream, NoStream, NoStream, EndOfChain, 0);
             Put32(b, EntryAt(2) + 124, 0xDEADBEEF);
             Put32(b, EntryAt(1) + 72, 2);
         }),
         None, true, Sound},
        {"valid: junk in the high size bits of the version-3 root entry",
         mut([](Bytes& b) { Put32(b, EntryAt(0) + 124, 0x00000080); }), None, true, Sound},
        {"valid: junk in the high size bits of the version-3 summary stream",
         mut([](Bytes& b) { Put32(b, EntryAt(1) + 124, 0xFFFFFFFF); }), None, true, Sound},
        {"valid: section size counts padding the stream leaves out", [] {
             Bytes set = PropertySet({I2(1, 1252), Lpstr(2, "T"), I2(14, 5)});
             set.erase(set.end() - 2, set.end());
             return Document(set);
         },
         None, true, Sound},
        {"valid: stream names compare without case", mut([](Bytes& b) { Put16(b, EntryAt(1) + 4, u'U'); }), None,
         true, Sound},

        {"truncated below a header", [&] { return Bytes(typical.begin(), typical.begin() + 300); },
         CompoundFault::NotCompoundFile, false, Absent},
        {"truncated: the mini stream's sectors are gone",
         [&] { return Bytes(typical.begin(), typical.begin() + MiniStreamAt); }, CompoundFault::ChainOutside, false,
         Absent},
        {"signature changed", mut([](Bytes& b) { b[7] = 0; }), CompoundFault::NotCompoundFile, false, Absent},
        {"byte order mark not 0xFFFE", mut([](Bytes& b) { Put16(b, 28, 0xFEFF); }), CompoundFault::Header, false,
         Absent},
        {"sector shift 12 in a version-3 header", mut([](Bytes& b) { Put16(b, 30, 12); }), CompoundFault::Header,
         false, Absent},
        {"version 4 with sector shift 9", mut([](Bytes& b) { Put16(b, 26, 4); }), CompoundFault::Header, false,
         Absent},
        {"mini sector shift 7", mut([](Bytes& b) { Put16(b, 32, 7); }), CompoundFault::Header, false, Absent},
        {"mini stream cutoff 8192", mut([](Bytes& b) { Put32(b, 56, 8192); }), CompoundFault::Header, false,
         Absent},
        {"more FAT sectors than the file has", mut([](Bytes& b) { Put32(b, 44, 0x10000); }),
         CompoundFault::SectorCounts, false, Absent},
        {"no FAT sectors", mut([](Bytes& b) { Put32(b, 44, 0); }), CompoundFault::SectorCounts, false, Absent},
        {"110 FAT sectors but no DIFAT sector to list the last", mut([](Bytes& b) {
             b.resize(b.size() + 200 * Sector);
             Put32(b, 44, 110);
         }),
         CompoundFault::SectorCounts, false, Absent},
        {"FAT sector location beyond the file", mut([](Bytes& b) { Put32(b, 76, 1000); }), CompoundFault::Difat,
         false, Absent},
        {"DIFAT sector that is its own successor", mut([](Bytes& b) {
             // 237 FAT sector locations (all sector 0): 109 in the header, 127 in DIFAT sector 5,
             // and one more in the DIFAT sector after it, which is sector 5 again.
             b.resize(241 * Sector, 0);
             Put32(b, 44, 237);
             Put32(b, 72, 2);
             Put32(b, 68, 5);
             for (size_t i = 0; i < 109; ++i) Put32(b, 76 + i * 4, 0);
             for (size_t i = 0; i < 127; ++i) Put32(b, 6 * Sector + i * 4, 0);
             Put32(b, 6 * Sector + 127 * 4, 5);
         }),
         CompoundFault::Difat, false, Absent},
        {"FAT entry naming a sector beyond the file", mut([](Bytes& b) { Put32(b, FatAt + 16, 5000); }),
         CompoundFault::Fat, false, Absent},
        {"FAT entry 0xFFFFFFFB, neither sector nor marker", mut([](Bytes& b) { Put32(b, FatAt + 16, 0xFFFFFFFB); }),
         CompoundFault::Fat, false, Absent},
        {"directory chain that is its own successor", mut([](Bytes& b) { Put32(b, FatAt + 4, 1); }),
         CompoundFault::ChainLoop, false, Absent},
        {"mini stream chain looping 3 -> 4 -> 3", mut([](Bytes& b) { Put32(b, FatAt + 16, 3); }),
         CompoundFault::ChainLoop, false, Absent},
        {"directory starts beyond the file", mut([](Bytes& b) { Put32(b, 48, 1000); }), CompoundFault::ChainOutside,
         false, Absent},
        {"mini stream chain runs into a free sector", mut([](Bytes& b) { Put32(b, FatAt + 12, FreeSector); }),
         CompoundFault::ChainBroken, false, Absent},
        {"mini stream shorter than the root entry's size", mut([](Bytes& b) { Put32(b, EntryAt(0) + 120, 3 * 512); }),
         CompoundFault::ChainTooShort, false, Absent},
        {"root entry size with junk high bits and low bits past the file", mut([](Bytes& b) {
             Put32(b, EntryAt(0) + 120, 0x7FFFFFFF);
             Put32(b, EntryAt(0) + 124, 1);
         }),
         CompoundFault::DirectoryEntry, false, Absent},
        {"entry 0 is not the root", mut([](Bytes& b) { b[EntryAt(0) + 66] = 1; }), CompoundFault::DirectoryEntry,
         false, Absent},
        {"name length 66 bytes", mut([](Bytes& b) { Put16(b, EntryAt(1) + 64, 66); }),
         CompoundFault::DirectoryEntry, false, Absent},
        {"odd name length", mut([](Bytes& b) { Put16(b, EntryAt(1) + 64, 41); }), CompoundFault::DirectoryEntry,
         false, Absent},
        {"object type 7", mut([](Bytes& b) { b[EntryAt(1) + 66] = 7; }), CompoundFault::DirectoryEntry, false,
         Absent},
        {"an unused entry reached from the root", mut([](Bytes& b) { Put32(b, EntryAt(1) + 68, 3); }),
         CompoundFault::DirectoryEntry, false, Absent},
        {"small stream larger than the mini stream", mut([](Bytes& b) { Put32(b, EntryAt(1) + 120, 2000); }),
         CompoundFault::DirectoryEntry, false, Absent},
        {"summary stream size with junk high bits and low bits past the mini stream", mut([](Bytes& b) {
             Put32(b, EntryAt(1) + 120, 2000);
             Put32(b, EntryAt(1) + 124, 1);
         }),
         CompoundFault::DirectoryEntry, false, Absent},
        {"sibling id beyond the directory", mut([](Bytes& b) { Put32(b, EntryAt(1) + 72, 77); }),
         CompoundFault::DirectoryId, false, Absent},
        {"tree cycle: an entry is its own left sibling", mut([](Bytes& b) { Put32(b, EntryAt(1) + 68, 1); }),
         CompoundFault::DirectoryLoop, false, Absent},
        {"tree cycle through the root", mut([](Bytes& b) { Put32(b, EntryAt(1) + 72, 0); }),
         CompoundFault::DirectoryLoop, false, Absent},
        {"two summary streams under the root", mut([](Bytes& b) {
             PutEntry(b, 2, u"\u0005SummaryInformation", 2, NoStream, NoStream, NoStream, 0, 64);
             Put32(b, EntryAt(1) + 72, 2);
         }),
         CompoundFault::DuplicateStream, false, Absent},

        {"mini FAT chain of the summary stream loops", mut([](Bytes& b) { Put32(b, MiniFatAt + 4, 0); }),
         CompoundFault::ChainLoop, true, Malformed},
        {"mini FAT chain of the summary stream leaves the mini stream",
         mut([](Bytes& b) { Put32(b, MiniFatAt + 4, 40); }), CompoundFault::ChainOutside, true, Malformed},
        {"summary stream longer than its mini chain", mut([](Bytes& b) { Put32(b, MiniFatAt + 4, EndOfChain); }),
         CompoundFault::ChainTooShort, true, Malformed},
        {"property set byte order", mut([](Bytes& b) { Put16(b, InSummary(0), 0xFEFF); }),
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::Header},
        {"property set with 3 sections", mut([](Bytes& b) { Put32(b, InSummary(24), 3); }),
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::Header},
        {"section offset past the stream", mut([](Bytes& b) { Put32(b, InSummary(44), 5000); }),
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::SectionOffset},
        {"section size past the stream", mut([&](Bytes& b) {
             Put32(b, InSummary(SectionAt), static_cast<uint32_t>(summary.size()));
         }),
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::SectionSize},
        {"section size 4 bytes past the stream", [] {
             Bytes set = PropertySet({I2(1, 1252), Lpstr(2, "T"), I2(14, 5)});
             Put32(set, SectionAt, static_cast<uint32_t>(set.size() - SectionAt + 4));
             return Document(set);
         },
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::SectionSize},
        {"property count larger than the section", mut([](Bytes& b) { Put32(b, InSummary(SectionAt + 4), 0x10000000); }),
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::PropertyCount},
        {"property offset past the section", mut([](Bytes& b) { Put32(b, InSummary(SectionAt + 12 + 8), 0x7000); }),
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::PropertyOffset},
        {"code page stored as VT_I4", mut([&](Bytes& b) { Put16(b, InSummary(PropertyAt(summary, 0)), VtI4); }),
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::CodePage},
        {"VT_LPSTR of length 0 (the length counts the NUL)",
         mut([&](Bytes& b) { Put32(b, InSummary(PropertyAt(summary, 1) + 4), 0); }), CompoundFault::PropertySet,
         true, Malformed, PropertySetFault::StringLength},
        {"VT_LPSTR longer than the section",
         mut([&](Bytes& b) { Put32(b, InSummary(PropertyAt(summary, 1) + 4), 0x7FFFFFFF); }),
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::Value},
        {"VT_LPWSTR of length 0", [] { return WithSummaryValue(Raw(3, VtLpwstr, Bytes(4, 0))); },
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::StringLength},
        {"odd VT_LPSTR byte count in a UTF-16 set", [] {
             return Document(PropertySet({I2(1, 1200), Lpstr(2, "ab")}));
         },
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::StringLength},
        {"VT_CF shorter than its format tag", [] { return WithSummaryValue(Raw(17, VtCf, {2, 0, 0, 0, 0, 0, 0, 0})); },
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::Value},
        {"type by reference", [] { return WithSummaryValue(Raw(14, VtByref | VtI4, Bytes(4, 0))); },
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::Type},
        {"unknown type 0x49", [] { return WithSummaryValue(Raw(14, 0x49, Bytes(4, 0))); },
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::Type},
        {"dictionary without a code page", [] {
             return Document(PropertySet({Raw(0, 0, {1, 0, 0, 0, 5, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 0, 0})}));
         },
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::Dictionary},
        {"dictionary name without its NUL", [] {
             return Document(
                 PropertySet({I2(1, 1252), Raw(0, 0, {1, 0, 0, 0, 5, 0, 0, 0, 2, 0, 0, 0, 'a', 'b', 0, 0})}));
         },
         CompoundFault::PropertySet, true, Malformed, PropertySetFault::Dictionary},
    };
    for (const Row& row : rows) {
        Bytes image = row.image();
        CompoundFileCheck check = CheckCompoundFile(View(image));
        EXPECT_EQ(check.fault, row.fault) << row.label;
        EXPECT_EQ(check.structureSound, row.structureSound) << row.label;
        EXPECT_EQ(check.summary, row.summary) << row.label;
        EXPECT_EQ(check.propertyFault, row.propertyFault) << row.label;
    }
}

// The vector and array types of the reproducers in the summary set, where no writer puts them.
TEST(CheckCompoundFile, VectorAndArrayTypesInTheSummarySet) {
    const uint16_t types[] = {0x1002, 0x1003, 0x101E, 0x2002, 0x2003, 0x3003, 0x100C};
    for (uint16_t type : types) {
        Bytes value;
        Append32(value, 1);
        Append32(value, 7);
        Append32(value, 0);
        CompoundFileCheck check = CheckCompoundFile(View(WithSummaryValue(Raw(14, type, value))));
        EXPECT_EQ(check.summary, PropertySetState::Malformed) << std::hex << type;
        EXPECT_EQ(check.propertyFault, PropertySetFault::Type) << std::hex << type;
        EXPECT_TRUE(check.structureSound) << std::hex << type;
    }
}

// The document summary set legitimately holds vectors (titles of parts, heading pairs); only
// counts that cannot fit and array or mixed bits fail there.
TEST(CheckCompoundFile, DocumentSummaryVectors) {
    Bytes titles; // two unpadded strings, as word processors write them
    Append32(titles, 2);
    Append32(titles, 3);
    titles.insert(titles.end(), {'a', 'b', 0});
    Append32(titles, 2);
    titles.insert(titles.end(), {'c', 0});
    Bytes pairs; // one variant: VT_I4 1
    Append32(pairs, 1);
    Put16(pairs, pairs.size(), VtI4);
    Put16(pairs, pairs.size(), 0);
    Append32(pairs, 1);
    Bytes shorts;
    Append32(shorts, 3);
    for (int i = 0; i < 3; ++i)
        Put16(shorts, shorts.size(), 9);
    Bytes hugeCount;
    Append32(hugeCount, 0xFFFFFFFF);
    Append32(hugeCount, 0);
    Bytes manyStrings;
    Append32(manyStrings, 0x40000000);
    Append32(manyStrings, 1);
    const struct {
        const char* label;
        Prop prop;
        PropertySetState state;
        PropertySetFault fault;
    } rows[] = {
        {"vector of strings", Raw(13, 0x101E, titles), PropertySetState::Sound, PropertySetFault::None},
        {"vector of variants", Raw(12, 0x100C, pairs), PropertySetState::Sound, PropertySetFault::None},
        {"vector of 16-bit integers", Raw(20, 0x1002, shorts), PropertySetState::Sound,
         PropertySetFault::None},
        {"count 0xFFFFFFFF of 16-bit integers", Raw(20, 0x1002, hugeCount), PropertySetState::Malformed,
         PropertySetFault::VectorCount},
        {"count 0xFFFFFFFF of strings", Raw(13, 0x101E, hugeCount), PropertySetState::Malformed,
         PropertySetFault::VectorCount},
        {"2^30 strings in a few bytes", Raw(13, 0x101E, manyStrings), PropertySetState::Malformed,
         PropertySetFault::VectorCount},
        {"vector and array bits together", Raw(20, 0x3003, shorts), PropertySetState::Malformed,
         PropertySetFault::Type},
        {"array", Raw(20, 0x2003, shorts), PropertySetState::Malformed, PropertySetFault::Type},
    };
    for (const auto& row : rows) {
        Bytes image = Document(PropertySet(TypicalSummary()), PropertySet({I2(1, 1252), row.prop}));
        CompoundFileCheck check = CheckCompoundFile(View(image));
        EXPECT_TRUE(check.structureSound) << row.label;
        EXPECT_EQ(check.summary, PropertySetState::Sound) << row.label;
        EXPECT_EQ(check.documentSummary, row.state) << row.label;
        EXPECT_EQ(check.propertyFault, row.fault) << row.label;
        EXPECT_TRUE(CompoundFileFitFor(check, CompoundFileReader::SummaryProperties, [](uint16_t) {
            return true;
        })) << row.label;
        EXPECT_EQ(CompoundFileFitFor(check, CompoundFileReader::PropertyStore, [](uint16_t) { return true; }),
                  row.state == PropertySetState::Sound)
            << row.label;
    }
}

TEST(CheckCompoundFile, CodePagesAreReportedAndJudgedByTheGate) {
    auto knowsOnly1252 = [](uint16_t cp) { return cp == 1252; };
    const struct {
        const char* label;
        int16_t codePage;
        bool fit;
    } rows[] = {
        {"Western", 1252, true},
        {"UTF-16 is always accepted", 1200, true},
        {"unknown to the platform", 4711, false},
        {"code page 0", 0, true},
    };
    for (const auto& row : rows) {
        Bytes image = Document(PropertySet({I2(1, row.codePage), Lpstr(2, "xyz")}));
        CompoundFileCheck check = CheckCompoundFile(View(image));
        EXPECT_EQ(check.summaryCodePage, static_cast<uint16_t>(row.codePage)) << row.label;
        EXPECT_EQ(CompoundFileFitFor(check, CompoundFileReader::SummaryProperties, knowsOnly1252), row.fit)
            << row.label;
    }
    // A set without a code-page property reports 0.
    CompoundFileCheck none = CheckCompoundFile(View(Document(PropertySet({Lpstr(2, "x")}))));
    EXPECT_EQ(none.summaryCodePage, 0);
    // A damaged structure is never fit, whatever its sets hold.
    CompoundFileCheck broken = CheckCompoundFile(
        View(Mutated(Document(PropertySet(TypicalSummary())), [](Bytes& b) { Put32(b, FatAt + 4, 1); })));
    EXPECT_FALSE(CompoundFileFitFor(broken, CompoundFileReader::SummaryProperties, knowsOnly1252));
    EXPECT_FALSE(CompoundFileFitFor(broken, CompoundFileReader::PropertyStore, knowsOnly1252));
}

TEST(StartsLikeCompoundFile, FirstFourSignatureBytes) {
    const struct {
        const char* label;
        Bytes head;
        bool expected;
    } rows[] = {
        {"current signature", {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}, true},
        {"early signature", {0xD0, 0xCF, 0x11, 0xE0, 0x0E, 0x11, 0xFC, 0x0D}, true},
        {"four bytes only", {0xD0, 0xCF, 0x11, 0xE0}, true},
        {"three bytes", {0xD0, 0xCF, 0x11}, false},
        {"text", {'P', 'K', 3, 4, 0, 0, 0, 0}, false},
        {"empty", {}, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(StartsLikeCompoundFile(View(row.head)), row.expected) << row.label;
}

} // namespace
