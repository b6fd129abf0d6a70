#include "platform/TResultsStyleCache.h"

void TResultsStyleCache::Prepare(const QFont& font)
{
    if (font != Font || Styles.size() > 8) {
        Styles.clear();
        Font = font;
    }
}

TResultsStyleProbe& TResultsStyleCache::For(const QString& css)
{
    std::unique_ptr<TResultsStyleProbe>& style = Styles[css];
    if (!style)
        style = std::make_unique<TResultsStyleProbe>(css, Font);
    return *style;
}
