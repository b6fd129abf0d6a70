#pragma once

#include <QString>
#include <QStringView>

#include <string_view>

// The character level of a results document's markup: its text decoded from the file's bytes,
// white space as the markup reads it, and character entities both ways.
class TMarkupText {
public:
    // The document's text: valid UTF-8 as UTF-8, every other byte as Windows-1252. Characters that
    // a QTextDocument reads as structure (paragraph and frame marks, object placeholders) and NUL
    // could only come from a searched file's text; they show as the replacement character.
    static QString DecodeDocument(std::string_view bytes);

    // Defined here so that the per-character loops of the readers inline it.
    static bool IsSpace(QChar c)
    {
        const char16_t u = c.unicode();
        return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\f';
    }

    // Appends the character that the entity at text[i] ('&') stands for and returns the index
    // after it; an ampersand that starts no known entity stands for itself.
    static qsizetype AppendEntity(QStringView text, qsizetype i, QString& out);
    static QString DecodeEntities(QStringView text);
    // The value ready to sit between double quotes in a tag.
    static QString EscapeAttribute(const QString& value);
};
