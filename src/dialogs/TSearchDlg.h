// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

#include "dialogs/TInfoMessage.h"
#include "engine/TCriteriaCheck.h"
#include "model/THistoryList.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;
class TProgramData;
class TSearchData;
class TSettingsStore;

// The expert search dialog: edits the search parameters; closes with Accepted when they are
// valid and stored. One instance lives for the whole run; its history lists only grow, at the
// top. In search-again mode (the parameters' SearchAgain, set by the caller before showing) the
// file, folder and filter controls are hidden, since the files already found are searched.
class TSearchDlg : public QDialog {
    Q_OBJECT

public:
    enum Page { GeneralPage = 0, FormatPage = 1, FiltersPage = 2, LookupPage = 3 };

    TSearchDlg(TSearchData& data, TProgramData& program, QWidget* parent = nullptr);

    // The three history lists of the drop-down boxes.
    void LoadHistory(const TSettingsStore& store);
    void SaveHistory(TSettingsStore& store) const;

    // Every validation message goes through this hook; it shows a modal box unless replaced.
    TInfoMessage::THook ShowMessage;
    // Asks for a folder, starting at `initial`; an empty result means the user cancelled. It
    // shows the platform's folder browser unless replaced.
    std::function<QString(const QString& initial)> ChooseFolder;

    // The histories as they stand (search strings, file specifications, folders).
    const THistoryList& StringHistory() const { return Strings; }
    const THistoryList& FilespecHistory() const { return Filespecs; }
    const THistoryList& FolderHistory() const { return FolderList; }
    int CurrentPage() const;

    // Fills the controls from the parameters; runs whenever the dialog is shown.
    void FormShow();
    // Validates the entries and stores them; closes with Accepted when they are valid.
    void OKClick();
    void NormalSearchClick();
    // Soundex and Quick: case and whole words do not apply; their check marks stay.
    void SoundexSearchClick();
    void NormalFormatClick();
    void DelimitedFormatClick();
    void FixedWidthFormatClick();
    // Puts a chosen folder into the folder box, replacing its text.
    void PickFolderClick();
    void HelpBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildGeneralPage();
    QWidget* BuildFormatPage();
    QWidget* BuildFiltersPage();
    QWidget* BuildLookupPage();
    void UpdateFormatControls();
    void Refuse(const QString& text, Page page, QWidget* focus);
    void RefuseFault(const TCriteriaCheck::TFault& fault);
    void FillHistoryBoxes();

    TSearchData& Data;
    TProgramData& Program;
    THistoryList Strings;
    THistoryList Filespecs;
    THistoryList FolderList;
    // The bytes the text boxes were filled from, so that an unchanged text keeps them.
    std::string ShownSearchString;
    std::string ShownFileSpecs;
    std::string ShownFolders;
    std::string ShownSeparator;

    QTabWidget* Pages = nullptr;
    QWidget* FiltersTab = nullptr;

    // General
    QComboBox* SearchString = nullptr;
    QRadioButton* NormalSearch = nullptr;
    QRadioButton* SoundexSearch = nullptr;
    QRadioButton* QuickSearch = nullptr;
    QCheckBox* WholeWordsOnly = nullptr;
    QCheckBox* MatchCase = nullptr;
    QCheckBox* Invert = nullptr;
    QCheckBox* StopAfterFirst = nullptr;
    QLabel* FileSpecLabel = nullptr;
    QComboBox* FileSpec = nullptr;
    QCheckBox* SkipText = nullptr;
    QCheckBox* SkipBinary = nullptr;
    QCheckBox* SearchZIPs = nullptr;
    QLabel* FoldersLabel = nullptr;
    QComboBox* Folders = nullptr;
    QPushButton* PickFolder = nullptr;
    QCheckBox* RecurseSubdirs = nullptr;
    QCheckBox* CountFilesFirst = nullptr;
    QCheckBox* SkipUnderscoreDirs = nullptr;
    QFrame* Bevel1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* ZIPNote = nullptr;

    // Text file format
    QRadioButton* NormalFormat = nullptr;
    QRadioButton* DelimitedFormat = nullptr;
    QRadioButton* FixedWidthFormat = nullptr;
    QLabel* NormalLabel1 = nullptr;
    QLabel* NormalLabel2 = nullptr;
    QLabel* SeparatorLabel = nullptr;
    QComboBox* SeparatorChar = nullptr;
    QLabel* FieldNumberLabel = nullptr;
    QSpinBox* FieldNumber = nullptr;
    QLabel* FieldStartLabel = nullptr;
    QSpinBox* FieldStart = nullptr;
    QLabel* FieldWidthLabel = nullptr;
    QSpinBox* FieldWidth = nullptr;

    // Filters
    QRadioButton* DateNone = nullptr;
    QRadioButton* DateLess = nullptr;
    QRadioButton* DateGreater = nullptr;
    QRadioButton* DateBetween = nullptr;
    QSpinBox* DateLessEdit = nullptr;
    QSpinBox* DateGreaterEdit = nullptr;
    QLineEdit* DateMinEdit = nullptr;
    QLineEdit* DateMaxEdit = nullptr;
    QRadioButton* SizeNone = nullptr;
    QRadioButton* SizeLess = nullptr;
    QRadioButton* SizeGreater = nullptr;
    QRadioButton* SizeBetween = nullptr;
    QSpinBox* SizeLessEdit = nullptr;
    QSpinBox* SizeGreaterEdit = nullptr;
    QSpinBox* SizeMinEdit = nullptr;
    QSpinBox* SizeMaxEdit = nullptr;

    QPushButton* OK1 = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;
};
