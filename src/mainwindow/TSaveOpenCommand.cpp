// SPDX-License-Identifier: MIT
#include "dialogs/TDialogText.h"
#include "mainwindow/TSaveOpenCommand.h"

#include <QFile>

#include <sys/stat.h>

#include "mainwindow/TFileListModel.h"
#include "mainwindow/TSearchCommand.h"
#include "mainwindow/TUserInteraction.h"
#include "mainwindow/TViewCommand.h"
#include "model/TAtomicFile.h"
#include "model/TDateFormat.h"
#include "model/TResultSetFile.h"
#include "model/TProfile.h"
#include "model/TSearchData.h"
#include "presentation/TFileListCsv.h"
#include "presentation/THTMLWin.h"

TSaveOpenCommand::TSaveOpenCommand(TWindowParts parts, TProfile& parameterFile, TViewCommand& views,
                                   TSearchCommand& search, TSearchStats& stats)
    : Parts(parts), ParameterFile(parameterFile), Views(views), Search(search), Stats(stats)
{
}

QString TSaveOpenCommand::SavedNote(const std::string& savedDate)
{
    return QStringLiteral(" (saved ") + TDialogText::Show(savedDate) + QLatin1Char(')');
}

bool TSaveOpenCommand::WriteExport(const std::string& path, std::string_view content)
{
    // A failed or interrupted save never leaves a half-written file in place of a good one.
    static constexpr TAtomicFile::TOptions options{".qn-", ".tmp", 0666, false, true, true, true};
    struct stat original {};
    const bool exists = ::stat(path.c_str(), &original) == 0;
    return TAtomicFile::Replace(path, content, exists ? &original : nullptr, options);
}

void TSaveOpenCommand::SaveClick()
{
    if (!Parts.State.IsIdle())
        return;
    TUserInteraction& user = Parts.Host.User();
    const QString chosen = user.ChooseSaveFile();
    if (chosen.isEmpty())
        return;
    const std::string path = TDialogText::FromPath(chosen);
    const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : chosen.mid(dot).toUpper();
    const QString writeFailed = QStringLiteral("The file could not be written: ") + chosen;
    if (extension == QStringLiteral(".PAR")) {
        ParameterFile.FileName = path;
        Parts.Search.SaveToProfile(ParameterFile);
    } else if (extension == QStringLiteral(".CSV")) {
        std::string text = TFileListCsv::Header() + "\n";
        for (int row = 0; row < Parts.ListModel.rowCount(); ++row)
            text += TFileListCsv::Row(*Parts.ListModel.FileAt(row)) + "\n";
        if (!WriteExport(path, text))
            user.ShowMessage(QStringLiteral("Save failed"), writeFailed);
    } else if (extension == QStringLiteral(".HTM")) {
        if (!Parts.Document.CopyDocumentTo(path))
            user.ShowMessage(QStringLiteral("Save failed"),
                             QStringLiteral("An error occured when trying to save the file. This could be because the "
                                            "search results pane is empty."));
    } else if (extension == QStringLiteral(".TXT")) {
        const QByteArray text = Views.AllText().toUtf8() + '\n';
        if (!WriteExport(path, std::string_view(text.constData(), static_cast<std::size_t>(text.size()))))
            user.ShowMessage(QStringLiteral("Save failed"), writeFailed);
    } else if (extension == QStringLiteral(".QRS")) {
        SaveResults(path);
    }
}

void TSaveOpenCommand::SaveResults(const std::string& path)
{
    const QString& shown = Search.SummaryLine();
    const std::string summary =
        !OpenedSummaryShown.isEmpty() && shown == OpenedSummaryShown ? OpenedSummary : TDialogText::Bytes(shown);
    std::string error;
    if (!TResultSetFile::Save(path, Parts.Search, Stats, summary, TDialogText::Bytes(Search.SpeedLine()), Parts.Files,
                              error))
        Parts.Host.User().ShowMessage(QStringLiteral("Save failed"), TDialogText::Show(error));
}

void TSaveOpenCommand::OpenResults(const std::string& path)
{
    if (!Parts.State.IsIdle())
        return;
    TResultSet set;
    std::string error;
    // The views read the lines from the files: the set's line texts are not kept.
    if (!TResultSetFile::Load(path, set, error, TResultSetFile::TLineTexts::Skip)) {
        Parts.Host.ShowInfo(QStringLiteral("Open Error"), QStringLiteral("The results could not be opened:"),
                            TDialogText::Show(error));
        return;
    }
    // The rows name the records about to go: empty the view first.
    Parts.ForgetRows();
    Parts.ListModel.Clear();
    Parts.Files.Clear();
    Parts.Search = std::move(set.Criteria);
    Parts.Search.SearchAgain = false;
    Stats = set.Stats;
    for (std::unique_ptr<TFileData>& record : set.Files.TakeAll()) {
        // The saved type name stays; icons are the desktop's and are not saved.
        record->Icon = Shell.Icon(record->FullPath);
        TFileData& kept = *record;
        Parts.Files.Add(std::move(record));
        Parts.ListModel.AddFileRow(kept);
    }
    Parts.ListModel.FlushRows();

    Parts.Document.ClearView();
    Parts.State.Pane = TWindowState::TPaneContent::Other;
    Parts.State.View = TWindowState::TViewChoice::None;
    OpenedSummary = set.Summary;
    OpenedSummaryShown = TDialogText::Show(set.Summary) + SavedNote(TDateFormat::Program().Format(set.Saved));
    Search.ShowSummary(OpenedSummaryShown, TDialogText::Show(set.Speed));
    Parts.Host.ShowStatus(QStringLiteral("Results opened from ") + TDialogText::ShowPath(path));
    Parts.Host.UpdateCommands();
}

void TSaveOpenCommand::OpenClick()
{
    if (!Parts.State.IsIdle())
        return;
    const QString chosen = Parts.Host.User().ChooseOpenFile();
    if (chosen.isEmpty())
        return;
    if (TResultSetFile::IsResultSetName(TDialogText::FromPath(chosen))) {
        OpenResults(TDialogText::FromPath(chosen));
        return;
    }
    ParameterFile.FileName = TDialogText::FromPath(chosen);
    Parts.Search.LoadFromProfile(ParameterFile);
    Parts.Host.UpdateCommands();
}
