// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>

#include <filesystem>

#include "platform/THelpWindow.h"

#include "TDialogTestSupport.h"

namespace {

QString HelpFolder()
{
    return ResourcesPath(QStringLiteral("help"));
}

std::string HelpFolderBytes()
{
    return QFile::encodeName(HelpFolder()).toStdString();
}

QString Shown()
{
    THelpWindow* window = THelpWindow::Instance();
    return window ? QDir(HelpFolder()).relativeFilePath(window->Source().toLocalFile()) : QString();
}

} // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT

private slots:
    // Runs first: before any page has been shown there is no window.
    void missingPageShowsNothing()
    {
        THelpWindow::ShowTopic(HelpFolderBytes(), "html/no-such-page.htm");
        QVERIFY(!THelpWindow::Instance());
        THelpWindow::ShowTopic("/no/such/folder");
        QVERIFY(!THelpWindow::Instance());

        THelpWindow::ShowTopic(HelpFolderBytes(), "html/search-dialog.htm");
        QCOMPARE(Shown(), QStringLiteral("html/search-dialog.htm"));
        THelpWindow::ShowTopic(HelpFolderBytes(), "html/no-such-page.htm");
        QCOMPARE(Shown(), QStringLiteral("html/search-dialog.htm"));
    }

    // A folder name that is not valid UTF-8 survives no QString or URL; the pages still show.
    void helpFolderNamedInAnyBytesShows()
    {
        QTemporaryDir dir;
        const std::string folder = QFile::encodeName(dir.path()).toStdString() + "/\xff\xfe";
        QVERIFY(std::filesystem::create_directory(folder));
        std::filesystem::copy(HelpFolderBytes(), folder, std::filesystem::copy_options::recursive);
        // Another page first: the one window keeps showing it when a request finds no page.
        THelpWindow::ShowTopic(HelpFolderBytes(), "html/repl-dialog.htm");
        THelpWindow::ShowTopic(folder, "html/search-dialog.htm");
        THelpWindow* window = THelpWindow::Instance();
        QVERIFY(window);
        const QString folderText = QFile::decodeName(QByteArray::fromStdString(folder));
        QCOMPARE(window->Source().toLocalFile(), folderText + "/html/search-dialog.htm");
        const QString shown = window->Browser()->toPlainText();
        QVERIFY2(shown.contains(QStringLiteral("Search Criteria")), qPrintable(shown.left(200)));
        window->GoHome();
        QCOMPARE(window->Source().toLocalFile(), folderText + "/index.htm");
        QVERIFY(window->Browser()->toPlainText().contains(QStringLiteral("Quarnel Help")));
    }

    void everyTopicTheProgramOpensExists_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("page");
        QTest::newRow("default page") << "" << "index.htm";
        for (const char* topic : {"html/search-dialog.htm", "html/repl-dialog.htm", "html/config-editor.htm",
                                  "html/search-syntax.htm", "html/search-assistant.htm", "html/replace-history.htm"})
            QTest::newRow(topic) << topic << topic;
    }

    void everyTopicTheProgramOpensExists()
    {
        QFETCH(QString, topic);
        QFETCH(QString, page);
        THelpWindow::ShowTopic(HelpFolderBytes(), topic.toStdString());
        QCOMPARE(Shown(), page);
        THelpWindow* window = THelpWindow::Instance();
        QVERIFY(window->isVisible());
        QVERIFY(!window->Browser()->document()->isEmpty());
        QVERIFY(window->windowTitle().endsWith(QStringLiteral("Quarnel Help")));
    }

    void oneWindowServesEveryRequest()
    {
        THelpWindow::ShowTopic(HelpFolderBytes(), "html/repl-dialog.htm");
        THelpWindow* first = THelpWindow::Instance();
        THelpWindow::ShowTopic(HelpFolderBytes(), "html/config-editor.htm");
        QCOMPARE(THelpWindow::Instance(), first);
        QCOMPARE(first->findChildren<QTextBrowser*>().size(), qsizetype(1));
    }

    void anchorOfATopicIsKept()
    {
        THelpWindow::ShowTopic(HelpFolderBytes(), "html/search-syntax.htm#regex");
        QCOMPARE(Shown(), QStringLiteral("html/search-syntax.htm"));
        QCOMPARE(THelpWindow::Instance()->Source().fragment(), QStringLiteral("regex"));
    }

    void backForwardAndHome()
    {
        THelpWindow::ShowTopic(HelpFolderBytes(), "html/repl-dialog.htm");
        THelpWindow::ShowTopic(HelpFolderBytes(), "html/config-editor.htm");
        QTextBrowser* browser = THelpWindow::Instance()->Browser();
        QVERIFY(browser->isBackwardAvailable());
        browser->backward();
        QCOMPARE(Shown(), QStringLiteral("html/repl-dialog.htm"));
        browser->forward();
        QCOMPARE(Shown(), QStringLiteral("html/config-editor.htm"));
        THelpWindow::Instance()->GoHome();
        QCOMPARE(Shown(), QStringLiteral("index.htm"));
    }

    void everyLinkOfThePagesLeadsSomewhere()
    {
        // Links between the pages, and the anchors they name, must exist.
        const QRegularExpression link(QStringLiteral("href=\"([^\"]*)\""));
        QDirIterator pages(HelpFolder(), {QStringLiteral("*.htm")}, QDir::Files, QDirIterator::Subdirectories);
        int checked = 0;
        while (pages.hasNext()) {
            const QString path = pages.next();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            for (const QRegularExpressionMatch& match : link.globalMatch(text)) {
                const QString target = match.captured(1);
                if (target.contains(QLatin1Char(':')))
                    continue; // a link outside the help
                const qsizetype hash = target.indexOf(QLatin1Char('#'));
                const QString file = hash < 0 ? target : target.left(hash);
                const QString targetPath = file.isEmpty() ? path : QFileInfo(path).dir().absoluteFilePath(file);
                QVERIFY2(QFileInfo(targetPath).isFile(), qPrintable(path + QStringLiteral(": ") + target));
                if (hash >= 0) {
                    QFile linked(targetPath);
                    QVERIFY(linked.open(QIODevice::ReadOnly));
                    const QString anchor = QStringLiteral("name=\"%1\"").arg(target.mid(hash + 1));
                    QVERIFY2(QString::fromUtf8(linked.readAll()).contains(anchor), qPrintable(path + QStringLiteral(": ") + target));
                }
                ++checked;
            }
        }
        QVERIFY(checked > 0);
    }

    void rendersThePages()
    {
        // Set QUARNEL_SCREENSHOT_DIR to look at the pages as a person would.
        if (ScreenshotFolder().isEmpty())
            QSKIP("QUARNEL_SCREENSHOT_DIR not set");
        for (const char* topic : {"index.htm", "html/search-dialog.htm", "html/search-syntax.htm", "html/repl-dialog.htm",
                                  "html/config-editor.htm", "html/search-assistant.htm", "html/replace-history.htm"}) {
            THelpWindow::ShowTopic(HelpFolderBytes(), topic);
            QVERIFY(QTest::qWaitForWindowExposed(THelpWindow::Instance()));
            QString name = QString::fromLatin1(topic);
            name.replace(QLatin1Char('/'), QLatin1Char('-'));
            QVERIFY(Snapshot(*THelpWindow::Instance(), QStringLiteral("help-") + name));
        }
    }
};

QTEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
