// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QString>
#include <QTextFormat>

// The formats of the elements of a results document under one style sheet, as Qt renders them:
// each kind of element that THTMLWin writes is rendered once by Qt's HTML importer in a scratch
// document that carries the style sheet, and the formats read back are what the pane applies,
// so the style sheet that a browser reads is the one that the pane follows. Rules for
// descendants ("a .match") are therefore not applied; the style sheet styles each class alone.
class TResultsPaneStyle {
public:
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

    TResultsPaneStyle(const QString& css, const QFont& font);

    // The style sheet and the font the formats were rendered with.
    const QString Css;
    const QFont Font;

    // The document's body text, without vertical margins, and its root frame.
    QTextCharFormat BaseChar;
    QTextBlockFormat BaseBlock;
    QTextFrameFormat Root;

    TInlineStyle Bold;          // <b>
    TInlineStyle Link;          // <a href=...>
    TInlineStyle MatchingLine;  // <a class=matchingline name=...>
    TInlineStyle Match;         // <FONT class=match>
    TInlineStyle Number;        // <FONT class=number>
    TInlineStyle Pre;           // <pre>

    TCellStyle Header;       // the title
    TCellStyle Subheader;    // the search summary under it
    TCellStyle FileHeader;   // the bar above a file's lines
    TCellStyle Body;         // the cell of a file's lines, 5000 pixels wide
    TCellStyle WrappedBody;  // the same, as wide as the pane
};
