// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "TestCriteria.h"
#include "TestDir.h"
#include "engine/TSearchEngine.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TProgramData.h"
#include "model/TSearchStats.h"
#include "model/TSqliteDatabase.h"
#include "presentation/TResultsSink.h"
#include "replace/TReplaceData.h"
#include "replace/TReplaceEngine.h"
#include "replace/TReplaceJournal.h"

namespace fs = std::filesystem;

namespace {

using TWriteStep = TReplaceJournal::TWriteStep;
using TUndoState = TReplaceJournal::TUndoState;

// A report kept as lines: "file <path>" for a heading, the message lines as they are.
class LinesSink : public TResultsSink {
public:
    void WriteFileHeader(const TFileData& file) override { Lines.push_back("file " + file.FullPath); }
    void WriteMessageLine(std::string_view text) override { Lines.emplace_back(text); }
    std::string Text() const
    {
        std::string text;
        for (const std::string& line : Lines)
            text += line + "\n";
        return text;
    }
    std::vector<std::string> Lines;
};

mode_t ModeOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// A folder "files" to replace in and a journal in "journal", both in one test folder.
class JournalRun {
public:
    JournalRun() : Journal(Dir.PathOf("journal")), Engine(Options, Program, Report)
    {
        Dir.MakeFolder("files");
        EXPECT_TRUE(Journal.Open()) << Journal.Error();
        Engine.SetJournal(&Journal, "hit");
        Options.Overwrite = 1;
        Options.ReplaceString = "HIT!";
    }

    std::string Write(const std::string& name, const std::string& bytes) { return Dir.WriteFile("files/" + name, bytes); }
    std::string Read(const std::string& name) const { return Dir.ReadFile("files/" + name); }
    std::string PathOf(const std::string& name) const { return Dir.PathOf("files/" + name); }

    // Searches "files" for "hit" and replaces every hit.
    void Replace()
    {
        TSearchData criteria = TestCriteria(TSearchData::ModeQuick, "hit");
        criteria.MatchCase = true;
        criteria.FileSpecs = {"*.*"};
        criteria.Folders = {Dir.PathOf("files")};
        TFileList results;
        TSearchStats stats;
        TNullShellInfo shell;
        TSearchEngine search(criteria, results, stats, shell);
        search.Search();
        Report.Lines.clear();
        Engine.ReplaceFiles(results);
    }

    TReplaceJournal::TUndoOutcome Undo(int64_t run)
    {
        UndoReport.Lines.clear();
        return Journal.Undo(run, UndoReport);
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Dir.PathOf("files")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    int64_t LastRun() { return Journal.Runs().empty() ? 0 : Journal.Runs().front().Run; }

    TestDir Dir;
    TReplaceJournal Journal;
    TReplaceData Options;
    TProgramData Program;
    LinesSink Report;
    LinesSink UndoReport;
    TReplaceEngine Engine;
};

TEST(TReplaceJournalTest, RecordsARunAndUndoesItByteForByte)
{
    JournalRun run;
    const std::string first = "one hit\r\nno\nhit and hit";
    const std::string second = "\xe9 hit\n";
    run.Write("a.txt", first);
    run.Write("b.txt", second);
    ::chmod(run.PathOf("a.txt").c_str(), 0640);
    run.Write("c.txt", "nothing here\n");
    run.Replace();
    ASSERT_EQ(run.Read("a.txt"), "one HIT!\r\nno\nHIT! and HIT!");

    const auto runs = run.Journal.Runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].SearchText, "hit");
    EXPECT_EQ(runs[0].Replacement, "HIT!");
    EXPECT_TRUE(runs[0].Overwrite);
    EXPECT_TRUE(runs[0].Finished);
    EXPECT_FALSE(runs[0].IsUndo);
    EXPECT_EQ(runs[0].FilesChanged, 2);
    EXPECT_EQ(runs[0].ChangesMade, 4);
    EXPECT_TRUE(runs[0].CanUndo());
    EXPECT_FALSE(runs[0].StartTime.empty());

