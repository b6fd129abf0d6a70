#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/TFileList.h"
#include "model/TPlacement.h"
#include "model/TProfile.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "model/TSearchStats.h"
#include "model/TSettingsStore.h"
#include "platform/TEventPump.h"
#include "platform/TQtShellInfo.h"
#include "presentation/TLinkAction.h"
#include "replace/TReplaceData.h"

class QAction;
class QActionGroup;
class QDialog;
class QMenu;
class QProgressBar;
class QSplitter;
class QSystemTrayIcon;
class QTimer;
class QToolBar;
class TAboutBox;
class TDirPickDlg;
class TFileListModel;
class TFileListView;
class TFileSectionWriter;
class THTMLViewer;
class THTMLWin;
class TInfoDlg;
class TPanelBar;
class TPreferencesDlg;
class TPrintCommand;
class TReplaceCommand;
class TPrintDlg;
class TReplaceConfirmDlg;
class TReplaceDlg;
class TReplaceWizardDlg;
class TSearchDlg;
class TSearchEngine;
class TSearchWizardDlg;

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
// result list, the search engine, the results document builder, the file list and the results
// pane, and runs every command of the menus and the toolbar.
//
// Everything runs on one thread. A search or the loading of a view runs inside the command that
// started it and keeps the window alive through the engine's "process pending events" hook;
// meanwhile BusyState is not idle, every command but Stop is disabled, the file list ignores
// clicks and keys, and the window refuses to close.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(TStartupOptions options, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The window caption of an idle window: the product name and version.
    static QString BaseCaption();
    // "/" + today's date in the program's date format: the first argument of a process started
    // by New window.
    static std::string NewWindowArgument();

    // Operations other parts of the window call.
    void ShowStatus(const QString& text);
    void UpdateCommands();
    void UpdateViewButtons();
    void UpdateSearchStatus();
    void RunSearch();
    void AddFileRow(TFileData& file);
    void FindSelectedRow();
    void SetHorizontalSplit();
    void SetVerticalSplit();

    // The objects of the process, for the window's parts and for tests.
    TSearchData& SearchData() { return Search; }
    TProgramData& ProgramData() { return Program; }
    TReplaceData& ReplaceData() { return Replace; }
    TSearchStats& Stats() { return RunStats; }
    TFileList& Files() { return FileList; }
    TSettingsStore& Settings() { return Store; }
    TProfile& DataINI() { return ParameterFile; }
    THTMLWin& HTMLWin() { return *Builder; }
    TSearchEngine& Engine() { return *SearchEngine; }
    TFileListView& FileListBox() const { return *FileListView; }
    TFileListModel& FileListModel() const { return *ListModel; }
    THTMLViewer& HTMLWindow() const { return *Pane; }
    TPanelBar& DetailsBar() const { return *Details; }
    TPanelBar& StatusBar() const { return *Status; }
    QProgressBar& ProgressBar() const { return *Progress; }
    QSplitter& Splitter() const { return *SplitterBar; }
    QWidget& PanelMain() const { return *MainPanel; }
    QMenu& PopupMenu() const { return *FilePopup; }
    QMenu& PanePopupMenu() const { return *HTMLPopupMenu; }
    TInfoDlg& InfoDlg() const { return *Info; }
    TSearchDlg& SearchDlg() const { return *SearchDialog; }
    TSearchWizardDlg& SearchWizardDlg() const { return *SearchWizard; }
    TPreferencesDlg& PreferencesDlg() const { return *Preferences; }
    TAboutBox& AboutBox() const { return *About; }
    // A menu item or toolbar button by its object name ("StartButton", "StartItem", ...).
    QAction* Command(const QString& name) const;

    uint8_t LastFileView = 0;   // how the last single file was shown: 0 matches only, 1 whole file
    int32_t CurrentMatch = -1;  // the current match of DisplayedFile, -1 none
    uint8_t PaneContent = 0;    // 0 other, 1 one file, 2 all matches
    uint8_t ViewChoice = 0;     // 0 none, 1 all matches, 2 matches in the selected file, 3 whole file
    bool WindowHidden = false;
    bool StopLoading = false;

    // The result of the command line's start-up action, once it has run (-1 before).
    int StartupResult() const { return StartupCode; }
    bool StartupDone() const { return StartupFinished; }

    // Shows a dialog modally and returns its result. Tests replace it to answer dialogs.
    std::function<int(QDialog& dialog)> ShowModal;
    // Asks a Yes/No question; true for Yes. Tests replace it.
    std::function<bool(const QString& caption, const QString& text)> AskYesNo;
    // Starts a detached process; false when it could not be started. The program and its
    // arguments are bytes, passed on unchanged (a file name need not be valid UTF-8). Tests
    // replace it.
    std::function<bool(const std::string& program, const std::vector<std::string>& arguments)> StartProcess;
    // Opens the file at a path (bytes) with the program the desktop associates with it; false
    // when that failed. Tests replace it.
    std::function<bool(const std::string& path)> OpenWithAssociatedProgram;
    // Asks for a folder (caption, folder offered first); empty when cancelled. Tests replace it.
    std::function<QString(const QString& caption, const QString& start)> ChooseFolder;
    // Asks for the file to save to, and for the parameter file to open; empty when cancelled.
    // Tests replace them.
    std::function<QString()> ChooseSaveFile;
    std::function<QString()> ChooseOpenFile;
    // Shows a message with OK (and Cancel where the message offers it). Tests replace it.
    std::function<void(const QString& caption, const QString& text)> ShowMessage;

    // Viewing.
    void ShowSelectedFile(int mode);
    void ViewAllMatches();
    void GoToCurrentMatch();
    void LaunchEditor(const std::string& path, int64_t line, int64_t column);
    // Extracts a ZIP member into a folder the user picks; the extracted file's path, or empty.
    std::string ExtractMemberToChosenFolder(const TFileData& file);
    // The message for a file that could not be opened with its associated program.
    static QString OpenFailureText(const std::string& path);
    // The file types of the Save As and Open dialogs, in the platform's filter form.
    static QStringList SaveFileTypes();
    static QString OpenFileType();

