// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include "TestDir.h"
#include "TestZip.h"
#include "engine/TCountAhead.h"
#include "engine/TSearchEngine.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TSearchData.h"
#include "model/TSearchStats.h"

namespace {

// Runs searches over a fixture tree and writes every notification as a line of text, with the
// fixture's folder shown as "<dir>", so one expectation checks the whole behaviour of a run.
class EngineRun {
public:
    explicit EngineRun(const TestDir& dir) : Dir(dir), Engine(Data, Results, Stats, Shell)
    {
        Data.SearchMode = TSearchData::ModeQuick;
        Data.SearchString = "hit";
        Data.FileSpecs = {"*.*"};
        Data.Folders = {dir.Path()};
        Data.RecurseSubdirs = true;
        TSearchNotifications notify;
        notify.NewResult = [this](TFileData& record) {
            Log += "result " + Relative(record.FullPath) + " " + std::to_string(record.Matches.size()) +
                   (record.InZip ? " in " + Relative(record.ZipName) : std::string()) + "\n";
        };
        notify.SkipNote = [this](const std::string& note) { Log += Relative(note) + "\n"; };
        notify.Error = [this](const std::string& caption, const std::string& title, const std::string& text) {
            Log += caption + " / " + title + " / " + Relative(text) + "\n";
        };
        notify.Progress = [this] { ++ProgressCalls; };
        Engine.SetNotifications(notify);
    }

    std::string Relative(std::string text) const
    {
        for (std::size_t at; (at = text.find(Dir.Path())) != std::string::npos;)
            text.replace(at, Dir.Path().size(), "<dir>");
        return text;
    }

    std::string Search()
    {
        Log.clear();
        Engine.Search();
        return Log;
    }

    std::string Counters() const
    {
        return "searched " + std::to_string(Stats.SearchedFiles) + " matched " + std::to_string(Stats.MatchedFiles) +
               " matches " + std::to_string(Stats.TotalMatches) + " skipped " + std::to_string(Stats.SkippedFiles) +
               (Stats.Completed ? " completed" : " stopped");
    }

    const TestDir& Dir;
    TSearchData Data;
    TFileList Results;
    TSearchStats Stats;
    TNullShellInfo Shell;
    TSearchEngine Engine;
    std::string Log;
    int ProgressCalls = 0;
};

TEST(TSearchEngine, WalksEachSpecificationInTurnWithSubFoldersInNameOrder)
{
    TestDir dir;
    dir.WriteFile("a.txt", "hit\n");
    dir.WriteFile("b.c", "hit hit\n");
    dir.WriteFile("Sub/c.txt", "no\nhit\n");
    dir.WriteFile("0first/d.txt", "hit\n");
    dir.WriteFile(".hidden/e.txt", "hit\n");
    dir.WriteFile("_vti_cnf/f.txt", "hit\n");
    dir.WriteFile("_other/g.txt", "hit\n");

    EngineRun run(dir);
    run.Data.FileSpecs = {"*.txt", "*.C"};
    EXPECT_EQ(run.Search(),
              "result <dir>/0first/d.txt 1\n"   // sub-folders listed before the first file come first
              "result <dir>/a.txt 1\n"
              "result <dir>/Sub/c.txt 1\n"
              "result <dir>/_other/g.txt 1\n"
              "result <dir>/_vti_cnf/f.txt 1\n"
              "result <dir>/b.c 2\n");
    EXPECT_EQ(run.Counters(), "searched 6 matched 6 matches 7 skipped 0 completed");
    EXPECT_EQ(run.Results.Count(), 6u);

    run.Data.SkipUnderscoreDirs = true;
    run.Data.RecurseSubdirs = true;
    run.Data.FileSpecs = {"*.txt"};
    EXPECT_EQ(run.Search(),
              "result <dir>/0first/d.txt 1\n"
              "result <dir>/a.txt 1\n"
              "result <dir>/Sub/c.txt 1\n"
              "result <dir>/_other/g.txt 1\n");

    run.Data.RecurseSubdirs = false;
    EXPECT_EQ(run.Search(), "result <dir>/a.txt 1\n");
}

TEST(TSearchEngine, AFileMatchingTwoSpecificationsIsListedTwice)
{
    TestDir dir;
    dir.WriteFile("a.txt", "hit\n");
    EngineRun run(dir);
    run.Data.FileSpecs = {"*.txt", "a.*"};
    EXPECT_EQ(run.Search(), "result <dir>/a.txt 1\nresult <dir>/a.txt 1\n");
}

TEST(TSearchEngine, SkippedFilesAreLoggedWithTheirReason)
{
    TestDir dir;
    dir.WriteFile("big.txt", std::string(5000, '\n') + "hit\n");
    dir.WriteFile("bin.dat", std::string("\0\1hit", 5));
    dir.WriteFile("small.txt", "hit\n");
    EngineRun run(dir);
    run.Data.ShowLog = true;
    run.Data.SizeFilterMode = 2;
    run.Data.LessThanSize = 1000;
    run.Data.SkipBinaryFiles = true;
    EXPECT_EQ(run.Search(),
              "Skipped: <dir>/big.txt, not within file size filter criteria\n"
              "Skipped: <dir>/bin.dat, File is binary\n"
              "result <dir>/small.txt 1\n");
    EXPECT_EQ(run.Counters(), "searched 1 matched 1 matches 1 skipped 2 completed");
}

TEST(TSearchEngine, RootFoldersThatCannotBeSearchedAreReportedAndTheRunGoesOn)
{
    TestDir dir;
    dir.WriteFile("ok/a.txt", "hit\n");
    dir.WriteFile("plain-file", "hit\n");
    EngineRun run(dir);
    run.Data.Folders = {dir.PathOf("missing"), dir.PathOf("plain-file"), dir.PathOf("ok")};
    EXPECT_EQ(run.Search(),
              "Search Error / An error has occured: / Unable to search in folder <dir>/missing\n"
              "Search Error / An error has occured: / Unable to search in folder <dir>/plain-file\n"
              "result <dir>/ok/a.txt 1\n");
    EXPECT_TRUE(run.Stats.Completed);
}

TEST(TSearchEngine, UnreadableSubFolderIsSkipped)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    TestDir dir;
    dir.WriteFile("locked/a.txt", "hit\n");
    dir.WriteFile("z.txt", "hit\n");
    ASSERT_EQ(chmod(dir.PathOf("locked").c_str(), 0), 0);
    EngineRun run(dir);
    EXPECT_EQ(run.Search(), "result <dir>/z.txt 1\n");
}

