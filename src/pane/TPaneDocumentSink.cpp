// SPDX-License-Identifier: MIT
#include "pane/TPaneDocumentSink.h"

#include <QElapsedTimer>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>
#include <utility>

#include "model/TFileData.h"
#include "presentation/THTMLLink.h"
#include "presentation/THTMLWin.h"
#include "presentation/TLineLayout.h"
#include "model/TTextDecoder.h"

namespace {

constexpr char16_t NoBreakSpace = 0xA0;
constexpr char16_t CheckMark = 0x2714;

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
    Out.Start(*Document, Style->BaseChar, Style->BaseBlock);
    Out.BeginEdit();
    return true;
}

void TPaneDocumentSink::Discard()
{
    Document.reset();
    Deferring = false;
    Pending.clear();
    Next = 0;
    Out.Stop();
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
    Out.CloseAll();
    Out.EndEdit();
    return true;
}

std::unique_ptr<QTextDocument> TPaneDocumentSink::TakeDocument()
{
    // With calls kept, the writer goes on in the document once it is shown. The writer keeps
    // the anchors for TakeAnchors until the next document.
    if (HasPending())
        Out.EndEdit();
    return std::move(Document);
}

bool TPaneDocumentSink::BuildMore(qint64 milliseconds)
{
    if (!HasPending())
        return true;
    QElapsedTimer timer;
    timer.start();
    Deferring = false;
    Out.BeginEdit();
    while (HasPending() && (milliseconds < 0 || timer.elapsed() < milliseconds)) {
        // A few calls between looks at the clock.
        for (int i = 0; i < 64 && HasPending(); ++i)
            Replay(Pending[Next++]);
    }
    Out.EndEdit();
    if (HasPending()) {
        Deferring = true;
        return false;
    }
    Pending.clear();
    Next = 0;
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
    case TKind::Finish: Out.CloseAll(); break;
    }
}

void TPaneDocumentSink::WriteTitle(std::string_view title, std::string_view subtitle, int matchWindow)
{
    SingleFileView = subtitle.empty();
    if (!Document || !Options.TitleAndMenu)
        return;
    if (Options.FancyOutput) {
        Out.OpenTable(Style->Header.Table);
        LineEnd();
        Out.StartRow();
        Out.StartCell(Style->Header, true);
        Out.Text(Decode(title));
        Out.CloseCell();
        LineEnd();
        Out.StartRow();
        Out.StartCell(Style->Subheader, true);
        Out.Text(Decode(subtitle));
        Out.CloseCell();
        LineEnd();
        Out.CloseTable();
        Out.Break();
        LineEnd();
        Toolbar(matchWindow);
        Out.Break();
        Out.Text(QStringView(&NoBreakSpace, 1));
        Out.Break();
        LineEnd();
    } else {
        Out.PushInline(Style->Bold.Char);
        Out.Text(Decode(title));
        Out.Break();
        Out.Text(Decode(subtitle));
        Out.Pop();
        Out.Break();
        Out.Break();
        LineEnd();
        Toolbar(matchWindow);
        Out.Break();
        Out.Rule();
        Out.Break();
        LineEnd();
    }
}

