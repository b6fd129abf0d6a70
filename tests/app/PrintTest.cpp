// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <string>

#include "dialogs/TPrintDlg.h"
#include "mainwindow/TPrintCommand.h"
#include "model/TDateFormat.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TShellInfo.h"
#include "pane/THTMLViewer.h"
#include "platform/TTextPrintJob.h"
#include "presentation/THTMLWin.h"

namespace {

// Answers the next modal dialog of type T with `answer` once it is shown; gives up after a while
// so that a dialog that never comes does not leave a timer running.
template <typename T>
void AnswerModal(std::function<void(T&)> answer)
{
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, answer] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(*dialog);
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

// The lines of a PDF file's text as pdftotext lays them out, pages one after the other; empty
// when the file cannot be read.
QStringList PdfLines(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    QString text = QString::fromUtf8(process.readAllStandardOutput());
    text.remove(u'\f');
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        line = line.trimmed();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

std::unique_ptr<TFileData> MakeRecord(const QString& name)
{
    TNullShellInfo shell;
    auto record = std::make_unique<TFileData>("/nonexistent-folder", name.toStdString(), shell);
    record->FileName = name.toStdString();
    record->FileType = TFileData::Text;
    record->TypeName = "Plain text";
    record->Folder = "/data/docs";
    record->Matches.emplace_back(1, 10, 1, 2);
    record->Matches.emplace_back(2, 10, 1, 2);
    record->Size = 1234;
    record->Date = TDateTime::FromYMDHMS(2024, 3, 7, 13, 5, 9);
    return record;
}

// A print command with its dialog, file list and results pane, printing to PDF files in a
// temporary folder instead of asking for a printer.
class Printing {
public:
    Printing()
        : Command(nullptr, Dialog, Files, Viewer, [this] { return Summary; },
                  [this](const QString& message) { Errors.append(message); })
    {
        Command.SetPreparePrinter([this](QPrinter& printer, QWidget*) {
            ++Prepared;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(OutputFile);
            return PrinterChosen;
        });
        OutputFile = Dir.filePath(QStringLiteral("out.pdf"));
    }

    void AddFiles(const QStringList& names)
    {
        for (const QString& name : names)
            Files.Add(MakeRecord(name));
    }

    // A results document of message lines, shown in the pane.
    void LoadDocument(const QStringList& lines)
    {
        THTMLWin document(&Viewer, QFile::encodeName(Dir.path()).toStdString());
        document.TempFolder = QFile::encodeName(Dir.path()).toStdString();
        document.Options.TitleAndMenu = false;
        if (!document.BeginDocument())
            qFatal("cannot write the document");
        for (const QString& line : lines)
            document.WriteMessageLine(line.toStdString());
        if (!document.FinishDocument())
            qFatal("cannot write the document");
    }

    // Runs Print, choosing `choice` in the dialog (or cancelling it).
    void Print(TPrintDlg::TChoice choice, bool ok = true)
    {
        AnswerModal<TPrintDlg>([choice, ok](TPrintDlg& dialog) {
            dialog.SetChoice(choice);
            (ok ? dialog.OKButton() : dialog.CancelButton())->click();
        });
        Command.PrintClick();
    }

    QTemporaryDir Dir;
    TPrintDlg Dialog;
    TFileList Files;
    THTMLViewer Viewer;
    QString Summary = QStringLiteral("'needle' in *.txt: 14 matches in 7 files. 9 files searched. 0 files skipped.");
    QStringList Errors;
    QString OutputFile;
    bool PrinterChosen = true;
    int Prepared = 0;
    TPrintCommand Command;
};

bool HavePdfToText()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

QString Numbered(int n)
{
    return QStringLiteral("file%1.txt").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

class PrintTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TDateFormat::SetProgram(TDateFormat(TDateFormat::Order::DayMonthYear, '/')); }

    void dialogShowsItsTextsAndStartsWithTheFileList()
    {
        TPrintDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Print"));
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels.append(label->text());
        QCOMPARE(labels, QStringList{QStringLiteral("What do you want to print?")});
        QCOMPARE(dialog.FileListButton()->text(), QStringLiteral("List of matching files"));
        QCOMPARE(dialog.ViewWindowButton()->text(), QStringLiteral("Contents of view window"));
        QCOMPARE(dialog.OKButton()->text(), QStringLiteral("&OK"));
        QCOMPARE(dialog.CancelButton()->text(), QStringLiteral("&Cancel"));
        QVERIFY(dialog.OKButton()->isDefault());
        QVERIFY(dialog.FileListButton()->isChecked());
        QCOMPARE(dialog.Choice(), TPrintDlg::TChoice::FileList);
    }

    // The dialog is made once; what the user chose last is chosen again, OK or Cancel.
    void dialogKeepsTheChoiceBetweenUses()
    {
        TPrintDlg dialog;
        AnswerModal<TPrintDlg>([](TPrintDlg& d) {
            d.ViewWindowButton()->click();
            d.CancelButton()->click();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        AnswerModal<TPrintDlg>([](TPrintDlg& d) { d.OKButton()->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.Choice(), TPrintDlg::TChoice::ViewWindow);
        QVERIFY(dialog.ViewWindowButton()->isChecked());
    }

    void viewWindowIsOfferedOnlyWithADocument()
    {
        Printing p;
        bool enabledWithout = true;
        AnswerModal<TPrintDlg>([&](TPrintDlg& d) {
            enabledWithout = d.ViewWindowButton()->isEnabled();
            d.CancelButton()->click();
        });
        p.Command.PrintClick();
        QVERIFY(!enabledWithout);

        p.LoadDocument({QStringLiteral("results")});
        bool enabledWith = false;
        AnswerModal<TPrintDlg>([&](TPrintDlg& d) {
            enabledWith = d.ViewWindowButton()->isEnabled();
            d.CancelButton()->click();
        });
        p.Command.PrintClick();
        QVERIFY(enabledWith);
        QCOMPARE(p.Prepared, 0);
    }

    // The view window chosen last time, but no document now: OK prints the file list rather
    // than a choice that cannot be seen selected.
    void disabledViewWindowFallsBackToTheFileList()
    {
        Printing p;
        p.Dialog.SetChoice(TPrintDlg::TChoice::ViewWindow);
        TPrintDlg::TChoice shown = TPrintDlg::TChoice::ViewWindow;
        AnswerModal<TPrintDlg>([&](TPrintDlg& d) {
            shown = d.Choice();
            d.OKButton()->click();
        });
        p.Command.PrintClick();
        QCOMPARE(shown, TPrintDlg::TChoice::FileList);
        QVERIFY(QFile::exists(p.OutputFile));
    }

    void fileListPrintout_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected"); // the lines after the opening lines

        QTest::newRow("empty list") << QStringList{} << QStringList{};

        const QString rest = QStringLiteral("T Plain text /data/docs 2 1234 07/03/2024 13:05:09");
        QTest::newRow("name of 20 characters whole, of 21 cut to 17 and dots")
            << QStringList{QStringLiteral("abcdefghijklmnop.txt"), QStringLiteral("abcdefghijklmnopq.txt")}
            << QStringList{QStringLiteral("abcdefghijklmnop.txt ") + rest, QStringLiteral("abcdefghijklmnopq... ") + rest};

        QStringList seven, sevenLines;
        for (int n = 1; n <= 7; ++n) {
            seven.append(Numbered(n));
            sevenLines.append(Numbered(n) + QStringLiteral(" ") + rest);
            if (n == 5)
                sevenLines.append(QString());
        }
        QTest::newRow("seven rows: a blank after the fifth only") << seven << sevenLines;

        QStringList ten, tenLines;
        for (int n = 1; n <= 10; ++n) {
            ten.append(Numbered(n));
            tenLines.append(Numbered(n) + QStringLiteral(" ") + rest);
            if (n % 5 == 0)
                tenLines.append(QString());
        }
        tenLines.removeLast(); // a trailing blank line is not seen in the text
        QTest::newRow("ten rows: blanks after the fifth and tenth") << ten << tenLines;
    }

    void fileListPrintout()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        if (!HavePdfToText())
            QSKIP("pdftotext is needed to read the printout back");
        Printing p;
        p.AddFiles(names);
        p.Print(TPrintDlg::TChoice::FileList);
        QCOMPARE(p.Errors, QStringList{});
        QCOMPARE(p.Prepared, 1);

        QStringList lines = PdfLines(p.OutputFile);
        // pdftotext keeps the columns apart with runs of blanks; one blank is enough to compare.
        for (QString& line : lines)
            line.replace(QRegularExpression(QStringLiteral(" +")), QStringLiteral(" "));
        // The blank line after the summary shows only when rows follow it.
        QStringList want{QStringLiteral("Quarnel search results"), QString(), p.Summary};
        if (!expected.isEmpty())
            want << QString() << expected;
        QCOMPARE(lines, want);
    }

    // The printout is in the small fixed-pitch font, so that the columns stand under each other.
    void fileListPrintoutUsesTheFixedPitchFont()
    {
        const QFont font = TPrintCommand::ListFont();
        QCOMPARE(font.pointSize(), 7);
        QVERIFY(QFontInfo(font).fixedPitch());
        QCOMPARE(font.families().value(0), QStringLiteral("Courier New"));
    }

    void failingPrinterShowsTheError()
    {
        Printing p;
        p.AddFiles({QStringLiteral("a.txt")});
        p.OutputFile = p.Dir.filePath(QStringLiteral("missing-folder/out.pdf"));
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        p.Print(TPrintDlg::TChoice::FileList);
        QCOMPARE(p.Errors, QStringList{QStringLiteral("Error Printing text.")});
        QVERIFY(!QFile::exists(p.OutputFile));
    }

    void cancellingPrintsNothing_data()
    {
        QTest::addColumn<bool>("dialogOk");
        QTest::addColumn<bool>("printerChosen");
        QTest::newRow("print dialog cancelled") << false << true;
        QTest::newRow("printer not chosen") << true << false;
    }

    void cancellingPrintsNothing()
    {
        QFETCH(bool, dialogOk);
        QFETCH(bool, printerChosen);
        Printing p;
        p.AddFiles({QStringLiteral("a.txt")});
        p.PrinterChosen = printerChosen;
        p.Print(TPrintDlg::TChoice::FileList, dialogOk);
        QVERIFY(!QFile::exists(p.OutputFile));
        QCOMPARE(p.Errors, QStringList{});
    }

    void viewWindowPrintsTheResultsDocument()
    {
        if (!HavePdfToText())
            QSKIP("pdftotext is needed to read the printout back");
        Printing p;
        p.AddFiles({QStringLiteral("not-printed.txt")});
        QStringList results = {QStringLiteral("Search results")};
        for (int n = 1; n <= 200; ++n)
            results.append(QStringLiteral("line %1 of the results").arg(n));
        p.LoadDocument(results);
        p.Print(TPrintDlg::TChoice::ViewWindow);
        QCOMPARE(p.Errors, QStringList{});
        const QStringList lines = PdfLines(p.OutputFile);
        QCOMPARE(lines.value(0), QStringLiteral("Search results"));
        // Every page of the document, not only the first.
        QVERIFY(lines.contains(QStringLiteral("line 1 of the results")));
        QVERIFY(lines.contains(QStringLiteral("line 200 of the results")));
        QVERIFY(!lines.join(u'\n').contains(QStringLiteral("not-printed.txt")));
    }

    // Print Setup changes the printer that the next print uses.
    void pageSetupAppliesToTheNextPrint()
    {
        Printing p;
        int setups = 0;
        p.Command.SetPageSetup([&](QPrinter& printer, QWidget*) {
            ++setups;
            printer.setPageOrientation(QPageLayout::Landscape);
        });
        p.Command.PrintSetupClick();
        QCOMPARE(setups, 1);
        QPageLayout::Orientation used = QPageLayout::Portrait;
        p.Command.SetPreparePrinter([&](QPrinter& printer, QWidget*) {
            used = printer.pageLayout().orientation();
            return false;
        });
        p.Print(TPrintDlg::TChoice::FileList);
        QCOMPARE(used, QPageLayout::Landscape);
    }

    // Without replacements the command asks with the platform's own dialogs.
    void standardDialogsAreShown()
    {
        TPrintDlg dialog;
        TFileList files;
        THTMLViewer viewer;
        QStringList errors;
        TPrintCommand command(nullptr, dialog, files, viewer, [] { return QString(); },
                              [&](const QString& message) { errors.append(message); });
        bool setupShown = false;
        AnswerModal<QPageSetupDialog>([&](QPageSetupDialog& d) {
            setupShown = true;
            d.reject();
        });
        command.PrintSetupClick();
        QVERIFY(setupShown);

        bool printShown = false;
        AnswerModal<TPrintDlg>([&](TPrintDlg& d) {
            AnswerModal<QPrintDialog>([&](QPrintDialog& pd) {
                printShown = true;
                pd.reject();
            });
            d.OKButton()->click();
        });
        command.PrintClick();
        QVERIFY(printShown);
        QCOMPARE(errors, QStringList{});
    }

    // Lines wider than the page go on below instead of being cut off at the margin.
    void textJobWrapsLinesWiderThanThePage()
    {
        if (!HavePdfToText())
            QSKIP("pdftotext is needed to read the printout back");
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("wide.pdf")));
        QString wide;
        for (int n = 0; n < 40; ++n)
            wide += QStringLiteral("w%1 ").arg(n, 2, 10, QLatin1Char('0'));
        {
            TTextPrintJob job;
            QVERIFY(job.Open(printer, QFont(QStringLiteral("Liberation Mono"), 20)));
            QVERIFY(job.WriteLine(wide.trimmed()));
            QVERIFY(job.Close());
            QVERIFY(!job.WriteLine(QStringLiteral("after close")));
        }
        const QStringList lines = PdfLines(printer.outputFileName());
        QVERIFY2(lines.size() > 1, qPrintable(lines.join(u'\n')));
        const QString joined = lines.join(QString());
        for (int n = 0; n < 40; ++n)
            QVERIFY2(joined.contains(QStringLiteral("w%1").arg(n, 2, 10, QLatin1Char('0'))), qPrintable(joined));
    }

    // A list longer than a page goes on over the next pages, with no row lost.
    void longListFillsSeveralPages()
    {
        if (!HavePdfToText())
            QSKIP("pdftotext is needed to read the printout back");
        Printing p;
        QStringList names;
        for (int n = 1; n <= 150; ++n)
            names.append(QStringLiteral("f%1.txt").arg(n, 3, 10, QLatin1Char('0')));
        p.AddFiles(names);
        p.Print(TPrintDlg::TChoice::FileList);
        QCOMPARE(p.Errors, QStringList{});
        QProcess info;
        info.start(QStringLiteral("pdftotext"), {p.OutputFile, QStringLiteral("-")});
        QVERIFY(info.waitForFinished(30000));
        const QString text = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY(text.count(u'\f') >= 2);
        const QStringList lines = PdfLines(p.OutputFile);
        for (const QString& name : names)
            QCOMPARE(lines.filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(name) + QLatin1Char(' '))).size(), 1);
    }
};

QTEST_MAIN(PrintTest)
#include "PrintTest.moc"
