// SPDX-License-Identifier: MIT
// The window's replace journal: every replace is recorded, the history lists and undoes it, its
// changes can be saved as comma-separated values, and its limits come from the preferences.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

#include "dialogs/TInfoDlg.h"
#include "dialogs/TPreferencesDlg.h"
#include "dialogs/TReplaceHistoryDlg.h"
#include "mainwindow/TMainForm.h"
#include "pane/THTMLViewer.h"

#include "TDialogTestSupport.h"
#include "TMainFormHarness.h"

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// The object names of a menu's items, "-" for a separator.
QStringList ItemNames(const QMenuBar& bar, const QString& menu)
{
    QStringList names;
    for (QAction* top : bar.actions()) {
        if (top->text() != menu)
            continue;
        for (QAction* item : top->menu()->actions())
            names << (item->isSeparator() ? QStringLiteral("-") : item->objectName());
    }
    return names;
}

} // namespace

class MainFormHistoryTest : public QObject {
    Q_OBJECT

    TMainFormHarness H;
    std::unique_ptr<TMainForm> Form;

    QString JournalFolder() const { return H.Config->path() + QStringLiteral("/data/Quarnel"); }

    void StartAndReplace()
    {
        Form = H.MakeForm();
        H.Start(*Form);
        H.Search(*Form);
        QCOMPARE(H.RowNames(*Form), (QStringList{"b.txt", "c.txt"}));
        H.OverwriteEveryFile(*Form, "pin");
        Form->Command("ReplaceItem")->trigger();
        QCOMPARE(ReadAll(H.TreePath() + "/b.txt"), QByteArray("one pin here\n"));
        QCOMPARE(ReadAll(H.TreePath() + "/c.txt"), QByteArray("pin\nx pin\n"));
        H.Shown.clear();
    }

    // Shows the history dialog through the window; `act` looks at it and answers it.
    void WithHistory(const std::function<void(TReplaceHistoryDlg& dialog)>& act)
    {
        H.ShowModalWith = [&act](QDialog& dialog) {
            auto* history = qobject_cast<TReplaceHistoryDlg*>(&dialog);
            if (history == nullptr)
                return int(QDialog::Rejected);
            dialog.setResult(QDialog::Rejected);
            dialog.show();
            act(*history);
            dialog.hide();
            return dialog.result();
        };
        Form->Command("ReplaceHistoryItem")->trigger();
        H.ShowModalWith = nullptr;
    }

    static QString RunRow(const TReplaceHistoryDlg& dialog, int row)
    {
        const QTreeWidgetItem* item = Child<QTreeWidget>(dialog, "RunList")->topLevelItem(row);
        QStringList texts;
        for (int column = 2; item != nullptr && column < item->columnCount(); ++column)
            texts << item->text(column);
        return texts.join(QLatin1Char('|'));
    }

private slots:
    void init()
    {
        QVERIFY(H.Reset());
        H.WriteFile(H.TreePath() + "/b.txt", "one needle here\n");
        H.WriteFile(H.TreePath() + "/c.txt", "needle\nx needle\n");
    }

    void cleanup() { Form.reset(); }

    void theCommandsOnTheMenusWithTheirHints()
    {
        Form = H.MakeForm();
        H.Start(*Form);
        QCOMPARE(ItemNames(*Form->menuBar(), QStringLiteral("&Search")),
                 (QStringList{"NewSearchItem", "SearchAgainItem", "-", "StartItem", "StopItem", "-", "ReplaceItem",
                              "ReplaceHistoryItem"}));
        QCOMPARE(ItemNames(*Form->menuBar(), QStringLiteral("&File")).mid(0, 3),
                 (QStringList{"OpenItem", "SaveAsItem", "SaveReportItem"}));
        struct TCase {
            const char* Name;
            const char* Caption;
            const char* Shortcut;
            const char* Hint;
            bool Enabled;
        };
        static const TCase cases[] = {
            {"ReplaceHistoryItem", "Replace &History...", "Ctrl+H", "List earlier replaces and undo one of them", true},
            // Nothing has been replaced yet.
            {"SaveReportItem", "Save Replace Report as &CSV...", "",
             "Save the changes of the last replace as comma-separated values", false},
        };
        for (const TCase& test : cases) {
            QAction* item = Form->Command(QLatin1String(test.Name));
            QCOMPARE(item->text(), QLatin1String(test.Caption));
            QCOMPARE(item->shortcut(), QKeySequence(QLatin1String(test.Shortcut)));
            QCOMPARE(item->isEnabled(), test.Enabled);
            QVERIFY(item->showStatusText(Form.get()));
            QCOMPARE(Form->StatusBar().PanelText(0), QLatin1String(test.Hint));
        }
        Form->Command("ReplaceHistoryItem")->trigger();
        QCOMPARE(H.Shown, QStringList{"TReplaceHistoryDlg"});
    }

