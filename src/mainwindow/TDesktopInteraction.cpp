// SPDX-License-Identifier: MIT
#include "mainwindow/TDesktopInteraction.h"

#include <QFileDialog>
#include <QMessageBox>

#include "platform/TDialogPlacement.h"
#include "platform/TProcessLauncher.h"

QStringList TDesktopInteraction::SaveFileTypes()
{
    // One pattern list per type, in both letter cases: the file dialog compares names exactly.
    return {QStringLiteral("Search parameters (*.par *.PAR)"), QStringLiteral("Matching file list (*.csv *.CSV)"),
            QStringLiteral("Results in HTML  (*.htm *.HTM)"), QStringLiteral("Results in plain text (*.TXT *.txt)"),
            QStringLiteral("Quarnel results (*.qrs *.QRS)")};
}

QString TDesktopInteraction::OpenFileType()
{
    return QStringLiteral("Search parameters (*.PAR *.par)");
}

QStringList TDesktopInteraction::OpenFileTypes()
{
    return {OpenFileType(), QStringLiteral("Quarnel results (*.qrs *.QRS)")};
}

int TDesktopInteraction::ShowModal(QDialog& dialog)
{
    TDialogPlacement::CentreOn(dialog, Window);
    return dialog.exec();
}

bool TDesktopInteraction::AskYesNo(const QString& caption, const QString& text)
{
    // Enter answers Yes, as the questions of the desktop the program comes from do.
    return QMessageBox::question(Window, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

void TDesktopInteraction::ShowMessage(const QString& caption, const QString& text)
{
    QMessageBox::warning(Window, caption, text);
}

QString TDesktopInteraction::ChooseFolder(const QString& caption, const QString& start)
{
    return QFileDialog::getExistingDirectory(Window, caption, start);
}

namespace {

// The file chosen in `dialog`, shown now; empty when it was cancelled.
QString Chosen(QFileDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().front()
                                                                                    : QString();
}

} // namespace

QString TDesktopInteraction::ChooseSaveFile()
{
    static const QStringList filters = SaveFileTypes();
    static const QStringList suffixes = {"par", "csv", "htm", "txt", "qrs"};
    QFileDialog dialog(Window, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffixes.front());
    // A name typed without an extension takes the one of the chosen file type.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(suffixes.value(static_cast<int>(filters.indexOf(filter)), suffixes.front()));
    });
    return Chosen(dialog);
}

QString TDesktopInteraction::ChooseReportFile()
{
    QFileDialog dialog(Window, QStringLiteral("Save Replace Report"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("Replace report (*.csv *.CSV)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    return Chosen(dialog);
}

QString TDesktopInteraction::ChooseOpenFile()
{
    QFileDialog dialog(Window, QStringLiteral("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    static const QStringList filters = OpenFileTypes();
    static const QStringList suffixes = {"par", "qrs"};
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffixes.front());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(suffixes.value(static_cast<int>(filters.indexOf(filter)), suffixes.front()));
    });
    return Chosen(dialog);
}

bool TDesktopInteraction::StartProcess(const std::string& program, const std::vector<std::string>& arguments)
{
    return TProcessLauncher::StartDetached(program, arguments);
}

bool TDesktopInteraction::OpenWithAssociatedProgram(const std::string& path)
{
    return TProcessLauncher::OpenWithDesktop(path);
}
