// SPDX-License-Identifier: MIT
#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QToolBar>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <QPainter>

#include <cmath>
#include <functional>
#include <memory>

#include "dialogs/TAboutBox.h"
#include "dialogs/TInfoDlg.h"
#include "dialogs/TSearchDlg.h"
#include "dialogs/TSearchWizardDlg.h"
#include "mainwindow/TDesktopInteraction.h"
#include "mainwindow/TFileListCommand.h"
#include "mainwindow/TFileListModel.h"
#include "mainwindow/TFileListView.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TLaunchCommand.h"
#include "mainwindow/TPanelBar.h"
#include "mainwindow/TSaveOpenCommand.h"
#include "mainwindow/TSearchCommand.h"
#include "mainwindow/TViewCommand.h"
#include "model/TDateFormat.h"
#include "model/TFileData.h"
#include "model/TProfile.h"
#include "model/TSearchData.h"
#include "model/TSettingsStore.h"
#include "pane/THTMLViewer.h"
#include "platform/THelpWindow.h"
#include "platform/TApplicationIdentity.h"
#include "adapters/TPlatformDates.h"
#include "TDialogTestSupport.h"
#include "TMainFormHarness.h"
#include "presentation/TFileListColumns.h"

namespace {

std::string Bytes(const QString& text)
{
    return text.toStdString();
}

// Presses Enter in the next modal window (a question box made inside the call under test).
void PressEnterInNextModal()
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        timer->stop();
        timer->deleteLater();
        QTest::keyClick(modal, Qt::Key_Return);
    });
    timer->start();
}

// `image` drawn over `background`.
QImage Over(const QImage& image, const QColor& background)
{
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(background);
    QPainter painter(&out);
    painter.drawImage(0, 0, image);
    return out;
}

// The mean difference of the colour channels of two pictures of one size, 0 to 255, over the
// pixels where `mask` is not transparent.
double MeanDifference(const QImage& a, const QImage& b, const QImage& mask)
{
    double sum = 0;
    int pixels = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (qAlpha(mask.pixel(x, y)) < 32)
                continue;
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q))) / 3.0;
            ++pixels;
        }
    return pixels == 0 ? 0 : sum / pixels;
}

} // namespace

// Every test gets its own configuration folder and a small tree of files to search.
class MainFormTest : public QObject {
    Q_OBJECT

private:
    TMainFormHarness H;

    QString TreePath() const { return H.TreePath(); }

    // Files of different names, sizes, dates and match counts; "needle" marks the matches.
    void MakeTree()
    {
        H.WriteFile(TreePath() + "/b.txt", "one needle\nnone\nneedle needle\n");
        H.WriteFile(TreePath() + "/A.txt", "needle\n");
        H.WriteFile(TreePath() + "/c.log", QByteArray("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\n").repeated(50) + "needle\n");
        H.WriteFile(TreePath() + "/d.bin", QByteArray("needle\0\x01\x02", 9));
        H.WriteFile(TreePath() + "/empty.txt", "nothing here\n");
        H.WriteFile(TreePath() + "/sub/e.txt", "needle\nneedle\nneedle\nneedle\n");
        // Dates one day apart, so the date column orders them unambiguously.
        const QStringList names = {"b.txt", "A.txt", "c.log", "d.bin", "sub/e.txt"};
        QDateTime when(QDate(2024, 5, 1), QTime(10, 0));
        for (const QString& name : names) {
            QFile file(TreePath() + "/" + name);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
            when = when.addDays(1);
        }
    }

    // A parameter file in the tree that searches it for "needle" in *.txt, with sub-folders.
    void WriteParameterFile(const char* name, bool countFirst)
    {
        TSearchData stored;
        stored.SearchString = "needle";
        stored.SetFileSpecs("*.txt");
        stored.SetFolders("\"" + Bytes(TreePath()) + "\"");
        stored.RecurseSubdirs = true;
        stored.CountFilesFirst = countFirst;
        TProfile profile;
        profile.FileName = Bytes(TreePath() + "/" + name);
        stored.SaveToProfile(profile);
    }

    // A command line with @TREE@ standing for the tree's folder.
    std::vector<std::string> TreeArguments(const QStringList& args)
    {
        std::vector<std::string> arguments;
        for (QString arg : args)
            arguments.push_back(Bytes(arg.replace(QStringLiteral("@TREE@"), TreePath())));
        return arguments;
    }

private slots:
    void init()
    {
        QVERIFY(H.Reset());
        MakeTree();
    }

