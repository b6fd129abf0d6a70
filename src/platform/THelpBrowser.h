// SPDX-License-Identifier: MIT
#pragma once

#include <QTextBrowser>

#include <string>

// The help window's page view. Pages and pictures inside the help folder are read by the bytes of
// their paths: the folder's name need not be valid UTF-8, which a URL or a QString cannot carry.
class THelpBrowser : public QTextBrowser {
    Q_OBJECT

public:
    explicit THelpBrowser(QWidget* parent = nullptr);

    // The help folder, as bytes. Its URLs carry the folder's name as text.
    void SetFolder(const std::string& folder);
    const QString& FolderText() const { return Folder; }
    // The bytes of the path `url` names: inside the help folder, the folder's own bytes.
    std::string LocalPath(const QUrl& url) const;

    QVariant loadResource(int type, const QUrl& name) override;

private:
    std::string FolderBytes;
    QString Folder;
};
