// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "mainwindow/TWindowParts.h"
#include "presentation/TFileSectionWriter.h"

class TLinkAction;
class QMenu;
class TEventPump;
class THTMLViewer;

// The main window's views: the matches or the whole of the selected file, every file's
// matches, moving between files and matches, and the links and options of the results pane.
// Every view is written by a TFileSectionWriter into the results document, which loads into the
// pane; this is the one place the window hands documents to the pane and scrolls it.
//
// A view loads inside the command that asked for it and keeps the window alive through the
// event pump; the busy state is LoadingView meanwhile, and Stop ends the load early.
class TViewCommand {
public:
    using TViewMode = TFileSectionWriter::TViewMode;

    struct TCallbacks {
        // The subtitle of the all-matches document (the search's summary line).
        std::function<QString()> SummaryLine;
        // Opens a file in the editor at a line and column (a link of the pane).
        std::function<void(const std::string& path, int64_t line, int64_t column)> OpenFileAt;
        // A file of an all-files view has been written (a signal for whoever watches the load).
        std::function<void()> FileWritten;
        // Gives the focus back to the file list.
        std::function<void()> FocusFileList;
    };

    TViewCommand(TWindowParts parts, THTMLViewer& pane, TEventPump& pump, TCallbacks callbacks);
    ~TViewCommand();
    TViewCommand(const TViewCommand&) = delete;
    TViewCommand& operator=(const TViewCommand&) = delete;

    // Shows the selected file in `mode`; a file too large for a whole-file view is refused with
    // a message.
    void ShowSelectedFile(TViewMode mode);
    // Shows every file's matches (only when idle and the list has rows).
    void ViewAllMatches();
    // Ends a loading view early.
    void Stop() { StopLoading = true; }

    // The View menu and buttons, and the file list's pop-up menu.
    void ViewAllClick() { ViewAllMatches(); }
    void MatchesOnlyClick();
    void WholeFileClick();
    void ViewMatchesClick();
    void ViewFileClick();
    void PreviousFileClick();
    void NextFileClick();
    void NextMatchClick();
    void PreviousMatchClick();
    // A click or a key on the file list that may have changed the selected file.
    void SelectionClicked();
    void SelectionMovedByKey();

    // The results pane: a link, the title and menu option, the browser.
    void LinkClicked(const QString& target);
    // The same for a link of the pane, which reports the action it asks for.
    void ActionClicked(const TLinkAction& action);
    void TitleClick();
    void OpenInBrowserClick();
    // Shows the current match of the displayed file.
    void GoToCurrentMatch();

    // The pane's pop-up menu, readied before it opens.
    QMenu& PaneMenu() const { return *Popup; }
    void PreparePaneMenu();

    // The pane's document and its selection.
    THTMLViewer& Pane() const { return View; }
    bool HasDocument() const;
    bool HasSelection() const;
    void CopySelection();
    void SelectAll();
    // The whole document as plain text; the selection is left empty.
    QString AllText();

private:
    // Sets the status line, the progress bar and the busy state for a load; the destructor
    // gives the idle state and the normal cursor back.
    class TLoadScope;
    // Offers to open the document with the browser when it is too large for the pane.
    void OfferBrowser(std::string_view question);
    void SelectFirstRowWhenNone();
    void RebuildView();
    void CreatePaneMenu();

    TWindowParts Parts;
    THTMLViewer& View;
    TCallbacks Callbacks;
    std::unique_ptr<TFileSectionWriter> Writer;
    QMenu* Popup = nullptr;
    bool StopLoading = false;
};
