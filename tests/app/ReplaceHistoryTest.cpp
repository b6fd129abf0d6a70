// SPDX-License-Identifier: MIT
// The Replace History dialog and command, against a journal that the test fills.
#include <QtTest>

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <map>
#include <memory>

#include "dialogs/TReplaceHistoryDlg.h"
#include "dialogs/TReplaceHistorySource.h"
#include "mainwindow/TReplaceHistoryCommand.h"
#include "model/TDateFormat.h"
#include "model/TDateTime.h"
#include "model/TProgramData.h"
#include "platform/THelpWindow.h"
#include "presentation/TResultsSink.h"

#include "TDialogTestSupport.h"

namespace {

using TRun = TReplaceHistorySource::TRun;
using TFile = TReplaceHistorySource::TFile;

// A journal whose runs, files and undo outcome the test sets; what is asked of it goes to Log.
class FakeJournal : public TReplaceHistorySource {
public:
    explicit FakeJournal(QStringList& log) : Log(log) {}

    std::vector<TRun> RunRows;
    std::map<int64_t, std::vector<TFile>> FileRows;
    TUsage Use{50, 2ull << 30, 3 * 1024 * 1024 / 2};
    std::string OpenProblem;
    TUndoResult Outcome{true, 0, 0, {}};

    std::string Problem() const override { return OpenProblem; }
    std::vector<TRun> Runs() override { return RunRows; }
    std::vector<TFile> Files(int64_t run) override { return FileRows[run]; }
    std::string ChangesCsv(int64_t run) override { return "changes of " + std::to_string(run); }
    TUsage Usage() override { return Use; }
    TUndoResult Undo(int64_t run, TResultsSink& report,
                     const std::function<void(const std::string& path)>& progress) override
    {
        Log << QStringLiteral("undo %1").arg(run);
        for (const TFile& file : FileRows[run]) {
            progress(file.Path);
            report.WriteMessageLine("restored " + file.Path);
        }
        return Outcome;
    }

private:
    QStringList& Log;
};

// A report that writes what it is given into the log.
class RecordingReport : public TResultsSink {
public:
    explicit RecordingReport(QStringList& log) : Log(log) {}
    bool Begins = true;

    bool BeginDocument() override
    {
        Log << QStringLiteral("report begins");
        return Begins;
    }
    void WriteMessageLine(std::string_view text) override
    {
        Log << QStringLiteral("report: ") + QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    bool FinishDocument() override
    {
        Log << QStringLiteral("report ends");
        return true;
    }

private:
    QStringList& Log;
};

TRun Run(int64_t number, const char* search, const char* replacement, int64_t files, int64_t changes,
         const char* whyNot = "")
{
    TRun run;
    run.Number = number;
    run.Started = 1700000000 + number * 3600;
    run.SearchText = search;
    run.Replacement = replacement;
    run.FilesChanged = files;
    run.ChangesMade = changes;
    run.CanUndo = *whyNot == '\0';
    run.WhyNot = whyNot;
    return run;
}

struct Fixture {
    QStringList Log;
    FakeJournal Journal{Log};
    RecordingReport Report{Log};
    TProgramData Program;
    std::unique_ptr<TReplaceHistoryDlg> Dlg;
    // The answer to the confirmation of an undo.
    bool Confirm = true;

    Fixture()
    {
        TDateFormat::SetProgram(TDateFormat(TDateFormat::Order::DayMonthYear, '/'));
        Journal.RunRows = {Run(7, "colour", "color", 2, 5), Run(6, "teh", "the", 1, 1, "Undone already")};
        TRun undo = Run(8, "", "", 1, 1, "An undo");
        undo.IsUndo = true;
        undo.UndoOf = 6;
        Journal.RunRows.insert(Journal.RunRows.begin(), undo);
        Journal.FileRows[7] = {{"/work/a.txt", 3, "Can be restored"}, {"/work/b.txt", 2, "Changed since"}};
        Journal.FileRows[6] = {{"/work/c.txt", 1, "Restored"}};
        Dlg = std::make_unique<TReplaceHistoryDlg>(Journal, Program);
        Dlg->AskYesNo = [this](const QString& caption, const QString& text) {
            Log << QStringLiteral("ask ") + caption + QStringLiteral(": ") + text;
            return Confirm;
        };
        Dlg->SaveCsv = [this](const std::string& csv) { Log << QStringLiteral("save ") + QString::fromStdString(csv); };
    }

    QTreeWidget* Runs() const { return Child<QTreeWidget>(*Dlg, "RunList"); }
    QTreeWidget* Files() const { return Child<QTreeWidget>(*Dlg, "FileList"); }
    QPushButton* UndoBtn() const { return Child<QPushButton>(*Dlg, "UndoBtn"); }

    // Row `row` of `list` as its column texts joined by "|".
    static QString Row(const QTreeWidget* list, int row)
    {
        QStringList texts;
        const QTreeWidgetItem* item = list->topLevelItem(row);
        for (int column = 0; item != nullptr && column < list->columnCount(); ++column)
            texts << item->text(column);
        return texts.join(QLatin1Char('|'));
    }

