// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QTreeView>

class QFileSystemModel;

// A tree of the file system's folders in which one folder is highlighted; the folder dialogs
// need the full path of that folder.
class TFolderTree : public QTreeView {
    Q_OBJECT

public:
    explicit TFolderTree(QWidget* parent = nullptr);

    // Highlights `path`, or the nearest folder above it that exists, and opens it.
    void SetPath(const QString& path);
    // The full path of the highlighted folder, as the file system spells it; empty when none.
    QString Path() const;

signals:
    void PathChanged(const QString& path);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void EnsureModel();

    // Made when the tree is first shown or given a path.
    QFileSystemModel* Folders = nullptr;
    // Set by SetPath, cleared when the user scrolls, clicks or types in the tree.
    bool KeepCurrentInView = false;
};
