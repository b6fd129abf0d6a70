// SPDX-License-Identifier: MIT
#include "dialogs/TDialogText.h"
#include "mainwindow/TSearchCommand.h"

#include <QCursor>
#include <QDialog>
#include <QGuiApplication>
#include <QProgressBar>

#include <algorithm>

#include <unistd.h>

#include "engine/TSearchEngine.h"
#include "mainwindow/TFileListModel.h"
#include "mainwindow/TPanelBar.h"
#include "mainwindow/TUserInteraction.h"
#include "model/TProfile.h"
#include "model/TProgramData.h"
#include "model/TResultSetFile.h"
#include "model/TSearchData.h"
#include "model/TSearchStats.h"
#include "adapters/TEventPump.h"
#include "engine/TCountAhead.h"
#include "presentation/THTMLWin.h"
#include "presentation/TSearchSummary.h"

TSearchCommand::TSearchCommand(TWindowParts parts, TSearchStats& stats, TEventPump& pump,
                               const std::string& baseFolder, QDialog& expertDialog, QDialog& assistant,
                               TCallbacks callbacks)
    : Parts(parts),
      Stats(stats),
      ExpertDialog(expertDialog),
      Assistant(assistant),
      Callbacks(std::move(callbacks)),
      SearchEngine(std::make_unique<TSearchEngine>(parts.Search, parts.Files, stats, NoShell))
{
    if (!baseFolder.empty())
        SearchEngine->SetBaseFolder(baseFolder);
    TSearchNotifications notify;
    notify.Progress = [this] { UpdateStatus(); };
    notify.NewResult = [this](TFileData& record) {
        record.DescribeWith(Shell);
        Parts.ListModel.AddFileRow(record);
    };
    notify.SkipNote = [this](const std::string& note) { Parts.Document.WriteMessageLine(note); };
    notify.Error = [this](const std::string& caption, const std::string& title, const std::string& text) {
        Parts.Host.ShowInfo(TDialogText::Show(caption), TDialogText::Show(title), TDialogText::Show(text));
    };
    notify.ProcessPendingMessage = [&pump] { pump(); };
    SearchEngine->SetNotifications(std::move(notify));
}

TSearchCommand::~TSearchCommand() = default;

void TSearchCommand::Start()
{
    Parts.Search.SearchAgain = false;
    Run();
}

void TSearchCommand::RunWhenAccepted(QDialog& dialog)
{
    if (Parts.Host.User().ShowModal(dialog) == QDialog::Accepted)
        Run();
}

void TSearchCommand::AskAndRun(bool searchAgain)
{
    if (!Parts.State.IsIdle())
        return;
    Parts.Search.SearchAgain = searchAgain;
    RunWhenAccepted(Parts.Program.ExpertMode ? ExpertDialog : Assistant);
}

std::unique_ptr<TCountAhead> TSearchCommand::CountAheadFor(const TSearchData& settled,
                                                         const std::vector<std::string>& arguments,
                                                         const std::string& currentFolder)
{
    TSearchData data = settled;
    data.SearchAgain = false;
    std::string parameterPath;
    switch (data.ParseCommandLine(arguments, parameterPath, currentFolder)) {
    case TSearchData::RunSearchNow:
        break;
    case TSearchData::LoadParameterFile: {
        // As RunFromCommandLine reads it; a result set or a file it cannot read runs no search.
        if (parameterPath.empty() || TResultSetFile::IsResultSetName(parameterPath) ||
            ::access(parameterPath.c_str(), R_OK) != 0)
            return nullptr;
        TProfile profile;
        profile.FileName = parameterPath;
        data.LoadFromProfile(profile);
        break;
    }
    default:
        return nullptr;
    }
    if (!data.CountFilesFirst)
        return nullptr;
    return std::make_unique<TCountAhead>(data, currentFolder, 0);
}

