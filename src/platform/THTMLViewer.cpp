#include "platform/THTMLViewer.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "presentation/TTextDecoder.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Reading the markup

bool IsHtmlSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\f';
}

bool IsNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':';
}

// Appends the character that the entity at text[i] ('&') stands for and returns the index after
// it; an ampersand that starts no known entity stands for itself.
qsizetype AppendEntity(QStringView text, qsizetype i, QString& out)
{
    const qsizetype semicolon = text.indexOf(u';', i + 1);
    if (semicolon < 0 || semicolon - i > 10) {
        out += u'&';
        return i + 1;
    }
    const QStringView name = text.sliced(i + 1, semicolon - i - 1);
    char32_t code = 0;
    if (name.startsWith(u'#') && name.size() > 1) {
        bool ok = false;
        const bool hex = name[1] == u'x' || name[1] == u'X';
        const uint value = hex ? name.sliced(2).toUInt(&ok, 16) : name.sliced(1).toUInt(&ok, 10);
        if (!ok) {
            out += u'&';
            return i + 1;
        }
        // Character references to nothing a text can hold show as the replacement character.
        code = value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF) ? 0xFFFD : value;
    } else {
        static const std::pair<QStringView, char16_t> Named[] = {
            {u"lt", u'<'}, {u"gt", u'>'}, {u"amp", u'&'}, {u"quot", u'"'}, {u"apos", u'\''}, {u"nbsp", 0xA0},
        };
        for (const auto& [entity, character] : Named)
            if (name.compare(entity, Qt::CaseInsensitive) == 0)
                code = character;
        if (code == 0) {
            out += u'&';
            return i + 1;
        }
    }
    if (code > 0xFFFF) {
        const QChar pair[2] = {QChar::highSurrogate(code), QChar::lowSurrogate(code)};
        out.append(pair, 2);
    } else {
        out += QChar(static_cast<char16_t>(code));
    }
    return semicolon + 1;
}

QString DecodeEntities(QStringView text)
{
    if (!text.contains(u'&'))
        return text.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] == u'&') {
            i = AppendEntity(text, i, out);
        } else {
            out += text[i];
            ++i;
        }
    }
    return out;
}

QString EscapeAttribute(const QString& value)
{
    QString out = value;
    out.replace(u'&', QStringLiteral("&amp;")).replace(u'"', QStringLiteral("&quot;"));
    out.replace(u'<', QStringLiteral("&lt;")).replace(u'>', QStringLiteral("&gt;"));
    return out;
}

// One start or end tag: its name in lower case and its attributes, values with entities decoded.
struct TTag {
    QString Name;
    bool Closing = false;
    std::vector<std::pair<QString, QString>> Attributes;

    bool Has(QStringView attribute) const
    {
        for (const auto& [name, value] : Attributes)
            if (name == attribute)
                return true;
        return false;
    }

    QString Value(QStringView attribute) const
    {
        for (const auto& [name, value] : Attributes)
            if (name == attribute)
                return value;
        return {};
    }

    // The tag as it styles its content: without the attributes that differ from one element to
    // the next of the same kind (link targets, anchor names), so that all of them share one
    // rendering of the style sheet.
    QString StyleKey() const
    {
        QString key = u'<' + Name;
        for (const auto& [name, value] : Attributes)
            if (name != u"href" && name != u"name" && name != u"id")
                key += u' ' + name + QStringLiteral("=\"") + EscapeAttribute(value) + u'"';
        if (Has(u"href"))
            key += QStringLiteral(" href=\"#\"");
        return key + u'>';
    }
};

// Reads the tag that starts at text[i] ('<'); returns the index after its '>', or -1 when the
// text ends inside it.
qsizetype ReadTag(QStringView text, qsizetype i, TTag& tag)
{
    const qsizetype size = text.size();
    tag = TTag();
    ++i;
    if (i < size && text[i] == u'/') {
        tag.Closing = true;
        ++i;
    }
    const qsizetype nameStart = i;
    while (i < size && IsNameChar(text[i]))
        ++i;
    tag.Name = text.sliced(nameStart, i - nameStart).toString().toLower();
    for (;;) {
        while (i < size && (IsHtmlSpace(text[i]) || text[i] == u'/'))
            ++i;
        if (i >= size)
            return -1;
        if (text[i] == u'>')
            return i + 1;
        const qsizetype attributeStart = i;
        while (i < size && !IsHtmlSpace(text[i]) && text[i] != u'=' && text[i] != u'>' && text[i] != u'/')
            ++i;
        QString name = text.sliced(attributeStart, i - attributeStart).toString().toLower();
        if (name.isEmpty()) {
            ++i;  // a stray character such as a lone '=' or quote
            continue;
        }
        while (i < size && IsHtmlSpace(text[i]))
            ++i;
        QString value;
        if (i < size && text[i] == u'=') {
            ++i;
            while (i < size && IsHtmlSpace(text[i]))
                ++i;
            if (i < size && (text[i] == u'"' || text[i] == u'\'')) {
                const QChar quote = text[i];
                const qsizetype close = text.indexOf(quote, i + 1);
                if (close < 0)
                    return -1;
                value = DecodeEntities(text.sliced(i + 1, close - i - 1));
                i = close + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < size && !IsHtmlSpace(text[i]) && text[i] != u'>')
                    ++i;
                value = DecodeEntities(text.sliced(valueStart, i - valueStart));
            }
        }
        tag.Attributes.emplace_back(std::move(name), std::move(value));
    }
}

