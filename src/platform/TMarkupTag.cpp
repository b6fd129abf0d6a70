#include "platform/TMarkupTag.h"

#include "platform/TMarkupText.h"

namespace {

bool IsNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':';
}

} // namespace

qsizetype TMarkupTag::Read(QStringView text, qsizetype i, TMarkupTag& tag)
{
    const qsizetype size = text.size();
    tag = TMarkupTag();
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
        while (i < size && (TMarkupText::IsSpace(text[i]) || text[i] == u'/'))
            ++i;
        if (i >= size)
            return -1;
        if (text[i] == u'>')
            return i + 1;
        const qsizetype attributeStart = i;
        while (i < size && !TMarkupText::IsSpace(text[i]) && text[i] != u'=' && text[i] != u'>' && text[i] != u'/')
            ++i;
        QString name = text.sliced(attributeStart, i - attributeStart).toString().toLower();
        if (name.isEmpty()) {
            ++i;  // a stray character such as a lone '=' or quote
            continue;
        }
        while (i < size && TMarkupText::IsSpace(text[i]))
            ++i;
        QString value;
        if (i < size && text[i] == u'=') {
            ++i;
            while (i < size && TMarkupText::IsSpace(text[i]))
                ++i;
            if (i < size && (text[i] == u'"' || text[i] == u'\'')) {
                const QChar quote = text[i];
                const qsizetype close = text.indexOf(quote, i + 1);
                if (close < 0)
                    return -1;
                value = TMarkupText::DecodeEntities(text.sliced(i + 1, close - i - 1));
                i = close + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < size && !TMarkupText::IsSpace(text[i]) && text[i] != u'>')
                    ++i;
                value = TMarkupText::DecodeEntities(text.sliced(valueStart, i - valueStart));
            }
        }
        tag.Attributes.emplace_back(std::move(name), std::move(value));
    }
}

QString TMarkupTag::StyleKey() const
{
    QString key = u'<' + Name;
    for (const auto& [name, value] : Attributes)
        if (name != u"href" && name != u"name" && name != u"id")
            key += u' ' + name + QStringLiteral("=\"") + TMarkupText::EscapeAttribute(value) + u'"';
    if (Has(u"href"))
        key += QStringLiteral(" href=\"#\"");
    return key + u'>';
}