    const auto files = run.Journal.Files(runs[0].Run);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].Path, run.PathOf("a.txt"));
    EXPECT_TRUE(files[0].Done);
    ASSERT_EQ(files[0].Hits.size(), 3u);
    EXPECT_EQ(files[0].Hits[1].Line, 3);
    EXPECT_EQ(files[0].Hits[1].Column, 1);
    EXPECT_EQ(files[0].Hits[2].Column, 9);
    EXPECT_EQ(files[0].Hits[2].OldText, "hit");
    EXPECT_EQ(files[0].Hits[2].NewText, "HIT!");

    // The journal is private to its user.
    EXPECT_EQ(ModeOf(run.Dir.PathOf("journal")), 0700u);
    EXPECT_EQ(ModeOf(run.Dir.PathOf("journal/replace-journal.sqlite")), 0600u);

    // A journal opened afresh, as after a restart, takes the run back.
    TReplaceJournal reopened(run.Dir.PathOf("journal"));
    ASSERT_TRUE(reopened.Open());
    LinesSink report;
    const auto outcome = reopened.Undo(runs[0].Run, report);
    EXPECT_TRUE(outcome.Complete()) << report.Text();
    EXPECT_EQ(outcome.Restored, 2);
    EXPECT_EQ(run.Read("a.txt"), first);
    EXPECT_EQ(run.Read("b.txt"), second);
    EXPECT_EQ(ModeOf(run.PathOf("a.txt")), 0640u) << "permissions kept";
    EXPECT_NE(report.Text().find("file " + run.PathOf("a.txt") + "\n" + std::string(TReplaceJournal::RestoredText)),
              std::string::npos)
        << report.Text();

    // The undo is a run of its own; the run it took back cannot be taken back twice.
    const auto after = reopened.Runs();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_TRUE(after[0].IsUndo);
    EXPECT_EQ(after[0].UndoOf, runs[0].Run);
    EXPECT_EQ(after[1].State, TUndoState::AlreadyUndone);
    EXPECT_EQ(after[1].StateText(), "undone already");

    // And the undo can itself be undone: the replaced text comes back.
    EXPECT_TRUE(reopened.Undo(after[0].Run, report).Complete());
    EXPECT_EQ(run.Read("a.txt"), "one HIT!\r\nno\nHIT! and HIT!");
}

TEST(TReplaceJournalTest, LeavesAloneAFileChangedSinceAndNamesIt)
{
    JournalRun run;
    run.Write("a.txt", "hit\n");
    run.Write("b.txt", "hit\n");
    run.Write("gone.txt", "hit\n");
    run.Replace();
    run.Write("b.txt", "HIT! edited by hand\n");
    ::unlink(run.PathOf("gone.txt").c_str());

    const auto outcome = run.Undo(run.LastRun() );
    EXPECT_FALSE(outcome.Complete());
    EXPECT_EQ(outcome.Restored, 1);
    EXPECT_EQ(run.Read("a.txt"), "hit\n");
    EXPECT_EQ(run.Read("b.txt"), "HIT! edited by hand\n");
    EXPECT_EQ(outcome.LeftAlone, (std::vector<std::string>{
                                     run.PathOf("gone.txt") + ": " + std::string(TReplaceJournal::MissingText),
                                     run.PathOf("b.txt") + ": " + std::string(TReplaceJournal::ChangedSinceText)}));
    EXPECT_NE(run.UndoReport.Text().find("1 file restored, 2 left alone"), std::string::npos);
}

// A file with a second name keeps it, and its inode, through the replace and the undo.
TEST(TReplaceJournalTest, UndoKeepsTheOtherNamesOfAFile)
{
    JournalRun run;
    run.Write("a.txt", "hit\n");
    ASSERT_EQ(::link(run.PathOf("a.txt").c_str(), run.Dir.PathOf("other-name").c_str()), 0);
    struct stat before {};
    ::stat(run.PathOf("a.txt").c_str(), &before);
    run.Replace();
    ASSERT_EQ(run.Dir.ReadFile("other-name"), "HIT!\n");
    EXPECT_TRUE(run.Undo(run.LastRun()).Complete()) << run.UndoReport.Text();
    EXPECT_EQ(run.Dir.ReadFile("other-name"), "hit\n");
    struct stat after {};
    ::stat(run.PathOf("a.txt").c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(run.Names(), std::vector<std::string>{"a.txt"}) << "no copy left beside it";
}

TEST(TReplaceJournalTest, KeepsLargeOriginalsInTheStore)
{
    JournalRun run;
    std::string big;
    for (int i = 0; big.size() <= TReplaceJournal::InlineLimit; ++i)
        big += "line " + std::to_string(i) + (i % 1000 == 0 ? " hit\n" : "\n");
    run.Write("big.txt", big);
    run.Replace();
    const fs::path store = run.Dir.PathOf("journal/replace-journal.store");
    std::vector<fs::path> kept;
    for (const auto& entry : fs::directory_iterator(store))
        kept.push_back(entry.path());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(ModeOf(kept[0].string()), 0600u);
    EXPECT_EQ(ModeOf(store.string()), 0700u);
    EXPECT_GT(run.Journal.SpaceUsed(), static_cast<int64_t>(big.size()));
    EXPECT_TRUE(run.Undo(run.LastRun()).Complete());
    EXPECT_TRUE(run.Read("big.txt") == big) << "the large original restored";
}

TEST(TReplaceJournalTest, UndoOfACopyModeRunRemovesTheNewFiles)
{
    JournalRun run;
    run.Options.Overwrite = 0;
    run.Write("a.txt", "hit\n");
    run.Write("a.txt.new", "taken\n");
    run.Replace();
    ASSERT_EQ(run.Read("a.txt.1.new"), "HIT!\n");
    const auto files = run.Journal.Files(run.LastRun());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].Path, run.PathOf("a.txt.1.new")) << "the name the file was given";
    EXPECT_TRUE(run.Undo(run.LastRun()).Complete());
    EXPECT_FALSE(fs::exists(run.PathOf("a.txt.1.new")));
    EXPECT_EQ(run.Read("a.txt"), "hit\n");
    EXPECT_EQ(run.Read("a.txt.new"), "taken\n");
}

