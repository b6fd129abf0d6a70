// SPDX-License-Identifier: MIT
#include "presentation/TViewNavigation.h"

#include <cstdint>

#include "model/TFileData.h"
#include "presentation/THTMLWin.h"

std::string TViewNavigation::PaneCaption(const TFileData& file, bool wholeFile)
{
    return file.FileName + " " + std::string(wholeFile ? WholeFileMark : MatchesOnlyMark);
}

bool TViewNavigation::AllowsMatchStepping(std::string_view caption)
{
    return caption.find(WholeFileMark) != std::string_view::npos;
}

std::string TViewNavigation::MatchAnchor(const TFileData& file, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= file.Matches.size())
        return {};
    return "Line" + THTMLWin::NumberText(file.Matches[static_cast<std::size_t>(index)].LineNumber);
}

int TViewNavigation::NextMatch(int current, std::size_t matchCount)
{
    return static_cast<int64_t>(current) + 1 < static_cast<int64_t>(matchCount) ? current + 1 : current;
}

int TViewNavigation::PreviousMatch(int current)
{
    return current > 0 ? current - 1 : current;
}

int TViewNavigation::PreviousFile(int selectedRow)
{
    return selectedRow <= 0 ? -1 : selectedRow - 1;
}

int TViewNavigation::NextFile(int selectedRow, std::size_t rowCount)
{
    if (rowCount == 0)
        return -1;
    const int last = static_cast<int>(rowCount - 1);
    if (selectedRow < 0)
        return 0;
    return selectedRow < last ? selectedRow + 1 : last;
}