public slots:
    // File
    void OpenSearchClick();
    void SaveSearchClick();
    void PrintClick();
    void PrintSetupClick();
    void ExitClick();
    // Edit
    void HTMLWinCopyClick();
    void SelectAllMenuItemClick();
    // Search
    void NewSearchClick();
    void SearchAgainClick();
    void StartClick();
    void StopClick();
    void ReplaceClick();
    // View
    void ViewAllClick();
    void MatchesOnlyClick();
    void WholeFileClick();
    void PreviousFileClick();
    void NextFileClick();
    void PreviousMatchButton_Click();
    void NextMatchButton_Click();
    // Options
    void PreferencesMenuItemClick();
    void BeginnerClick();
    void ExpertClick();
    // Window
    void NewWindowClick();
    void HorizontalSplitClick();
    void VerticalSplitClick();
    // Help
    void HelpContentsClick();
    void AboutClick();

    // The file list.
    void FileListBoxClick();
    void FileListBoxKeyUp(int key);
    void FileListBoxColumnClick(int column);
    void PopupMenuPopup();
    void PopupChangeViewClick(int style);
    void ViewMatchesClick();
    void ViewFileClick();
    void PopupEditClick();
    void PopupLaunchClick();
    void PopupExtractClick();

    // The results pane.
    void HTMLWindowHotSpotClick(const QString& target);
    void HTMLWindowAction(const TLinkAction& action);
    void HTMLTitleClick();
    void OpenInBrowserClick();
    void HTMLPopupMenuPopup();
    void EditMenuClick();
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
    void FormCreate();
    void CreateCommands();
    void CreateMenus();
    void CreateToolbar(QWidget* panel);
    void CreatePopupMenu();
    void FormShow();
    void SplashTimerTimer();
    bool FormCloseQuery();
    void FormClose();
    void ShowHintInStatus(const QString& hint);
    void ShowInfo(const std::string& caption, const std::string& title, const std::string& text);
    void SetBusyState(uint8_t state);
    void SaveColumnWidths();
    void LoadColumnWidths();
    void ApplySplitChecks();
    void ShowTaskIcon();
    void HideTaskIcon();
    int SelectedRowIndex() const;
    void RebuildView();
    void AskAndRunSearch(bool searchAgain);
    void SelectFirstRowWhenNone();
    // The selected row's file, or none; none while a long operation runs.
    TFileData* SelectedFileWhenIdle();
    void ShowNotExtracted();
    void FocusFileList();
    bool WriteExport(const std::string& path, std::string_view content);
    QAction* MakeAction(const char* name, const QString& caption, const QString& statusTip,
                        void (TMainForm::*handler)());

    TStartupOptions Options;
    TSettingsStore Store;
    TReplaceData Replace;
    TSearchData Search;
    TProgramData Program;
    TSearchStats RunStats;
    TFileList FileList;
    TQtShellInfo Shell;
    // The engine makes a record for every file it looks at; only the records it keeps are
    // described by the (much slower) desktop shell.
    TNullShellInfo NoShell;
    TProfile ParameterFile;
    TPlacement Placement;
    TEventPump Pump;
    std::unique_ptr<THTMLWin> Builder;
    std::unique_ptr<TSearchEngine> SearchEngine;
    std::unique_ptr<TPrintCommand> Printing;
    std::unique_ptr<TFileSectionWriter> Viewer;
    std::unique_ptr<TReplaceCommand> Replacing;
    // Repaints during a replace run but lets no user input through.
    TEventPump ReplacePump{20, true};

    TFileListModel* ListModel = nullptr;
    TFileListView* FileListView = nullptr;
    THTMLViewer* Pane = nullptr;
    TPanelBar* Details = nullptr;
    TPanelBar* Status = nullptr;
    QProgressBar* Progress = nullptr;
    QSplitter* SplitterBar = nullptr;
    QWidget* MainPanel = nullptr;
    QToolBar* Toolbar = nullptr;
    QMenu* FilePopup = nullptr;
    QMenu* PopupViewMenu = nullptr;
    QActionGroup* PopupViewStyles = nullptr;
    QAction* PopupSearchAgain = nullptr;
    QAction* PopupReplace = nullptr;
    QAction* PopupViewSeparator = nullptr;
    QAction* PopupViewMatches = nullptr;
    QAction* PopupViewFile = nullptr;
    QAction* PopupExtract = nullptr;
    QAction* PopupEdit = nullptr;
    QMenu* HTMLPopupMenu = nullptr;
    QAction* HTMLSelectAll = nullptr;
    QAction* HTMLCopy = nullptr;
    QAction* HTMLShowTitle = nullptr;
    QAction* HTMLOpenInBrowser = nullptr;
    QTimer* SplashTimer = nullptr;
    QSystemTrayIcon* TaskIcon = nullptr;

    TReplaceConfirmDlg* ReplaceConfirm = nullptr;
    TReplaceWizardDlg* ReplaceWizard = nullptr;
    TSearchWizardDlg* SearchWizard = nullptr;
    TSearchDlg* SearchDialog = nullptr;
    TReplaceDlg* ReplaceDialog = nullptr;
    TAboutBox* About = nullptr;
    TPreferencesDlg* Preferences = nullptr;
    TDirPickDlg* DirPick = nullptr;
    TPrintDlg* PrintDialog = nullptr;
    TInfoDlg* Info = nullptr;

    // When the status line was last painted at once, and how often that may happen.
    QElapsedTimer StatusPainted;
    static constexpr int StatusRepaintMs = 50;
    // When the search's progress was last shown, and how often that happens.
    QElapsedTimer ProgressShown;
    static constexpr int ProgressIntervalMs = 25;
    bool PopupEnabled = true;
    bool DocumentShownOnce = false;
    bool Shown = false;
    bool Closed = false;
    bool StartupFinished = false;
    int StartupCode = -1;
    // Ticks the start-up action has waited for the window manager to put the window on screen.
    int StartupWaits = 0;
};
