// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pane/TResultsPaneStyle.h"
#include "pane/TRichTextWriter.h"
#include "presentation/THTMLOptions.h"
#include "presentation/TResultsSink.h"

class QTextDocument;
class TLineLayout;

// Builds the results pane's QTextDocument from the calls of a results document, as Qt renders
// the HTML that THTMLWin writes for the same calls with its style sheet: the same text, white
// space collapsed the same way, the same formats and links. Nothing is parsed.
//
// What keeps large documents fast: the document gets no layout while it is built, every line
// is a block of its own, the body of a file becomes top-level blocks with its table cell's
// padding (so that it is laid out lazily, screen by screen), only the heading bars are real
// tables, and the line anchors ("Line00012:") go into a map from name to position instead of
// the text formats. A large document is shown once its first ShownAtOnce blocks are built: the
// calls after them are kept, and BuildMore adds them to the document while it is shown.
class TPaneDocumentSink : public TResultsSink {
public:
    // Blocks built before the document is handed over; several screens of lines.
    static constexpr int ShownAtOnce = 3000;

    TPaneDocumentSink();
    ~TPaneDocumentSink() override;

    // The options and the formats of the documents that follow; `style` must outlive them.
    void Prepare(const THTMLOptions& options, const TResultsPaneStyle& style);

    bool BeginDocument() override;
    void WriteTitle(std::string_view title, std::string_view subtitle, int matchWindow) override;
    void WriteFileHeader(const TFileData& file) override;
    void WriteFileLine(std::string_view lineText, int64_t lineNumber, const TMatchList& matches, std::size_t firstIndex,
                       std::string_view filePath, uint32_t piece = 0) override;
    void WriteGapMarker() override;
    void WriteNote(std::string_view text) override;
    void WriteMessageLine(std::string_view text) override;
    void WriteFileFooter() override;
    bool FlushDocument() override { return true; }
    bool FinishDocument() override;

    // The finished document, or its first part when calls are kept for later (HasPending), and
    // the position of each line anchor recorded since the last call; null when none was built.
    // The caller owns the document; until it is complete it must neither change nor delete it.
    std::unique_ptr<QTextDocument> TakeDocument();
    QHash<QString, int> TakeAnchors() { return Out.TakeAnchors(); }
    // True while kept calls remain to be added to the document.
    bool HasPending() const { return Next < Pending.size(); }
    // True while a document handed over still lacks some of its calls.
    bool IsCompleting() const { return !Document && HasPending(); }
    // Adds kept calls to the document for about `milliseconds` (all of them when negative).
    // True when the document is complete.
    bool BuildMore(qint64 milliseconds);
    // Drops the document being built and any kept calls.
    void Discard();

    // Bytes of a file or a text as the pane shows them: valid UTF-8 as it is, any other byte as
    // Windows-1252, and the characters that are structure to a QTextDocument as U+FFFD.
    static QString Decode(std::string_view bytes);

private:
    // A call kept for later, with copies of what it refers to.
    struct TPendingCall {
        enum class TKind { FileHeader, Line, Gap, Note, Message, FileFooter, Finish };
        explicit TPendingCall(TKind kind, std::string text = {}) : Kind(kind), Text(std::move(text)) {}

        TKind Kind;
        std::string Text;  // the line's bytes, the heading's name, the note or message
        std::string Path;  // the path that the line's match links open
        int64_t LineNumber = 0;
        uint32_t Piece = 0;
        TMatchList Matches;  // the matches on the line
    };
    void Replay(const TPendingCall& call);
    void Keep(TPendingCall call) { Pending.push_back(std::move(call)); }
    void FileHeading(const QString& name);
    void Toolbar(int matchWindow);
    void MatchLink(const QString& text, const QString& href);
    void Line(const TLineLayout& layout, int64_t lineNumber, std::string_view filePath);

    void LineEnd() { Out.Text(u"\n"); }

    THTMLOptions Options;
    const TResultsPaneStyle* Style = nullptr;
    std::unique_ptr<QTextDocument> Document;
    bool SingleFileView = false;
    TRichTextWriter Out;

    // Calls are kept instead of built (the document's first part is complete).
    bool Deferring = false;
    std::vector<TPendingCall> Pending;
    std::size_t Next = 0;
};
