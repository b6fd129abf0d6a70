// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QPushButton;
class QRadioButton;

// Asks what to print: the list of matching files or the contents of the view window. Made once;
// the choice is kept from one use to the next, also when the dialog is cancelled.
class TPrintDlg : public QDialog {
    Q_OBJECT

public:
    enum class TChoice { FileList, ViewWindow };

    explicit TPrintDlg(QWidget* parent = nullptr);

    TChoice Choice() const;
    void SetChoice(TChoice choice);

    // The view window can only be printed while it holds a document. Disabling it while it is
    // the choice makes the file list the choice, so that OK never prints a choice the user
    // cannot see selected.
    void SetViewWindowEnabled(bool enabled);
    bool IsViewWindowEnabled() const;

    QRadioButton* FileListButton() const { return FileList; }
    QRadioButton* ViewWindowButton() const { return ViewWindow; }
    QPushButton* OKButton() const { return OKBtn; }
    QPushButton* CancelButton() const { return CancelBtn; }

private:
    QRadioButton* FileList = nullptr;
    QRadioButton* ViewWindow = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
};
