// SPDX-License-Identifier: MIT
#pragma once

#include <QComboBox>
#include <QString>

// The places a folder tree can be moved to at once: the root of the file system, the user's
// home folder and the volumes mounted for removable or extra disks.
class TDriveBox : public QComboBox {
    Q_OBJECT

public:
    explicit TDriveBox(QWidget* parent = nullptr);

    // Shows the place that holds `path` (the one with the longest matching root), without
    // signalling a choice.
    void ShowPath(const QString& path);
    // The root folder of the place shown.
    QString Root() const;

signals:
    // The user chose the place whose root folder is `root`.
    void DriveChosen(const QString& root);
};
