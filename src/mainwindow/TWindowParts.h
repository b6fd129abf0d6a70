// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string>

#include "mainwindow/TWindowState.h"

class QProgressBar;
class TFileData;
class TFileList;
class TFileListModel;
class TFileListView;
class THTMLWin;
class TPanelBar;
class TProgramData;
class TSearchData;
class TUserInteraction;

// What the main window does for its commands.
class TCommandHost {
public:
    virtual ~TCommandHost() = default;
    // A text for the status line, shown at once.
    virtual void ShowStatus(const QString& text) = 0;
    // The message dialog with a caption, a title line and a text.
    virtual void ShowInfo(const QString& caption, const QString& title, const QString& text) = 0;
    // Sets the busy state and recomputes the commands.
    virtual void SetBusy(TWindowState::TBusy busy) = 0;
    // Applies the commands TCommandRules computes from the window state.
    virtual void UpdateCommands() = 0;
    // Takes the row the file list highlights as the selected file and recomputes the commands.
    virtual void FindSelectedRow() = 0;
    virtual TUserInteraction& User() = 0;
};

// The main window's objects a command works on. They belong to the window and outlive its
// commands.
struct TWindowParts {
    TCommandHost& Host;
    TWindowState& State;
    TSearchData& Search;
    TProgramData& Program;
    TFileList& Files;
    TFileListModel& ListModel;
    TFileListView& ListView;
    THTMLWin& Document;
    TPanelBar& Details;
    QProgressBar& Progress;

    // The file of a row, or none (also for -1 and rows past the end).
    TFileData* FileAt(int row) const;
    TFileData* SelectedFile() const { return FileAt(State.SelectedRow); }
    TFileData* DisplayedFile() const { return FileAt(State.DisplayedRow); }
    // Makes `row` the selected file (-1 none; a row past the end is none). The program data's
    // SelectedItem, which the replace dialogs read, follows.
    void SetSelectedRow(int row);
    // The list is about to be emptied: no row names a file any more.
    void ForgetRows();
};
