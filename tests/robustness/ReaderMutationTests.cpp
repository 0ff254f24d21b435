// The portable readers of untrusted bytes over random and mutated inputs, each held in a buffer
// of exactly its own size (natively under the address sanitizer, a read or write outside any
// buffer ends the run): only documented results, and outputs terminated inside their capacity.
#include "reports/AdvertisedShortcut.h"
#include "reports/CompoundFileBuilder.h"
#include "reports/CompoundFileCheck.h"
#include "reports/ExeHeaderBuilder.h"
#include "reports/FontBuilder.h"
#include "reports/FontNames.h"
#include "reports/ResourceImageBuilder.h"
#include "reports/ShellLinkBuilder.h"
#include "robustness/FuzzInputs.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

using namespace scrutel;
using robustness::Bytes;
using robustness::FixedGenerator;
using robustness::Mutate;
using robustness::Pick;
using robustness::RandomBytes;

namespace {

// A random input of up to maxLength bytes, or a mutation of one of the samples.
Bytes NextInput(std::mt19937& g, const std::vector<Bytes>& samples, size_t maxLength) {
    return Pick(g, 5) == 0 ? RandomBytes(g, maxLength) : Mutate(g, samples[Pick(g, samples.size())]);
}

size_t Terminated(const std::vector<char16_t>& text) {
    size_t n = 0;
    while (n < text.size() && text[n])
        ++n;
    return n;
}

} // namespace

TEST(ReaderMutation, CompoundFiles) {
    using namespace compound_test;
    Bytes parts;
    Append32(parts, 2);
    Append32(parts, 3);
    parts.insert(parts.end(), {'a', 'b', 0});
    Append32(parts, 2);
    parts.insert(parts.end(), {'c', 0});
    const std::vector<Bytes> samples = {
        Document(PropertySet(TypicalSummary())),
        Document(PropertySet({I2(1, 1252), Lpstr(2, "Title"), Lpwstr(4, u"Author")}),
                 PropertySet({I2(1, 1252), Raw(13, 0x101E, parts)}))};
    for (const Bytes& sample : samples)
        ASSERT_EQ(CheckCompoundFile(View(sample)).fault, CompoundFault::None);
    auto g = FixedGenerator(106);
    int sound = 0;
    for (int i = 0; i < 6000; ++i) {
        SCOPED_TRACE(i);
        const Bytes bytes = NextInput(g, samples, 3000);
        const CompoundFileCheck c = CheckCompoundFile(View(bytes));
        if (c.fault == CompoundFault::None) {
            ++sound;
            ASSERT_TRUE(c.structureSound);
            ASSERT_NE(c.summary, PropertySetState::Malformed);
            ASSERT_NE(c.documentSummary, PropertySetState::Malformed);
            ASSERT_EQ(c.propertyFault, PropertySetFault::None);
        }
        if (!c.structureSound) {
            ASSERT_NE(c.fault, CompoundFault::None);
            ASSERT_EQ(c.summary, PropertySetState::Absent);
        }
        const PropertySetCheck set = CheckPropertySet(View(bytes), Pick(g, 2) == 0);
        if (set.fault != PropertySetFault::None) {
            ASSERT_EQ(set.codePage, 0);
        }
    }
    EXPECT_GT(sound, 0);
}

TEST(ReaderMutation, ExeHeaders) {
    const std::vector<Bytes> samples = {
        exe_test::Pe({}), exe_test::Pe(exe_test::With([](exe_test::PeLayout& s) {
            s.machine = MachineX86, s.magic = PeMagic32, s.optionalSize = 0xE0, s.subsystem = 2;
        }))};
    auto g = FixedGenerator(101);
    for (int i = 0; i < 4000; ++i) {
        SCOPED_TRACE(i);
        const Bytes bytes = NextInput(g, samples, 1500);
        const ByteReader reader(bytes.data(), bytes.size());
        auto offset = NewHeaderOffset(reader);
        if (offset) {
            ASSERT_LT(*offset, bytes.size());
        }
        if (offset) {
            auto pe = ParsePeHeader(reader, *offset);
            if (pe) {
                ASSERT_TRUE(pe->magic == PeMagic32 || pe->magic == PeMagic64);
            }
        }
        auto header = ParseExeHeader(reader);
        if (header) {
            ASSERT_GE(bytes.size(), 1024u);
            ASSERT_TRUE(offset.has_value());
            ASSERT_LT(*offset + 0xF4, bytes.size());
        }
    }
}

TEST(ReaderMutation, VersionResourceCheck) {
    const std::vector<Bytes> samples = {resource_test::pe::Image(), resource_test::ne::Image()};
    auto g = FixedGenerator(102);
    int present = 0;
    for (int i = 0; i < 6000; ++i) {
        SCOPED_TRACE(i);
        const Bytes bytes = NextInput(g, samples, 2000);
        const VersionResourceCheck c = resource_test::Check(bytes);
        ASSERT_TRUE(c.verdict == VersionResourceVerdict::Absent ||
                    c.verdict == VersionResourceVerdict::Present ||
                    c.verdict == VersionResourceVerdict::Damaged);
        ASSERT_NE(c.reason, nullptr);
        if (c.verdict == VersionResourceVerdict::Present) {
            ++present;
            ASSERT_LE(c.resourceBytes, MaxVersionResourceBytes);
            ASSERT_LE(c.resourceBytes, bytes.size());
        }
    }
    // The mutations must leave some images whole, or the walk past the headers goes untried.
    EXPECT_GT(present, 0);
}

