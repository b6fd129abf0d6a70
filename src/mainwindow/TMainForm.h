// SPDX-License-Identifier: MIT
#pragma once

#include <QMainWindow>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mainwindow/TStatusLine.h"
#include "mainwindow/TTaskIcon.h"
#include "mainwindow/TWindowParts.h"
#include "mainwindow/TWindowState.h"
#include "model/TFileList.h"
#include "model/TPlacement.h"
#include "model/TProfile.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "model/TSearchStats.h"
#include "model/TSettingsStore.h"
#include "adapters/TEventPump.h"
#include "mainwindow/TReplaceCommand.h"
#include "replace/TReplaceData.h"

class QAction;
class QProgressBar;
class QSplitter;
class QTimer;
class TAboutBox;
class TFileListModel;
class TFileListView;
class THTMLViewer;
class THTMLWin;
class TInfoDlg;
class TFileListCommand;
class TLaunchCommand;
class TPanelBar;
class TPreferencesDlg;
class TPrintCommand;
class TPrintDlg;
class TReplaceCommand;
class TReplaceConfirmDlg;
class TReplaceDlg;
class TReplaceHistoryCommand;
class TReplaceHistoryDlg;
class TReplaceHistorySource;
class TReplaceJournal;
class TReplaceWizardDlg;
class TSaveOpenCommand;
class TSearchCommand;
class TSearchDlg;
class TSearchWizardDlg;
class TStatusLine;
class TViewCommand;

// How the process was started.
struct TStartupOptions {
    // The process's arguments; the first is the program.
    std::vector<std::string> Arguments;
    // The process was started by another window's New window command: it runs no start-up
    // action and opens offset from the window that started it.
    bool NewWindowStart = false;
    // The folder of the executable (style sheet, help pages), without a trailing separator.
    std::string ProgramFolder;
    // The folder relative paths of the command line are taken against.
    std::string CurrentFolder;
    // Closes the window once the start-up action is done (used to check an installed program).
    bool QuitAfterStartup = false;
};