    void aReplaceInTheWindowIsRecordedSavedAndUndone()
    {
        StartAndReplace();

        // The changes, as comma-separated values.
        QVERIFY(H.Enabled(*Form, "SaveReportItem"));
        const QString csv = H.TreePath() + "/report.csv";
        H.ChooseReportFileWith = [&] { return csv; };
        Form->Command("SaveReportItem")->trigger();
        const QByteArray b = (H.TreePath() + "/b.txt").toUtf8();
        const QByteArray c = (H.TreePath() + "/c.txt").toUtf8();
        QCOMPARE(ReadAll(csv), "File,Line,Column,Old text,New text\n\"" + b + "\",1,5,\"needle\",\"pin\"\n\"" + c +
                                   "\",1,1,\"needle\",\"pin\"\n\"" + c + "\",2,3,\"needle\",\"pin\"\n");
        // A file that cannot be written is reported, and the save leaves nothing behind.
        H.ChooseReportFileWith = [&] { return H.TreePath() + "/missing/report.csv"; };
        Form->Command("SaveReportItem")->trigger();
        QCOMPARE(H.Messages.size(), 1);
        QVERIFY(H.Messages.front().startsWith(QStringLiteral("Save failed: The file could not be written: ")));

        // The history saves the same, for any replace it lists.
        const QString fromHistory = H.TreePath() + "/from-history.csv";
        H.ChooseReportFileWith = [&] { return fromHistory; };
        WithHistory([](TReplaceHistoryDlg& dialog) { Child<QPushButton>(dialog, "SaveCsvBtn")->click(); });
        QCOMPARE(ReadAll(fromHistory), ReadAll(csv));

        // The history lists the replace; Undo asks, and puts both files back.
        WithHistory([](TReplaceHistoryDlg& dialog) {
            QCOMPARE(RunRow(dialog, 0), QStringLiteral("needle|pin|2|3|Yes"));
            Child<QPushButton>(dialog, "UndoBtn")->click();
        });
        QCOMPARE(H.Questions.size(), 1);
        QVERIFY2(H.Questions.front().startsWith(QStringLiteral("Confirm Undo: Undo replace ")),
                 qPrintable(H.Questions.front()));
        QCOMPARE(ReadAll(H.TreePath() + "/b.txt"), QByteArray("one needle here\n"));
        QCOMPARE(ReadAll(H.TreePath() + "/c.txt"), QByteArray("needle\nx needle\n"));
        QCOMPARE(Form->DetailsBar().PanelText(1), QStringLiteral("Undo results"));
        QCOMPARE(Form->StatusBar().PanelText(0), QStringLiteral("Undo complete."));
        QCOMPARE(Form->State().Pane, TWindowState::TPaneContent::Other);
        QVERIFY(Form->HTMLWindow().toPlainText().contains(QStringLiteral("c.txt")));
        H.Snapshot(*Form, "undo-report");

        // The undo is recorded too, and the replace cannot be undone twice.
        WithHistory([this](TReplaceHistoryDlg& dialog) {
            H.Snapshot(dialog, "replace-history-after-undo");
            QVERIFY(RunRow(dialog, 0).startsWith(QStringLiteral("(undo of replace ")));
            const QTreeWidget* files = Child<QTreeWidget>(dialog, "FileList");
            QCOMPARE(files->topLevelItemCount(), 2);
            QCOMPARE(files->topLevelItem(0)->text(2), QStringLiteral("Put back by this undo"));
            QVERIFY(RunRow(dialog, 1).startsWith(QStringLiteral("needle|pin|2|3|")));
            QVERIFY(!RunRow(dialog, 1).endsWith(QStringLiteral("|Yes")));
        });
    }