TEST(TSearchEngine, LinkLoopsAreNotFollowed)
{
    TestDir dir;
    dir.WriteFile("a/b/c.txt", "hit\n");
    ASSERT_EQ(symlink(dir.PathOf("a").c_str(), dir.PathOf("a/b/up").c_str()), 0);
    ASSERT_EQ(symlink(".", dir.PathOf("a/self").c_str()), 0);
    EngineRun run(dir);
    EXPECT_EQ(run.Search(), "result <dir>/a/b/c.txt 1\n");
}

TEST(TSearchEngine, EachFolderIsWalkedOnceHoweverManyLinksLeadToIt)
{
    // Every level links twice to the next, so a walk that follows each link visits the deepest
    // folder 2^16 times.
    constexpr int Levels = 16;
    TestDir dir;
    dir.MakeFolder("tree");
    for (int level = 1; level <= Levels; ++level) {
        const std::string from = level == 1 ? dir.PathOf("tree") : dir.PathOf("store/" + std::to_string(level - 1));
        const std::string to = dir.MakeFolder("store/" + std::to_string(level));
        for (const char* name : {"/a", "/b"})
            ASSERT_EQ(symlink(to.c_str(), (from + name).c_str()), 0);
    }
    dir.WriteFile("store/" + std::to_string(Levels) + "/deep.txt", "hit\n");
    EngineRun run(dir);
    run.Data.Folders = {dir.PathOf("tree")};
    run.Data.FileSpecs = {"*.txt", "deep.*"};  // each specification walks the tree anew
    std::string path = "<dir>/tree";
    for (int level = 1; level <= Levels; ++level)
        path += "/a";
    EXPECT_EQ(run.Search(), "result " + path + "/deep.txt 1\nresult " + path + "/deep.txt 1\n");
}

