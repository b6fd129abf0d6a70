// SPDX-License-Identifier: MIT
#include <QAction>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QtTest>

#include <sys/stat.h>
#include <utime.h>

#include <memory>

#include "mainwindow/TFileListView.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TPanelBar.h"
#include "mainwindow/TSaveOpenCommand.h"
#include "mainwindow/TSearchCommand.h"
#include "model/TDateFormat.h"
#include "model/TDateTime.h"
#include "model/TFileList.h"
#include "replace/TReplaceData.h"
#include "pane/THTMLViewer.h"
#include "TMainFormHarness.h"

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Moves a file's modification time a minute back: it then differs from when it was searched.
void Touch(const QString& path)
{
    struct stat info;
    QVERIFY(::stat(path.toLocal8Bit().constData(), &info) == 0);
    const struct utimbuf times{info.st_atime, info.st_mtime - 60};
    QVERIFY(::utime(path.toLocal8Bit().constData(), &times) == 0);
}

} // namespace

// Saving a search's results as a result set and opening them in a window later.
class ResultSetWindowTest : public QObject {
    Q_OBJECT

private:
    TMainFormHarness H;
    std::unique_ptr<TMainForm> Form;

    QString PaneText() const { return Form->HTMLWindow().toPlainText(); }

    // a.txt, b.txt, c.txt, listed in that order, then sorted by name descending and saved.
    QString SearchAndSave()
    {
        H.WriteFile(H.TreePath() + "/a.txt", "needle one\nnothing\n");
        H.WriteFile(H.TreePath() + "/b.txt", "one needle here\n");
        H.WriteFile(H.TreePath() + "/c.txt", "needle\nneedle\nneedle\n");
        Form = H.MakeForm();
        H.Start(*Form);
        H.Search(*Form);
        emit Form->FileListBox().Header()->sectionClicked(TFileListColumns::Name);
        emit Form->FileListBox().Header()->sectionClicked(TFileListColumns::Name);
        const QString path = H.TreePath() + "/saved.qrs";
        H.ChooseSaveFileWith = [path] { return path; };
        Form->Command("SaveSearchButton")->trigger();
        return path;
    }

    // A new window that opens `path` with Open.
    void OpenInNewWindow(const QString& path)
    {
        Form.reset();
        Form = H.MakeForm();
        H.Start(*Form);
        H.ChooseOpenFileWith = [path] { return path; };
        Form->Command("OpenSearchButton")->trigger();
    }

private slots:
    void init()
    {
        QVERIFY(H.Reset());
    }

    void cleanup()
    {
        Form.reset();
    }

    void anOpenedSetShowsTheSavedListSummaryAndMatches()
    {
        const QString path = SearchAndSave();
        QVERIFY(H.Messages.isEmpty());
        const QStringList order = H.RowNames(*Form);
        QCOMPARE(order, (QStringList{"c.txt", "b.txt", "a.txt"}));
        const QString summary = Form->DetailsBar().PanelText(0);
        const QString speed = Form->DetailsBar().PanelText(1);

        OpenInNewWindow(path);
        QCOMPARE(H.RowNames(*Form), order);
        const QString today = QString::fromStdString(TDateFormat::Program().Format(TDateTime::Today()));
        QCOMPARE(Form->DetailsBar().PanelText(0), summary + " (saved " + today + ")");
        QCOMPARE(Form->DetailsBar().PanelText(1), speed);
        QCOMPARE(Form->Searches().SummaryLine(), Form->DetailsBar().PanelText(0));
        QCOMPARE(Form->SearchData().SearchString, std::string("needle"));
        QVERIFY(H.Enabled(*Form, "ViewAllButton"));

        Form->Command("ViewAllButton")->trigger();
        QVERIFY(PaneText().contains(QStringLiteral("one needle here")));
        QVERIFY(PaneText().contains(summary));
        H.Snapshot(*Form, "opened-result-set");

        // Saved again, the set keeps one note and its order.
        const QString again = H.TreePath() + "/again.qrs";
        H.ChooseSaveFileWith = [again] { return again; };
        Form->Command("SaveSearchButton")->trigger();
        OpenInNewWindow(again);
        QCOMPARE(Form->DetailsBar().PanelText(0), summary + " (saved " + today + ")");
        QCOMPARE(H.RowNames(*Form), order);
    }

    void aFileChangedSinceTheSaveIsNotShownAndNotReplaced()
    {
        const QString path = SearchAndSave();
        Touch(H.TreePath() + "/b.txt");
        OpenInNewWindow(path);
        Form->FileListBox().SelectRow(1);
        Form->FindSelectedRow();
        Form->Command("MatchesOnlyButton")->trigger();
        QVERIFY(PaneText().contains(QStringLiteral("changed or deleted since it was searched")));

        TReplaceData& options = Form->ReplaceData();
        options.ReplaceString = "pin";
        options.Overwrite = 1;
        options.Confirmation = 0;
        options.Mode = 0;
        options.MakeBackup = false;
        H.DialogAnswer = QDialog::Accepted;
        Form->Command("ReplaceButton")->trigger();
        QCOMPARE(ReadAll(H.TreePath() + "/b.txt"), QByteArray("one needle here\n"));
        QCOMPARE(ReadAll(H.TreePath() + "/c.txt"), QByteArray("pin\npin\npin\n"));
        QCOMPARE(ReadAll(H.TreePath() + "/a.txt"), QByteArray("pin one\nnothing\n"));
    }

    void searchFilesInListSearchesTheOpenedFilesAgain()
    {
        const QString path = SearchAndSave();
        H.WriteFile(H.TreePath() + "/d.txt", "needle\n");
        OpenInNewWindow(path);
        H.DialogAnswer = QDialog::Accepted;
        Form->SearchData().SearchString = "one";
        Form->Command("SearchAgainItem")->trigger();
        QCOMPARE(H.RowNames(*Form), (QStringList{"b.txt", "a.txt"}));
    }

    void theCommandLineOpensASetWithTheFSwitchOrAlone()
    {
        const QString path = SearchAndSave();
        for (const std::string& argument : {"/F" + path.toStdString(), path.toStdString()}) {
            Form.reset();
            Form = H.MakeForm({argument});
            H.Start(*Form);
            QCOMPARE(H.RowNames(*Form), (QStringList{"c.txt", "b.txt", "a.txt"}));
            QVERIFY(Form->DetailsBar().PanelText(0).contains(QStringLiteral(" (saved ")));
        }
    }

    void aBadSetIsReportedAndTheListStays()
    {
        const QString path = SearchAndSave();
        const QString bad = H.TreePath() + "/bad.qrs";
        H.WriteFile(bad, ReadAll(path).left(3000));
        H.ChooseOpenFileWith = [bad] { return bad; };
        Form->Command("OpenSearchButton")->trigger();
        QCOMPARE(H.Shown, QStringList{"TInfoDlg"});
        QCOMPARE(H.RowNames(*Form), (QStringList{"c.txt", "b.txt", "a.txt"}));
        QCOMPARE(Form->SearchData().SearchString, std::string("needle"));
    }
};

QTEST_MAIN(ResultSetWindowTest)
#include "ResultSetWindowTest.moc"