// A journal that cannot be written refuses before any file is touched.
TEST(TReplaceJournalTest, AJournalThatCannotBeWrittenRefusesTheReplace)
{
    for (const TWriteStep failing : {TWriteStep::Run, TWriteStep::Original}) {
        JournalRun run;
        run.Write("a.txt", "hit\n");
        run.Write("b.txt", "hit\n");
        run.Journal.SetWriteFault([failing](TWriteStep step) { return step == failing; });
        run.Replace();
        EXPECT_EQ(run.Read("a.txt"), "hit\n");
        EXPECT_EQ(run.Read("b.txt"), "hit\n");
        EXPECT_EQ(run.Engine.JournalRefused(), failing == TWriteStep::Run);
        const std::string report = run.Report.Text();
        EXPECT_NE(report.find(std::string(TReplaceEngine::JournalRefusal) +
                              "the replace journal could not be written: database or disk is full"),
                  std::string::npos)
            << report;
        EXPECT_EQ(report.find("changes made"), std::string::npos) << report;
        EXPECT_EQ(fs::directory_iterator(run.Dir.PathOf("files")) == fs::directory_iterator(), false);
        EXPECT_EQ(std::distance(fs::directory_iterator(run.Dir.PathOf("files")), fs::directory_iterator()), 2)
            << "no new file, no temporary file";
    }
}

// What a kill leaves: files written ahead and never marked done, some changed and some not.
TEST(TReplaceJournalTest, UndoAfterAKilledReplaceRestoresWhatWasChanged)
{
    JournalRun run;
    run.Write("a.txt", "hit a\n");
    run.Write("b.txt", "hit b\n");
    // The marks that say "done" are lost, as when the process dies after each change.
    run.Journal.SetWriteFault([](TWriteStep step) { return step == TWriteStep::Done; });
    run.Replace();
    ASSERT_EQ(run.Read("a.txt"), "HIT! a\n");
    // A file written ahead whose change never happened.
    TReplaceJournal::TRunInfo info;
    info.Overwrite = true;
    ASSERT_TRUE(run.Journal.BeginRun(info));
    run.Write("c.txt", "hit c\n");
    run.Dir.WriteFile("c.next", "HIT! c\n");
    struct stat status {};
    ::stat(run.PathOf("c.txt").c_str(), &status);
    ASSERT_GT(run.Journal.BeginFile(run.PathOf("c.txt"), status, run.Dir.PathOf("c.next"),
                                    TReplaceJournal::TEntryKind::Changed, {{1, 1, "hit", "HIT!"}}),
              0);
    run.Journal.SetWriteFault({});
    TReplaceJournal reopened(run.Dir.PathOf("journal")); // the killed process's journal, read afresh
    ASSERT_TRUE(reopened.Open());
    const auto runs = reopened.Runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_FALSE(runs[0].Finished);
    ASSERT_EQ(reopened.Files(runs[1].Run).size(), 2u);
    EXPECT_FALSE(reopened.Files(runs[1].Run)[0].Done);

    LinesSink report;
    auto outcome = reopened.Undo(runs[1].Run, report);
    EXPECT_TRUE(outcome.Complete()) << report.Text();
    EXPECT_EQ(run.Read("a.txt"), "hit a\n");
    EXPECT_EQ(run.Read("b.txt"), "hit b\n");
    outcome = reopened.Undo(runs[0].Run, report);
    EXPECT_TRUE(outcome.Complete()) << report.Text();
    EXPECT_EQ(run.Read("c.txt"), "hit c\n");
    EXPECT_NE(report.Text().find(TReplaceJournal::AlreadyRestoredText), std::string::npos);
}

