// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "dialogs/TReplaceConfirmDlg.h"
#include "dialogs/TReplaceDlg.h"
#include "dialogs/TReplaceWizardDlg.h"
#include "engine/TSearchEngine.h"
#include "mainwindow/TReplaceCommand.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "model/TSearchStats.h"
#include "model/TShellInfo.h"
#include "presentation/THTMLWin.h"
#include "replace/TReplaceData.h"
#include "replace/TReplaceJournal.h"

#include "TDialogTestSupport.h"

namespace {

// The main window's side of a replace, around a fixture folder that has been searched for
// "hit": what the command asks of the window is written as lines of text.
class Window {
public:
    Window()
        : Report(nullptr, Dir.path().toStdString()), ExpertDialog(Options, Search, Program),
          Assistant(Options, Search, Program)
    {
        QDir(Dir.path()).mkpath(QStringLiteral("files"));
        QDir(Dir.path()).mkpath(QStringLiteral("report"));
        Report.TempFolder = (Dir.path() + QStringLiteral("/report")).toStdString();
        Report.Options.FancyOutput = false;
        Search.SearchMode = TSearchData::ModeQuick;
        Search.SearchString = "hit";
        Search.MatchCase = true;
        Search.FileSpecs = {"*.txt"};
        Search.Folders = {(Dir.path() + QStringLiteral("/files")).toStdString()};
        Search.RecurseSubdirs = true;
        Program.ExpertMode = true;
        Callbacks.ShowStatus = [this](const QString& text) { Log << QStringLiteral("status ") + Relative(text); };
        Callbacks.SetViewCaption = [this](const QString& text) { Log << QStringLiteral("caption ") + text; };
        Callbacks.UpdateCommands = [this] { Log << QStringLiteral("update commands"); };
        Callbacks.ProcessPendingMessage = [this] { ++PendingCalls; };
        Callbacks.ShowInfo = [this](const QString& caption, const QString& title, const QString& text) {
            Log << QStringLiteral("info ") + caption + QStringLiteral(" / ") + title + QStringLiteral(" / ") +
                       Relative(text);
        };
        Callbacks.SetPaneContent = [this](int content) { Log << QStringLiteral("pane %1").arg(content); };
        Callbacks.Confirm = [this](const TReplaceQuestion& question) {
            Log << QStringLiteral("ask %1:%2").arg(Relative(QString::fromStdString(std::string(question.FullPath))))
                       .arg(question.LineNumber);
            if (Answers.empty())
                return TReplaceAnswer::CancelAll;
            const TReplaceAnswer answer = Answers.front();
            Answers.pop_front();
            return answer;
        };
    }

