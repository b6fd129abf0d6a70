#include "platform/TPaneDocumentSink.h"

#include <QElapsedTimer>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <algorithm>
#include <utility>

#include "model/TFileData.h"
#include "presentation/THTMLLink.h"
#include "presentation/THTMLWin.h"
#include "presentation/TLineLayout.h"
#include "presentation/TTextDecoder.h"

namespace {

constexpr char16_t NoBreakSpace = 0xA0;
constexpr char16_t CheckMark = 0x2714;

bool IsSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\f';
}

QString Latin(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TPaneDocumentSink::TPaneDocumentSink() = default;
TPaneDocumentSink::~TPaneDocumentSink() = default;

QString TPaneDocumentSink::Decode(std::string_view bytes)
{
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    QString text;
    if (ascii) {
        text = Latin(bytes);
    } else {
        const std::string utf8 = TTextDecoder::ToUtf8(bytes);
        text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    }
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u == 0 || u == 0x2028 || u == 0x2029 || u == 0xFDD0 || u == 0xFDD1 || u == 0xFFFC)
            c = QChar(0xFFFD);
    }
    return text;
}

void TPaneDocumentSink::Prepare(const THTMLOptions& options, const TResultsPaneStyle& style)
{
    Options = options;
    Style = &style;
}

bool TPaneDocumentSink::BeginDocument()
{
    Discard();
    Document = std::make_unique<QTextDocument>();
    Document->setUndoRedoEnabled(false);
    Document->setDefaultFont(Style->Font);
    Document->rootFrame()->setFrameFormat(Style->Root);
    Cursor = QTextCursor(Document.get());
    Contexts.push_back({TKind::Root, Style->BaseChar, Style->BaseBlock, NextId++, false});
    Cursor.setBlockFormat(Style->BaseBlock);
    Cursor.beginEditBlock();
    return true;
}

void TPaneDocumentSink::Discard()
{
    Document.reset();
    Deferring = false;
    Pending.clear();
    Next = 0;
    Cursor = QTextCursor();
    Contexts.clear();
    Tables.clear();
    Anchors.clear();
    Run.clear();
    RunId = ~quint64(0);
    LineStart = true;
    PendingSpace = false;
    SkipNewline = false;
    SingleFileView = false;
}

bool TPaneDocumentSink::FinishDocument()
{
    if (Deferring) {
        Keep(TPendingCall(TPendingCall::TKind::Finish));
        return true;
    }
    if (!Document)
        return false;
    EndDocument();
    Cursor.endEditBlock();
    return true;
}

void TPaneDocumentSink::EndDocument()
{
    while (!Tables.empty())
        CloseTable();
    Flush();
}

std::unique_ptr<QTextDocument> TPaneDocumentSink::TakeDocument()
{
    if (!HasPending()) {
        Cursor = QTextCursor();
        Contexts.clear();
        return std::move(Document);
    }
    // The builder goes on in the document once it is shown.
    Flush();
    Cursor.endEditBlock();
    return std::move(Document);
}

bool TPaneDocumentSink::BuildMore(qint64 milliseconds)
{
    if (!HasPending())
        return true;
    QElapsedTimer timer;
    timer.start();
    Deferring = false;
    Cursor.beginEditBlock();
    while (HasPending() && (milliseconds < 0 || timer.elapsed() < milliseconds)) {
        // A few calls between looks at the clock.
        for (int i = 0; i < 64 && HasPending(); ++i)
            Replay(Pending[Next++]);
    }
    Flush();
    Cursor.endEditBlock();
    if (HasPending()) {
        Deferring = true;
        return false;
    }
    Pending.clear();
    Next = 0;
    Cursor = QTextCursor();
    Contexts.clear();
    Tables.clear();
    return true;
}

void TPaneDocumentSink::Replay(const TPendingCall& call)
{
    using TKind = TPendingCall::TKind;
    switch (call.Kind) {
    case TKind::FileHeader: FileHeading(Decode(call.Text)); break;
    case TKind::Line:
        Line(TLineLayout(call.Text, TLinePlace{call.LineNumber, call.Piece}, call.Matches, 0), call.LineNumber, call.Path);
        break;
    case TKind::Gap: WriteGapMarker(); break;
    case TKind::Note: WriteNote(call.Text); break;
    case TKind::Message: WriteMessageLine(call.Text); break;
    case TKind::FileFooter: WriteFileFooter(); break;
    case TKind::Finish: EndDocument(); break;
    }
}

