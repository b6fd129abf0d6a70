// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "adapters/TQtShellInfo.h"
#include "mainwindow/TWindowParts.h"

class TProfile;
class TSearchCommand;
struct TSearchStats;
class TViewCommand;

// The main window's Save As and Open. Save As writes what the chosen file's extension names:
// the search parameters (.par), the file list as comma-separated values (.csv), the results
// document (.htm), the pane's text (.txt) or the whole result set (.qrs). Open loads search
// parameters from a .par file, or a saved result set from a .qrs file.
class TSaveOpenCommand {
public:
    TSaveOpenCommand(TWindowParts parts, TProfile& parameterFile, TViewCommand& views, TSearchCommand& search,
                     TSearchStats& stats);

    void SaveClick();
    void OpenClick();
    // Replaces the criteria, the file list, the statistics and the summary with those of the
    // result set in `path`. A file that cannot be read as one is reported and changes nothing.
    void OpenResults(const std::string& path);

    // The note after a saved set's summary: " (saved <date>)".
    static QString SavedNote(const std::string& savedDate);

    // Writes `content` to `path` in place of the file there, whole or not at all.
    static bool WriteExport(const std::string& path, std::string_view content);
    void SaveResults(const std::string& path);

private:
    TWindowParts Parts;
    TProfile& ParameterFile;
    TViewCommand& Views;
    TSearchCommand& Search;
    TSearchStats& Stats;
    TQtShellInfo Shell;
    // The summary line an opened set showed, and the set's own summary without the note, so
    // that saving the set again does not add a second note.
    QString OpenedSummaryShown;
    std::string OpenedSummary;
};
