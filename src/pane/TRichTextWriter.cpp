// SPDX-License-Identifier: MIT
#include "pane/TRichTextWriter.h"

#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <algorithm>
#include <utility>

namespace {

bool IsSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\f';
}

} // namespace

void TRichTextWriter::Start(QTextDocument& document, const QTextCharFormat& baseChar, const QTextBlockFormat& baseBlock)
{
    Stop();
    Cursor = QTextCursor(&document);
    Contexts.push_back({TKind::Root, baseChar, baseBlock, NextId++, false});
    Cursor.setBlockFormat(baseBlock);
}

void TRichTextWriter::Stop()
{
    Cursor = QTextCursor();
    Contexts.clear();
    Tables.clear();
    Anchors.clear();
    Run.clear();
    RunId = ~quint64(0);
    LineStart = true;
    PendingSpace = false;
    SkipNewline = false;
}

void TRichTextWriter::EndEdit()
{
    Flush();
    Cursor.endEditBlock();
}

void TRichTextWriter::CloseAll()
{
    while (!Tables.empty())
        CloseTable();
    Flush();
}

void TRichTextWriter::Rule()
{
    Flush();
    if (!BlockIsEmpty())
        NewLine();
    QTextBlockFormat ruler = Contexts.back().Block;
    ruler.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 100));
    Cursor.setBlockFormat(ruler);
    NewLine();
}

void TRichTextWriter::Text(QStringView text)
{
    if (text.isEmpty())
        return;
    if (Contexts.back().Preformatted) {
        PreformattedText(text);
        return;
    }
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        if (IsSpace(text[i])) {
            if (!LineStart && !PendingSpace) {
                PendingSpace = true;
                SpaceFormat = Contexts.back().Char;
                SpaceId = Contexts.back().Id;
            }
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < size && !IsSpace(text[end]))
            ++end;
        PutPendingSpace();
        Put(text.sliced(i, end - i));
        i = end;
    }
}

void TRichTextWriter::PreformattedText(QStringView text)
{
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c != u'\n' && c != u'\r') {
            SkipNewline = false;
            continue;
        }
        if (i > start)
            Put(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
        if (SkipNewline)
            SkipNewline = false;
        else
            NewLine();
    }
    if (size > start)
        Put(text.sliced(start));
}

void TRichTextWriter::Put(QStringView text)
{
    const TContext& context = Contexts.back();
    if (RunId != context.Id) {
        Flush();
        RunFormat = context.Char;
        RunId = context.Id;
    }
    Run.append(text);
    LineStart = false;
}

void TRichTextWriter::PutPendingSpace()
{
    if (!PendingSpace)
        return;
    PendingSpace = false;
    if (RunId != SpaceId) {
        Flush();
        RunFormat = SpaceFormat;
        RunId = SpaceId;
    }
    Run += u' ';
}

void TRichTextWriter::Flush()
{
    if (Run.isEmpty())
        return;
    Cursor.insertText(Run, RunFormat);
    Run.clear();
}

// A line break ("<br>").
void TRichTextWriter::Break()
{
    NewLine();
    SkipNewline = true;
}

void TRichTextWriter::NewLine()
{
    NewLine(Contexts.back().Block);
}

void TRichTextWriter::NewLine(const QTextBlockFormat& format)
{
    Flush();
    Cursor.insertBlock(format);
    LineStart = true;
    PendingSpace = false;
}

// Starts a block-level element: on a line of its own, in the given block format.
void TRichTextWriter::StartBlockArea(const QTextBlockFormat& format)
{
    Flush();
    if (BlockIsEmpty())
        Cursor.setBlockFormat(format);
    else
        NewLine(format);
    LineStart = true;
    PendingSpace = false;
}

// After a block-level element has been closed, what follows is on a new line in the format of
// the element around it.
void TRichTextWriter::EndBlockArea()
{
    StartBlockArea(Contexts.back().Block);
    SkipNewline = false;
}

void TRichTextWriter::PushInline(const QTextCharFormat& added)
{
    QTextCharFormat format = Contexts.back().Char;
    format.merge(added);
    Push(TKind::Inline, std::move(format), Contexts.back().Block);
}

void TRichTextWriter::PushLink(const QTextCharFormat& added, const QString& href)
{
    QTextCharFormat format = Contexts.back().Char;
    format.merge(added);
    format.setAnchor(true);
    format.setAnchorHref(href);
    Push(TKind::Inline, std::move(format), Contexts.back().Block);
}

void TRichTextWriter::Push(TKind kind, QTextCharFormat charFormat, QTextBlockFormat blockFormat)
{
    const bool preformatted = kind == TKind::Pre || (Contexts.back().Preformatted && kind != TKind::Cell);
    Contexts.push_back({kind, std::move(charFormat), std::move(blockFormat), NextId++, preformatted});
}