void TPaneDocumentSink::WriteTitle(std::string_view title, std::string_view subtitle, int matchWindow)
{
    SingleFileView = subtitle.empty();
    if (!Document || !Options.TitleAndMenu)
        return;
    if (Options.FancyOutput) {
        OpenTable(Style->Header.Table);
        LineEnd();
        StartRow();
        StartCell(Style->Header, true);
        Text(Decode(title));
        CloseCell();
        LineEnd();
        StartRow();
        StartCell(Style->Subheader, true);
        Text(Decode(subtitle));
        CloseCell();
        LineEnd();
        CloseTable();
        Break();
        LineEnd();
        Toolbar(matchWindow);
        Break();
        Text(QStringView(&NoBreakSpace, 1));
        Break();
        LineEnd();
    } else {
        PushInline(Style->Bold.Char);
        Text(Decode(title));
        Break();
        Text(Decode(subtitle));
        Pop();
        Break();
        Break();
        LineEnd();
        Toolbar(matchWindow);
        Break();
        // A horizontal rule: a block of its own.
        Flush();
        if (!BlockIsEmpty())
            NewLine();
        QTextBlockFormat ruler = Contexts.back().Block;
        ruler.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 100));
        Cursor.setBlockFormat(ruler);
        NewLine();
        Break();
        LineEnd();
    }
}

void TPaneDocumentSink::Toolbar(int matchWindow)
{
    const THTMLOptions& o = Options;
    const auto link = [this](const char* href, const char* label) {
        PushLink(Style->Link.Char, QString::fromLatin1(href));
        Text(QString::fromLatin1(label));
        Pop();
    };
    // The check mark of an option that is on, after a space, then what follows it.
    const auto mark = [this](bool on, QStringView after) {
        QString text = QStringLiteral(" ");
        if (on)
            text += QChar(CheckMark);
        text += after;
        Text(text);
    };
    link("TogglePlain", o.FancyOutput ? "Plain" : "Fancy");
    Text(u" | \n");
    link("ToggleFileContents", "File contents");
    mark(o.ShowFileContents, u"\n");
    if (!o.ShowFileContents)
        return;
    Text(u" | ");
    link("ToggleFilenames", "File names");
    mark(o.FileNames, u" | \n");
    link("ToggleLineNumbers", "Line numbers");
    mark(o.LineNumbers, u" | \n");
    link("ToggleMatchesOnly", "Whole line");
    mark(!o.MatchesOnly, u" | \n");
    if (o.FancyOutput) {
        link("ToggleWordWrap", "Word wrap");
        mark(o.WordWrap, u" | \n");
    }
    link("ToggleFixedFont", "Fixed Font");
    mark(o.FixedFont, u" | \n");
    Text(u"Match window: +/- \n");
    for (int w = 0; w <= 5; ++w) {
        const QString digit = QString::number(w);
        PushLink(Style->Link.Char, QStringLiteral("SMW") + digit);
        Text(digit);
        Pop();
        QString after;
        if (matchWindow == w)
            after += QChar(CheckMark);
        after += w < 5 ? QStringLiteral(" | \n") : QStringLiteral(" lines\n");
        Text(after);
    }
}

void TPaneDocumentSink::WriteFileHeader(const TFileData& file)
{
    if (Deferring)
        Keep(TPendingCall(TPendingCall::TKind::FileHeader, THTMLWin::HeadingText(file)));
    else if (Document)
        FileHeading(Decode(THTMLWin::HeadingText(file)));
}

void TPaneDocumentSink::FileHeading(const QString& name)
{
    if (Options.FileNames) {
        if (Options.FancyOutput) {
            OpenTable(Style->FileHeader.Table);
            StartRow();
            StartCell(Style->FileHeader, true);
            LineEnd();
            Text(name);
            LineEnd();
            CloseCell();
            LineEnd();
            CloseTable();
            LineEnd();
            const TResultsPaneStyle::TCellStyle& body = Options.WordWrap ? Style->WrappedBody : Style->Body;
            OpenTable(body.Table);
            StartRow();
            StartCell(body, false);
            LineEnd();
        } else {
            PushInline(Style->Bold.Char);
            LineEnd();
            Text(name);
            LineEnd();
            Pop();
            Break();
            LineEnd();
        }
    }
    if (Options.FixedFont) {
        StartPre();
        LineEnd();
    }
}