    void Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = Dir.path() + QStringLiteral("/files/") + name;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray Read(const QString& name) const
    {
        QFile file(Dir.path() + QStringLiteral("/files/") + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    QStringList Names() const
    {
        return QDir(Dir.path() + QStringLiteral("/files")).entryList(QDir::Files, QDir::Name);
    }

    void RunSearch()
    {
        Files.Clear();
        TNullShellInfo shell;
        TSearchStats stats;
        TSearchEngine engine(Search, Files, stats, shell);
        engine.Search();
    }

    TReplaceCommand& Command()
    {
        if (!Replacing)
            Replacing = std::make_unique<TReplaceCommand>(
                TReplaceCommand::TContext{Options, Search, Program, Files, Report, ExpertDialog, Assistant, ConfirmDialog,
                                          Journal},
                Callbacks);
        return *Replacing;
    }

    // The lines of the report document: file headings and messages.
    QStringList ReportLines() const
    {
        QFile file(QString::fromStdString(Report.DocumentFileName()));
        if (!file.open(QIODevice::ReadOnly))
            return {QStringLiteral("(no report)")};
        QStringList lines;
        bool heading = false;
        for (const QByteArray& raw : file.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw);
            if (line == QLatin1String("<b>"))
                heading = true;
            else if (heading)
                lines << QStringLiteral("file ") + Relative(line), heading = false;
            else if (line.endsWith(QLatin1String("<br>")) && line.size() > 4 && line != QLatin1String("</b><br>"))
                lines << QStringLiteral("  ") + Relative(line.chopped(4));
        }
        return lines;
    }

    QString Relative(QString text) const { return text.replace(Dir.path(), QStringLiteral("<dir>")); }

    QTemporaryDir Dir;
    TReplaceData Options;
    TSearchData Search;
    TProgramData Program;
    TFileList Files;
    THTMLWin Report;
    TReplaceDlg ExpertDialog;
    TReplaceWizardDlg Assistant;
    TReplaceConfirmDlg ConfirmDialog;
    TReplaceCommand::TCallbacks Callbacks;
    std::unique_ptr<TReplaceCommand> Replacing;
    TReplaceJournal* Journal = nullptr;
    std::deque<TReplaceAnswer> Answers;
    QStringList Log;
    int PendingCalls = 0;
};

// While it lives, no file can grow past `limit` bytes: writes past it fail (with EFBIG, the
// signal ignored), as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) : OldHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        ::getrlimit(RLIMIT_FSIZE, &Old);
        const rlimit lower{limit, Old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &Old);
        std::signal(SIGXFSZ, OldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit Old{};
    void (*OldHandler)(int);
};

} // namespace

class ReplaceCommandTest : public QObject {
    Q_OBJECT

private slots:
    void expertModeReplacesInAllFilesWithConfirmation()
    {
        Window window;
        window.Write(QStringLiteral("a.txt"), "hit one\n");
        window.Write(QStringLiteral("b.txt"), "two hit\r\nhit\r\n");
        window.Write(QStringLiteral("sub/c.txt"), "x\nhit");
        window.RunSearch();
        QCOMPARE(window.Files.Count(), std::size_t{3});
        window.Answers = {TReplaceAnswer::Yes, TReplaceAnswer::No, TReplaceAnswer::Yes, TReplaceAnswer::Yes};

        WhenModal(&window.ExpertDialog, [&window] {
            Child<QLineEdit>(window.ExpertDialog, "ReplaceString")->setText(QStringLiteral("HIT!"));
            Child<QCheckBox>(window.ExpertDialog, "ConfirmMode")->click();
            Child<QPushButton>(window.ExpertDialog, "Finish")->click();
        });
        QVERIFY(window.Command().ReplaceClick());

        QCOMPARE(window.Log, QStringList({
                                 "caption Replace results",
                                 "status Replace in progress. Please wait...",
                                 "status Replacing in <dir>/files/a.txt",
                                 "ask <dir>/files/a.txt:1",
                                 "status Replacing in <dir>/files/b.txt",
                                 "ask <dir>/files/b.txt:1",
                                 "ask <dir>/files/b.txt:2",
                                 "status Replacing in <dir>/files/sub/c.txt",
                                 "ask <dir>/files/sub/c.txt:2",
                                 "update commands",
                                 "pane 0",
                                 "status Replace complete.",
                             }));
        QCOMPARE(window.ReportLines(), QStringList({
                                           "file <dir>/files/a.txt",
                                           "  1 changes made",
                                           "  Changes have been saved in <dir>/files/a.txt.new",
                                           "file <dir>/files/b.txt",
                                           "  1 changes made",
                                           "  Changes have been saved in <dir>/files/b.txt.new",
                                           "file <dir>/files/sub/c.txt",
                                           "  1 changes made",
                                           "  Changes have been saved in <dir>/files/sub/c.txt.new",
                                       }));
        QCOMPARE(window.Read(QStringLiteral("a.txt.new")), QByteArray("HIT! one\n"));
        QCOMPARE(window.Read(QStringLiteral("b.txt.new")), QByteArray("two hit\r\nHIT!\r\n"));
        QCOMPARE(window.Read(QStringLiteral("sub/c.txt.new")), QByteArray("x\nHIT!"));
        QCOMPARE(window.Read(QStringLiteral("a.txt")), QByteArray("hit one\n"));
        QVERIFY(window.PendingCalls > 0);
        QCOMPARE(int(window.Options.Confirmation), 1);
    }

