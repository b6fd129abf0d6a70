// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <string>

#include "dialogs/TInfoMessage.h"
#include "dialogs/TWizardFrame.h"
#include "model/TFilespecChoices.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class TDriveBox;
class TFolderTree;
class TProgramData;
class TSearchData;
class TSettingsStore;

// The search assistant of beginner mode: the search text and kind, the folders and the file
// types in four pages walked through with Back and Next. One instance lives for the whole run;
// its lists keep what the user chose between showings, and the file types on offer only grow.
class TSearchWizardDlg : public TWizardFrame {
    Q_OBJECT

public:
    enum Page { StringPage = 0, DirectoryPage = 1, FilespecPage = 2, OptionsPage = 3 };

    TSearchWizardDlg(TSearchData& data, TProgramData& program, QWidget* parent = nullptr);

    // The file types the assistant offers.
    void LoadFilespecChoices(const TSettingsStore& store);
    void SaveFilespecChoices(TSettingsStore& store) const;
    const TFilespecChoices& FilespecChoices() const { return Choices; }

    // Every message of Finish goes through this hook; it shows a modal box unless replaced.
    TInfoMessage::THook ShowMessage;

    // Shows page `page`; a number outside the pages leaves the page as it was.
    void SetPage(int page);

    // Fills the controls from the parameters; runs whenever the assistant is shown.
    void FormShow() override;
    void NextClick() override;
    void BackClick() override;
    // Validates and stores; closes with Accepted when the search can start.
    void FinishClick() override;
    void NormalSearchClick();
    // Soundex and Quick: case and whole words do not apply; their check marks stay.
    void SoundexSearchClick();
    void DrivePickerChange(const QString& root);
    void DirPickerChange(const QString& path);
    void InclDirBtnClick();
    void ExclDirBtnClick();
    void IncludeBtnClick();
    void ExcludeBtnClick();
    void FileSpecEditChange();
    void FileSpecEditInclButtonClick();

private:
    QWidget* BuildStringPage();
    QWidget* BuildDirectoryPage();
    QWidget* BuildFilespecPage();
    QWidget* BuildOptionsPage();
    void UpdateListButtons();
    void RefillSrcList();
    void Refuse(const QString& text, Page page, QWidget* focus);
    uint8_t ChosenSearchMode() const;

    TSearchData& Data;
    TProgramData& Program;
    TFilespecChoices Choices;
    std::string ShownSearchString;

    QLineEdit* SearchString = nullptr;
    QRadioButton* NormalSearch = nullptr;
    QRadioButton* SoundexSearch = nullptr;
    QRadioButton* QuickSearch = nullptr;
    QCheckBox* MatchCase = nullptr;
    QCheckBox* WholeWordsOnly = nullptr;

    QLabel* CurrentPath = nullptr;
    TFolderTree* DirPicker = nullptr;
    TDriveBox* DrivePicker = nullptr;
    QPushButton* InclDirBtn = nullptr;
    QPushButton* ExclDirBtn = nullptr;
    QListWidget* DirectoryList = nullptr;
    QCheckBox* RecurseSubdirs = nullptr;

    QListWidget* SrcList = nullptr;
    QPushButton* IncludeBtn = nullptr;
    QPushButton* ExcludeBtn = nullptr;
    QListWidget* FileSpecList = nullptr;
    QLineEdit* FileSpecEdit = nullptr;
    QPushButton* FileSpecEditInclButton = nullptr;
};
