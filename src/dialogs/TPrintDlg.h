#pragma once

#include <QDialog>

// Asks what to print: the list of matching files or the contents of the view window. Made once;
// the choice is kept from one use to the next.
class TPrintDlg : public QDialog {
    Q_OBJECT

public:
    explicit TPrintDlg(QWidget* parent = nullptr);
};
