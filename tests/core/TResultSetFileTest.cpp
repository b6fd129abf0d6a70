// SPDX-License-Identifier: MIT
#include "model/TResultSetFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/TSearchEngine.h"
#include "model/TSqliteDatabase.h"
#include "support/TestDir.h"
#include "support/TestZip.h"

namespace {

// A search over a small tree with an archive, saved to "set.qrs" in the tree's folder.
class SavedSearch {
public:
    explicit SavedSearch(TestDir& dir) : Dir(dir)
    {
        using TestZip::Member;
        dir.WriteFile("b.txt", "one hit\nno\nhit and hit\n", 1'600'000'000, 123'456'789);
        dir.WriteFile("a.bin", std::string("\0hit", 4));
        dir.WriteFile("marker-name.txt", "hit\n");
        dir.WriteFile("pack.zip", TestZip::BuildZip({Member{.Name = "docs/in.txt", .Content = "x hit\n"}}));
        Data.SearchMode = TSearchData::ModeQuick;
        Data.SearchString = "hit";
        Data.FileSpecs = {"b.txt", "*.bin", "marker-name.txt", "*in.txt", "*.zip"};
        Data.Folders = {dir.Path(), "/a folder with blanks"};
        Data.SearchZIPs = true;
        Data.MatchCase = true;
        Data.MinSize = 17;
        TSearchEngine engine(Data, Results, Stats, Shell);
        engine.Search();
        Path = dir.PathOf("set.qrs");
    }

    bool Save(std::string& error) const
    {
        return TResultSetFile::Save(Path, Data, Stats, "the summary", "the speed", Results, error);
    }

    TestDir& Dir;
    TSearchData Data;
    TFileList Results;
    TSearchStats Stats;
    TNullShellInfo Shell;
    std::string Path;
};

void ExpectSameRecord(const TFileData& saved, const TFileData& loaded)
{
    SCOPED_TRACE(saved.FullPath);
    EXPECT_EQ(loaded.Folder, saved.Folder);
    EXPECT_EQ(loaded.FileName, saved.FileName);
    EXPECT_EQ(loaded.Extension, saved.Extension);
    EXPECT_EQ(loaded.PathWithoutExt, saved.PathWithoutExt);
    EXPECT_EQ(loaded.TypeName, saved.TypeName);
    EXPECT_EQ(loaded.FullPath, saved.FullPath);
    EXPECT_EQ(loaded.Size, saved.Size);
    EXPECT_EQ(loaded.Date, saved.Date);
    EXPECT_EQ(loaded.FileType, saved.FileType);
    EXPECT_EQ(loaded.Matches, saved.Matches);
    EXPECT_EQ(loaded.EndsWithNewline, saved.EndsWithNewline);
    EXPECT_EQ(loaded.InZip, saved.InZip);
    EXPECT_EQ(loaded.ZipName, saved.ZipName);
    EXPECT_EQ(loaded.MemberName, saved.MemberName);
    EXPECT_EQ(loaded.MatchedLines, saved.MatchedLines);
    EXPECT_EQ(loaded.ModifiedNs, saved.ModifiedNs);
    EXPECT_EQ(loaded.Device, saved.Device);
    EXPECT_EQ(loaded.Inode, saved.Inode);
}

TEST(TResultSetFile, RoundTripKeepsCriteriaStatisticsAndEveryRecordInOrder)
{
    TestDir dir;
    SavedSearch search(dir);
    ASSERT_EQ(search.Results.Count(), 4u);
    // A record as a re-search or a replace may leave it: no matches, type name and lines set.
    search.Results.Item(0).TypeName = "Plain text document";
    search.Results.Item(0).MatchedLines = {"one hit", "hit and hit"};
    auto empty = std::make_unique<TFileData>(dir.Path(), "gone.txt", search.Shell, TFileData::TNamesOnly{});
    search.Results.Add(std::move(empty));
    // Saved order is list order, whatever the names say.
    search.Results.StableSort([](const TFileData& a, const TFileData& b) { return a.FileName > b.FileName; });

    std::string error;
    ASSERT_TRUE(search.Save(error)) << error;
    TResultSet set;
    ASSERT_TRUE(TResultSetFile::Load(search.Path, set, error)) << error;

    EXPECT_EQ(set.Summary, "the summary");
    EXPECT_EQ(set.Speed, "the speed");
    EXPECT_GT(set.Saved.Value(), 0.0);
    EXPECT_EQ(set.Stats.SearchedFiles, search.Stats.SearchedFiles);
    EXPECT_EQ(set.Stats.MatchedFiles, search.Stats.MatchedFiles);
    EXPECT_EQ(set.Stats.TotalMatches, search.Stats.TotalMatches);
    EXPECT_EQ(set.Stats.SkippedFiles, search.Stats.SkippedFiles);
    EXPECT_EQ(set.Stats.Completed, search.Stats.Completed);
    EXPECT_EQ(set.Stats.BytesSearched, search.Stats.BytesSearched);
    EXPECT_EQ(set.Stats.ElapsedTime, search.Stats.ElapsedTime);
    EXPECT_EQ(set.Criteria.SearchString, "hit");
    EXPECT_EQ(set.Criteria.FileSpecs, search.Data.FileSpecs);
    EXPECT_EQ(set.Criteria.Folders, search.Data.Folders);
    EXPECT_TRUE(set.Criteria.SearchZIPs);
    EXPECT_TRUE(set.Criteria.MatchCase);
    EXPECT_EQ(set.Criteria.SearchMode, TSearchData::ModeQuick);
    EXPECT_EQ(set.Criteria.MinSize, 17);

    ASSERT_EQ(set.Files.Count(), search.Results.Count());
    for (std::size_t i = 0; i < set.Files.Count(); ++i)
        ExpectSameRecord(search.Results.Item(i), set.Files.Item(i));
    // The archive member is kept as a member of its archive, with the name it is stored under.
    bool member = false;
    for (std::size_t i = 0; i < set.Files.Count(); ++i)
        if (set.Files.Item(i).InZip) {
            member = true;
            EXPECT_EQ(set.Files.Item(i).ZipName, dir.PathOf("pack.zip"));
            EXPECT_EQ(set.Files.Item(i).MemberName, "docs/in.txt");
        }
    EXPECT_TRUE(member);
}

TEST(TResultSetFile, AReopenedRecordSeesChangesMadeSinceTheSearch)
{
    TestDir dir;
    SavedSearch search(dir);
    std::string error;
    ASSERT_TRUE(search.Save(error)) << error;
    TResultSet set;
    ASSERT_TRUE(TResultSetFile::Load(search.Path, set, error)) << error;
    const TFileData* b = nullptr;
    for (std::size_t i = 0; i < set.Files.Count(); ++i)
        if (set.Files.Item(i).FileName == "b.txt")
            b = &set.Files.Item(i);
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(b->IsFileChanged());
    // Only the nanoseconds differ: still a change.
    dir.SetModified("b.txt", 1'600'000'000, 123'456'790);
    EXPECT_TRUE(b->IsFileChanged());
}

TEST(TResultSetFile, SavingReplacesTheFileWholeAndLeavesNoTemporaryFile)
{
    TestDir dir;
    SavedSearch search(dir);
    dir.WriteFile("set.qrs", "an older file");
    ::chmod(search.Path.c_str(), 0640);
    std::string error;
    ASSERT_TRUE(search.Save(error)) << error;
    struct stat info;
    ASSERT_EQ(::stat(search.Path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(EntryNames(dir.Path()), (std::vector<std::string>{"a.bin", "b.txt", "marker-name.txt", "pack.zip", "set.qrs"}));

    // A folder that does not exist: nothing is made, and the message names the file.
    const std::string missing = dir.PathOf("no/such/set.qrs");
    EXPECT_FALSE(TResultSetFile::Save(missing, search.Data, search.Stats, "", "", search.Results, error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
}

// A result set is refused, named in the message, and nothing is loaded.
TEST(TResultSetFile, BadFilesAreRefusedAndLoadNothing)
{
    TestDir dir;
    SavedSearch search(dir);
    std::string error;
    ASSERT_TRUE(search.Save(error)) << error;
    const std::string good = dir.ReadFile("set.qrs");
    ASSERT_GT(good.size(), 4096u);

    std::string flipped = good;
    const std::size_t marker = flipped.find("marker-name");
    ASSERT_NE(marker, std::string::npos);
    flipped[marker + 3] ^= 0x20;
    std::string badHeader = good;
    badHeader[16] = 0x7f; // the page size

    std::string newer;
    {
        const std::string path = dir.WriteFile("newer.qrs", good);
        TSqliteDatabase db;
        ASSERT_TRUE(db.Open(path, TSqliteDatabase::TOpenMode::ReadWrite));
        ASSERT_TRUE(db.SetUserVersion(TResultSetFile::Version + 1));
        db.Close();
        newer = dir.ReadFile("newer.qrs");
    }
    std::string otherDatabase;
    {
        const std::string path = dir.PathOf("other.db");
        TSqliteDatabase db;
        ASSERT_TRUE(db.Open(path, TSqliteDatabase::TOpenMode::CreateIfMissing));
        ASSERT_TRUE(db.Exec("CREATE TABLE files(position INTEGER PRIMARY KEY, name TEXT); INSERT INTO files VALUES (0, 'x')"));
        db.Close();
        otherDatabase = dir.ReadFile("other.db");
    }

    struct Case {
        const char* Name;
        std::string Content;
        const char* Says;
    };
    const Case cases[] = {
        {"empty", "", "not a Quarnel result set"},
        {"plain text", "Filename,T/B,File type,Folder,Matches,Size,Date\n", "not a Quarnel result set"},
        {"another database", otherDatabase, "not a Quarnel result set"},
        {"newer version", newer, "newer version"},
        {"header only", good.substr(0, 100), "damaged or incomplete"},
        {"first page only", good.substr(0, 4096), "damaged or incomplete"},
        {"half", good.substr(0, good.size() / 2), "damaged or incomplete"},
        {"last byte gone", good.substr(0, good.size() - 1), "damaged or incomplete"},
        {"flipped byte in a name", flipped, "damaged"},
        {"bad page size", badHeader, "damaged or incomplete"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = dir.WriteFile("bad.qrs", c.Content);
        TResultSet set;
        set.Summary = "untouched";
        set.Files.Add(std::make_unique<TFileData>(dir.Path(), "kept.txt", search.Shell, TFileData::TNamesOnly{}));
        error.clear();
        EXPECT_FALSE(TResultSetFile::Load(path, set, error));
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(c.Says), std::string::npos) << error;
        EXPECT_EQ(set.Summary, "untouched");
        ASSERT_EQ(set.Files.Count(), 1u);
        EXPECT_EQ(set.Files.Item(0).FileName, "kept.txt");
    }

    const std::string missing = dir.PathOf("missing.qrs");
    TResultSet set;
    EXPECT_FALSE(TResultSetFile::Load(missing, set, error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
}

TEST(TResultSetFile, TheExtensionIsRecognisedInAnyCase)
{
    EXPECT_TRUE(TResultSetFile::IsResultSetName("/a/b.qrs"));
    EXPECT_TRUE(TResultSetFile::IsResultSetName("B.QRS"));
    EXPECT_FALSE(TResultSetFile::IsResultSetName("b.par"));
    EXPECT_FALSE(TResultSetFile::IsResultSetName("qrs"));
}

} // namespace