// The document's text: valid UTF-8 as UTF-8, every other byte as Windows-1252. Characters that a
// QTextDocument reads as structure (paragraph and frame marks, object placeholders) and NUL
// could only come from a searched file's text; they show as the replacement character.
QString DecodeDocument(std::string_view bytes)
{
    const std::string utf8 = TTextDecoder::ToUtf8(bytes);
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u == 0 || u == 0x2028 || u == 0x2029 || u == 0xFDD0 || u == 0xFDD1 || u == 0xFFFC)
            c = QChar(0xFFFD);
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// The style sheet, as Qt renders it

// The properties of `inner` that `outer` does not have with the same value.
template <typename Format>
Format Difference(const QTextFormat& inner, const QTextFormat& outer)
{
    Format difference;
    const QMap<int, QVariant> properties = inner.properties();
    for (auto it = properties.cbegin(); it != properties.cend(); ++it)
        if (!outer.hasProperty(it.key()) || outer.property(it.key()) != it.value())
            difference.setProperty(it.key(), it.value());
    return difference;
}

void RemoveVerticalMargins(QTextBlockFormat& format)
{
    format.clearProperty(QTextFormat::BlockTopMargin);
    format.clearProperty(QTextFormat::BlockBottomMargin);
}

// What an element does to the text inside it.
struct TInlineStyle {
    QTextCharFormat Char;    // properties it adds to its parent's
    QTextBlockFormat Block;  // block properties it adds (preformatted text)
};

// A table with one cell of a given kind.
struct TCellStyle {
    QTextTableFormat Table;
    QTextTableCellFormat Cell;
    QTextCharFormat Char;    // the text in the cell, complete
    QTextBlockFormat Block;  // the paragraphs in the cell
};

// The formats of one style sheet: each kind of element is rendered once by Qt's HTML importer in
// a scratch document that carries the style sheet, and the formats read back from it are used
// for every element of that kind. Rules for descendants ("a .match") are therefore not applied;
// the style sheet styles each class on its own.
class TPaneStyle {
public:
    TPaneStyle(const QString& css, const QFont& font)
    {
        Scratch.setDefaultFont(font);
        Scratch.setDefaultStyleSheet(css);
        Scratch.setUndoRedoEnabled(false);
        Render(QStringLiteral("X1a"));
        const QTextCursor base = Scratch.find(QStringLiteral("X1a"));
        BaseChar = base.charFormat();
        BaseBlock = base.blockFormat();
        RemoveVerticalMargins(BaseBlock);
        Root = Scratch.rootFrame()->frameFormat();
    }

    QTextCharFormat BaseChar;
    QTextBlockFormat BaseBlock;
    QTextFrameFormat Root;

    const TInlineStyle& Inline(const TTag& tag)
    {
        const QString key = tag.StyleKey();
        auto found = Inlines.find(key);
        if (found != Inlines.end())
            return found->second;
        Render(QStringLiteral("X1a") + key + QStringLiteral("X2b</") + tag.Name + u'>');
        const QTextCursor outer = Scratch.find(QStringLiteral("X1a"));
        const QTextCursor inner = Scratch.find(QStringLiteral("X2b"));
        TInlineStyle style;
        if (!inner.isNull() && !outer.isNull()) {
            style.Char = Difference<QTextCharFormat>(inner.charFormat(), outer.charFormat());
            // The pane sets link targets itself, and keeps anchor names out of the formats.
            style.Char.clearProperty(QTextFormat::IsAnchor);
            style.Char.clearProperty(QTextFormat::AnchorHref);
            style.Char.clearProperty(QTextFormat::AnchorName);
            style.Block = Difference<QTextBlockFormat>(inner.blockFormat(), outer.blockFormat());
            RemoveVerticalMargins(style.Block);
        }
        return Inlines.emplace(key, style).first->second;
    }

