#pragma once

#include <QDialog>

// Asks whether to make one change of a replace run.
class TReplaceConfirmDlg : public QDialog {
    Q_OBJECT

public:
    explicit TReplaceConfirmDlg(QWidget* parent = nullptr);
};
