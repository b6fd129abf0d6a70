// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include "replace/TReplaceNotifications.h"

class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// Asks whether to make one change of a replace run ("Replace Confirmation"): the file, the line
// number, the line as it stands and the line with the change made. Created once and reused; the
// replace engine asks through Ask for every change while confirmation is on.
//
// Yes (the default button) makes the change, No (also Escape) skips it, Cancel File drops every
// change of this file (also closing the window), Cancel All drops this file's changes and ends
// the run.
//
// Object names: FileName, LineNumber, OriginalLine, NewLine, YesButton, NoButton,
// CancelFileButton, CancelAllButton.
class TReplaceConfirmDlg : public QDialog {
    Q_OBJECT

public:
    explicit TReplaceConfirmDlg(QWidget* parent = nullptr);

    // Fills the dialog with `question`, shows it modally and returns the answer.
    TReplaceAnswer Ask(const TReplaceQuestion& question);
    // Fills the dialog with `question` without showing it; the answer starts as Cancel File,
    // the answer of a dialog closed without a choice.
    void Fill(const TReplaceQuestion& question);
    // The answer of the last showing.
    TReplaceAnswer Answer() const { return Chosen; }

public slots:
    void YesButtonClick();
    void NoButtonClick();
    void CancelFileButtonClick();
    void CancelAllButtonClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Choose(TReplaceAnswer answer);

    QLabel* FileName;
    QLabel* LineNumber;
    QPlainTextEdit* OriginalLine;
    QPlainTextEdit* NewLine;
    QPushButton* YesButton;
    QPushButton* NoButton;
    QPushButton* CancelFileButton;
    QPushButton* CancelAllButton;
    TReplaceAnswer Chosen = TReplaceAnswer::CancelFile;
};
