// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "ConsoleRun.h"
#include "TestDir.h"
#include "cli/TConsoleSearch.h"

namespace fs = std::filesystem;

namespace {

using Outcome = ConsoleOutcome;

// The console run in a folder of its own, with the journal and the settings in it too.
class ConsoleReplace : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("XDG_DATA_HOME", Dir.MakeFolder("data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", Dir.MakeFolder("config").c_str(), 1);
        Dir.WriteFile("files/a.txt", "one hit\nhit, \"hit\"\n");
        Dir.WriteFile("files/b.txt", "nothing\n");
    }

    Outcome Run(std::vector<std::string> args)
    {
        Outcome outcome = RunConsole(Dir.Path(), std::move(args));
        return {outcome.Exit, WithoutFolder(outcome.Out, Dir.Path()), WithoutFolder(outcome.Err, Dir.Path())};
    }
    std::string Read(const std::string& name) const { return Dir.ReadFile("files/" + name); }

    TestDir Dir;
};

TEST_F(ConsoleReplace, ADryRunPrintsEachChangeAndWritesNothing)
{
    Outcome outcome = Run({"--dry-run", "--replace", "X,Y", "-q", "hit", "*.txt", "files"});
    EXPECT_EQ(outcome.Exit, 0) << outcome.Err;
    EXPECT_EQ(outcome.Out, "<dir>/files/a.txt:1:5: [hit] -> [X,Y]\n<dir>/files/a.txt:2:1: [hit] -> [X,Y]\n"
                           "<dir>/files/a.txt:2:7: [hit] -> [X,Y]\n");
    outcome = Run({"--dry-run", "--csv", "--replace=X,Y", "-q", "hit", "*.txt", "files"});
    EXPECT_EQ(outcome.Out, "File,Line,Column,Old text,New text\n\"<dir>/files/a.txt\",1,5,\"hit\",\"X,Y\"\n"
                           "\"<dir>/files/a.txt\",2,1,\"hit\",\"X,Y\"\n\"<dir>/files/a.txt\",2,7,\"hit\",\"X,Y\"\n");
    EXPECT_EQ(Read("a.txt"), "one hit\nhit, \"hit\"\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir.PathOf("files")), fs::directory_iterator()), 2);
    EXPECT_EQ(Run({"--history"}).Out, "") << "a dry run is not journaled";
    EXPECT_EQ(Run({"--dry-run", "--replace", "X", "-q", "absent", "*.txt", "files"}).Exit, 1);
}

TEST_F(ConsoleReplace, ReplacesListsAndUndoes)
{
    // Copy mode by default: a new file beside the original.
    Outcome outcome = Run({"--replace", "NEW", "-q", "hit", "*.txt", "files"});
    EXPECT_EQ(outcome.Exit, 0) << outcome.Err;
    EXPECT_EQ(Read("a.txt.new"), "one NEW\nNEW, \"NEW\"\n");
    EXPECT_EQ(Read("a.txt"), "one hit\nhit, \"hit\"\n");
    EXPECT_NE(outcome.Out.find("Replace run 1: 1 file changed, 3 changes made\n"), std::string::npos) << outcome.Out;

    outcome = Run({"--replace", "NEW", "--overwrite", "--csv", "-q", "hit", "a.txt", "files"});
    EXPECT_EQ(outcome.Exit, 0) << outcome.Err;
    EXPECT_EQ(outcome.Out, "File,Line,Column,Old text,New text\n\"<dir>/files/a.txt\",1,5,\"hit\",\"NEW\"\n"
                           "\"<dir>/files/a.txt\",2,1,\"hit\",\"NEW\"\n\"<dir>/files/a.txt\",2,7,\"hit\",\"NEW\"\n");
    EXPECT_EQ(Read("a.txt"), "one NEW\nNEW, \"NEW\"\n");

    outcome = Run({"--history"});
    EXPECT_EQ(outcome.Exit, 0);
    ASSERT_EQ(outcome.Out.substr(0, 3), "2  ") << outcome.Out;
    EXPECT_NE(outcome.Out.find("overwrite  1 file  3 changes  undo: yes  \"hit\" -> \"NEW\"\n1  "), std::string::npos)
        << outcome.Out;

    outcome = Run({"--undo", "2"});
    EXPECT_EQ(outcome.Exit, 0) << outcome.Err;
    EXPECT_EQ(Read("a.txt"), "one hit\nhit, \"hit\"\n");
    outcome = Run({"--undo", "1"});
    EXPECT_EQ(outcome.Exit, 0) << outcome.Err;
    EXPECT_FALSE(fs::exists(Dir.PathOf("files/a.txt.new")));
    EXPECT_EQ(Run({"--history"}).Out.substr(0, 3), "4  ") << "each undo is a run of its own";
}

TEST_F(ConsoleReplace, ReplacesInASavedResultSetAndRefusesFilesChangedSince)
{
    Dir.WriteFile("files/c.txt", "hit\n");
    ASSERT_EQ(Run({"--save-results", Dir.PathOf("hits.qrs"), "-q", "hit", "*.txt", "files"}).Exit, 0);
    Dir.WriteFile("files/c.txt", "hit again\n", 1000000000); // changed since the set was saved

    const Outcome outcome = Run({"--replace", "NEW", "--overwrite", "--results", Dir.PathOf("hits.qrs")});
    EXPECT_EQ(outcome.Exit, 2);
    EXPECT_EQ(Read("a.txt"), "one NEW\nNEW, \"NEW\"\n");
    EXPECT_EQ(Read("c.txt"), "hit again\n");
    EXPECT_NE(outcome.Err.find("c.txt"), std::string::npos) << outcome.Err;
}

TEST_F(ConsoleReplace, NamesEachFileItCouldNotReplaceOrRestore)
{
    Dir.WriteFile("files/c.bin", std::string("hit\0", 4));
    Outcome outcome = Run({"--replace", "NEW", "--overwrite", "-q", "hit", "*.*", "files"});
    EXPECT_EQ(outcome.Exit, 2);
    EXPECT_EQ(outcome.Err, "quarnel: <dir>/files/c.bin: Replace not performed - file is binary.\n");
    EXPECT_EQ(Read("a.txt"), "one NEW\nNEW, \"NEW\"\n");

    Dir.WriteFile("files/a.txt", "edited since\n");
    outcome = Run({"--undo", "1"});
    EXPECT_EQ(outcome.Exit, 2);
    EXPECT_EQ(outcome.Err, "quarnel: <dir>/files/a.txt: Left alone - the file has been changed since the replace\n");
    EXPECT_EQ(Read("a.txt"), "edited since\n");
}

TEST_F(ConsoleReplace, AJournalThatCannotBeOpenedRefusesTheReplace)
{
    // The data folder's place is taken by a file.
    ::setenv("XDG_DATA_HOME", Dir.WriteFile("not-a-folder", "x").c_str(), 1);
    const Outcome outcome = Run({"--replace", "NEW", "--overwrite", "-q", "hit", "*.txt", "files"});
    EXPECT_EQ(outcome.Exit, 2);
    EXPECT_NE(outcome.Err.find("the folder of the replace journal could not be made"), std::string::npos)
        << outcome.Err;
    EXPECT_EQ(Read("a.txt"), "one hit\nhit, \"hit\"\n");
}

TEST_F(ConsoleReplace, RefusesOptionsThatDoNotGoTogether)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--replace"},
        {"--backup", "--replace", "x", "hit", "*.txt"},
        {"--overwrite", "hit", "*.txt"},
        {"--dry-run", "hit", "*.txt"},
        {"--json", "--replace", "x", "hit", "*.txt"},
        {"--undo", "x"},
        {"--undo", "0"},
        {"--undo"},
        {"--history", "--undo", "1"},
        {"--history", "--replace", "x", "hit", "*.txt"},
    };
    for (const auto& args : cases) {
        const Outcome outcome = Run(args);
        EXPECT_EQ(outcome.Exit, 2) << args[0] << " " << args.size();
        EXPECT_FALSE(outcome.Err.empty()) << args[0] << " " << args.size();
    }
    EXPECT_EQ(Read("a.txt"), "one hit\nhit, \"hit\"\n");
}

} // namespace