// An undo killed after restoring some files: undoing the run again completes it.
TEST(TReplaceJournalTest, ASecondUndoCompletesAKilledOne)
{
    JournalRun run;
    run.Write("a.txt", "hit a\n");
    run.Write("b.txt", "hit b\n");
    run.Replace();
    // The first undo put a.txt back and died before the journal heard of it.
    run.Write("a.txt", "hit a\n");
    const auto outcome = run.Undo(run.LastRun());
    EXPECT_TRUE(outcome.Complete()) << run.UndoReport.Text();
    EXPECT_EQ(outcome.Restored, 2);
    EXPECT_EQ(run.Read("b.txt"), "hit b\n");
}

TEST(TReplaceJournalTest, SetsAsideADamagedOrNewerJournal)
{
    struct Case {
        const char* Name;
        std::string Bytes; // empty: a sound database of a later version
    };
    const Case cases[] = {
        {"damaged", std::string("SQLite format 3\0", 16) + std::string(5000, '\x5a')},
        {"not a database", "this is not a database at all\n"},
        {"newer", ""},
    };
    for (const Case& c : cases) {
        TestDir dir;
        const std::string folder = dir.MakeFolder("journal");
        const std::string path = folder + "/replace-journal.sqlite";
        if (c.Bytes.empty()) {
            TSqliteDatabase newer;
            ASSERT_TRUE(newer.Open(path, TSqliteDatabase::TOpenMode::CreateIfMissing));
            ASSERT_TRUE(newer.Exec("CREATE TABLE future (x)") && newer.SetUserVersion(99));
        } else {
            dir.WriteFile("journal/replace-journal.sqlite", c.Bytes);
        }
        const std::string before = dir.ReadFile("journal/replace-journal.sqlite");

        TReplaceJournal journal(folder);
        ASSERT_TRUE(journal.Open()) << c.Name << ": " << journal.Error();
        EXPECT_NE(journal.Problem().find("it was kept as " + path + ".set-aside-"), std::string::npos)
            << c.Name << ": " << journal.Problem();
        EXPECT_TRUE(journal.Runs().empty());
        // The old file is kept whole under its new name.
        std::string keptBytes;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name.find(".set-aside-") != std::string::npos && name.find(".store") == std::string::npos)
                keptBytes = dir.ReadFile("journal/" + name);
        }
        EXPECT_EQ(keptBytes, before) << c.Name;
        // The new journal works.
        TReplaceJournal::TRunInfo info;
        EXPECT_TRUE(journal.BeginRun(info)) << c.Name;
        journal.EndRun();
        EXPECT_EQ(journal.Runs().size(), 1u) << c.Name;
    }
}

TEST(TReplaceJournalTest, KeepsRunsWithinItsLimitsOldestFirst)
{
    JournalRun run;
    run.Journal.SetLimits(3, TReplaceJournal::DefaultMaxBytes);
    for (int i = 0; i < 5; ++i) {
        run.Write("a.txt", "hit " + std::to_string(i) + "\n");
        run.Replace();
    }
    auto runs = run.Journal.Runs();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].Run, 5);
    EXPECT_EQ(runs[2].Run, 3);

    // Past the space limit the oldest runs give up their originals and stay listed.
    std::string big;
    while (big.size() <= TReplaceJournal::InlineLimit)
        big += "a line of some length that is not a hit, to fill a large original\n";
    for (int i = 0; i < 3; ++i) {
        run.Write("a.txt", big + "hit " + std::to_string(i) + "\n");
        run.Replace();
    }
    run.Journal.SetLimits(3, run.Journal.SpaceUsed() - 1);
    run.Journal.Prune();
    runs = run.Journal.Runs();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_TRUE(runs[0].CanUndo()) << "the newest run keeps its original";
    EXPECT_TRUE(runs[1].CanUndo());
    EXPECT_EQ(runs[2].State, TUndoState::OriginalsPruned);
    EXPECT_EQ(runs[2].StateText(), "originals pruned");
    EXPECT_LE(run.Journal.SpaceUsed(), run.Journal.MaxBytes());
    EXPECT_TRUE(run.Undo(runs[0].Run).Complete());
    EXPECT_TRUE(run.Read("a.txt") == big + "hit 2\n") << "the large original restored";
    const auto pruned = run.Undo(runs[2].Run);
    EXPECT_FALSE(pruned.Complete());
}

} // namespace
