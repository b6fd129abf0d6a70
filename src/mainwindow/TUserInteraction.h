// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string>
#include <vector>

class QDialog;

// Everything the main window and its commands ask of the person at the desktop or of the
// desktop itself: questions, messages, file and folder choices, and processes. The window uses
// a TDesktopInteraction; a test gives the window its own implementation and answers each call.
class TUserInteraction {
public:
    virtual ~TUserInteraction() = default;

    // Shows a dialog modally and returns its result.
    virtual int ShowModal(QDialog& dialog) = 0;
    // Asks a Yes/No question; true for Yes.
    virtual bool AskYesNo(const QString& caption, const QString& text) = 0;
    // Shows a warning with OK.
    virtual void ShowMessage(const QString& caption, const QString& text) = 0;
    // Asks for a folder (caption, folder offered first); empty when cancelled.
    virtual QString ChooseFolder(const QString& caption, const QString& start) = 0;
    // Asks for the file to save to; empty when cancelled.
    virtual QString ChooseSaveFile() = 0;
    // Asks for the file to save the replace report to as comma-separated values; empty when
    // cancelled.
    virtual QString ChooseReportFile() = 0;
    // Asks for the parameter file to open; empty when cancelled.
    virtual QString ChooseOpenFile() = 0;
    // Starts a detached process; false when it could not be started. The program and its
    // arguments are bytes, passed on unchanged (a file name need not be valid UTF-8).
    virtual bool StartProcess(const std::string& program, const std::vector<std::string>& arguments) = 0;
    // Opens the file at a path (bytes) with the program the desktop associates with it; false
    // when that failed.
    virtual bool OpenWithAssociatedProgram(const std::string& path) = 0;
};
