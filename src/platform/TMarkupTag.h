#pragma once

#include <QString>
#include <QStringView>

#include <utility>
#include <vector>

// One start or end tag of a results document: its name in lower case and its attributes, values
// with entities decoded.
struct TMarkupTag {
    QString Name;
    bool Closing = false;
    std::vector<std::pair<QString, QString>> Attributes;

    // Reads the tag that starts at text[i] ('<') into `tag`; returns the index after its '>', or
    // -1 when the text ends inside it. The caller passes the same tag for every read, so that its
    // storage is reused.
    static qsizetype Read(QStringView text, qsizetype i, TMarkupTag& tag);

    bool Has(QStringView attribute) const
    {
        for (const auto& [name, value] : Attributes)
            if (name == attribute)
                return true;
        return false;
    }

    QString Value(QStringView attribute) const
    {
        for (const auto& [name, value] : Attributes)
            if (name == attribute)
                return value;
        return {};
    }

    // The tag as it styles its content: without the attributes that differ from one element to
    // the next of the same kind (link targets, anchor names), so that all of them share one
    // rendering of the style sheet.
    QString StyleKey() const;
};
