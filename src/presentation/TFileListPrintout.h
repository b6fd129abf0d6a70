// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TFileData;
class TFileList;

// The lines of the printed list of matching files: a title, the search summary, then one line
// per file in the list's current order, with the columns cut and padded to fixed widths so that
// they stand under each other in a fixed-pitch font. A blank line follows every fifth file.
//
// Texts are the bytes the file list shows. Widths count characters: a valid UTF-8 sequence is
// one character, and so is every other byte (it stands for one Windows-1252 character), so a
// cut never splits a character and names with accents keep the columns aligned.
class TFileListPrintout {
public:
    static constexpr std::string_view Title = "Quarnel search results";
    // A blank line holds one space, so that a print job that drops empty lines still keeps it.
    static constexpr std::string_view BlankLine = " ";
    // A blank line after this many files.
    static constexpr std::size_t GroupSize = 5;

    // Field widths of a file's line, in column order: name, T, type, folder, matches, size and
    // date/time. The name, type and folder are cut to their widths; the others are never cut.
    static constexpr std::size_t NameWidth = 20;
    static constexpr std::size_t TypeWidth = 25;
    static constexpr std::size_t FolderWidth = 40;

    // Every line of the printout: the title, a blank line, `summary`, a blank line, and the
    // files' lines. An empty list gives only the four opening lines.
    static std::vector<std::string> Lines(const TFileList& files, std::string_view summary);
    // One file's line.
    static std::string Row(const TFileData& record);

    // `text` when it has at most `width` characters; otherwise its first `width` - 3 characters
    // followed by "...", so that the result is exactly `width` characters long. A width under 3
    // leaves no room for text and gives the first `width` dots.
    static std::string TruncateWithEllipsis(std::string_view text, std::size_t width);
    // The number of characters of `text` as counted above.
    static std::size_t CharacterCount(std::string_view text);
};
