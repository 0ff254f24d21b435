// Tests of recognising a folder the walk is already inside: identities from the system's fields,
// and whether an identity is on the walk's path.
#include "select/FolderLoop.h"

#include <gtest/gtest.h>

#include <vector>

using namespace scrutel;

namespace {

TEST(MakeFolderIdentity, JoinsTheIndexHalvesAndRefusesIndexZero) {
    FolderIdentity folder = MakeFolderIdentity(0xA1B2C3D4u, 0x00000001u, 0x80000002u);
    EXPECT_TRUE(folder.known);
    EXPECT_EQ(folder.volume, 0xA1B2C3D4u);
    EXPECT_EQ(folder.index, 0x0000000180000002ull);
    EXPECT_TRUE(MakeFolderIdentity(0, 0, 7).known) << "volume serial 0 is a serial like any other";
    EXPECT_FALSE(MakeFolderIdentity(0xA1B2C3D4u, 0, 0).known) << "no index: nothing to compare";
}

TEST(FolderOnPath, Cases) {
    const FolderIdentity root = MakeFolderIdentity(7, 0, 100);
    const FolderIdentity sub = MakeFolderIdentity(7, 0, 200);
    const FolderIdentity unknown{};
    struct Row {
        const char* label;
        std::vector<FolderIdentity> path;
        FolderIdentity folder;
        bool onPath;
    } rows[] = {
        {"empty path", {}, root, false},
        {"the folder itself (a link to .)", {root}, root, true},
        {"an ancestor (a link to ..)", {root, sub}, root, true},
        {"the innermost folder", {root, sub}, sub, true},
        {"a sibling tree is not a loop", {root, sub}, MakeFolderIdentity(7, 0, 300), false},
        {"the same index on another volume", {root, sub}, MakeFolderIdentity(8, 0, 100), false},
        {"the same low half, another high half", {root}, MakeFolderIdentity(7, 1, 100), false},
        {"an unknown folder is never a loop", {root, unknown}, unknown, false},
        {"unknown folders on the path match nothing", {unknown, sub}, root, false},
        {"a folder with index 0 is unknown",
         {MakeFolderIdentity(7, 0, 0)},
         MakeFolderIdentity(7, 0, 0),
         false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FolderOnPath(row.path, row.folder), row.onPath) << row.label;
}

} // namespace