    const TCellStyle& Cell(const TTag& table, const TTag& cell)
    {
        const QString key = table.StyleKey() + cell.StyleKey();
        auto found = Cells.find(key);
        if (found != Cells.end())
            return found->second;
        Render(table.StyleKey() + QStringLiteral("<tr>") + cell.StyleKey() + QStringLiteral("X3c</td></tr></table>"));
        const QTextCursor text = Scratch.find(QStringLiteral("X3c"));
        TCellStyle style;
        style.Char = BaseChar;
        style.Block = BaseBlock;
        if (QTextTable* t = text.isNull() ? nullptr : text.currentTable()) {
            style.Table = t->format();
            style.Cell = t->cellAt(text).format().toTableCellFormat();
            style.Char = text.charFormat();
            style.Block = text.blockFormat();
            RemoveVerticalMargins(style.Block);
        }
        return Cells.emplace(key, style).first->second;
    }

private:
    void Render(const QString& body)
    {
        Scratch.setHtml(QStringLiteral("<html><body>") + body + QStringLiteral("</body></html>"));
    }

    QTextDocument Scratch;
    std::unordered_map<QString, TInlineStyle> Inlines;
    std::unordered_map<QString, TCellStyle> Cells;
};

// ---------------------------------------------------------------------------------------------
// Building the document

// Builds a QTextDocument from the markup of a results document, for speed: the document gets no
// layout while it is built, every line is a block of its own, and the body of a file (a table
// cell without a class) becomes top-level blocks so that it is laid out lazily, screen by screen.
class TDocumentBuilder {
public:
    using TStyleSource = std::function<TPaneStyle&(const QString& href)>;

    TDocumentBuilder(QTextDocument& document, TPaneStyle& style, TStyleSource styleSheet)
        : Document(document), Cursor(&document), Style(&style), StyleSheet(std::move(styleSheet))
    {
        Document.setUndoRedoEnabled(false);
        Document.rootFrame()->setFrameFormat(Style->Root);
        Contexts.push_back({TKind::Root, QString(), Style->BaseChar, Style->BaseBlock, NextId++, false});
        Cursor.setBlockFormat(Style->BaseBlock);
    }

    void Build(QStringView markup);

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
        TTag Tag;
        std::size_t Depth;             // index of its context
        QTextTable* Table = nullptr;   // made at the first cell with a class
        bool Flat = false;             // its cells are laid out as plain blocks
        bool Decided = false;
        bool CellOpen = false;
        int Row = -1;
        int Column = -1;
    };

    void Tag(const TTag& tag);
    void StartTag(const TTag& tag);
    void EndTag(const TTag& tag);
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

    void StartCell(const TTag& cell);
    void CloseCell();
    void CloseTable();

    QTextDocument& Document;
    QTextCursor Cursor;
    TPaneStyle* Style;
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

void TDocumentBuilder::Build(QStringView markup)
{
    Cursor.beginEditBlock();
    QString decoded;
    TTag tag;
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
                const qsizetype end = ReadTag(markup, i, tag);
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
                    k = AppendEntity(text, k, decoded);
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

void TDocumentBuilder::Tag(const TTag& tag)
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

void TDocumentBuilder::StartTag(const TTag& tag)
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
        const TInlineStyle& pre = Style->Inline(tag);
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

void TDocumentBuilder::EndTag(const TTag& tag)
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

void TDocumentBuilder::Text(QStringView text)
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
        if (IsHtmlSpace(text[i])) {
            if (!LineStart && !PendingSpace) {
                PendingSpace = true;
                SpaceFormat = Contexts.back().Char;
                SpaceId = Contexts.back().Id;
            }
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < size && !IsHtmlSpace(text[end]))
            ++end;
        PutPendingSpace();
        Put(text.sliced(i, end - i));
        i = end;
    }
}

void TDocumentBuilder::PreformattedText(QStringView text)
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

void TDocumentBuilder::Put(QStringView text)
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

void TDocumentBuilder::PutPendingSpace()
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

void TDocumentBuilder::Flush()
{
    if (Run.isEmpty())
        return;
    Cursor.insertText(Run, RunFormat);
    Run.clear();
}

void TDocumentBuilder::NewLine()
{
    NewLine(Contexts.back().Block);
}

