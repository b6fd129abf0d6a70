// SPDX-License-Identifier: MIT
#include "mainwindow/TReplaceHistoryCommand.h"

#include <QScopedValueRollback>

#include <utility>

#include "dialogs/TDialogText.h"
#include "dialogs/TReplaceHistoryDlg.h"
#include "dialogs/TReplaceHistorySource.h"
#include "presentation/TResultsSink.h"

TReplaceHistoryCommand::TReplaceHistoryCommand(TContext context, TCallbacks callbacks)
    : Context(context), Callbacks(std::move(callbacks))
{
}

void TReplaceHistoryCommand::ShowStatus(const QString& text) const
{
    if (Callbacks.ShowStatus)
        Callbacks.ShowStatus(text);
}

void TReplaceHistoryCommand::ShowError(const QString& text) const
{
    if (Callbacks.ShowInfo)
        Callbacks.ShowInfo(QString::fromLatin1(ErrorCaption), QString::fromLatin1(ErrorTitle), text);
}

bool TReplaceHistoryCommand::HistoryClick()
{
    if (Running)
        return false;
    QDialog& dialog = Context.Dialog;
    const int result = Callbacks.ShowModal ? Callbacks.ShowModal(dialog) : dialog.exec();
    const int64_t run = Context.Dialog.ChosenRun();
    if (result != QDialog::Accepted || run == 0)
        return false;
    const QScopedValueRollback<bool> running(Running, true);
    Undo(run);
    return true;
}

void TReplaceHistoryCommand::Undo(int64_t run)
{
    if (Callbacks.SetViewCaption)
        Callbacks.SetViewCaption(QString::fromLatin1(ViewCaption));
    ShowStatus(QString::fromLatin1(ProgressText));

    TResultsSink& report = Context.Report;
    if (!report.BeginDocument()) {
        // Without a report the user could not learn which files were put back.
        report.FinishDocument();
        if (Callbacks.UpdateCommands)
            Callbacks.UpdateCommands();
        ShowStatus(QString());
        ShowError(QString::fromLatin1(NoReportText));
        return;
    }
    const TReplaceHistorySource::TUndoResult result =
        Context.Source.Undo(run, report, [this](const std::string& path) {
            if (!path.empty())
                ShowStatus(QString::fromLatin1(StatusPrefix) + TDialogText::ShowPath(path));
            if (Callbacks.ProcessPendingMessage)
                Callbacks.ProcessPendingMessage();
        });
    report.FinishDocument();
    if (Callbacks.UpdateCommands)
        Callbacks.UpdateCommands();
    if (Callbacks.SetPaneContent)
        Callbacks.SetPaneContent(0);
    if (!result.Ran) {
        ShowStatus(QString());
        ShowError(TDialogText::Show(result.Problem));
        return;
    }
    ShowStatus(result.LeftAlone == 0 ? QString::fromLatin1(CompleteText)
                                     : QString::fromLatin1(LeftAloneText).arg(result.LeftAlone));
}
