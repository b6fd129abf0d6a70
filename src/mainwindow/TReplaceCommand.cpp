// SPDX-License-Identifier: MIT
#include "mainwindow/TReplaceCommand.h"

#include <utility>

#include "dialogs/TDialogText.h"
#include "dialogs/TReplaceConfirmDlg.h"
#include "dialogs/TReplaceDlg.h"
#include "dialogs/TReplaceWizardDlg.h"
#include "model/TFileList.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "presentation/THTMLWin.h"
#include "replace/TReplaceCsv.h"
#include "replace/TReplaceData.h"
#include "replace/TReplaceJournal.h"

TReplaceCommand::TReplaceCommand(TContext context, TCallbacks callbacks)
    : Context(context), Callbacks(std::move(callbacks)), Engine(Context.Options, Context.Program, Context.Report)
{
    TReplaceNotifications notify;
    notify.Confirm = [this](const TReplaceQuestion& question) {
        return Callbacks.Confirm ? Callbacks.Confirm(question) : Context.ConfirmDialog.Ask(question);
    };
    notify.ShowStatus = [this](const std::string& text) { ShowStatus(TDialogText::Show(text)); };
    notify.ProcessPendingMessage = [this] {
        if (Callbacks.ProcessPendingMessage)
            Callbacks.ProcessPendingMessage();
    };
    Engine.SetNotifications(std::move(notify));
}

bool TReplaceCommand::IsAvailable(const TProgramData& program, const TFileList& files, const TSearchData& search)
{
    return program.BusyState == TProgramData::Idle && files.Count() > 0 && !search.Invert;
}

void TReplaceCommand::ShowStatus(const QString& text) const
{
    if (Callbacks.ShowStatus)
        Callbacks.ShowStatus(text);
}

bool TReplaceCommand::AskForOptions()
{
    QDialog& dialog = Context.Program.ExpertMode ? static_cast<QDialog&>(Context.ExpertDialog)
                                                 : static_cast<QDialog&>(Context.Assistant);
    const int result = Callbacks.ShowModal ? Callbacks.ShowModal(dialog) : dialog.exec();
    return result == QDialog::Accepted;
}

bool TReplaceCommand::ReplaceClick()
{
    if (Running || !AskForOptions())
        return false;
    Running = true;
    struct TClearOnExit {
        bool& Flag;
        ~TClearOnExit() { Flag = false; }
    } clear{Running};
    Run();
    return true;
}

void TReplaceCommand::Run()
{
    if (Callbacks.SetViewCaption)
        Callbacks.SetViewCaption(QString::fromLatin1(ViewCaption));
    ShowStatus(QString::fromLatin1(ProgressText));

    THTMLWin& report = Context.Report;
    if (!report.BeginDocument()) {
        // Without a report the user could not learn what was changed and where the backups
        // are, so nothing is changed.
        report.FinishDocument();
        if (Callbacks.UpdateCommands)
            Callbacks.UpdateCommands();
        ShowStatus(QString());
        if (Callbacks.ShowInfo)
            Callbacks.ShowInfo(QString::fromLatin1(ErrorCaption), QString::fromLatin1(ErrorTitle),
                               QString::fromLatin1(NoReportText));
        return;
    }

    Engine.SetJournal(Context.Journal, Context.Search.SearchString);
    bool ran = true;
    if (Context.Options.Mode == TReplaceData::SelectedFileOnly) {
        ran = Context.Program.SelectedItem != nullptr;
        if (ran)
            Engine.ReplaceFile(*Context.Program.SelectedItem);
    } else {
        Engine.ReplaceFiles(Context.Files);
    }

    report.FinishDocument();
    if (Callbacks.UpdateCommands)
        Callbacks.UpdateCommands();
    if (Callbacks.SetPaneContent)
        Callbacks.SetPaneContent(0);
    if (Engine.JournalRefused()) {
        // The journal could not take the run, so no file was touched; the report says why.
        ShowStatus(QString());
        if (Callbacks.ShowInfo)
            Callbacks.ShowInfo(QString::fromLatin1(ErrorCaption), QString::fromLatin1(ErrorTitle),
                               QString::fromLatin1(JournalRefusedText));
        return;
    }
    const TReplaceEngine::TReportLoss& loss = Engine.LostReport();
    if (!ran || loss.FullPath.empty()) {
        ShowStatus(QString::fromLatin1(CompleteText));
        return;
    }
    // The run ended where the report could not follow it; the user learns where that was.
    ShowStatus(QString());
    if (Callbacks.ShowInfo)
        Callbacks.ShowInfo(QString::fromLatin1(ErrorCaption), QString::fromLatin1(ErrorTitle),
                           QString::fromLatin1(loss.Replaced ? ReportLostAfterReplaceText : ReportLostText)
                               .arg(TDialogText::Show(loss.FullPath)));
}

bool TReplaceCommand::LastRunCsv(std::string& csv) const
{
    if (Context.Journal == nullptr || LastRun() == 0)
        return false;
    csv = TReplaceCsv::Document(Context.Journal->Files(LastRun()));
    return true;
}