void TPaneDocumentSink::WriteFileFooter()
{
    if (Deferring) {
        Keep(TPendingCall(TPendingCall::TKind::FileFooter));
        return;
    }
    if (!Cursor.document())
        return;
    if (Options.FixedFont) {
        EndPre();
        LineEnd();
    }
    if (!Options.FileNames)
        return;
    LineEnd();
    if (Options.FancyOutput) {
        CloseCell();
        CloseTable();
        Text(QStringView(&NoBreakSpace, 1));
        LineEnd();
    } else if (Options.ShowFileContents) {
        Break();
        LineEnd();
    }
}

void TPaneDocumentSink::MatchLink(const QString& text, const QString& href)
{
    PushLink(Style->Link.Char, href);
    PushInline(Style->Match.Char);
    Text(text);
    Pop();
    Pop();
}

void TPaneDocumentSink::WriteFileLine(std::string_view lineText, int64_t lineNumber, const TMatchList& matches,
                                      std::size_t firstIndex, std::string_view filePath, uint32_t piece)
{
    if (!Options.ShowFileContents)
        return;
    const TLineLayout layout(lineText, TLinePlace{lineNumber, piece}, matches, firstIndex);
    if (Deferring) {
        TPendingCall call(TPendingCall::TKind::Line, std::string(lineText));
        call.Path = filePath;
        call.LineNumber = lineNumber;
        call.Piece = piece;
        call.Matches.assign(layout.begin(), layout.end());
        Keep(std::move(call));
        return;
    }
    if (!Document)
        return;
    Line(layout, lineNumber, filePath);
    // Enough for the first screens: the rest is built once the document is shown.
    if (Document->blockCount() >= ShownAtOnce)
        Deferring = true;
}

void TPaneDocumentSink::Line(const TLineLayout& layout, int64_t lineNumber, std::string_view filePath)
{
    const QString number = Latin(THTMLWin::NumberText(lineNumber));
    const auto href = [&](const TMatch& match) {
        return Decode(THTMLLink::OpenFileLink(filePath, lineNumber, match.StartPos));
    };
    if (Options.MatchesOnly) {
        for (const TMatch& match : layout) {
            PushInline(Style->Number.Char);
            if (Options.LineNumbers)
                Text(number);
            Pop();
            Text(u" ");
            MatchLink(Decode(layout.MatchText(match)), href(match));
            Break();
            LineEnd();
        }
        return;
    }

    const bool matching = layout.HasMatches();
    const bool anchored = matching && SingleFileView;
    if (anchored) {
        PushInline(Style->MatchingLine.Char);
        RecordAnchor(QStringLiteral("Line") + number);
    }
    if (Options.LineNumbers) {
        if (matching) {
            PushInline(Style->Number.Char);
            Text(number);
            Pop();
        } else {
            Text(number);
        }
    }
    Text(u" ");
    for (const TLineLayout::TRun& run : layout.Runs()) {
        if (run.Match)
            MatchLink(Decode(run.Text), href(*run.Match));
        else
            Text(Decode(run.Text));
    }
    if (anchored)
        Pop();
    Break();
    LineEnd();
}

void TPaneDocumentSink::WriteGapMarker()
{
    if (Options.MatchesOnly || !Options.ShowFileContents)
        return;
    if (Deferring) {
        Keep(TPendingCall(TPendingCall::TKind::Gap));
        return;
    }
    if (!Cursor.document())
        return;
    Text(QStringView(&NoBreakSpace, 1));
    Break();
    LineEnd();
}

void TPaneDocumentSink::WriteNote(std::string_view text)
{
    if (Deferring) {
        Keep(TPendingCall(TPendingCall::TKind::Note, std::string(text)));
        return;
    }
    if (!Cursor.document())
        return;
    Text(Decode(text));
    LineEnd();
}

