// Tests of the folder index that list files look names up in: found by folded name with the
// stored form, absent names and names of which one is the start of another, two entries that fold
// alike, and entries added after a seal.
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
    index.Seal();
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

TEST(FolderIndexTest, TwoEntriesThatFoldAlikeAreNeitherFound) {
    FolderIndex index;
    index.Add(L"NOTES", L"notes");
    index.Add(L"OTHER", L"other");
    index.Add(L"NOTES", L"Notes");
    index.Add(L"NOTES", L"NOTES");
    index.Seal();
    EXPECT_EQ(Found(index, L"NOTES"), L"<none>");
    EXPECT_EQ(Found(index, L"OTHER"), L"other");
}

TEST(FolderIndexTest, ClearedAndRefilledIndexHoldsOnlyTheNewEntries) {
    FolderIndex index;
    index.Add(L"OLD", L"old");
    index.Seal();
    index.Clear();
    EXPECT_TRUE(index.Empty());
    EXPECT_EQ(Found(index, L"OLD"), L"<none>");
    index.Add(L"NEW", L"New");
    index.Seal();
    EXPECT_EQ(Found(index, L"NEW"), L"New");
    EXPECT_EQ(Found(index, L"OLD"), L"<none>");
}
