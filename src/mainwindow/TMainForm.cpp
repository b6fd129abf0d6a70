// SPDX-License-Identifier: MIT
#include "mainwindow/TMainForm.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include "dialogs/TAboutBox.h"
#include "dialogs/TDialogText.h"
#include "dialogs/TInfoDlg.h"
#include "dialogs/TInfoMessage.h"
#include "dialogs/TPreferencesDlg.h"
#include "dialogs/TPrintDlg.h"
#include "dialogs/TReplaceConfirmDlg.h"
#include "dialogs/TReplaceDlg.h"
#include "dialogs/TReplaceHistoryDlg.h"
#include "dialogs/TReplaceHistorySource.h"
#include "dialogs/TReplaceWizardDlg.h"
#include "dialogs/TSearchDlg.h"
#include "dialogs/TSearchWizardDlg.h"
#include "engine/TCountAhead.h"
#include "engine/TSearchEngine.h"
#include "mainwindow/TCommandCatalog.h"
#include "mainwindow/TCommandRules.h"
#include "mainwindow/TDesktopInteraction.h"
#include "mainwindow/TFileListCommand.h"
#include "mainwindow/TFileListModel.h"
#include "mainwindow/TFileListView.h"
#include "mainwindow/TJournalHistory.h"
#include "mainwindow/TLaunchCommand.h"
#include "mainwindow/TPrintCommand.h"
#include "mainwindow/TReplaceCommand.h"
#include "mainwindow/TReplaceHistoryCommand.h"
#include "mainwindow/TSaveOpenCommand.h"
#include "mainwindow/TSearchCommand.h"
#include "mainwindow/TStatusLine.h"
#include "mainwindow/TTaskIcon.h"
#include "mainwindow/TViewCommand.h"
#include "model/TConfigFolder.h"
#include "model/TDateFormat.h"
#include "model/TDateTime.h"
#include "model/TPathText.h"
#include "pane/THTMLViewer.h"
#include "platform/THelpWindow.h"
#include "platform/TIconTheme.h"
#include "presentation/THTMLWin.h"
#include "replace/TReplaceJournal.h"

namespace {

constexpr int SplitterWidth = 3;

} // namespace

TMainForm::TMainForm(TStartupOptions options, TUserInteraction* user, QWidget* parent)
    : QMainWindow(parent),
      Options(std::move(options)),
      Desktop(user == nullptr ? std::make_unique<TDesktopInteraction>(this) : nullptr),
      Interaction(user == nullptr ? Desktop.get() : user),
      Store(TSettingsStore::DefaultFileName()),
      Placement("MainForm")
{
    FormCreate();
}

TMainForm::~TMainForm()
{
    FormClose();
}

QString TMainForm::BaseCaption()
{
    return TAboutBox::ProductName() + QLatin1Char(' ') + TAboutBox::ProductVersion();
}

std::string TMainForm::NewWindowArgument()
{
    return "/" + TDateFormat::Program().Format(TDateTime::Today());
}

// ---------------------------------------------------------------------------------------------
// Creation

void TMainForm::FormCreate()
{
    setObjectName(QStringLiteral("MainForm"));
    TIconTheme::Install();

    Replace.Load(Store);
    Program.LoadSettings(Store);
    Program.ProgramFolder = Options.ProgramFolder;
    Program.HelpFile = TPathText::Join(Options.ProgramFolder, "help");
    ParameterFile.FileName = TPathText::Join(TSettingsStore::ConfigFolder(), "default.par");
    Search.LoadFromProfile(ParameterFile);
    // A search the command line states counts its files while the window builds itself.
    std::unique_ptr<TCountAhead> countAhead =
        Options.NewWindowStart ? nullptr
                               : TSearchCommand::CountAheadFor(Search, Options.Arguments, Options.CurrentFolder);
    OpenJournal();

    auto* central = new QWidget(this);
    CreatePanes(central);
    setCentralWidget(central);
    CreateMenus();
    CreateCommandObjects();
    if (countAhead)
        Searching->Engine().SetCountAhead(std::move(countAhead));

    setWindowTitle(BaseCaption());
    ShowStatus(QStringLiteral("Ready"));
    Builder->ClearView();
    Window.DocumentShown = true;
    UpdateCommands();

    SplashTimer = new QTimer(this);
    SplashTimer->setObjectName(QStringLiteral("SplashTimer"));
    SplashTimer->setSingleShot(true);
    SplashTimer->setInterval(1);
    connect(SplashTimer, &QTimer::timeout, this, &TMainForm::SplashTimerTimer);

    setWindowIcon(TIconTheme::ProgramIcon());
    resize(900, 640);
}

