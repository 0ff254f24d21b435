// Tests of the folder index that list files look names up in: found by folded name with the
// stored form, absent names and names of which one is the start of another, two entries that fold
// alike, a folder of many entries, and a cleared index.
#include "select/FolderIndex.h"

#include <gtest/gtest.h>

#include <string>

using namespace scrutel;

namespace {

std::wstring Found(const FolderIndex& index, const wchar_t* folded) {
    const wchar_t* stored = index.Find(folded);
    return stored ? stored : L"<none>";
}

} // namespace

TEST(FolderIndexTest, FindsEveryEntryByItsFoldedNameAndNothingElse) {
    FolderIndex index;
    // Added out of order, as a folder lists them.
    index.Add(L"F2.TXT", L"f2.txt");
    index.Add(L"F10.TXT", L"F10.Txt");
    index.Add(L"F1", L"f1");
    index.Add(L"F1.TXT", L"F1.txt");
    index.Add(L"README", L"ReadMe");
    EXPECT_EQ(index.Size(), 5u);
    struct Case {
        const wchar_t* folded;
        const wchar_t* expected;
    } cases[] = {
        {L"F1.TXT", L"F1.txt"}, {L"F1", L"f1"},        {L"F10.TXT", L"F10.Txt"}, {L"F2.TXT", L"f2.txt"},
        {L"README", L"ReadMe"}, {L"F1.TX", L"<none>"}, {L"F1.TXT2", L"<none>"},  {L"f1.txt", L"<none>"},
        {L"", L"<none>"},       {L"A", L"<none>"},     {L"ZZZ", L"<none>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Found(index, c.folded), c.expected) << testing::PrintToString(std::wstring(c.folded));
}

TEST(FolderIndexTest, EveryEntryOfALargeFolderIsFoundAsItGrows) {
    FolderIndex index;
    auto name = [](int i) { return L"F" + std::to_wstring(i) + L".DAT"; };
    for (int i = 0; i < 5000; ++i) {
        std::wstring folded = name(i);
        index.Add(folded, L"f" + folded.substr(1));
        // Entries added earlier are still found after the table grew.
        if (i % 997 != 0) continue;
        for (int j = 0; j <= i; j += 61) {
            ASSERT_EQ(Found(index, name(j).c_str()), L"f" + name(j).substr(1)) << i << " " << j;
        }
    }
    EXPECT_EQ(index.Size(), 5000u);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(Found(index, name(i).c_str()), L"f" + name(i).substr(1)) << i;
    EXPECT_EQ(Found(index, name(5000).c_str()), L"<none>");
}

TEST(FolderIndexTest, TwoEntriesThatFoldAlikeAreNeitherFound) {
    FolderIndex index;
    EXPECT_STREQ(index.Add(L"NOTES", L"notes"), L"notes");
    EXPECT_STREQ(index.Add(L"OTHER", L"other"), L"other");
    EXPECT_EQ(index.Add(L"NOTES", L"Notes"), nullptr);
    EXPECT_EQ(index.Add(L"NOTES", L"NOTES"), nullptr);
    EXPECT_EQ(Found(index, L"NOTES"), L"<none>");
    EXPECT_EQ(Found(index, L"OTHER"), L"other");
}

TEST(FolderIndexTest, ClearedAndRefilledIndexHoldsOnlyTheNewEntries) {
    FolderIndex index;
    index.Add(L"OLD", L"old");
    index.Clear();
    EXPECT_TRUE(index.Empty());
    EXPECT_EQ(Found(index, L"OLD"), L"<none>");
    index.Add(L"NEW", L"New");
    EXPECT_EQ(Found(index, L"NEW"), L"New");
    EXPECT_EQ(Found(index, L"OLD"), L"<none>");
}
