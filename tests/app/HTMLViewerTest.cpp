// SPDX-License-Identifier: MIT
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QtTest>

#include <sys/stat.h>

#include <memory>
#include <string>

#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TShellInfo.h"
#include "model/TTextDecoder.h"
#include "pane/THTMLViewer.h"
#include "presentation/TFileSectionWriter.h"
#include "presentation/THTMLWin.h"

namespace {

// The folder of the shipped style sheet, beside the tests' data in the source tree.
QString ResourcesFolder()
{
    return QDir(qEnvironmentVariable("QUARNEL_TEST_DATA") + QStringLiteral("/../../resources")).canonicalPath();
}

QString Decoded(const QByteArray& bytes)
{
    return QString::fromStdString(TTextDecoder::ToUtf8(std::string_view(bytes.constData(), bytes.size())));
}

// Results documents written by the real writer from files made in a temporary folder, loaded
// into a pane through the writer's viewer interface.
class Documents {
public:
    explicit Documents(const QString& styleFolder = ResourcesFolder())
        : Html(&Viewer, QFile::encodeName(styleFolder).toStdString())
    {
        Html.TempFolder = QFile::encodeName(Dir.path()).toStdString();
        Viewer.resize(800, 400);
    }

    QString Path(const QString& relative) const { return Dir.filePath(relative); }

    // A file at `relative` holding `content`, with a match on every occurrence of `word`.
    std::unique_ptr<TFileData> File(const QString& relative, const QByteArray& content, const QByteArray& word)
    {
        const QString path = Path(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        file.close();
        auto record = std::make_unique<TFileData>(QFile::encodeName(QFileInfo(path).absolutePath()).toStdString(),
                                                  QFile::encodeName(QFileInfo(path).fileName()).toStdString(), Shell);
        const QList<QByteArray> lines = content.split('\n');
        for (int n = 0; n < lines.size(); ++n)
            for (qsizetype at = lines[n].indexOf(word); at >= 0 && !word.isEmpty(); at = lines[n].indexOf(word, at + 1))
                record->Matches.emplace_back(n + 1, static_cast<int32_t>(lines[n].size()), static_cast<int32_t>(at + 1),
                                             static_cast<int32_t>(at + 1 + word.size()));
        return record;
    }

    // The matches of all `files`, as the all-files view shows them.
    void AllMatches(std::vector<std::unique_ptr<TFileData>> files, int window = 0)
    {
        TFileList list;
        for (auto& file : files)
            list.Add(std::move(file));
        TFileSectionWriter writer(Html);
        writer.WriteAllMatches(list, "Searched for \"needle\"", window);
    }

    // One file whole, as the single-file view shows it.
    void WholeFile(const TFileData& file)
    {
        TFileSectionWriter writer(Html);
        Html.BeginDocument();
        Html.WriteTitle("Quarnel Search Results", "", 0);
        writer.Write(file, true, 0);
        Html.FinishDocument();
    }

    // A file of `count` lines "line n", with a match on the lines in `hits`.
    std::unique_ptr<TFileData> Lines(int count, const QList<int>& hits)
    {
        QByteArray content;
        for (int n = 1; n <= count; ++n)
            content += (hits.contains(n) ? "line needle " : "line ") + QByteArray::number(n) + '\n';
        return File(QStringLiteral("lines.txt"), content, "needle");
    }

    bool Show()
    {
        Viewer.show();
        return QTest::qWaitForWindowExposed(&Viewer);
    }

    QTemporaryDir Dir;
    TNullShellInfo Shell;
    THTMLViewer Viewer;
    THTMLWin Html;
};

// A document of the files whose links the link tests click: the paths hold the characters that
// a URL would change or that the writer escapes.
void WriteLinkDocument(Documents& documents)
{
    std::vector<std::unique_ptr<TFileData>> files;
    files.push_back(documents.File(QStringLiteral("a b/c d.txt"), "x\nfind blankword here\n", "blankword"));
    files.push_back(documents.File(QStringLiteral("c#1/e#f.txt"), "hashword\n", "hashword"));
    files.push_back(documents.File(QStringLiteral("p%20q/r%41.txt"), "one percentword\n", "percentword"));
    files.push_back(documents.File(QStringLiteral("s&t/u&v|w.txt"), "ampword\n", "ampword"));
    files.push_back(documents.File(QStringLiteral("say \"hi\"/<x>.txt"), "quoteword\n", "quoteword"));
    files.push_back(documents.File(QStringLiteral("caf\u00e9/\u00fc.txt"), "utfword\n", "utfword"));
    documents.AllMatches(std::move(files));
}

// The text of each page of a PDF file, or nothing when it cannot be read.
QStringList PdfPages(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Every visible character of a document with what the person sees of its format.
QStringList CharactersAndFormats(const QTextDocument& document)
{
    QStringList result;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat f = fragment.charFormat();
            const QString look = QStringLiteral("fg=%1 bg=%2 weight=%3 italic=%4 underline=%5 font=%6/%7 href=%8")
                                     .arg(f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : QString(),
                                          f.hasProperty(QTextFormat::BackgroundBrush) ? f.background().color().name() : QString(),
                                          QString::number(f.fontWeight()), QString::number(f.fontItalic()),
                                          QString::number(f.fontUnderline()),
                                          f.fontFamilies().toStringList().join(u','),
                                          QString::number(f.fontPointSize()), f.anchorHref());
            for (const QChar c : fragment.text())
                if (!c.isSpace())
                    result.append(c + QStringLiteral("  ") + look);
        }
    }
    return result;
}

} // namespace