TEST(TSearchEngine, KernelFileSystemsAreWalkedOnlyWhenARootLiesInThem)
{
    struct stat proc {};
    if (stat("/proc/self/status", &proc) != 0 || stat("/proc/sys/kernel/random/uuid", &proc) != 0)
        GTEST_SKIP() << "no /proc here";
    TestDir dir;
    dir.WriteFile("status", "Name: mine\n");
    ASSERT_EQ(symlink("/proc", dir.PathOf("proc").c_str()), 0);
    EngineRun run(dir);
    run.Data.SearchString = "Name:";
    run.Data.FileSpecs = {"status"};
    // /proc holds a link to the whole tree for every process: should the walk go in, the
    // first file it finds there ends the run.
    TSearchNotifications notify;
    notify.NewResult = [&](TFileData& record) {
        run.Log += "result " + run.Relative(record.FullPath) + "\n";
        if (record.FullPath.find("/proc/") != std::string::npos)
            run.Engine.StopSearch();
    };
    run.Engine.SetNotifications(notify);
    EXPECT_EQ(run.Search(), "result <dir>/status\n");

    // A root inside /proc is walked with its sub-folders.
    run.Data.Folders = {"/proc/sys/kernel"};
    run.Data.FileSpecs = {"uuid"};
    run.Data.SearchString = "-";
    EXPECT_EQ(run.Search(), "result /proc/sys/kernel/random/uuid\n");
}

TEST(TSearchEngine, ReSearchKeepsTheListOrderAndDropsArchiveMembers)
{
    TestDir dir;
    dir.WriteFile("b.txt", "hit\n");
    dir.WriteFile("a.txt", "hit hit\n");
    dir.WriteFile("c.txt", "other\n");
    EngineRun run(dir);
    run.Data.FileSpecs = {"b.txt", "a.txt"};
    run.Search();
    ASSERT_EQ(run.Results.Count(), 2u);
    run.Results.Item(0).InZip = true; // stands for a member of an archive

    dir.WriteFile("a.txt", "hit hit hit\n");
    dir.WriteFile("b.txt", "hit\n");
    run.Data.SearchAgain = true;
    run.Data.SearchString = "HIT";
    EXPECT_EQ(run.Search(), "result <dir>/a.txt 3\n");
    EXPECT_EQ(run.Counters(), "searched 1 matched 1 matches 3 skipped 0 completed");
}

TEST(TSearchEngine, StopEndsTheRunAndKeepsWhatWasFound)
{
    TestDir dir;
    for (int i = 0; i < 20; ++i)
        dir.WriteFile("f" + std::to_string(100 + i) + ".txt", "hit\n");
    EngineRun run(dir);
    TSearchNotifications notify;
    notify.NewResult = [&](TFileData&) {
        if (run.Results.Count() == 3)
            run.Engine.StopSearch();
    };
    run.Engine.SetNotifications(notify);
    run.Engine.Search();
    EXPECT_EQ(run.Results.Count(), 3u);
    EXPECT_FALSE(run.Stats.Completed);
    EXPECT_TRUE(run.Engine.CountFiles());
    EXPECT_EQ(run.Stats.CountedFiles, 20);
}

TEST(TSearchEngine, CountingPassCountsFilesThatPassTheFilters)
{
    TestDir dir;
    dir.WriteFile("a.txt", "hit\n");
    dir.WriteFile("b.txt", "hit\n");
    dir.WriteFile("big.txt", std::string(3000, 'x'));
    EngineRun run(dir);
    run.Data.SizeFilterMode = 2;
    run.Data.LessThanSize = 1000;
    EXPECT_TRUE(run.Engine.CountFiles());
    EXPECT_EQ(run.Stats.CountedFiles, 2);
    EXPECT_EQ(run.Results.Count(), 0u);
}

TEST(TSearchEngine, APatternThatDoesNotCompileIsReportedAndNothingIsListed)
{
    TestDir dir;
    dir.WriteFile("a.txt", "Z\n");
    EngineRun run(dir);
    run.Data.SearchMode = TSearchData::ModeNormal;
    run.Data.Invert = true;
    for (const char* pattern : {"a(b", "[Z-a]"}) { // the second only fails once folded to [Z-A]
        run.Data.SearchString = pattern;
        EXPECT_TRUE(run.Engine.CountFiles());
        EXPECT_EQ(run.Stats.CountedFiles, 0);
        EXPECT_EQ(run.Search(), std::string("Search Error / An error has occured: / Invalid regular expression: ") +
                                    (pattern[0] == 'a' ? "Unmatched (" : "Invalid range specifier") + "\n");
        EXPECT_EQ(run.Results.Count(), 0u);
    }
}

