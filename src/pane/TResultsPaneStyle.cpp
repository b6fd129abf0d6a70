// SPDX-License-Identifier: MIT
#include "pane/TResultsPaneStyle.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace {

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

// Renders samples of the document's elements with the style sheet.
class TSampler {
public:
    TSampler(const QString& css, const QFont& font)
    {
        Scratch.setDefaultFont(font);
        Scratch.setDefaultStyleSheet(css);
        Scratch.setUndoRedoEnabled(false);
    }

    void Render(const QString& body)
    {
        Scratch.setHtml(QStringLiteral("<html><body>") + body + QStringLiteral("</body></html>"));
    }

    // `start` is an element's start tag, `name` its name.
    TResultsPaneStyle::TInlineStyle Inline(const QString& start, const QString& name)
    {
        Render(QStringLiteral("X1a") + start + QStringLiteral("X2b</") + name + u'>');
        const QTextCursor outer = Scratch.find(QStringLiteral("X1a"));
        const QTextCursor inner = Scratch.find(QStringLiteral("X2b"));
        TResultsPaneStyle::TInlineStyle style;
        if (!inner.isNull() && !outer.isNull()) {
            style.Char = Difference<QTextCharFormat>(inner.charFormat(), outer.charFormat());
            // The pane sets link targets itself, and keeps anchor names out of the formats.
            style.Char.clearProperty(QTextFormat::IsAnchor);
            style.Char.clearProperty(QTextFormat::AnchorHref);
            style.Char.clearProperty(QTextFormat::AnchorName);
            style.Block = Difference<QTextBlockFormat>(inner.blockFormat(), outer.blockFormat());
            RemoveVerticalMargins(style.Block);
        }
        return style;
    }

    TResultsPaneStyle::TCellStyle Cell(const QString& table, const QString& cell, const TResultsPaneStyle& base)
    {
        Render(table + QStringLiteral("<tr>") + cell + QStringLiteral("X3c</td></tr></table>"));
        const QTextCursor text = Scratch.find(QStringLiteral("X3c"));
        TResultsPaneStyle::TCellStyle style;
        style.Char = base.BaseChar;
        style.Block = base.BaseBlock;
        if (QTextTable* t = text.isNull() ? nullptr : text.currentTable()) {
            style.Table = t->format();
            style.Cell = t->cellAt(text).format().toTableCellFormat();
            style.Char = text.charFormat();
            style.Block = text.blockFormat();
            RemoveVerticalMargins(style.Block);
        }
        return style;
    }

    QTextDocument Scratch;
};

} // namespace

TResultsPaneStyle::TResultsPaneStyle(const QString& css, const QFont& font) : Css(css), Font(font)
{
    TSampler sampler(css, font);
    sampler.Render(QStringLiteral("X1a"));
    const QTextCursor base = sampler.Scratch.find(QStringLiteral("X1a"));
    BaseChar = base.charFormat();
    BaseBlock = base.blockFormat();
    RemoveVerticalMargins(BaseBlock);
    Root = sampler.Scratch.rootFrame()->frameFormat();

    Bold = sampler.Inline(QStringLiteral("<b>"), QStringLiteral("b"));
    Link = sampler.Inline(QStringLiteral("<a href=\"#\">"), QStringLiteral("a"));
    MatchingLine = sampler.Inline(QStringLiteral("<a class=\"matchingline\">"), QStringLiteral("a"));
    Match = sampler.Inline(QStringLiteral("<font class=\"match\">"), QStringLiteral("font"));
    Number = sampler.Inline(QStringLiteral("<font class=\"number\">"), QStringLiteral("font"));
    Pre = sampler.Inline(QStringLiteral("<pre>"), QStringLiteral("pre"));

    const QString heading = QStringLiteral("<table border=\"0\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">");
    Header = sampler.Cell(heading, QStringLiteral("<td class=\"header\">"), *this);
    Subheader = sampler.Cell(heading, QStringLiteral("<td class=\"subheader\">"), *this);
    FileHeader = sampler.Cell(heading, QStringLiteral("<td class=\"fileheader\">"), *this);
    Body = sampler.Cell(QStringLiteral("<table border=\"0\" cellpadding=\"3\" cellspacing=\"0\" width=\"5000\">"),
                        QStringLiteral("<td>"), *this);
    WrappedBody = sampler.Cell(QStringLiteral("<table border=\"0\" cellpadding=\"3\" cellspacing=\"0\" width=\"100%\">"),
                               QStringLiteral("<td>"), *this);
}