    void assistantReplacesInTheSelectedFileOnlyWithABackup()
    {
        Window window;
        window.Program.ExpertMode = false;
        window.Write(QStringLiteral("a.txt"), "hit\n");
        window.Write(QStringLiteral("b.txt"), "hit\n");
        window.RunSearch();
        window.Program.SelectedItem = &window.Files.Item(1);

        WhenModal(&window.Assistant, [&window] {
            Child<QLineEdit>(window.Assistant, "ReplaceString")->setText(QStringLiteral("new"));
            window.Assistant.NextClick();
            Child<QRadioButton>(window.Assistant, "ReplaceSelected")->click();
            Child<QRadioButton>(window.Assistant, "ChangeOriginal")->click();
            Child<QPushButton>(window.Assistant, "Finish")->click();
        });
        QVERIFY(window.Command().ReplaceClick());

        QCOMPARE(window.Log, QStringList({
                                 "caption Replace results",
                                 "status Replace in progress. Please wait...",
                                 "update commands",
                                 "pane 0",
                                 "status Replace complete.",
                             }));
        QCOMPARE(window.ReportLines(), QStringList({
                                           "file <dir>/files/b.txt",
                                           "  1 changes made",
                                           "  Changes have been made to the original file",
                                           "  A backup was created first: <dir>/files/b.txt.bak",
                                       }));
        QCOMPARE(window.Names(), QStringList({"a.txt", "b.txt", "b.txt.bak"}));
        QCOMPARE(window.Read(QStringLiteral("b.txt")), QByteArray("new\n"));
        QCOMPARE(window.Read(QStringLiteral("b.txt.bak")), QByteArray("hit\n"));
        QCOMPARE(window.Read(QStringLiteral("a.txt")), QByteArray("hit\n"));
    }

    void theRealConfirmationDialogAnswersEachChange()
    {
        Window window;
        window.Callbacks.Confirm = nullptr;
        window.Options.Confirmation = 1;
        window.Options.Overwrite = 1;
        window.Options.ReplaceString = "X";
        window.Write(QStringLiteral("a.txt"), "hit hit\n");
        window.RunSearch();

        WhenModal(&window.ExpertDialog, [&window] {
            Child<QPushButton>(window.ExpertDialog, "Finish")->click();
            WhenModal(&window.ConfirmDialog, [&window] {
                QCOMPARE(Child<QLabel>(window.ConfirmDialog, "LineNumber")->text(), QStringLiteral("1"));
                Child<QPushButton>(window.ConfirmDialog, "NoButton")->click();
                WhenModal(&window.ConfirmDialog, [&window] {
                    QCOMPARE(Child<QPlainTextEdit>(window.ConfirmDialog, "NewLine")->toPlainText(),
                             QStringLiteral("hit X"));
                    Child<QPushButton>(window.ConfirmDialog, "YesButton")->click();
                });
            });
        });
        QVERIFY(window.Command().ReplaceClick());
        QCOMPARE(window.Read(QStringLiteral("a.txt")), QByteArray("hit X\n"));
    }

    void cancellingTheDialogReplacesNothing()
    {
        for (const bool expert : {true, false}) {
            Window window;
            window.Program.ExpertMode = expert;
            window.Write(QStringLiteral("a.txt"), "hit\n");
            window.RunSearch();
            QDialog* dialog = expert ? static_cast<QDialog*>(&window.ExpertDialog) : &window.Assistant;
            WhenModal(dialog, [dialog] { Child<QPushButton>(*dialog, "Cancel")->click(); });
            QVERIFY(!window.Command().ReplaceClick());
            QCOMPARE(window.Log, QStringList());
            QCOMPARE(window.Names(), QStringList({"a.txt"}));
        }
    }

