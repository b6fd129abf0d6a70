#include "mainwindow/TMainForm.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusTipEvent>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <sys/stat.h>
#include <unistd.h>

#include "dialogs/TAboutBox.h"
#include "dialogs/TDirPickDlg.h"
#include "dialogs/TInfoDlg.h"
#include "dialogs/TInfoMessage.h"
#include "dialogs/TPreferencesDlg.h"
#include "dialogs/TPrintDlg.h"
#include "dialogs/TReplaceConfirmDlg.h"
#include "dialogs/TReplaceDlg.h"
#include "dialogs/TReplaceWizardDlg.h"
#include "dialogs/TSearchDlg.h"
#include "dialogs/TSearchWizardDlg.h"
#include "engine/TSearchEngine.h"
#include "mainwindow/TFileListModel.h"
#include "mainwindow/TFileListView.h"
#include "mainwindow/TPanelBar.h"
#include "mainwindow/TPrintCommand.h"
#include "mainwindow/TReplaceCommand.h"
#include "model/TDateFormat.h"
#include "model/TAtomicFile.h"
#include "model/TConfigFolder.h"
#include "model/TDateTime.h"
#include "platform/THTMLViewer.h"
#include "platform/THelpWindow.h"
#include "platform/TDialogPlacement.h"
#include "platform/TIconTheme.h"
#include "platform/TProcessLauncher.h"
#include "presentation/TEditorCommand.h"
#include "presentation/TFileListColumns.h"
#include "presentation/TFileListCsv.h"
#include "presentation/TFileSectionWriter.h"
#include "presentation/TLinkAction.h"
#include "presentation/TMemberExtraction.h"
#include "presentation/TViewNavigation.h"
#include "presentation/THTMLWin.h"
#include "presentation/TSearchSummary.h"
#include "presentation/TTextDecoder.h"

