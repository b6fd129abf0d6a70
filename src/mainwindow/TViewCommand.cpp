// SPDX-License-Identifier: MIT
#include "dialogs/TDialogText.h"
#include "mainwindow/TViewCommand.h"

#include <QAbstractItemView>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QProgressBar>

#include <algorithm>

#include "mainwindow/TFileListModel.h"
#include "mainwindow/TFileListView.h"
#include "mainwindow/TPanelBar.h"
#include "mainwindow/TUserInteraction.h"
#include "model/TProgramData.h"
#include "adapters/TEventPump.h"
#include "pane/THTMLViewer.h"
#include "presentation/THTMLWin.h"
#include "presentation/TLinkAction.h"
#include "presentation/TViewNavigation.h"

namespace {

QString Latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

class TViewCommand::TLoadScope {
public:
    TLoadScope(TViewCommand& command, std::string_view status) : Command(command)
    {
        Command.Parts.Host.ShowStatus(Latin1(status));
        Command.StopLoading = false;
        Command.Parts.Host.SetBusy(TWindowState::TBusy::LoadingView);
        QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    }
    ~TLoadScope()
    {
        QGuiApplication::restoreOverrideCursor();
        Command.Parts.State.LastFileView = Command.Writer->LastFileView == TFileSectionWriter::WholeFile
                                               ? TWindowState::TFileView::WholeFile
                                               : TWindowState::TFileView::MatchesOnly;
        Command.Parts.Host.SetBusy(TWindowState::TBusy::Idle);
    }
    TLoadScope(const TLoadScope&) = delete;
    TLoadScope& operator=(const TLoadScope&) = delete;

private:
    TViewCommand& Command;
};

TViewCommand::TViewCommand(TWindowParts parts, THTMLViewer& pane, TEventPump& pump, TCallbacks callbacks)
    : Parts(parts),
      View(pane),
      Callbacks(std::move(callbacks)),
      Writer(std::make_unique<TFileSectionWriter>(parts.Document))
{
    Writer->ProcessPendingMessage = [&pump] { pump(); };
    Writer->StopRequested = [this] { return StopLoading; };
    CreatePaneMenu();
}

void TViewCommand::CreatePaneMenu()
{
    Popup = new QMenu(&View);
    Popup->setObjectName(QStringLiteral("HTMLPopupMenu"));
    const auto add = [this](const char* name, const QString& text, void (TViewCommand::*handler)()) {
        QAction* action = Popup->addAction(text, [this, handler] { (this->*handler)(); });
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    add("HTMLSelectAll", QStringLiteral("Select All"), &TViewCommand::SelectAll);
    add("HTMLCopy", QStringLiteral("Copy"), &TViewCommand::CopySelection);
    Popup->addSeparator();
    add("HTMLShowTitle", QStringLiteral("Show Title && Menu"), &TViewCommand::TitleClick)->setCheckable(true);
    Popup->addSeparator();
    add("HTMLOpenInBrowser", QStringLiteral("Open In Browser"), &TViewCommand::OpenInBrowserClick);
    View.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&View, &QWidget::customContextMenuRequested, Popup, [this](const QPoint& where) {
        PreparePaneMenu();
        Popup->popup(View.viewport()->mapToGlobal(where));
    });
}

void TViewCommand::PreparePaneMenu()
{
    const auto item = [this](const char* name) { return Popup->findChild<QAction*>(QString::fromLatin1(name)); };
    const bool idle = Parts.State.IsIdle();
    item("HTMLCopy")->setEnabled(HasSelection());
    item("HTMLSelectAll")->setEnabled(idle && HasDocument());
    item("HTMLShowTitle")->setEnabled(idle);
    item("HTMLShowTitle")->setChecked(Parts.Document.Options.TitleAndMenu);
    item("HTMLOpenInBrowser")->setEnabled(idle && HasDocument());
}

TViewCommand::~TViewCommand() = default;

void TViewCommand::OfferBrowser(std::string_view question)
{
    if (Parts.Document.IsTooLarge() &&
        Parts.Host.User().AskYesNo(Latin1(TFileSectionWriter::BrowserOfferCaption), Latin1(question)))
        Parts.Host.User().OpenWithAssociatedProgram(Parts.Document.DocumentFileName());
}

void TViewCommand::ShowSelectedFile(TViewMode mode)
{
    TFileData* file = Parts.SelectedFile();
    const int row = Parts.State.SelectedRow;
    if (file == nullptr)
        return;
    if (Writer->RefusesWholeFile(*file, mode)) {
        Parts.Host.ShowInfo(TDialogText::Show(std::string(TFileSectionWriter::TooLargeCaption)),
                            TDialogText::Show(std::string(TFileSectionWriter::TooLargeTitle)),
                            TDialogText::Show(TFileSectionWriter::TooLargeText(*file)));
        Parts.ListView.SelectRow(row);
        return;
    }
    Parts.ListView.SelectRow(row);
    Parts.Details.SetPanelText(1, TDialogText::Show(TViewNavigation::PaneCaption(*file, Writer->ShowsWholeFile(mode))));
    {
        TLoadScope load(*this, TFileSectionWriter::LoadingFileStatus);
        // A range of 0..0 would make the bar a busy indicator.
        Parts.Progress.setRange(0, static_cast<int>(std::clamp<int64_t>(file->Size / 1000, 1, INT32_MAX)));
        Parts.Progress.setValue(0);
        Writer->Progress = [this](int64_t bytesRead) {
            Parts.Progress.setValue(static_cast<int>(std::min<int64_t>(bytesRead / 1000, Parts.Progress.maximum())));
        };
        Writer->FileWritten = nullptr;
        Writer->WriteFileView(*file, mode, Parts.Program.MatchWindow);
    }
    Parts.State.CurrentMatch = -1;
    Parts.State.DisplayedRow = row;
    Parts.State.DisplayedMatches = static_cast<int>(file->Matches.size());

    OfferBrowser(TFileSectionWriter::BrowserOfferFile);
    Parts.State.Pane = TWindowState::TPaneContent::OneFile;
    Parts.Host.ShowStatus(QString());
    Parts.Progress.setValue(0);
    Parts.Host.UpdateCommands();
    if (Parts.State.LastFileView == TWindowState::TFileView::WholeFile) {
        Parts.State.CurrentMatch = 0;
        GoToCurrentMatch();
    }
}

void TViewCommand::ViewAllMatches()
{
    Parts.State.View = TWindowState::TViewChoice::AllMatches;
    if (Parts.State.IsIdle() && Parts.ListModel.rowCount() > 0) {
        if (Parts.State.SelectedRow >= 0 || Parts.ListView.SelectedRow() >= 0) {
            Parts.ListView.SelectRow(-1);
            Parts.SetSelectedRow(-1);
        }
        Parts.Details.SetPanelText(1, Latin1(TViewNavigation::AllFilesCaption));
        {
            TLoadScope load(*this, TFileSectionWriter::LoadingFilesStatus);
            Parts.Progress.setRange(0, std::max(1, Parts.ListModel.rowCount() - 1));
            Parts.Progress.setValue(0);
            Writer->Progress = nullptr;
            Writer->FileWritten = [this](std::size_t index) {
                Parts.Progress.setValue(static_cast<int>(index));
                if (Callbacks.FileWritten)
                    Callbacks.FileWritten();
            };
            const QString subtitle = Callbacks.SummaryLine ? Callbacks.SummaryLine() : QString();
            Writer->WriteAllMatches(Parts.Files, TDialogText::Bytes(subtitle), Parts.Program.MatchWindow);
        }
        Parts.State.Pane = TWindowState::TPaneContent::AllMatches;
        Parts.Host.ShowStatus(QString());
        Parts.Progress.setValue(0);
        OfferBrowser(TFileSectionWriter::BrowserOfferAllFiles);
    }
    Parts.Host.UpdateCommands();
}

void TViewCommand::SelectFirstRowWhenNone()
{
    if (Parts.State.IsIdle() && Parts.ListView.SelectedRow() < 0 && Parts.ListModel.rowCount() > 0) {
        Parts.ListView.SelectRow(0);
        Parts.Host.FindSelectedRow();
    }
}

void TViewCommand::MatchesOnlyClick()
{
    Parts.State.View = TWindowState::TViewChoice::MatchesInFile;
    SelectFirstRowWhenNone();
    ShowSelectedFile(TFileSectionWriter::MatchesOnly);
    Parts.Host.UpdateCommands();
    Callbacks.FocusFileList();
}

void TViewCommand::WholeFileClick()
{
    Parts.State.View = TWindowState::TViewChoice::WholeFile;
    SelectFirstRowWhenNone();
    Parts.Document.Options.MatchesOnly = false;
    ShowSelectedFile(TFileSectionWriter::WholeFile);
    Parts.Host.UpdateCommands();
    Callbacks.FocusFileList();
}

void TViewCommand::ViewMatchesClick()
{
    ShowSelectedFile(TFileSectionWriter::MatchesOnly);
    Parts.State.View = TWindowState::TViewChoice::MatchesInFile;
    Parts.Host.UpdateCommands();
}

void TViewCommand::ViewFileClick()
{
    ShowSelectedFile(TFileSectionWriter::WholeFile);
    Parts.State.View = TWindowState::TViewChoice::WholeFile;
    Parts.Host.UpdateCommands();
}

void TViewCommand::SelectionClicked()
{
    if (!Parts.State.IsIdle())
        return;
    const int before = Parts.State.SelectedRow;
    Parts.Host.FindSelectedRow();
    if (Parts.State.SelectedRow != before && Parts.State.SelectedRow >= 0) {
        using TView = TWindowState::TViewChoice;
        if (Parts.State.View == TView::None || Parts.State.View == TView::AllMatches)
            Parts.State.View = TView::MatchesInFile;
        ShowSelectedFile(Parts.State.View == TView::WholeFile ? TFileSectionWriter::WholeFile
                                                              : TFileSectionWriter::MatchesOnly);
    }
    Parts.Host.UpdateCommands();
    Callbacks.FocusFileList();
}

void TViewCommand::SelectionMovedByKey()
{
    const int before = Parts.State.SelectedRow;
    Parts.Host.FindSelectedRow();
    if (Parts.State.SelectedRow != before && Parts.State.SelectedRow >= 0)
        ShowSelectedFile(TFileSectionWriter::AsLastShown);
}

void TViewCommand::PreviousFileClick()
{
    if (!Parts.State.IsIdle())
        return;
    const int row = TViewNavigation::PreviousFile(Parts.ListView.SelectedRow());
    if (row < 0)
        return;
    Parts.ListView.SelectAndShowRow(row);
    Parts.SetSelectedRow(row);
    ShowSelectedFile(TFileSectionWriter::AsLastShown);
    Callbacks.FocusFileList();
}

void TViewCommand::NextFileClick()
{
    if (!Parts.State.IsIdle())
        return;
    const int row = TViewNavigation::NextFile(Parts.ListView.SelectedRow(),
                                              static_cast<std::size_t>(Parts.ListModel.rowCount()));
    if (row < 0)
        return;
    Parts.ListView.SelectAndShowRow(row);
    Parts.SetSelectedRow(row);
    using TView = TWindowState::TViewChoice;
    if (Parts.State.View == TView::None || Parts.State.View == TView::AllMatches)
        Parts.State.View = TView::MatchesInFile;
    ShowSelectedFile(TFileSectionWriter::AsLastShown);
    Parts.Host.UpdateCommands();
    Callbacks.FocusFileList();
}

void TViewCommand::NextMatchClick()
{
    if (Parts.DisplayedFile() == nullptr)
        return;
    Parts.State.CurrentMatch =
        TViewNavigation::NextMatch(Parts.State.CurrentMatch, static_cast<std::size_t>(Parts.State.DisplayedMatches));
    GoToCurrentMatch();
    Parts.Host.UpdateCommands();
    Callbacks.FocusFileList();
}

void TViewCommand::PreviousMatchClick()
{
    Parts.State.CurrentMatch = TViewNavigation::PreviousMatch(Parts.State.CurrentMatch);
    GoToCurrentMatch();
    Parts.Host.UpdateCommands();
    Callbacks.FocusFileList();
}

void TViewCommand::GoToCurrentMatch()
{
    const TFileData* file = Parts.DisplayedFile();
    if (file == nullptr)
        return;
    const std::string anchor = TViewNavigation::MatchAnchor(*file, Parts.State.CurrentMatch);
    if (!anchor.empty())
        View.ScrollToAnchor(QString::fromStdString(anchor));
}

void TViewCommand::RebuildView()
{
    if (Parts.State.Pane == TWindowState::TPaneContent::OneFile)
        ShowSelectedFile(TFileSectionWriter::AsLastShown);
    else if (Parts.State.Pane == TWindowState::TPaneContent::AllMatches)
        ViewAllMatches();
}

void TViewCommand::LinkClicked(const QString& target)
{
    ActionClicked(TLinkAction::Parse(TDialogText::Bytes(target)));
}

void TViewCommand::ActionClicked(const TLinkAction& action)
{
    // A click while a view loads would start a second load inside the first.
    if (!Parts.State.IsIdle())
        return;
    if (action.Apply(Parts.Document.Options, Parts.Program.MatchWindow)) {
        RebuildView();
    } else if (action.Kind == TLinkAction::TKind::OpenFile && Callbacks.OpenFileAt) {
        Callbacks.OpenFileAt(action.Target.Path, action.Target.Line, action.Target.Column);
    }
}

void TViewCommand::TitleClick()
{
    if (!Parts.State.IsIdle())
        return;
    Parts.Document.Options.TitleAndMenu = !Parts.Document.Options.TitleAndMenu;
    RebuildView();
}

void TViewCommand::OpenInBrowserClick()
{
    if (!Parts.Document.DocumentFileName().empty())
        Parts.Host.User().OpenWithAssociatedProgram(Parts.Document.DocumentFileName());
}

bool TViewCommand::HasDocument() const
{
    return View.HasDocument();
}

bool TViewCommand::HasSelection() const
{
    return View.SelectionLength() > 0;
}

void TViewCommand::CopySelection()
{
    View.CopyToClipboard();
}

void TViewCommand::SelectAll()
{
    View.SelectAll();
}

QString TViewCommand::AllText()
{
    View.SelectAll();
    const QString text = View.SelectedText();
    View.ClearSelection();
    return text;
}
