// Tests of the executable-type rules: the header reader over crafted and damaged headers, the
// classification for every type code, the names, and which files the system is asked about.
#include "ExeHeaderBuilder.h"
#include "reports/ExecutableRules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>
#include <vector>

using namespace scrutel;
using exe_test::Parse;
using exe_test::Pe;
using exe_test::PeLayout;
using exe_test::With;

namespace {

using testing_support::Put16;
using testing_support::Put32;

struct LeLayout {
    uint8_t byteOrder = 0, wordOrder = 0;
    uint32_t level = 0;
    uint16_t cpu = 3;
    uint16_t os = 4;
};

std::vector<uint8_t> Le(const LeLayout& s) {
    std::vector<uint8_t> b(2048, 0);
    Put16(b, 0, 0x5A4D);
    Put32(b, 0x3C, 0x400);
    b[0x400] = 'L';
    b[0x401] = 'E';
    b[0x402] = s.byteOrder;
    b[0x403] = s.wordOrder;
    Put32(b, 0x404, s.level);
    Put16(b, 0x408, s.cpu);
    Put16(b, 0x40A, s.os);
    return b;
}

std::span<const std::byte> AsBytes(const char* text) {
    return std::span<const std::byte>(reinterpret_cast<const std::byte*>(text), strlen(text));
}

} // namespace

TEST(ParseExeHeaderTest, PeHeaders) {
    struct Row {
        const char* label;
        PeLayout spec;
        bool passes;
        uint16_t machine, subsystem;
    } rows[] = {
        {"x64 console", PeLayout{}, true, MachineX64, 3},
        {"x86 windowed PE32", With([](PeLayout& s) {
             s.machine = MachineX86, s.magic = 0x10B, s.optionalSize = 0xE0, s.subsystem = 2;
         }),
         true, MachineX86, 2},
        {"ZM signature", With([](PeLayout& s) { s.signature = 0x4D5A; }), true, MachineX64, 3},
        {"other machine kept", With([](PeLayout& s) { s.machine = 0xAA64; }), true, 0xAA64, 3},
        {"EFI subsystem", With([](PeLayout& s) { s.subsystem = 10; }), true, MachineX64, 10},
        {"bad signature", With([](PeLayout& s) { s.signature = 0x4D4D; }), false, 0, 0},
        {"zero new-header offset", With([](PeLayout& s) { s.newHeader = 0; }), false, 0, 0},
        {"negative new-header offset", With([](PeLayout& s) { s.newHeader = -8; }), false, 0, 0},
        {"offset plus 0xF4 is the size", With([](PeLayout& s) { s.newHeader = 1024 - 0xF4; }), false, 0, 0},
        {"offset plus 0xF4 just below the size", With([](PeLayout& s) { s.newHeader = 1024 - 0xF4 - 1; }),
         true, MachineX64, 3},
        {"offset beyond what was read", With([](PeLayout& s) { s.newHeader = 0x10000; }), false, 0, 0},
        {"huge offset cannot wrap", With([](PeLayout& s) { s.newHeader = 0x7FFFFFFF; }), false, 0, 0},
        {"optional header below 20", With([](PeLayout& s) { s.optionalSize = 19; }), false, 0, 0},
        {"PE32 optional header too small", With([](PeLayout& s) { s.magic = 0x10B, s.optionalSize = 0xDF; }),
         false, 0, 0},
        {"PE32 optional header minimum", With([](PeLayout& s) { s.magic = 0x10B, s.optionalSize = 0xE0; }),
         true, MachineX64, 3},
        {"PE32+ optional header too small", With([](PeLayout& s) { s.optionalSize = 0xEF; }), false, 0, 0},
        {"unknown optional magic", With([](PeLayout& s) { s.magic = 0x107; }), false, 0, 0},
        {"shorter than 1024 bytes", With([](PeLayout& s) { s.size = 1023; }), false, 0, 0},
        {"zero-filled file", With([](PeLayout& s) { s.signature = 0, s.newHeader = 0; }), false, 0, 0},
    };
    for (const Row& row : rows) {
        auto got = Parse(Pe(row.spec));
        EXPECT_EQ(got.has_value(), row.passes) << row.label;
        if (got && row.passes) {
            EXPECT_EQ(got->machine, row.machine) << row.label;
            EXPECT_EQ(got->subsystem, row.subsystem) << row.label;
        }
    }
}

