// SPDX-License-Identifier: MIT
#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QTextStream>
#include <QtTest>

#include <fstream>
#include <memory>

#include "dialogs/TInfoDlg.h"
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
#include "model/TFileData.h"
#include "model/TProfile.h"
#include "replace/TReplaceData.h"
#include "pane/THTMLViewer.h"
#include "platform/TProcessLauncher.h"
#include "presentation/THTMLLink.h"
#include "presentation/THTMLWin.h"
#include "TDialogTestSupport.h"
#include "TMainFormHarness.h"

namespace {

// Thirty numbered lines with "needle" on lines 5 and 20.
QByteArray NumberedLines()
{
    QByteArray text;
    for (int line = 1; line <= 30; ++line) {
        text += "line " + QByteArray::number(line);
        if (line == 5 || line == 20)
            text += " needle";
        text += '\n';
    }
    return text;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

// Showing files in the results pane, stepping through them, following links, and saving.
class MainFormViewTest : public QObject {
    Q_OBJECT

private:
    TMainFormHarness H;
    std::unique_ptr<TMainForm> Form;

    QString PaneText() const { return Form->HTMLWindow().toPlainText(); }
    QString Caption() const { return Form->DetailsBar().PanelText(1); }

    // a.txt (2 matches), b.txt (1), c.txt (3): found in that order.
    void StartAndSearch()
    {
        H.WriteFile(H.TreePath() + "/a.txt", NumberedLines());
        H.WriteFile(H.TreePath() + "/b.txt", "one needle here\n");
        H.WriteFile(H.TreePath() + "/c.txt", "needle\nneedle\nneedle\n");
        Form = H.MakeForm();
        H.Start(*Form);
        H.Search(*Form);
        QCOMPARE(H.RowNames(*Form), (QStringList{"a.txt", "b.txt", "c.txt"}));
    }

    void Select(int row)
    {
        Form->FileListBox().SelectRow(row);
        Form->FindSelectedRow();
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

    void viewCommandsShowTheirDocumentsAndCaptions()
    {
        StartAndSearch();
        // Matches only, with no row selected: the first row is selected and shown.
        Form->Command("MatchesOnlyButton")->trigger();
        QCOMPARE(Caption(), QStringLiteral("a.txt (Matches only)"));
        QCOMPARE(Form->FileListBox().SelectedRow(), 0);
        QCOMPARE(Form->State().View, TWindowState::TViewChoice::MatchesInFile);
        QCOMPARE(Form->State().Pane, TWindowState::TPaneContent::OneFile);
        QVERIFY(Form->Command("MatchesOnlyButton")->isChecked());
        QVERIFY(!Form->Command("ViewAllButton")->isChecked());
        QVERIFY(PaneText().contains(QStringLiteral("line 5 needle")));
        QVERIFY(!PaneText().contains(QStringLiteral("line 12")));
        QVERIFY(!H.Enabled(*Form, "NextMatchButton"));
        H.Snapshot(*Form, "view-matches-only");

        // The whole file: every line, scrolled to the first match, match stepping on.
        Form->Command("WholeFileItem")->trigger();
        QCOMPARE(Caption(), QStringLiteral("a.txt (Whole file)"));
        QCOMPARE(Form->State().View, TWindowState::TViewChoice::WholeFile);
        QVERIFY(Form->Command("WholeFileItem")->isChecked());
        QVERIFY(PaneText().contains(QStringLiteral("line 12")));
        QCOMPARE(Form->State().CurrentMatch, 0);
        QVERIFY(H.Enabled(*Form, "NextMatchButton"));
        QVERIFY(!H.Enabled(*Form, "PreviousMatchButton"));
        H.Snapshot(*Form, "view-whole-file");

        // All matches: no row selected afterwards, the summary as subtitle.
        Form->Command("ViewAllButton")->trigger();
        QCOMPARE(Caption(), QStringLiteral("All matches in all files"));
        QCOMPARE(Form->State().View, TWindowState::TViewChoice::AllMatches);
        QCOMPARE(Form->State().Pane, TWindowState::TPaneContent::AllMatches);
        QCOMPARE(Form->FileListBox().SelectedRow(), -1);
        QVERIFY(Form->ProgramData().SelectedItem == nullptr);
        QVERIFY(PaneText().contains(QStringLiteral("one needle here")));
        QVERIFY(PaneText().contains(Form->DetailsBar().PanelText(0)));
        QVERIFY(!H.Enabled(*Form, "NextMatchButton"));
        H.Snapshot(*Form, "view-all-matches");

        // After all matches, a click on a row shows it matches-only.
        Form->FileListBox().SelectRow(1);
        Form->Views().SelectionClicked();
        QCOMPARE(Caption(), QStringLiteral("b.txt (Matches only)"));
        QCOMPARE(Form->State().View, TWindowState::TViewChoice::MatchesInFile);
    }

    void matchWindowSetsTheContextAroundMatches_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("window");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        QTest::newRow("SMW0") << "SMW0" << 0 << QStringList{"line 5 needle", "line 20 needle"}
                              << QStringList{"line 4\n", "line 6\n", "line 19\n"};
        QTest::newRow("SMW1") << "SMW1" << 1 << QStringList{"line 4", "line 6", "line 19", "line 21"}
                              << QStringList{"line 3\n", "line 7\n", "line 22\n"};
        QTest::newRow("SMW3") << "SMW3" << 3 << QStringList{"line 2", "line 8", "line 17", "line 23"}
                              << QStringList{"line 1\n", "line 9\n", "line 24\n"};
    }

    void matchWindowSetsTheContextAroundMatches()
    {
        QFETCH(QString, link);
        QFETCH(int, window);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        StartAndSearch();
        Form->ProgramData().MatchWindow = 2;
        Form->Command("MatchesOnlyButton")->trigger();
        // The link sets the match window and shows the current view again.
        Form->Views().LinkClicked(link);
        QCOMPARE(Form->ProgramData().MatchWindow, window);
        QCOMPARE(Caption(), QStringLiteral("a.txt (Matches only)"));
        const QString text = PaneText() + QLatin1Char('\n');
        for (const QString& line : shown)
            QVERIFY2(text.contains(line), qPrintable(line));
        for (const QString& line : hidden)
            QVERIFY2(!text.contains(line), qPrintable(line));
    }

    void toggleLinksFlipTheirOptionAndRebuildTheView_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("option");
        const char* links[] = {"TogglePlain",       "ToggleFilenames", "ToggleFileContents", "ToggleLineNumbers",
                               "ToggleWordWrap",    "ToggleFixedFont", "ToggleMatchesOnly"};
        for (int i = 0; i < 7; ++i)
            QTest::newRow(links[i]) << links[i] << i;
    }

    void toggleLinksFlipTheirOptionAndRebuildTheView()
    {
        QFETCH(QString, link);
        QFETCH(int, option);
        StartAndSearch();
        Form->Command("ViewAllButton")->trigger();
        THTMLOptions& options = Form->HTMLWin().Options;
        bool* fields[] = {&options.FancyOutput, &options.FileNames, &options.ShowFileContents, &options.LineNumbers,
                          &options.WordWrap,    &options.FixedFont, &options.MatchesOnly};
        const bool before = *fields[option];
        const std::string documentBefore = Form->HTMLWin().DocumentFileName();
        Form->Views().LinkClicked(link);
        QCOMPARE(*fields[option], !before);
        // The all-matches view was written again.
        QCOMPARE(Form->State().Pane, TWindowState::TPaneContent::AllMatches);
        QVERIFY(Form->HTMLWin().DocumentFileName() != documentBefore);
        // Case matters: nothing happens for another spelling.
        Form->Views().LinkClicked(link.toLower());
        QCOMPARE(*fields[option], !before);
    }

    // A click on a link of the pane reaches the window as the action it asks for.
    void clickOnAPaneLinkReachesTheWindow()
    {
        StartAndSearch();
        Form->Command("ViewAllButton")->trigger();
        Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form.get()));
        THTMLViewer& pane = Form->HTMLWindow();
        const bool fancy = Form->HTMLWin().Options.FancyOutput;
        const QTextCursor plain = pane.document()->find(fancy ? QStringLiteral("Plain") : QStringLiteral("Fancy"));
        QVERIFY(!plain.isNull());
        QTextCursor inside(pane.document());
        inside.setPosition(plain.selectionStart() + 2);
        QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, pane.cursorRect(inside).center());
        QTRY_COMPARE(Form->HTMLWin().Options.FancyOutput, !fancy);
    }

    void titleCommandFlipsTheTitleAndMenu()
    {
        StartAndSearch();
        Form->Command("ViewAllButton")->trigger();
        const bool before = Form->HTMLWin().Options.TitleAndMenu;
        QVERIFY(PaneText().contains(QStringLiteral("Quarnel Search Results")) == before);
        Form->Views().TitleClick();
        QCOMPARE(Form->HTMLWin().Options.TitleAndMenu, !before);
        QVERIFY(PaneText().contains(QStringLiteral("Quarnel Search Results")) == !before);
        Form->Views().PreparePaneMenu();
        QCOMPARE(Form->findChild<QAction*>("HTMLShowTitle")->isChecked(), !before);
    }

    void matchLinksStartTheEditorWithoutAShell()
    {
        StartAndSearch();
        Form->ProgramData().EditorCommand = "myeditor +$l:$c $f --search=$g";
        // A path holding the link's own separators still opens the right file.
        const QString odd = H.TreePath() + "/a&b|c.txt";
        H.WriteFile(odd, "x\n");
        for (const QString& path : {H.TreePath() + "/a.txt", odd}) {
            H.Started.clear();
            Form->Views().LinkClicked(
                QString::fromStdString(THTMLLink::OpenFileLink(path.toStdString(), 20, 9)));
            QCOMPARE(H.Started, QStringList{"myeditor|+20:9|" + path + "|--search=needle"});
        }
        // A copy the search extracted from an archive is not offered for editing.
        H.Started.clear();
        Form->Launches().LaunchEditor("/tmp/x/~quarnel.t/member.txt", 3, 1);
        QVERIFY(H.Started.isEmpty());
        QCOMPARE(H.Shown, QStringList{"TInfoDlg"});
        QCOMPARE(Form->InfoDlg().Title(), QStringLiteral("The file being viewed is in a ZIP archive..."));

        // Edit from the file list: the selected file at its first match.
        Select(0);
        Form->Launches().EditClick();
        QCOMPARE(H.Started, QStringList{"myeditor|+5:8|" + H.TreePath() + "/a.txt|--search=needle"});

        // An editor that cannot be started says so.
        H.StartProcessWith = [](const std::string&, const std::vector<std::string>&) { return false; };
        Form->Launches().EditClick();
        QCOMPARE(H.Shown, (QStringList{"TInfoDlg", "TInfoDlg"}));
        QCOMPARE(Form->InfoDlg().Title(), QStringLiteral("The editor could not be started"));
    }

    // Enter in the file list starts the editor on key release, but only for an Enter pressed there:
    // the release of an Enter that closed a dialog or chose a menu entry lands in the list too.
    void enterStartsTheEditorOnlyWhenPressedInTheList_data()
    {
        QTest::addColumn<QString>("pressedIn");
        QTest::addColumn<bool>("editorStarts");
        QTest::addColumn<int>("starts");
        QTest::addColumn<QStringList>("dialogs");
        QTest::newRow("pressed and released in the list") << "list" << true << 1 << QStringList();
        QTest::newRow("pressed to close a dialog") << "dialog" << true << 0 << QStringList{"TInfoDlg"};
        QTest::newRow("pressed to choose a menu entry") << "menu" << true << 0 << QStringList();
        // The message comes once; the Enter that closes it does not start the editor again.
        QTest::newRow("closing the message of an editor that cannot start")
            << "list" << false << 1 << QStringList{"TInfoDlg"};
    }

    void enterStartsTheEditorOnlyWhenPressedInTheList()
    {
        QFETCH(QString, pressedIn);
        QFETCH(bool, editorStarts);
        QFETCH(int, starts);
        QFETCH(QStringList, dialogs);
        StartAndSearch();
        Select(0);
        QAbstractItemView* list = Form->FileListBox().CurrentView();
        list->setFocus();
        int started = 0;
        H.StartProcessWith = [&](const std::string&, const std::vector<std::string>&) {
            ++started;
            return editorStarts;
        };
        // Dialogs are shown for real and closed with the Enter key, as a person would.
        H.ShowModalWith = [this](QDialog& dialog) {
            H.Shown << dialog.metaObject()->className();
            WhenModal(&dialog, [&dialog] { QTest::keyPress(&dialog, Qt::Key_Return); });
            return dialog.exec();
        };

        if (pressedIn == "list") {
            QTest::keyPress(list, Qt::Key_Return);
        } else if (pressedIn == "dialog") {
            Form->User().ShowModal(Form->InfoDlg());
        } else {
            QMenu& menu = Form->FileListCommands().Menu();
            Form->FileListCommands().PrepareMenu();
            menu.popup(Form->mapToGlobal(QPoint(40, 80)));
            QTRY_VERIFY(menu.isVisible());
            menu.setActiveAction(Form->findChild<QAction*>("PopupViewFile"));
            QTest::keyPress(&menu, Qt::Key_Return);
            QTRY_VERIFY(!menu.isVisible());
            QCOMPARE(Caption(), QStringLiteral("a.txt (Whole file)"));
        }
        QTest::keyRelease(list, Qt::Key_Return);
        // The release of an Enter that closed a message shown meanwhile, or a stray one.
        QTest::keyRelease(list, Qt::Key_Return);
        QCOMPARE(started, starts);
        QCOMPARE(H.Shown, dialogs);
    }

    // A file name that is not valid UTF-8 reaches the editor command and the desktop's opener
    // byte for byte. Both run a stand-in "xdg-open" that writes the argument it got to a file.
    void fileNamesReachTheEditorAndTheOpenerAsTheirBytes()
    {
        const std::string name = "\xff\xfe.txt";
        const std::string tree = QFile::encodeName(H.TreePath()).toStdString();
        {
            std::ofstream file(tree + "/" + name, std::ios::binary);
            file << "a needle\n";
        }
        const QString bin = H.TreePath() + "/bin";
        const QString got = H.TreePath() + "/got";
        H.WriteFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + QFile::encodeName(got) + "\"\n");
        QVERIFY(QFile::setPermissions(bin + "/xdg-open", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin) + ":" + path);
        Form = H.MakeForm();
        H.StartProcessWith = TProcessLauncher::StartDetached;
        H.OpenWith = TProcessLauncher::OpenWithDesktop;
        H.Start(*Form);
        H.Search(*Form);
        QCOMPARE(Form->Files().Count(), std::size_t{1});
        Select(0);
        QCOMPARE(Form->ProgramData().EditorCommand, std::string("xdg-open $f"));
        Form->Launches().EditClick();
        Form->Launches().LaunchClick();
        const QByteArray expected = QByteArray::fromStdString(tree + "/" + name + "\n");
        QTRY_COMPARE(ReadAll(got), expected + expected);
        QVERIFY(H.Shown.isEmpty());

        // A program that is not there is reported, not taken for started.
        Form->ProgramData().EditorCommand = "/no/such/editor $f";
        Form->Launches().EditClick();
        QCOMPARE(H.Shown, QStringList{"TInfoDlg"});
        QCOMPARE(Form->InfoDlg().Title(), QStringLiteral("The editor could not be started"));
        qputenv("PATH", path);
    }

    void wholeFileLimitIsOneMillionBytes_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("shown");
        QTest::newRow("1,000,000 bytes are shown") << 1'000'000 << true;
        QTest::newRow("1,000,001 bytes are refused") << 1'000'001 << false;
    }

    void wholeFileLimitIsOneMillionBytes()
    {
        QFETCH(int, size);
        QFETCH(bool, shown);
        QByteArray content = "needle\n";
        const QByteArray line = QByteArray(63, 'x') + '\n';
        while (content.size() + line.size() <= size)
            content += line;
        content += QByteArray(size - content.size(), 'y');
        QCOMPARE(content.size(), size);
        H.WriteFile(H.TreePath() + "/big.txt", content);
        Form = H.MakeForm();
        H.Start(*Form);
        H.Search(*Form);
        Select(0);
        Form->Command("WholeFileButton")->trigger();
        if (shown) {
            QCOMPARE(Caption(), QStringLiteral("big.txt (Whole file)"));
            QVERIFY(H.Shown.isEmpty());
        } else {
            QCOMPARE(H.Shown, QStringList{"TInfoDlg"});
            QCOMPARE(Form->InfoDlg().windowTitle(), QStringLiteral("Can't load file"));
            QCOMPARE(Form->InfoDlg().Title(), QStringLiteral("The file is too large"));
            QCOMPARE(Form->InfoDlg().InfoText(),
                     QStringLiteral("Quarnel cannot load big.txt because it is over 1 Mb in size."));
            QVERIFY(!Caption().contains(QStringLiteral("Whole file")));
            QCOMPARE(Form->FileListBox().SelectedRow(), 0);
            // Matches only has no limit.
            Form->Command("MatchesOnlyButton")->trigger();
            QCOMPARE(Caption(), QStringLiteral("big.txt (Matches only)"));
        }
    }

    void stopEndsAnAllFilesView()
    {
        for (int i = 0; i < 40; ++i)
            H.WriteFile(H.TreePath() + QStringLiteral("/f%1.txt").arg(i, 2, 10, QLatin1Char('0')),
                        QByteArray("needle\n").repeated(200));
        Form = H.MakeForm();
        H.Start(*Form);
        H.Search(*Form);
        QCOMPARE(Form->FileListModel().rowCount(), 40);
        // Stop once the first file is written: the second ends with the note, no more follow.
        int written = 0;
        connect(Form.get(), &TMainForm::viewProgress, Form.get(), [&] {
            if (++written == 1) {
                QCOMPARE(Form->ProgramData().BusyState, TProgramData::LoadingView);
                QVERIFY(H.Enabled(*Form, "StopButton"));
                QVERIFY(!H.Enabled(*Form, "ViewAllButton"));
                Form->Command("StopButton")->trigger();
            }
        });
        Form->Command("ViewAllButton")->trigger();
        QCOMPARE(Form->ProgramData().BusyState, TProgramData::Idle);
        QVERIFY(PaneText().contains(QStringLiteral("** File loading aborted by user **")));
        QCOMPARE(written, 1);
        QVERIFY(PaneText().contains(QStringLiteral("f01.txt")));
        QVERIFY(!PaneText().contains(QStringLiteral("f02.txt")));
        QVERIFY(H.Enabled(*Form, "ViewAllButton"));
    }

    void aFileChangedAfterTheSearchIsNotShown()
    {
        StartAndSearch();
        QTest::qWait(20);
        H.WriteFile(H.TreePath() + "/b.txt", "rewritten needle\n");
        Select(1);
        Form->Command("MatchesOnlyButton")->trigger();
        QVERIFY(PaneText().contains(QStringLiteral("has been changed or deleted since it was searched")));
        QVERIFY(!PaneText().contains(QStringLiteral("rewritten")));
        Form->Command("ViewAllButton")->trigger();
        QVERIFY(PaneText().contains(QStringLiteral("has been changed or deleted since it was searched")));
        QVERIFY(PaneText().contains(QStringLiteral("line 5 needle")));
    }

    void fileAndMatchSteppingAtTheEnds()
    {
        StartAndSearch();
        // Next File with nothing selected starts at the first row.
        Form->Command("NextFileButton")->trigger();
        QCOMPARE(Form->FileListBox().SelectedRow(), 0);
        QCOMPARE(Caption(), QStringLiteral("a.txt (Matches only)"));
        QVERIFY(!H.Enabled(*Form, "PreviousFileButton"));
        Form->Command("NextFileItem")->trigger();
        Form->Command("NextFileItem")->trigger();
        QCOMPARE(Form->FileListBox().SelectedRow(), 2);
        QVERIFY(!H.Enabled(*Form, "NextFileButton"));
        // At the last row it shows the last row again.
        Form->Views().NextFileClick();
        QCOMPARE(Form->FileListBox().SelectedRow(), 2);
        Form->Views().PreviousFileClick();
        Form->Views().PreviousFileClick();
        QCOMPARE(Form->FileListBox().SelectedRow(), 0);
        Form->Views().PreviousFileClick();
        QCOMPARE(Form->FileListBox().SelectedRow(), 0);

        // Whole file of c.txt: three matches; stepping stops at both ends.
        Select(2);
        Form->Command("WholeFileButton")->trigger();
        QCOMPARE(Form->State().CurrentMatch, 0);
        Form->Views().PreviousMatchClick();
        QCOMPARE(Form->State().CurrentMatch, 0);
        Form->Command("NextMatchButton")->trigger();
        Form->Command("NextMatchButton")->trigger();
        QCOMPARE(Form->State().CurrentMatch, 2);
        QVERIFY(!H.Enabled(*Form, "NextMatchButton"));
        QVERIFY(H.Enabled(*Form, "PreviousMatchItem"));
        Form->Views().NextMatchClick();
        QCOMPARE(Form->State().CurrentMatch, 2);
        // Files shown whole stay whole when stepping.
        Form->Views().PreviousFileClick();
        QCOMPARE(Caption(), QStringLiteral("b.txt (Whole file)"));
    }

    // Match stepping follows what the pane shows, not the caption: a file whose name reads like
    // a whole-file caption, shown matches only, has no match to step to.
    void matchSteppingIgnoresAFileNameThatLooksLikeACaption()
    {
        H.WriteFile(H.TreePath() + "/x (Whole file).txt", "needle\nneedle\n");
        Form = H.MakeForm();
        H.Start(*Form);
        H.Search(*Form);
        Select(0);
        Form->Command("MatchesOnlyButton")->trigger();
        QCOMPARE(Caption(), QStringLiteral("x (Whole file).txt (Matches only)"));
        QVERIFY(!H.Enabled(*Form, "NextMatchButton"));
        QVERIFY(!H.Enabled(*Form, "NextMatchItem"));
        Form->Command("WholeFileButton")->trigger();
        QVERIFY(H.Enabled(*Form, "NextMatchButton"));
    }

    void zipMembersAreViewedExtractedAndNotEdited()
    {
        H.WriteZip(H.TreePath() + "/pack.zip", {{"inner.txt", "first\nthe needle inside\nlast\n"}});
        Form = H.MakeForm();
        H.Start(*Form);
        Form->SearchData().SearchZIPs = true;
        H.Search(*Form);
        QCOMPARE(H.RowNames(*Form), QStringList{"inner.txt"});
        Select(0);
        Form->Command("WholeFileButton")->trigger();
        QVERIFY(PaneText().contains(QStringLiteral("the needle inside")));
        QVERIFY(PaneText().contains(QStringLiteral("first")));

        Form->FileListCommands().PrepareMenu();
        QCOMPARE(Form->findChild<QAction*>("PopupExtract")->text(), QStringLiteral("Extract inner.txt from ZIP..."));
        QVERIFY(!Form->findChild<QAction*>("PopupEdit")->isVisible());

        // Extract: a cancelled folder choice, then a folder, then the same folder again (No).
        Form->Launches().ExtractClick();
        QCOMPARE(H.Messages, QStringList{"Error: An error occured: The file was not extracted."});
        const QString target = H.TreePath() + "/out";
        QDir().mkpath(target);
        H.ChooseFolderWith = [&](const QString& caption, const QString&) {
            [&] { QCOMPARE(caption, QStringLiteral("Unzip To")); }();
            return target;
        };
        Form->Launches().ExtractClick();
        QCOMPARE(ReadAll(target + "/inner.txt"), QByteArray("first\nthe needle inside\nlast\n"));
        QCOMPARE(H.Messages.size(), 1);
        H.Answer = false;
        Form->Launches().ExtractClick();
        QCOMPARE(H.Questions.size(), 1);
        QCOMPARE(H.Messages.size(), 2);
    }

    void exportsByExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::newRow("parameters") << "saved.par" << "par";
        QTest::newRow("csv") << "list.csv" << "csv";
        QTest::newRow("csv, extension in any case") << "list.Csv" << "csv";
        QTest::newRow("html") << "page.htm" << "htm";
        QTest::newRow("plain text") << "pane.TXT" << "txt";
        QTest::newRow("unknown extension writes nothing") << "page.html" << "none";
        QTest::newRow("no extension writes nothing") << "noext" << "none";
    }

    void exportsByExtension()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        StartAndSearch();
        // Sorted by size, largest first: the CSV follows the shown order.
        emit Form->FileListBox().Header()->sectionClicked(TFileListColumns::Size);
        QCOMPARE(H.RowNames(*Form), (QStringList{"a.txt", "c.txt", "b.txt"}));
        Form->Command("ViewAllButton")->trigger();
        const QString path = H.TreePath() + "/" + name;
        H.ChooseSaveFileWith = [&] { return path; };
        Form->Command("SaveSearchButton")->trigger();
        const QByteArray written = ReadAll(path);
        if (kind == "none") {
            QCOMPARE(written, QByteArray("<missing>"));
        } else if (kind == "par") {
            TSearchData loaded;
            TProfile profile;
            profile.FileName = path.toStdString();
            loaded.LoadFromProfile(profile);
            QCOMPARE(loaded.SearchString, std::string("needle"));
            QCOMPARE(Form->DataINI().FileName, path.toStdString());
        } else if (kind == "csv") {
            const QList<QByteArray> lines = written.split('\n');
            QCOMPARE(lines.size(), 5);
            QCOMPARE(lines[0], QByteArray("Filename,T/B,File type,Folder,Matches,Size,Date"));
            QVERIFY(lines[1].startsWith("\"a.txt\",\"T\","));
            QVERIFY(lines[1].contains(",2,"));
            QVERIFY(lines[2].startsWith("\"c.txt\""));
            QVERIFY(lines[3].startsWith("\"b.txt\""));
            QCOMPARE(lines[4], QByteArray());
        } else if (kind == "htm") {
            QCOMPARE(written, ReadAll(QString::fromStdString(Form->HTMLWin().DocumentFileName())));
        } else if (kind == "txt") {
            QVERIFY(written.endsWith('\n'));
            QVERIFY(written.contains("one needle here"));
            QCOMPARE(Form->HTMLWindow().SelectionLength(), 0);
        }
        QVERIFY(H.Messages.isEmpty());
    }

    void exportsOfAnEmptyListAndAFailedCopy()
    {
        Form = H.MakeForm();
        H.Start(*Form);
        const QString csv = H.TreePath() + "/empty.csv";
        H.ChooseSaveFileWith = [&] { return csv; };
        Form->Saving().SaveClick();
        QCOMPARE(ReadAll(csv), QByteArray("Filename,T/B,File type,Folder,Matches,Size,Date\n"));
        const QString txt = H.TreePath() + "/empty.txt";
        H.ChooseSaveFileWith = [&] { return txt; };
        Form->Saving().SaveClick();
        QCOMPARE(ReadAll(txt), QByteArray("\n"));
        // A copy into a folder that does not exist fails with the message, and writes nothing.
        H.ChooseSaveFileWith = [&] { return H.TreePath() + "/missing/page.htm"; };
        Form->Saving().SaveClick();
        QCOMPARE(H.Messages.size(), 1);
        QVERIFY(H.Messages.front().startsWith(QStringLiteral("Save failed: An error occured when trying to save")));
    }

    void openedParametersAreUsedAndTheFileIsLeftAlone()
    {
        Form = H.MakeForm();
        H.Start(*Form);
        const QString path = H.TreePath() + "/mine.par";
        {
            TSearchData stored;
            stored.SearchString = "from the file";
            TProfile profile;
            profile.FileName = path.toStdString();
            stored.SaveToProfile(profile);
        }
        const QByteArray before = ReadAll(path);
        H.ChooseOpenFileWith = [&] { return path; };
        Form->Command("OpenSearchButton")->trigger();
        QCOMPARE(Form->SearchData().SearchString, std::string("from the file"));
        QCOMPARE(Form->DataINI().FileName, path.toStdString());
        Form->SearchData().SearchString = "changed";
        QVERIFY(Form->close());
        QCOMPARE(ReadAll(path), before);
        QVERIFY(ReadAll(H.Config->path() + "/Quarnel/default.par").contains("changed"));
    }

    void replaceFromTheWindowRewritesEveryListedFile()
    {
        StartAndSearch();
        H.OverwriteEveryFile(*Form, "pin");
        Form->Command("ReplaceButton")->trigger();
        QCOMPARE(H.Shown, QStringList{"TReplaceDlg"});
        QCOMPARE(ReadAll(H.TreePath() + "/b.txt"), QByteArray("one pin here\n"));
        QCOMPARE(ReadAll(H.TreePath() + "/c.txt"), QByteArray("pin\npin\npin\n"));
        QVERIFY(ReadAll(H.TreePath() + "/a.txt").contains("line 20 pin\n"));
        QCOMPARE(Caption(), QStringLiteral("Replace results"));
        QCOMPARE(Form->StatusBar().PanelText(0), QStringLiteral("Replace complete."));
        QCOMPARE(Form->State().Pane, TWindowState::TPaneContent::Other);
        QVERIFY(PaneText().contains(QStringLiteral("c.txt")));
        H.Snapshot(*Form, "replace-report");
        // The rewritten files changed after the search: a second run refuses them.
        Form->Command("ReplaceItem")->trigger();
        QCOMPARE(ReadAll(H.TreePath() + "/c.txt"), QByteArray("pin\npin\npin\n"));
        QVERIFY(PaneText().contains(QStringLiteral("changed")));
    }

    void openingWithTheAssociatedProgram()
    {
        StartAndSearch();
        Select(1);
        Form->Launches().LaunchClick();
        QCOMPARE(H.Opened, QStringList{H.TreePath() + "/b.txt"});
        H.OpenWith = [](const std::string&) { return false; };
        Form->Launches().LaunchClick();
        QCOMPARE(H.Shown, QStringList{"TInfoDlg"});
        QCOMPARE(Form->InfoDlg().Title(), QStringLiteral("Execution Error"));
        QCOMPARE(TLaunchCommand::OpenFailureText((H.TreePath() + "/gone.txt").toStdString()),
                 QStringLiteral("The specified file was not found."));
        QCOMPARE(TLaunchCommand::OpenFailureText((H.TreePath() + "/no/such/x.txt").toStdString()),
                 QStringLiteral("The specified path was not found."));
    }
};

QTEST_MAIN(MainFormViewTest)
#include "MainFormViewTest.moc"
