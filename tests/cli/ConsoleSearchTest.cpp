// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sstream>

#include "ConsoleRun.h"
#include "TestDir.h"
#include "cli/TConsoleSearch.h"

namespace {

using Outcome = ConsoleOutcome;

// The run in `dir`, with the folder's path in standard output written as "<dir>".
Outcome RunConsole(const TestDir& dir, std::vector<std::string> args)
{
    Outcome outcome = ::RunConsole(dir.Path(), std::move(args));
    outcome.Out = WithoutFolder(outcome.Out, dir.Path());
    return outcome;
}

class ConsoleSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir.WriteFile("a.txt", "hello world\nnothing here\nsay Hello\n");
        Dir.WriteFile("sub/b.c", "int hello;\n");
        Dir.WriteFile("sub/c.txt", "hellofish\nx -r y\n");
    }
    TestDir Dir;
};

TEST_F(ConsoleSearch, GrepStyleOutputAndExitCodes)
{
    struct Case {
        std::vector<std::string> Args;
        int Exit;
        std::string Out;
    };
    const Case cases[] = {
        // the read defaults search sub-folders
        {{"hello", "*.txt"}, 0, "<dir>/a.txt:1:hello world\n<dir>/a.txt:3:say Hello\n<dir>/sub/c.txt:1:hellofish\n"},
        {{"-r-", "hello", "*.txt"}, 0, "<dir>/a.txt:1:hello world\n<dir>/a.txt:3:say Hello\n"},
        // several leading switches, then the positional arguments
        {{"-r", "-m", "hello", "*.txt *.c", Dir.Path()},
         0, "<dir>/a.txt:1:hello world\n<dir>/sub/c.txt:1:hellofish\n<dir>/sub/b.c:1:int hello;\n"},
        {{"-r", "-w", "hello", "*.txt"}, 0, "<dir>/a.txt:1:hello world\n<dir>/a.txt:3:say Hello\n"},
        {{"-r", "-w", "-m-", "-x", "HELLO", "*.*"}, 0, "<dir>/a.txt:1:hello world\n<dir>/sub/b.c:1:int hello;\n"},
        {{"-v", "hello", "a.txt"}, 0, "<dir>/a.txt:2:nothing here\n"},
        {{"absent", "*.txt"}, 1, ""},
        {{"--", "-r", "*.txt"}, 0, "<dir>/sub/c.txt:2:x -r y\n"},  // after "--" a dash starts the search text
        {{"-q", "--", "-r", "*.txt"}, 0, "<dir>/sub/c.txt:2:x -r y\n"},
        // the number of threads changes nothing in what is found
        {{"-j1", "-r", "-m", "hello", "*.txt *.c", Dir.Path()},
         0, "<dir>/a.txt:1:hello world\n<dir>/sub/c.txt:1:hellofish\n<dir>/sub/b.c:1:int hello;\n"},
        {{"-r", "-j", "3", "-m", "hello", "*.txt *.c", Dir.Path()},
         0, "<dir>/a.txt:1:hello world\n<dir>/sub/c.txt:1:hellofish\n<dir>/sub/b.c:1:int hello;\n"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunConsole(Dir, c.Args);
        EXPECT_EQ(outcome.Exit, c.Exit) << c.Args[0];
        EXPECT_EQ(outcome.Out, c.Out) << c.Args[0];
    }
}

TEST_F(ConsoleSearch, PrintsTheLinesAsTheSearchReadThem)
{
    // A binary file's block is printed as it was searched; with several hits on a line the line
    // comes once, and a JSON object per hit carries it.
    TestDir dir;
    dir.WriteFile("f.bin", std::string(1025, '\0') + "abc\x01 needle needle");
    EXPECT_EQ(RunConsole(dir, {"-q", "needle", "*.*"}).Out, "<dir>/f.bin:2:abc needle needle\n");
    const std::string json = RunConsole(dir, {"--json", "-q", "needle", "*.*"}).Out;
    EXPECT_EQ(json, "{\"path\":\"<dir>/f.bin\",\"archive\":null,\"line\":2,\"start\":5,\"end\":11,"
                    "\"lineLength\":17,\"text\":\"abc needle needle\"}\n"
                    "{\"path\":\"<dir>/f.bin\",\"archive\":null,\"line\":2,\"start\":12,\"end\":18,"
                    "\"lineLength\":17,\"text\":\"abc needle needle\"}\n");
}

TEST_F(ConsoleSearch, ErrorsGoToStandardErrorWithExitTwo)
{
    struct Case {
        std::vector<std::string> Args;
        std::string Err;
    };
    const Case cases[] = {
        {{"a(b", "*.txt"}, "quarnel: Unmatched (: a(b\n"},
        {{"[z-a]", "*.txt"}, "quarnel: Invalid range specifier: [z-a]\n"},
        // checked as searched: without -m the pattern is folded to capitals, [Z-A]
        {{"[Z-a]", "*.txt"}, "quarnel: Invalid range specifier: [Z-a]\n"},
        {{"-m", "[a-Z]", "*.txt"}, "quarnel: Invalid range specifier: [a-Z]\n"},
        {{"hello", "*.txt", "missing"}, "quarnel: Unable to search in folder missing\n"},
        {{"hello"}, "quarnel: give a search text, the file specifications and at most one folder\nTry 'quarnel --help'.\n"},
        {{"--frobnicate", "x", "*.txt"}, "quarnel: unknown option --frobnicate\nTry 'quarnel --help'.\n"},
        {{"-Fnot-there.par"}, "quarnel: cannot read the parameter file not-there.par\n"},
        {{"-j0", "x", "*.txt"}, "quarnel: -j needs a number of threads from 1 to 256\n"},
        {{"-j", "two", "x", "*.txt"}, "quarnel: -j needs a number of threads from 1 to 256\n"},
        {{"-j4x", "x", "*.txt"}, "quarnel: -j needs a number of threads from 1 to 256\n"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunConsole(Dir, c.Args);
        EXPECT_EQ(outcome.Exit, 2) << c.Args[0];
        EXPECT_EQ(outcome.Err, c.Err) << c.Args[0];
    }
}

TEST_F(ConsoleSearch, JsonLinesStayValidForAnyBytes)
{
    struct Case {
        std::string Name;
        std::string Content;
        std::string Out;
    };
    const Case cases[] = {
        // Bytes that are not UTF-8 are read as Windows-1252; quotes, tabs and backslashes escaped.
        {"odd.txt", "caf\xE9 \"hi\"\tx\\\n",
         "{\"path\":\"<dir>/odd.txt\",\"archive\":null,\"line\":1,\"start\":7,\"end\":9,"
         "\"lineLength\":12,\"text\":\"caf\xC3\xA9 \\\"hi\\\"\\tx\\\\\"}\n"},
        // The first line makes the file text; the second holds control bytes, DEL, a UTF-8
        // letter and a byte that is not UTF-8. The file's name is not UTF-8 either.
        {"caf\xE9.txt", "first\nHI\x01\x08\x0c\x1f\x7f \xC3\xBC\xFF\n",
         "{\"path\":\"<dir>/caf\xC3\xA9.txt\",\"archive\":null,\"line\":2,\"start\":1,\"end\":3,"
         "\"lineLength\":11,\"text\":\"HI\\u0001\\b\\f\\u001f\x7f \xC3\xBC\xC3\xBF\"}\n"},
    };
    for (const Case& c : cases) {
        TestDir dir;
        dir.WriteFile(c.Name, c.Content);
        const Outcome outcome = RunConsole(dir, {"--json", "-q", "HI", "*.txt"});
        EXPECT_EQ(outcome.Exit, 0) << c.Name;
        EXPECT_EQ(outcome.Out, c.Out) << c.Name;
    }
}

TEST_F(ConsoleSearch, CsvListsTheMatchingFiles)
{
    const Outcome outcome = RunConsole(Dir, {"--csv", "-r", "hello", "*.c"});
    EXPECT_EQ(outcome.Exit, 0);
    EXPECT_EQ(outcome.Out.substr(0, outcome.Out.find('\n')), "Filename,T/B,File type,Folder,Matches,Size,Date");
    EXPECT_NE(outcome.Out.find("\n\"b.c\",\"T\",\"\",\"<dir>/sub\",1,11,\""), std::string::npos) << outcome.Out;
}

TEST_F(ConsoleSearch, ParameterFileThenSwitchesOverIt)
{
    Dir.WriteFile("s.par", "[General Search Parameters]\nSearch String=hello\nRecurse Subdirectories=False\n"
                           "[Active File Specifications]\n0=*.txt\n[Active Directory Specifications]\n0=" +
                               Dir.Path() + "\n");
    EXPECT_EQ(RunConsole(Dir, {"-F" + Dir.PathOf("s.par")}).Out,
              "<dir>/a.txt:1:hello world\n<dir>/a.txt:3:say Hello\n");
    EXPECT_EQ(RunConsole(Dir, {"-F" + Dir.PathOf("s.par"), "-r", "-m"}).Out,
              "<dir>/a.txt:1:hello world\n<dir>/sub/c.txt:1:hellofish\n");
}

TEST_F(ConsoleSearch, HtmlReportHoldsEveryFilesMatches)
{
    const std::string report = Dir.PathOf("out/report.htm");
    Dir.MakeFolder("out");
    const Outcome outcome = RunConsole(Dir, {"--html", report, "-r-", "hello", "*.txt"});
    EXPECT_EQ(outcome.Exit, 0);
    const std::string html = Dir.ReadFile("out/report.htm");
    EXPECT_EQ(html.rfind("<HTML><HEAD><TITLE>Quarnel 2.3 Output</TITLE>", 0), 0u);
    EXPECT_NE(html.find("'hello' in *.txt: 2 matches in 1 file. 1 file searched. 0 files skipped."), std::string::npos);
    EXPECT_NE(html.find("<FONT class=match>Hello</FONT>"), std::string::npos);

    EXPECT_EQ(RunConsole(Dir, {"--html", Dir.PathOf("no/such/folder/r.htm"), "hello", "*.txt"}).Exit, 2);
    EXPECT_EQ(RunConsole(Dir, {"hello", "*.txt", "--html"}).Exit, 2);
}

TEST_F(ConsoleSearch, HelpAndVersion)
{
    EXPECT_EQ(RunConsole(Dir, {"--version"}).Out, std::string("quarnel ") + QUARNEL_VERSION + "\n");
    const Outcome help = RunConsole(Dir, {"x", "--help"});
    EXPECT_EQ(help.Exit, 0);
    EXPECT_NE(help.Out.find("Usage: quarnel"), std::string::npos);
}

} // namespace
