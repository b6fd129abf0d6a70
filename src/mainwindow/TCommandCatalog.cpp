// SPDX-License-Identifier: MIT
#include "mainwindow/TCommandCatalog.h"

std::span<const TCommandCatalog::TItem> TCommandCatalog::Items()
{
    static const TItem items[] = {
        {"OpenItem", "&Open...", "", "Load previously saved search parameters", false},
        {"SaveAsItem", "S&ave As...", "Ctrl+S", "Save current search parameters or results", false},
        {"SaveReportItem", "Save Replace Report as &CSV...", "",
         "Save the changes of the last replace as comma-separated values", false},
        {"PrintItem", "&Print...", "", "Print contents of current window", false},
        {"PrintSetupItem", "P&rint Setup...", "", "Display print setup dialog", false},
        {"ExitItem", "E&xit", "", "Exit the program", false},
        {"CopyItem", "&Copy", "Ctrl+C", "Copy selected text to clipboard", false},
        {"SelectAllItem", "Select &All", "", "Select all text in results window", false},
        {"NewSearchItem", "Search...", "Ctrl+F", "Edit search criteria and start a search", false},
        {"SearchAgainItem", "&Search Files in List...", "", "Search files found last time again", false},
        {"StartItem", "&Start Search", "", "Start the search", false},
        {"StopItem", "S&top Search", "", "Stop the search", false},
        {"ReplaceItem", "&Replace...", "Ctrl+R", "Replace in files found in the last search", false},
        {"ReplaceHistoryItem", "Replace &History...", "Ctrl+H", "List earlier replaces and undo one of them", false},
        {"ViewAllItem", "&All matches", "", "View all matches in all files", true},
        {"MatchesOnlyItem", "&Matches in selected file", "", "View matches in selected file", true},
        {"WholeFileItem", "&Selected file", "", "View all of the selected file", true},
        {"PreviousFileItem", "&Previous File", "Ctrl+P", "", false},
        {"NextFileItem", "&Next File", "Ctrl+N", "", false},
        {"PreviousMatchItem", "Pr&evious Match", "Ctrl+E", "", false},
        {"NextMatchItem", "Next &Match", "Ctrl+M", "", false},
        {"PreferencesItem", "&Preferences...", "", "Set program preferences", false},
        {"BeginnerItem", "&Beginner Mode", "", "Set user interface to beginner mode", true},
        {"ExpertItem", "&Expert Mode", "", "Set user interface to expert mode", true},
        {"NewWindowItem", "New", "", "Open new search window", false},
        {"HorizontalSplitItem", "&Horizontal Split", "", "Split window horizontally", true},
        {"VerticalSplitItem", "&Vertical Split", "", "Split window vertically", true},
        {"HelpContentsItem", "Contents...", "", "Show help file contents", false},
        {"AboutItem", "&About...", "", "Display information about the program", false},
    };
    return items;
}

std::span<const TCommandCatalog::TButton> TCommandCatalog::Buttons()
{
    static const TButton buttons[] = {
        {"OpenSearchButton", "OpenItem", "Load", "Load previously saved search parameters", "document-open",
         QStyle::SP_DialogOpenButton, false, false},
        {"SaveSearchButton", "SaveAsItem", "Save", "Save current search parameters or results", "document-save",
         QStyle::SP_DialogSaveButton, false, false},
        {"PrintButton", "PrintItem", "Print", "Print contents of window", "document-print", QStyle::SP_FileIcon, false,
         true},
        {"NewSearchButton", "NewSearchItem", "Search", "Edit search criteria and start a search", "edit-find",
         QStyle::SP_FileDialogContentsView, false, false},
        {"ReplaceButton", "ReplaceItem", "Replace", "Replace in files found in the last search", "edit-find-replace",
         QStyle::SP_BrowserReload, false, false},
        {"SearchAgainButton", "SearchAgainItem", "Search again", "Search files found last time again",
         "view-refresh-symbolic", QStyle::SP_BrowserReload, false, true},
        {"StartButton", "StartItem", "Start", "Start the search", "quarnel-start", QStyle::SP_MediaPlay, false, false},
        {"StopButton", "StopItem", "Stop", "Stop the search", "process-stop", QStyle::SP_BrowserStop, false, true},
        {"ViewAllButton", "ViewAllItem", "View search results", "View all matches in all files", "format-justify-fill",
         QStyle::SP_FileDialogListView, true, false},
        {"MatchesOnlyButton", "MatchesOnlyItem", "View matching lines", "View matching lines in selected file",
         "edit-select-all", QStyle::SP_FileDialogDetailedView, true, false},
        {"WholeFileButton", "WholeFileItem", "View whole file", "View all of the selected file", "quarnel-whole-file",
         QStyle::SP_FileIcon, true, true},
        {"PreviousFileButton", "PreviousFileItem", "Previous file", "Go to previous file", "go-up-symbolic",
         QStyle::SP_ArrowUp, false, false},
        {"PreviousMatchButton", "PreviousMatchItem", "Previous match", "Go to previous match in file",
         "go-previous-symbolic", QStyle::SP_ArrowBack, false, false},
        {"NextMatchButton", "NextMatchItem", "Next match", "Go to next match in file", "go-next-symbolic",
         QStyle::SP_ArrowForward, false, false},
        {"NextFileButton", "NextFileItem", "Next file", "Go to next file", "go-down-symbolic", QStyle::SP_ArrowDown,
         false, true},
        {"HorizontalSplitButton", "HorizontalSplitItem", "Horizontal split", "Split window horizontally",
         "view-dual-symbolic", QStyle::SP_TitleBarShadeButton, true, false},
        {"VerticalSplitButton", "VerticalSplitItem", "Vertical split", "Split window vertically",
         "view-paged-symbolic", QStyle::SP_TitleBarUnshadeButton, true, true},
        {"NewWindowButton", "NewWindowItem", "New window", "Open new search window", "window-new-symbolic",
         QStyle::SP_TitleBarNormalButton, false, true},
        {"HelpButton", "HelpContentsItem", "Help", "View help file", "help-browser", QStyle::SP_DialogHelpButton,
         false, false},
    };
    return buttons;
}

std::span<const TCommandCatalog::TMenu> TCommandCatalog::Menus()
{
    static const char* const file[] = {"OpenItem", "SaveAsItem", "SaveReportItem", "-", "PrintItem", "PrintSetupItem", "-", "ExitItem",
                                       nullptr};
    static const char* const edit[] = {"CopyItem", "-", "SelectAllItem", nullptr};
    static const char* const search[] = {"NewSearchItem", "SearchAgainItem", "-", "StartItem", "StopItem", "-",
                                         "ReplaceItem", "ReplaceHistoryItem", nullptr};
    static const char* const view[] = {"ViewAllItem", "MatchesOnlyItem", "WholeFileItem", "-", "PreviousFileItem",
                                       "NextFileItem", "-", "PreviousMatchItem", "NextMatchItem", nullptr};
    static const char* const options[] = {"PreferencesItem", "-", "BeginnerItem", "ExpertItem", nullptr};
    static const char* const window[] = {"NewWindowItem", "-", "HorizontalSplitItem", "VerticalSplitItem", nullptr};
    static const char* const help[] = {"HelpContentsItem", "-", "AboutItem", nullptr};
    static const TMenu menus[] = {
        {"&File", file}, {"&Edit", edit}, {"&Search", search}, {"&View", view},
        {"&Options", options}, {"&Window", window}, {"&Help", help},
    };
    return menus;
}