    void cancelAllEndsTheRunAfterThatFile()
    {
        Window window;
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            window.Write(QString::fromLatin1(name), "hit\n");
        window.RunSearch();
        window.Options.Confirmation = 1;
        window.Answers = {TReplaceAnswer::Yes, TReplaceAnswer::CancelAll};
        WhenModal(&window.ExpertDialog, [&window] { window.ExpertDialog.OKClick(); });
        QVERIFY(window.Command().ReplaceClick());
        QCOMPARE(window.ReportLines(), QStringList({
                                           "file <dir>/files/a.txt",
                                           "  1 changes made",
                                           "  Changes have been saved in <dir>/files/a.txt.new",
                                           "file <dir>/files/b.txt",
                                           "  Replace cancelled by user",
                                       }));
        QCOMPARE(window.Names(), QStringList({"a.txt", "a.txt.new", "b.txt", "c.txt"}));
        QVERIFY(!window.Log.contains(QStringLiteral("status Replacing in <dir>/files/c.txt")));
        QCOMPARE(window.Log.last(), QStringLiteral("status Replace complete."));
    }

    void anEmptyListGivesAnEmptyReport()
    {
        Window window;
        WhenModal(&window.ExpertDialog, [&window] { window.ExpertDialog.OKClick(); });
        QVERIFY(window.Command().ReplaceClick());
        QCOMPARE(window.ReportLines(), QStringList());
        QCOMPARE(window.Log.last(), QStringLiteral("status Replace complete."));
    }

    void withoutAReportDocumentNothingIsChanged()
    {
        Window window;
        window.Write(QStringLiteral("a.txt"), "hit\n");
        window.RunSearch();
        window.Options.Overwrite = 1;
        window.Report.TempFolder = (window.Dir.path() + QStringLiteral("/no such folder")).toStdString();
        WhenModal(&window.ExpertDialog, [&window] { window.ExpertDialog.OKClick(); });
        QVERIFY(window.Command().ReplaceClick());
        QCOMPARE(window.Log, QStringList({
                                 "caption Replace results",
                                 "status Replace in progress. Please wait...",
                                 "update commands",
                                 "status ",
                                 "info Replace Error / An error has occured: / The replace report could not be created "
                                 "in the temporary folder, so no file has been changed.",
                             }));
        QCOMPARE(window.Read(QStringLiteral("a.txt")), QByteArray("hit\n"));
        QCOMPARE(window.Names(), QStringList({"a.txt"}));
    }

    void aReportThatCannotBeWrittenEndsTheRunAndTheUserIsTold_data()
    {
        QTest::addColumn<bool>("fullFromTheStart");  // else from the question about b.txt on
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("a");
        QTest::addRow("before the first file")
            << true
            << QStringLiteral("The replace report could not be written in the temporary folder, so the replace has "
                              "been stopped: <dir>/files/a.txt and the files after it have not been changed.")
            << QByteArray("hit\n");
        QTest::addRow("after a file was replaced")
            << false
            << QStringLiteral("The replace report could not be written in the temporary folder, so the replace has "
                              "been stopped after the replace in <dir>/files/b.txt, which the report does not show. "
                              "The files after it have not been changed.")
            << QByteArray("HIT!\n");
    }

    void aReportThatCannotBeWrittenEndsTheRunAndTheUserIsTold()
    {
        QFETCH(bool, fullFromTheStart);
        QFETCH(QString, message);
        QFETCH(QByteArray, a);
        Window window;
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            window.Write(QString::fromLatin1(name), "hit\n");
        window.RunSearch();
        window.Options.Overwrite = 1;
        window.Options.Confirmation = 1;
        window.Options.ReplaceString = "HIT!";
        window.Answers = {TReplaceAnswer::Yes, TReplaceAnswer::Yes, TReplaceAnswer::Yes};
        // Only the report grows past the limit: the files replaced are far smaller.
        std::optional<FileSizeLimit> limit;
        if (fullFromTheStart)
            limit.emplace(1);
        const auto answer = window.Callbacks.Confirm;
        window.Callbacks.Confirm = [&](const TReplaceQuestion& question) {
            struct stat report {};
            if (!limit && question.FullPath.ends_with("b.txt") &&
                ::stat(window.Report.DocumentFileName().c_str(), &report) == 0)
                limit.emplace(static_cast<rlim_t>(report.st_size));
            return answer(question);
        };
        WhenModal(&window.ExpertDialog, [&window] { window.ExpertDialog.OKClick(); });
        QVERIFY(window.Command().ReplaceClick());
        limit.reset();

        QCOMPARE(window.Log.mid(window.Log.size() - 4),
                 QStringList({"update commands", "pane 0", "status ",
                              "info Replace Error / An error has occured: / " + message}));
        QVERIFY(!window.Log.contains(QStringLiteral("status Replacing in <dir>/files/c.txt")));
        QCOMPARE(window.Read(QStringLiteral("a.txt")), a);
        QCOMPARE(window.Read(QStringLiteral("c.txt")), QByteArray("hit\n"));
    }