// A journal that cannot be opened never keeps the window from starting: replaces are then not
// recorded, and the user hears of it once the window shows.
void TMainForm::OpenJournal()
{
    auto journal = std::make_unique<TReplaceJournal>();
    if (!journal->Open()) {
        JournalTrouble = "The replace journal in " + journal->Folder() + " could not be opened: " + journal->Error() +
                         ". Replaces are not recorded, so they cannot be undone.";
        return;
    }
    journal->SetLimits(Program.ReplaceHistoryRuns, Program.ReplaceHistoryBytes());
    JournalTrouble = journal->Problem();
    Journal = std::move(journal);
    History = std::make_unique<TJournalHistory>(*Journal);
}

void TMainForm::ShowJournalTrouble()
{
    ShowInfo(QStringLiteral("Replace History"), QStringLiteral("The replace journal could not be used:"),
             TDialogText::Show(JournalTrouble));
}

// The toolbar and details bar above; the file list and the results pane in a splitter, and the
// status bar with its progress bar, below.
void TMainForm::CreatePanes(QWidget* central)
{
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(0);

    auto* panelForToolbar = new QWidget(central);
    panelForToolbar->setObjectName(QStringLiteral("PanelForToolbar"));
    auto* toolbarLayout = new QVBoxLayout(panelForToolbar);
    toolbarLayout->setContentsMargins(0, 0, 0, 0);
    toolbarLayout->setSpacing(0);

    MainPanel = new QWidget(central);
    MainPanel->setObjectName(QStringLiteral("PanelMain"));
    auto* mainLayout = new QVBoxLayout(MainPanel);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);

    ListModel = new TFileListModel(FileList, this);
    // Rows reach the view in batches while a search runs, so thousands of them stay fast.
    ListModel->SetBatchInterval(100);
    FileListView = new TFileListView(*ListModel, MainPanel);
    Pane = new THTMLViewer(MainPanel);
    Pane->setObjectName(QStringLiteral("HTMLWindow"));
    SplitterBar = new QSplitter(Qt::Vertical, MainPanel);
    SplitterBar->setObjectName(QStringLiteral("Splitter"));
    SplitterBar->setHandleWidth(SplitterWidth);
    SplitterBar->setChildrenCollapsible(true);
    SplitterBar->addWidget(FileListView);
    SplitterBar->addWidget(Pane);
    SplitterBar->setStretchFactor(0, 0);
    SplitterBar->setStretchFactor(1, 1);
    mainLayout->addWidget(SplitterBar, 1);

    Status = new TStatusLine(MainPanel);
    Progress = &Status->Progress();
    mainLayout->addWidget(Status);

    CreateCommands();
    CreateToolbar(panelForToolbar);
    Details = new TPanelBar({400, 50}, {true, true}, panelForToolbar);
    Details->setObjectName(QStringLiteral("DetailsBar"));
    Details->OnResize = [](TPanelBar& bar) { bar.SetPanelWidth(0, bar.width() / 2); };
    toolbarLayout->addWidget(Details);

    centralLayout->addWidget(panelForToolbar);
    centralLayout->addWidget(MainPanel, 1);
}

