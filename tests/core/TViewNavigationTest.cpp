// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "model/TFileData.h"
#include "model/TShellInfo.h"
#include "presentation/TViewNavigation.h"

namespace {

TEST(TViewNavigation, MatchAnchorsNameTheLineOfTheMatch)
{
    TNullShellInfo shell;
    TFileData file("/p", "f.txt", shell);
    file.Matches.emplace_back(12, 20, 1, 2);
    file.Matches.emplace_back(12, 20, 5, 6);
    file.Matches.emplace_back(123456, 20, 1, 2);
    struct Case {
        int Index;
        const char* Anchor;
    };
    const Case cases[] = {{0, "Line00012:"}, {1, "Line00012:"}, {2, "Line123456:"}, {3, ""}, {-1, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Index);
        EXPECT_EQ(TViewNavigation::MatchAnchor(file, c.Index), c.Anchor);
    }
}

// At the last match Next stays there, at the first Previous stays there: the pane scrolls to
// the same match again.
TEST(TViewNavigation, MatchSteppingStopsAtTheEnds)
{
    struct Case {
        int Current;
        std::size_t Count;
        int Next;
        int Previous;
    };
    const Case cases[] = {
        {0, 3, 1, 0}, {1, 3, 2, 0}, {2, 3, 2, 1}, {0, 1, 0, 0}, {-1, 3, 0, -1}, {-1, 0, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Current) + " of " + std::to_string(c.Count));
        EXPECT_EQ(TViewNavigation::NextMatch(c.Current, c.Count), c.Next);
        EXPECT_EQ(TViewNavigation::PreviousMatch(c.Current), c.Previous);
    }
}

TEST(TViewNavigation, FileSteppingStaysInTheList)
{
    struct Case {
        const char* Name;
        int Selected;
        std::size_t Rows;
        int Next;
        int Previous;  // -1: nothing happens
    };
    const Case cases[] = {
        {"no row selected", -1, 4, 0, -1},
        {"the first row", 0, 4, 1, -1},
        {"a middle row", 2, 4, 3, 1},
        {"the last row reloads itself", 3, 4, 3, 2},
        {"a single row", 0, 1, 0, -1},
        {"an empty list", -1, 0, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(TViewNavigation::NextFile(c.Selected, c.Rows), c.Next);
        EXPECT_EQ(TViewNavigation::PreviousFile(c.Selected), c.Previous);
    }
}

TEST(TViewNavigation, CaptionTellsWhetherMatchesCanBeStepped)
{
    TNullShellInfo shell;
    const TFileData file("/p", "notes.txt", shell);
    const std::string whole = TViewNavigation::PaneCaption(file, true);
    const std::string matches = TViewNavigation::PaneCaption(file, false);
    EXPECT_EQ(whole, "notes.txt (Whole file)");
    EXPECT_EQ(matches, "notes.txt (Matches only)");
    EXPECT_TRUE(TViewNavigation::AllowsMatchStepping(whole));
    EXPECT_FALSE(TViewNavigation::AllowsMatchStepping(matches));
    EXPECT_FALSE(TViewNavigation::AllowsMatchStepping(TViewNavigation::AllFilesCaption));
    EXPECT_FALSE(TViewNavigation::AllowsMatchStepping(""));
}

} // namespace