void TDocumentBuilder::NewLine(const QTextBlockFormat& format)
{
    Flush();
    Cursor.insertBlock(format);
    LineStart = true;
    PendingSpace = false;
}

// Starts a block-level element: on a line of its own, in the given block format.
void TDocumentBuilder::StartBlockArea(const QTextBlockFormat& format)
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
void TDocumentBuilder::EndBlockArea()
{
    StartBlockArea(Contexts.back().Block);
    SkipNewline = false;
}

void TDocumentBuilder::Push(TKind kind, const QString& name, QTextCharFormat charFormat, QTextBlockFormat blockFormat)
{
    const bool preformatted = kind == TKind::Pre || (Contexts.back().Preformatted && kind != TKind::Cell);
    Contexts.push_back({kind, name, std::move(charFormat), std::move(blockFormat), NextId++, preformatted});
}

void TDocumentBuilder::PopTo(std::size_t size)
{
    if (size >= 1 && size < Contexts.size())
        Contexts.resize(size);
}

void TDocumentBuilder::RecordAnchor(const QString& name)
{
    if (name.isEmpty() || Anchors.contains(name))
        return;
    Flush();
    Anchors.insert(name, Cursor.position());
}

void TDocumentBuilder::StartCell(const TTag& cell)
{
    CloseCell();
    TOpenTable& table = Tables.back();
    table.Row = std::max(table.Row, 0);
    ++table.Column;
    const TCellStyle& style = Style->Cell(table.Tag, cell);
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

void TDocumentBuilder::CloseCell()
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

void TDocumentBuilder::CloseTable()
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

// Reads the whole file at `path`; false when it cannot be read.
bool ReadFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

// ---------------------------------------------------------------------------------------------

// The formats of the style sheets met so far, kept from one document to the next: a document
// starts with Qt's own style and switches to its style sheet at its <link>.
struct THTMLViewer::TStyleCache {
    QFont Font;
    std::unordered_map<QString, std::unique_ptr<TPaneStyle>> Styles;

    // Called before a document is built, never during: the styles stay put while one is built.
    void Prepare(const QFont& font)
    {
        if (font != Font || Styles.size() > 8) {
            Styles.clear();
            Font = font;
        }
    }

    TPaneStyle& For(const QString& css)
    {
        std::unique_ptr<TPaneStyle>& style = Styles[css];
        if (!style)
            style = std::make_unique<TPaneStyle>(css, Font);
        return *style;
    }
};

THTMLViewer::THTMLViewer(QWidget* parent) : QTextBrowser(parent), Styles(std::make_unique<TStyleCache>())
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    connect(this, &QTextBrowser::anchorClicked, this, &THTMLViewer::OnAnchorClicked);
}

THTMLViewer::~THTMLViewer() = default;

void THTMLViewer::Load(const std::string& path)
{
    LoadFile(QFile::decodeName(QByteArray::fromStdString(path)));
}

bool THTMLViewer::LoadFile(const QString& path)
{
    std::string bytes;
    if (path.isEmpty() || !ReadFile(QFile::encodeName(path).toStdString(), bytes)) {
        Clear();
        return false;
    }
    const QString text = DecodeDocument(bytes);
    bytes = std::string();

    const QString folder = QFileInfo(path).absolutePath();
    const QFont documentFont = font();
    Styles->Prepare(documentFont);
    // The style sheet that the document links: a path, absolute or relative to the document's
    // folder, or a file URL. A missing style sheet leaves Qt's own rendering.
    auto styleSheet = [this, folder](const QString& href) -> TPaneStyle& {
        QString file = href;
        if (href.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
            file = QUrl(href).toLocalFile();
        QFile css(QDir(folder).filePath(file));
        const QString content = css.open(QIODevice::ReadOnly) ? QString::fromUtf8(css.readAll()) : QString();
        return Styles->For(content);
    };

    auto* document = new QTextDocument(this);
    document->setDefaultFont(documentFont);
    TDocumentBuilder builder(*document, Styles->For(QString()), styleSheet);
    builder.Build(text);
    ShowDocument(document, builder.TakeAnchors(), path);
    return true;
}

void THTMLViewer::Clear()
{
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
    const auto found = Anchors.constFind(name.startsWith(u'#') ? name.mid(1) : name);
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
    QMetaObject::invokeMethod(this, [this, href] { emit linkClicked(href); }, Qt::QueuedConnection);
}

QString THTMLViewer::HrefOfSelectedAnchor() const
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(cursor.selectionStart());
    cursor.movePosition(QTextCursor::NextCharacter);
    return cursor.charFormat().anchorHref();
}