// The results document, the command families and the dialogs.
void TMainForm::CreateCommandObjects()
{
    // The results pane exists before the document, which loads into it.
    Builder = std::make_unique<THTMLWin>(Pane, Options.ProgramFolder);
    Builder->LoadOptions(Store);
    connect(Pane, &THTMLViewer::actionClicked, this, [this](const TLinkAction& action) { Viewing->ActionClicked(action); });

    // The dialogs, created once in this order and shown modally when used.
    ReplaceConfirm = new TReplaceConfirmDlg(this);
    ReplaceWizard = new TReplaceWizardDlg(Replace, Search, Program, this);
    SearchWizard = new TSearchWizardDlg(Search, Program, this);
    SearchDialog = new TSearchDlg(Search, Program, this);
    ReplaceDialog = new TReplaceDlg(Replace, Search, Program, this);
    About = new TAboutBox(this);
    Preferences = new TPreferencesDlg(Program, this);
    PrintDialog = new TPrintDlg(this);
    Info = new TInfoDlg(this);
    // The criteria dialogs' messages go through the program's one message dialog.
    const auto showInfo = [this](const TInfoMessage& message) { ShowInfo(message.Caption, message.Title, message.Text); };
    SearchDialog->ShowMessage = showInfo;
    SearchWizard->ShowMessage = showInfo;

    const TWindowParts parts = Parts();
    Searching = std::make_unique<TSearchCommand>(
        parts, RunStats, Pump, Options.CurrentFolder, *SearchDialog, *SearchWizard,
        TSearchCommand::TCallbacks{
            .Progressed = [this] { emit searchProgress(); },
            .Finished = [this] {
                if (WindowHidden)
                    TaskIcon.Show();
            },
            .ViewAllMatches = [this] { Viewing->ViewAllMatches(); },
            .OpenResults = [this](const std::string& path) { SavingOpening->OpenResults(path); },
        });
    Launching = std::make_unique<TLaunchCommand>(parts);
    Viewing = std::make_unique<TViewCommand>(
        parts, *Pane, Pump,
        TViewCommand::TCallbacks{
            .SummaryLine = [this] { return Searching->SummaryLine(); },
            .OpenFileAt = [this](const std::string& path, int64_t line, int64_t column) {
                Launching->LaunchEditor(path, line, column);
            },
            .FileWritten = [this] { emit viewProgress(); },
            .FocusFileList = [this] { FileListView->CurrentView()->setFocus(); },
        });
    SavingOpening = std::make_unique<TSaveOpenCommand>(parts, ParameterFile, *Viewing, *Searching, RunStats);
    FileListing = std::make_unique<TFileListCommand>(
        this, parts,
        TFileListCommand::TCommands{*Viewing, *Launching, [this] { Searching->SearchAgainClick(); }, [this] { ReplaceClick(); }});

    Replacing = std::make_unique<TReplaceCommand>(
        TReplaceCommand::TContext{Replace, Search, Program, FileList, *Builder, *ReplaceDialog, *ReplaceWizard,
                                  *ReplaceConfirm, Journal.get()},
        ReportCallbacks());
    CreateHistory();
    Printing = std::make_unique<TPrintCommand>(
        this, *PrintDialog, FileList, *Pane, [this] { return Searching->SummaryLine(); },
        [this](const QString& text) { QMessageBox::critical(this, BaseCaption(), text); });
}

TReplaceCommand::TCallbacks TMainForm::ReportCallbacks()
{
    return TReplaceCommand::TCallbacks{
        .ShowStatus = [this](const QString& text) { ShowStatus(text); },
        .SetViewCaption = [this](const QString& text) { Details->SetPanelText(1, text); },
        .UpdateCommands = [this] { UpdateCommands(); },
        .ProcessPendingMessage = [this] { ReplacePump(); },
        .ShowInfo = [this](const QString& caption, const QString& title, const QString& text) {
            ShowInfo(caption, title, text);
        },
        // The report is neither one file nor all matches.
        .SetPaneContent = [this](int) { Window.Pane = TWindowState::TPaneContent::Other; },
        .Confirm = nullptr,
        .ShowModal = [this](QDialog& dialog) { return User().ShowModal(dialog); },
    };
}

