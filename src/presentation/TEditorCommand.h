// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TFileData;

// What the placeholders of an editor command stand for.
struct TEditorTarget {
    std::string Path;        // $f (in double quotes) and $e (as it is)
    int64_t Line = 1;        // $l
    int64_t Column = 1;      // $c
    std::string SearchText;  // $g
};

// A command to start as a new process, without a shell.
struct TCommandLine {
    std::string Program;  // empty: there is nothing to start
    std::vector<std::string> Arguments;
    std::string Text;     // the expanded command as one text, as the user reads it
};

// The editor command of the preferences ("xdg-open $f" by default: the desktop's program for
// the file), filled in for one file.
//
// Placeholders, letters in either case: $f the path in double quotes, $e the path as it is,
// $l the line, $c the column, $g the search text, $$ one '$'. A '$' and the character after it
// are dropped otherwise; a '$' at the very end is dropped.
//
// The command is started without a shell: Build splits the command as the user wrote it into
// words, and only then puts the values into the words that hold their placeholders. A value is
// never split and its characters are never read as quotes or blanks, so whatever a file name or
// a search text holds (blanks, quotes, '&', '|', ';', '$'), it reaches the editor as the part of
// one argument it was put in, and can neither add arguments nor start another command.
//
// Words are separated by blanks and tabs. Double or single quotes group a word and are dropped;
// within double quotes and outside quotes a backslash makes the next '"', '\'', '\\' or blank
// (outside quotes) an ordinary character, any other backslash is kept. A quote that is never
// closed runs to the end. An unquoted placeholder whose value is empty gives no argument of its
// own; $f always gives one, as its quotes would.
class TEditorCommand {
public:
    // The message shown instead of starting the editor on a file extracted from a ZIP archive by
    // the search, whose changes would be lost.
    static constexpr std::string_view ZipCaption = "Information";
    static constexpr std::string_view ZipTitle = "The file being viewed is in a ZIP archive...";
    static constexpr std::string_view ZipText =
        "...so it is not possible to edit it by double-clicking this window. Double-click on it in the file list instead.";

    // The target for `path`: the line and column given when `line` is above 0, else the line and
    // column of the first match of `selected` (the selected file, may be null), else line 1,
    // column 1. A column below 1 with a given line is taken as 1.
    static TEditorTarget Target(std::string path, int64_t line, int64_t column, const TFileData* selected,
                                std::string searchText);

    // The command with its placeholders replaced, left to right, as one text.
    static std::string Expand(std::string_view command, const TEditorTarget& target);
    // The program and its arguments, and the expanded text. Program is empty for a command
    // without words.
    static TCommandLine Build(std::string_view command, const TEditorTarget& target);

    // True for a file inside the folder where a search extracts the members of ZIP archives
    // (a folder named "~quarnel.t", in any case): such a copy is deleted with the next search,
    // so it is not offered for editing.
    static bool IsExtractedMember(std::string_view path);
};
