// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "mainwindow/TWindowParts.h"

class TProfile;
class TViewCommand;

// The main window's Save As and Open. Save As writes what the chosen file's extension names:
// the search parameters (.par), the file list as comma-separated values (.csv), the results
// document (.htm) or the pane's text (.txt). Open loads search parameters from a .par file.
class TSaveOpenCommand {
public:
    TSaveOpenCommand(TWindowParts parts, TProfile& parameterFile, TViewCommand& views);

    void SaveClick();
    void OpenClick();

    // Writes `content` to `path` in place of the file there, whole or not at all.
    static bool WriteExport(const std::string& path, std::string_view content);

private:
    TWindowParts Parts;
    TProfile& ParameterFile;
    TViewCommand& Views;
};