class HTMLViewerTest : public QObject {
    Q_OBJECT

private slots:
    // A temporary folder whose name is not valid UTF-8 cannot pass through a QString unchanged.
    void loadsADocumentFromAFolderNamedInAnyBytes()
    {
        Documents documents;
        const std::string folder = QFile::encodeName(documents.Dir.path()).toStdString() + "/\xff\xfe";
        QCOMPARE(::mkdir(folder.c_str(), 0700), 0);
        documents.Html.TempFolder = folder;
        documents.WholeFile(*documents.Lines(6, {5}));
        QVERIFY(documents.Viewer.HasDocument());
        QVERIFY(documents.Viewer.toPlainText().contains(QStringLiteral("line needle 5")));
        QVERIFY(documents.Viewer.ScrollToAnchor(QStringLiteral("Line00005:")));
    }

    void linkClickReportsExactText_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("expected");  // %DIR% stands for the temporary folder
        QTest::newRow("path with blanks") << "blankword" << "" << "openfile?%DIR%/a b/c d.txt&2|6";
        QTest::newRow("path with #") << "hashword" << "" << "openfile?%DIR%/c#1/e#f.txt&1|1";
        QTest::newRow("path with %20") << "percentword" << "" << "openfile?%DIR%/p%20q/r%41.txt&1|5";
        QTest::newRow("path with & and |") << "ampword" << "" << "openfile?%DIR%/s&t/u&v|w.txt&1|1";
        QTest::newRow("path with quotes and <>") << "quoteword" << "" << "openfile?%DIR%/say \"hi\"/<x>.txt&1|1";
        QTest::newRow("path with UTF-8") << "utfword" << "" << QString::fromUtf8("openfile?%DIR%/caf\u00e9/\u00fc.txt&1|1");
        QTest::newRow("toolbar Plain") << "Plain" << "" << "TogglePlain";
        QTest::newRow("toolbar Whole line") << "Whole line" << "" << "ToggleMatchesOnly";
        QTest::newRow("toolbar match window 3") << "3" << "Match window" << "SMW3";
    }

    // The pane reports the link's text as the document means it, and follows no link.
    void linkClickReportsExactText()
    {
        QFETCH(QString, label);
        QFETCH(QString, after);
        QFETCH(QString, expected);
        Documents documents;
        WriteLinkDocument(documents);
        expected.replace(QStringLiteral("%DIR%"), documents.Dir.path());
        THTMLViewer& viewer = documents.Viewer;
        QVERIFY(documents.Show());
        const QString shown = viewer.toPlainText();
        const QString file = viewer.DocumentFileName();

        const QTextCursor from = after.isEmpty() ? QTextCursor(viewer.document()) : viewer.document()->find(after);
        const QTextCursor found = viewer.document()->find(label, from, QTextDocument::FindCaseSensitively);
        QVERIFY2(!found.isNull(), qPrintable(label));
        QTextCursor start(viewer.document()), end(viewer.document());
        start.setPosition(found.selectionStart());
        end.setPosition(found.selectionEnd());
        viewer.setTextCursor(end);
        viewer.ensureCursorVisible();
        const QPoint middle = (viewer.cursorRect(start).center() + viewer.cursorRect(end).center()) / 2;

        QSignalSpy clicked(&viewer, &THTMLViewer::linkClicked);
        std::vector<TLinkAction> actions;
        connect(&viewer, &THTMLViewer::actionClicked, &viewer, [&](const TLinkAction& action) { actions.push_back(action); });
        QTest::mouseClick(viewer.viewport(), Qt::LeftButton, {}, middle);
        QTRY_COMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toString(), expected);
        // The same click as what it asks of the window.
        QCOMPARE(actions.size(), std::size_t(1));
        const QByteArray link = expected.toUtf8();
        const TLinkAction wanted = TLinkAction::Parse(std::string_view(link.constData(), static_cast<std::size_t>(link.size())));
        QVERIFY(wanted.Kind != TLinkAction::TKind::None);
        QVERIFY(actions.front().Kind == wanted.Kind);
        QVERIFY(actions.front().Target == wanted.Target);
        QCOMPARE(actions.front().MatchWindow, wanted.MatchWindow);
        QCOMPARE(viewer.DocumentFileName(), file);
        QCOMPARE(viewer.toPlainText(), shown);
        QVERIFY(viewer.source().isEmpty());
    }

    void keyboardActivationReportsExactText_data() { linkClickReportsExactText_data(); }

    // Tab moves from link to link; Enter on a link reports the same text as a click.
    void keyboardActivationReportsExactText()
    {
        QFETCH(QString, label);
        QFETCH(QString, expected);
        Documents documents;
        WriteLinkDocument(documents);
        expected.replace(QStringLiteral("%DIR%"), documents.Dir.path());
        THTMLViewer& viewer = documents.Viewer;
        QVERIFY(documents.Show());
        viewer.setFocus();
        for (int i = 0; i < 100 && viewer.textCursor().selectedText() != label; ++i)
            QTest::keyClick(&viewer, Qt::Key_Tab);
        QCOMPARE(viewer.textCursor().selectedText(), label);

        QSignalSpy clicked(&viewer, &THTMLViewer::linkClicked);
        QTest::keyClick(&viewer, Qt::Key_Return);
        QTRY_COMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toString(), expected);
    }

    // The window answers a toolbar click by writing and loading a new document at once.
    void receiverMayLoadNewDocumentOnClick()
    {
        Documents documents;
        WriteLinkDocument(documents);
        THTMLViewer& viewer = documents.Viewer;
        QVERIFY(documents.Show());
        int loads = 0;
        connect(&viewer, &THTMLViewer::linkClicked, &viewer, [&] {
            documents.WholeFile(*documents.Lines(30, {12}));
            ++loads;
        });
        const QTextCursor plain = viewer.document()->find(QStringLiteral("Plain"));
        QTextCursor inside(viewer.document());
        inside.setPosition(plain.selectionStart() + 2);
        QTest::mouseClick(viewer.viewport(), Qt::LeftButton, {}, viewer.cursorRect(inside).center());
        QTRY_COMPARE(loads, 1);
        QVERIFY(viewer.toPlainText().contains(QStringLiteral("00012: line needle 12")));
        QVERIFY(viewer.ScrollToAnchor(QStringLiteral("Line00012:")));
        QTest::mouseClick(viewer.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        viewer.viewport()->grab();
    }

    void clickOutsideLinksReportsNothing()
    {
        Documents documents;
        WriteLinkDocument(documents);
        QVERIFY(documents.Show());
        QSignalSpy clicked(&documents.Viewer, &THTMLViewer::linkClicked);
        QTest::mouseClick(documents.Viewer.viewport(), Qt::LeftButton, {}, QPoint(790, 390));
        QTest::qWait(50);
        QCOMPARE(clicked.count(), 0);
    }

    void scrollsToLineAnchor_data()
    {
        QTest::addColumn<QString>("anchor");
        QTest::addColumn<int>("line");  // the line at the top afterwards; 0: no such anchor
        QTest::newRow("line near the start") << "Line00005:" << 5;
        QTest::newRow("line further down") << "Line00250:" << 250;
        QTest::newRow("as a link target with #") << "#Line00250:" << 250;
        QTest::newRow("a line without a hit has no anchor") << "Line00006:" << 0;
        QTest::newRow("beyond the file") << "Line00999:" << 0;
        QTest::newRow("without the colon") << "Line00005" << 0;
    }

    void scrollsToLineAnchor()
    {
        QFETCH(QString, anchor);
        QFETCH(int, line);
        Documents documents;
        documents.WholeFile(*documents.Lines(400, {5, 250, 260}));
        THTMLViewer& viewer = documents.Viewer;
        QVERIFY(documents.Show());
        viewer.verticalScrollBar()->setValue(100);

        QCOMPARE(viewer.ScrollToAnchor(anchor), line > 0);
        if (line == 0) {
            QCOMPARE(viewer.verticalScrollBar()->value(), 100);
            return;
        }
        const QTextCursor target = viewer.document()->find(QStringLiteral("%1: line needle").arg(line, 5, 10, QChar(u'0')));
        QVERIFY(!target.isNull());
        const QRect top = viewer.cursorRect(target);
        QVERIFY2(top.top() >= 0 && top.top() < 6, qPrintable(QString::number(top.top())));
    }

    // Before the pane is shown it cannot be laid out; the scroll is made when it is.
    void scrollBeforeShowingIsMadeWhenShown()
    {
        Documents documents;
        documents.WholeFile(*documents.Lines(400, {250}));
        THTMLViewer& viewer = documents.Viewer;
        QVERIFY(viewer.ScrollToAnchor(QStringLiteral("Line00250:")));
        QVERIFY(documents.Show());
        const QTextCursor target = viewer.document()->find(QStringLiteral("00250: line needle"));
        QTRY_VERIFY(viewer.cursorRect(target).top() >= 0 && viewer.cursorRect(target).top() < 6);
    }

    void loadReplacesDocumentAndClearEmptiesPane()
    {
        Documents documents;
        documents.WholeFile(*documents.Lines(20, {5}));
        THTMLViewer& viewer = documents.Viewer;
        const QString first = viewer.DocumentFileName();
        QVERIFY(viewer.HasDocument());
        QVERIFY(viewer.ScrollToAnchor(QStringLiteral("Line00005:")));

        documents.WholeFile(*documents.Lines(20, {7}));
        QVERIFY(viewer.HasDocument());
        QVERIFY(!viewer.ScrollToAnchor(QStringLiteral("Line00005:")));
        QVERIFY(viewer.ScrollToAnchor(QStringLiteral("Line00007:")));

        viewer.Clear();
        QVERIFY(!viewer.HasDocument());
        QVERIFY(viewer.DocumentFileName().isEmpty());
        QVERIFY(viewer.toPlainText().isEmpty());
        QVERIFY(!viewer.ScrollToAnchor(QStringLiteral("Line00007:")));
        QVERIFY(!first.isEmpty());
    }

    void decodesEachByteSequence_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("UTF-8") << 1 << QStringLiteral("na\u00efve caf\u00e9 \u2615");
        QTest::newRow("Windows-1252") << 2 << QStringLiteral("r\u00e9sum\u00e9 \u20ac 10 \u201cq\u201d");
        QTest::newRow("UTF-8 lead byte without its follower") << 3 << QStringLiteral("\u00c3(");
        QTest::newRow("four-byte UTF-8") << 4 << QString::fromUtf8("\xf0\x9f\x98\x80 ok");
        QTest::newRow("overlong form") << 5 << QStringLiteral("\u00c0\u00af");
        // Characters that are structure to a text document would split the line or start a table.
        QTest::newRow("paragraph and table separators") << 6 << QStringLiteral("a\ufffdb\ufffdc\ufffdd");
        QTest::newRow("NUL byte") << 7 << QStringLiteral("a\ufffdb");
    }

    // One document holds lines of both kinds: each byte sequence is decoded on its own.
    void decodesEachByteSequence()
    {
        QFETCH(int, line);
        QFETCH(QString, expected);
        Documents documents;
        documents.WholeFile(*documents.File(QStringLiteral("mixed.txt"),
                                            "na\xc3\xafve caf\xc3\xa9 \xe2\x98\x95\n"
                                            "r\xe9sum\xe9 \x80 10 \x93q\x94\n"
                                            "\xc3(\n"
                                            "\xf0\x9f\x98\x80 ok\n"
                                            "\xc0\xaf\n"
                                            "a\xe2\x80\xa9" "b\xef\xb7\x90" "c\xe2\x80\xa8" "d\n"
                                            "a" + QByteArray(1, '\0') + "b\n",
                                            ""));
        const QStringList lines = documents.Viewer.toPlainText().split(u'\n');
        QVERIFY2(lines.contains(QStringLiteral("%1: ").arg(line, 5, 10, QChar(u'0')) + expected),
                 qPrintable(documents.Viewer.toPlainText()));
    }

    void selectAllGivesPlainTextAndCopies()
    {
        Documents documents;
        std::vector<std::unique_ptr<TFileData>> files;
        files.push_back(documents.File(QStringLiteral("f.txt"), "first needle\nsecond\nthird needle\n", "needle"));
        documents.AllMatches(std::move(files), 1);
        THTMLViewer& viewer = documents.Viewer;
        QCOMPARE(viewer.SelectionLength(), 0);
        QVERIFY(viewer.SelectedText().isEmpty());

        viewer.SelectAll();
        const QString text = viewer.SelectedText();
        QCOMPARE(viewer.SelectionLength(), viewer.document()->characterCount() - 1);
        for (const QString& line : {QStringLiteral("Quarnel Search Results"), QStringLiteral("00001: first needle"),
                                    QStringLiteral("00002: second"), QStringLiteral("00003: third needle")})
            QVERIFY2(text.split(u'\n').contains(line), qPrintable(text));
        for (const QChar separator : {QChar(QChar::ParagraphSeparator), QChar(QChar::LineSeparator),
                                      QChar(QChar::Nbsp), QChar(0xFDD0), QChar(0xFDD1)})
            QVERIFY(!text.contains(separator));

        viewer.CopyToClipboard();
        QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("00003: third needle")));

        viewer.ClearSelection();
        QCOMPARE(viewer.SelectionLength(), 0);
        QVERIFY(viewer.SelectedText().isEmpty());
    }

    void printsPageRange_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("first");  // first page printed, 1-based; 0: nothing printed
        QTest::addColumn<int>("last");
        QTest::newRow("the whole document, as the window asks") << 1 << 9999 << 1 << -1;
        QTest::newRow("second and third page") << 2 << 3 << 2 << 3;
        QTest::newRow("one page") << 3 << 3 << 3 << 3;
        QTest::newRow("reversed range") << 3 << 2 << 0 << 0;
    }

    void printsPageRange()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, first);
        QFETCH(int, last);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is needed to read the printout back");
        Documents documents;
        documents.WholeFile(*documents.Lines(300, {10, 200}));

        const auto print = [&](const QString& name, int fromPage, int toPage) {
            QPrinter printer;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(documents.Path(name));
            documents.Viewer.Print(&printer, fromPage, toPage);
            return documents.Path(name);
        };
        // The reference: the whole document as Qt prints it.
        QPrinter reference;
        reference.setOutputFormat(QPrinter::PdfFormat);
        reference.setOutputFileName(documents.Path(QStringLiteral("all.pdf")));
        documents.Viewer.document()->print(&reference);
        const QStringList all = PdfPages(documents.Path(QStringLiteral("all.pdf")));
        QVERIFY2(all.size() >= 4, qPrintable(QString::number(all.size())));
        QVERIFY(all.first().contains(QStringLiteral("00001: line 1")));

        const QString range = print(QStringLiteral("range.pdf"), from, to);
        if (first == 0) {
            QVERIFY(!QFile::exists(range));
            return;
        }
        if (last < 0)
            last = static_cast<int>(all.size());
        QCOMPARE(PdfPages(range), all.mid(first - 1, last - first + 1));
    }

    // The pane shows what Qt's own HTML rendering of the document with its style sheet shows:
    // the same characters with the same colours, fonts and links.
    void rendersLikeQtRichText_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<bool>("wholeFile");
        QTest::newRow("all matches") << "" << false;
        QTest::newRow("whole file with line anchors") << "" << true;
        QTest::newRow("plain") << "plain" << false;
        QTest::newRow("fixed font") << "fixed" << false;
        QTest::newRow("matches only") << "matchesonly" << false;
        QTest::newRow("word wrap without line numbers") << "wrap" << false;
    }

    void rendersLikeQtRichText()
    {
        QFETCH(QString, options);
        QFETCH(bool, wholeFile);
        QFile css(ResourcesFolder() + QStringLiteral("/style.css"));
        QVERIFY2(css.open(QIODevice::ReadOnly), qPrintable(css.fileName()));
        Documents documents;
        THTMLOptions& o = documents.Html.Options;
        o.FancyOutput = options != u"plain";
        o.FixedFont = options == u"fixed";
        o.MatchesOnly = options == u"matchesonly";
        o.WordWrap = options == u"wrap";
        o.LineNumbers = options != u"wrap";
        std::vector<std::unique_ptr<TFileData>> files;
        files.push_back(documents.File(QStringLiteral("src/parser.cpp"),
                                       "#include \"parser.h\"\n\nint Parser::limit() const\n{\n    return max_limit;\n}\n"
                                       "\nvoid Parser::reset()\n{\n    if (count < limit() && limit()) grow();\n}\n",
                                       "limit"));
        files.push_back(documents.File(QStringLiteral("notes caf\u00e9.txt"),
                                       "The limit is 30 km/h.\nCaf\xe9 r\xe9sum\xe9: limit \x80 5 & <b>\n", "limit"));
        if (wholeFile)
            documents.WholeFile(*files.front());
        else
            documents.AllMatches(std::move(files), 1);

        QFile written(documents.Viewer.DocumentFileName());
        QVERIFY(written.open(QIODevice::ReadOnly));
        QTextDocument qt;
        qt.setDefaultFont(documents.Viewer.font());
        qt.setDefaultStyleSheet(QString::fromUtf8(css.readAll()));
        qt.setHtml(Decoded(written.readAll()));
        QCOMPARE(CharactersAndFormats(*documents.Viewer.document()), CharactersAndFormats(qt));

        // Set QUARNEL_SCREENSHOT_DIR to look at the pane as a person would.
        if (const QString dir = qEnvironmentVariable("QUARNEL_SCREENSHOT_DIR"); !dir.isEmpty() && options.isEmpty()) {
            documents.Viewer.resize(760, 420);
            QVERIFY(documents.Show());
            QVERIFY(documents.Viewer.grab().save(dir + (wholeFile ? QStringLiteral("/pane-file.png") : QStringLiteral("/pane.png"))));
        }
    }

    // The pane reads the style sheet that the document links, and works without one.
    void appliesTheLinkedStyleSheet()
    {
        QTemporaryDir styleFolder;
        Documents documents(styleFolder.path());
        std::vector<std::unique_ptr<TFileData>> files;
        files.push_back(documents.File(QStringLiteral("f.txt"), "a needle here\n", "needle"));
        // The format of `text` in the file's line.
        const auto formatOf = [&](const QString& text) {
            const QTextDocument& document = *documents.Viewer.document();
            return document.find(text, document.find(QStringLiteral("00001:"), 0)).charFormat();
        };

        documents.AllMatches(std::move(files));
        QVERIFY(!formatOf(QStringLiteral("needle")).hasProperty(QTextFormat::BackgroundBrush));

        QFile css(styleFolder.filePath(QStringLiteral("style.css")));
        QVERIFY(css.open(QIODevice::WriteOnly));
        css.write(".match { background-color: #123456; color: #fedcba }\n"
                  ".number { color: #00ff00 }\n"
                  "td.fileheader { background-color: #654321 }\n");
        css.close();
        std::vector<std::unique_ptr<TFileData>> again;
        again.push_back(documents.File(QStringLiteral("f.txt"), "a needle here\n", "needle"));
        documents.AllMatches(std::move(again));
        QCOMPARE(formatOf(QStringLiteral("needle")).background().color(), QColor(0x12, 0x34, 0x56));
        QCOMPARE(formatOf(QStringLiteral("needle")).foreground().color(), QColor(0xfe, 0xdc, 0xba));
        QCOMPARE(documents.Viewer.document()->find(QStringLiteral("00001:")).charFormat().foreground().color(),
                 QColor(0, 0xff, 0));
        const QTextCursor heading = documents.Viewer.document()->find(QStringLiteral("f.txt"));
        QVERIFY(heading.currentTable());
        QCOMPARE(heading.currentTable()->cellAt(heading).format().background().color(), QColor(0x65, 0x43, 0x21));
    }

    // A large document is shown once its first screens are built; the rest is added while it
    // is shown, and what needs the whole document completes it first.
    void largeDocumentIsCompletedWhileShown()
    {
        Documents documents;
        documents.Html.Options.FixedFont = true;
        documents.WholeFile(*documents.Lines(6000, {10, 5990}));
        THTMLViewer& viewer = documents.Viewer;
        QVERIFY(viewer.HasDocument());
        QVERIFY(viewer.document()->blockCount() < 6000);
        QVERIFY(viewer.toPlainText().contains(QStringLiteral("00010: line needle 10")));
        QVERIFY(documents.Show());
        QTRY_VERIFY(viewer.toPlainText().contains(QStringLiteral("05990: line needle 5990")));
        QVERIFY(viewer.ScrollToAnchor(QStringLiteral("Line05990:")));

        // Completed by what needs it: the jump to a line not yet built, selecting all.
        documents.WholeFile(*documents.Lines(6000, {10, 5990}));
        QVERIFY(viewer.ScrollToAnchor(QStringLiteral("Line05990:")));
        QVERIFY(viewer.toPlainText().contains(QStringLiteral("06000: line 6000")));
        documents.WholeFile(*documents.Lines(6000, {10, 5990}));
        viewer.SelectAll();
        QVERIFY(viewer.SelectedText().contains(QStringLiteral("06000: line 6000")));

        // What it shows at last is what Qt's rendering of the document file shows.
        QFile css(ResourcesFolder() + QStringLiteral("/style.css"));
        QVERIFY(css.open(QIODevice::ReadOnly));
        QFile written(viewer.DocumentFileName());
        QVERIFY(written.open(QIODevice::ReadOnly));
        QTextDocument qt;
        qt.setDefaultFont(viewer.font());
        qt.setDefaultStyleSheet(QString::fromUtf8(css.readAll()));
        qt.setHtml(Decoded(written.readAll()));
        QCOMPARE(CharactersAndFormats(*viewer.document()), CharactersAndFormats(qt));
    }

    // A new document while one is being completed: the first is finished, then replaced.
    void newDocumentWhileOneIsCompleted()
    {
        Documents documents;
        documents.WholeFile(*documents.Lines(6000, {5990}));
        THTMLViewer& viewer = documents.Viewer;
        QVERIFY(viewer.document()->blockCount() < 6000);
        documents.WholeFile(*documents.Lines(20, {7}));
        QVERIFY(!viewer.ScrollToAnchor(QStringLiteral("Line05990:")));
        QVERIFY(viewer.ScrollToAnchor(QStringLiteral("Line00007:")));
        QVERIFY(!viewer.toPlainText().contains(QStringLiteral("05990:")));
        QVERIFY(viewer.toPlainText().contains(QStringLiteral("00020: line 20")));
        QVERIFY(documents.Show());
        QTest::qWait(50);
        QVERIFY(!viewer.toPlainText().contains(QStringLiteral("05990:")));
    }

    // A document too large for the pane is dropped as soon as it grows too large; the pane
    // goes on showing the one before, and the next document is built afresh.
    void tooLargeDocumentKeepsWhatThePaneShows()
    {
        Documents documents;
        documents.WholeFile(*documents.Lines(20, {7}));
        THTMLViewer& viewer = documents.Viewer;
        const QString shown = viewer.toPlainText();
        THTMLWin& html = documents.Html;
        html.Options.TitleAndMenu = false;
        html.BeginDocument();
        const std::string line(100, 'x');
        while (!html.IsTooLarge())
            html.WriteMessageLine(line);
        html.FinishDocument();
        QCOMPARE(viewer.toPlainText(), shown);
        QVERIFY(viewer.ScrollToAnchor(QStringLiteral("Line00007:")));

        documents.WholeFile(*documents.Lines(20, {9}));
        QVERIFY(viewer.ScrollToAnchor(QStringLiteral("Line00009:")));
        QVERIFY(viewer.toPlainText().contains(QStringLiteral("00020: line 20")));
        QVERIFY(!viewer.toPlainText().contains(QString::fromStdString(line)));
    }

    // What keeps large documents fast: a file's lines are blocks of their own in the top-level
    // flow, not one table and not one block, and the line anchors are not text formats.
    void fileLinesAreTopLevelBlocks()
    {
        Documents documents;
        documents.WholeFile(*documents.Lines(200, {3, 150}));
        const QTextDocument& document = *documents.Viewer.document();
        const QTextCursor line = document.find(QStringLiteral("00150: line needle 150"));
        QVERIFY(!line.isNull());
        QCOMPARE(line.block().text(), QStringLiteral("00150: line needle 150"));
        QCOMPARE(line.currentFrame(), document.rootFrame());
        QCOMPARE(document.rootFrame()->childFrames().size(), 2);  // the title bar and the file's bar
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it)
                QVERIFY(it.fragment().charFormat().anchorNames().isEmpty());
    }
};

QTEST_MAIN(HTMLViewerTest)
#include "HTMLViewerTest.moc"
