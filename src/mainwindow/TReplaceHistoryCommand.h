// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>

#include "mainwindow/TReplaceCommand.h"

class TReplaceHistoryDlg;
class TReplaceHistorySource;
class TResultsSink;

// The main window's Replace History command: shows the replace runs the journal keeps and, when
// the user confirmed the undo of one, restores its files and shows the undo's report in the
// results pane, as a replace report is shown.
//
// HistoryClick, in order:
// 1. Shows TReplaceHistoryDlg; anything but a confirmed Undo ends the command.
// 2. SetViewCaption("Undo results"), ShowStatus("Undo in progress. Please wait...").
// 3. Begins the report document. When it cannot be made, nothing is restored: ShowInfo tells
//    why, and the command ends.
// 4. The journal's undo of the chosen run, with the status text "Undoing in <path>" as each
//    file's outcome reaches the report, and ProcessPendingMessage there.
// 5. Finishes the report (the pane shows it), UpdateCommands, SetPaneContent(0), and the status
//    text "Undo complete." or, when files were left alone, how many. When the undo could not be
//    attempted at all, ShowInfo says why.
//
// While the undo runs the window must keep still as during a replace: ProcessPendingMessage
// must not deliver user input, and the window refuses to close while IsRunning().
class TReplaceHistoryCommand {
public:
    struct TContext {
        TReplaceHistorySource& Source;
        TReplaceHistoryDlg& Dialog;
        TResultsSink& Report;
    };
    // What belongs to the window: the same as for a replace (Confirm is not used; ShowModal
    // shows the history dialog). Every callback is optional.
    using TCallbacks = TReplaceCommand::TCallbacks;

    static constexpr const char* ViewCaption = "Undo results";
    static constexpr const char* ProgressText = "Undo in progress. Please wait...";
    static constexpr const char* StatusPrefix = "Undoing in ";
    static constexpr const char* CompleteText = "Undo complete.";
    // %1: the number of files left alone.
    static constexpr const char* LeftAloneText = "Undo complete; %1 files were left alone (see the report).";
    static constexpr const char* ErrorCaption = "Undo Error";
    static constexpr const char* ErrorTitle = TReplaceCommand::ErrorTitle;
    static constexpr const char* NoReportText =
        "The undo report could not be created in the temporary folder, so no file has been restored.";

    TReplaceHistoryCommand(TContext context, TCallbacks callbacks);
    TReplaceHistoryCommand(const TReplaceHistoryCommand&) = delete;
    TReplaceHistoryCommand& operator=(const TReplaceHistoryCommand&) = delete;

    // The body of the window's handler. True when an undo took place.
    bool HistoryClick();
    bool IsRunning() const { return Running; }

private:
    void Undo(int64_t run);
    void ShowStatus(const QString& text) const;
    void ShowError(const QString& text) const;

    TContext Context;
    TCallbacks Callbacks;
    bool Running = false;
};