void TPaneDocumentSink::WriteMessageLine(std::string_view text)
{
    if (Deferring) {
        Keep(TPendingCall(TPendingCall::TKind::Message, std::string(text)));
        return;
    }
    if (!Cursor.document())
        return;
    Text(Decode(text));
    Break();
    LineEnd();
}

void TPaneDocumentSink::Text(QStringView text)
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

void TPaneDocumentSink::PreformattedText(QStringView text)
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

void TPaneDocumentSink::Put(QStringView text)
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

void TPaneDocumentSink::PutPendingSpace()
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

void TPaneDocumentSink::Flush()
{
    if (Run.isEmpty())
        return;
    Cursor.insertText(Run, RunFormat);
    Run.clear();
}

// A line break ("<br>").
void TPaneDocumentSink::Break()
{
    NewLine();
    SkipNewline = true;
}

void TPaneDocumentSink::NewLine()
{
    NewLine(Contexts.back().Block);
}

void TPaneDocumentSink::NewLine(const QTextBlockFormat& format)
{
    Flush();
    Cursor.insertBlock(format);
    LineStart = true;
    PendingSpace = false;
}

// Starts a block-level element: on a line of its own, in the given block format.
void TPaneDocumentSink::StartBlockArea(const QTextBlockFormat& format)
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
void TPaneDocumentSink::EndBlockArea()
{
    StartBlockArea(Contexts.back().Block);
    SkipNewline = false;
}

void TPaneDocumentSink::PushInline(const QTextCharFormat& added)
{
    QTextCharFormat format = Contexts.back().Char;
    format.merge(added);
    Push(TKind::Inline, std::move(format), Contexts.back().Block);
}

void TPaneDocumentSink::PushLink(const QTextCharFormat& added, const QString& href)
{
    QTextCharFormat format = Contexts.back().Char;
    format.merge(added);
    format.setAnchor(true);
    format.setAnchorHref(href);
    Push(TKind::Inline, std::move(format), Contexts.back().Block);
}

void TPaneDocumentSink::Push(TKind kind, QTextCharFormat charFormat, QTextBlockFormat blockFormat)
{
    const bool preformatted = kind == TKind::Pre || (Contexts.back().Preformatted && kind != TKind::Cell);
    Contexts.push_back({kind, std::move(charFormat), std::move(blockFormat), NextId++, preformatted});
}

void TPaneDocumentSink::Pop()
{
    if (Contexts.size() > 1 && Contexts.back().Kind != TKind::Cell && Contexts.back().Kind != TKind::Table)
        Contexts.pop_back();
}

void TPaneDocumentSink::PopTo(std::size_t size)
{
    if (size >= 1 && size < Contexts.size())
        Contexts.resize(size);
}

void TPaneDocumentSink::StartPre()
{
    QTextCharFormat charFormat = Contexts.back().Char;
    charFormat.merge(Style->Pre.Char);
    QTextBlockFormat blockFormat = Contexts.back().Block;
    blockFormat.merge(Style->Pre.Block);
    StartBlockArea(blockFormat);
    Push(TKind::Pre, charFormat, blockFormat);
    SkipNewline = true;
}

void TPaneDocumentSink::EndPre()
{
    if (Contexts.back().Kind != TKind::Pre)
        return;
    Contexts.pop_back();
    EndBlockArea();
}

void TPaneDocumentSink::RecordAnchor(const QString& name)
{
    if (name.isEmpty() || Anchors.contains(name))
        return;
    Flush();
    Anchors.insert(name, Cursor.position());
}

void TPaneDocumentSink::OpenTable(const QTextTableFormat& format)
{
    Flush();
    Push(TKind::Table, Contexts.back().Char, Contexts.back().Block);
    Tables.push_back({&format, Contexts.size() - 1});
}

void TPaneDocumentSink::StartRow()
{
    if (Tables.empty())
        return;
    CloseCell();
    ++Tables.back().Row;
    Tables.back().Column = -1;
}

void TPaneDocumentSink::StartCell(const TResultsPaneStyle::TCellStyle& style, bool heading)
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

void TPaneDocumentSink::CloseCell()
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

void TPaneDocumentSink::CloseTable()
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
