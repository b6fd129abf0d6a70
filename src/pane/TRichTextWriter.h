// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QString>
#include <QStringView>
#include <QTextCursor>
#include <QTextFormat>

#include <cstddef>
#include <utility>
#include <vector>

#include "pane/TResultsPaneStyle.h"

class QTextDocument;
class QTextTable;

// Writes text into a QTextDocument the way an HTML renderer lays out the elements of a results
// document: white space outside preformatted text collapses to one space and is dropped at the
// start of a line, formats nest (each element adds its properties to its parent's), a block
// element starts a line of its own, and a table is a real table when its first cell is a heading
// cell, or else laid out as plain blocks with its cell's padding.
class TRichTextWriter {
public:
    // Starts writing at the start of `document`, which should be empty, in the body's formats.
    void Start(QTextDocument& document, const QTextCharFormat& baseChar, const QTextBlockFormat& baseBlock);
    // Forgets the document and everything open in it.
    void Stop();
    bool IsWriting() const { return !Cursor.isNull(); }

    // Between BeginEdit and EndEdit the document is not laid out; EndEdit inserts what is held.
    void BeginEdit() { Cursor.beginEditBlock(); }
    void EndEdit();

    void Text(QStringView text);
    // A line break ("<br>").
    void Break();
    // A horizontal rule: a block of its own.
    void Rule();
    void PushInline(const QTextCharFormat& added);
    void PushLink(const QTextCharFormat& added, const QString& href);
    // Closes the innermost inline element.
    void Pop();
    void StartPre(const TResultsPaneStyle::TInlineStyle& pre);
    void EndPre();
    // The position of a named anchor here; the first of a name counts.
    void RecordAnchor(const QString& name);
    // The anchors recorded since the last call.
    QHash<QString, int> TakeAnchors() { return std::exchange(Anchors, {}); }

    // `format` must outlive the table.
    void OpenTable(const QTextTableFormat& format);
    void StartRow();
    // A heading cell becomes a real table cell; the body cell is laid out flat.
    void StartCell(const TResultsPaneStyle::TCellStyle& style, bool heading);
    void CloseCell();
    void CloseTable();
    // Closes the open tables and inserts what is held.
    void CloseAll();

private:
    enum class TKind { Root, Inline, Pre, Table, Cell };

    // One open element and the formats of the text inside it.
    struct TContext {
        TKind Kind;
        QTextCharFormat Char;
        QTextBlockFormat Block;
        quint64 Id;
        bool Preformatted;
    };

    struct TOpenTable {
        const QTextTableFormat* Format;
        std::size_t Depth;            // index of its context
        QTextTable* Table = nullptr;  // made at the first heading cell
        bool Flat = false;            // a file's body: its cell is laid out as plain blocks
        bool Decided = false;
        bool CellOpen = false;
        int Row = -1;
        int Column = -1;
    };

    void PreformattedText(QStringView text);
    void Put(QStringView text);
    void PutPendingSpace();
    void Flush();
    bool BlockIsEmpty() const { return Run.isEmpty() && Cursor.atBlockStart(); }
    void NewLine();
    void NewLine(const QTextBlockFormat& format);
    void StartBlockArea(const QTextBlockFormat& format);
    void EndBlockArea();
    void Push(TKind kind, QTextCharFormat charFormat, QTextBlockFormat blockFormat);
    void PopTo(std::size_t size);

    QTextCursor Cursor;
    std::vector<TContext> Contexts;
    std::vector<TOpenTable> Tables;
    QHash<QString, int> Anchors;
    quint64 NextId = 0;

    // Text of one format not yet inserted.
    QString Run;
    QTextCharFormat RunFormat;
    quint64 RunId = ~quint64(0);

    bool LineStart = true;
    bool PendingSpace = false;
    QTextCharFormat SpaceFormat;
    quint64 SpaceId = 0;
    // In preformatted text, a line end right after a line break or the start is not a line.
    bool SkipNewline = false;

};
