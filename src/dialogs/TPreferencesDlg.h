// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TProgramData;

// The general preferences: the match window, what happens at start, at the end of a search and
// at exit, the editor command, short file names for replace and how much the replace journal
// keeps. It edits the preferences in
// memory; they are stored with the other settings at exit. The page last used stays active
// between showings.
class TPreferencesDlg : public QDialog {
    Q_OBJECT

public:
    enum Page { OptionsPage = 0, EditorPage = 1, CompatibilityPage = 2, HistoryPage = 3 };

    explicit TPreferencesDlg(TProgramData& program, QWidget* parent = nullptr);

    // Asks for the editor's program file, starting in `folder`; an empty result means the user
    // cancelled. It shows the platform's file chooser unless replaced.
    std::function<QString(const QString& folder)> ChooseEditor;

    int CurrentPage() const;

    // Fills the controls from the preferences; runs whenever the dialog is shown.
    void FormShow();
    // Copies the controls back into the preferences and closes with Accepted.
    void OKBtnClick();
    // Puts a chosen program file into the editor command, replacing its text.
    void PickFolderClick();
    void HelpBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildOptionsPage();
    QWidget* BuildEditorPage();
    QWidget* BuildCompatibilityPage();
    QWidget* BuildHistoryPage();

    TProgramData& Program;
    // The bytes the command box was filled from, so that an unchanged command keeps them.
    std::string ShownEditorCommand;
    QTabWidget* Pages = nullptr;
    QSpinBox* MatchWindowSize = nullptr;
    QCheckBox* OMWAS = nullptr;
    QCheckBox* ShowDlgOnStart = nullptr;
    QCheckBox* ExitConfirm = nullptr;
    QLineEdit* EditorCommand = nullptr;
    QPushButton* PickFolder = nullptr;
    QCheckBox* ShortFilenames = nullptr;
    QSpinBox* HistoryRuns = nullptr;
    QSpinBox* HistoryMegabytes = nullptr;
};