    void Choose(int row) { Runs()->setCurrentItem(Runs()->topLevelItem(row)); }

    // The command around the dialog; ShowModal shows the dialog, chooses `row` and clicks `button`.
    std::unique_ptr<TReplaceHistoryCommand> Command(int row, const char* button)
    {
        TReplaceHistoryCommand::TCallbacks callbacks;
        callbacks.ShowStatus = [this](const QString& text) { Log << QStringLiteral("status ") + text; };
        callbacks.SetViewCaption = [this](const QString& text) { Log << QStringLiteral("caption ") + text; };
        callbacks.UpdateCommands = [this] { Log << QStringLiteral("update commands"); };
        callbacks.ShowInfo = [this](const QString& caption, const QString& title, const QString& text) {
            Log << QStringLiteral("info ") + caption + QStringLiteral(" / ") + title + QStringLiteral(" / ") + text;
        };
        callbacks.SetPaneContent = [this](int content) { Log << QStringLiteral("pane %1").arg(content); };
        callbacks.ShowModal = [this, row, button](QDialog& dialog) {
            Log << QStringLiteral("dialog");
            dialog.show();
            Choose(row);
            Child<QPushButton>(dialog, button)->click();
            dialog.hide();
            return dialog.result();
        };
        return std::make_unique<TReplaceHistoryCommand>(TReplaceHistoryCommand::TContext{Journal, *Dlg, Report},
                                                        std::move(callbacks));
    }
};

} // namespace

class ReplaceHistoryTest : public QObject {
    Q_OBJECT

private slots:
    void listsTheJournalsRunsNewestFirst()
    {
        Fixture f;
        f.Journal.OpenProblem = "The journal could not be read; it was kept as journal.db.bad.";
        ShowActive(*f.Dlg);
        QCOMPARE(f.Runs()->topLevelItemCount(), 3);
        const QString date = QString::fromStdString(
            TDateFormat::Program().FormatDateTime(TDateTime::FromTimeT(1700000000 + 7 * 3600)));
        QCOMPARE(f.Row(f.Runs(), 0).section(QLatin1Char('|'), 2), QStringLiteral("(undo of replace 6)||1|1|An undo"));
        QCOMPARE(f.Row(f.Runs(), 1), QStringLiteral("7|") + date + QStringLiteral("|colour|color|2|5|Yes"));
        QCOMPARE(f.Row(f.Runs(), 2).section(QLatin1Char('|'), 2), QStringLiteral("teh|the|1|1|Undone already"));
        QCOMPARE(Child<QLabel>(*f.Dlg, "UsageText")->text(),
                 QStringLiteral("Kept: the last 50 replaces, at most 2 GB. Used: 1.5 MB."));
        QVERIFY(Child<QLabel>(*f.Dlg, "ProblemText")->isVisible());
        QVERIFY(Snapshot(*f.Dlg, "replace-history"));

        // The newest run is chosen first; Undo follows the chosen run, and so do its files.
        QCOMPARE(f.Runs()->currentItem(), f.Runs()->topLevelItem(0));
        QVERIFY(!f.UndoBtn()->isEnabled());
        f.Choose(1);
        QVERIFY(f.UndoBtn()->isEnabled());
        QCOMPARE(f.Files()->topLevelItemCount(), 2);
        QCOMPARE(f.Row(f.Files(), 1), QStringLiteral("/work/b.txt|2|Changed since"));
        f.Choose(2);
        QVERIFY(!f.UndoBtn()->isEnabled());
        QCOMPARE(f.Row(f.Files(), 0), QStringLiteral("/work/c.txt|1|Restored"));

        // A journal without runs: nothing to choose, nothing to undo.
        f.Dlg->hide();
        f.Journal.RunRows.clear();
        f.Journal.OpenProblem.clear();
        ShowActive(*f.Dlg);
        QCOMPARE(f.Runs()->topLevelItemCount(), 0);
        QVERIFY(!f.UndoBtn()->isEnabled());
        QVERIFY(!Child<QLabel>(*f.Dlg, "ProblemText")->isVisible());
    }

    void undoAsksFirst_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("result");
        QTest::addColumn<qint64>("chosen");
        QTest::newRow("yes") << true << int(QDialog::Accepted) << qint64(7);
        QTest::newRow("no") << false << int(QDialog::Rejected) << qint64(0);
    }

    void undoAsksFirst()
    {
        QFETCH(bool, confirm);
        QFETCH(int, result);
        QFETCH(qint64, chosen);
        Fixture f;
        f.Confirm = confirm;
        ShowActive(*f.Dlg);
        f.Choose(1);
        f.UndoBtn()->click();
        QCOMPARE(f.Log, QStringList{QStringLiteral("ask Confirm Undo: Undo replace 7? Each of the 2 files it changed "
                                                   "is put back as it was before, unless it has been changed since.")});
        QCOMPARE(f.Dlg->isVisible(), !confirm);
        if (confirm)
            QCOMPARE(f.Dlg->result(), result);
        QCOMPARE(f.Dlg->ChosenRun(), chosen);
        // Nothing is asked when the chosen run cannot be undone.
        f.Log.clear();
        f.Dlg->show();
        f.Choose(2);
        f.Dlg->UndoBtnClick();
        QVERIFY(f.Log.isEmpty());
        QCOMPARE(f.Dlg->ChosenRun(), qint64(0));
    }

