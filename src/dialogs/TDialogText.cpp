// SPDX-License-Identifier: MIT
#include "dialogs/TDialogText.h"

#include <QFile>

#include "model/TTextDecoder.h"

QString TDialogText::Show(std::string_view bytes)
{
    const std::string utf8 = TTextDecoder::ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string TDialogText::Take(const QString& shown, const std::string& original)
{
    if (shown == Show(original))
        return original;
    return Bytes(shown);
}

std::string TDialogText::Bytes(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

QString TDialogText::ShowPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string TDialogText::FromPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

std::string TDialogText::FromPath(const QString& path, const std::string& offered)
{
    const QString offeredText = ShowPath(offered);
    if (!offered.empty() && (path == offeredText || path.startsWith(offeredText + QLatin1Char('/'))))
        return offered + FromPath(path.mid(offeredText.size()));
    return FromPath(path);
}