void TRichTextWriter::Pop()
{
    if (Contexts.size() > 1 && Contexts.back().Kind != TKind::Cell && Contexts.back().Kind != TKind::Table)
        Contexts.pop_back();
}

void TRichTextWriter::PopTo(std::size_t size)
{
    if (size >= 1 && size < Contexts.size())
        Contexts.resize(size);
}

void TRichTextWriter::StartPre(const TResultsPaneStyle::TInlineStyle& pre)
{
    QTextCharFormat charFormat = Contexts.back().Char;
    charFormat.merge(pre.Char);
    QTextBlockFormat blockFormat = Contexts.back().Block;
    blockFormat.merge(pre.Block);
    StartBlockArea(blockFormat);
    Push(TKind::Pre, charFormat, blockFormat);
    SkipNewline = true;
}

void TRichTextWriter::EndPre()
{
    if (Contexts.back().Kind != TKind::Pre)
        return;
    Contexts.pop_back();
    EndBlockArea();
}

void TRichTextWriter::RecordAnchor(const QString& name)
{
    if (name.isEmpty() || Anchors.contains(name))
        return;
    Flush();
    Anchors.insert(name, Cursor.position());
}

void TRichTextWriter::OpenTable(const QTextTableFormat& format)
{
    Flush();
    Push(TKind::Table, Contexts.back().Char, Contexts.back().Block);
    Tables.push_back({&format, Contexts.size() - 1});
}

void TRichTextWriter::StartRow()
{
    if (Tables.empty())
        return;
    CloseCell();
    ++Tables.back().Row;
    Tables.back().Column = -1;
}

void TRichTextWriter::StartCell(const TResultsPaneStyle::TCellStyle& style, bool heading)
{
    if (Tables.empty())
        return;
    CloseCell();
    TOpenTable& table = Tables.back();
    table.Row = std::max(table.Row, 0);
    ++table.Column;
    if (!table.Decided) {
        table.Decided = true;
        table.Flat = !heading;
    }
    table.CellOpen = true;
    if (table.Flat) {
        // The lines sit where the cell would put them: inside the table's border, its cell
        // spacing and the cell's padding (the cell's own, else the table's "cellpadding").
        const auto inset = [&style](int property) {
            const qreal padding = style.Cell.hasProperty(property) ? style.Cell.doubleProperty(property)
                                                                     : style.Table.cellPadding();
            return style.Table.border() + style.Table.cellSpacing() + padding;
        };
        QTextBlockFormat block = Contexts.back().Block;
        block.merge(style.Block);
        block.setLeftMargin(block.leftMargin() + inset(QTextFormat::TableCellLeftPadding));
        block.setRightMargin(block.rightMargin() + inset(QTextFormat::TableCellRightPadding));
        // A table of fixed width (5000 pixels) keeps its lines whole; one of percent width
        // wraps them.
        if (style.Table.width().type() == QTextLength::FixedLength)
            block.setNonBreakableLines(true);
        QTextBlockFormat first = block;
        first.setTopMargin(first.topMargin() + inset(QTextFormat::TableCellTopPadding));
        StartBlockArea(first);
        Push(TKind::Cell, style.Char, block);
        return;
    }

    Flush();
    // An empty block right before or after a table takes no room: Qt's layout tucks it into
    // the table's border.
    if (!table.Table)
        table.Table = Cursor.insertTable(1, 1, *table.Format);
    QTextTable* t = table.Table;
    if (t->rows() <= table.Row)
        t->appendRows(table.Row - t->rows() + 1);
    QTextTableCell tableCell = t->cellAt(table.Row, table.Column);
    tableCell.setFormat(style.Cell);
    Cursor = tableCell.firstCursorPosition();
    Cursor.setBlockFormat(style.Block);
    Push(TKind::Cell, style.Char, style.Block);
    LineStart = true;
    PendingSpace = false;
}

void TRichTextWriter::CloseCell()
{
    if (Tables.empty())
        return;
    TOpenTable& table = Tables.back();
    if (!table.CellOpen)
        return;
    table.CellOpen = false;
    PopTo(table.Depth + 1);
    if (table.Flat)
        EndBlockArea();
    else
        Flush();
}

void TRichTextWriter::CloseTable()
{
    if (Tables.empty())
        return;
    CloseCell();
    const TOpenTable table = Tables.back();
    Tables.pop_back();
    PopTo(table.Depth);
    Flush();
    if (table.Table) {
        Cursor.setPosition(table.Table->lastPosition() + 1);
        Cursor.setBlockFormat(Contexts.back().Block);
        LineStart = true;
        PendingSpace = false;
    }
}
