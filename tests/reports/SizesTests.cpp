// Size section: exact lines for files of chosen sizes, including a sparse file above 4 GiB.
#include "reports/FileProbe.h"
#include "reports/FindData.h"
#include "reports/ReportSections.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

// Creates a file of the given size without writing its bytes (sparse where the file system
// allows). Returns an empty path on failure.
std::wstring FileOfSize(TempTree& tree, const std::wstring& name, uint64_t size) {
    std::wstring path = tree.path(name);
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return L"";
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    bool ok = SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    return ok ? path : L"";
}

struct SizeCase {
    const char* label;
    uint64_t size;
    const wchar_t* line;
};

const SizeCase SizeCases[] = {
    {"empty", 0, L"    0 bytes     "},
    {"one byte", 1, L"    1 byte     "},
    {"two bytes", 2, L"    2 bytes     "},
    {"thousand", 1000, L"    1,000 bytes     "},
    {"below a kilobyte", 1023, L"    1,023 bytes     "},
    {"one kilobyte", 1024, L"    1,024 bytes     1.00 kilobytes"},
    {"kilobyte and a half", 1536, L"    1,536 bytes     1.50 kilobytes"},
    {"rounds to 1024 but stays kilobytes", 1048575, L"    1,048,575 bytes     1,024.00 kilobytes"},
    {"one megabyte", 1048576, L"    1,048,576 bytes     1.00 megabytes"},
    {"below a gigabyte", 1073741823, L"    1,073,741,823 bytes     1,024.00 megabytes"},
    {"one gigabyte", 1073741824, L"    1,073,741,824 bytes     1.00 gigabytes"},
    {"above 4 GiB", 5368709121ull, L"    5,368,709,121 bytes     5.00 gigabytes"},
};

TEST(SizeSection, LinesForChosenSizes) {
    TempTree tree;
    for (const SizeCase& c : SizeCases) {
        SCOPED_TRACE(c.label);
        std::wstring path = FileOfSize(tree, L"size.bin", c.size);
        if (path.empty()) GTEST_SKIP() << "this file system cannot hold a file of " << c.size << " bytes";
        Capture capture;
        FileProbe probe(path.c_str());
        EXPECT_EQ(SizeSection(probe), 0);
        EXPECT_EQ(capture.out(), std::wstring(c.line) + L"\r\n\r\n");
    }
}

TEST(SizeSection, MissingArgumentsAndFiles) {
    TempTree tree;
    Capture capture;
    FileProbe none(nullptr), empty(L"");
    EXPECT_EQ(SizeSection(none), -1);
    EXPECT_EQ(SizeSection(empty), -1);
    // A file that vanished has no size to show.
    std::wstring gone = tree.path(L"gone.txt");
    FileProbe vanished(gone.c_str());
    EXPECT_EQ(SizeSection(vanished), 1);
    EXPECT_EQ(capture.out(), L"");
}

} // namespace