    void aFileChangedSinceIsLeftAlone()
    {
        StartAndReplace();
        H.WriteFile(H.TreePath() + "/c.txt", "edited by hand\n");
        WithHistory([](TReplaceHistoryDlg& dialog) { Child<QPushButton>(dialog, "UndoBtn")->click(); });
        QCOMPARE(ReadAll(H.TreePath() + "/b.txt"), QByteArray("one needle here\n"));
        QCOMPARE(ReadAll(H.TreePath() + "/c.txt"), QByteArray("edited by hand\n"));
        QCOMPARE(Form->StatusBar().PanelText(0),
                 QStringLiteral("Undo complete; 1 files were left alone (see the report)."));
    }

    void aJournalThatCannotBeReadIsSetAsideAndNamedOnce()
    {
        const QByteArray garbage(4096, 'x');
        H.WriteFile(JournalFolder() + "/replace-journal.sqlite", garbage);
        Form = H.MakeForm();
        H.Start(*Form);
        QCOMPARE(H.Shown, QStringList{"TInfoDlg"});
        QCOMPARE(Form->InfoDlg().Title(), QStringLiteral("The replace journal could not be used:"));
        // Kept under another name, never emptied; a new journal records the replaces.
        bool kept = false;
        for (const QString& name : QDir(JournalFolder()).entryList(QDir::Files))
            kept = kept || (name != QStringLiteral("replace-journal.sqlite") &&
                            ReadAll(JournalFolder() + "/" + name) == garbage);
        QVERIFY2(kept, qPrintable(QDir(JournalFolder()).entryList(QDir::Files).join(QLatin1Char(' '))));
        // The next start finds the new journal and says nothing.
        Form.reset();
        H.Shown.clear();
        Form = H.MakeForm();
        H.Start(*Form);
        QVERIFY(H.Shown.isEmpty());
        Form.reset();
        StartAndReplace();
        WithHistory([](TReplaceHistoryDlg& dialog) { QCOMPARE(RunRow(dialog, 0), QStringLiteral("needle|pin|2|3|Yes")); });
    }

    void withoutAJournalTheWindowStillStartsAndReplaces()
    {
        // The data folder cannot be made: a file stands where its parent should be.
        H.WriteFile(H.Config->path() + "/data", "not a folder");
        Form = H.MakeForm();
        H.Start(*Form);
        QCOMPARE(H.Shown, QStringList{"TInfoDlg"});
        QCOMPARE(Form->InfoDlg().Title(), QStringLiteral("The replace journal could not be used:"));
        QVERIFY2(Form->InfoDlg().InfoText().endsWith(
                     QStringLiteral("Replaces are not recorded, so they cannot be undone.")),
                 qPrintable(Form->InfoDlg().InfoText()));
        Form.reset();
        StartAndReplace();
        QVERIFY(!H.Enabled(*Form, "SaveReportItem"));
        // The history says why it has nothing to show.
        Form->Command("ReplaceHistoryItem")->trigger();
        QCOMPARE(H.Shown, QStringList{"TInfoDlg"});
        QCOMPARE(Form->InfoDlg().Title(), QStringLiteral("The replace journal could not be used:"));
    }

    void theLimitsComeFromThePreferences()
    {
        Form = H.MakeForm();
        H.Start(*Form);
        H.ShowModalWith = [](QDialog& dialog) {
            if (qobject_cast<TPreferencesDlg*>(&dialog) == nullptr)
                return int(QDialog::Rejected);
            dialog.show();
            Child<QSpinBox>(dialog, "HistoryRuns")->setValue(7);
            Child<QSpinBox>(dialog, "HistoryMegabytes")->setValue(300);
            Child<QPushButton>(dialog, "OKBtn")->click();
            return dialog.result();
        };
        Form->Command("PreferencesItem")->trigger();
        WithHistory([](TReplaceHistoryDlg& dialog) {
            QVERIFY2(Child<QLabel>(dialog, "UsageText")->text().startsWith(
                         QStringLiteral("Kept: the last 7 replaces, at most 300 MB. Used: ")),
                     qPrintable(Child<QLabel>(dialog, "UsageText")->text()));
        });
        // Kept with the other settings.
        QVERIFY(Form->close());
        Form = H.MakeForm();
        QCOMPARE(Form->ProgramData().ReplaceHistoryRuns, 7);
        QCOMPARE(Form->ProgramData().ReplaceHistoryMegabytes, 300);
    }
};

QTEST_MAIN(MainFormHistoryTest)
#include "MainFormHistoryTest.moc"
