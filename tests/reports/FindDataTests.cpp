// ReadFindData: the directory entry of a path, and the paths it refuses.
#include "reports/FindData.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace scrutel;
using testing_support::TempTree;

namespace {

TEST(ReadFindData, FindsTheEntryOfAFile) {
    TempTree tree;
    std::wstring path = tree.file(L"Entry.txt", "12345");
    WIN32_FIND_DATAW record;
    ASSERT_EQ(ReadFindData(path.c_str(), &record), 1);
    EXPECT_STREQ(record.cFileName, L"Entry.txt");
    EXPECT_EQ(record.nFileSizeLow, 5u);
    EXPECT_EQ(record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(ReadFindData, NameComparesWithoutLetterCase) {
    TempTree tree;
    tree.file(L"Entry.txt", "x");
    WIN32_FIND_DATAW record;
    EXPECT_EQ(ReadFindData(tree.path(L"ENTRY.TXT").c_str(), &record), 1);
    EXPECT_STREQ(record.cFileName, L"Entry.txt");
}

TEST(ReadFindData, ForwardSlashesSeparateTheName) {
    TempTree tree;
    tree.file(L"sub\\f.txt", "x");
    std::wstring path = tree.root() + L"/sub/f.txt";
    WIN32_FIND_DATAW record;
    EXPECT_EQ(ReadFindData(path.c_str(), &record), 1);
    EXPECT_STREQ(record.cFileName, L"f.txt");
}

struct RefusedCase {
    const char* label;
    std::wstring relative;
    bool withRecord;
    int result;
};

TEST(ReadFindData, RefusedAndMissing) {
    TempTree tree;
    tree.file(L"a.txt", "x");
    const RefusedCase cases[] = {
        {"star in the name", L"*.txt", true, -1},    {"question mark in the name", L"a.tx?", true, -1},
        {"no record", L"a.txt", false, -1},          {"missing file", L"b.txt", true, 0},
        {"trailing separator", L"a.txt\\", true, 0},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.label);
        WIN32_FIND_DATAW record;
        std::wstring path = tree.path(c.relative);
        EXPECT_EQ(ReadFindData(path.c_str(), c.withRecord ? &record : nullptr), c.result);
    }
    WIN32_FIND_DATAW record;
    EXPECT_EQ(ReadFindData(L"", &record), -1);
    EXPECT_EQ(ReadFindData(nullptr, &record), -1);
}

} // namespace
