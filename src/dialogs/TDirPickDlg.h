#pragma once

#include <QDialog>

// Picks one folder.
class TDirPickDlg : public QDialog {
    Q_OBJECT

public:
    explicit TDirPickDlg(QWidget* parent = nullptr);
};
