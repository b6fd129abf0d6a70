// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// What the main window is doing and showing, in one plain value. The commands change it; the
// enabled and checked commands are computed from it (TCommandRules), never remembered apart.
//
// Files are named by their row in the file list. Rows are only valid for the list they were
// taken from: the window sets them back to -1 whenever the list is emptied and maps them to
// the new rows when the list is sorted, and a row is always looked up through the list model,
// which answers "no file" for a row out of range. So no row can point at a record that is gone.
struct TWindowState {
    enum class TBusy : uint8_t {
        Idle,
        Searching,
        LoadingView,
    };
    // The view the View menu and buttons show as chosen.
    enum class TViewChoice : uint8_t {
        None,
        AllMatches,
        MatchesInFile,
        WholeFile,
    };
    // What the results pane holds.
    enum class TPaneContent : uint8_t {
        Other,       // nothing, a search's messages or a replace report
        OneFile,     // the selected file, as LastFileView says
        AllMatches,  // every file's matches
    };
    // How the last single file was shown.
    enum class TFileView : uint8_t {
        MatchesOnly,
        WholeFile,
    };

    TBusy Busy = TBusy::Idle;
    TViewChoice View = TViewChoice::None;
    TPaneContent Pane = TPaneContent::Other;
    TFileView LastFileView = TFileView::MatchesOnly;

    // The rows of the file list.
    int Rows = 0;
    // The row of the file the commands act on, -1 none.
    int SelectedRow = -1;
    // The row of the file the pane shows, -1 none, and how many matches that file has.
    int DisplayedRow = -1;
    int DisplayedMatches = 0;
    // The current match of the displayed file, -1 none.
    int32_t CurrentMatch = -1;

    // The pane has been given a document (it is, from the window's creation on).
    bool DocumentShown = false;
    // The last search's matches are whole lines without the text, so there is nothing to replace.
    bool InvertedSearch = false;
    bool ExpertMode = false;
    bool HorizontalSplit = true;
    // A replace or the undo of one is changing files.
    bool Replacing = false;
    // The last replace of the window was recorded, so its changes can be saved.
    bool ReplaceRecorded = false;

    bool IsIdle() const { return Busy == TBusy::Idle; }
    bool WholeFileShown() const { return Pane == TPaneContent::OneFile && LastFileView == TFileView::WholeFile; }
};
