// SPDX-License-Identifier: MIT
#pragma once

#include "dialogs/TWizardFrame.h"

class QLabel;
class QLineEdit;
class QRadioButton;
class TProgramData;
class TReplaceData;
class TSearchData;

// The replace options in beginner mode ("Replace Assistant"): three pages beside a picture. Page
// 1 asks for the replacement text, page 2 for the files, the mode and the confirmation, page 3
// says that all is ready. Finish (enabled on every page) stores the choices into the options,
// always with a backup, and closes with Accepted, which runs the replace; Cancel stores nothing.
// Created once and reused: every showing starts again on page 1 from the options.
//
// Object names: Pages, Picture, SearchString, ReplaceString, ReplaceSelected, ReplaceAll,
// MakeCopy, ChangeOriginal, NoConfirmation, Confirmation, Cancel, Back, Next, Finish.
class TReplaceWizardDlg : public TWizardFrame {
    Q_OBJECT

public:
    TReplaceWizardDlg(TReplaceData& options, const TSearchData& search, const TProgramData& program,
       QWidget* parent = nullptr);

    // Page 1, with the controls filled from the options, the search text and the file-list
    // selection; runs each time the assistant is shown.
    void FormShow() override;

public slots:
    void NextClick() override;
    void BackClick() override;
    // Stores the choices and closes with Accepted. Validates nothing.
    void FinishClick() override;

private:
    QWidget* BuildTextPage();
    QWidget* BuildChoicesPage();
    QWidget* BuildReadyPage();
    // Shows `page` when there is such a page; on page 1 the replacement text takes the focus.
    void SetPage(int page);

    TReplaceData& Options;
    const TSearchData& Search;
    const TProgramData& Program;

    QLabel* SearchString;
    QLineEdit* ReplaceString;
    QRadioButton* ReplaceSelected;
    QRadioButton* ReplaceAll;
    QRadioButton* MakeCopy;
    QRadioButton* ChangeOriginal;
    QRadioButton* NoConfirmation;
    QRadioButton* Confirmation;
};
