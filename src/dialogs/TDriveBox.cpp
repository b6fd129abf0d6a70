// SPDX-License-Identifier: MIT
#include "dialogs/TDriveBox.h"

#include <QDir>
#include <QSignalBlocker>
#include <QStorageInfo>

namespace {

bool Holds(const QString& root, const QString& path)
{
    if (root == QDir::rootPath())
        return path.startsWith(root);
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

} // namespace

TDriveBox::TDriveBox(QWidget* parent) : QComboBox(parent)
{
    addItem(QDir::rootPath(), QDir::rootPath());
    const QString home = QDir::homePath();
    if (home != QDir::rootPath())
        addItem(home, home);
    // Mounted disks of the user: those below the folders where they are usually mounted.
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || findData(root) >= 0)
            continue;
        if (root.startsWith(QStringLiteral("/media/")) || root.startsWith(QStringLiteral("/mnt/")) ||
            root.startsWith(QStringLiteral("/run/media/")))
            addItem(volume.displayName() == root ? root : QStringLiteral("%1 (%2)").arg(volume.displayName(), root), root);
    }
    connect(this, &QComboBox::activated, this, [this](int index) { emit DriveChosen(itemData(index).toString()); });
}

void TDriveBox::ShowPath(const QString& path)
{
    int best = 0;
    qsizetype bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        if (Holds(root, path) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    const QSignalBlocker quiet(this);
    setCurrentIndex(best);
}

QString TDriveBox::Root() const
{
    return currentData().toString();
}