void TMainForm::CreateHistory()
{
    if (!History)
        return;
    HistoryDialog = new TReplaceHistoryDlg(*History, Program, this);
    HistoryDialog->AskYesNo = [this](const QString& caption, const QString& text) {
        return User().AskYesNo(caption, text);
    };
    HistoryDialog->SaveCsv = [this](const std::string& csv) { SaveCsv(csv); };
    HistoryCommand = std::make_unique<TReplaceHistoryCommand>(
        TReplaceHistoryCommand::TContext{*History, *HistoryDialog, *Builder}, ReportCallbacks());
}

TWindowParts TMainForm::Parts()
{
    return TWindowParts{*this, Window, Search, Program, FileList, *ListModel, *FileListView, *Builder, *Details, *Progress};
}

QAction* TMainForm::MakeAction(const char* name, const QString& caption, const QString& statusTip, THandler handler,
                               bool checkable)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setStatusTip(statusTip);
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [this, handler] { handler(*this); });
    // A checkable item only shows the state the window gives it: a click runs the command, and
    // the command's state sets the checks.
    if (checkable)
        connect(action, &QAction::triggered, this, &TMainForm::UpdateCommands);
    return action;
}


TMainForm::THandler TMainForm::HandlerOf(std::string_view item)
{
    static const std::pair<std::string_view, THandler> handlers[] = {
        {"OpenItem", [](TMainForm& f) { f.SavingOpening->OpenClick(); }},
        {"SaveAsItem", [](TMainForm& f) { f.SavingOpening->SaveClick(); }},
        {"SaveReportItem", [](TMainForm& f) { f.SaveReportClick(); }},
        {"PrintItem", [](TMainForm& f) { if (f.Window.IsIdle()) f.Printing->PrintClick(); }},
        {"PrintSetupItem", [](TMainForm& f) { if (f.Window.IsIdle()) f.Printing->PrintSetupClick(); }},
        {"ExitItem", [](TMainForm& f) { f.close(); }},
        {"CopyItem", [](TMainForm& f) { f.Viewing->CopySelection(); }},
        {"SelectAllItem", [](TMainForm& f) { f.Viewing->SelectAll(); }},
        {"NewSearchItem", [](TMainForm& f) { f.Searching->NewSearchClick(); }},
        {"SearchAgainItem", [](TMainForm& f) { f.Searching->SearchAgainClick(); }},
        {"StartItem", [](TMainForm& f) { f.Searching->Start(); }},
        {"StopItem", [](TMainForm& f) { f.StopClick(); }},
        {"ReplaceItem", [](TMainForm& f) { f.ReplaceClick(); }},
        {"ReplaceHistoryItem", [](TMainForm& f) { f.ReplaceHistoryClick(); }},
        {"ViewAllItem", [](TMainForm& f) { f.Viewing->ViewAllClick(); }},
        {"MatchesOnlyItem", [](TMainForm& f) { f.Viewing->MatchesOnlyClick(); }},
        {"WholeFileItem", [](TMainForm& f) { f.Viewing->WholeFileClick(); }},
        {"PreviousFileItem", [](TMainForm& f) { f.Viewing->PreviousFileClick(); }},
        {"NextFileItem", [](TMainForm& f) { f.Viewing->NextFileClick(); }},
        {"PreviousMatchItem", [](TMainForm& f) { f.Viewing->PreviousMatchClick(); }},
        {"NextMatchItem", [](TMainForm& f) { f.Viewing->NextMatchClick(); }},
        {"PreferencesItem", [](TMainForm& f) { f.PreferencesClick(); }},
        {"BeginnerItem", [](TMainForm& f) { f.Program.ExpertMode = false; f.UpdateCommands(); }},
        {"ExpertItem", [](TMainForm& f) { f.Program.ExpertMode = true; f.UpdateCommands(); }},
        {"NewWindowItem", [](TMainForm& f) { f.NewWindowClick(); }},
        {"HorizontalSplitItem", [](TMainForm& f) { f.SetHorizontalSplit(); }},
        {"VerticalSplitItem", [](TMainForm& f) { f.SetVerticalSplit(); }},
        {"HelpContentsItem", [](TMainForm& f) { THelpWindow::ShowTopic(f.Program.HelpFile); }},
        {"AboutItem", [](TMainForm& f) { f.User().ShowModal(*f.About); }},
    };
    const auto found = std::find_if(std::begin(handlers), std::end(handlers),
                                    [item](const auto& entry) { return entry.first == item; });
    Q_ASSERT(found != std::end(handlers));
    return found->second;
}