    void opensWithCaptionMenusAndReadyStatus()
    {
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        form->ProgramData().ShowDlgOnStart = false;
        H.Start(*form);
        QCOMPARE(form->windowTitle(), QStringLiteral("Quarnel 2.3 "));
        QCOMPARE(form->StatusBar().PanelText(0), QStringLiteral("Ready"));
        QCOMPARE(form->FileListBox().Style(), TFileListView::Details);
        QStringList menus;
        for (QAction* action : form->menuBar()->actions())
            menus << action->text();
        QCOMPARE(menus, (QStringList{"&File", "&Edit", "&Search", "&View", "&Options", "&Window", "&Help"}));
        QCOMPARE(form->Command("SaveAsItem")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(form->Command("NextMatchItem")->shortcut(), QKeySequence(QStringLiteral("Ctrl+M")));
        QCOMPARE(form->Command("PrintButton")->toolTip(), QStringLiteral("Print"));
        QCOMPARE(form->Command("PrintButton")->statusTip(), QStringLiteral("Print contents of window"));
        QCOMPARE(form->Command("PrintItem")->statusTip(), QStringLiteral("Print contents of current window"));
        H.Snapshot(*form, "main-window-empty");
    }

    void startupActionFollowsTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("expert");
        QTest::addColumn<bool>("dialogOnStart");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("dialogs");
        QTest::addColumn<bool>("searched");

        const QStringList none;
        const QStringList dlg{"TSearchDlg"};
        const QStringList wizard{"TSearchWizardDlg"};
        QTest::newRow("nothing, beginner: the assistant") << none << false << false << 0 << wizard << false;
        QTest::newRow("nothing, expert with dialog at start") << none << true << true << 0 << dlg << false;
        QTest::newRow("nothing, expert without dialog at start") << none << true << false << 0 << none << false;
        QTest::newRow("a lone text is nothing to run") << QStringList{"needle"} << true << false << 0 << none << false;
        QTest::newRow("folder, beginner: the expert dialog") << QStringList{"/P@TREE@"} << false << false << 2 << dlg
                                                              << false;
        QTest::newRow("folder, expert") << QStringList{"/P@TREE@"} << true << false << 2 << dlg << false;
        QTest::newRow("whole search, beginner") << QStringList{"/r", "needle", "*.txt", "@TREE@"} << false << false << 3
                                                << none << true;
        QTest::newRow("whole search, expert") << QStringList{"/r", "needle", "*.txt", "@TREE@"} << true << true << 3
                                              << none << true;
        QTest::newRow("parameter file, beginner") << QStringList{"/F@TREE@/my.par"} << false << false << 1 << none
                                                  << true;
        QTest::newRow("parameter file, expert") << QStringList{"/F@TREE@/my.par"} << true << true << 1 << none << true;
        QTest::newRow("F with no name does nothing") << QStringList{"/F"} << false << true << 1 << none << false;
        QTest::newRow("missing parameter file is reported")
            << QStringList{"/F@TREE@/missing.par"} << true << false << 1 << QStringList{"TInfoDlg"} << false;
    }

    void startupActionFollowsTheCommandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, expert);
        QFETCH(bool, dialogOnStart);
        QFETCH(int, result);
        QFETCH(QStringList, dialogs);
        QFETCH(bool, searched);

        WriteParameterFile("my.par", false);
        auto form = H.MakeForm(TreeArguments(args));
        form->ProgramData().ExpertMode = expert;
        form->ProgramData().ShowDlgOnStart = dialogOnStart;
        H.Start(*form);
        QCOMPARE(form->StartupResult(), result);
        QCOMPARE(H.Shown, dialogs);
        QCOMPARE(form->FileListModel().rowCount() > 0, searched);
        if (searched) {
            QCOMPARE(form->StatusBar().PanelText(0), QStringLiteral("Search complete"));
            QCOMPARE(H.RowNames(*form), (QStringList{"A.txt", "b.txt", "e.txt"}));
        }
        if (result == 2)
            QCOMPARE(form->SearchData().FoldersText("|"), Bytes(TreePath()));
    }

    void newWindowStartIgnoresTheCommandLineAndStandsOffset()
    {
        // The first window stands somewhere; its placement is stored at close.
        {
            auto first = H.MakeForm();
            first->ProgramData().ExpertMode = true;
            first->ProgramData().ShowDlgOnStart = false;
            H.Start(*first);
            first->move(100, 120);
            QVERIFY(first->close());
        }
        auto form = H.MakeForm({"/r", "needle", "*.txt", Bytes(TreePath())}, true);
        form->ProgramData().ExpertMode = false;
        H.Start(*form);
        QCOMPARE(form->StartupResult(), -1);
        QVERIFY(H.Shown.isEmpty());
        QCOMPARE(form->FileListModel().rowCount(), 0);
        QVERIFY(form->pos().x() > 100);
        QCOMPARE(form->pos().x() - 100, form->pos().y() - 120);
    }

    void newWindowStartsTheProgramWithTodaysDate()
    {
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        form->ProgramData().ShowDlgOnStart = false;
        QString program;
        QStringList arguments;
        H.StartProcessWith = [&](const std::string& p, const std::vector<std::string>& a) {
            program = QString::fromStdString(p);
            for (const std::string& argument : a)
                arguments << QString::fromStdString(argument);
            return true;
        };
        H.Start(*form);
        form->NewWindowClick();
        QCOMPARE(program, TreePath() + "/program/quarnel32");
        const QString today = QString::fromStdString(TDateFormat::Program().Format(TDateTime::Today()));
        QCOMPARE(arguments, QStringList{"/" + today});
        QCOMPARE(TMainForm::NewWindowArgument(), Bytes("/" + today));
    }

    void searchListsRowsInFoundOrderWithSummaryAndSpeed()
    {
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        H.Start(*form);
        H.Search(*form);
        // Folder order: the files of the folder by name (case ignored), then its sub-folders.
        QCOMPARE(H.RowNames(*form), (QStringList{"A.txt", "b.txt", "c.log", "d.bin", "e.txt"}));
        QCOMPARE(form->FileListModel().index(1, TFileListColumns::Matches).data().toString(), QStringLiteral("3"));
        QCOMPARE(form->FileListModel().index(3, TFileListColumns::TextOrBinary).data().toString(), QStringLiteral("B"));
        // Only the kept records are described by the desktop, and every one of them is.
        for (int row = 0; row < form->FileListModel().rowCount(); ++row)
            QVERIFY(!form->FileListModel().index(row, TFileListColumns::Type).data().toString().isEmpty());
        QCOMPARE(form->DetailsBar().PanelText(0),
                 QStringLiteral("'needle' in *.*: 10 matches in 5 files. 6 files searched. 0 files skipped."));
        static const QRegularExpression speed(
            QStringLiteral(R"(^\d+\.\d\d Kb searched in 0m \d+s \(\d+\.\d\d K/s\)$)"));
        QVERIFY2(speed.match(form->DetailsBar().PanelText(1)).hasMatch(), qPrintable(form->DetailsBar().PanelText(1)));
        QCOMPARE(form->StatusBar().PanelText(0), QStringLiteral("Search complete"));
        QCOMPARE(form->ProgramData().BusyState, TProgramData::Idle);
        QVERIFY(form->ProgramData().SelectedItem == nullptr);

        // One file found: the summary says "file", not "files".
        H.Search(*form, "nothing here", false);
        QCOMPARE(form->DetailsBar().PanelText(0),
                 QStringLiteral("'nothing here' in *.*: 1 matches in 1 file. 5 files searched. 0 files skipped."));
        H.Snapshot(*form, "main-window-after-search");
    }

    void patternErrorIsShownInTheInfoDialog()
    {
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        H.Start(*form);
        H.Search(*form, "a(b");
        QCOMPARE(H.Shown, QStringList{"TInfoDlg"});
        QCOMPARE(form->InfoDlg().windowTitle(), QStringLiteral("Search Error"));
        QVERIFY(form->InfoDlg().InfoText().startsWith(QStringLiteral("Invalid regular expression: ")));
        QCOMPARE(form->FileListModel().rowCount(), 0);
    }

    void sortingByEachColumnTwice_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        // Sizes: A 7, b 30, c 2957, d 9, e 28. Dates: b oldest, then A, c, d, e newest.
        // Matches: A 1, b 3, c 1, d 1, e 4.
        QTest::newRow("Name") << 0 << QStringList{"A.txt", "b.txt", "c.log", "d.bin", "e.txt"}
                              << QStringList{"e.txt", "d.bin", "c.log", "b.txt", "A.txt"};
        QTest::newRow("T: binary first, then by name") << 1 << QStringList{"d.bin", "A.txt", "b.txt", "c.log", "e.txt"}
                                                       << QStringList{"A.txt", "b.txt", "c.log", "e.txt", "d.bin"};
        QTest::newRow("Size: largest first") << 5 << QStringList{"c.log", "b.txt", "e.txt", "d.bin", "A.txt"}
                                             << QStringList{"A.txt", "d.bin", "e.txt", "b.txt", "c.log"};
        QTest::newRow("Date: newest first") << 6 << QStringList{"e.txt", "d.bin", "c.log", "A.txt", "b.txt"}
                                            << QStringList{"b.txt", "A.txt", "c.log", "d.bin", "e.txt"};
        QTest::newRow("Matches: most first, ties by name") << 4 << QStringList{"e.txt", "b.txt", "A.txt", "c.log", "d.bin"}
                                                           << QStringList{"A.txt", "c.log", "d.bin", "b.txt", "e.txt"};
        QTest::newRow("Folder, ties by name") << 3 << QStringList{"A.txt", "b.txt", "c.log", "d.bin", "e.txt"}
                                              << QStringList{"e.txt", "A.txt", "b.txt", "c.log", "d.bin"};
    }

    void sortingByEachColumnTwice()
    {
        QFETCH(int, column);
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        H.Start(*form);
        H.Search(*form);
        // The selected file stays selected through the sorts.
        form->FileListBox().SelectRow(2);
        form->FindSelectedRow();
        TFileData* selected = form->ProgramData().SelectedItem;
        QVERIFY(selected != nullptr);

        QHeaderView* header = form->FileListBox().Header();
        emit header->sectionClicked(column);
        QCOMPARE(H.RowNames(*form), first);
        QCOMPARE(form->ProgramData().SelectedItem, selected);
        QCOMPARE(form->FileListBox().SelectedRow(), form->FileListModel().RowOf(selected));
        emit header->sectionClicked(column);
        QCOMPARE(H.RowNames(*form), second);
        QCOMPARE(form->FileListBox().SelectedRow(), form->FileListModel().RowOf(selected));
        // The list itself is in the shown order (exports and printing read it).
        for (int row = 0; row < form->FileListModel().rowCount(); ++row)
            QCOMPARE(&form->Files().Item(static_cast<std::size_t>(row)), form->FileListModel().FileAt(row));
    }

    void commandsFollowTheState_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("enabled");
        QTest::addColumn<QStringList>("disabled");
        QTest::newRow("no rows") << "empty"
                                 << QStringList{"StartButton", "NewSearchItem", "OpenItem", "SaveAsItem", "PrintItem",
                                                "SelectAllItem", "ExitItem", "PrintSetupItem"}
                                 << QStringList{"StopButton", "ReplaceButton", "SearchAgainItem", "ViewAllButton",
                                                "PreviousFileItem", "NextFileItem", "NextMatchItem"};
        QTest::newRow("rows, none selected") << "rows"
                                             << QStringList{"ReplaceButton", "SearchAgainItem", "ViewAllButton",
                                                            "MatchesOnlyItem", "WholeFileButton", "NextFileItem"}
                                             << QStringList{"StopItem", "PreviousFileItem", "PreviousMatchItem",
                                                            "NextMatchItem"};
        QTest::newRow("first row selected") << "first" << QStringList{"NextFileButton"}
                                            << QStringList{"PreviousFileButton"};
        QTest::newRow("middle row selected") << "middle" << QStringList{"NextFileButton", "PreviousFileButton"}
                                             << QStringList{};
        QTest::newRow("last row selected") << "last" << QStringList{"PreviousFileItem"} << QStringList{"NextFileItem"};
        QTest::newRow("inverted search") << "invert" << QStringList{"SearchAgainButton"}
                                         << QStringList{"ReplaceItem", "ReplaceButton"};
    }

    void commandsFollowTheState()
    {
        QFETCH(QString, state);
        QFETCH(QStringList, enabled);
        QFETCH(QStringList, disabled);
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        H.Start(*form);
        if (state != "empty")
            H.Search(*form);
        const int rows = form->FileListModel().rowCount();
        if (state == "first")
            form->FileListBox().SelectRow(0);
        else if (state == "middle")
            form->FileListBox().SelectRow(rows / 2);
        else if (state == "last")
            form->FileListBox().SelectRow(rows - 1);
        form->SearchData().Invert = state == "invert";
        form->FindSelectedRow();
        for (const QString& name : enabled)
            QVERIFY2(H.Enabled(*form, qPrintable(name)), qPrintable(name));
        for (const QString& name : disabled)
            QVERIFY2(!H.Enabled(*form, qPrintable(name)), qPrintable(name));
    }

    void stopDuringTheSearchKeepsWhatWasFound()
    {
        for (int i = 0; i < 200; ++i)
            H.WriteFile(TreePath() + QStringLiteral("/many/f%1.txt").arg(i, 3, 10, QLatin1Char('0')), "needle\n");
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        H.Start(*form);
        bool checked = false;
        int progressAfterStop = 0;
        connect(form.get(), &TMainForm::searchProgress, form.get(), [&] {
            if (!checked && form->Files().Count() >= 3) {
                checked = true;
                // While the search runs only Stop is enabled, and the window refuses to close.
                QVERIFY(H.Enabled(*form, "StopButton") && H.Enabled(*form, "StopItem"));
                for (const char* name : {"StartButton", "NewSearchItem", "ExitItem", "OpenSearchButton",
                                         "HorizontalSplitButton", "ViewAllItem", "AboutItem"})
                    QVERIFY2(!H.Enabled(*form, name), name);
                QVERIFY(!form->close());
                QVERIFY(form->StatusBar().PanelText(0).startsWith(QStringLiteral("Searching ")));
                H.Snapshot(*form, "main-window-during-search");
                form->Command("StopButton")->trigger();
            } else if (checked) {
                ++progressAfterStop;
            }
        });
        H.Search(*form);
        QVERIFY(checked);
        QCOMPARE(form->StatusBar().PanelText(0), QStringLiteral("Search terminated by user"));
        const int rows = form->FileListModel().rowCount();
        QVERIFY(rows >= 3 && rows < 205);
        QCOMPARE(static_cast<int>(form->Files().Count()), rows);
        QVERIFY(progressAfterStop <= 2);
        QVERIFY(H.Enabled(*form, "StartButton"));
        QVERIFY(!H.Enabled(*form, "StopButton"));
    }

    void aCommandLineSearchCountsAsASearchStartedInTheWindowDoes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("whole search") << QStringList{"/C", "needle", "*.txt", "@TREE@"};
        QTest::newRow("parameter file") << QStringList{"/F@TREE@/count.par"};
    }

    void aCommandLineSearchCountsAsASearchStartedInTheWindowDoes()
    {
        // The window counts the files of its command line's search while it builds itself; what
        // the user sees is what a count of its own gives.
        QFETCH(QStringList, args);
        WriteParameterFile("count.par", true);
        auto form = H.MakeForm(TreeArguments(args));
        H.Start(*form);
        QCOMPARE(form->StatusBar().PanelText(0), QStringLiteral("Search complete"));
        H.Snapshot(*form, "command-line-count");
        const int counted = form->ProgressBar().maximum();
        const QStringList rows = H.RowNames(*form);
        QVERIFY(form->SearchData().CountFilesFirst);
        form->Searches().Start();
        QCOMPARE(form->ProgressBar().maximum(), counted);
        QCOMPARE(H.RowNames(*form), rows);
        QCOMPARE(rows, (QStringList{"A.txt", "b.txt", "e.txt"}));
    }

    void stopDuringCountingRunsNoSearchPass()
    {
        for (int i = 0; i < 50; ++i)
            H.WriteFile(TreePath() + QStringLiteral("/many/f%1.txt").arg(i), "needle\n");
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        H.Start(*form);
        TSearchData& data = form->SearchData();
        data.SearchString = "needle";
        data.SetFileSpecs("*.*");
        data.SetFolders("\"" + Bytes(TreePath()) + "\"");
        data.RecurseSubdirs = true;
        data.CountFilesFirst = true;
        bool progressed = false;
        connect(form.get(), &TMainForm::searchProgress, form.get(), [&] { progressed = true; });
        // The stop arrives through the event loop, as a click would, at the first chance the
        // counting pass gives it.
        QTimer::singleShot(0, form.get(), [&] { form->StopClick(); });
        form->Searches().Start();
        QCOMPARE(form->StatusBar().PanelText(0), QStringLiteral("Search terminated by user"));
        QCOMPARE(form->FileListModel().rowCount(), 0);
        QVERIFY(!progressed);
        QCOMPARE(form->ProgramData().BusyState, TProgramData::Idle);

        // Without a stop the count sets the progress bar's range and the search runs.
        form->Searches().Start();
        QCOMPARE(form->ProgressBar().maximum(), 56);
        QCOMPARE(form->FileListModel().rowCount(), 55);
        QCOMPARE(form->StatusBar().PanelText(0), QStringLiteral("Search complete"));
    }

    void splitsFollowTheSizeRules()
    {
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        form->ProgramData().HorizontalSplit = true;
        H.Start(*form);
        form->resize(900, 600);
        QTest::qWait(20);
        form->SetHorizontalSplit();
        QCOMPARE(form->Splitter().orientation(), Qt::Vertical);
        QCOMPARE(form->FileListBox().height(), form->PanelMain().height() / 3);
        QVERIFY(form->Command("HorizontalSplitButton")->isChecked());
        QVERIFY(!form->Command("VerticalSplitItem")->isChecked());
        H.Search(*form);
        H.Snapshot(*form, "main-window-horizontal");

        form->Command("VerticalSplitButton")->trigger();
        QCOMPARE(form->Splitter().orientation(), Qt::Horizontal);
        QCOMPARE(form->FileListBox().width(), form->PanelMain().width() / 2);
        QVERIFY(!form->ProgramData().HorizontalSplit);
        QVERIFY(form->Command("VerticalSplitItem")->isChecked());
        QVERIFY(!form->Command("HorizontalSplitButton")->isChecked());
        H.Snapshot(*form, "main-window-vertical");

        // Back to horizontal: the list's height is a third again, whatever was dragged.
        form->Splitter().setSizes({50, 400});
        form->Command("HorizontalSplitItem")->trigger();
        QCOMPARE(form->FileListBox().height(), form->PanelMain().height() / 3);
        // A second click on the checked button keeps it checked.
        form->Command("HorizontalSplitButton")->trigger();
        QVERIFY(form->Command("HorizontalSplitButton")->isChecked());
    }

    void viewStylesOfTheFileList()
    {
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        H.Start(*form);
        H.Search(*form);
        form->FileListBox().SelectRow(1);
        const char* names[] = {"large-icons", "small-icons", "list", "details"};
        for (int style = 0; style < 4; ++style) {
            form->FileListCommands().ChangeListStyle(style);
            QCOMPARE(form->FileListBox().Style(), static_cast<TFileListView::ViewStyle>(style));
            QCOMPARE(form->FileListBox().SelectedRow(), 1);
            H.Snapshot(*form, (std::string("main-window-view-") + names[style]).c_str());
        }
    }

    void popupMenuEntriesFollowTheSelection()
    {
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        H.Start(*form);
        auto* viewMatches = form->findChild<QAction*>("PopupViewMatches");
        auto* edit = form->findChild<QAction*>("PopupEdit");
        auto* extract = form->findChild<QAction*>("PopupExtract");
        auto* again = form->findChild<QAction*>("PopupSearchAgain");
        form->FileListCommands().PrepareMenu();
        QVERIFY(!again->isEnabled());
        QVERIFY(!viewMatches->isVisible() && !edit->isVisible() && !extract->isVisible());

        H.Search(*form);
        form->FileListBox().SelectRow(1);
        form->FileListCommands().PrepareMenu();
        QVERIFY(again->isEnabled());
        QCOMPARE(viewMatches->text(), QStringLiteral("View matches in b.txt"));
        QCOMPARE(form->findChild<QAction*>("PopupViewFile")->text(), QStringLiteral("View b.txt"));
        QCOMPARE(edit->text(), QStringLiteral("Edit b.txt"));
        QVERIFY(edit->isVisible() && !extract->isVisible());
    }

    void exitAsksOnlyWhenConfirmationIsOn()
    {
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        H.Start(*form);
        int asked = 0;
        bool answer = false;
        H.AskYesNoWith = [&](const QString& caption, const QString& text) {
            ++asked;
            [&] {
                QCOMPARE(caption, QStringLiteral("Confirm"));
                QCOMPARE(text, QStringLiteral("Are you sure you want to exit Quarnel?"));
            }();
            return answer;
        };
        form->ProgramData().ExitConfirm = true;
        form->Command("ExitItem")->trigger();
        QCOMPARE(asked, 1);
        QVERIFY(form->isVisible());
        answer = true;
        QVERIFY(form->close());
        QCOMPARE(asked, 2);

        auto second = H.MakeForm();
        second->ProgramData().ExpertMode = true;
        H.Start(*second);
        H.AskYesNoWith = [&](const QString&, const QString&) {
            ++asked;
            return false;
        };
        second->ProgramData().ExitConfirm = false;
        QVERIFY(second->close());
        QCOMPARE(asked, 2);
    }

    // A window whose questions and dialogs are the real ones.
    std::unique_ptr<TMainForm> PlainForm()
    {
        TStartupOptions options;
        options.Arguments = {"quarnel32"};
        options.ProgramFolder = Bytes(TreePath() + "/program");
        options.CurrentFolder = Bytes(TreePath());
        auto form = std::make_unique<TMainForm>(std::move(options));
        form->ProgramData().ExpertMode = true;
        form->ProgramData().ShowDlgOnStart = false;
        return form;
    }

    void questionsAnswerYesToEnter()
    {
        auto form = PlainForm();
        PressEnterInNextModal();
        QVERIFY(form->User().AskYesNo(QStringLiteral("Confirm"), QStringLiteral("Are you sure you want to exit Quarnel?")));
    }

    // Captions are the windows' own texts: the desktop learns the program's name from its entry.
    void windowsAreNamedForTheDesktopWithoutACaptionSuffix()
    {
        TApplicationIdentity::Apply();
        QCOMPARE(QGuiApplication::applicationName(), QStringLiteral("Quarnel"));
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("quarnel32"));
        // Qt appends a display name of its own to every caption on X11.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
        auto form = PlainForm();
        QCOMPARE(form->windowTitle(), QStringLiteral("Quarnel 2.3 "));
        QCOMPARE(form->SearchDlg().windowTitle(), QStringLiteral("Search Criteria"));
        QCOMPARE(form->SearchWizardDlg().windowTitle(), QStringLiteral("Search Assistant"));
    }

    void fileTypesListEachPatternOnceInBothCases()
    {
        const QStringList types = TDesktopInteraction::SaveFileTypes() << TDesktopInteraction::OpenFileTypes();
        const QStringList extensions = {"par", "csv", "htm", "txt", "qrs", "par", "qrs"};
        QCOMPARE(types.size(), extensions.size());
        for (int i = 0; i < types.size(); ++i) {
            const QString& type = types[i];
            QCOMPARE(type.count(QLatin1Char('(')), 1);
            QVERIFY2(type.endsWith(QLatin1Char(')')), qPrintable(type));
            const QStringList patterns =
                type.mid(type.indexOf(QLatin1Char('(')) + 1).chopped(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (const QString& name : {"x." + extensions[i], "X." + extensions[i].toUpper()}) {
                const bool matched = std::any_of(patterns.begin(), patterns.end(), [&](const QString& pattern) {
                    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern)).match(name).hasMatch();
                });
                QVERIFY2(matched, qPrintable(type + " does not match " + name));
            }
        }
    }

    void dialogsOpenCentredOnTheWindow_data()
    {
        QTest::addColumn<bool>("windowShown");
        QTest::newRow("on the window") << true;
        QTest::newRow("on the screen before the window shows") << false;
    }

    void dialogsOpenCentredOnTheWindow()
    {
        QFETCH(bool, windowShown);
        auto form = PlainForm();
        form->setGeometry(300, 150, 460, 420);
        if (windowShown)
            H.Start(*form);
        const QPoint expected = windowShown ? form->frameGeometry().center()
                                            : QGuiApplication::primaryScreen()->availableGeometry().center();
        QRect shownAt;
        WhenModal(&form->AboutBox(), [&] {
            shownAt = form->AboutBox().frameGeometry();
            form->AboutBox().reject();
        });
        form->User().ShowModal(form->AboutBox());
        QVERIFY(!shownAt.isNull());
        QVERIFY2((shownAt.center() - expected).manhattanLength() <= 4,
                 qPrintable(QStringLiteral("centre %1,%2 instead of %3,%4").arg(shownAt.center().x()).arg(shownAt.center().y()).arg(expected.x()).arg(expected.y())));
    }

    // Each glyph stands out from the toolbar when enabled and looks clearly different disabled.
    void everyGlyphLooksDifferentWhenDisabled()
    {
        const QDir icons(ResourcesPath(QStringLiteral("icons")));
        QVERIFY(QDir().mkpath(TreePath() + "/program/icons"));
        for (const QString& name : icons.entryList({"*.svg"}, QDir::Files))
            QVERIFY(QFile::copy(icons.filePath(name), TreePath() + "/program/icons/" + name));
        auto form = H.MakeForm();
        H.Start(*form);
        auto* toolbar = form->findChild<QToolBar*>("Toolbar");
        QVERIFY(toolbar != nullptr);
        for (const bool enabled : {true, false}) {
            for (QAction* action : toolbar->actions())
                action->setEnabled(enabled);
            H.Snapshot(*toolbar, enabled ? "toolbar-enabled" : "toolbar-disabled");
        }
        const QColor background = toolbar->palette().color(QPalette::Window);
        int glyphs = 0;
        QStringList faults;
        for (QAction* action : toolbar->actions()) {
            if (action->isSeparator())
                continue;
            ++glyphs;
            const QImage normal = action->icon().pixmap(QSize(24, 24), QIcon::Normal).toImage();
            const QImage disabled = action->icon().pixmap(QSize(24, 24), QIcon::Disabled).toImage();
            QCOMPARE(normal.size(), QSize(24, 24));
            QImage plain(normal.size(), QImage::Format_RGB32);
            plain.fill(background);
            const double contrast = MeanDifference(Over(normal, background), plain, normal);
            const double change = MeanDifference(Over(normal, background), Over(disabled, background), normal);
            // A glyph as light as the toolbar itself looks disabled even while it is enabled.
            if (contrast < 45 || change < contrast / 2)
                faults << action->objectName() + QStringLiteral(" stands out by %1 and changes by %2").arg(contrast).arg(change);
        }
        QCOMPARE(glyphs, 19);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    }

    void panelToolTipShowsTheWholeText()
    {
        TPanelBar bar({100, 50}, {true, true});
        const QString text = QStringLiteral("Search for <b>&amp;  a<c in *.txt  ") + QString(300, QLatin1Char('x'));
        bar.SetPanelText(0, text);
        const QString tip = bar.findChild<QLabel*>("Panel0")->toolTip();
        // A tool tip that looks like markup is shown as markup; its text must still be ours.
        QVERIFY(Qt::mightBeRichText(tip));
        QTextDocument shown;
        shown.setHtml(tip);
        QCOMPARE(shown.toPlainText(), text);
        bar.SetPanelText(0, QString());
        QVERIFY(bar.findChild<QLabel*>("Panel0")->toolTip().isEmpty());
    }

    void settingsAndParametersAreKeptAcrossStarts()
    {
        {
            auto form = H.MakeForm();
            form->ProgramData().ExpertMode = true;
            form->ProgramData().ShowDlgOnStart = false;
            H.Start(*form);
            H.Search(*form, "kept text");
            form->SetVerticalSplit();
            form->FileListBox().SetColumnWidth(TFileListColumns::Type, 77);
            form->FileListBox().SetColumnWidth(TFileListColumns::Size, 0);
            QVERIFY(form->close());
        }
        const QString folder = H.Config->path() + "/Quarnel";
        QVERIFY(QFile::exists(folder + "/default.par"));
        QVERIFY(QFile::exists(folder + "/settings.reg"));

        auto form = H.MakeForm({}, false, false);
        QCOMPARE(form->SearchData().SearchString, std::string("kept text"));
        QVERIFY(form->ProgramData().ExpertMode);
        QVERIFY(!form->ProgramData().HorizontalSplit);
        H.Start(*form);
        QVERIFY(H.Shown.isEmpty());
        QCOMPARE(form->FileListBox().ColumnWidth(TFileListColumns::Type), 77);
        QCOMPARE(form->FileListBox().ColumnWidth(TFileListColumns::Size), 0);
        QCOMPARE(form->Splitter().orientation(), Qt::Horizontal);
    }

    // A settings file the program cannot have written is kept aside, the user is told, and the
    // close writes a new one; the configuration folder and its files are the user's alone.
    void aBadSettingsFileIsSetAsideAndTheFolderStaysPrivate()
    {
        const QString folder = H.Config->path() + "/Quarnel";
        QByteArray deep = "REGEDIT4\n\n[HKEY_CURRENT_USER";
        for (int i = 0; i < 20000; ++i)
            deep += "\\k";
        deep += "]\n";
        H.WriteFile(folder + "/settings.reg", deep);
        H.WriteFile(folder + "/default.par", "[General Search Parameters]\nSearch String=secret\n");
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                  QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(folder + "/default.par",
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        {
            auto form = H.MakeForm();
            H.Start(*form);
            QCOMPARE(H.Shown, QStringList{"TInfoDlg"});
            QCOMPARE(form->InfoDlg().Title(), QStringLiteral("The settings file could not be read:"));
            QVERIFY2(form->InfoDlg().InfoText().contains(QStringLiteral("settings.reg.set-aside-")),
                     qPrintable(form->InfoDlg().InfoText()));
            QVERIFY(form->close());
        }
        const QStringList aside = QDir(folder).entryList({QStringLiteral("settings.reg.set-aside-*")});
        QCOMPARE(aside.size(), 1);
        QFile kept(folder + "/" + aside.front());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), deep);
        QVERIFY(QFile::exists(folder + "/settings.reg"));

        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
        QCOMPARE(QFileInfo(folder).permissions() & ~QFile::Permissions(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const char* name : {"settings.reg", "settings.reg.lock", "default.par"})
            QCOMPARE(QFileInfo(folder + "/" + name).permissions() & ~QFile::Permissions(QFile::ReadUser | QFile::WriteUser),
                     ownerOnly);

        // The next start finds a good file and says nothing.
        auto form = H.MakeForm();
        H.Shown.clear();
        H.Start(*form);
        QVERIFY(H.Shown.isEmpty());
    }

    void modeCommandsCheckTheirItem()
    {
        auto form = H.MakeForm();
        form->ProgramData().ExpertMode = true;
        H.Start(*form);
        form->Command("BeginnerItem")->trigger();
        QVERIFY(!form->ProgramData().ExpertMode);
        QVERIFY(form->Command("BeginnerItem")->isChecked());
        QVERIFY(!form->Command("ExpertItem")->isChecked());
        // Search... opens the assistant in beginner mode and the dialog in expert mode.
        form->Searches().NewSearchClick();
        form->Command("ExpertItem")->trigger();
        form->Searches().NewSearchClick();
        QCOMPARE(H.Shown, (QStringList{"TSearchWizardDlg", "TSearchDlg"}));
        QVERIFY(!form->SearchData().SearchAgain);
        form->Searches().SearchAgainClick();
        QVERIFY(form->SearchData().SearchAgain);
    }

    void helpContentsOpensTheHelpFolderBesideTheProgram()
    {
        H.WriteFile(TreePath() + "/program/help/index.htm", "<html><body>Contents page</body></html>");
        auto form = H.MakeForm();
        H.Start(*form);
        QCOMPARE(form->ProgramData().HelpFile, Bytes(TreePath() + "/program/help"));
        form->Command("HelpButton")->trigger();
        QVERIFY(THelpWindow::Instance() != nullptr);
        QCOMPARE(THelpWindow::Instance()->Source().toLocalFile(), TreePath() + "/program/help/index.htm");
        QVERIFY(THelpWindow::Instance()->Browser()->toPlainText().contains(QStringLiteral("Contents page")));
    }

    void infoDialogKeepsTextsNotSet()
    {
        TInfoDlg dialog;
        dialog.SetTexts("Caption", "Title", "Text");
        dialog.SetInfoText("Other text");
        QCOMPARE(dialog.Title(), QStringLiteral("Title"));
        QCOMPARE(dialog.InfoText(), QStringLiteral("Other text"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Caption"));
        H.Snapshot(dialog, "info-dialog");

        TAboutBox about;
        QCOMPARE(about.findChild<QLabel*>("ProductName")->text(), QStringLiteral("Quarnel"));
        QCOMPARE(about.findChild<QLabel*>("Version")->text(), QStringLiteral("Version 2.3 "));
        H.Snapshot(about, "about-box");
    }

    void dateFormatFollowsLocaleWithNumericMonthAndLongYear_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("en_GB") << "en_GB" << "07/03/2024";
        QTest::newRow("en_US two-digit year widened") << "en_US" << "3/7/2024";
        QTest::newRow("de_DE") << "de_DE" << "07.03.2024";
    }

    void dateFormatFollowsLocaleWithNumericMonthAndLongYear()
    {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        TPlatformDates::InstallProgramDateFormat(QLocale(locale));
        const std::string text = TDateFormat::Program().Format(TDateTime::FromYMD(2024, 3, 7));
        QCOMPARE(QString::fromStdString(text), expected);
        TDateTime back;
        QVERIFY(TDateFormat::Program().Parse(text, back));
        QCOMPARE(back.Value(), TDateTime::FromYMD(2024, 3, 7).Value());
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
