#include "platform/TResultsStyleProbe.h"

#include <QFont>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>

#include "platform/TMarkupTag.h"

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

} // namespace

TResultsStyleProbe::TResultsStyleProbe(const QString& css, const QFont& font)
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

const TResultsStyleProbe::TInlineStyle& TResultsStyleProbe::Inline(const TMarkupTag& tag)
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

const TResultsStyleProbe::TCellStyle& TResultsStyleProbe::Cell(const TMarkupTag& table, const TMarkupTag& cell)
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

void TResultsStyleProbe::Render(const QString& body)
{
    Scratch.setHtml(QStringLiteral("<html><body>") + body + QStringLiteral("</body></html>"));
}