    void everyRunIsJournaledOrNotMadeAtAll_data()
    {
        QTest::addColumn<bool>("journalFails");
        QTest::newRow("recorded") << false;
        QTest::newRow("the journal cannot take the run") << true;
    }

    void everyRunIsJournaledOrNotMadeAtAll()
    {
        QFETCH(bool, journalFails);
        Window window;
        TReplaceJournal journal((window.Dir.path() + QStringLiteral("/journal")).toStdString());
        QVERIFY(journal.Open());
        journal.SetWriteFault([journalFails](TReplaceJournal::TWriteStep) { return journalFails; });
        window.Journal = &journal;
        window.Write(QStringLiteral("a.txt"), "a hit, \"hit\"\n");
        window.RunSearch();
        window.Options.Overwrite = 1;
        window.Options.ReplaceString = "x,\"y\"";
        WhenModal(&window.ExpertDialog, [&window] { window.ExpertDialog.OKClick(); });
        QVERIFY(window.Command().ReplaceClick());

        std::string csv;
        QCOMPARE(window.Command().LastRunCsv(csv), !journalFails);
        if (journalFails) {
            QCOMPARE(window.Read(QStringLiteral("a.txt")), QByteArray("a hit, \"hit\"\n"));
            QCOMPARE(window.Names(), QStringList({"a.txt"}));
            QVERIFY(journal.Runs().empty());
            QCOMPARE(window.Log.mid(window.Log.size() - 2),
                     QStringList({"status ", "info Replace Error / An error has occured: / The replace journal could "
                                             "not record the replace, so no file has been changed. The report says "
                                             "why."}));
            QVERIFY(window.ReportLines().join(QLatin1Char('\n')).contains(QStringLiteral("journal")));
            return;
        }
        QCOMPARE(window.Read(QStringLiteral("a.txt")), QByteArray("a x,\"y\", \"x,\"y\"\"\n"));
        QCOMPARE(window.Log.last(), QStringLiteral("status Replace complete."));
        QCOMPARE(journal.Runs().size(), std::size_t{1});
        QCOMPARE(window.Command().LastRun(), journal.Runs().front().Run);
        const std::string path = (window.Dir.path() + QStringLiteral("/files/a.txt")).toStdString();
        // A comma or a quote inside a text stays inside its field.
        QCOMPARE(QString::fromStdString(csv),
                 QString::fromStdString("File,Line,Column,Old text,New text\n\"" + path + "\",1,3,\"hit\",\"x,\"\"y\"\"\"\n\"" +
                                        path + "\",1,9,\"hit\",\"x,\"\"y\"\"\"\n"));
    }

    void isAvailableOnlyForAnIdleWindowWithResultsOfANormalSearch()
    {
        Window window;
        window.Write(QStringLiteral("a.txt"), "hit\n");
        QVERIFY(!TReplaceCommand::IsAvailable(window.Program, window.Files, window.Search));
        window.RunSearch();
        QVERIFY(TReplaceCommand::IsAvailable(window.Program, window.Files, window.Search));
        window.Program.BusyState = TProgramData::Searching;
        QVERIFY(!TReplaceCommand::IsAvailable(window.Program, window.Files, window.Search));
        window.Program.BusyState = TProgramData::Idle;
        window.Search.Invert = true;
        QVERIFY(!TReplaceCommand::IsAvailable(window.Program, window.Files, window.Search));
    }
};

QTEST_MAIN(ReplaceCommandTest)
#include "ReplaceCommandTest.moc"
