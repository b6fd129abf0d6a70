// SPDX-License-Identifier: MIT
#include "pane/THTMLViewer.h"

#include <sys/stat.h>

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <limits>

#include "model/TAtomicFile.h"
#include "pane/TResultsPaneStyle.h"

namespace {

// How long one step of completing a large document may hold up the pane's events.
constexpr qint64 BuildStep = 20;

} // namespace

THTMLViewer::THTMLViewer(QWidget* parent) : QTextBrowser(parent), BuildTimer(new QTimer(this))
{
    BuildTimer->setSingleShot(true);
    BuildTimer->setInterval(0);
    connect(BuildTimer, &QTimer::timeout, this, &THTMLViewer::BuildMore);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    connect(this, &QTextBrowser::anchorClicked, this, &THTMLViewer::OnAnchorClicked);
}

THTMLViewer::~THTMLViewer() = default;

void THTMLViewer::UseOptions(const THTMLOptions& options, const std::string& styleSheet)
{
    // The document being completed still needs its options and its formats.
    CompleteDocument();
    // A missing style sheet leaves Qt's own rendering.
    std::string css;
    struct stat info;
    if (TAtomicFile::ReadWholeFile(styleSheet, std::numeric_limits<std::size_t>::max(), css, info) !=
        TAtomicFile::TReadOutcome::Read)
        css.clear();
    const QString content = QString::fromUtf8(css.data(), static_cast<qsizetype>(css.size()));
    if (!Style || Style->Css != content || Style->Font != font())
        Style = std::make_unique<TResultsPaneStyle>(content, font());
    Builder.Prepare(options, *Style);
}

bool THTMLViewer::BeginDocument()
{
    CompleteDocument();
    return Builder.BeginDocument();
}

void THTMLViewer::Show(const std::string& documentFile)
{
    std::unique_ptr<QTextDocument> document = Builder.TakeDocument();
    if (!document) {
        Clear();
        return;
    }
    document->setParent(this);
    ShowDocument(document.release(), Builder.TakeAnchors(), QFile::decodeName(QByteArray::fromStdString(documentFile)));
    if (Builder.IsCompleting())
        BuildTimer->start();
}

void THTMLViewer::Discard()
{
    // Only a document not yet shown is dropped; one being completed is the pane's.
    if (!Builder.IsCompleting())
        Builder.Discard();
}

void THTMLViewer::BuildMore()
{
    const bool complete = Builder.BuildMore(BuildStep);
    TakeAnchors();
    if (!complete)
        BuildTimer->start();
}

void THTMLViewer::CompleteDocument()
{
    if (!Builder.IsCompleting())
        return;
    BuildTimer->stop();
    Builder.BuildMore(-1);
    TakeAnchors();
}

void THTMLViewer::TakeAnchors()
{
    const QHash<QString, int> anchors = Builder.TakeAnchors();
    for (auto it = anchors.cbegin(); it != anchors.cend(); ++it)
        Anchors.insert(it.key(), it.value());
}

void THTMLViewer::Clear()
{
    CompleteDocument();
    auto* document = new QTextDocument(this);
    document->setDefaultFont(font());
    ShowDocument(document, {}, QString());
}

void THTMLViewer::ShowDocument(QTextDocument* document, QHash<QString, int> anchors, const QString& fileName)
{
    // The pane's first document belongs to QTextEdit, which deletes it when it is replaced. One
    // of ours goes at once (a large one holds much memory), unless an event handler of the pane
    // is running below this call and may still use it.
    QTextDocument* previous = this->document();
    const bool ours = previous && previous->parent() == this;
    setDocument(document);
    if (ours && EventDepth > 0)
        previous->deleteLater();
    else if (ours)
        delete previous;
    Anchors = std::move(anchors);
    FileName = fileName;
    PendingScroll.reset();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

bool THTMLViewer::ScrollToAnchor(const QString& name)
{
    const QString key = name.startsWith(u'#') ? name.mid(1) : name;
    if (!Anchors.contains(key))
        CompleteDocument();
    const auto found = Anchors.constFind(key);
    if (found == Anchors.constEnd())
        return false;
    if (isVisible())
        ScrollToPosition(*found);
    else
        PendingScroll = *found;
    return true;
}

void THTMLViewer::ScrollToPosition(int position)
{
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid())
        return;
    // Lays the document out down to the block (it is laid out lazily), so the scroll range
    // reaches it.
    const QRectF bounds = document()->documentLayout()->blockBoundingRect(block);
    verticalScrollBar()->setValue(qRound(bounds.top()));
}

