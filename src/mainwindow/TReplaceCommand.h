// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <QDialog>

#include <functional>

#include "replace/TReplaceEngine.h"

class TFileList;
class THTMLWin;
class TProgramData;
class TReplaceConfirmDlg;
class TReplaceData;
class TReplaceDlg;
class TReplaceJournal;
class TReplaceWizardDlg;
class TSearchData;

// The main window's Replace command: asks for the replace options, runs the replace engine over
// the selected file or over every file of the result list, and shows the run's report in the
// results pane.
//
// ReplaceClick, in order:
// 1. Shows TReplaceDlg in expert mode, else TReplaceWizardDlg; anything but OK or Finish ends
//    the command (the dialog has stored the options already).
// 2. SetViewCaption("Replace results"), ShowStatus("Replace in progress. Please wait...").
// 3. Begins the report document (no title block). When it cannot be made, nothing is replaced:
//    ShowInfo tells why, and the command ends.
// 4. With the mode "selected file only": the file of the selected row (TProgramData's
//    SelectedItem; nothing is replaced when no row is selected). With the mode "all files": each
//    record of the result list in the list's current order, with the status text
//    "Replacing in <path>" before each; a Cancel All ends the loop.
// 5. Finishes the report (the document builder loads it into the pane), UpdateCommands,
//    SetPaneContent(0), ShowStatus("Replace complete."). When the engine ended the run because
//    the report could not be written (TReplaceEngine::LostReport), ShowStatus("") instead, and
//    ShowInfo names the file where the run ended. When the journal could not record the run,
//    which then changed nothing, ShowStatus("") and ShowInfo says so.
//
// The command is offered only when IsAvailable says so. The result list is not changed by a
// run. While the run goes on the window must keep the result list and the options as they are:
// ProcessPendingMessage must not deliver user input (it may repaint), the window must refuse to
// close while IsRunning(), and a second ReplaceClick during a run is ignored.
//
// The window makes one command when it has made its objects and dialogs, and calls it from its
// handler:
//
//     Replacing = std::make_unique<TReplaceCommand>(
//         TReplaceCommand::TContext{*ReplaceOptions, *Search, *Program, *Files, *HTMLWindow,
//                                   *ReplaceDialog, *ReplaceAssistant, *ReplaceConfirmation},
//         TReplaceCommand::TCallbacks{
//             .ShowStatus = [this](const QString& text) { ShowStatus(text); },
//             .SetViewCaption = [this](const QString& text) { DetailsBar->SetText(1, text); },
//             .UpdateCommands = [this] { UpdateCommands(); },
//             .ProcessPendingMessage = [this] { ReplacePump(); },  // a TEventPump that repaints only
//             .ShowInfo = [this](const QString& caption, const QString& title, const QString& text) {
//                 InfoDialog->SetTexts(caption, title, text);
//                 InfoDialog->exec();
//             },
//             .SetPaneContent = [this](int content) { PaneContent = content; },
//         });
//     void TMainForm::ReplaceClick() { Replacing->ReplaceClick(); }
//
// The objects of the context must outlive the command. Every callback is optional.
class TReplaceCommand {
public:
    // The main window's objects the command works on.
    struct TContext {
        TReplaceData& Options;
        const TSearchData& Search;
        TProgramData& Program;
        TFileList& Files;
        THTMLWin& Report;
        TReplaceDlg& ExpertDialog;
        TReplaceWizardDlg& Assistant;
        TReplaceConfirmDlg& ConfirmDialog;
        // Records every run, so that it can be undone; none: runs are not recorded.
        TReplaceJournal* Journal = nullptr;
    };

    // What belongs to the window.
    struct TCallbacks {
        // A text for the bottom status bar, shown at once.
        std::function<void(const QString& text)> ShowStatus;
        // The text of the second panel of the details bar.
        std::function<void(const QString& text)> SetViewCaption;
        // Recomputes which commands are enabled.
        std::function<void()> UpdateCommands;
        // Lets the window repaint; called between lines and files. Must not deliver user input,
        // e.g. QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents), throttled.
        std::function<void()> ProcessPendingMessage;
        // Shows the message dialog with a caption, a title line and a text.
        std::function<void(const QString& caption, const QString& title, const QString& text)> ShowInfo;
        // Sets what the results pane shows; the command sets 0 (neither one file nor all matches).
        std::function<void(int content)> SetPaneContent;
        // Answers the question before each change instead of ConfirmDialog (for tests).
        std::function<TReplaceAnswer(const TReplaceQuestion& question)> Confirm;
        // Shows the options dialog modally and returns its result; unset: exec().
        std::function<int(QDialog& dialog)> ShowModal;
    };

    static constexpr const char* ViewCaption = "Replace results";
    static constexpr const char* ProgressText = "Replace in progress. Please wait...";
    static constexpr const char* CompleteText = "Replace complete.";
    static constexpr const char* ErrorCaption = "Replace Error";
    static constexpr const char* ErrorTitle = "An error has occured:";
    static constexpr const char* NoReportText =
        "The replace report could not be created in the temporary folder, so no file has been changed.";
    // When the report could not take the section of the file %1 (its path), so the run ended.
    static constexpr const char* ReportLostText =
        "The replace report could not be written in the temporary folder, so the replace has been stopped: %1 "
        "and the files after it have not been changed.";
    static constexpr const char* JournalRefusedText =
        "The replace journal could not record the replace, so no file has been changed. The report says why.";
    static constexpr const char* ReportLostAfterReplaceText =
        "The replace report could not be written in the temporary folder, so the replace has been stopped after "
        "the replace in %1, which the report does not show. The files after it have not been changed.";

    TReplaceCommand(TContext context, TCallbacks callbacks);
    TReplaceCommand(const TReplaceCommand&) = delete;
    TReplaceCommand& operator=(const TReplaceCommand&) = delete;

    // The body of the window's ReplaceClick. True when a replace run took place.
    bool ReplaceClick();
    // Whether the command can be offered: nothing runs, the result list is not empty and the
    // last search was not an inverted one (its matches are whole lines without the text).
    static bool IsAvailable(const TProgramData& program, const TFileList& files, const TSearchData& search);
    bool IsRunning() const { return Running; }
    // The journal's number of the last run, 0 when there was none or it was not recorded.
    int64_t LastRun() const { return Engine.JournalRun(); }
    // The changes of the last run as comma-separated values (file, line, column, old text,
    // new text), read back from the journal; false when the last run was not recorded.
    bool LastRunCsv(std::string& csv) const;

private:
    bool AskForOptions();
    void Run();
    void ShowStatus(const QString& text) const;

    TContext Context;
    TCallbacks Callbacks;
    TReplaceEngine Engine;
    bool Running = false;
};
