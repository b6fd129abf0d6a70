// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QShowEvent;
class TProgramData;
class TReplaceData;
class TSearchData;

// The replace options in expert mode ("Replace Criteria"): the text that replaces each match,
// all files or the selected file only, confirmation, copy or overwrite mode, and the backup.
// Created once and reused: every showing fills it afresh from the options, so nothing typed into
// a cancelled dialog survives. OK stores the choices into the options and closes with Accepted,
// which runs the replace; Cancel stores nothing.
//
// The controls carry their role names as object names: SearchString, ReplaceString,
// InSelectedFile, InAllFIles, ConfirmMode, OverwriteMode, MakeBackup, Finish, Cancel, HelpBtn.
class TReplaceDlg : public QDialog {
    Q_OBJECT

public:
    TReplaceDlg(TReplaceData& options, const TSearchData& search, const TProgramData& program,
       QWidget* parent = nullptr);

    // Fills the controls from the options, the search text and the file-list selection; runs
    // each time the dialog is shown.
    void FormShow();

public slots:
    // The backup is offered only in overwrite mode; switching overwrite on also checks it.
    void OverwriteModeClick();
    // Stores the choices and closes with Accepted. Validates nothing: every set of choices the
    // controls allow is consistent, and an empty replacement deletes the matches.
    void OKClick();
    void HelpBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TReplaceData& Options;
    const TSearchData& Search;
    const TProgramData& Program;

    QLineEdit* SearchString;
    QLineEdit* ReplaceString;
    QRadioButton* InSelectedFile;
    QRadioButton* InAllFIles;
    QCheckBox* ConfirmMode;
    QCheckBox* OverwriteMode;
    QCheckBox* MakeBackup;
    QPushButton* Finish;
    QPushButton* Cancel;
    QPushButton* HelpBtn;
};