void TPaneDocumentSink::Toolbar(int matchWindow)
{
    const THTMLOptions& o = Options;
    const auto link = [this](const char* href, const char* label) {
        Out.PushLink(Style->Link.Char, QString::fromLatin1(href));
        Out.Text(QString::fromLatin1(label));
        Out.Pop();
    };
    // The check mark of an option that is on, after a space, then what follows it.
    const auto mark = [this](bool on, QStringView after) {
        QString text = QStringLiteral(" ");
        if (on)
            text += QChar(CheckMark);
        text += after;
        Out.Text(text);
    };
    link("TogglePlain", o.FancyOutput ? "Plain" : "Fancy");
    Out.Text(u" | \n");
    link("ToggleFileContents", "File contents");
    mark(o.ShowFileContents, u"\n");
    if (!o.ShowFileContents)
        return;
    Out.Text(u" | ");
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
    Out.Text(u"Match window: +/- \n");
    for (int w = 0; w <= 5; ++w) {
        const QString digit = QString::number(w);
        Out.PushLink(Style->Link.Char, QStringLiteral("SMW") + digit);
        Out.Text(digit);
        Out.Pop();
        QString after;
        if (matchWindow == w)
            after += QChar(CheckMark);
        after += w < 5 ? QStringLiteral(" | \n") : QStringLiteral(" lines\n");
        Out.Text(after);
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
            Out.OpenTable(Style->FileHeader.Table);
            Out.StartRow();
            Out.StartCell(Style->FileHeader, true);
            LineEnd();
            Out.Text(name);
            LineEnd();
            Out.CloseCell();
            LineEnd();
            Out.CloseTable();
            LineEnd();
            const TResultsPaneStyle::TCellStyle& body = Options.WordWrap ? Style->WrappedBody : Style->Body;
            Out.OpenTable(body.Table);
            Out.StartRow();
            Out.StartCell(body, false);
            LineEnd();
        } else {
            Out.PushInline(Style->Bold.Char);
            LineEnd();
            Out.Text(name);
            LineEnd();
            Out.Pop();
            Out.Break();
            LineEnd();
        }
    }
    if (Options.FixedFont) {
        Out.StartPre(Style->Pre);
        LineEnd();
    }
}

void TPaneDocumentSink::WriteFileFooter()
{
    if (Deferring) {
        Keep(TPendingCall(TPendingCall::TKind::FileFooter));
        return;
    }
    if (!Out.IsWriting())
        return;
    if (Options.FixedFont) {
        Out.EndPre();
        LineEnd();
    }
    if (!Options.FileNames)
        return;
    LineEnd();
    if (Options.FancyOutput) {
        Out.CloseCell();
        Out.CloseTable();
        Out.Text(QStringView(&NoBreakSpace, 1));
        LineEnd();
    } else if (Options.ShowFileContents) {
        Out.Break();
        LineEnd();
    }
}

void TPaneDocumentSink::MatchLink(const QString& text, const QString& href)
{
    Out.PushLink(Style->Link.Char, href);
    Out.PushInline(Style->Match.Char);
    Out.Text(text);
    Out.Pop();
    Out.Pop();
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
            Out.PushInline(Style->Number.Char);
            if (Options.LineNumbers)
                Out.Text(number);
            Out.Pop();
            Out.Text(u" ");
            MatchLink(Decode(layout.MatchText(match)), href(match));
            Out.Break();
            LineEnd();
        }
        return;
    }

    const bool matching = layout.HasMatches();
    const bool anchored = matching && SingleFileView;
    if (anchored) {
        Out.PushInline(Style->MatchingLine.Char);
        Out.RecordAnchor(QStringLiteral("Line") + number);
    }
    if (Options.LineNumbers) {
        if (matching) {
            Out.PushInline(Style->Number.Char);
            Out.Text(number);
            Out.Pop();
        } else {
            Out.Text(number);
        }
    }
    Out.Text(u" ");
    for (const TLineLayout::TRun& run : layout.Runs()) {
        if (run.Match)
            MatchLink(Decode(run.Text), href(*run.Match));
        else
            Out.Text(Decode(run.Text));
    }
    if (anchored)
        Out.Pop();
    Out.Break();
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
    if (!Out.IsWriting())
        return;
    Out.Text(QStringView(&NoBreakSpace, 1));
    Out.Break();
    LineEnd();
}

void TPaneDocumentSink::WriteNote(std::string_view text)
{
    if (Deferring) {
        Keep(TPendingCall(TPendingCall::TKind::Note, std::string(text)));
        return;
    }
    if (!Out.IsWriting())
        return;
    Out.Text(Decode(text));
    LineEnd();
}

void TPaneDocumentSink::WriteMessageLine(std::string_view text)
{
    if (Deferring) {
        Keep(TPendingCall(TPendingCall::TKind::Message, std::string(text)));
        return;
    }
    if (!Out.IsWriting())
        return;
    Out.Text(Decode(text));
    Out.Break();
    LineEnd();
}
