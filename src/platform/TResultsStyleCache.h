#pragma once

#include <QFont>
#include <QString>

#include <memory>
#include <unordered_map>

#include "platform/TResultsStyleProbe.h"

// The formats of the style sheets met so far, kept from one document to the next: a document
// starts with Qt's own style and switches to its style sheet at its <link>.
class TResultsStyleCache {
public:
    // Called before a document is built, never during: the styles stay put while one is built.
    // A change of font, or more than a few style sheets kept, starts the cache afresh.
    void Prepare(const QFont& font);

    // The formats of the style sheet `css`, rendered with the font of the last Prepare at their
    // first use. The reference stays valid until the next Prepare.
    TResultsStyleProbe& For(const QString& css);

private:
    QFont Font;
    std::unordered_map<QString, std::unique_ptr<TResultsStyleProbe>> Styles;
};