TEST(TSearchEngine, RelativeRootsResolveAgainstTheBaseFolder)
{
    TestDir dir;
    dir.WriteFile("one/a.txt", "hit\n");
    dir.WriteFile("two/b.txt", "hit\n");
    EngineRun run(dir);
    run.Engine.SetBaseFolder(dir.Path());
    run.Data.Folders = {"one", "two/"};
    EXPECT_EQ(run.Search(), "result <dir>/one/a.txt 1\nresult <dir>/two/b.txt 1\n");
}

TEST(TSearchEngine, ArchiveMembersAreSearchedAfterTheSpecificationsAndListedWithTheirArchive)
{
    using TestZip::Member;
    TestDir dir;
    dir.WriteFile("a.txt", "hit\n");
    dir.WriteFile("pack.zip", TestZip::BuildZip({
        Member{.Name = "a.txt", .Content = "hit top\n", .Method = TestZip::Deflated},
        Member{.Name = "docs/a.txt", .Content = "hit hit in folder\n", .Method = TestZip::Imploded},
        Member{.Name = "old.txt", .Content = "hit\n", .Method = TestZip::Shrunk},
        Member{.Name = "inner.zip", .Content = TestZip::BuildZip({Member{.Name = "deep.txt", .Content = "hit\n"}})},
        Member{.Name = "notes.doc", .Content = "hit\n"},
    }));
    dir.WriteFile("Other.ZIP", TestZip::BuildZip({Member{.Name = "b.txt", .Content = "hit\n"}}));
    dir.WriteFile("broken.zip", "PK\x03\x04 not really an archive");

    EngineRun run(dir);
    run.Data.SearchZIPs = true;
    run.Data.ShowLog = true;
    run.Data.FileSpecs = {"*.txt", "*.zip"};
    const std::string log = run.Search();
    // Members are listed with the extraction folder as their folder: show only their names.
    std::string expected =
        "result <dir>/a.txt 1\n"
        "Skipped: <dir>/broken.zip, File is a ZIP and ZIPs contents are being searched\n"
        "Skipped: <dir>/Other.ZIP, File is a ZIP and ZIPs contents are being searched\n"
        "Skipped: <dir>/pack.zip, File is a ZIP and ZIPs contents are being searched\n";
    ASSERT_EQ(log.substr(0, expected.size()), expected);
    // The ZIP pass: the two docs/a.txt and a.txt members share one name, the later one wins.
    std::string members;
    for (std::size_t i = 1; i < run.Results.Count(); ++i) {
        const TFileData& r = run.Results.Item(i);
        EXPECT_TRUE(r.InZip);
        members += r.FileName + " " + std::to_string(r.Matches.size()) + " in " + run.Relative(r.ZipName) + "\n";
    }
    EXPECT_EQ(members,
              "b.txt 1 in <dir>/Other.ZIP\n"
              "a.txt 2 in <dir>/pack.zip\n"
              "old.txt 1 in <dir>/pack.zip\n");
    // Each member knows its whole stored name, so that it can be found again for viewing.
    EXPECT_EQ(run.Results.Item(1).MemberName, "b.txt");
    EXPECT_EQ(run.Results.Item(2).MemberName, "docs/a.txt");
    EXPECT_EQ(run.Results.Item(3).MemberName, "old.txt");
    EXPECT_NE(log.find("inner.zip, File is a ZIP and ZIPs contents are being searched\n"), std::string::npos);
    EXPECT_EQ(log.find("notes.doc"), std::string::npos);  // not selected by the specifications

    // The extraction folder is gone once the archive is done, so the member's path no longer exists.
    const std::string memberFolder = run.Results.Item(1).Folder;
    EXPECT_FALSE(std::filesystem::exists(memberFolder));
}

