// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class TFileData;

// Stepping through the results: from match to match in a whole-file view, from row to row in
// the file list, and the pane caption that tells which view is shown.
class TViewNavigation {
public:
    static constexpr std::string_view MatchesOnlyMark = "(Matches only)";
    static constexpr std::string_view WholeFileMark = "(Whole file)";
    static constexpr std::string_view AllFilesCaption = "All matches in all files";

    // The caption of a single-file view: the file's name and " (Matches only)" or " (Whole file)".
    static std::string PaneCaption(const TFileData& file, bool wholeFile);
    // Match stepping is offered only while the pane shows a whole file.
    static bool AllowsMatchStepping(std::string_view caption);

    // The anchor that the line of match `index` of `file` carries in a single-file view
    // ("Line00012:"); matches on one line share it. Empty when there is no such match.
    static std::string MatchAnchor(const TFileData& file, int index);
    // The next match: one further while there is one, else the same (-1, before
    // any, gives 0 when the file has matches).
    static int NextMatch(int current, std::size_t matchCount);
    // The previous match: one back while above the first, else the same.
    static int PreviousMatch(int current);

    // The row that Previous File shows, or -1 when it does nothing (no row selected, or the
    // first one).
    static int PreviousFile(int selectedRow);
    // The row that Next File shows: the first with none selected, the next one, or the last
    // again at the end; -1 for an empty list.
    static int NextFile(int selectedRow, std::size_t rowCount);
};
