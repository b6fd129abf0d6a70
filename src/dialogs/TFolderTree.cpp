// SPDX-License-Identifier: MIT
#include "dialogs/TFolderTree.h"

#include <QDir>
#include <QEvent>
#include <QKeyEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>

TFolderTree::TFolderTree(QWidget* parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

// The file system's model starts watching and reading folders (and typing their files) in the
// background as soon as it has a root: a window that never shows the tree must not pay for it.
void TFolderTree::EnsureModel()
{
    if (Folders != nullptr)
        return;
    Folders = new QFileSystemModel(this);
    Folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    Folders->setReadOnly(true);
    Folders->setRootPath(QDir::rootPath());
    setModel(Folders);
    for (int column = 1; column < Folders->columnCount(); ++column)
        hideColumn(column);
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    // The folders are read in the background and sorted as they come, which moves the highlighted
    // folder; keep it in view until the user scrolls or clicks.
    const auto keepInView = [this] {
        if (KeepCurrentInView && currentIndex().isValid())
            scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
    };
    connect(Folders, &QAbstractItemModel::layoutChanged, this, keepInView);
    connect(Folders, &QAbstractItemModel::rowsInserted, this, keepInView);
}

void TFolderTree::showEvent(QShowEvent* event)
{
    EnsureModel();
    QTreeView::showEvent(event);
}

bool TFolderTree::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel)
        KeepCurrentInView = false;
    return QTreeView::viewportEvent(event);
}

void TFolderTree::keyPressEvent(QKeyEvent* event)
{
    KeepCurrentInView = false;
    QTreeView::keyPressEvent(event);
}

void TFolderTree::SetPath(const QString& path)
{
    EnsureModel();
    QString folder = QDir::cleanPath(QDir(QDir::currentPath()).absoluteFilePath(path.isEmpty() ? QDir::currentPath() : path));
    while (!QFileInfo(folder).isDir() && !QDir(folder).isRoot())
        folder = QFileInfo(folder).absolutePath();
    const QModelIndex index = Folders->index(folder);
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    expand(index);
    scrollTo(index, QAbstractItemView::PositionAtCenter);
    KeepCurrentInView = true;
}

QString TFolderTree::Path() const
{
    const QModelIndex index = currentIndex();
    return Folders != nullptr && index.isValid() ? Folders->filePath(index) : QString();
}

void TFolderTree::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTreeView::currentChanged(current, previous);
    if (current.isValid())
        emit PathChanged(Folders->filePath(current));
}
