// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QLabel;

// The program's message dialog: a caption, a bold one-line title and a wrapped text above an OK
// button. One instance lives as long as the main window; a caller sets the texts it needs and
// shows it modally, and texts it does not set keep what the last caller put there.
class TInfoDlg : public QDialog {
    Q_OBJECT

public:
    explicit TInfoDlg(QWidget* parent = nullptr);

    void SetTitle(const QString& text);
    void SetInfoText(const QString& text);
    QString Title() const;
    QString InfoText() const;

    // Sets the caption and both texts in one go.
    void SetTexts(const QString& caption, const QString& title, const QString& infoText);

private:
    QLabel* TitleLabel;
    QLabel* InfoLabel;
};
