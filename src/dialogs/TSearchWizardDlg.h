#pragma once

#include <QDialog>
#include <QString>

#include <string>

#include "dialogs/TInfoMessage.h"
#include "model/TFilespecChoices.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class TDriveBox;
class TFolderTree;
class TProgramData;
class TSearchData;
class TSettingsStore;

// The search assistant of beginner mode: the search text and kind, the folders and the file
// types in four pages walked through with Back and Next. One instance lives for the whole run;
// its lists keep what the user chose between showings, and the file types on offer only grow.
class TSearchWizardDlg : public QDialog {
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

    int CurrentPage() const;
    // Shows page `page`; a number outside the pages leaves the page as it was.
    void SetPage(int page);

    // Fills the controls from the parameters; runs whenever the assistant is shown.
    void FormShow();
    void NextClick();
    void BackClick();
    // Validates and stores; closes with Accepted when the search can start.
    void FinishClick();
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

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildStringPage();
    QWidget* BuildDirectoryPage();
    QWidget* BuildFilespecPage();
    QWidget* BuildOptionsPage();
    void UpdateListButtons();
    void RefillSrcList();
    void LoadPicture();
    void Refuse(const QString& text, Page page, QWidget* focus);

    TSearchData& Data;
    TProgramData& Program;
    TFilespecChoices Choices;
    std::string ShownSearchString;

    QLabel* Picture = nullptr;
    QStackedWidget* Pages = nullptr;
    QPushButton* Cancel = nullptr;
    QPushButton* Back = nullptr;
    QPushButton* Next = nullptr;
    QPushButton* Finish = nullptr;

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
