#pragma once

#include <QString>
#include <QTextDocument>
#include <QTextFormat>

#include <unordered_map>

class QFont;
struct TMarkupTag;

// The formats of one style sheet, as Qt renders it: each kind of element is rendered once by Qt's
// HTML importer in a scratch document that carries the style sheet, and the formats read back
// from it are used for every element of that kind, so the style sheet that a browser reads is the
// one that the results pane applies. Rules for descendants ("a .match") are therefore not
// applied; the style sheet styles each class on its own.
class TResultsStyleProbe {
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

    TResultsStyleProbe(const QString& css, const QFont& font);

    // The formats of the document's body text, without vertical margins, and of its root frame.
    QTextCharFormat BaseChar;
    QTextBlockFormat BaseBlock;
    QTextFrameFormat Root;

    // The style of an element of the tag's kind, rendered at its first use. The reference stays
    // valid as long as the probe.
    const TInlineStyle& Inline(const TMarkupTag& tag);
    // The style of a cell of the kind `cell` in a table of the kind `table`, rendered at its first
    // use. The reference stays valid as long as the probe.
    const TCellStyle& Cell(const TMarkupTag& table, const TMarkupTag& cell);

private:
    void Render(const QString& body);

    QTextDocument Scratch;
    std::unordered_map<QString, TInlineStyle> Inlines;
    std::unordered_map<QString, TCellStyle> Cells;
};
