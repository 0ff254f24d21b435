// Test helper: a PE32+ image and a New Executable built byte by byte around one version
// resource, for the version-resource check and the readers behind it.
#pragma once
#include "VersionBlockBuilder.h"
#include "reports/ResourceCheck.h"

#include "support/ByteWriting.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace resource_test {

using namespace scrutel;
using testing_support::Put16;
using testing_support::Put32;

// A PE32+ image with one ".rsrc" section (file offset 0x200, address 0x1000) holding the tree
// RT_VERSION -> id 1 -> language 0x409 -> data entry -> a version block with file version 1.2.3.4.
namespace pe {
constexpr size_t NewHeader = 0x40;
constexpr size_t Optional = NewHeader + 24;
constexpr size_t ResourceDirectory = Optional + 112 + 16;
constexpr size_t Section = Optional + 0xF0;
constexpr size_t Root = 0x200;        // the resource section's raw data
constexpr size_t Names = Root + 0x18; // the RT_VERSION directory
constexpr size_t Langs = Root + 0x30; // the id-1 directory
constexpr size_t Data = Root + 0x48;  // the data entry
constexpr size_t Block = Root + 0x58; // the version block
constexpr uint32_t SectionRva = 0x1000;

inline std::vector<uint8_t> VersionBlock() {
    using namespace version_test;
    return Encode(version_test::Block(FixedRecord(1, 2, 3, 4),
                                      {{u"040904B0", {Text(u"FileDescription", u"Built image")}}},
                                      {{0x409, 1200}}));
}

inline std::vector<uint8_t> Image() {
    std::vector<uint8_t> block = VersionBlock();
    size_t used = 0x58 + block.size();
    size_t raw = (used + 0x1FF) / 0x200 * 0x200;
    std::vector<uint8_t> b(Root + raw, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, NewHeader);
    std::memcpy(b.data() + NewHeader, "PE\0\0", 4);
    Put16(b, NewHeader + 4, 0x8664);          // machine
    Put16(b, NewHeader + 6, 1);               // sections
    Put16(b, NewHeader + 20, 0xF0);           // optional-header size
    Put16(b, NewHeader + 22, 0x0022);         // executable, large-address aware
    Put16(b, Optional, 0x20B);                // PE32+
    Put32(b, Optional + 32, 0x1000);          // section alignment
    Put32(b, Optional + 36, 0x200);           // file alignment
    Put16(b, Optional + 40, 6);               // operating-system version
    Put16(b, Optional + 48, 6);               // subsystem version
    Put32(b, Optional + 56, 0x1000 + 0x1000); // image size
    Put32(b, Optional + 60, 0x200);           // header size
    Put16(b, Optional + 68, 3);               // console subsystem
    Put32(b, Optional + 108, 16);             // data directories
    Put32(b, ResourceDirectory, SectionRva);
    Put32(b, ResourceDirectory + 4, static_cast<uint32_t>(used));
    std::memcpy(b.data() + Section, ".rsrc", 5);
    Put32(b, Section + 8, static_cast<uint32_t>(used)); // virtual size
    Put32(b, Section + 12, SectionRva);
    Put32(b, Section + 16, static_cast<uint32_t>(raw));
    Put32(b, Section + 20, Root);
    Put32(b, Section + 36, 0x40000040); // initialised data, readable
    Put16(b, Root + 14, 1);             // root: one id entry
    Put32(b, Root + 16, 16);
    Put32(b, Root + 20, 0x80000018);
    Put16(b, Names + 14, 1);
    Put32(b, Names + 16, 1);
    Put32(b, Names + 20, 0x80000030);
    Put16(b, Langs + 14, 1);
    Put32(b, Langs + 16, 0x409);
    Put32(b, Langs + 20, 0x48);
    Put32(b, Data, SectionRva + 0x58);
    Put32(b, Data + 4, static_cast<uint32_t>(block.size()));
    std::memcpy(b.data() + Block, block.data(), block.size());
    return b;
}
} // namespace pe

// A New Executable with a resource table (alignment shift 4) naming one version resource at
// file offset 0x100, 0x60 bytes long.
namespace ne {
constexpr size_t Header = 0x40;
constexpr size_t Table = 0x80; // the resource table
constexpr size_t Name = Table + 2 + 8;
constexpr size_t End = Name + 12; // the terminating zero type
constexpr size_t TableBytes = End + 2 - Table;

inline std::vector<uint8_t> Image() {
    std::vector<uint8_t> b(0x160, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, Header);
    b[Header] = 'N';
    b[Header + 1] = 'E';
    Put16(b, Header + 0x1C, 0);                                                  // segments
    Put16(b, Header + 0x22, 0x40);                                               // segment table
    Put16(b, Header + 0x24, static_cast<uint16_t>(Table - Header));              // resource table
    Put16(b, Header + 0x26, static_cast<uint16_t>(Table - Header + TableBytes)); // resident names
    Put16(b, Table, 4);                                                          // alignment shift
    Put16(b, Table + 2, 0x8010);                                                 // RT_VERSION
    Put16(b, Table + 4, 1);                                                      // one resource of the type
    Put16(b, Name, 0x100 >> 4);                                                  // offset in units
    Put16(b, Name + 2, 0x60 >> 4);
    Put16(b, Name + 6, 0x8001); // id 1
    return b;
}
} // namespace ne

inline VersionResourceCheck Check(const std::vector<uint8_t>& bytes) {
    // An exact-size copy: a read past the end would be a heap overrun.
    std::vector<uint8_t> exact(bytes);
    return CheckVersionResource(ByteReader(exact.data(), exact.size()));
}

} // namespace resource_test
