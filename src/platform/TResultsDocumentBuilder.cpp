#include "platform/TResultsDocumentBuilder.h"

#include <QStringList>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <algorithm>
#include <utility>

#include "platform/TMarkupText.h"
#include "platform/TResultsStyleProbe.h"

namespace {

bool IsInlineElement(const QString& name)
{
    static const QStringList Names = {
        QStringLiteral("a"),    QStringLiteral("b"),     QStringLiteral("strong"), QStringLiteral("i"),
        QStringLiteral("em"),   QStringLiteral("u"),     QStringLiteral("s"),      QStringLiteral("strike"),
        QStringLiteral("font"), QStringLiteral("span"),  QStringLiteral("code"),   QStringLiteral("tt"),
        QStringLiteral("kbd"),  QStringLiteral("small"), QStringLiteral("big"),    QStringLiteral("sub"),
        QStringLiteral("sup"),  QStringLiteral("var"),   QStringLiteral("cite"),   QStringLiteral("samp"),
    };
    return Names.contains(name);
}

} // namespace

TResultsDocumentBuilder::TResultsDocumentBuilder(QTextDocument& document, TResultsStyleProbe& style, TStyleSource styleSheet)
    : Document(document), Cursor(&document), Style(&style), StyleSheet(std::move(styleSheet))
{
    Document.setUndoRedoEnabled(false);
    Document.rootFrame()->setFrameFormat(Style->Root);
    Contexts.push_back({TKind::Root, QString(), Style->BaseChar, Style->BaseBlock, NextId++, false});
    Cursor.setBlockFormat(Style->BaseBlock);
}

void TResultsDocumentBuilder::Build(QStringView markup)
{
    Cursor.beginEditBlock();
    QString decoded;
    TMarkupTag tag;
    const qsizetype size = markup.size();
    qsizetype i = 0;
    while (i < size) {
        if (markup[i] == u'<' && i + 1 < size) {
            const QChar next = markup[i + 1];
            if (next == u'!') {
                // A comment or a declaration: skipped.
                const bool comment = markup.sliced(i).startsWith(u"<!--");
                const qsizetype end = comment ? markup.indexOf(u"-->", i + 4) : markup.indexOf(u'>', i);
                i = end < 0 ? size : end + (comment ? 3 : 1);
                continue;
            }
            if (next.isLetter() || next == u'/') {
                const qsizetype end = TMarkupTag::Read(markup, i, tag);
                if (end < 0)
                    break;
                i = end;
                if (!tag.Name.isEmpty())
                    Tag(tag);
                continue;
            }
        }
        // Text up to the next tag; a '<' that starts no tag is text.
        qsizetype end = markup.indexOf(u'<', i + 1);
        if (end < 0)
            end = size;
        const QStringView text = markup.sliced(i, end - i);
        if (text.contains(u'&')) {
            decoded.clear();
            for (qsizetype k = 0; k < text.size();) {
                if (text[k] == u'&') {
                    k = TMarkupText::AppendEntity(text, k, decoded);
                } else {
                    decoded += text[k];
                    ++k;
                }
            }
            Text(decoded);
        } else {
            Text(text);
        }
        i = end;
    }
    while (!Tables.empty())
        CloseTable();
    Flush();
    Cursor.endEditBlock();
}

void TResultsDocumentBuilder::Tag(const TMarkupTag& tag)
{
    if (!SkipUntil.isEmpty()) {
        if (tag.Closing && tag.Name == SkipUntil)
            SkipUntil.clear();
        return;
    }
    if (tag.Closing)
        EndTag(tag);
    else
        StartTag(tag);
}

void TResultsDocumentBuilder::StartTag(const TMarkupTag& tag)
{
    const QString& name = tag.Name;
    if (name == u"br") {
        NewLine();
        SkipNewline = true;
    } else if (name == u"table") {
        Flush();
        Push(TKind::Table, name, Contexts.back().Char, Contexts.back().Block);
        Tables.push_back({tag, Contexts.size() - 1});
    } else if (name == u"tr") {
        if (!Tables.empty()) {
            CloseCell();
            ++Tables.back().Row;
            Tables.back().Column = -1;
        }
    } else if (name == u"td" || name == u"th") {
        if (!Tables.empty())
            StartCell(tag);
    } else if (name == u"pre") {
        const TResultsStyleProbe::TInlineStyle& pre = Style->Inline(tag);
        QTextCharFormat charFormat = Contexts.back().Char;
        charFormat.merge(pre.Char);
        QTextBlockFormat blockFormat = Contexts.back().Block;
        blockFormat.merge(pre.Block);
        StartBlockArea(blockFormat);
        Push(TKind::Pre, name, charFormat, blockFormat);
        SkipNewline = true;
    } else if (name == u"hr") {
        Flush();
        if (!BlockIsEmpty())
            NewLine();
        QTextBlockFormat ruler = Contexts.back().Block;
        ruler.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 100));
        Cursor.setBlockFormat(ruler);
        NewLine();
    } else if (name == u"p" || name == u"div") {
        StartBlockArea(Contexts.back().Block);
    } else if (name == u"title" || name == u"style" || name == u"script") {
        SkipUntil = name;
    } else if (name == u"link") {
        if (tag.Value(u"rel").contains(u"stylesheet", Qt::CaseInsensitive) && tag.Has(u"href") && StyleSheet) {
            Style = &StyleSheet(tag.Value(u"href"));
            Document.rootFrame()->setFrameFormat(Style->Root);
            Contexts.front().Char = Style->BaseChar;
            Contexts.front().Block = Style->BaseBlock;
            Contexts.front().Id = NextId++;
            if (BlockIsEmpty())
                Cursor.setBlockFormat(Style->BaseBlock);
        }
    } else if (IsInlineElement(name)) {
        QTextCharFormat charFormat = Contexts.back().Char;
        charFormat.merge(Style->Inline(tag).Char);
        if (name == u"a" && tag.Has(u"href")) {
            charFormat.setAnchor(true);
            charFormat.setAnchorHref(tag.Value(u"href"));
        }
        Push(TKind::Inline, name, charFormat, Contexts.back().Block);
    }
    if (tag.Has(u"id"))
        RecordAnchor(tag.Value(u"id"));
    if (name == u"a" && tag.Has(u"name"))
        RecordAnchor(tag.Value(u"name"));
}