TEST(ParseExeHeaderTest, LeHeaders) {
    struct Row {
        const char* label;
        LeLayout spec;
        bool passes;
    } rows[] = {
        {"cpu 2", LeLayout{0, 0, 0, 2, 4}, true},
        {"cpu 3", LeLayout{0, 0, 0, 3, 4}, true},
        {"cpu 4", LeLayout{0, 0, 0, 4, 4}, true},
        {"cpu 1", LeLayout{0, 0, 0, 1, 4}, false},
        {"cpu 5", LeLayout{0, 0, 0, 5, 4}, false},
        {"other system", LeLayout{0, 0, 0, 3, 1}, false},
        {"format level 1", LeLayout{0, 0, 1, 3, 4}, false},
        {"big-endian bytes", LeLayout{1, 0, 0, 3, 4}, false},
        {"big-endian words", LeLayout{0, 1, 0, 3, 4}, false},
    };
    for (const Row& row : rows) {
        auto got = Parse(Le(row.spec));
        EXPECT_EQ(got.has_value(), row.passes) << row.label;
        if (got && row.passes) {
            EXPECT_EQ(got->machine, MachineX86) << row.label;
            EXPECT_EQ(got->subsystem, SubsystemLe) << row.label;
        }
    }
}

namespace {

struct Facts {
    bool known;
    uint32_t scs;
    bool denied;
    ExecutableFacts::Extension extension;
    std::optional<ExeHeader> header;
    uint32_t shell;
};

int Classify(const Facts& f, int* headerReads = nullptr, int* shellCalls = nullptr) {
    ExecutableFacts facts;
    facts.binaryTypeKnown = f.known;
    facts.binaryType = f.scs;
    facts.accessDenied = f.denied;
    facts.extension = f.extension;
    facts.header = [&f, headerReads]() {
        if (headerReads) ++*headerReads;
        return f.header;
    };
    facts.shellExeType = [&f, shellCalls]() {
        if (shellCalls) ++*shellCalls;
        return f.shell;
    };
    return ClassifyExecutable(facts);
}

constexpr auto Other = ExecutableFacts::OtherExtension;
constexpr auto Dll = ExecutableFacts::DllExtension;
constexpr auto Exe = ExecutableFacts::ExeExtension;
const std::optional<ExeHeader> NoHeader;
std::optional<ExeHeader> H(uint16_t machine, uint16_t subsystem) {
    return ExeHeader{machine, subsystem};
}

} // namespace

