// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <string>

#include "mainwindow/TWindowParts.h"

class TFileData;

// The main window's launches: the editor on a file (the pop-up menu's Edit, Enter on the list,
// a link of the results pane), the associated program on a file (a double click), and the
// extraction of a ZIP member into a folder the user picks, which the other two do first for a
// member.
class TLaunchCommand {
public:
    explicit TLaunchCommand(TWindowParts parts) : Parts(parts) {}

    // Starts the editor command of the preferences on `path` at a line and column (0: none).
    void LaunchEditor(const std::string& path, int64_t line, int64_t column);
    // Extracts a ZIP member into a folder the user picks; the extracted file's path, or empty.
    std::string ExtractMemberToChosenFolder(const TFileData& file);
    // The message for a file that could not be opened with its associated program.
    static QString OpenFailureText(const std::string& path);

    // The selected file's launches; nothing while the window is busy or no file is selected.
    void EditClick();
    void LaunchClick();
    void ExtractClick();

private:
    const TFileData* SelectedFileWhenIdle();
    void ShowNotExtracted();

    TWindowParts Parts;
};
