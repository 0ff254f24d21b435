// Tests of the executable-type classifier: the header reader over crafted and damaged headers,
// the classification rules for every type code, the names, and the built fixture programs.
#include "ExeFixtures.h"
#include "reports/ExecutableType.h"
#include "reports/ReportSections.h"

#include "support/ByteWriting.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::TempTree;

namespace {

using testing_support::Put16;
using testing_support::Put32;

struct PeSpec {
    uint16_t signature = 0x5A4D;
    int32_t newHeader = 0x80;
    uint16_t machine = MachineX64;
    uint16_t optionalSize = 0xF0;
    uint16_t magic = 0x20B;
    uint16_t subsystem = 3;
    size_t size = 1024;
};

std::vector<uint8_t> Pe(const PeSpec& s) {
    std::vector<uint8_t> b(s.size, 0);
    Put16(b, 0, s.signature);
    Put32(b, 0x3C, static_cast<uint32_t>(s.newHeader));
    size_t h = static_cast<size_t>(s.newHeader);
    if (s.newHeader > 0 && h + 94 <= b.size()) {
        Put32(b, h, 0x00004550);
        Put16(b, h + 4, s.machine);
        Put16(b, h + 20, s.optionalSize);
        Put16(b, h + 24, s.magic);
        Put16(b, h + 92, s.subsystem);
    }
    return b;
}

struct LeSpec {
    uint8_t byteOrder = 0, wordOrder = 0;
    uint32_t level = 0;
    uint16_t cpu = 3;
    uint16_t os = 4;
};

std::vector<uint8_t> Le(const LeSpec& s) {
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

std::optional<ExeHeader> Parse(const std::vector<uint8_t>& b) {
    return ParseExeHeader(ByteReader(b.data(), b.size()));
}

PeSpec With(void (*change)(PeSpec&)) {
    PeSpec s;
    change(s);
    return s;
}

} // namespace

TEST(ParseExeHeaderTest, PeHeaders) {
    struct Row {
        const char* label;
        PeSpec spec;
        bool passes;
        uint16_t machine, subsystem;
    } rows[] = {
        {"x64 console", PeSpec{}, true, MachineX64, 3},
        {"x86 windowed PE32", With([](PeSpec& s) {
             s.machine = MachineX86, s.magic = 0x10B, s.optionalSize = 0xE0, s.subsystem = 2;
         }),
         true, MachineX86, 2},
        {"ZM signature", With([](PeSpec& s) { s.signature = 0x4D5A; }), true, MachineX64, 3},
        {"other machine kept", With([](PeSpec& s) { s.machine = 0xAA64; }), true, 0xAA64, 3},
        {"EFI subsystem", With([](PeSpec& s) { s.subsystem = 10; }), true, MachineX64, 10},
        {"bad signature", With([](PeSpec& s) { s.signature = 0x4D4D; }), false, 0, 0},
        {"zero new-header offset", With([](PeSpec& s) { s.newHeader = 0; }), false, 0, 0},
        {"negative new-header offset", With([](PeSpec& s) { s.newHeader = -8; }), false, 0, 0},
        {"offset plus 0xF4 is the size", With([](PeSpec& s) { s.newHeader = 1024 - 0xF4; }), false, 0, 0},
        {"offset plus 0xF4 just below the size", With([](PeSpec& s) { s.newHeader = 1024 - 0xF4 - 1; }), true,
         MachineX64, 3},
        {"offset beyond what was read", With([](PeSpec& s) { s.newHeader = 0x10000; }), false, 0, 0},
        {"huge offset cannot wrap", With([](PeSpec& s) { s.newHeader = 0x7FFFFFFF; }), false, 0, 0},
        {"optional header below 20", With([](PeSpec& s) { s.optionalSize = 19; }), false, 0, 0},
        {"PE32 optional header too small", With([](PeSpec& s) { s.magic = 0x10B, s.optionalSize = 0xDF; }),
         false, 0, 0},
        {"PE32 optional header minimum", With([](PeSpec& s) { s.magic = 0x10B, s.optionalSize = 0xE0; }),
         true, MachineX64, 3},
        {"PE32+ optional header too small", With([](PeSpec& s) { s.optionalSize = 0xEF; }), false, 0, 0},
        {"unknown optional magic", With([](PeSpec& s) { s.magic = 0x107; }), false, 0, 0},
        {"shorter than 1024 bytes", With([](PeSpec& s) { s.size = 1023; }), false, 0, 0},
        {"zero-filled file", With([](PeSpec& s) { s.signature = 0, s.newHeader = 0; }), false, 0, 0},
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
        LeSpec spec;
        bool passes;
    } rows[] = {
        {"cpu 2", LeSpec{0, 0, 0, 2, 4}, true},
        {"cpu 3", LeSpec{0, 0, 0, 3, 4}, true},
        {"cpu 4", LeSpec{0, 0, 0, 4, 4}, true},
        {"cpu 1", LeSpec{0, 0, 0, 1, 4}, false},
        {"cpu 5", LeSpec{0, 0, 0, 5, 4}, false},
        {"other system", LeSpec{0, 0, 0, 3, 1}, false},
        {"format level 1", LeSpec{0, 0, 1, 3, 4}, false},
        {"big-endian bytes", LeSpec{1, 0, 0, 3, 4}, false},
        {"big-endian words", LeSpec{0, 1, 0, 3, 4}, false},
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

TEST(ExecutableTypeNamesTest, NamesAndBounds) {
    const wchar_t* expected[ExecutableTypeCount] = {
        L"Unknown",
        L"MS-DOS",
        L".PIF file",
        L"Windows 16-bit",
        L"Windows 3.x VxD",
        L"OS/2",
        L"Windows 32-bit",
        L"Windows 32-bit (console)",
        L"Posix",
        L"Windows 64-bit",
        L"Windows 64-bit (console)",
        L"EFI application",
        L"EFI boot service driver",
        L"EFI runtime driver",
        L"EFI ROM",
        L"XBox",
        L"Windows boot application",
        L"32-bit .DLL file",
        L"64-bit .DLL file",
    };
    for (int code = 0; code < ExecutableTypeCount; ++code) {
        EXPECT_STREQ(ExecutableTypeNames[code], expected[code]) << code;
        EXPECT_STREQ(ExecutableTypeName(code), expected[code]) << code;
        EXPECT_LT(wcslen(ExecutableTypeNames[code]), 25u) << code;
    }
    EXPECT_STREQ(ExecutableTypeName(-1), L"Unknown");
    EXPECT_STREQ(ExecutableTypeName(19), L"Unknown");
}

TEST(ExecutableTypeCodeTest, BuiltPrograms) {
    struct Row {
        const wchar_t* fixture;
        int code;
    } rows[] = {
        {L"console64.exe", 10}, {L"windowed64.exe", 9}, {L"library64.dll", 18},
        {L"resonly64.dll", 0},  {L"console32.exe", 7},  {L"library32.dll", 17},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ExecutableTypeCode(exe_fixtures::Path(row.fixture).c_str()), row.code)
            << testing_support::ToUtf8(row.fixture);
}

TEST(ExecutableTypeCodeTest, EfiApplication) {
    // The system accepts an x64 image with the EFI subsystem as a 64-bit binary; the header
    // refines it.
    std::wstring path = exe_fixtures::Path(L"efi64.exe");
    DWORD type = 0;
    if (!GetBinaryTypeW(path.c_str(), &type))
        GTEST_SKIP() << "this system's GetBinaryTypeW does not accept an EFI image (error " << GetLastError()
                     << ")";
    EXPECT_EQ(ExecutableTypeCode(path.c_str()), 11);
}

TEST(ExecutableTypeCodeTest, OtherMachineProgram) {
    // A 64-bit console program whose machine word names ARM64.
    TempTree tree;
    std::vector<uint8_t> bytes = exe_fixtures::Bytes(L"console64.exe");
    ASSERT_GE(bytes.size(), 1024u);
    uint32_t pe = bytes[0x3C] | (bytes[0x3D] << 8);
    Put16(bytes, pe + 4, 0xAA64);
    std::wstring path = tree.file(L"arm.exe", bytes);
    auto header = Parse(bytes);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->machine, 0xAA64);
    DWORD type = 0;
    if (!GetBinaryTypeW(path.c_str(), &type))
        GTEST_SKIP() << "this system's GetBinaryTypeW does not classify ARM64 images; the rule is covered by "
                        "ClassifyExecutableTest";
    EXPECT_EQ(ExecutableTypeCode(path.c_str()), 9);
}

TEST(ExecutableTypeCodeTest, NotPrograms) {
    TempTree tree;
    std::vector<uint8_t> longText(4096, 'a');
    struct Row {
        const char* label;
        std::wstring path;
        int code;
    } rows[] = {
        {"text file", tree.file(L"notes.txt", std::string("just some text\r\n")), 0},
        {"text named .dll", tree.file(L"fake.dll", longText), 0},
        {"text named .exe", tree.file(L"fake.exe", longText), 0},
        {"missing file", tree.path(L"missing.exe"), 0},
        {"a directory", tree.dir(L"folder.exe"), 0},
        {"empty path", L"", -1},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ExecutableTypeCode(row.path.c_str()), row.code) << row.label;
    EXPECT_EQ(ExecutableTypeCode(nullptr), -1);
}

TEST(ReadExeHeaderTest, Files) {
    TempTree tree;
    uint16_t machine = 7, subsystem = 7;
    EXPECT_EQ(ReadExeHeader(exe_fixtures::Path(L"console32.exe").c_str(), &machine, &subsystem), 0);
    EXPECT_EQ(machine, MachineX86);
    EXPECT_EQ(subsystem, 3);
    EXPECT_EQ(ReadExeHeader(exe_fixtures::Path(L"resonly64.dll").c_str(), &machine, &subsystem), 0);
    EXPECT_EQ(machine, MachineX64);
    EXPECT_EQ(subsystem, 0);
    machine = subsystem = 7;
    EXPECT_EQ(ReadExeHeader(tree.path(L"missing").c_str(), &machine, &subsystem), 1);
    EXPECT_EQ(machine, 0);
    EXPECT_EQ(subsystem, 0);
    EXPECT_EQ(ReadExeHeader(L"\\\\.\\NUL", &machine, &subsystem), 1) << "a device is not read";
    // The new header lies beyond the first 8192 bytes: not refined.
    std::vector<uint8_t> distant = Pe(With([](PeSpec& s) { s.newHeader = 9000, s.size = 12000; }));
    EXPECT_EQ(ReadExeHeader(tree.file(L"far.exe", distant).c_str(), &machine, &subsystem), 1);
    std::vector<uint8_t> nearEnd = Pe(With([](PeSpec& s) { s.newHeader = 8192 - 0xF4 - 1, s.size = 8192; }));
    EXPECT_EQ(ReadExeHeader(tree.file(L"near.exe", nearEnd).c_str(), &machine, &subsystem), 0);
    std::vector<uint8_t> atEnd = Pe(With([](PeSpec& s) { s.newHeader = 8192 - 0xF4, s.size = 9000; }));
    EXPECT_EQ(ReadExeHeader(tree.file(L"end.exe", atEnd).c_str(), &machine, &subsystem), 1);
    EXPECT_EQ(ReadExeHeader(nullptr, &machine, &subsystem), -1);
    EXPECT_EQ(ReadExeHeader(L"x", nullptr, &subsystem), -1);
    EXPECT_EQ(ReadExeHeader(L"x", &machine, nullptr), -1);
}

TEST(ReadExeHeaderTest, DamagedCopiesOfRealProgramsNeverCrash) {
    TempTree tree;
    std::mt19937 generator(2024); // fixed generator state: the run is repeatable
    const wchar_t* sources[] = {L"console64.exe", L"windowed64.exe", L"library64.dll", L"console32.exe"};
    int index = 0;
    for (const wchar_t* source : sources) {
        std::vector<uint8_t> original = exe_fixtures::Bytes(source);
        ASSERT_GE(original.size(), 1024u);
        // Every truncation of the header region, through the pure reader.
        for (size_t cut = 0; cut <= 1100; ++cut) {
            std::vector<uint8_t> head(original.begin(), original.begin() + cut);
            auto got = Parse(head);
            if (cut < 1024) {
                EXPECT_FALSE(got) << cut;
            }
        }
        // Zero-filled copy of the same size.
        std::vector<uint8_t> zeros(original.size(), 0);
        EXPECT_FALSE(Parse(zeros));
        // Random mutations of the first 8192 bytes, pure and through files.
        for (int round = 0; round < 400; ++round) {
            std::vector<uint8_t> bytes(original.begin(),
                                       original.begin() + std::min<size_t>(original.size(), 8192));
            int flips = 1 + static_cast<int>(generator() % 16);
            for (int i = 0; i < flips; ++i) {
                // Bias towards the header fields so that deep branches are reached.
                size_t at = (generator() % 2) ? generator() % 512 : generator() % bytes.size();
                bytes[at] = static_cast<uint8_t>(generator());
            }
            auto got = Parse(bytes);
            if (got && got->subsystem != SubsystemLe) {
                uint32_t pe = bytes[0x3C] | (bytes[0x3D] << 8) | (bytes[0x3E] << 16) |
                              (static_cast<uint32_t>(bytes[0x3F]) << 24);
                EXPECT_LT(pe + 0xF4, bytes.size());
            }
            if (round % 40 == 0) {
                std::wstring name = L"mutant" + std::to_wstring(index++) + L".exe";
                std::wstring path = tree.file(name, bytes);
                int code = ExecutableTypeCode(path.c_str());
                EXPECT_TRUE(code >= 0 && code < ExecutableTypeCount) << code;
                std::wstring dll = tree.file(L"mutant" + std::to_wstring(index++) + L".dll", bytes);
                code = ExecutableTypeCode(dll.c_str());
                EXPECT_TRUE(code >= 0 && code < ExecutableTypeCount) << code;
            }
        }
    }
}
