// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

#include <string>

class QLabel;
class QPushButton;
class QShowEvent;
class QStackedWidget;

// The frame the assistants share: a picture on the left, the pages beside it, a line, and a row
// of Cancel, Back, Next and Finish. Cancel closes with Rejected; Back, Next and Finish call the
// assistant's own handlers, and each time the program shows the assistant (not when the window
// system merely shows it again, say after minimising) its FormShow fills the pages afresh.
//
// Object names: Picture, Pages, Cancel, Back, Next, Finish.
class TWizardFrame : public QDialog {
    Q_OBJECT

public:
    // The page shown, counted from 0.
    int CurrentPage() const;

    virtual void FormShow() = 0;
    virtual void NextClick() = 0;
    virtual void BackClick() = 0;
    virtual void FinishClick() = 0;

protected:
    // `pictureName`: the picture's file in the images folder beside the program.
    TWizardFrame(const QString& pictureName, QWidget* parent);

    void showEvent(QShowEvent* event) override;

    // Shows `page` when there is such a page (else the page stays), and enables Back and Next to
    // match the page shown.
    void ShowPage(int page);
    // Loads the picture, scaled to its column, the first time the program folder is known;
    // a missing or unreadable picture leaves the column empty.
    void LoadPicture(const std::string& programFolder);

    // Texts of the pages, wrapped at the page's width.
    static QLabel* Plain(const QString& text);
    static QLabel* Bold(const QString& text);

    QLabel* Picture = nullptr;
    QStackedWidget* Pages = nullptr;
    QPushButton* Cancel = nullptr;
    QPushButton* Back = nullptr;
    QPushButton* Next = nullptr;
    QPushButton* Finish = nullptr;

private:
    QString PictureName;
};