void TMainForm::CreateCommands()
{
    for (const TCommandCatalog::TItem& item : TCommandCatalog::Items()) {
        QAction* action = MakeAction(item.Name, QString::fromLatin1(item.Caption), QString::fromLatin1(item.Hint),
                                     HandlerOf(item.Name), item.Checkable);
        if (*item.Shortcut != '\0') {
            action->setShortcut(QKeySequence(QString::fromLatin1(item.Shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        addAction(action);
    }
}

void TMainForm::CreateMenus()
{
    for (const TCommandCatalog::TMenu& entry : TCommandCatalog::Menus()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(entry.Caption));
        menu->setToolTipsVisible(false);
        for (const char* const* name = entry.Items; *name != nullptr; ++name) {
            if (qstrcmp(*name, "-") == 0)
                menu->addSeparator();
            else
                menu->addAction(Command(QString::fromLatin1(*name)));
        }
        // Copy is offered only while the pane holds a document.
        if (qstrcmp(entry.Caption, "&Edit") == 0)
            connect(menu, &QMenu::aboutToShow, this,
                    [this] { Command(QStringLiteral("CopyItem"))->setEnabled(Viewing->HasDocument()); });
    }
}

void TMainForm::CreateToolbar(QWidget* panel)
{
    const QString programFolder = TDialogText::ShowPath(Options.ProgramFolder);
    auto* toolbar = new QToolBar(panel);
    toolbar->setObjectName(QStringLiteral("Toolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setIconSize(QSize(24, 24));
    toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const TCommandCatalog::TButton& button : TCommandCatalog::Buttons()) {
        QAction* action = MakeAction(button.Name, QString::fromLatin1(button.ToolTip),
                                     QString::fromLatin1(button.StatusText), HandlerOf(button.Runs), button.Checkable);
        action->setToolTip(QString::fromLatin1(button.ToolTip));
        action->setIcon(TIconTheme::Named(programFolder, button.Icon, button.Fallback));
        toolbar->addAction(action);
        if (button.GroupEnd)
            toolbar->addSeparator();
    }
    panel->layout()->addWidget(toolbar);
}

QAction* TMainForm::Command(const QString& name) const
{
    return findChild<QAction*>(name);
}

// ---------------------------------------------------------------------------------------------
// Showing, the start-up action, closing

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    WindowHidden = false;
    TaskIcon.Hide();
    if (!Shown) {
        Shown = true;
        FormShow();
    }
}

void TMainForm::FormShow()
{
    Placement.RegKeyName = TPlacement::FormPositionsPath();
    if (const auto bounds = Placement.RestorePlacement(Store)) {
        move(bounds->Left, bounds->Top);
        resize(bounds->Width, bounds->Height);
    }
    if (Options.NewWindowStart) {
        const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
        move(x() + caption, y() + caption);
    }
    SplashTimer->start();
    SearchWizard->LoadFilespecChoices(Store);
    SearchDialog->LoadHistory(Store);
    if (Program.HorizontalSplit)
        SetHorizontalSplit();
    else
        SetVerticalSplit();
    UpdateCommands();
    FileListView->LoadColumnWidths(Store);
}

void TMainForm::SplashTimerTimer()
{
    SplashTimer->stop();
    // A dialog of the start-up action is centred on the window, so the window manager must have
    // placed it first; a window that never shows (minimised at start) is not waited for long.
    constexpr int WaitMs = 10;
    constexpr int MaxWaits = 300;
    if (windowHandle() != nullptr && !windowHandle()->isExposed() && StartupWaits < MaxWaits) {
        ++StartupWaits;
        SplashTimer->start(WaitMs);
        return;
    }
    if (Store.LoadState() == TSettingsStore::TLoadState::SetAside)
        ShowInfo(QStringLiteral("Settings Error"), QStringLiteral("The settings file could not be read:"),
                 TDialogText::Show("It was kept as " + Store.SetAsideName() + " and the default settings apply."));
    if (!JournalTrouble.empty())
        ShowJournalTrouble();
    if (!Options.NewWindowStart)
        StartupCode = Searching->RunFromCommandLine(Options.Arguments, Options.CurrentFolder, ParameterFile);
    StartupFinished = true;
    emit startupActionDone();
    if (Options.QuitAfterStartup) {
        Program.ExitConfirm = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

bool TMainForm::FormCloseQuery()
{
    if (!Window.IsIdle() || Window.Replacing || Replacing->IsRunning())
        return false;
    if (Program.ExitConfirm && !Options.QuitAfterStartup)
        return User().AskYesNo(QStringLiteral("Confirm"), QStringLiteral("Are you sure you want to exit Quarnel?"));
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TMainForm::SavePlacement()
{
    if (!Placement.RegKeyName.empty()) {
        const QPoint position = pos();
        Placement.SavePlacement(Store, TPlacementBounds{position.x(), width(), position.y(), height()});
    }
}

void TMainForm::FormClose()
{
    if (Closed)
        return;
    Closed = true;
    SplashTimer->stop();
    TaskIcon.Hide();
    SavePlacement();
    // Parameter files only ever change on Save As: the one loaded from the command line is left
    // alone, and the last parameters go to the per-user default file.
    TConfigFolder::MakePrivate(TSettingsStore::ConfigFolder());
    ParameterFile.FileName = TPathText::Join(TSettingsStore::ConfigFolder(), "default.par");
    Search.SaveToProfile(ParameterFile);
    SearchWizard->SaveFilespecChoices(Store);
    SearchDialog->SaveHistory(Store);
    // The rows refer to the records: empty the view before the records go.
    Parts().ForgetRows();
    ListModel->Clear();
    FileList.Clear();
    Program.SaveSettings(Store);
    Replace.Save(Store);
    Builder->SaveOptions(Store);
    FileListView->SaveColumnWidths(Store);
    Store.Save();
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        WindowHidden = isMinimized();
        if (!WindowHidden)
            TaskIcon.Hide();
    }
}

bool TMainForm::event(QEvent* event)
{
    // A highlighted menu item or button shows its hint in the status line.
    if (event->type() == QEvent::StatusTip) {
        ShowStatus(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

// ---------------------------------------------------------------------------------------------
// Status and commands

void TMainForm::ShowStatus(const QString& text)
{
    Status->Show(text);
}

void TMainForm::ShowInfo(const QString& caption, const QString& title, const QString& text)
{
    Info->SetTexts(caption, title, text);
    User().ShowModal(*Info);
}

void TMainForm::SetBusy(TWindowState::TBusy busy)
{
    Window.Busy = busy;
    // The replace dialogs and command read the busy state from the program data.
    Program.BusyState = busy == TWindowState::TBusy::Idle        ? TProgramData::Idle
                        : busy == TWindowState::TBusy::Searching ? TProgramData::Searching
                                                                 : TProgramData::LoadingView;
    UpdateCommands();
}

void TMainForm::UpdateCommands()
{
    // The facts the window state takes from the objects that hold them.
    Window.Rows = ListModel->rowCount();
    Window.InvertedSearch = Search.Invert;
    Window.ExpertMode = Program.ExpertMode;
    Window.HorizontalSplit = Program.HorizontalSplit;
    for (const TCommandRules::TCommand& command : TCommandRules::Compute(Window)) {
        QAction* action = Command(QString::fromLatin1(command.Name.data(), static_cast<qsizetype>(command.Name.size())));
        if (action == nullptr)
            continue;
        action->setEnabled(command.Enabled);
        if (command.Checked)
            action->setChecked(*command.Checked);
    }
}

void TMainForm::FindSelectedRow()
{
    Parts().SetSelectedRow(FileListView->SelectedRow());
    UpdateCommands();
}

// ---------------------------------------------------------------------------------------------
// The search and the other dialog commands

void TMainForm::StopClick()
{
    if (Window.Busy == TWindowState::TBusy::Searching)
        Searching->Stop();
    else if (Window.Busy == TWindowState::TBusy::LoadingView)
        Viewing->Stop();
}

void TMainForm::ReplaceClick()
{
    if (!Window.IsIdle() || !TReplaceCommand::IsAvailable(Program, FileList, Search))
        return;
    FindSelectedRow();
    Window.Replacing = true;
    Replacing->ReplaceClick();
    Window.Replacing = false;
    Window.ReplaceRecorded = Replacing->LastRun() != 0;
    UpdateCommands();
}

void TMainForm::SaveReportClick()
{
    std::string csv;
    if (Window.IsIdle() && !Window.Replacing && Replacing->LastRunCsv(csv))
        SaveCsv(csv);
}

void TMainForm::SaveCsv(const std::string& csv)
{
    const QString chosen = User().ChooseReportFile();
    if (chosen.isEmpty())
        return;
    if (!TSaveOpenCommand::WriteExport(TDialogText::FromPath(chosen), csv))
        User().ShowMessage(QStringLiteral("Save failed"), QStringLiteral("The file could not be written: ") + chosen);
}

void TMainForm::PreferencesClick()
{
    const int32_t runs = Program.ReplaceHistoryRuns;
    const int32_t megabytes = Program.ReplaceHistoryMegabytes;
    User().ShowModal(*Preferences);
    // New limits hold at once, so that the history shows what they keep.
    if (Journal && (runs != Program.ReplaceHistoryRuns || megabytes != Program.ReplaceHistoryMegabytes)) {
        Journal->SetLimits(Program.ReplaceHistoryRuns, Program.ReplaceHistoryBytes());
        Journal->Prune();
    }
    UpdateCommands();
}

void TMainForm::ReplaceHistoryClick()
{
    if (!Window.IsIdle() || Window.Replacing)
        return;
    if (!HistoryCommand) {
        ShowJournalTrouble();
        return;
    }
    Window.Replacing = true;
    HistoryCommand->HistoryClick();
    Window.Replacing = false;
    UpdateCommands();
}

void TMainForm::NewWindowClick()
{
    if (!Placement.RegKeyName.empty()) {
        SavePlacement();
        // The new process reads the settings file: it must see where this window stands.
        Store.Save();
    }
    User().StartProcess(Program.ProgramFolder + "/quarnel32", {NewWindowArgument()});
}

// ---------------------------------------------------------------------------------------------
// The split

void TMainForm::SetHorizontalSplit()
{
    // The file list takes a third of the height above the pane.
    SetSplit(Qt::Vertical, MainPanel->height() / 3);
}

void TMainForm::SetVerticalSplit()
{
    // The file list takes half of the width beside the pane.
    SetSplit(Qt::Horizontal, MainPanel->width() / 2);
}

void TMainForm::SetSplit(Qt::Orientation orientation, int list)
{
    SplitterBar->setOrientation(orientation);
    const int total = orientation == Qt::Vertical ? SplitterBar->height() : SplitterBar->width();
    const int available = std::max(0, total - SplitterWidth);
    SplitterBar->setSizes({list, std::max(0, available - list)});
    Program.HorizontalSplit = orientation == Qt::Vertical;
    UpdateCommands();
}
