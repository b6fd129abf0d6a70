#pragma once

#include <QFileIconProvider>
#include <QIcon>
#include <QMimeDatabase>

#include "model/TShellInfo.h"

// A file's icon as the toolkit gives it.
class TQtFileIcon final : public TFileIcon {
public:
    explicit TQtFileIcon(QIcon icon) : Icon(std::move(icon)) {}
    QIcon Icon;
};

// Type names from the MIME database (the type's description) and icons from the platform theme.
// Used on the thread that runs the search; icons need a running QGuiApplication.
class TQtShellInfo final : public TShellInfo {
public:
    std::string TypeName(const std::string& fullPath) override;
    std::unique_ptr<TFileIcon> Icon(const std::string& fullPath) override;

private:
    QMimeDatabase Mime;
    QFileIconProvider Icons;
};