TEST(TSearchEngine, AFifoNamedLikeAnArchiveIsPassedOver)
{
    using TestZip::Member;
    TestDir dir;
    dir.WriteFile("a.txt", "hit\n");
    ASSERT_EQ(mkfifo(dir.PathOf("pipe.zip").c_str(), 0600), 0);
    dir.WriteFile("z.zip", TestZip::BuildZip({Member{.Name = "b.txt", .Content = "hit\n"}}));
    EngineRun run(dir);
    run.Data.SearchZIPs = true;

    // Should an open wait for a writer, the guard gives it one after a long while, so that the
    // test ends and fails instead of hanging.
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool released = false;
    std::thread guard([&] {
        std::unique_lock lock(mutex);
        if (done.wait_for(lock, std::chrono::seconds(30), [&] { return finished; }))
            return;
        const int writer = ::open(dir.PathOf("pipe.zip").c_str(), O_WRONLY | O_NONBLOCK);
        released = writer >= 0;
        if (writer >= 0)
            ::close(writer);
    });
    const std::string log = run.Search();
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    done.notify_one();
    guard.join();

    EXPECT_FALSE(released) << "the search waited on the FIFO";
    EXPECT_EQ(log, "result <dir>/a.txt 1\n"
                   "result " + run.Relative(run.Results.Item(1).FullPath) + " 1 in <dir>/z.zip\n");
    EXPECT_TRUE(run.Stats.Completed);
}

TEST(TSearchEngine, AMemberThatCannotBeUnpackedIsNotedAndTheOthersAreSearched)
{
    using TestZip::Member;
    TestDir dir;
    dir.WriteFile("pack.zip", TestZip::BuildZip({
        Member{.Name = "one.txt", .Content = "hit one\n", .Method = TestZip::Deflated},
        Member{.Name = "docs/two.txt", .Content = "hit two\n", .Method = 12, .Data = std::string("BZh91AY&SY")},
        Member{.Name = "three.txt", .Content = "hit three\n"},
    }));
    EngineRun run(dir);
    run.Data.SearchZIPs = true;
    run.Data.ShowLog = true;
    run.Data.FileSpecs = {"*.txt"};
    EXPECT_NE(run.Search().find("Skipped: <dir>/pack.zip/docs/two.txt, Member is compressed with method 12 (bzip2), "
                                "which cannot be unpacked\n"),
              std::string::npos);
    ASSERT_EQ(run.Results.Count(), 2u);
    EXPECT_EQ(run.Results.Item(0).MemberName, "one.txt");
    EXPECT_EQ(run.Results.Item(1).MemberName, "three.txt");
}

TEST(TSearchEngine, StopEndsTheRunWhileAMemberIsUnpacked)
{
    using TestZip::Member;
    TestDir dir;
    std::string text;
    while (text.size() < (4 << 20))
        text += "hit, a line of text that repeats " + std::to_string(text.size() % 991) + "\n";
    dir.WriteFile("zips/pack.zip", TestZip::BuildZip({Member{.Name = "large.txt", .Content = text, .Method = TestZip::Deflated},
                                                      Member{.Name = "after.txt", .Content = "hit\n"}}));
    // The engine extracts into a folder of its own below the temporary folder: this one, watched.
    const std::string temporary = dir.MakeFolder("tmp");
    const char* previous = std::getenv("TMPDIR");
    const std::string saved = previous ? previous : "";
    ::setenv("TMPDIR", temporary.c_str(), 1);
    bool stoppedWhileWriting = false;
    {
        EngineRun run(dir);
        run.Data.SearchZIPs = true;
        run.Data.Folders = {dir.PathOf("zips")};
        TSearchNotifications notify;
        notify.ProcessPendingMessage = [&] {
            for (const auto& item : std::filesystem::recursive_directory_iterator(temporary)) {
                if (item.is_regular_file() && !stoppedWhileWriting) {
                    stoppedWhileWriting = true;
                    run.Engine.StopSearch();
                }
            }
        };
        run.Engine.SetNotifications(notify);
        run.Engine.Search();
        EXPECT_TRUE(stoppedWhileWriting);
        EXPECT_FALSE(run.Stats.Completed);
        EXPECT_EQ(run.Results.Count(), 0u);
    }
    if (previous)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    // The partial member went with the stop.
    for (const auto& item : std::filesystem::recursive_directory_iterator(temporary))
        EXPECT_FALSE(item.is_regular_file()) << item.path();
}

TEST(TSearchEngine, CountingPassExtractsArchivesToo)
{
    using TestZip::Member;
    TestDir dir;
    dir.WriteFile("pack.zip", TestZip::BuildZip({Member{.Name = "a.txt", .Content = "hit\n"},
                                                 Member{.Name = "b.txt", .Content = "x\n"}}));
    EngineRun run(dir);
    run.Data.SearchZIPs = true;
    run.Data.FileSpecs = {"*.txt"};
    EXPECT_TRUE(run.Engine.CountFiles());
    EXPECT_EQ(run.Stats.CountedFiles, 2);
}

} // namespace

