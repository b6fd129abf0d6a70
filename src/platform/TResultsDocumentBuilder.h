#pragma once

#include <QHash>
#include <QString>
#include <QStringView>
#include <QTextCursor>
#include <QTextFormat>

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "platform/TMarkupTag.h"

class QTextDocument;
class QTextTable;
class TResultsStyleProbe;

// Builds a QTextDocument from the markup of a results document. Qt's HTML importer is far too
// slow for documents of millions of characters (it lays out a table whole before the first
// paint, a line broken by "<br>" inside one paragraph as one block, and it slows to a crawl on
// thousands of anchor names), so the builder does the job itself, for speed: the document gets no
// layout while it is built, every line is a block of its own, the body of a file (a table cell
// without a class) becomes top-level blocks with the table's padding so that it is laid out
// lazily, screen by screen, the heading bars stay real tables, and the line anchors
// ("Line00012:") go into a map from name to position instead of the text formats.
//
// The formats come from TResultsStyleProbe: Qt's own rendering of each kind of element with the
// style sheet in force.
class TResultsDocumentBuilder {
public:
    // The formats of the style sheet that a <link> names (its href as written).
    using TStyleSource = std::function<TResultsStyleProbe&(const QString& href)>;

    // Builds into `document`, which should be empty, with the formats of `style` until the
    // markup links a style sheet, whose formats `styleSheet` then gives. The probes must outlive
    // the builder.
    TResultsDocumentBuilder(QTextDocument& document, TResultsStyleProbe& style, TStyleSource styleSheet);

    void Build(QStringView markup);

    // Position of each named anchor ("name" of <a>, or "id" of any element), the first of a name.
    QHash<QString, int> TakeAnchors() { return std::move(Anchors); }

private:
    enum class TKind { Root, Inline, Pre, Table, Cell };

    // One open element and the formats of the text inside it.
    struct TContext {
        TKind Kind;
        QString Name;
        QTextCharFormat Char;
        QTextBlockFormat Block;
        quint64 Id;
        bool Preformatted;  // inside <pre>
    };

    struct TOpenTable {
        TMarkupTag Tag;
        std::size_t Depth;             // index of its context
        QTextTable* Table = nullptr;   // made at the first cell with a class
        bool Flat = false;             // its cells are laid out as plain blocks
        bool Decided = false;
        bool CellOpen = false;
        int Row = -1;
        int Column = -1;
    };

    void Tag(const TMarkupTag& tag);
    void StartTag(const TMarkupTag& tag);
    void EndTag(const TMarkupTag& tag);
    void Text(QStringView text);
    void PreformattedText(QStringView text);

    void Put(QStringView text);
    void PutPendingSpace();
    void Flush();
    bool BlockIsEmpty() const { return Run.isEmpty() && Cursor.atBlockStart(); }
    void NewLine();
    void NewLine(const QTextBlockFormat& format);
    void StartBlockArea(const QTextBlockFormat& format);
    void EndBlockArea();
    void Push(TKind kind, const QString& name, QTextCharFormat charFormat, QTextBlockFormat blockFormat);
    void PopTo(std::size_t size);
    void RecordAnchor(const QString& name);

    void StartCell(const TMarkupTag& cell);
    void CloseCell();
    void CloseTable();

    QTextDocument& Document;
    QTextCursor Cursor;
    TResultsStyleProbe* Style;
    TStyleSource StyleSheet;
    std::vector<TContext> Contexts;
    std::vector<TOpenTable> Tables;
    QHash<QString, int> Anchors;
    quint64 NextId = 0;

    // Text of one format not yet inserted.
    QString Run;
    QTextCharFormat RunFormat;
    quint64 RunId = ~quint64(0);

    // White space outside preformatted text collapses to one space, which is dropped at the
    // start and the end of a line.
    bool LineStart = true;
    bool PendingSpace = false;
    QTextCharFormat SpaceFormat;
    quint64 SpaceId = 0;
    // In preformatted text, a line end right after "<br>" or "<pre>" is part of the markup.
    bool SkipNewline = false;
    // Inside <title>, <style> or <script>: the name of the element whose text is skipped.
    QString SkipUntil;
};
