// SPDX-License-Identifier: MIT
#include "adapters/TQtShellInfo.h"

#include <QApplication>
#include <QStyle>

namespace {

QMimeType TypeOf(const QMimeDatabase& mime, const std::string& fullPath)
{
    // Matching by name alone keeps this cheap: the file's content is read by the search anyway.
    return mime.mimeTypeForFile(QString::fromStdString(fullPath), QMimeDatabase::MatchExtension);
}

} // namespace

std::string TQtShellInfo::TypeName(const std::string& fullPath)
{
    const QByteArray name = TypeOf(Mime, fullPath).comment().left(79).toUtf8();
    return std::string(name.constData(), static_cast<std::size_t>(name.size()));
}

std::unique_ptr<TFileIcon> TQtShellInfo::Icon(const std::string& fullPath)
{
    return std::make_unique<TQtFileIcon>(IconOf(TypeOf(Mime, fullPath)));
}

QIcon TQtShellInfo::IconOf(const QMimeType& type)
{
    const auto found = IconsByType.constFind(type.name());
    if (found != IconsByType.constEnd())
        return *found;
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull() && QApplication::style() != nullptr)
        icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    IconsByType.insert(type.name(), icon);
    return icon;
}
