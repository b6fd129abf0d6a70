// SPDX-License-Identifier: MIT
#include "dialogs/TDirPickDlg.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/TDriveBox.h"
#include "dialogs/TFolderTree.h"

TDirPickDlg::TDirPickDlg(QWidget* parent)
    : QDialog(parent), DrivePicker(new TDriveBox(this)), DirPicker(new TFolderTree(this)),
      CurrentPathLabel(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Folder Selection"));
    DrivePicker->setObjectName(QStringLiteral("DrivePicker"));
    DirPicker->setObjectName(QStringLiteral("DirPicker"));
    CurrentPathLabel->setObjectName(QStringLiteral("CurrentPath"));
    CurrentPathLabel->setTextFormat(Qt::PlainText);
    CurrentPathLabel->setWordWrap(true);
    DirPicker->setMinimumSize(320, 280);

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DrivePicker);
    layout->addWidget(DirPicker, 1);
    layout->addWidget(CurrentPathLabel);
    layout->addLayout(buttons);

    connect(DrivePicker, &TDriveBox::DriveChosen, this, &TDirPickDlg::DrivePickerChange);
    connect(DirPicker, &TFolderTree::PathChanged, this, &TDirPickDlg::DirPickerChange);
    SetPath(QDir::currentPath());
    CurrentPathLabel->setText(QDir::currentPath());
}

QString TDirPickDlg::CurrentPath() const
{
    return CurrentPathLabel->text();
}

void TDirPickDlg::SetPath(const QString& path)
{
    DirPicker->SetPath(path);
    DrivePicker->ShowPath(DirPicker->Path());
}

void TDirPickDlg::DrivePickerChange(const QString& root)
{
    DirPicker->SetPath(root);
    CurrentPathLabel->setText(DirPicker->Path());
}

void TDirPickDlg::DirPickerChange(const QString& path)
{
    // The path keeps its letter case: on this platform folders that differ only in case are
    // different folders.
    CurrentPathLabel->setText(path);
    DrivePicker->ShowPath(path);
}
