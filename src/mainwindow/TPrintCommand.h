// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QString>

#include <functional>
#include <memory>

class QPrinter;
class QWidget;
class THTMLViewer;
class TFileList;
class TPrintDlg;

// The main window's Print and Print Setup commands.
//
// Print asks with TPrintDlg what to print, then prints either the list of matching files as plain
// text in a small fixed-pitch font (the rows of the file list in their current order, under the
// search summary), or the document of the results pane. Print Setup shows the page set-up dialog.
// Both work on one printer kept for the life of the command, so that the page set-up and the
// printer chosen last are used by the next print.
//
// The window makes one command once its print dialog, file list and results pane exist, and its
// two handlers only call it:
//
//     Printing = std::make_unique<TPrintCommand>(
//         this, printDlg, fileList, htmlWindow,
//         [this] { return <text of the summary panel>; },
//         [this](const QString& text) { <show text in the message dialog> });
//     void TMainForm::PrintClick() { Printing->PrintClick(); }
//     void TMainForm::PrintSetupClick() { Printing->PrintSetupClick(); }
//
// The objects passed in must outlive the command. By default Print asks for the printer with the
// platform's print dialog and Print Setup shows its page set-up dialog; tests replace them with
// SetPreparePrinter and SetPageSetup, for instance to print to a PDF file.
class TPrintCommand {
public:
    using TSummaryText = std::function<QString()>;
    using TShowError = std::function<void(const QString& message)>;
    // Readies the printer for one print, normally by asking the user; false cancels the print.
    using TPreparePrinter = std::function<bool(QPrinter& printer, QWidget* parent)>;
    // Lets the user change the printer's page set-up.
    using TPageSetup = std::function<void(QPrinter& printer, QWidget* parent)>;

    static constexpr int FontPointSize = 7;
    // The view window's document is printed from its first page to this one.
    static constexpr int LastPage = 9999;

    TPrintCommand(QWidget* parent, TPrintDlg& dialog, const TFileList& files, THTMLViewer& viewer,
                  TSummaryText summary, TShowError showError);
    ~TPrintCommand();
    TPrintCommand(const TPrintCommand&) = delete;
    TPrintCommand& operator=(const TPrintCommand&) = delete;

    // Offers the view window only when the results pane holds a document, asks what to print,
    // readies the printer and prints. A failure of the file-list printout is shown with
    // ErrorText(); errors of the results pane's printing are its own.
    void PrintClick();
    // Shows the page set-up dialog for the command's printer.
    void PrintSetupClick();

    // Prints the file list on `printer`; false when the printer failed (the job is closed
    // either way).
    bool PrintFileList(QPrinter& printer) const;

    void SetPreparePrinter(TPreparePrinter prepare) { PreparePrinter = std::move(prepare); }
    void SetPageSetup(TPageSetup pageSetup) { PageSetup = std::move(pageSetup); }
    // The command's printer, made on first use: making one loads the print system.
    QPrinter& Printer();

    static QString ErrorText() { return QStringLiteral("Error Printing text."); }
    // "Courier New", or a font with the same metrics where it is not installed.
    static QFont ListFont();
    // The standard dialogs: the print dialog (false when it is cancelled) and the page set-up.
    static bool ShowPrintDialog(QPrinter& printer, QWidget* parent);
    static void ShowPageSetupDialog(QPrinter& printer, QWidget* parent);

private:
    QWidget* Parent;
    TPrintDlg& Dialog;
    const TFileList& Files;
    THTMLViewer& Viewer;
    TSummaryText Summary;
    TShowError ShowError;
    TPreparePrinter PreparePrinter = &TPrintCommand::ShowPrintDialog;
    TPageSetup PageSetup = &TPrintCommand::ShowPageSetupDialog;
    std::unique_ptr<QPrinter> ThePrinter;
};