namespace {

// A tree with what a run reports in its many ways: nested folders, files with and without hits,
// files the filters skip, an unreadable root, and an archive whose members are searched.
void WriteMixedTree(TestDir& dir)
{
    using TestZip::Member;
    for (int folder = 0; folder < 12; ++folder) {
        const std::string base = "f" + std::to_string(folder) + (folder % 3 == 0 ? "/deep/er/" : "/");
        for (int file = 0; file < 25; ++file) {
            const std::string name = base + std::to_string(file) + (file % 4 == 0 ? ".c" : ".txt");
            std::string text;
            for (int line = 0; line < file * 3 + folder; ++line)
                text += (line * 7 + file) % 5 == 0 ? "a hit and a HIT\n" : "nothing here\n";
            if (file == 7)
                text = std::string(3000, 'x') + "hit\n"; // skipped by the size filter
            if (file == 9)
                text = std::string("\0\1hit\n", 6); // binary
            dir.WriteFile(name, text);
        }
    }
    dir.WriteFile("f4/pack.zip", TestZip::BuildZip({Member{.Name = "in/a.txt", .Content = "hit\nno\nhit hit\n"},
                                                    Member{.Name = "b.c", .Content = "x\n"},
                                                    Member{.Name = "c.txt", .Content = std::string(2000, 'y')}}));
}

// Every notification of a run, with the counters each progress report shows.
std::string RecordedRun(TSearchEngine& engine, const EngineRun& run, bool countFirst)
{
    std::string log;
    TSearchNotifications notify;
    notify.Progress = [&] {
        const TSearchStats& s = run.Stats;
        log += "progress " + std::to_string(s.SearchedFiles) + " " + std::to_string(s.MatchedFiles) + " " +
               std::to_string(s.TotalMatches) + " " + std::to_string(s.SkippedFiles) + " " +
               std::to_string(static_cast<int64_t>(s.BytesSearched)) + " " + run.Relative(s.CurrentFolder) + " " +
               s.CurrentFile + "\n";
    };
    notify.NewResult = [&](TFileData& record) {
        log += "result " + run.Relative(record.FullPath) + " " + std::to_string(record.Size) +
               (record.InZip ? " in " + run.Relative(record.ZipName) + " as " + record.MemberName : std::string());
        for (const TMatch& match : record.Matches)
            log += " " + std::to_string(match.LineNumber) + ":" + std::to_string(match.StartPos);
        log += "\n";
    };
    notify.SkipNote = [&](const std::string& note) { log += run.Relative(note) + "\n"; };
    notify.Error = [&](const std::string&, const std::string&, const std::string& text) {
        log += "error " + run.Relative(text) + "\n";
    };
    engine.SetNotifications(notify);
    if (countFirst) {
        EXPECT_TRUE(engine.CountFiles());
        log += "counted " + std::to_string(run.Stats.CountedFiles) + "\n";
    }
    engine.Search();
    log += "list";
    for (std::size_t i = 0; i < run.Results.Count(); ++i)
        log += " " + run.Relative(run.Results.Item(i).FullPath);
    log += "\n" + run.Counters() + "\n";
    return log;
}

} // namespace

TEST(TSearchEngine, ManyThreadsReportExactlyWhatOneThreadReports)
{
    TestDir dir;
    WriteMixedTree(dir);
    EngineRun run(dir);
    run.Data.Folders = {dir.Path(), dir.PathOf("missing"), dir.PathOf("f4")};
    run.Data.FileSpecs = {"*.txt", "*.c"};
    run.Data.ShowLog = true;
    run.Data.SizeFilterMode = 2;
    run.Data.LessThanSize = 1500;
    run.Data.SkipBinaryFiles = true;
    run.Data.SearchZIPs = true;

    run.Engine.SetThreads(1);
    const std::string single = RecordedRun(run.Engine, run, false);
    EXPECT_NE(single.find("result <dir>/f0/deep/er/1.txt"), std::string::npos) << single;
    EXPECT_NE(single.find("in <dir>/f4/pack.zip as in/a.txt"), std::string::npos) << single;
    EXPECT_NE(single.find("~quarnel.t/c.txt, File is binary"), std::string::npos) << single;
    EXPECT_NE(single.find("error Unable to search in folder <dir>/missing"), std::string::npos) << single;
    for (const unsigned threads : {4u, 2u}) {
        run.Engine.SetThreads(threads);
        EXPECT_EQ(RecordedRun(run.Engine, run, false), single) << threads << " threads";
    }

    // The search after a counting pass searches what the count walked, and reports the same,
    // each skip note and error once.
    for (const unsigned threads : {1u, 4u}) {
        run.Engine.SetThreads(threads);
        EXPECT_EQ(RecordedRun(run.Engine, run, true), "counted 302\n" + single) << threads << " threads";
    }
}