// The program's main window. It owns, for the life of the process, the search parameters, the
// result list, the results document, the file list and the results pane; it lays out the
// widgets, makes the menus and the toolbar, runs the start-up action and the closing, and hands
// every command to the class of its family (search, views, save and open, launches, replace,
// print). What the window does and shows is one TWindowState; the enabled and checked commands
// are computed from it by TCommandRules.
//
// Everything runs on one thread. A search or the loading of a view runs inside the command that
// started it and keeps the window alive through the event pump; meanwhile the window is busy,
// every command but Stop is disabled, the file list ignores clicks and keys, and the window
// refuses to close.
class TMainForm : public QMainWindow, public TCommandHost {
    Q_OBJECT

public:
    // Questions, dialogs, file choices and processes go to `user` (which must outlive the
    // window) or, without one, to the desktop.
    explicit TMainForm(TStartupOptions options, TUserInteraction* user = nullptr, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The window caption of an idle window: the product name and version.
    static QString BaseCaption();
    // "/" + today's date in the program's date format: the first argument of a process started
    // by New window.
    static std::string NewWindowArgument();

    // TCommandHost
    void ShowStatus(const QString& text) override;
    void ShowInfo(const QString& caption, const QString& title, const QString& text) override;
    void SetBusy(TWindowState::TBusy busy) override;
    void UpdateCommands() override;
    void FindSelectedRow() override;
    TUserInteraction& User() override { return *Interaction; }

    void SetHorizontalSplit();
    void SetVerticalSplit();

    // What the window does and shows.
    const TWindowState& State() const { return Window; }
    // The command families.
    TSearchCommand& Searches() const { return *Searching; }
    TViewCommand& Views() const { return *Viewing; }
    TSaveOpenCommand& Saving() const { return *SavingOpening; }
    TLaunchCommand& Launches() const { return *Launching; }
    TFileListCommand& FileListCommands() const { return *FileListing; }

    // The objects of the process, for tests.
    TSearchData& SearchData() { return Search; }
    TProgramData& ProgramData() { return Program; }
    TReplaceData& ReplaceData() { return Replace; }
    TFileList& Files() { return FileList; }
    TProfile& DataINI() { return ParameterFile; }
    THTMLWin& HTMLWin() { return *Builder; }
    TFileListView& FileListBox() const { return *FileListView; }
    TFileListModel& FileListModel() const { return *ListModel; }
    THTMLViewer& HTMLWindow() const { return *Pane; }
    TPanelBar& DetailsBar() const { return *Details; }
    TPanelBar& StatusBar() const { return *Status; }
    QProgressBar& ProgressBar() const { return *Progress; }
    QSplitter& Splitter() const { return *SplitterBar; }
    QWidget& PanelMain() const { return *MainPanel; }
    TInfoDlg& InfoDlg() const { return *Info; }
    TSearchDlg& SearchDlg() const { return *SearchDialog; }
    TSearchWizardDlg& SearchWizardDlg() const { return *SearchWizard; }
    TAboutBox& AboutBox() const { return *About; }
    // A menu item or toolbar button by its object name ("StartButton", "StartItem", ...).
    QAction* Command(const QString& name) const;

    // The result of the command line's start-up action, once it has run (-1 before).
    int StartupResult() const { return StartupCode; }
    bool StartupDone() const { return StartupFinished; }

public slots:
    void StopClick();
    void ReplaceClick();
    void ReplaceHistoryClick();
    void SaveReportClick();
    void PreferencesClick();
    void NewWindowClick();

signals:
    // The start-up action has run (whatever it did).
    void startupActionDone();
    // The engine reported progress while a search runs.
    void searchProgress();
    // A file of an all-files view has been written.
    void viewProgress();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    using THandler = void (*)(TMainForm& form);

    void FormCreate();
    void CreatePanes(QWidget* central);
    void CreateCommandObjects();
    void OpenJournal();
    void ShowJournalTrouble();
    // Asks where to save `csv`, a replace's changes, and writes it there.
    void SaveCsv(const std::string& csv);
    // What a replace or an undo asks of the window.
    TReplaceCommand::TCallbacks ReportCallbacks();
    // The Replace History dialog and command, when there is a journal.
    void CreateHistory();
    // The window's objects for a command (once they all exist).
    TWindowParts Parts();
    // The handler of a menu item (which its toolbar button shares).
    static THandler HandlerOf(std::string_view item);
    void CreateCommands();
    void CreateMenus();
    void CreateToolbar(QWidget* panel);
    // The splitter in `orientation`, with `list` pixels for the file list.
    void SetSplit(Qt::Orientation orientation, int list);
    void FormShow();
    void SplashTimerTimer();
    bool FormCloseQuery();
    void FormClose();
    void SavePlacement();
    QAction* MakeAction(const char* name, const QString& caption, const QString& statusTip, THandler handler,
                        bool checkable);

    TStartupOptions Options;
    std::unique_ptr<TUserInteraction> Desktop;
    TUserInteraction* Interaction = nullptr;
    TSettingsStore Store;
    TReplaceData Replace;
    TSearchData Search;
    TProgramData Program;
    TSearchStats RunStats;
    TFileList FileList;
    TProfile ParameterFile;
    TPlacement Placement;
    TEventPump Pump;
    // Repaints during a replace run but lets no user input through.
    TEventPump ReplacePump{20, true};
    TWindowState Window;
    std::unique_ptr<THTMLWin> Builder;
    std::unique_ptr<TSearchCommand> Searching;
    std::unique_ptr<TViewCommand> Viewing;
    std::unique_ptr<TSaveOpenCommand> SavingOpening;
    std::unique_ptr<TLaunchCommand> Launching;
    std::unique_ptr<TFileListCommand> FileListing;
    std::unique_ptr<TPrintCommand> Printing;
    std::unique_ptr<TReplaceCommand> Replacing;
    // The journal of replace runs, and the same as the history shows it; none when it could not
    // be opened. What went wrong when it was opened, for the user, empty when nothing did.
    std::unique_ptr<TReplaceJournal> Journal;
    std::unique_ptr<TReplaceHistorySource> History;
    std::string JournalTrouble;
    std::unique_ptr<TReplaceHistoryCommand> HistoryCommand;

    TFileListModel* ListModel = nullptr;
    TFileListView* FileListView = nullptr;
    THTMLViewer* Pane = nullptr;
    TPanelBar* Details = nullptr;
    TStatusLine* Status = nullptr;
    QProgressBar* Progress = nullptr;
    QSplitter* SplitterBar = nullptr;
    QWidget* MainPanel = nullptr;
    QTimer* SplashTimer = nullptr;
    TTaskIcon TaskIcon{*this};

    TReplaceConfirmDlg* ReplaceConfirm = nullptr;
    TReplaceWizardDlg* ReplaceWizard = nullptr;
    TSearchWizardDlg* SearchWizard = nullptr;
    TSearchDlg* SearchDialog = nullptr;
    TReplaceDlg* ReplaceDialog = nullptr;
    TReplaceHistoryDlg* HistoryDialog = nullptr;
    TAboutBox* About = nullptr;
    TPreferencesDlg* Preferences = nullptr;
    TPrintDlg* PrintDialog = nullptr;
    TInfoDlg* Info = nullptr;

    bool WindowHidden = false;
    bool Shown = false;
    bool Closed = false;
    bool StartupFinished = false;
    int StartupCode = -1;
    // Ticks the start-up action has waited for the window manager to put the window on screen.
    int StartupWaits = 0;
};
