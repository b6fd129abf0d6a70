// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class TDriveBox;
class TFolderTree;

// Picks one folder with a drive box and a folder tree. Created once; it keeps its folder between
// showings and starts on the process's current folder.
class TDirPickDlg : public QDialog {
    Q_OBJECT

public:
    explicit TDirPickDlg(QWidget* parent = nullptr);

    // The full path of the folder highlighted last (the text of the CurrentPath label).
    QString CurrentPath() const;
    // Moves the tree to `path`.
    void SetPath(const QString& path);

    // The user chose a drive: the tree moves to its root.
    void DrivePickerChange(const QString& root);
    // The highlighted folder changed.
    void DirPickerChange(const QString& path);

private:
    TDriveBox* DrivePicker;
    TFolderTree* DirPicker;
    QLabel* CurrentPathLabel;
};