// Jobs waiting for their turn hold their folders open; with a low limit of open files the walk
// must let folders go instead of failing to open the next ones.
TEST(TSearchEngine, ALowLimitOfOpenFilesLosesNoFolder)
{
    TestDir dir;
    constexpr int Folders = 300;
    // The first file is long, so that the files after it wait for their turn with their
    // folders held.
    dir.WriteFile("d0999/a.txt", std::string(32 << 20, 'x') + "\na hit\n");
    for (int i = 0; i < Folders; ++i)
        dir.WriteFile("d" + std::to_string(1000 + i) + "/a.txt", "a hit\n");
    EngineRun run(dir);
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    struct rlimit low = saved;
    low.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    for (const unsigned threads : {1u, 4u}) {
        run.Engine.SetThreads(threads);
        run.Search();
        EXPECT_EQ(run.Counters(), "searched 301 matched 301 matches 301 skipped 0 completed") << threads << " threads";
    }
    setrlimit(RLIMIT_NOFILE, &saved);
}

TEST(TSearchEngine, ACountByNameReportsWhatACountThatOpensTheFilesReports)
{
    // Without a filter that needs a file's size, date or content the count lists names only;
    // a size filter that every file passes makes it open each file instead. Both must give the
    // same count, the same ZIP skips and the same search after them.
    TestDir dir;
    WriteMixedTree(dir);
    dir.WriteFile("f4/empty.txt", "");
    EngineRun run(dir);
    run.Data.Folders = {dir.Path(), dir.PathOf("missing")};
    run.Data.FileSpecs = {"*.*"};
    run.Data.ShowLog = true;
    run.Data.SearchZIPs = true;
    for (const unsigned threads : {1u, 4u}) {
        run.Engine.SetThreads(threads);
        run.Data.SizeFilterMode = 0;
        const std::string byName = RecordedRun(run.Engine, run, true);
        run.Data.SizeFilterMode = 1;
        run.Data.GreaterThanSize = -1;
        EXPECT_EQ(RecordedRun(run.Engine, run, true), byName) << threads << " threads";
        EXPECT_NE(byName.find("pack.zip, File is a ZIP"), std::string::npos) << byName;
        EXPECT_EQ(byName.find("counted 0\n"), std::string::npos) << byName;
    }
}

TEST(TSearchEngine, TheSearchAfterACountSearchesTheFilesCountedAsTheyAreThen)
{
    TestDir dir;
    dir.WriteFile("a.txt", "hit\n");
    dir.WriteFile("b.txt", "hit\n");
    dir.WriteFile("c.txt", "no\n");
    for (const unsigned threads : {1u, 4u}) {
        EngineRun run(dir);
        run.Engine.SetThreads(threads);
        ASSERT_TRUE(run.Engine.CountFiles());
        EXPECT_EQ(run.Stats.CountedFiles, 3);
        dir.WriteFile("a.txt", "hit\nhit hit\n");     // changed: searched as it is now
        std::filesystem::remove(dir.PathOf("b.txt")); // gone: not listed
        dir.WriteFile("new.txt", "hit\n");            // not counted: not searched
        EXPECT_EQ(run.Search(), "result <dir>/a.txt 3\n");
        EXPECT_EQ(run.Results.Item(0).Size, 12);
        EXPECT_EQ(run.Counters(), "searched 3 matched 1 matches 3 skipped 0 completed");

        // The kept walk served that one search: the next one walks again.
        EXPECT_EQ(run.Search(), "result <dir>/a.txt 3\nresult <dir>/new.txt 1\n");
        // A count of other folders or specifications is not taken for this search's walk.
        ASSERT_TRUE(run.Engine.CountFiles());
        run.Data.FileSpecs = {"n*.*"};
        EXPECT_EQ(run.Search(), "result <dir>/new.txt 1\n");
        dir.WriteFile("b.txt", "hit\n");
        std::filesystem::remove(dir.PathOf("new.txt"));
    }
}

