// SPDX-License-Identifier: MIT
#include "mainwindow/TPrintCommand.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

#include <string>

#include "dialogs/TDialogText.h"
#include "dialogs/TPrintDlg.h"
#include "model/TFileList.h"
#include "pane/THTMLViewer.h"
#include "platform/TTextPrintJob.h"
#include "presentation/TFileListPrintout.h"

TPrintCommand::TPrintCommand(QWidget* parent, TPrintDlg& dialog, const TFileList& files, THTMLViewer& viewer,
                             TSummaryText summary, TShowError showError)
    : Parent(parent),
      Dialog(dialog),
      Files(files),
      Viewer(viewer),
      Summary(std::move(summary)),
      ShowError(std::move(showError))
{
}

TPrintCommand::~TPrintCommand() = default;

QPrinter& TPrintCommand::Printer()
{
    if (!ThePrinter)
        ThePrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *ThePrinter;
}

void TPrintCommand::PrintClick()
{
    Dialog.SetViewWindowEnabled(Viewer.HasDocument());
    if (Dialog.exec() != QDialog::Accepted)
        return;
    const TPrintDlg::TChoice choice = Dialog.Choice();

    // Each print covers the whole of what was chosen; the pane's printing sets its own range.
    QPrinter& printer = Printer();
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
    if (!PreparePrinter || !PreparePrinter(printer, Parent))
        return;

    if (choice == TPrintDlg::TChoice::FileList) {
        if (!PrintFileList(printer) && ShowError)
            ShowError(ErrorText());
    } else {
        Viewer.Print(&printer, 1, LastPage);
    }
}

void TPrintCommand::PrintSetupClick()
{
    if (PageSetup)
        PageSetup(Printer(), Parent);
}

bool TPrintCommand::PrintFileList(QPrinter& printer) const
{
    const QString summary = Summary ? Summary() : QString();
    const std::string summaryBytes = TDialogText::Bytes(summary);
    TTextPrintJob job;
    if (!job.Open(printer, ListFont()))
        return false;
    bool ok = true;
    for (const std::string& line : TFileListPrintout::Lines(Files, summaryBytes)) {
        if (!job.WriteLine(TDialogText::Show(line))) {
            ok = false;
            break;
        }
    }
    return job.Close() && ok;
}

QFont TPrintCommand::ListFont()
{
    QFont font;
    // Liberation Mono has the metrics of Courier New and stands in for it where it is missing.
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(FontPointSize);
    return font;
}

bool TPrintCommand::ShowPrintDialog(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    // What is printed is decided by the command: always everything that was chosen.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

void TPrintCommand::ShowPageSetupDialog(QPrinter& printer, QWidget* parent)
{
    QPageSetupDialog dialog(&printer, parent);
    dialog.exec();
}
