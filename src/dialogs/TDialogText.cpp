#include "dialogs/TDialogText.h"

#include <QFile>

#include "presentation/TTextDecoder.h"

QString TDialogText::Show(std::string_view bytes)
{
    const std::string utf8 = TTextDecoder::ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string TDialogText::Take(const QString& shown, const std::string& original)
{
    if (shown == Show(original))
        return original;
    return shown.toStdString();
}

std::string TDialogText::FromPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}