TEST(ClassifyExecutableTest, EveryTypeCode) {
    struct Row {
        const char* label;
        Facts facts;
        int code;
    } rows[] = {
        {"32-bit without header", {true, 0, false, Exe, NoHeader, 0}, 6},
        {"DOS without header", {true, 1, false, Exe, NoHeader, 0}, 1},
        {"PIF is final", {true, 3, false, Other, H(MachineX64, 3), 0}, 2},
        {"16-bit Windows is final", {true, 2, false, Exe, H(MachineX86, 2), 0}, 3},
        {"LE driver", {true, 1, false, Other, H(MachineX86, SubsystemLe), 0}, 4},
        {"OS/2 without header", {true, 5, false, Exe, NoHeader, 0}, 5},
        {"x86 windowed", {true, 0, false, Exe, H(MachineX86, 2), 0}, 6},
        {"x86 console", {true, 0, false, Exe, H(MachineX86, 3), 0}, 7},
        {"POSIX is final", {true, 4, false, Exe, H(MachineX86, 3), 0}, 8},
        {"x64 windowed", {true, 6, false, Exe, H(MachineX64, 2), 0}, 9},
        {"x64 console", {true, 6, false, Exe, H(MachineX64, 3), 0}, 10},
        {"EFI application", {true, 6, false, Exe, H(MachineX64, 10), 0}, 11},
        {"EFI boot service driver", {true, 6, false, Exe, H(MachineX64, 11), 0}, 12},
        {"EFI runtime driver", {true, 6, false, Exe, H(MachineX64, 12), 0}, 13},
        {"EFI ROM", {true, 6, false, Exe, H(MachineX64, 13), 0}, 14},
        {"XBox", {true, 0, false, Exe, H(MachineX86, 14), 0}, 15},
        {"boot application", {true, 6, false, Exe, H(MachineX64, 16), 0}, 16},
        {"32-bit DLL", {false, 0, false, Dll, H(MachineX86, 2), 0}, 17},
        {"64-bit DLL", {false, 0, false, Dll, H(MachineX64, 3), 0}, 18},
        {"unknown system answer", {true, 99, false, Exe, H(MachineX64, 3), 0}, 0},
        {"other machine stays 64-bit", {true, 6, false, Exe, H(0xAA64, 3), 0}, 9},
        {"other machine EFI", {true, 6, false, Exe, H(0xAA64, 10), 0}, 11},
        {"x86 machine with EFI subsystem", {true, 0, false, Exe, H(MachineX86, 10), 0}, 11},
        {"unlisted subsystem keeps mapped code", {true, 6, false, Exe, H(MachineX64, 9), 0}, 9},
        {"header unreadable keeps mapped code", {true, 6, false, Exe, NoHeader, 0}, 9},
        {"resource-only DLL", {false, 0, false, Dll, H(MachineX64, 0), 0}, 0},
        {"DLL of another machine", {false, 0, false, Dll, H(0xAA64, 2), 0}, 0},
        {"DLL that is not PE", {false, 0, false, Dll, NoHeader, 0}, 0},
        {"exe denied, shell says PE", {false, 0, true, Exe, H(MachineX64, 3), 0x4550}, 10},
        {"exe denied, shell says EP", {false, 0, true, Exe, H(MachineX86, 2), 0x05005045}, 6},
        {"exe denied, shell says x86 console", {false, 0, true, Exe, H(MachineX86, 3), 0x4550}, 7},
        {"exe denied, shell x64 windowed", {false, 0, true, Exe, H(MachineX64, 2), 0x4550}, 9},
        {"exe denied, shell says MZ", {false, 0, true, Exe, H(MachineX64, 3), 0x5A4D}, 0},
        {"exe denied, EFI subsystem not refined", {false, 0, true, Exe, H(MachineX64, 10), 0x4550}, 0},
        {"exe not denied", {false, 0, false, Exe, H(MachineX64, 3), 0x4550}, 0},
        {"other extension fails", {false, 0, true, Other, H(MachineX64, 3), 0x4550}, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Classify(row.facts), row.code) << row.label;
}

TEST(ClassifyExecutableTest, HeaderAndShellOnlyWhenNeeded) {
    int reads = 0, shells = 0;
    Classify({true, 4, false, Exe, H(MachineX64, 3), 0}, &reads, &shells);
    EXPECT_EQ(reads, 0);
    Classify({false, 0, false, Exe, H(MachineX64, 3), 0x4550}, &reads, &shells);
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(shells, 0);
    Classify({false, 0, true, Exe, H(MachineX64, 3), 0x4550}, &reads, &shells);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(shells, 1);
}

TEST(ExecutableTypeNamesTest, Names) {
    const char16_t* expected[ExecutableTypeCount] = {
        u"Unknown",
        u"MS-DOS",
        u".PIF file",
        u"Windows 16-bit",
        u"Windows 3.x VxD",
        u"OS/2",
        u"Windows 32-bit",
        u"Windows 32-bit (console)",
        u"Posix",
        u"Windows 64-bit",
        u"Windows 64-bit (console)",
        u"EFI application",
        u"EFI boot service driver",
        u"EFI runtime driver",
        u"EFI ROM",
        u"XBox",
        u"Windows boot application",
        u"32-bit .DLL file",
        u"64-bit .DLL file",
    };
    for (int code = 0; code < ExecutableTypeCount; ++code) {
        EXPECT_EQ(U16View(ExecutableTypeNames[code]), U16View(expected[code])) << code;
        EXPECT_LT(U16Length(ExecutableTypeNames[code]), 25u) << code;
    }
}

TEST(ExecutableTypeGate, OnlyImagesAndComOrPifFilesGoToTheSystem) {
    struct Case {
        const char* label;
        const char* bytes;
        const char16_t* path;
        bool asked;
    } cases[] = {
        {"MZ image", "MZ\x90", u"C:\\a\\prog.dat", true},
        {"ZM image", "ZM\x90", u"C:\\a\\prog", true},
        {"text named .exe", "hello", u"C:\\a\\prog.exe", false},
        {"one byte", "M", u"C:\\a\\prog.exe", false},
        {"empty", "", u"C:\\a\\prog.dll", false},
        {"text named .com", "hello", u"C:\\a\\prog.COM", true},
        {"text named .pif", "hello", u"C:\\a\\prog.pif", true},
        {"dot in the folder only", "hello", u"C:\\a.com\\prog", false},
        {"longer extension", "hello", u"C:\\a\\prog.comx", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SystemMayKnowBinaryType(AsBytes(c.bytes), c.path), c.asked) << c.label;
}
