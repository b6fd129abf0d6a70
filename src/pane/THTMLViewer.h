// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QString>
#include <QTextBrowser>
#include <QTimer>

#include <memory>
#include <optional>
#include <string>

#include "pane/TPaneDocumentSink.h"
#include "presentation/TLinkAction.h"
#include "presentation/TResultsView.h"

class QPrinter;
class TResultsPaneStyle;

// The results pane: shows the documents that THTMLWin writes, reports clicks on their links and
// scrolls to their line anchors.
//
// The pane is THTMLWin's second sink: TPaneDocumentSink builds its QTextDocument from the same
// calls that THTMLWin writes as HTML, so nothing is read back or parsed. Qt's HTML importer
// would be far too slow for documents of millions of characters. The formats are those of the
// style sheet that the document links (TResultsPaneStyle), kept while it stays the same.
//
// Links are never followed. A click (or Enter on a link reached with Tab) emits linkClicked with
// the link's text exactly as the document means it (entities decoded), and actionClicked with
// what it asks (TLinkAction), after the input event has been handled, so a receiver may load a
// new document at once.
class THTMLViewer : public QTextBrowser, public TResultsView {
    Q_OBJECT

public:
    explicit THTMLViewer(QWidget* parent = nullptr);
    ~THTMLViewer() override;

    // The document writer's calls (TResultsView).
    void UseOptions(const THTMLOptions& options, const std::string& styleSheet) override;
    bool BeginDocument() override;
    void WriteTitle(std::string_view title, std::string_view subtitle, int matchWindow) override
    {
        Builder.WriteTitle(title, subtitle, matchWindow);
    }
    void WriteFileHeader(const TFileData& file) override { Builder.WriteFileHeader(file); }
    void WriteFileLine(std::string_view lineText, int64_t lineNumber, const TMatchList& matches, std::size_t firstIndex,
                       std::string_view filePath, uint32_t piece = 0) override
    {
        Builder.WriteFileLine(lineText, lineNumber, matches, firstIndex, filePath, piece);
    }
    void WriteGapMarker() override { Builder.WriteGapMarker(); }
    void WriteNote(std::string_view text) override { Builder.WriteNote(text); }
    void WriteMessageLine(std::string_view text) override { Builder.WriteMessageLine(text); }
    void WriteFileFooter() override { Builder.WriteFileFooter(); }
    bool FlushDocument() override { return Builder.FlushDocument(); }
    bool FinishDocument() override { return Builder.FinishDocument(); }
    // Shows the document just built, scrolled to its top. The end of a large document is added
    // while it is shown, in steps between the events of the pane (see TPaneDocumentSink).
    void Show(const std::string& documentFile) override;
    void Discard() override;
    // Shows an empty page; the pane then holds no document.
    void Clear() override;

    // The file of the document shown; empty when there is none.
    const QString& DocumentFileName() const { return FileName; }
    bool HasDocument() const { return !FileName.isEmpty(); }

    // Scrolls so that the line of the named anchor ("Line00012:", a leading '#' is allowed) is at
    // the top. False when the document has no such anchor. Before the pane is first shown, the
    // scroll is made when it is.
    bool ScrollToAnchor(const QString& name);

    void SelectAll();
    void ClearSelection();
    // The selection as plain text: lines end with '\n', no-break spaces become spaces.
    QString SelectedText() const;
    int SelectionLength() const;
    void CopyToClipboard();

    // Adds the rest of a document being completed now; the commands that need the whole
    // document (selecting all, printing, scrolling to a line not yet built) call it first.
    void CompleteDocument();

    // Prints pages fromPage to toPage (1-based, cut to the document's pages) of the document.
    void Print(QPrinter* printer, int fromPage, int toPage);

signals:
    // The link's text, as the document file holds it.
    void linkClicked(const QString& href);
    // What the link asks of the window; emitted right after linkClicked.
    void actionClicked(const TLinkAction& action);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildMore();
    void TakeAnchors();
    void ShowDocument(QTextDocument* document, QHash<QString, int> anchors, const QString& fileName);
    void ScrollToPosition(int position);
    void OnAnchorClicked();
    QString HrefOfSelectedAnchor() const;

    std::unique_ptr<TResultsPaneStyle> Style;
    TPaneDocumentSink Builder;
    // Runs BuildMore while a document is being completed.
    QTimer* BuildTimer;
    QString FileName;
    // Position of each line anchor in the document.
    QHash<QString, int> Anchors;
    std::optional<int> PendingScroll;
    // The link under the mouse while a mouse release is handled; unset otherwise.
    std::optional<QString> ReleasedOnHref;
    // How many of the pane's own event handlers are running (a document replaced meanwhile may
    // still be in use by them).
    int EventDepth = 0;
};
