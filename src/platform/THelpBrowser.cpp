// SPDX-License-Identifier: MIT
#include "platform/THelpBrowser.h"

#include <QFile>
#include <QUrl>

#include <fstream>
#include <iterator>

THelpBrowser::THelpBrowser(QWidget* parent) : QTextBrowser(parent)
{
}

void THelpBrowser::SetFolder(const std::string& folder)
{
    FolderBytes = folder;
    while (FolderBytes.size() > 1 && FolderBytes.back() == '/')
        FolderBytes.pop_back();
    Folder = QFile::decodeName(QByteArray::fromStdString(FolderBytes));
}

std::string THelpBrowser::LocalPath(const QUrl& url) const
{
    const QString local = url.toLocalFile();
    if (!FolderBytes.empty() && (local == Folder || local.startsWith(Folder + QLatin1Char('/'))))
        return FolderBytes + QFile::encodeName(local.mid(Folder.size())).toStdString();
    return QFile::encodeName(local).toStdString();
}

QVariant THelpBrowser::loadResource(int type, const QUrl& name)
{
    if (!name.isLocalFile())
        return QTextBrowser::loadResource(type, name);
    std::ifstream in(LocalPath(name), std::ios::binary);
    if (!in)
        return {};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return QByteArray::fromStdString(bytes);
}