void THTMLViewer::showEvent(QShowEvent* event)
{
    QTextBrowser::showEvent(event);
    if (PendingScroll) {
        const int position = *PendingScroll;
        PendingScroll.reset();
        ScrollToPosition(position);
    }
}

void THTMLViewer::SelectAll()
{
    CompleteDocument();
    selectAll();
}

void THTMLViewer::ClearSelection()
{
    QTextCursor cursor = textCursor();
    cursor.clearSelection();
    setTextCursor(cursor);
}

QString THTMLViewer::SelectedText() const
{
    QString text = textCursor().selectedText();
    for (QChar& c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0:  // start of a table or cell
        case 0xFDD1:  // end of a table
            c = u'\n';
            break;
        case QChar::Nbsp:
            c = u' ';
            break;
        default:
            break;
        }
    }
    return text;
}

int THTMLViewer::SelectionLength() const
{
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void THTMLViewer::CopyToClipboard()
{
    copy();
}

void THTMLViewer::Print(QPrinter* printer, int fromPage, int toPage)
{
    fromPage = std::max(fromPage, 1);
    if (!printer || toPage < fromPage)
        return;
    CompleteDocument();
    printer->setPrintRange(QPrinter::PageRange);
    printer->setFromTo(fromPage, toPage);
    document()->print(printer);
}

bool THTMLViewer::event(QEvent* event)
{
    // A queued call (the linkClicked signal) runs outside the text control's handlers.
    const int depth = event->type() == QEvent::MetaCall ? 0 : 1;
    EventDepth += depth;
    const bool handled = QTextBrowser::event(event);
    EventDepth -= depth;
    return handled;
}

bool THTMLViewer::viewportEvent(QEvent* event)
{
    ++EventDepth;
    const bool handled = QTextBrowser::viewportEvent(event);
    --EventDepth;
    return handled;
}

void THTMLViewer::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::SelectAll))
        CompleteDocument();
    QTextBrowser::keyPressEvent(event);
}

void THTMLViewer::mouseReleaseEvent(QMouseEvent* event)
{
    ReleasedOnHref = anchorAt(event->position().toPoint());
    QTextBrowser::mouseReleaseEvent(event);
    ReleasedOnHref.reset();
}

// QTextBrowser reports a link as a URL, resolved and percent-encoded, which loses its text (a
// '#' or "%20" in a path). The link's own text is taken from the document instead: under the
// mouse for a click, or from the link that Tab selected for the Enter key.
void THTMLViewer::OnAnchorClicked()
{
    const QString href = ReleasedOnHref ? *ReleasedOnHref : HrefOfSelectedAnchor();
    if (href.isEmpty())
        return;
    QMetaObject::invokeMethod(
        this,
        [this, href] {
            emit linkClicked(href);
            const QByteArray link = href.toUtf8();
            emit actionClicked(TLinkAction::Parse(std::string_view(link.constData(), static_cast<std::size_t>(link.size()))));
        },
        Qt::QueuedConnection);
}

QString THTMLViewer::HrefOfSelectedAnchor() const
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(cursor.selectionStart());
    cursor.movePosition(QTextCursor::NextCharacter);
    return cursor.charFormat().anchorHref();
}
