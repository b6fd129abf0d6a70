// SPDX-License-Identifier: MIT
#include "dialogs/TDialogText.h"
#include "mainwindow/TSaveOpenCommand.h"

#include <QFile>

#include <sys/stat.h>

#include "mainwindow/TFileListModel.h"
#include "mainwindow/TUserInteraction.h"
#include "mainwindow/TViewCommand.h"
#include "model/TAtomicFile.h"
#include "model/TProfile.h"
#include "model/TSearchData.h"
#include "presentation/TFileListCsv.h"
#include "presentation/THTMLWin.h"

TSaveOpenCommand::TSaveOpenCommand(TWindowParts parts, TProfile& parameterFile, TViewCommand& views)
    : Parts(parts), ParameterFile(parameterFile), Views(views)
{
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
    }
}

void TSaveOpenCommand::OpenClick()
{
    if (!Parts.State.IsIdle())
        return;
    const QString chosen = Parts.Host.User().ChooseOpenFile();
    if (chosen.isEmpty())
        return;
    ParameterFile.FileName = TDialogText::FromPath(chosen);
    Parts.Search.LoadFromProfile(ParameterFile);
    Parts.Host.UpdateCommands();
}
