// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/TFileData.h"
#include "model/TShellInfo.h"
#include "presentation/TEditorCommand.h"

namespace {

using Words = std::vector<std::string>;

TEditorTarget At(std::string path, std::string searchText = "needle")
{
    TEditorTarget target;
    target.Path = std::move(path);
    target.Line = 12;
    target.Column = 5;
    target.SearchText = std::move(searchText);
    return target;
}

TEST(TEditorCommand, ExpandReplacesPlaceholdersLeftToRight)
{
    struct Case {
        const char* Command;
        const char* Expanded;
    };
    const Case cases[] = {
        {"Notepad.exe $f", "Notepad.exe \"/a b/x.txt\""},
        {"ed $e", "ed /a b/x.txt"},
        {"ed +$l:$c $f", "ed +12:5 \"/a b/x.txt\""},
        {"ed $F $E $L $C $G", "ed \"/a b/x.txt\" /a b/x.txt 12 5 needle"},
        {"grep -n $g $e", "grep -n needle /a b/x.txt"},
        {"cost $$5", "cost $5"},
        {"$$f is not a placeholder", "$f is not a placeholder"},
        {"a$xb$ c", "abc"},
        {"dollar at the end$", "dollar at the end"},
        {"$$$", "$"},
        {"$\xC3\xA9t\xC3\xA9", "t\xC3\xA9"},  // the whole character after the '$' goes
        {"", ""},
    };
    const TEditorTarget target = At("/a b/x.txt");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Command);
        EXPECT_EQ(TEditorCommand::Expand(c.Command, target), c.Expanded);
        EXPECT_EQ(TEditorCommand::Build(c.Command, target).Text, c.Expanded);
    }
}

// The command's words are split as the user wrote them; the values go into those words whole,
// so no file name or search text can add an argument or reach a shell.
TEST(TEditorCommand, BuildSplitsTheCommandBeforeTheValuesGoIn)
{
    struct Case {
        const char* Name;
        const char* Command;
        std::string Path;
        std::string SearchText;
        Words Expected;  // the program, then its arguments
    };
    const std::string blanks = "/a b/x y.txt";
    const std::string hostile = "/t/x\"; rm -rf ~; \"y & z | w $l 'q' \\.txt";
    const Case cases[] = {
        {"the default command", "Notepad.exe $f", blanks, "", {"Notepad.exe", blanks}},
        {"line and path", "gedit +$l $f", blanks, "", {"gedit", "+12", blanks}},
        {"values inside a word", "code -g $f:$l:$c", blanks, "", {"code", "-g", blanks + ":12:5"}},
        {"an unquoted $e stays one argument", "ed --line=$l $e", blanks, "", {"ed", "--line=12", blanks}},
        {"a quoted program with blanks", "\"/opt/My Editor/ed\" \"$f\"", blanks, "", {"/opt/My Editor/ed", blanks}},
        {"single quotes", "'/opt/My Editor/ed' '$e'", blanks, "", {"/opt/My Editor/ed", blanks}},
        {"a hostile file name with $f", "ed $f", hostile, "", {"ed", hostile}},
        {"a hostile file name with $e", "ed $e --", hostile, "", {"ed", hostile, "--"}},
        {"a hostile file name inside quotes", "ed \"$f\"", hostile, "", {"ed", hostile}},
        {"a search text with blanks and quotes", "ed --find=$g $f", "/p", "two \"words\"", {"ed", "--find=two \"words\"", "/p"}},
        {"an empty search text gives no argument", "ed $f $g", "/p", "", {"ed", "/p"}},
        {"a quoted empty search text gives one", "ed $f \"$g\"", "/p", "", {"ed", "/p", ""}},
        {"an empty path still gives its argument", "ed $f", "", "", {"ed", ""}},
        {"blanks and tabs separate words", "  ed\t\t-w   $e  ", "/p", "", {"ed", "-w", "/p"}},
        {"backslash escapes", "my\\ ed \\\"a\\\" \"b\\\"c\" d\\e", "/p", "", {"my ed", "\"a\"", "b\"c", "d\\e"}},
        {"a quote never closed runs to the end", "ed \"a b $e", "/p", "", {"ed", "a b /p"}},
        {"$$ and other letters", "ed $$HOME $x$e", "/p", "", {"ed", "$HOME", "/p"}},
        {"nothing but blanks", "   ", "/p", "", {}},
        {"empty", "", "/p", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TEditorTarget target = At(c.Path, c.SearchText);
        const TCommandLine line = TEditorCommand::Build(c.Command, target);
        Words words;
        if (!line.Program.empty() || !line.Arguments.empty())
            words.push_back(line.Program);
        words.insert(words.end(), line.Arguments.begin(), line.Arguments.end());
        EXPECT_EQ(words, c.Expected);
    }
}

TEST(TEditorCommand, TargetTakesTheGivenLineOrTheFirstMatch)
{
    TNullShellInfo shell;
    TFileData withMatches("/p", "f.txt", shell);
    withMatches.Matches.emplace_back(3, 20, 7, 9);
    withMatches.Matches.emplace_back(8, 20, 2, 4);
    TFileData withoutMatches("/p", "g.txt", shell);
    struct Case {
        const char* Name;
        int64_t Line;
        int64_t Column;
        const TFileData* Selected;
        int64_t ExpectedLine;
        int64_t ExpectedColumn;
    };
    const Case cases[] = {
        {"a line and a column given", 12, 5, &withMatches, 12, 5},
        {"a line without a column", 12, 0, &withMatches, 12, 1},
        {"no line: the first match of the selected file", 0, 9, &withMatches, 3, 7},
        {"no line, a selected file without matches", 0, 0, &withoutMatches, 1, 1},
        {"no line, no selected file", 0, 0, nullptr, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const TEditorTarget target = TEditorCommand::Target("/p/f.txt", c.Line, c.Column, c.Selected, "cat");
        EXPECT_EQ(target.Path, "/p/f.txt");
        EXPECT_EQ(target.SearchText, "cat");
        EXPECT_EQ(target.Line, c.ExpectedLine);
        EXPECT_EQ(target.Column, c.ExpectedColumn);
    }
}

// Only copies in a search's extraction folder are refused; a path that merely holds the letters
// "zip" is an ordinary file.
TEST(TEditorCommand, OnlyExtractedMembersAreRefused)
{
    struct Case {
        const char* Path;
        bool Refused;
    };
    const Case cases[] = {
        {"/tmp/quarnel-Ab12/~quarnel.t/notes.txt", true},
        {"/tmp/q/~QUARNEL.T/notes.txt", true},
        {"~quarnel.t/notes.txt", true},
        {"/home/u/unzipped/notes.txt", false},
        {"/home/u/zipcodes.csv", false},
        {"/home/u/archive.zip", false},
        {"/home/u/notes~quarnel.txt", false},
        {"/home/u/~quarnel.t", false},
        {"/home/u/~quarnel.tx/notes.txt", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        EXPECT_EQ(TEditorCommand::IsExtractedMember(c.Path), c.Refused);
    }
}

} // namespace
