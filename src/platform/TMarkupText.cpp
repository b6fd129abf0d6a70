#include "platform/TMarkupText.h"

#include <string>
#include <utility>

#include "model/TTextDecoder.h"

QString TMarkupText::DecodeDocument(std::string_view bytes)
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

qsizetype TMarkupText::AppendEntity(QStringView text, qsizetype i, QString& out)
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

QString TMarkupText::DecodeEntities(QStringView text)
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

QString TMarkupText::EscapeAttribute(const QString& value)
{
    QString out = value;
    out.replace(u'&', QStringLiteral("&amp;")).replace(u'"', QStringLiteral("&quot;"));
    out.replace(u'<', QStringLiteral("&lt;")).replace(u'>', QStringLiteral("&gt;"));
    return out;
}
