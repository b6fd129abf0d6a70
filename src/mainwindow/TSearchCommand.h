// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mainwindow/TWindowParts.h"
#include "adapters/TQtShellInfo.h"

class QDialog;
class TCountAhead;
class TSearchData;
class TEventPump;
class TProfile;
class TSearchEngine;
class TSearchStats;

// The main window's search: runs the engine over the search data, fills the file list as the
// engine reports files, shows the progress in the status line and the progress bar, and writes
// the criteria, then the summary and the speed of the run, into the details bar.
//
// The run happens inside Run and keeps the window alive through the event pump; the busy state
// is Searching meanwhile, and Stop asks the engine to end early.
class TSearchCommand {
public:
    struct TCallbacks {
        // The engine reported progress (a signal for whoever watches the run).
        std::function<void()> Progressed;
        // The run has ended and the window is idle again.
        std::function<void()> Finished;
        // Shows every match; called at the end of a run that found files when the program
        // data asks for it.
        std::function<void()> ViewAllMatches;
        // Opens a saved result set that the command line names in place of a parameter file.
        std::function<void(const std::string& path)> OpenResults;
    };

    // The criteria are asked with `expertDialog` in expert mode, else with `assistant`.
    TSearchCommand(TWindowParts parts, TSearchStats& stats, TEventPump& pump, const std::string& baseFolder,
                   QDialog& expertDialog, QDialog& assistant, TCallbacks callbacks);
    ~TSearchCommand();
    TSearchCommand(const TSearchCommand&) = delete;
    TSearchCommand& operator=(const TSearchCommand&) = delete;

    // Start: a new search (not a search of the last result list).
    void Start();
    // Asks for the criteria of a new search, or of a search of the files of the last result
    // list, and runs the search when they are accepted.
    void NewSearchClick() { AskAndRun(false); }
    void SearchAgainClick() { AskAndRun(true); }
    // Shows `dialog` and runs the search when it is accepted.
    void RunWhenAccepted(QDialog& dialog);
    // The start-up action: reads the command line (relative paths taken against
    // `currentFolder`) into the search data and runs the search it asks for, loading the
    // parameter file it names into `parameterFile` or asking with a dialog first. In beginner
    // mode a command line without criteria shows the assistant; in expert mode, the dialog when
    // the program data asks for it. Returns what TSearchData::ParseCommandLine said.
    int RunFromCommandLine(const std::vector<std::string>& arguments, const std::string& currentFolder,
                           TProfile& parameterFile);
    // When the command line states a search that counts its files first, or names a parameter
    // file of one, starts that count on a thread of its own, from the criteria `settled` the
    // command line applies to; hand it to the engine, whose count takes it if nothing changed in
    // between. Null otherwise.
    static std::unique_ptr<TCountAhead> CountAheadFor(const TSearchData& settled, const std::vector<std::string>& arguments,
                                                      const std::string& currentFolder);
    // Runs one search as the search data says; nothing while the window is busy.
    void Run();
    // Asks a running search to end.
    void Stop();
    // Shows the engine's progress while the search runs, and how the last run ended otherwise.
    void UpdateStatus();

    // The first line of the details bar: the criteria while a search runs, its summary after.
    // The all-matches document takes it as its subtitle, and the file-list printout as its
    // heading.
    const QString& SummaryLine() const { return Summary; }
    // The second line: the speed of the last run.
    const QString& SpeedLine() const { return Speed; }
    // Shows a summary and a speed line that no run of this window made (a saved set's).
    void ShowSummary(const QString& summary, const QString& speed) { SetSummary(summary, speed); }
    TSearchEngine& Engine() { return *SearchEngine; }

private:
    void SetSummary(const QString& summary, const QString& speed);
    void AskAndRun(bool searchAgain);

    TWindowParts Parts;
    TSearchStats& Stats;
    QDialog& ExpertDialog;
    QDialog& Assistant;
    TCallbacks Callbacks;
    TQtShellInfo Shell;
    // The engine makes a record for every file it looks at; only the records it keeps are
    // described by the (much slower) desktop shell.
    TNullShellInfo NoShell;
    std::unique_ptr<TSearchEngine> SearchEngine;
    QString Summary;
    QString Speed;
    // When the search's progress was last shown, and how often that happens.
    QElapsedTimer ProgressShown;
    static constexpr int ProgressIntervalMs = 25;
};
