#include "platform/TQtShellInfo.h"

#include <QFileInfo>

std::string TQtShellInfo::TypeName(const std::string& fullPath)
{
    // Matching by name alone keeps this cheap: the file's content is read by the search anyway.
    const QMimeType type = Mime.mimeTypeForFile(QString::fromStdString(fullPath), QMimeDatabase::MatchExtension);
    const QByteArray name = type.comment().left(79).toUtf8();
    return std::string(name.constData(), static_cast<std::size_t>(name.size()));
}

std::unique_ptr<TFileIcon> TQtShellInfo::Icon(const std::string& fullPath)
{
    return std::make_unique<TQtFileIcon>(Icons.icon(QFileInfo(QString::fromStdString(fullPath))));
}
