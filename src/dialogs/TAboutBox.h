// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

// The about box: the program's icon, name and version.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    static QString ProductName();
    static QString ProductVersion();
};