int TSearchCommand::RunFromCommandLine(const std::vector<std::string>& arguments, const std::string& currentFolder,
                                       TProfile& parameterFile)
{
    Parts.Search.SearchAgain = false;
    std::string parameterPath;
    const int action = Parts.Search.ParseCommandLine(arguments, parameterPath, currentFolder);
    switch (action) {
    case TSearchData::NothingToRun:
        // A saved result set named alone, as a double click on one starts the program.
        if (arguments.size() == 2 && TResultSetFile::IsResultSetName(arguments[1]) && Callbacks.OpenResults) {
            Callbacks.OpenResults(arguments[1]);
            break;
        }
        if (!Parts.Program.ExpertMode)
            RunWhenAccepted(Assistant);
        else if (Parts.Program.ShowDlgOnStart)
            RunWhenAccepted(ExpertDialog);
        break;
    case TSearchData::LoadParameterFile:
        if (parameterPath.empty())
            break;
        if (TResultSetFile::IsResultSetName(parameterPath) && Callbacks.OpenResults) {
            Callbacks.OpenResults(parameterPath);
            break;
        }
        // A parameter file that cannot be read would run a search with whatever the missing
        // keys default to; say so instead.
        if (::access(parameterPath.c_str(), R_OK) != 0) {
            Parts.Host.ShowInfo(QStringLiteral("Open Error"), QStringLiteral("Cannot read the parameter file:"),
                                TDialogText::Show(parameterPath));
            break;
        }
        parameterFile.FileName = parameterPath;
        Parts.Search.LoadFromProfile(parameterFile);
        Run();
        break;
    case TSearchData::ShowSearchDialog:
        RunWhenAccepted(ExpertDialog);
        break;
    case TSearchData::RunSearchNow:
        Run();
        break;
    default:
        break;
    }
    return action;
}

void TSearchCommand::Stop()
{
    SearchEngine->StopSearch();
}

void TSearchCommand::SetSummary(const QString& summary, const QString& speed)
{
    Summary = summary;
    Speed = speed;
    Parts.Details.SetPanelText(0, summary);
    Parts.Details.SetPanelText(1, speed);
}

void TSearchCommand::Run()
{
    if (!Parts.State.IsIdle())
        return;
    Parts.Host.SetBusy(TWindowState::TBusy::Searching);
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    Parts.State.View = TWindowState::TViewChoice::None;
    Parts.Host.UpdateCommands();

    // The records of the last search are about to go: nothing may name them any more.
    Parts.ForgetRows();
    Parts.ListModel.Clear();

    Parts.Document.ClearView();
    Parts.Document.BeginDocument();
    const QString criteria = TDialogText::Show(TSearchSummary::Criteria(Parts.Search));
    SetSummary(criteria, QString());

    bool searched = true;
    if (Parts.Search.SearchAgain || !Parts.Search.CountFilesFirst) {
        SearchEngine->Search();
    } else {
        Parts.Host.ShowStatus(QStringLiteral("Counting files. Please wait..."));
        if (SearchEngine->CountFiles()) {
            Parts.Progress.setRange(0, std::max(1, Stats.CountedFiles));
            Parts.Progress.setValue(0);
            SearchEngine->Search();
        } else {
            searched = false;
        }
    }

    Parts.ListModel.FlushRows();
    Parts.Host.SetBusy(TWindowState::TBusy::Idle);
    if (Callbacks.Finished)
        Callbacks.Finished();
    Parts.ForgetRows();
    UpdateStatus();
    if (searched) {
        SetSummary(TDialogText::Show(TSearchSummary::Result(Parts.Search, Stats)),
                   TDialogText::Show(TSearchSummary::Speed(Stats)));
    } else {
        // The counters still hold the last complete pass; a summary of them would mislead.
        SetSummary(criteria + QStringLiteral(": stopped while counting files."), QString());
    }
    Parts.State.Pane = TWindowState::TPaneContent::Other;
    Parts.State.View = TWindowState::TViewChoice::None;
    Parts.Host.UpdateCommands();
    QGuiApplication::restoreOverrideCursor();
    Parts.Document.FinishDocument();
    if (Parts.Program.OMWAS && searched && Parts.ListModel.rowCount() > 0 && Callbacks.ViewAllMatches)
        Callbacks.ViewAllMatches();
}

void TSearchCommand::UpdateStatus()
{
    if (Parts.State.Busy == TWindowState::TBusy::Searching) {
        if (Callbacks.Progressed)
            Callbacks.Progressed();
        // The engine reports every file; nobody reads more than a few dozen names a second, and
        // setting the texts for each would cost a large share of the search.
        if (ProgressShown.isValid() && ProgressShown.elapsed() < ProgressIntervalMs)
            return;
        ProgressShown.start();
        std::string path = Stats.CurrentFolder;
        if (path.empty() || path.back() != '/')
            path += '/';
        path += Stats.CurrentFile;
        Parts.Host.ShowStatus(QStringLiteral("Searching ") + TDialogText::Show(path));
        if (Parts.Search.CountFilesFirst && !Parts.Search.SearchAgain)
            Parts.Progress.setValue(std::min<int>(static_cast<int>(Stats.SearchedFiles), Parts.Progress.maximum()));
    } else {
        ProgressShown.invalidate();
        Parts.Progress.setValue(0);
        Parts.Host.ShowStatus(Stats.Completed ? QStringLiteral("Search complete")
                                              : QStringLiteral("Search terminated by user"));
    }
}
