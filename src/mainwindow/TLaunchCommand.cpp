// SPDX-License-Identifier: MIT
#include "dialogs/TDialogText.h"
#include "mainwindow/TLaunchCommand.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "dialogs/TAboutBox.h"
#include "mainwindow/TUserInteraction.h"
#include "model/TFileData.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "presentation/TEditorCommand.h"
#include "presentation/TMemberExtraction.h"

namespace {

QString Latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}


} // namespace

void TLaunchCommand::LaunchEditor(const std::string& path, int64_t line, int64_t column)
{
    if (path.empty())
        return;
    if (TEditorCommand::IsExtractedMember(path)) {
        Parts.Host.ShowInfo(TDialogText::Show(std::string(TEditorCommand::ZipCaption)),
                            TDialogText::Show(std::string(TEditorCommand::ZipTitle)),
                            TDialogText::Show(std::string(TEditorCommand::ZipText)));
        return;
    }
    const TCommandLine command = TEditorCommand::Build(
        Parts.Program.EditorCommand,
        TEditorCommand::Target(path, line, column, Parts.SelectedFile(), Parts.Search.SearchString));
    if (command.Program.empty())
        return;
    // A command that cannot start would otherwise look as if Edit did nothing.
    if (!Parts.Host.User().StartProcess(command.Program, command.Arguments))
        Parts.Host.ShowInfo(TAboutBox::ProductName(), QStringLiteral("The editor could not be started"),
                            TDialogText::Show("The program \"" + command.Program +
                                                  "\" could not be run. Set the editor command in the preferences "
                                                  "(Options, Preferences...)."));
}

const TFileData* TLaunchCommand::SelectedFileWhenIdle()
{
    if (!Parts.State.IsIdle())
        return nullptr;
    Parts.Host.FindSelectedRow();
    return Parts.SelectedFile();
}

void TLaunchCommand::ShowNotExtracted()
{
    Parts.Host.User().ShowMessage(Latin1(TMemberExtraction::FailedCaption), Latin1(TMemberExtraction::FailedText));
}

std::string TLaunchCommand::ExtractMemberToChosenFolder(const TFileData& file)
{
    TUserInteraction& user = Parts.Host.User();
    const std::string offered = TMemberExtraction::ArchiveFolder(file);
    const QString folder = user.ChooseFolder(Latin1(TMemberExtraction::FolderCaption),
                                             TDialogText::ShowPath(offered));
    if (folder.isEmpty())
        return {};
    std::string path;
    const auto overwrite = [&user](const std::string&) {
        return user.AskYesNo(QStringLiteral("Confirm"), Latin1(TMemberExtraction::OverwriteQuestion));
    };
    if (!TMemberExtraction::Extract(file, TDialogText::FromPath(folder, offered), overwrite, path))
        return {};
    return path;
}

void TLaunchCommand::EditClick()
{
    const TFileData* file = SelectedFileWhenIdle();
    if (file == nullptr)
        return;
    if (!file->InZip) {
        LaunchEditor(file->FullPath, 0, 0);
        return;
    }
    const std::string path = ExtractMemberToChosenFolder(*file);
    if (path.empty())
        ShowNotExtracted();
    else
        LaunchEditor(path, 0, 0);
}

QString TLaunchCommand::OpenFailureText(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, std::max<std::size_t>(slash, 1));
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QStringLiteral("The specified path was not found.");
    if (::stat(path.c_str(), &info) != 0)
        return QStringLiteral("The specified file was not found.");
    if (::access(path.c_str(), R_OK) != 0)
        return QStringLiteral("The operating system denied access to the specified file.");
    return QStringLiteral("There is no application associated with the given filename extension.");
}

void TLaunchCommand::LaunchClick()
{
    const TFileData* file = SelectedFileWhenIdle();
    if (file == nullptr)
        return;
    const std::string path = file->InZip ? ExtractMemberToChosenFolder(*file) : file->FullPath;
    if (path.empty()) {
        ShowNotExtracted();
        return;
    }
    if (!Parts.Host.User().OpenWithAssociatedProgram(path))
        Parts.Host.ShowInfo(TAboutBox::ProductName(), QStringLiteral("Execution Error"), OpenFailureText(path));
}

void TLaunchCommand::ExtractClick()
{
    const TFileData* file = SelectedFileWhenIdle();
    if (file != nullptr && file->InZip && ExtractMemberToChosenFolder(*file).empty())
        ShowNotExtracted();
}
