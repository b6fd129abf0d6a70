// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

#include "mainwindow/TUserInteraction.h"

class QWidget;

// The desktop's own dialogs and process launcher. Dialogs open centred on the window they
// belong to.
class TDesktopInteraction final : public TUserInteraction {
public:
    explicit TDesktopInteraction(QWidget* window) : Window(window) {}

    // The file types of the Save As and Open dialogs, in the platform's filter form.
    static QStringList SaveFileTypes();
    static QString OpenFileType();
    // The Open dialog's types: parameter files first, then saved result sets.
    static QStringList OpenFileTypes();

    int ShowModal(QDialog& dialog) override;
    bool AskYesNo(const QString& caption, const QString& text) override;
    void ShowMessage(const QString& caption, const QString& text) override;
    QString ChooseFolder(const QString& caption, const QString& start) override;
    QString ChooseSaveFile() override;
    QString ChooseReportFile() override;
    QString ChooseOpenFile() override;
    bool StartProcess(const std::string& program, const std::vector<std::string>& arguments) override;
    bool OpenWithAssociatedProgram(const std::string& path) override;

private:
    QWidget* Window;
};
