// Tests of the executable-type classifier against the system: the printed names, the built
// fixture programs, headers read from files, and damaged copies of real programs.
#include "ExeFixtures.h"
#include "ExeHeaderBuilder.h"
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

using exe_test::Parse;
using exe_test::Pe;
using exe_test::PeLayout;
using exe_test::With;
using testing_support::Put16;

} // namespace

TEST(ExecutableTypeNamesTest, PrintedNamesAndBounds) {
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
        EXPECT_STREQ(ExecutableTypeName(code), expected[code]) << code;
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
    std::vector<uint8_t> distant = Pe(With([](PeLayout& s) { s.newHeader = 9000, s.size = 12000; }));
    EXPECT_EQ(ReadExeHeader(tree.file(L"far.exe", distant).c_str(), &machine, &subsystem), 1);
    std::vector<uint8_t> nearEnd =
        Pe(With([](PeLayout& s) { s.newHeader = 8192 - 0xF4 - 1, s.size = 8192; }));
    EXPECT_EQ(ReadExeHeader(tree.file(L"near.exe", nearEnd).c_str(), &machine, &subsystem), 0);
    std::vector<uint8_t> atEnd = Pe(With([](PeLayout& s) { s.newHeader = 8192 - 0xF4, s.size = 9000; }));
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