    void saveCsvHandsOnTheChosenReplacesChanges()
    {
        Fixture f;
        ShowActive(*f.Dlg);
        auto* save = Child<QPushButton>(*f.Dlg, "SaveCsvBtn");
        // An undo's changes are not offered: they are the replace's, taken back.
        QVERIFY(!save->isEnabled());
        f.Choose(2);
        QVERIFY(save->isEnabled());
        save->click();
        QCOMPARE(f.Log, QStringList{QStringLiteral("save changes of 6")});
        QVERIFY(f.Dlg->isVisible());
    }

    void commandRunsTheUndoAndShowsItsReport_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("reportBegins");
        QTest::addColumn<bool>("ran");
        QTest::addColumn<int>("leftAlone");
        QTest::addColumn<QStringList>("log");
        const QString ask = QStringLiteral("ask Confirm Undo: Undo replace 7? Each of the 2 files it changed is put "
                                           "back as it was before, unless it has been changed since.");
        const QStringList start{QStringLiteral("dialog"), ask, QStringLiteral("caption Undo results"),
                                QStringLiteral("status Undo in progress. Please wait..."),
                                QStringLiteral("report begins")};
        const QStringList undo{QStringLiteral("undo 7"), QStringLiteral("status Undoing in /work/a.txt"),
                               QStringLiteral("report: restored /work/a.txt"),
                               QStringLiteral("status Undoing in /work/b.txt"),
                               QStringLiteral("report: restored /work/b.txt"), QStringLiteral("report ends"),
                               QStringLiteral("update commands"), QStringLiteral("pane 0")};
        QTest::newRow("every file restored")
            << 1 << "UndoBtn" << true << true << 0
            << start + undo + QStringList{QStringLiteral("status Undo complete.")};
        QTest::newRow("a file left alone")
            << 1 << "UndoBtn" << true << true << 1
            << start + undo +
                   QStringList{QStringLiteral("status Undo complete; 1 files were left alone (see the report).")};
        QTest::newRow("the undo could not start")
            << 1 << "UndoBtn" << true << false << 0
            << start + undo +
                   QStringList{QStringLiteral("status "),
                               QStringLiteral("info Undo Error / An error has occured: / The journal is busy.")};
        QTest::newRow("no report, nothing restored")
            << 1 << "UndoBtn" << false << true << 0
            << start + QStringList{QStringLiteral("report ends"), QStringLiteral("update commands"),
                                   QStringLiteral("status "),
                                   QStringLiteral("info Undo Error / An error has occured: / The undo report could "
                                                  "not be created in the temporary folder, so no file has been "
                                                  "restored.")};
        QTest::newRow("closed") << 1 << "CloseBtn" << true << true << 0 << QStringList{QStringLiteral("dialog")};
    }

    void commandRunsTheUndoAndShowsItsReport()
    {
        QFETCH(int, row);
        QFETCH(QString, button);
        QFETCH(bool, reportBegins);
        QFETCH(bool, ran);
        QFETCH(int, leftAlone);
        QFETCH(QStringList, log);
        Fixture f;
        f.Report.Begins = reportBegins;
        f.Journal.Outcome = {ran, 2 - leftAlone, leftAlone, ran ? "" : "The journal is busy."};
        const QByteArray name = button.toLatin1();
        auto command = f.Command(row, name.constData());
        QCOMPARE(command->HistoryClick(), log.size() > 1);
        QCOMPARE(f.Log, log);
        QVERIFY(!command->IsRunning());
    }

    void helpShowsTheHistoryTopic()
    {
        Fixture f;
        f.Program.HelpFile = ResourcesPath(QStringLiteral("help")).toStdString();
        Child<QPushButton>(*f.Dlg, "HelpBtn")->click();
        QVERIFY(THelpWindow::Instance());
        QVERIFY(THelpWindow::Instance()->Source().path().endsWith(QStringLiteral("/html/replace-history.htm")));
        THelpWindow::Instance()->close();
    }

    void sizesAsPeopleReadThem()
    {
        struct TCase {
            uint64_t Bytes;
            const char* Text;
        };
        static const TCase cases[] = {
            {0, "0 bytes"},          {1, "1 byte"},       {1023, "1023 bytes"},       {1024, "1 KB"},
            {1536, "1.5 KB"},        {10 * 1024 + 300, "10 KB"}, {5ull << 20, "5 MB"}, {2ull << 30, "2 GB"},
            {3ull << 40, "3 TB"},    {5000ull << 40, "5000 TB"}, {10 * 1024 - 1, "10 KB"},
            {(1ull << 20) - 1, "1 MB"},
        };
        for (const TCase& test : cases)
            QCOMPARE(TReplaceHistoryDlg::SizeText(test.Bytes), QString::fromLatin1(test.Text));
    }
};

QTEST_MAIN(ReplaceHistoryTest)
#include "ReplaceHistoryTest.moc"