namespace {

QString FromBytes(const std::string& bytes)
{
    const std::string utf8 = TTextDecoder::ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToBytes(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// The folder dialog speaks QString, which cannot hold every byte of a file name: a folder chosen
// at or below the one it offered keeps the bytes of the offered folder.
std::string ChosenFolderBytes(const QString& chosen, const std::string& offered)
{
    const QString offeredText = QFile::decodeName(QByteArray::fromStdString(offered));
    if (!offered.empty() && (chosen == offeredText || chosen.startsWith(offeredText + QLatin1Char('/'))))
        return offered + QFile::encodeName(chosen.mid(offeredText.size())).toStdString();
    return QFile::encodeName(chosen).toStdString();
}

constexpr int ProgressBarWidth = 150;
constexpr int SplitterWidth = 3;
const QString TaskIconToolTip = QStringLiteral("Quarnel search complete");

} // namespace

TMainForm::TMainForm(TStartupOptions options, QWidget* parent)
    : QMainWindow(parent),
      Options(std::move(options)),
      Store(TSettingsStore::DefaultFileName()),
      Placement("MainForm")
{
    ShowModal = [this](QDialog& dialog) {
        TDialogPlacement::CentreOn(dialog, this);
        return dialog.exec();
    };
    AskYesNo = [this](const QString& caption, const QString& text) {
        // Enter answers Yes, as the questions of the desktop the program comes from do.
        return QMessageBox::question(this, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
               QMessageBox::Yes;
    };
    StartProcess = [](const std::string& program, const std::vector<std::string>& arguments) {
        return TProcessLauncher::StartDetached(program, arguments);
    };
    OpenWithAssociatedProgram = [](const std::string& path) { return TProcessLauncher::OpenWithDesktop(path); };
    ChooseFolder = [this](const QString& caption, const QString& start) {
        return QFileDialog::getExistingDirectory(this, caption, start);
    };
    ChooseSaveFile = [this] {
        static const QStringList filters = SaveFileTypes();
        static const QStringList suffixes = {"par", "csv", "htm", "txt"};
        QFileDialog dialog(this, QStringLiteral("Save As"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters(filters);
        dialog.setDefaultSuffix(suffixes.front());
        // A name typed without an extension takes the one of the chosen file type.
        connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            dialog.setDefaultSuffix(suffixes.value(static_cast<int>(filters.indexOf(filter)), suffixes.front()));
        });
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().front()
                                                                                        : QString();
    };
    ChooseOpenFile = [this] {
        QFileDialog dialog(this, QStringLiteral("Open"));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilter(OpenFileType());
        dialog.setDefaultSuffix(QStringLiteral("par"));
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().front()
                                                                                        : QString();
    };
    ShowMessage = [this](const QString& caption, const QString& text) {
        QMessageBox::warning(this, caption, text);
    };
    FormCreate();
}

TMainForm::~TMainForm()
{
    FormClose();
}

QStringList TMainForm::SaveFileTypes()
{
    // One pattern list per type, in both letter cases: the file dialog compares names exactly.
    return {QStringLiteral("Search parameters (*.par *.PAR)"), QStringLiteral("Matching file list (*.csv *.CSV)"),
            QStringLiteral("Results in HTML  (*.htm *.HTM)"), QStringLiteral("Results in plain text (*.TXT *.txt)")};
}

QString TMainForm::OpenFileType()
{
    return QStringLiteral("Search parameters (*.PAR *.par)");
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
    WindowHidden = false;

    Replace.Load(Store);
    Program.LoadSettings(Store);

    Program.ProgramFolder = Options.ProgramFolder;
    Program.HelpFile = Options.ProgramFolder + "/help";
    ParameterFile.FileName = TSettingsStore::ConfigFolder() + "/default.par";
    Search.LoadFromProfile(ParameterFile);

    // The widgets. The results pane exists before the builder, which loads into it.
    auto* central = new QWidget(this);
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

    Status = new TPanelBar({400, 140}, {true, false}, MainPanel);
    Status->setObjectName(QStringLiteral("StatusBar"));
    Progress = new QProgressBar(Status);
    Progress->setObjectName(QStringLiteral("ProgressBar"));
    Progress->setRange(0, 100);
    Progress->setValue(0);
    Progress->setTextVisible(false);
    Progress->setFixedWidth(ProgressBarWidth);
    Status->OnResize = [this](TPanelBar& bar) {
        const int left = bar.width() - ProgressBarWidth - 20;
        Progress->setGeometry(left, 2, ProgressBarWidth, bar.height() - 4);
        bar.SetPanelWidth(0, left - 2);
    };
    mainLayout->addWidget(Status);

    CreateCommands();
    CreateToolbar(panelForToolbar);
    Details = new TPanelBar({400, 50}, {true, true}, panelForToolbar);
    Details->setObjectName(QStringLiteral("DetailsBar"));
    Details->OnResize = [](TPanelBar& bar) { bar.SetPanelWidth(0, bar.width() / 2); };
    toolbarLayout->addWidget(Details);

    centralLayout->addWidget(panelForToolbar);
    centralLayout->addWidget(MainPanel, 1);
    setCentralWidget(central);
    CreateMenus();
    CreatePopupMenu();

    Builder = std::make_unique<THTMLWin>(Pane, Options.ProgramFolder);
    Builder->LoadOptions(Store);
    Viewer = std::make_unique<TFileSectionWriter>(*Builder);
    Viewer->ProcessPendingMessage = [this] { Pump(); };
    Viewer->StopRequested = [this] { return StopLoading; };
    connect(Pane, &THTMLViewer::actionClicked, this, &TMainForm::HTMLWindowAction);

    SearchEngine = std::make_unique<TSearchEngine>(Search, FileList, RunStats, NoShell);
    if (!Options.CurrentFolder.empty())
        SearchEngine->SetBaseFolder(Options.CurrentFolder);
    TSearchNotifications notify;
    notify.Progress = [this] { UpdateSearchStatus(); };
    notify.NewResult = [this](TFileData& record) {
        record.DescribeWith(Shell);
        AddFileRow(record);
    };
    notify.SkipNote = [this](const std::string& note) { Builder->WriteMessageLine(note); };
    notify.Error = [this](const std::string& caption, const std::string& title, const std::string& text) {
        ShowInfo(caption, title, text);
    };
    notify.ProcessPendingMessage = [this] { Pump(); };
    SearchEngine->SetNotifications(std::move(notify));

    // The dialogs, created once in this order and shown modally when used.
    ReplaceConfirm = new TReplaceConfirmDlg(this);
    ReplaceWizard = new TReplaceWizardDlg(Replace, Search, Program, this);
    SearchWizard = new TSearchWizardDlg(Search, Program, this);
    SearchDialog = new TSearchDlg(Search, Program, this);
    ReplaceDialog = new TReplaceDlg(Replace, Search, Program, this);
    About = new TAboutBox(this);
    Preferences = new TPreferencesDlg(Program, this);
    DirPick = new TDirPickDlg(this);
    PrintDialog = new TPrintDlg(this);
    Info = new TInfoDlg(this);
    // The criteria dialogs' messages go through the program's one message dialog.
    const auto showInfo = [this](const TInfoMessage& message) {
        Info->SetTexts(message.Caption, message.Title, message.Text);
        ShowModal(*Info);
    };
    SearchDialog->ShowMessage = showInfo;
    SearchWizard->ShowMessage = showInfo;

    Replacing = std::make_unique<TReplaceCommand>(
        TReplaceCommand::TContext{Replace, Search, Program, FileList, *Builder, *ReplaceDialog, *ReplaceWizard,
                                  *ReplaceConfirm},
        TReplaceCommand::TCallbacks{
            .ShowStatus = [this](const QString& text) { ShowStatus(text); },
            .SetViewCaption = [this](const QString& text) { Details->SetPanelText(1, text); },
            .UpdateCommands = [this] { UpdateCommands(); },
            .ProcessPendingMessage = [this] { ReplacePump(); },
            .ShowInfo = [this](const QString& caption, const QString& title, const QString& text) {
                Info->SetTexts(caption, title, text);
                ShowModal(*Info);
            },
            .SetPaneContent = [this](int content) { PaneContent = static_cast<uint8_t>(content); },
            .Confirm = nullptr,
            .ShowModal = [this](QDialog& dialog) { return ShowModal(dialog); },
        });
    Printing = std::make_unique<TPrintCommand>(
        this, *PrintDialog, FileList, *Pane, [this] { return Details->PanelText(0); },
        [this](const QString& text) { QMessageBox::critical(this, BaseCaption(), text); });

    Program.BusyState = TProgramData::Idle;
    Program.SelectedItem = nullptr;
    Program.DisplayedFile = nullptr;

    setWindowTitle(BaseCaption());
    ShowStatus(QStringLiteral("Ready"));

    LastFileView = 0;
    PaneContent = 0;
    ViewChoice = 0;
    UpdateCommands();
    UpdateViewButtons();
    ApplySplitChecks();

    Builder->ClearView();
    DocumentShownOnce = true;

    FileListView->OnClick = [this] { FileListBoxClick(); };
    FileListView->OnKeyUp = [this](int key) { FileListBoxKeyUp(key); };
    FileListView->OnDoubleClick = [this] {
        if (Program.BusyState == TProgramData::Idle)
            PopupLaunchClick();
    };
    FileListView->OnColumnClick = [this](int column) { FileListBoxColumnClick(column); };
    FileListView->OnContextMenu = [this](const QPoint& where) {
        if (!PopupEnabled || Program.BusyState != TProgramData::Idle)
            return;
        PopupMenuPopup();
        FilePopup->popup(where);
    };

    SplashTimer = new QTimer(this);
    SplashTimer->setObjectName(QStringLiteral("SplashTimer"));
    SplashTimer->setSingleShot(true);
    SplashTimer->setInterval(1);
    connect(SplashTimer, &QTimer::timeout, this, &TMainForm::SplashTimerTimer);

    setWindowIcon(TIconTheme::ProgramIcon());
    resize(900, 640);
}

QAction* TMainForm::MakeAction(const char* name, const QString& caption, const QString& statusTip,
                               void (TMainForm::*handler)())
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setStatusTip(statusTip);
    connect(action, &QAction::triggered, this, handler);
    return action;
}

void TMainForm::CreateCommands()
{
    struct TItem {
        const char* Name;
        const char* Caption;
        const char* Shortcut;
        const char* Hint;
        void (TMainForm::*Handler)();
        bool Checkable;
    };
    static const TItem items[] = {
        {"OpenItem", "&Open...", "", "Load previously saved search parameters", &TMainForm::OpenSearchClick, false},
        {"SaveAsItem", "S&ave As...", "Ctrl+S", "Save current search parameters or results", &TMainForm::SaveSearchClick,
         false},
        {"PrintItem", "&Print...", "", "Print contents of current window", &TMainForm::PrintClick, false},
        {"PrintSetupItem", "P&rint Setup...", "", "Display print setup dialog", &TMainForm::PrintSetupClick, false},
        {"ExitItem", "E&xit", "", "Exit the program", &TMainForm::ExitClick, false},
        {"CopyItem", "&Copy", "Ctrl+C", "Copy selected text to clipboard", &TMainForm::HTMLWinCopyClick, false},
        {"SelectAllItem", "Select &All", "", "Select all text in results window", &TMainForm::SelectAllMenuItemClick,
         false},
        {"NewSearchItem", "Search...", "Ctrl+F", "Edit search criteria and start a search", &TMainForm::NewSearchClick,
         false},
        {"SearchAgainItem", "&Search Files in List...", "", "Search files found last time again",
         &TMainForm::SearchAgainClick, false},
        {"StartItem", "&Start Search", "", "Start the search", &TMainForm::StartClick, false},
        {"StopItem", "S&top Search", "", "Stop the search", &TMainForm::StopClick, false},
        {"ReplaceItem", "&Replace...", "Ctrl+R", "Replace in files found in the last search", &TMainForm::ReplaceClick,
         false},
        {"ViewAllItem", "&All matches", "", "View all matches in all files", &TMainForm::ViewAllClick, true},
        {"MatchesOnlyItem", "&Matches in selected file", "", "View matches in selected file",
         &TMainForm::MatchesOnlyClick, true},
        {"WholeFileItem", "&Selected file", "", "View all of the selected file", &TMainForm::WholeFileClick, true},
        {"PreviousFileItem", "&Previous File", "Ctrl+P", "", &TMainForm::PreviousFileClick, false},
        {"NextFileItem", "&Next File", "Ctrl+N", "", &TMainForm::NextFileClick, false},
        {"PreviousMatchItem", "Pr&evious Match", "Ctrl+E", "", &TMainForm::PreviousMatchButton_Click, false},
        {"NextMatchItem", "Next &Match", "Ctrl+M", "", &TMainForm::NextMatchButton_Click, false},
        {"PreferencesItem", "&Preferences...", "", "Set program preferences", &TMainForm::PreferencesMenuItemClick,
         false},
        {"BeginnerItem", "&Beginner Mode", "", "Set user interface to beginner mode", &TMainForm::BeginnerClick, true},
        {"ExpertItem", "&Expert Mode", "", "Set user interface to expert mode", &TMainForm::ExpertClick, true},
        {"NewWindowItem", "New", "", "Open new search window", &TMainForm::NewWindowClick, false},
        {"HorizontalSplitItem", "&Horizontal Split", "", "Split window horizontally", &TMainForm::HorizontalSplitClick,
         true},
        {"VerticalSplitItem", "&Vertical Split", "", "Split window vertically", &TMainForm::VerticalSplitClick, true},
        {"HelpContentsItem", "Contents...", "", "Show help file contents", &TMainForm::HelpContentsClick, false},
        {"AboutItem", "&About...", "", "Display information about the program", &TMainForm::AboutClick, false},
    };
    for (const TItem& item : items) {
        QAction* action = MakeAction(item.Name, QString::fromLatin1(item.Caption), QString::fromLatin1(item.Hint),
                                     item.Handler);
        if (*item.Shortcut != '\0') {
            action->setShortcut(QKeySequence(QString::fromLatin1(item.Shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        action->setCheckable(item.Checkable);
        // A checkable item only shows the state the window gives it: a click runs the command,
        // and the command sets the checks.
        if (item.Checkable)
            connect(action, &QAction::triggered, this, [this] { UpdateViewButtons(); ApplySplitChecks(); UpdateCommands(); });
        addAction(action);
    }
}

void TMainForm::CreateMenus()
{
    QMenuBar* bar = menuBar();
    auto add = [this](QMenu* menu, const char* name) { menu->addAction(Command(QString::fromLatin1(name))); };

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    add(file, "OpenItem");
    add(file, "SaveAsItem");
    file->addSeparator();
    add(file, "PrintItem");
    add(file, "PrintSetupItem");
    file->addSeparator();
    add(file, "ExitItem");

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    connect(edit, &QMenu::aboutToShow, this, &TMainForm::EditMenuClick);
    add(edit, "CopyItem");
    edit->addSeparator();
    add(edit, "SelectAllItem");

    QMenu* search = bar->addMenu(QStringLiteral("&Search"));
    add(search, "NewSearchItem");
    add(search, "SearchAgainItem");
    search->addSeparator();
    add(search, "StartItem");
    add(search, "StopItem");
    search->addSeparator();
    add(search, "ReplaceItem");

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    add(view, "ViewAllItem");
    add(view, "MatchesOnlyItem");
    add(view, "WholeFileItem");
    view->addSeparator();
    add(view, "PreviousFileItem");
    add(view, "NextFileItem");
    view->addSeparator();
    add(view, "PreviousMatchItem");
    add(view, "NextMatchItem");

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    add(options, "PreferencesItem");
    options->addSeparator();
    add(options, "BeginnerItem");
    add(options, "ExpertItem");

    QMenu* window = bar->addMenu(QStringLiteral("&Window"));
    add(window, "NewWindowItem");
    window->addSeparator();
    add(window, "HorizontalSplitItem");
    add(window, "VerticalSplitItem");

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    add(help, "HelpContentsItem");
    help->addSeparator();
    add(help, "AboutItem");

    for (QMenu* menu : {file, edit, search, view, options, window, help})
        menu->setToolTipsVisible(false);
}

void TMainForm::CreateToolbar(QWidget* panel)
{
    struct TButton {
        const char* Name;
        const char* ToolTip;
        const char* StatusText;
        void (TMainForm::*Handler)();
        const char* Icon;
        QStyle::StandardPixmap Fallback;
        bool Checkable;
        bool GroupEnd;
    };
    static const TButton buttons[] = {
        {"OpenSearchButton", "Load", "Load previously saved search parameters", &TMainForm::OpenSearchClick,
         "document-open", QStyle::SP_DialogOpenButton, false, false},
        {"SaveSearchButton", "Save", "Save current search parameters or results", &TMainForm::SaveSearchClick,
         "document-save", QStyle::SP_DialogSaveButton, false, false},
        {"PrintButton", "Print", "Print contents of window", &TMainForm::PrintClick, "document-print",
         QStyle::SP_FileIcon, false, true},
        {"NewSearchButton", "Search", "Edit search criteria and start a search", &TMainForm::NewSearchClick,
         "edit-find", QStyle::SP_FileDialogContentsView, false, false},
        {"ReplaceButton", "Replace", "Replace in files found in the last search", &TMainForm::ReplaceClick,
         "edit-find-replace", QStyle::SP_BrowserReload, false, false},
        {"SearchAgainButton", "Search again", "Search files found last time again", &TMainForm::SearchAgainClick,
         "view-refresh-symbolic", QStyle::SP_BrowserReload, false, true},
        {"StartButton", "Start", "Start the search", &TMainForm::StartClick, "quarnel-start",
         QStyle::SP_MediaPlay, false, false},
        {"StopButton", "Stop", "Stop the search", &TMainForm::StopClick, "process-stop", QStyle::SP_BrowserStop,
         false, true},
        {"ViewAllButton", "View search results", "View all matches in all files", &TMainForm::ViewAllClick,
         "format-justify-fill", QStyle::SP_FileDialogListView, true, false},
        {"MatchesOnlyButton", "View matching lines", "View matching lines in selected file",
         &TMainForm::MatchesOnlyClick, "edit-select-all", QStyle::SP_FileDialogDetailedView, true, false},
        {"WholeFileButton", "View whole file", "View all of the selected file", &TMainForm::WholeFileClick,
         "quarnel-whole-file", QStyle::SP_FileIcon, true, true},
        {"PreviousFileButton", "Previous file", "Go to previous file", &TMainForm::PreviousFileClick, "go-up-symbolic",
         QStyle::SP_ArrowUp, false, false},
        {"PreviousMatchButton", "Previous match", "Go to previous match in file",
         &TMainForm::PreviousMatchButton_Click, "go-previous-symbolic", QStyle::SP_ArrowBack, false, false},
        {"NextMatchButton", "Next match", "Go to next match in file", &TMainForm::NextMatchButton_Click, "go-next-symbolic",
         QStyle::SP_ArrowForward, false, false},
        {"NextFileButton", "Next file", "Go to next file", &TMainForm::NextFileClick, "go-down-symbolic", QStyle::SP_ArrowDown,
         false, true},
        {"HorizontalSplitButton", "Horizontal split", "Split window horizontally", &TMainForm::HorizontalSplitClick,
         "view-dual-symbolic", QStyle::SP_TitleBarShadeButton, true, false},
        {"VerticalSplitButton", "Vertical split", "Split window vertically", &TMainForm::VerticalSplitClick,
         "view-paged-symbolic", QStyle::SP_TitleBarUnshadeButton, true, true},
        {"NewWindowButton", "New window", "Open new search window", &TMainForm::NewWindowClick, "window-new-symbolic",
         QStyle::SP_TitleBarNormalButton, false, true},
        {"HelpButton", "Help", "View help file", &TMainForm::HelpContentsClick, "help-browser",
         QStyle::SP_DialogHelpButton, false, false},
    };

    const QString programFolder = QFile::decodeName(QByteArray::fromStdString(Options.ProgramFolder));
    Toolbar = new QToolBar(panel);
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    Toolbar->setMovable(false);
    Toolbar->setFloatable(false);
    Toolbar->setIconSize(QSize(24, 24));
    Toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const TButton& button : buttons) {
        QAction* action = MakeAction(button.Name, QString::fromLatin1(button.ToolTip),
                                     QString::fromLatin1(button.StatusText), button.Handler);
        action->setToolTip(QString::fromLatin1(button.ToolTip));
        action->setIcon(TIconTheme::Named(programFolder, button.Icon, button.Fallback));
        action->setCheckable(button.Checkable);
        if (button.Checkable)
            connect(action, &QAction::triggered, this, [this] { UpdateViewButtons(); ApplySplitChecks(); UpdateCommands(); });
        Toolbar->addAction(action);
        if (button.GroupEnd)
            Toolbar->addSeparator();
    }
    panel->layout()->addWidget(Toolbar);
}

void TMainForm::CreatePopupMenu()
{
    FilePopup = new QMenu(this);
    FilePopup->setObjectName(QStringLiteral("PopupMenu"));
    PopupViewMenu = FilePopup->addMenu(QStringLiteral("View"));
    PopupViewStyles = new QActionGroup(this);
    PopupViewStyles->setExclusive(true);
    const char* styles[] = {"Large Icons", "Small Icons", "List", "Details"};
    for (int style = 0; style < 4; ++style) {
        QAction* item = PopupViewMenu->addAction(QString::fromLatin1(styles[style]));
        item->setCheckable(true);
        item->setData(style);
        PopupViewStyles->addAction(item);
        connect(item, &QAction::triggered, this, [this, style] { PopupChangeViewClick(style); });
    }
    FilePopup->addSeparator();
    PopupSearchAgain = FilePopup->addAction(QStringLiteral("Search these files..."), this, &TMainForm::SearchAgainClick);
    PopupReplace = FilePopup->addAction(QStringLiteral("Replace..."), this, &TMainForm::ReplaceClick);
    PopupViewSeparator = FilePopup->addSeparator();
    PopupViewMatches = FilePopup->addAction(QString(), this, &TMainForm::ViewMatchesClick);
    PopupViewFile = FilePopup->addAction(QString(), this, &TMainForm::ViewFileClick);
    FilePopup->addSeparator();
    PopupExtract = FilePopup->addAction(QString(), this, &TMainForm::PopupExtractClick);
    PopupEdit = FilePopup->addAction(QString(), this, &TMainForm::PopupEditClick);
    PopupViewMatches->setObjectName(QStringLiteral("PopupViewMatches"));
    PopupViewFile->setObjectName(QStringLiteral("PopupViewFile"));
    PopupExtract->setObjectName(QStringLiteral("PopupExtract"));
    PopupEdit->setObjectName(QStringLiteral("PopupEdit"));
    PopupSearchAgain->setObjectName(QStringLiteral("PopupSearchAgain"));
    PopupReplace->setObjectName(QStringLiteral("PopupReplace"));

    HTMLPopupMenu = new QMenu(this);
    HTMLPopupMenu->setObjectName(QStringLiteral("HTMLPopupMenu"));
    HTMLSelectAll = HTMLPopupMenu->addAction(QStringLiteral("Select All"), this, &TMainForm::SelectAllMenuItemClick);
    HTMLCopy = HTMLPopupMenu->addAction(QStringLiteral("Copy"), this, &TMainForm::HTMLWinCopyClick);
    HTMLPopupMenu->addSeparator();
    HTMLShowTitle = HTMLPopupMenu->addAction(QStringLiteral("Show Title && Menu"), this, &TMainForm::HTMLTitleClick);
    HTMLShowTitle->setCheckable(true);
    HTMLPopupMenu->addSeparator();
    HTMLOpenInBrowser = HTMLPopupMenu->addAction(QStringLiteral("Open In Browser"), this, &TMainForm::OpenInBrowserClick);
    HTMLSelectAll->setObjectName(QStringLiteral("HTMLSelectAll"));
    HTMLCopy->setObjectName(QStringLiteral("HTMLCopy"));
    HTMLShowTitle->setObjectName(QStringLiteral("HTMLShowTitle"));
    HTMLOpenInBrowser->setObjectName(QStringLiteral("HTMLOpenInBrowser"));
    Pane->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Pane, &QWidget::customContextMenuRequested, this, [this](const QPoint& where) {
        HTMLPopupMenuPopup();
        HTMLPopupMenu->popup(Pane->viewport()->mapToGlobal(where));
    });
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
    HideTaskIcon();
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
    LoadColumnWidths();
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
        ShowInfo("Settings Error", "The settings file could not be read:",
                 "It was kept as " + Store.SetAsideName() + " and the default settings apply.");
    if (!Options.NewWindowStart) {
        Search.SearchAgain = false;
        std::string parameterFile;
        StartupCode = Search.ParseCommandLine(Options.Arguments, parameterFile, Options.CurrentFolder);
        switch (StartupCode) {
        case TSearchData::NothingToRun:
            if (!Program.ExpertMode) {
                if (ShowModal(*SearchWizard) == QDialog::Accepted)
                    RunSearch();
            } else if (Program.ShowDlgOnStart) {
                if (ShowModal(*SearchDialog) == QDialog::Accepted)
                    RunSearch();
            }
            break;
        case TSearchData::LoadParameterFile:
            if (!parameterFile.empty()) {
                // A parameter file that cannot be read would run a search with whatever the
                // missing keys default to; say so instead.
                if (::access(parameterFile.c_str(), R_OK) != 0) {
                    ShowInfo("Open Error", "Cannot read the parameter file:", parameterFile);
                    break;
                }
                ParameterFile.FileName = parameterFile;
                Search.LoadFromProfile(ParameterFile);
                RunSearch();
            }
            break;
        case TSearchData::ShowSearchDialog:
            if (ShowModal(*SearchDialog) == QDialog::Accepted)
                RunSearch();
            break;
        case TSearchData::RunSearchNow:
            RunSearch();
            break;
        default:
            break;
        }
    }
    StartupFinished = true;
    emit startupActionDone();
    if (Options.QuitAfterStartup) {
        Program.ExitConfirm = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

bool TMainForm::FormCloseQuery()
{
    if (Program.BusyState != TProgramData::Idle || Replacing->IsRunning())
        return false;
    if (Program.ExitConfirm && !Options.QuitAfterStartup)
        return AskYesNo(QStringLiteral("Confirm"), QStringLiteral("Are you sure you want to exit Quarnel?"));
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

void TMainForm::FormClose()
{
    if (Closed)
        return;
    Closed = true;
    SplashTimer->stop();
    HideTaskIcon();

    if (!Placement.RegKeyName.empty()) {
        const QPoint position = pos();
        Placement.SavePlacement(Store, TPlacementBounds{position.x(), width(), position.y(), height()});
    }
    // Parameter files only ever change on Save As: the one loaded from the command line is left
    // alone, and the last parameters go to the per-user default file.
    TConfigFolder::MakePrivate(TSettingsStore::ConfigFolder());
    ParameterFile.FileName = TSettingsStore::ConfigFolder() + "/default.par";
    Search.SaveToProfile(ParameterFile);
    SearchWizard->SaveFilespecChoices(Store);
    SearchDialog->SaveHistory(Store);
    // The rows refer to the records: empty the view before the records go.
    Program.SelectedItem = nullptr;
    Program.DisplayedFile = nullptr;
    ListModel->Clear();
    FileList.Clear();
    Program.SaveSettings(Store);
    Replace.Save(Store);
    Builder->SaveOptions(Store);
    SaveColumnWidths();
    Store.Save();
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        WindowHidden = isMinimized();
        if (!WindowHidden)
            HideTaskIcon();
    }
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        ShowHintInStatus(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::ShowHintInStatus(const QString& hint)
{
    ShowStatus(hint);
}

void TMainForm::ShowTaskIcon()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    if (TaskIcon == nullptr) {
        TaskIcon = new QSystemTrayIcon(windowIcon(), this);
        TaskIcon->setObjectName(QStringLiteral("TaskIcon"));
    }
    TaskIcon->setToolTip(TaskIconToolTip);
    TaskIcon->show();
}

void TMainForm::HideTaskIcon()
{
    if (TaskIcon != nullptr)
        TaskIcon->hide();
}

// ---------------------------------------------------------------------------------------------
// Status and commands

void TMainForm::ShowStatus(const QString& text)
{
    Status->SetPanelText(0, text);
    // The text shows at once, also while a long operation keeps the event loop busy; but a
    // search reports every file, and painting each would cost more than the search itself.
    if (!Status->isVisible())
        return;
    if (!StatusPainted.isValid() || StatusPainted.elapsed() >= StatusRepaintMs) {
        Status->repaint();
        StatusPainted.start();
    } else {
        Status->update();
    }
}

void TMainForm::ShowInfo(const std::string& caption, const std::string& title, const std::string& text)
{
    Info->SetTexts(FromBytes(caption), FromBytes(title), FromBytes(text));
    ShowModal(*Info);
}

void TMainForm::SetBusyState(uint8_t state)
{
    Program.BusyState = state;
    UpdateCommands();
}

int TMainForm::SelectedRowIndex() const
{
    return FileListView->SelectedRow();
}

void TMainForm::UpdateCommands()
{
    const bool idle = Program.BusyState == TProgramData::Idle;
    const bool listed = ListModel->rowCount() > 0;
    const int rows = ListModel->rowCount();
    const int selected = SelectedRowIndex();
    const bool wholeFileShown = Details != nullptr && Details->PanelText(1).contains(QStringLiteral("(Whole file)"));
    const int matchCount =
        Program.DisplayedFile != nullptr ? static_cast<int>(Program.DisplayedFile->Matches.size()) : 0;

    auto enable = [this](std::initializer_list<const char*> names, bool on) {
        for (const char* name : names)
            if (QAction* action = Command(QString::fromLatin1(name)))
                action->setEnabled(on);
    };
    enable({"NewSearchItem", "NewSearchButton", "OpenItem", "OpenSearchButton", "SaveAsItem", "SaveSearchButton",
            "StartItem", "StartButton", "PreferencesItem", "ExitItem", "AboutItem", "PrintSetupItem"},
           idle);
    enable({"StopItem", "StopButton"}, !idle);
    enable({"ReplaceItem", "ReplaceButton"}, listed && idle && !Search.Invert);
    enable({"SearchAgainItem", "SearchAgainButton"}, listed && idle);
    enable({"PrintItem", "PrintButton"}, idle && (DocumentShownOnce || listed));
    enable({"PreviousFileItem", "PreviousFileButton"}, listed && idle && selected > 0);
    enable({"NextFileItem", "NextFileButton"}, listed && idle && selected < rows - 1);
    enable({"PreviousMatchItem", "PreviousMatchButton"}, listed && idle && wholeFileShown && CurrentMatch > 0);
    enable({"NextMatchItem", "NextMatchButton"},
           listed && idle && wholeFileShown && Program.DisplayedFile != nullptr && CurrentMatch < matchCount - 1);
    enable({"ViewAllItem", "ViewAllButton", "MatchesOnlyItem", "MatchesOnlyButton", "WholeFileItem",
            "WholeFileButton"},
           listed && idle);
    enable({"SelectAllItem"}, idle && DocumentShownOnce);
    // The commands the table leaves out are not safe inside a running search either.
    enable({"CopyItem", "BeginnerItem", "ExpertItem", "NewWindowItem", "NewWindowButton", "HorizontalSplitItem",
            "HorizontalSplitButton", "VerticalSplitItem", "VerticalSplitButton", "HelpContentsItem", "HelpButton"},
           idle);

    PopupEnabled = idle;
    if (QAction* beginner = Command(QStringLiteral("BeginnerItem")))
        beginner->setChecked(!Program.ExpertMode);
    if (QAction* expert = Command(QStringLiteral("ExpertItem")))
        expert->setChecked(Program.ExpertMode);
}

void TMainForm::UpdateViewButtons()
{
    auto check = [this](const char* button, const char* item, bool on) {
        Command(QString::fromLatin1(button))->setChecked(on);
        Command(QString::fromLatin1(item))->setChecked(on);
    };
    check("ViewAllButton", "ViewAllItem", ViewChoice == 1);
    check("MatchesOnlyButton", "MatchesOnlyItem", ViewChoice == 2);
    check("WholeFileButton", "WholeFileItem", ViewChoice == 3);
}

// ---------------------------------------------------------------------------------------------
// The search

void TMainForm::StartClick()
{
    Search.SearchAgain = false;
    RunSearch();
}

void TMainForm::StopClick()
{
    switch (Program.BusyState) {
    case TProgramData::Searching:
        SearchEngine->StopSearch();
        break;
    case TProgramData::LoadingView:
        StopLoading = true;
        break;
    default:
        break;
    }
}

void TMainForm::RunSearch()
{
    if (Program.BusyState != TProgramData::Idle)
        return;
    SetBusyState(TProgramData::Searching);
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    ViewChoice = 0;
    UpdateCommands();
    UpdateViewButtons();

    // The records of the last search are about to go: nothing may point at them any more.
    Program.SelectedItem = nullptr;
    Program.DisplayedFile = nullptr;
    CurrentMatch = -1;
    ListModel->Clear();

    Builder->ClearView();
    Builder->BeginDocument();
    const QString criteria = FromBytes(TSearchSummary::Criteria(Search));
    Details->SetPanelText(0, criteria);
    Details->SetPanelText(1, QString());
    PopupEnabled = false;

    bool searched = true;
    if (Search.SearchAgain || !Search.CountFilesFirst) {
        SearchEngine->Search();
    } else {
        ShowStatus(QStringLiteral("Counting files. Please wait..."));
        if (SearchEngine->CountFiles()) {
            Progress->setRange(0, std::max(1, RunStats.CountedFiles));
            Progress->setValue(0);
            SearchEngine->Search();
        } else {
            searched = false;
        }
    }

    ListModel->FlushRows();
    SetBusyState(TProgramData::Idle);
    if (WindowHidden)
        ShowTaskIcon();
    Program.SelectedItem = nullptr;
    Program.DisplayedFile = nullptr;
    UpdateSearchStatus();
    if (searched) {
        Details->SetPanelText(0, FromBytes(TSearchSummary::Result(Search, RunStats)));
        Details->SetPanelText(1, FromBytes(TSearchSummary::Speed(RunStats)));
    } else {
        // The counters still hold the last complete pass; a summary of them would mislead.
        Details->SetPanelText(0, criteria + QStringLiteral(": stopped while counting files."));
        Details->SetPanelText(1, QString());
    }
    PopupEnabled = true;
    PaneContent = 0;
    ViewChoice = 0;
    UpdateCommands();
    QGuiApplication::restoreOverrideCursor();
    Builder->FinishDocument();
    if (Program.OMWAS && searched && ListModel->rowCount() > 0)
        ViewAllMatches();
}

void TMainForm::UpdateSearchStatus()
{
    if (Program.BusyState == TProgramData::Searching) {
        emit searchProgress();
        // The engine reports every file; nobody reads more than a few dozen names a second, and
        // setting the texts for each would cost a large share of the search.
        if (ProgressShown.isValid() && ProgressShown.elapsed() < ProgressIntervalMs)
            return;
        ProgressShown.start();
        const std::string& folder = RunStats.CurrentFolder;
        std::string path = folder;
        if (path.empty() || path.back() != '/')
            path += '/';
        path += RunStats.CurrentFile;
        ShowStatus(QStringLiteral("Searching ") + FromBytes(path));
        if (Search.CountFilesFirst && !Search.SearchAgain)
            Progress->setValue(std::min<int>(static_cast<int>(RunStats.SearchedFiles), Progress->maximum()));
    } else {
        ProgressShown.invalidate();
        Progress->setValue(0);
        ShowStatus(RunStats.Completed ? QStringLiteral("Search complete") : QStringLiteral("Search terminated by user"));
    }
}

void TMainForm::AddFileRow(TFileData& file)
{
    ListModel->AddFileRow(file);
}

// ---------------------------------------------------------------------------------------------
// The file list

void TMainForm::FindSelectedRow()
{
    Program.SelectedItem = ListModel->FileAt(SelectedRowIndex());
    UpdateCommands();
}

void TMainForm::FileListBoxClick()
{
    if (Program.BusyState != TProgramData::Idle)
        return;
    TFileData* before = Program.SelectedItem;
    FindSelectedRow();
    if (Program.SelectedItem != before && Program.SelectedItem != nullptr) {
        if (ViewChoice == 0 || ViewChoice == 1)
            ViewChoice = 2;
        if (ViewChoice == 2) {
            ShowSelectedFile(0);
        } else if (ViewChoice == 3) {
            ShowSelectedFile(1);
        }
    }
    UpdateViewButtons();
    FileListView->CurrentView()->setFocus();
}

void TMainForm::FileListBoxKeyUp(int key)
{
    if (Program.BusyState != TProgramData::Idle)
        return;
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: {
        TFileData* before = Program.SelectedItem;
        FindSelectedRow();
        if (Program.SelectedItem != before && Program.SelectedItem != nullptr)
            ShowSelectedFile(2);
        break;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        PopupEditClick();
        break;
    default:
        break;
    }
}

void TMainForm::FileListBoxColumnClick(int column)
{
    if (Program.BusyState != TProgramData::Idle)
        return;
    const int key = TFileListColumns::SortKeyForColumn(column);
    if (key == TFileListColumns::NoSort)
        return;
    TFileData* selected = Program.SelectedItem;
    ListModel->SortFileList(key);
    // Texts sort A to Z on the first click; numbers and dates largest first.
    FileListView->ShowSortIndicator(column, !ListModel->SortDescending());
    if (selected != nullptr) {
        const int row = ListModel->RowOf(selected);
        FileListView->SelectRow(row);
        Program.SelectedItem = ListModel->FileAt(row);
    }
    UpdateCommands();
}

void TMainForm::PopupMenuPopup()
{
    FindSelectedRow();
    const bool listed = ListModel->rowCount() > 0;
    PopupSearchAgain->setEnabled(listed);
    PopupReplace->setEnabled(listed);
    TFileData* selected = Program.SelectedItem;
    if (selected != nullptr) {
        const QString name = FromBytes(selected->FileName);
        PopupViewMatches->setText(QStringLiteral("View matches in ") + name);
        PopupViewFile->setText(QStringLiteral("View ") + name);
        PopupViewSeparator->setVisible(true);
        PopupViewMatches->setVisible(true);
        PopupViewFile->setVisible(true);
        if (selected->InZip) {
            PopupExtract->setText(QStringLiteral("Extract ") + name + QStringLiteral(" from ZIP..."));
            PopupExtract->setVisible(true);
            PopupEdit->setVisible(false);
        } else {
            PopupEdit->setText(QStringLiteral("Edit ") + name);
            PopupEdit->setVisible(true);
            PopupExtract->setVisible(false);
        }
    } else {
        PopupViewSeparator->setVisible(false);
        PopupViewMatches->setVisible(false);
        PopupViewFile->setVisible(false);
        PopupExtract->setVisible(false);
        PopupEdit->setVisible(false);
    }
    const auto styles = PopupViewStyles->actions();
    for (QAction* item : styles)
        item->setChecked(item->data().toInt() == FileListView->Style());
}

void TMainForm::PopupChangeViewClick(int style)
{
    const int row = SelectedRowIndex();
    FileListView->SetStyle(static_cast<TFileListView::ViewStyle>(style));
    if (row >= 0)
        FileListView->SelectRow(row);
}

void TMainForm::ViewMatchesClick()
{
    ShowSelectedFile(0);
    ViewChoice = 2;
    UpdateCommands();
    UpdateViewButtons();
}

void TMainForm::ViewFileClick()
{
    ShowSelectedFile(1);
    ViewChoice = 3;
    UpdateCommands();
    UpdateViewButtons();
}

void TMainForm::SaveColumnWidths()
{
    TFileListColumns::TWidths widths{};
    for (int column = 0; column < TFileListColumns::StoredColumnCount; ++column)
        widths[static_cast<std::size_t>(column)] = FileListView->ColumnWidth(column);
    TFileListColumns::SaveWidths(Store, widths);
}

void TMainForm::LoadColumnWidths()
{
    TFileListColumns::TWidths widths{};
    for (int column = 0; column < TFileListColumns::StoredColumnCount; ++column)
        widths[static_cast<std::size_t>(column)] = FileListView->ColumnWidth(column);
    TFileListColumns::LoadWidths(Store, widths);
    for (int column = 0; column < TFileListColumns::StoredColumnCount; ++column)
        FileListView->SetColumnWidth(column, widths[static_cast<std::size_t>(column)]);
}

// ---------------------------------------------------------------------------------------------
// Dialog commands

void TMainForm::AskAndRunSearch(bool searchAgain)
{
    if (Program.BusyState != TProgramData::Idle)
        return;
    Search.SearchAgain = searchAgain;
    QDialog& dialog = Program.ExpertMode ? static_cast<QDialog&>(*SearchDialog) : static_cast<QDialog&>(*SearchWizard);
    if (ShowModal(dialog) == QDialog::Accepted)
        RunSearch();
}

void TMainForm::NewSearchClick()
{
    AskAndRunSearch(false);
}

void TMainForm::SearchAgainClick()
{
    AskAndRunSearch(true);
}

void TMainForm::PreferencesMenuItemClick()
{
    ShowModal(*Preferences);
    UpdateCommands();
}

void TMainForm::BeginnerClick()
{
    Program.ExpertMode = false;
    UpdateCommands();
}

void TMainForm::ExpertClick()
{
    Program.ExpertMode = true;
    UpdateCommands();
}

void TMainForm::NewWindowClick()
{
    if (!Placement.RegKeyName.empty()) {
        const QPoint position = pos();
        Placement.SavePlacement(Store, TPlacementBounds{position.x(), width(), position.y(), height()});
        // The new process reads the settings file: it must see where this window stands.
        Store.Save();
    }
    StartProcess(Program.ProgramFolder + "/quarnel32", {NewWindowArgument()});
}

void TMainForm::HorizontalSplitClick()
{
    SetHorizontalSplit();
}

void TMainForm::VerticalSplitClick()
{
    SetVerticalSplit();
}

void TMainForm::SetHorizontalSplit()
{
    const int total = MainPanel->height();
    const int list = total / 3;
    SplitterBar->setOrientation(Qt::Vertical);
    const int available = std::max(0, SplitterBar->height() - SplitterWidth);
    SplitterBar->setSizes({list, std::max(0, available - list)});
    Program.HorizontalSplit = true;
    ApplySplitChecks();
}

void TMainForm::SetVerticalSplit()
{
    const int list = MainPanel->width() / 2;
    SplitterBar->setOrientation(Qt::Horizontal);
    const int available = std::max(0, SplitterBar->width() - SplitterWidth);
    SplitterBar->setSizes({list, std::max(0, available - list)});
    Program.HorizontalSplit = false;
    ApplySplitChecks();
}

void TMainForm::ApplySplitChecks()
{
    const bool horizontal = Program.HorizontalSplit;
    Command(QStringLiteral("HorizontalSplitButton"))->setChecked(horizontal);
    Command(QStringLiteral("HorizontalSplitItem"))->setChecked(horizontal);
    Command(QStringLiteral("VerticalSplitButton"))->setChecked(!horizontal);
    Command(QStringLiteral("VerticalSplitItem"))->setChecked(!horizontal);
}

void TMainForm::HelpContentsClick()
{
    THelpWindow::ShowTopic(Program.HelpFile);
}

void TMainForm::AboutClick()
{
    ShowModal(*About);
}

void TMainForm::ExitClick()
{
    close();
}

// ---------------------------------------------------------------------------------------------
// Commands built on the viewing, saving, printing and replacing parts of the window

void TMainForm::HTMLWinCopyClick()
{
    Pane->CopyToClipboard();
}

void TMainForm::SelectAllMenuItemClick()
{
    Pane->SelectAll();
}

// ---------------------------------------------------------------------------------------------
// Saving and opening

bool TMainForm::WriteExport(const std::string& path, std::string_view content)
{
    // A failed or interrupted save never leaves a half-written file in place of a good one.
    static constexpr TAtomicFile::TOptions options{".qn-", ".tmp", 0666, false, true, true, true};
    struct stat original {};
    const bool exists = ::stat(path.c_str(), &original) == 0;
    return TAtomicFile::Replace(path, content, exists ? &original : nullptr, options);
}

void TMainForm::SaveSearchClick()
{
    if (Program.BusyState != TProgramData::Idle)
        return;
    const QString chosen = ChooseSaveFile();
    if (chosen.isEmpty())
        return;
    const std::string path = QFile::encodeName(chosen).toStdString();
    const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : chosen.mid(dot).toUpper();
    if (extension == QStringLiteral(".PAR")) {
        ParameterFile.FileName = path;
        Search.SaveToProfile(ParameterFile);
    } else if (extension == QStringLiteral(".CSV")) {
        std::string text = TFileListCsv::Header() + "\n";
        for (int row = 0; row < ListModel->rowCount(); ++row)
            text += TFileListCsv::Row(*ListModel->FileAt(row)) + "\n";
        if (!WriteExport(path, text))
            ShowMessage(QStringLiteral("Save failed"), QStringLiteral("The file could not be written: ") + chosen);
    } else if (extension == QStringLiteral(".HTM")) {
        if (!Builder->CopyDocumentTo(path))
            ShowMessage(QStringLiteral("Save failed"),
                        QStringLiteral("An error occured when trying to save the file. This could be because the "
                                       "search results pane is empty."));
    } else if (extension == QStringLiteral(".TXT")) {
        Pane->SelectAll();
        const QByteArray text = Pane->SelectedText().toUtf8() + '\n';
        Pane->ClearSelection();
        if (!WriteExport(path, std::string_view(text.constData(), static_cast<std::size_t>(text.size()))))
            ShowMessage(QStringLiteral("Save failed"), QStringLiteral("The file could not be written: ") + chosen);
    }
}

void TMainForm::OpenSearchClick()
{
    if (Program.BusyState != TProgramData::Idle)
        return;
    const QString chosen = ChooseOpenFile();
    if (chosen.isEmpty())
        return;
    ParameterFile.FileName = QFile::encodeName(chosen).toStdString();
    Search.LoadFromProfile(ParameterFile);
    UpdateCommands();
}

// ---------------------------------------------------------------------------------------------
// Viewing

void TMainForm::FocusFileList()
{
    FileListView->CurrentView()->setFocus();
}

void TMainForm::ShowSelectedFile(int mode)
{
    TFileData* file = Program.SelectedItem;
    const int row = ListModel->RowOf(file);
    if (file != nullptr && Viewer->RefusesWholeFile(*file, mode)) {
        ShowInfo(std::string(TFileSectionWriter::TooLargeCaption), std::string(TFileSectionWriter::TooLargeTitle),
                 TFileSectionWriter::TooLargeText(*file));
        FileListView->SelectRow(row);
        return;
    }
    if (file == nullptr || row < 0)
        return;
    FileListView->SelectRow(row);
    Details->SetPanelText(1, FromBytes(TViewNavigation::PaneCaption(*file, Viewer->ShowsWholeFile(mode))));
    ShowStatus(QString::fromLatin1(TFileSectionWriter::LoadingFileStatus.data()));
    // A range of 0..0 would make the bar a busy indicator.
    Progress->setRange(0, static_cast<int>(std::clamp<int64_t>(file->Size / 1000, 1, INT32_MAX)));
    Progress->setValue(0);

    StopLoading = false;
    SetBusyState(TProgramData::LoadingView);
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    Viewer->Progress = [this](int64_t bytesRead) {
        Progress->setValue(static_cast<int>(std::min<int64_t>(bytesRead / 1000, Progress->maximum())));
    };
    Viewer->FileWritten = nullptr;
    Viewer->WriteFileView(*file, mode, Program.MatchWindow);
    QGuiApplication::restoreOverrideCursor();
    LastFileView = static_cast<uint8_t>(Viewer->LastFileView);
    SetBusyState(TProgramData::Idle);
    CurrentMatch = -1;
    Program.DisplayedFile = file;

    if (Builder->IsTooLarge() &&
        AskYesNo(QString::fromLatin1(TFileSectionWriter::BrowserOfferCaption.data()),
                 QString::fromLatin1(TFileSectionWriter::BrowserOfferFile.data())))
        OpenWithAssociatedProgram(Builder->DocumentFileName());
    PaneContent = 1;
    ShowStatus(QString());
    Progress->setValue(0);
    UpdateCommands();
    if (LastFileView == TFileSectionWriter::WholeFile) {
        CurrentMatch = 0;
        GoToCurrentMatch();
    }
}

void TMainForm::ViewAllMatches()
{
    ViewChoice = 1;
    if (Program.BusyState == TProgramData::Idle && ListModel->rowCount() > 0) {
        if (Program.SelectedItem != nullptr || FileListView->SelectedRow() >= 0) {
            FileListView->SelectRow(-1);
            Program.SelectedItem = nullptr;
        }
        Details->SetPanelText(1, QString::fromLatin1(TViewNavigation::AllFilesCaption.data()));
        ShowStatus(QString::fromLatin1(TFileSectionWriter::LoadingFilesStatus.data()));
        StopLoading = false;
        SetBusyState(TProgramData::LoadingView);
        QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
        Progress->setRange(0, std::max(1, ListModel->rowCount() - 1));
        Progress->setValue(0);
        Viewer->Progress = nullptr;
        Viewer->FileWritten = [this](std::size_t index) {
            Progress->setValue(static_cast<int>(index));
            emit viewProgress();
        };
        Viewer->WriteAllMatches(FileList, ToBytes(Details->PanelText(0)), Program.MatchWindow);
        QGuiApplication::restoreOverrideCursor();
        LastFileView = static_cast<uint8_t>(Viewer->LastFileView);
        SetBusyState(TProgramData::Idle);
        PaneContent = 2;
        ShowStatus(QString());
        Progress->setValue(0);
        if (Builder->IsTooLarge() &&
            AskYesNo(QString::fromLatin1(TFileSectionWriter::BrowserOfferCaption.data()),
                     QString::fromLatin1(TFileSectionWriter::BrowserOfferAllFiles.data())))
            OpenWithAssociatedProgram(Builder->DocumentFileName());
    }
    UpdateCommands();
    UpdateViewButtons();
}

void TMainForm::ViewAllClick()
{
    ViewAllMatches();
}

void TMainForm::SelectFirstRowWhenNone()
{
    if (Program.BusyState == TProgramData::Idle && SelectedRowIndex() < 0 && ListModel->rowCount() > 0) {
        FileListView->SelectRow(0);
        FindSelectedRow();
    }
}

void TMainForm::MatchesOnlyClick()
{
    ViewChoice = 2;
    SelectFirstRowWhenNone();
    ShowSelectedFile(TFileSectionWriter::MatchesOnly);
    UpdateCommands();
    UpdateViewButtons();
    FocusFileList();
}

void TMainForm::WholeFileClick()
{
    ViewChoice = 3;
    SelectFirstRowWhenNone();
    Builder->Options.MatchesOnly = false;
    ShowSelectedFile(TFileSectionWriter::WholeFile);
    UpdateViewButtons();
    FocusFileList();
}

void TMainForm::PreviousFileClick()
{
    if (Program.BusyState != TProgramData::Idle)
        return;
    const int row = TViewNavigation::PreviousFile(SelectedRowIndex());
    if (row < 0)
        return;
    FileListView->SelectAndShowRow(row);
    Program.SelectedItem = ListModel->FileAt(row);
    ShowSelectedFile(TFileSectionWriter::AsLastShown);
    FocusFileList();
}

void TMainForm::NextFileClick()
{
    if (Program.BusyState != TProgramData::Idle)
        return;
    const int row = TViewNavigation::NextFile(SelectedRowIndex(), static_cast<std::size_t>(ListModel->rowCount()));
    if (row < 0)
        return;
    FileListView->SelectAndShowRow(row);
    Program.SelectedItem = ListModel->FileAt(row);
    if (ViewChoice == 0 || ViewChoice == 1)
        ViewChoice = 2;
    ShowSelectedFile(TFileSectionWriter::AsLastShown);
    UpdateViewButtons();
    FocusFileList();
}

void TMainForm::NextMatchButton_Click()
{
    if (Program.DisplayedFile == nullptr)
        return;
    CurrentMatch = TViewNavigation::NextMatch(CurrentMatch, Program.DisplayedFile->Matches.size());
    GoToCurrentMatch();
    UpdateCommands();
    FocusFileList();
}

void TMainForm::PreviousMatchButton_Click()
{
    CurrentMatch = TViewNavigation::PreviousMatch(CurrentMatch);
    GoToCurrentMatch();
    UpdateCommands();
    FocusFileList();
}

void TMainForm::GoToCurrentMatch()
{
    if (Program.DisplayedFile == nullptr)
        return;
    const std::string anchor = TViewNavigation::MatchAnchor(*Program.DisplayedFile, CurrentMatch);
    if (!anchor.empty())
        Pane->ScrollToAnchor(QString::fromStdString(anchor));
}

void TMainForm::RebuildView()
{
    if (PaneContent == 1)
        ShowSelectedFile(TFileSectionWriter::AsLastShown);
    else if (PaneContent == 2)
        ViewAllMatches();
}

void TMainForm::HTMLWindowHotSpotClick(const QString& target)
{
    HTMLWindowAction(TLinkAction::Parse(ToBytes(target)));
}

void TMainForm::HTMLWindowAction(const TLinkAction& action)
{
    // A click while a view loads would start a second load inside the first.
    if (Program.BusyState != TProgramData::Idle)
        return;
    if (action.Apply(Builder->Options, Program.MatchWindow)) {
        RebuildView();
    } else if (action.Kind == TLinkAction::TKind::OpenFile) {
        LaunchEditor(action.Target.Path, action.Target.Line, action.Target.Column);
    }
}

void TMainForm::HTMLTitleClick()
{
    if (Program.BusyState != TProgramData::Idle)
        return;
    Builder->Options.TitleAndMenu = !Builder->Options.TitleAndMenu;
    RebuildView();
}

void TMainForm::OpenInBrowserClick()
{
    if (!Builder->DocumentFileName().empty())
        OpenWithAssociatedProgram(Builder->DocumentFileName());
}

void TMainForm::HTMLPopupMenuPopup()
{
    const bool idle = Program.BusyState == TProgramData::Idle;
    HTMLCopy->setEnabled(Pane->SelectionLength() > 0);
    HTMLSelectAll->setEnabled(idle && Pane->HasDocument());
    HTMLShowTitle->setEnabled(idle);
    HTMLShowTitle->setChecked(Builder->Options.TitleAndMenu);
    HTMLOpenInBrowser->setEnabled(idle && Pane->HasDocument());
}

void TMainForm::EditMenuClick()
{
    Command(QStringLiteral("CopyItem"))->setEnabled(Pane->HasDocument());
}

// ---------------------------------------------------------------------------------------------
// Editing, opening and extracting files

void TMainForm::LaunchEditor(const std::string& path, int64_t line, int64_t column)
{
    if (path.empty())
        return;
    if (TEditorCommand::IsExtractedMember(path)) {
        ShowInfo(std::string(TEditorCommand::ZipCaption), std::string(TEditorCommand::ZipTitle),
                 std::string(TEditorCommand::ZipText));
        return;
    }
    const TCommandLine command = TEditorCommand::Build(
        Program.EditorCommand,
        TEditorCommand::Target(path, line, column, Program.SelectedItem, Search.SearchString));
    if (command.Program.empty())
        return;
    // A command that cannot start would otherwise look as if Edit did nothing.
    if (!StartProcess(command.Program, command.Arguments))
        ShowInfo(ToBytes(TAboutBox::ProductName()), "The editor could not be started",
                 "The program \"" + command.Program +
                     "\" could not be run. Set the editor command in the preferences (Options, Preferences...).");
}

TFileData* TMainForm::SelectedFileWhenIdle()
{
    if (Program.BusyState != TProgramData::Idle)
        return nullptr;
    FindSelectedRow();
    return Program.SelectedItem;
}

void TMainForm::ShowNotExtracted()
{
    ShowMessage(QString::fromLatin1(TMemberExtraction::FailedCaption.data()),
                QString::fromLatin1(TMemberExtraction::FailedText.data()));
}

std::string TMainForm::ExtractMemberToChosenFolder(const TFileData& file)
{
    const std::string offered = TMemberExtraction::ArchiveFolder(file);
    const QString folder = ChooseFolder(QString::fromLatin1(TMemberExtraction::FolderCaption.data()),
                                        QFile::decodeName(QByteArray::fromStdString(offered)));
    if (folder.isEmpty())
        return {};
    std::string path;
    const auto overwrite = [this](const std::string&) {
        return AskYesNo(QStringLiteral("Confirm"), QString::fromLatin1(TMemberExtraction::OverwriteQuestion.data()));
    };
    if (!TMemberExtraction::Extract(file, ChosenFolderBytes(folder, offered), overwrite, path))
        return {};
    return path;
}

void TMainForm::PopupEditClick()
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

QString TMainForm::OpenFailureText(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, std::max<std::size_t>(slash, 1));
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QStringLiteral("The specified path was not found.");
    if (::stat(path.c_str(), &info) != 0)
        return QStringLiteral("The specified file was not found.");
    if (::access(path.c_str(), R_OK) != 0)
        return QStringLiteral("The operating system denied access to the specified file.");
    return QStringLiteral("There is no application associated with the given filename extension.");
}

void TMainForm::PopupLaunchClick()
{
    const TFileData* file = SelectedFileWhenIdle();
    if (file == nullptr)
        return;
    const std::string path = file->InZip ? ExtractMemberToChosenFolder(*file) : file->FullPath;
    if (path.empty()) {
        ShowNotExtracted();
        return;
    }
    if (!OpenWithAssociatedProgram(path))
        ShowInfo(ToBytes(TAboutBox::ProductName()), "Execution Error", ToBytes(OpenFailureText(path)));
}

void TMainForm::PopupExtractClick()
{
    const TFileData* file = SelectedFileWhenIdle();
    if (file != nullptr && file->InZip && ExtractMemberToChosenFolder(*file).empty())
        ShowNotExtracted();
}

void TMainForm::ReplaceClick()
{
    if (Program.BusyState != TProgramData::Idle || !TReplaceCommand::IsAvailable(Program, FileList, Search))
        return;
    FindSelectedRow();
    Replacing->ReplaceClick();
    UpdateCommands();
}

void TMainForm::PrintClick()
{
    if (Program.BusyState == TProgramData::Idle)
        Printing->PrintClick();
}

void TMainForm::PrintSetupClick()
{
    if (Program.BusyState == TProgramData::Idle)
        Printing->PrintSetupClick();
}
