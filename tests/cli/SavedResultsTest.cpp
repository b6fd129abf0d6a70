// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sstream>

#include "ConsoleRun.h"
#include "TestDir.h"
#include "cli/TConsoleSearch.h"
#include "engine/TSearchEngine.h"
#include "model/TResultSetFile.h"

namespace {

using Outcome = ConsoleOutcome;

Outcome RunConsole(const TestDir& dir, std::vector<std::string> args)
{
    return ::RunConsole(dir.Path(), std::move(args));
}

class SavedResults : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir.WriteFile("a.txt", "hello world\nnothing here\nsay Hello hello\n");
        Dir.WriteFile("sub/c.txt", "hellofish\n");
        Saved = Dir.PathOf("saved.qrs");
    }
    TestDir Dir;
    std::string Saved;
};

TEST_F(SavedResults, ASavedSetPrintsAsTheSearchThatMadeItInEveryFormat)
{
    const std::vector<std::vector<std::string>> formats = {{}, {"--json"}, {"--csv"}};
    for (const std::vector<std::string>& format : formats) {
        SCOPED_TRACE(format.empty() ? "plain" : format[0]);
        std::vector<std::string> search = format;
        search.insert(search.end(), {"--save-results", Saved, "hello", "*.txt"});
        const Outcome searched = RunConsole(Dir, search);
        ASSERT_EQ(searched.Exit, 0) << searched.Err;
        ASSERT_FALSE(searched.Out.empty());

        std::vector<std::string> print = format;
        print.insert(print.end(), {"--results", Saved});
        const Outcome printed = RunConsole(Dir, print);
        EXPECT_EQ(printed.Exit, 0) << printed.Err;
        EXPECT_EQ(printed.Out, searched.Out);
        // Named as a parameter file, or alone, a set is printed too.
        std::vector<std::string> asParameters = format;
        asParameters.push_back("-F" + Saved);
        EXPECT_EQ(RunConsole(Dir, asParameters).Out, searched.Out);
        std::vector<std::string> alone = format;
        alone.push_back(Saved);
        EXPECT_EQ(RunConsole(Dir, alone).Out, searched.Out);
    }
}

TEST_F(SavedResults, LinesASetDidNotKeepAreReadFromUnchangedFiles)
{
    // A set saved without line texts, as the window saves one.
    TSearchData data;
    data.SearchMode = TSearchData::ModeQuick;
    data.SearchString = "hello";
    data.FileSpecs = {"a.txt"};
    data.Folders = {Dir.Path()};
    TFileList files;
    TSearchStats stats;
    TNullShellInfo shell;
    TSearchEngine(data, files, stats, shell).Search();
    ASSERT_EQ(files.Count(), 1u);
    std::string error;
    ASSERT_TRUE(TResultSetFile::Save(Saved, data, stats, "summary", "speed", files, error)) << error;

    const std::string a = Dir.PathOf("a.txt");
    EXPECT_EQ(RunConsole(Dir, {"--results", Saved}).Out, a + ":1:hello world\n" + a + ":3:say Hello hello\n");
    // Changed since: the places are printed, the texts are not guessed.
    Dir.WriteFile("a.txt", "hello world\nnothing here\nsay Hello hello\n", 1'000'000'000);
    EXPECT_EQ(RunConsole(Dir, {"--results", Saved}).Out, a + ":1:\n" + a + ":3:\n");
}

TEST_F(SavedResults, TheReportOfASetShowsWhenItWasSaved)
{
    ASSERT_EQ(RunConsole(Dir, {"--save-results", Saved, "hello", "*.txt"}).Exit, 0);
    const std::string report = Dir.PathOf("report.htm");
    const Outcome printed = RunConsole(Dir, {"--results", Saved, "--html", report});
    EXPECT_EQ(printed.Exit, 0) << printed.Err;
    const std::string html = Dir.ReadFile("report.htm");
    EXPECT_NE(html.find("matches in 2 files"), std::string::npos);
    EXPECT_NE(html.find(" (saved "), std::string::npos);
}

TEST_F(SavedResults, FilesThatCannotBeReadOrWrittenAreReportedWithExitTwo)
{
    Dir.WriteFile("text.qrs", "not a result set\n");
    const std::string text = Dir.PathOf("text.qrs");
    const std::string missingFolder = Dir.PathOf("no/such/saved.qrs");
    struct Case {
        std::vector<std::string> Args;
        std::string Says;
    };
    const Case cases[] = {
        {{"--results", text}, text + " is not a Quarnel result set"},
        {{"--results", Dir.PathOf("missing.qrs")}, Dir.PathOf("missing.qrs")},
        {{"--results"}, "--results needs a file name"},
        {{"--save-results"}, "--save-results needs a file name"},
        {{"--save-results", missingFolder, "hello", "*.txt"}, missingFolder},
        {{"--save-results", Saved, "--results", Saved}, "--results prints one already saved"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args[0] + " " + (c.Args.size() > 1 ? c.Args[1] : ""));
        const Outcome outcome = RunConsole(Dir, c.Args);
        EXPECT_EQ(outcome.Exit, TConsoleSearch::Failed);
        EXPECT_NE(outcome.Err.find(c.Says), std::string::npos) << outcome.Err;
    }
}

} // namespace
