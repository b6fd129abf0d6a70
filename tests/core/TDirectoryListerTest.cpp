// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "TestDir.h"
#include "engine/TDirectoryLister.h"

namespace {

std::string Names(const std::vector<TDirEntry>& entries)
{
    std::string text;
    for (const TDirEntry& e : entries)
        text += e.Name + (e.IsFolder ? "/" : "") + (e.IsLink ? "@" : "") + " ";
    return text;
}

TEST(TDirectoryLister, ListsInCaseInsensitiveNameOrderWithKinds)
{
    TestDir dir;
    dir.WriteFile("b.txt", "x");
    dir.WriteFile("A.txt", "x");
    dir.WriteFile("a.TXT", "x");
    dir.MakeFolder("C");
    dir.WriteFile(".hidden", "x");
    ASSERT_EQ(symlink(dir.PathOf("C").c_str(), dir.PathOf("linkToC").c_str()), 0);
    ASSERT_EQ(symlink(dir.PathOf("missing").c_str(), dir.PathOf("dangling").c_str()), 0);

    std::vector<TDirEntry> entries;
    ASSERT_TRUE(TDirectoryLister::List(dir.Path(), entries));
    EXPECT_EQ(Names(entries), ".hidden A.txt a.TXT b.txt C/ dangling@ linkToC/@ ");
    // The link and the folder it points to are the same folder for loop detection.
    EXPECT_EQ(entries[4].Inode, entries[6].Inode);
    EXPECT_EQ(entries[4].Device, entries[6].Device);
}

TEST(TDirectoryLister, FolderThatCannotBeOpened)
{
    TestDir dir;
    std::vector<TDirEntry> entries;
    EXPECT_FALSE(TDirectoryLister::List(dir.PathOf("no such folder"), entries));
    EXPECT_FALSE(TDirectoryLister::List(dir.WriteFile("file", "x"), entries));
    EXPECT_TRUE(entries.empty());
}

} // namespace
