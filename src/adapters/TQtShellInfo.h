// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

#include "model/TShellInfo.h"

// A file's icon as the toolkit gives it.
class TQtFileIcon final : public TFileIcon {
public:
    explicit TQtFileIcon(QIcon icon) : Icon(std::move(icon)) {}
    QIcon Icon;
};

// Type names from the MIME database (the type's description, matched by the file's name) and
// icons for the MIME type from the icon theme, falling back to its generic icon and then to the
// style's file icon. Icons are kept per MIME type, so thousands of files share a few icons.
// Used on the thread that runs the search; icons need a running QGuiApplication.
class TQtShellInfo final : public TShellInfo {
public:
    std::string TypeName(const std::string& fullPath) override;
    std::unique_ptr<TFileIcon> Icon(const std::string& fullPath) override;

private:
    QIcon IconOf(const QMimeType& type);

    QMimeDatabase Mime;
    QHash<QString, QIcon> IconsByType;
};
