#pragma once

#include <QHash>
#include <QString>
#include <QTextBrowser>

#include <memory>
#include <optional>
#include <string>

#include "presentation/TResultsView.h"

class QPrinter;
class TResultsStyleCache;

// The results pane: shows the documents that THTMLWin writes, reports clicks on their links and
// scrolls to their line anchors.
//
// The document file is read as bytes and decoded per byte sequence: valid UTF-8 as UTF-8, every
// other byte as Windows-1252, because one document mixes lines of files of both kinds.
//
// The pane does not hand the markup to Qt's HTML importer, which is far too slow for documents of
// millions of characters: TResultsDocumentBuilder builds the QTextDocument instead, with the
// formats that TResultsStyleProbe reads from Qt's own rendering of the document's style sheet.
// The probes of the style sheets met so far are kept from one document to the next.
//
// Links are never followed. A click (or Enter on a link reached with Tab) emits linkClicked with
// the link's text exactly as the document means it (entities decoded), after the input event has
// been handled, so a receiver may load a new document at once.
class THTMLViewer : public QTextBrowser, public TResultsView {
    Q_OBJECT

public:
    explicit THTMLViewer(QWidget* parent = nullptr);
    ~THTMLViewer() override;

    // Shows the document in the file at `path`, scrolled to its top. A file that cannot be read
    // leaves the pane empty and without a document.
    void Load(const std::string& path) override;
    bool LoadFile(const QString& path);
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

    // Prints pages fromPage to toPage (1-based, cut to the document's pages) of the document.
    void Print(QPrinter* printer, int fromPage, int toPage);

signals:
    void linkClicked(const QString& href);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool LoadBytes(const std::string& path);
    void ShowDocument(QTextDocument* document, QHash<QString, int> anchors, const QString& fileName);
    void ScrollToPosition(int position);
    void OnAnchorClicked();
    QString HrefOfSelectedAnchor() const;

    std::unique_ptr<TResultsStyleCache> Styles;
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