TEST(ReaderMutation, ShellLinks) {
    using namespace link_test;
    const std::vector<Bytes> samples = {
        Cat({Header(UnicodeFlag | IdListFlag | LinkInfoFlag | ArgumentsFlag), IdList({Item(20), Item(25)}),
             LinkInfo(Path), Text(u"-q"), Block(0xA0000006, 0x314), Terminal()}),
        Cat({Header(NameFlag | RelativePathFlag | WorkingDirFlag | IconFlag), AnsiText("Tool"),
             AnsiText(".\\tool.exe"), AnsiText("C:\\Work"), AnsiText("C:\\icons.dll"), Terminal()})};
    for (const Bytes& sample : samples)
        ASSERT_TRUE(Check(sample).ok) << Check(sample).reason;
    auto g = FixedGenerator(103);
    for (int i = 0; i < 6000; ++i) {
        SCOPED_TRACE(i);
        const Bytes bytes = NextInput(g, samples, 1200);
        const ShellLinkCheck c = Check(bytes);
        ASSERT_NE(c.reason, nullptr);
        if (c.ok) {
            ASSERT_STREQ(c.reason, "");
            ASSERT_GE(bytes.size(), 0x4Cu);
        } else {
            ASSERT_STRNE(c.reason, "");
        }
    }
}

TEST(ReaderMutation, FontNamingTables) {
    using namespace font_builder;
    const std::vector<Table> first = {
        {Tag("head"), Bytes(54, 1)},
        {Tag("name"),
         NameTable({Win(1, u"Family"), Win(2, u"Bold"), Win(4, u"Family Bold"), Mac(5, "Version 1.0")})}};
    const std::vector<Table> second = {{Tag("name"), NameTable({Win(16, u"Typo"), Win(17, u"Italic")}, 1)}};
    const std::vector<Bytes> samples = {FontWithNames({Win(0, u"Notice\r\n"), Win(4, u"Sample Sans"),
                                                       Win(5, u"Version 2.0"), Mac(9, "Designer")}),
                                        Collection({first, second})};
    auto g = FixedGenerator(104);
    for (int i = 0; i < 1500; ++i) {
        SCOPED_TRACE(i);
        const Bytes bytes = NextInput(g, samples, 6000);
        const void* data = bytes.data();
        const size_t size = bytes.size();
        const uint32_t count = FontCollectionCount(data, size);
        ASSERT_LE(count, FontMaxCollectionCount);
        for (uint32_t index = 0; index < (count == 0 ? 1 : count) && index < 4; ++index) {
            size_t offset = 0;
            if (!FontOffset(data, size, index, &offset)) continue;
            NameTableLocation location;
            const int usable = LocateUsableNameTable(data, size, offset, &location);
            ASSERT_TRUE(usable == 0 || usable == 1);
            if (!usable && !FindNameTable(data, size, offset, &location)) continue;
            if (usable) {
                ASSERT_LE(uint64_t{location.offset} + location.length, size);
            }
            const uint32_t ids[] = {0, 1, 2, 4, 5, 16, 17, FontCompositeName, 0xFFFF};
            const size_t capacity = 1 + Pick(g, 300);
            std::vector<char16_t> output(capacity, u'#');
            const int rc =
                ReadFontName(data, size, location.offset, location.length, ids[Pick(g, std::size(ids))],
                             output.data(), capacity, Pick(g, 2) ? 0 : 1 + Pick(g, 80));
            ASSERT_TRUE(rc == -1 || rc == 0 || rc == 1) << rc;
            ASSERT_LT(Terminated(output), capacity);
        }
        std::vector<char16_t> description(1024), version(1024), legal(1024);
        const int strings =
            FontHeaderStringsFromBytes(data, size, description.data(), version.data(), legal.data());
        ASSERT_GE(strings, 0);
        ASSERT_LE(strings, 3);
        ASSERT_LT(Terminated(description), 1024u);
        ASSERT_LT(Terminated(version), 1024u);
        ASSERT_LT(Terminated(legal), 1024u);
    }
}

TEST(ReaderMutation, DarwinBlocks) {
    Bytes sample(0x314, 0);
    testing_support::Put32(sample, 0, 0x314);
    testing_support::Put32(sample, 4, 0xA0000006);
    for (size_t k = 0; k < 40; ++k) {
        sample[8 + k] = static_cast<uint8_t>('A' + k % 26);
        sample[268 + 2 * k] = static_cast<uint8_t>('a' + k % 26);
    }
    auto g = FixedGenerator(105);
    for (int i = 0; i < 3000; ++i) {
        SCOPED_TRACE(i);
        const Bytes bytes = NextInput(g, {sample}, 900);
        const DarwinDescriptors d = ReadDarwinBlock(ByteReader(bytes.data(), bytes.size()));
        ASSERT_LE(d.ansi.size(), 260u);
        ASSERT_LE(d.wide.size(), 260u);
        // Each descriptor comes from inside the bytes given: the ANSI field from offset 8, the
        // wide one from offset 268.
        if (!d.ansi.empty()) {
            ASSERT_LE(8 + d.ansi.size(), bytes.size());
        }
        if (!d.wide.empty()) {
            ASSERT_LE(268 + 2 * d.wide.size(), bytes.size());
        }
    }
}