void TResultsDocumentBuilder::EndTag(const TMarkupTag& tag)
{
    const QString& name = tag.Name;
    if (name == u"table") {
        if (!Tables.empty())
            CloseTable();
    } else if (name == u"td" || name == u"th" || name == u"tr") {
        if (!Tables.empty())
            CloseCell();
    } else if (name == u"p" || name == u"div") {
        if (!BlockIsEmpty())
            NewLine();
    } else if (name == u"pre" || IsInlineElement(name)) {
        // The innermost open element of that name, not beyond the enclosing table cell.
        for (std::size_t k = Contexts.size(); k-- > 1;) {
            const TContext& context = Contexts[k];
            if (context.Kind == TKind::Cell || context.Kind == TKind::Table)
                break;
            if (context.Name != name)
                continue;
            const bool pre = context.Kind == TKind::Pre;
            PopTo(k);
            if (pre)
                EndBlockArea();
            break;
        }
    }
}

void TResultsDocumentBuilder::Text(QStringView text)
{
    if (!SkipUntil.isEmpty() || text.isEmpty())
        return;
    if (Contexts.back().Preformatted) {
        PreformattedText(text);
        return;
    }
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        if (TMarkupText::IsSpace(text[i])) {
            if (!LineStart && !PendingSpace) {
                PendingSpace = true;
                SpaceFormat = Contexts.back().Char;
                SpaceId = Contexts.back().Id;
            }
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < size && !TMarkupText::IsSpace(text[end]))
            ++end;
        PutPendingSpace();
        Put(text.sliced(i, end - i));
        i = end;
    }
}

void TResultsDocumentBuilder::PreformattedText(QStringView text)
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

void TResultsDocumentBuilder::Put(QStringView text)
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

void TResultsDocumentBuilder::PutPendingSpace()
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

void TResultsDocumentBuilder::Flush()
{
    if (Run.isEmpty())
        return;
    Cursor.insertText(Run, RunFormat);
    Run.clear();
}

void TResultsDocumentBuilder::NewLine()
{
    NewLine(Contexts.back().Block);
}

void TResultsDocumentBuilder::NewLine(const QTextBlockFormat& format)
{
    Flush();
    Cursor.insertBlock(format);
    LineStart = true;
    PendingSpace = false;
}

// Starts a block-level element: on a line of its own, in the given block format.
void TResultsDocumentBuilder::StartBlockArea(const QTextBlockFormat& format)
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
void TResultsDocumentBuilder::EndBlockArea()
{
    StartBlockArea(Contexts.back().Block);
    SkipNewline = false;
}

void TResultsDocumentBuilder::Push(TKind kind, const QString& name, QTextCharFormat charFormat, QTextBlockFormat blockFormat)
{
    const bool preformatted = kind == TKind::Pre || (Contexts.back().Preformatted && kind != TKind::Cell);
    Contexts.push_back({kind, name, std::move(charFormat), std::move(blockFormat), NextId++, preformatted});
}

void TResultsDocumentBuilder::PopTo(std::size_t size)
{
    if (size >= 1 && size < Contexts.size())
        Contexts.resize(size);
}

void TResultsDocumentBuilder::RecordAnchor(const QString& name)
{
    if (name.isEmpty() || Anchors.contains(name))
        return;
    Flush();
    Anchors.insert(name, Cursor.position());
}

void TResultsDocumentBuilder::StartCell(const TMarkupTag& cell)
{
    CloseCell();
    TOpenTable& table = Tables.back();
    table.Row = std::max(table.Row, 0);
    ++table.Column;
    const TResultsStyleProbe::TCellStyle& style = Style->Cell(table.Tag, cell);
    if (!table.Decided) {
        // A cell with a class is a heading bar, a small real table. A cell without one holds a
        // file's lines, laid out as plain blocks.
        table.Decided = true;
        table.Flat = !cell.Has(u"class");
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
        Push(TKind::Cell, cell.Name, style.Char, block);
        return;
    }

    Flush();
    // An empty block right before or after a table takes no room: Qt's layout tucks it into
    // the table's border.
    if (!table.Table)
        table.Table = Cursor.insertTable(1, 1, style.Table);
    QTextTable* t = table.Table;
    if (t->rows() <= table.Row)
        t->appendRows(table.Row - t->rows() + 1);
    if (t->columns() <= table.Column) {
        t->appendColumns(table.Column - t->columns() + 1);
        QTextTableFormat format = t->format();
        format.clearColumnWidthConstraints();
        t->setFormat(format);
    }
    QTextTableCell tableCell = t->cellAt(table.Row, table.Column);
    tableCell.setFormat(style.Cell);
    Cursor = tableCell.firstCursorPosition();
    Cursor.setBlockFormat(style.Block);
    Push(TKind::Cell, cell.Name, style.Char, style.Block);
    LineStart = true;
    PendingSpace = false;
}

void TResultsDocumentBuilder::CloseCell()
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

void TResultsDocumentBuilder::CloseTable()
{
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