TEST(TSearchEngine, ACountAheadServesTheCountThatFollowsWithTheSameCriteriaAndFolder)
{
    TestDir dir;
    dir.WriteFile("a.txt", "hit\n");
    dir.WriteFile("sub/b.txt", "hit\n");
    const auto finished = [](std::unique_ptr<TCountAhead> ahead) {
        while (!ahead->WaitFor(std::chrono::milliseconds(10))) {
        }
        return ahead;
    };
    for (const unsigned threads : {1u, 4u}) {
        EngineRun run(dir);
        run.Engine.SetThreads(threads);
        // Taken: the search searches what the count ahead walked, as after a count of its own,
        // so a file made since is neither counted nor searched.
        run.Engine.SetCountAhead(
            finished(std::make_unique<TCountAhead>(run.Data, "", threads, std::chrono::seconds(60))));
        dir.WriteFile("new.txt", "hit\n");
        ASSERT_TRUE(run.Engine.CountFiles());
        EXPECT_EQ(run.Stats.CountedFiles, 2);
        EXPECT_EQ(run.Search(), "result <dir>/a.txt 1\nresult <dir>/sub/b.txt 1\n");
        EXPECT_EQ(run.Counters(), "searched 2 matched 2 matches 2 skipped 0 completed");

        // Counted with other criteria, from another folder or too long ago: the count is made again.
        TSearchData otherSpecs = run.Data;
        otherSpecs.FileSpecs = {"b*.*"};
        const struct {
            const char* name;
            const TSearchData& data;
            std::string base;
            std::chrono::milliseconds keptFor;
        } others[] = {{"other criteria", otherSpecs, "", std::chrono::seconds(60)},
                      {"other folder", run.Data, "/", std::chrono::seconds(60)},
                      {"ended too long ago", run.Data, "", std::chrono::milliseconds(0)}};
        for (const auto& other : others) {
            run.Engine.SetCountAhead(
                finished(std::make_unique<TCountAhead>(other.data, other.base, threads, other.keptFor)));
            ASSERT_TRUE(run.Engine.CountFiles()) << other.name;
            EXPECT_EQ(run.Stats.CountedFiles, 3) << other.name;
            EXPECT_EQ(run.Search(), "result <dir>/a.txt 1\nresult <dir>/new.txt 1\nresult <dir>/sub/b.txt 1\n")
                << other.name;
        }
        std::filesystem::remove(dir.PathOf("new.txt"));
    }
    // A count ahead that nobody takes is stopped and waited for when its engine goes.
    EngineRun run(dir);
    run.Engine.SetCountAhead(std::make_unique<TCountAhead>(run.Data, "", 4));
}

TEST(TSearchEngine, AStopFromAnotherThreadDropsWhatTheWorkersHaveNotReported)
{
    TestDir dir;
    std::string text;
    for (int line = 0; line < 20000; ++line)
        text += line % 100 == 0 ? "a hit\n" : "nothing\n";
    for (int i = 0; i < 12; ++i)
        dir.WriteFile("f" + std::to_string(100 + i) + ".txt", text);
    EngineRun run(dir);
    run.Engine.SetThreads(4);
    // The first progress report waits until another thread has asked for the stop.
    std::mutex lock;
    std::condition_variable changed;
    bool reported = false, stopped = false;
    TSearchNotifications notify;
    notify.Progress = [&] {
        if (run.Stats.SearchedFiles != 1)
            return;
        std::unique_lock<std::mutex> guard(lock);
        reported = true;
        changed.notify_all();
        changed.wait(guard, [&] { return stopped; });
    };
    run.Engine.SetNotifications(notify);
    std::thread stopper([&] {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return reported; });
        run.Engine.StopSearch();
        stopped = true;
        changed.notify_all();
    });
    run.Engine.Search();
    stopper.join();
    EXPECT_FALSE(run.Stats.Completed);
    // The file being reported is listed; the ones the workers had scanned or were scanning are not.
    ASSERT_EQ(run.Results.Count(), 1u);
    EXPECT_EQ(run.Results.Item(0).FileName, "f100.txt");
    EXPECT_EQ(run.Stats.SearchedFiles, 1u);
}
