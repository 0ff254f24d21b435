// Tests of the version-resource check against the system: the executable fixtures, and the
// version reader refusing damaged files before the system's reader sees them.
#include "ExeFixtures.h"
#include "ResourceImageBuilder.h"
#include "reports/ResourceCheck.h"
#include "reports/VersionInfo.h"
#include "support/TestSupport.h"

#include "support/ByteWriting.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::TempTree;
using Verdict = VersionResourceVerdict;
using resource_test::Check;
namespace pe = resource_test::pe;

namespace {

using testing_support::Put32;

} // namespace

TEST(CheckVersionResourceTest, Fixtures) {
    struct {
        const wchar_t* fixture;
        Verdict verdict;
    } rows[] = {
        {L"console64.exe", Verdict::Present},  {L"console32.exe", Verdict::Present},
        {L"windowed64.exe", Verdict::Present}, {L"library64.dll", Verdict::Present},
        {L"resonly64.dll", Verdict::Present},  {L"efi64.exe", Verdict::Absent},
        {L"library32.dll", Verdict::Absent},
    };
    for (const auto& row : rows) {
        std::vector<uint8_t> bytes = exe_fixtures::Bytes(row.fixture);
        ASSERT_FALSE(bytes.empty()) << "fixture missing";
        EXPECT_EQ(Check(bytes).verdict, row.verdict);
        // The mapped read of the file agrees with the check of its bytes.
        EXPECT_EQ(CheckVersionResourceFile(exe_fixtures::Path(row.fixture).c_str()).verdict, row.verdict);
    }
}

TEST(ReadVersionBlockTest, DamagedResourcesNeverReachTheSystemReader) {
    TempTree tree;
    // The built image is read by the system itself: the check and the system agree it is valid.
    std::vector<std::byte> block;
    std::wstring good = tree.file(L"good.exe", pe::Image());
    ASSERT_EQ(ReadVersionBlock(good.c_str(), block), 0);
    auto parts = FixedFileVersion(block);
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(*parts, (std::array<uint16_t, 4>{1, 2, 3, 4}));

    struct {
        const char* label;
        size_t at;
        uint32_t value;
    } rows[] = {
        // Before the check, the system's reader copied from this address and the process died.
        {"data address 0xFFFFFFF0", pe::Data, 0xFFFFFFF0},
        // Before the check, the system's reader allocated and cleared about 2 GB.
        {"virtual size 0x7FFFFFFF", pe::Section + 8, 0x7FFFFFFF},
        {"raw size 0x7FFFFFFF", pe::Section + 16, 0x7FFFFFFF},
    };
    for (const auto& row : rows) {
        std::vector<uint8_t> bytes = pe::Image();
        Put32(bytes, row.at, row.value);
        std::wstring path = tree.file(L"damaged.exe", bytes);
        EXPECT_EQ(ReadVersionBlock(path.c_str(), block), 1) << row.label;
        EXPECT_TRUE(block.empty()) << row.label;
    }
    // Files without a version resource are answered without asking the system.
    EXPECT_EQ(ReadVersionBlock(tree.file(L"text.txt", std::string("MZ but not a program")).c_str(), block),
              126);
    EXPECT_EQ(ReadVersionBlock(tree.file(L"empty.exe").c_str(), block), 126);
}
