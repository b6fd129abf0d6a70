// SPDX-License-Identifier: MIT
#include "dialogs/TSearchWizardDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "dialogs/TButtonChoice.h"
#include "dialogs/TDialogText.h"
#include "dialogs/TDriveBox.h"
#include "dialogs/TFolderTree.h"
#include "engine/TCriteriaCheck.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"

namespace {

// The bytes of a list entry, as the search model holds them.
constexpr int BytesRole = Qt::UserRole;

char FoldAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

std::string EntryBytes(const QListWidgetItem* item)
{
    return item->data(BytesRole).toByteArray().toStdString();
}

// File specifications are masks, which match names without regard to case, so two that
// differ only in case are the same. Folders are compared exactly: on this platform folders
// whose names differ only in case are different folders.
enum class Compare { IgnoringCase, Exactly };

int IndexOf(const QListWidget* list, std::string_view bytes, Compare compare)
{
    for (int row = 0; row < list->count(); ++row) {
        const std::string entry = EntryBytes(list->item(row));
        if (compare == Compare::Exactly ? entry == bytes : SameIgnoringCase(entry, bytes))
            return row;
    }
    return -1;
}

// Appends `bytes` unless the list holds it already; true when appended.
bool AppendNew(QListWidget* list, const std::string& bytes, Compare compare)
{
    if (IndexOf(list, bytes, compare) >= 0)
        return false;
    auto* item = new QListWidgetItem(TDialogText::Show(bytes));
    item->setData(BytesRole, QByteArray::fromStdString(bytes));
    list->addItem(item);
    return true;
}

// The selected rows, last first.
std::vector<int> SelectedRowsDescending(const QListWidget* list)
{
    std::vector<int> rows;
    for (const QListWidgetItem* item : list->selectedItems())
        rows.push_back(list->row(item));
    std::sort(rows.begin(), rows.end(), std::greater<>());
    return rows;
}

int FirstSelectedRow(const QListWidget* list)
{
    const std::vector<int> rows = SelectedRowsDescending(list);
    return rows.empty() ? -1 : rows.back();
}

// After a move between lists: focus `list` and select the entry at `noted` (the first entry
// when nothing was noted, the last one when `noted` is now past the end).
void SelectAfterMove(QListWidget* list, int noted)
{
    list->setFocus();
    list->clearSelection();
    if (list->count() == 0)
        return;
    const int row = noted < 0 ? 0 : std::min(noted, list->count() - 1);
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

QPushButton* ArrowButton(const QString& caption, const char* name)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("MMM")) + 12);
    return button;
}

// The include and exclude buttons, one above the other, centred between two lists.
QVBoxLayout* ArrowColumn(QPushButton* include, QPushButton* exclude)
{
    auto* arrows = new QVBoxLayout;
    arrows->addStretch();
    arrows->addWidget(include);
    arrows->addWidget(exclude);
    arrows->addStretch();
    return arrows;
}

QListWidget* ChoiceList(const char* name)
{
    auto* list = new QListWidget;
    list->setObjectName(QLatin1String(name));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return list;
}

} // namespace

TSearchWizardDlg::TSearchWizardDlg(TSearchData& data, TProgramData& program, QWidget* parent)
    : TWizardFrame(QStringLiteral("search-assistant.svg"), parent), ShowMessage(TInfoMessage::ModalHook(this)), Data(data),
      Program(program)
{
    setWindowTitle(QStringLiteral("Search Assistant"));

    Pages->addWidget(BuildStringPage());
    Pages->addWidget(BuildDirectoryPage());
    Pages->addWidget(BuildFilespecPage());
    Pages->addWidget(BuildOptionsPage());

    RefillSrcList();
    // Until the user highlights another folder, the folder list stands on the current folder.
    CurrentPath->setText(QDir::currentPath());
    SetPage(StringPage);
    UpdateListButtons();
}

QWidget* TSearchWizardDlg::BuildStringPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("0String"));
    SearchString = new QLineEdit;
    SearchString->setObjectName(QStringLiteral("SearchString"));

    auto* kinds = new QButtonGroup(page);
    NormalSearch = new QRadioButton(QStringLiteral("Normal (regular expressions)"));
    NormalSearch->setObjectName(QStringLiteral("NormalSearch"));
    SoundexSearch = new QRadioButton(QStringLiteral("Soundex - 'sounds like'"));
    SoundexSearch->setObjectName(QStringLiteral("SoundexSearch"));
    QuickSearch = new QRadioButton(QStringLiteral("Quick (no regular expressions)"));
    QuickSearch->setObjectName(QStringLiteral("QuickSearch"));
    kinds->addButton(NormalSearch, TSearchData::ModeNormal);
    kinds->addButton(SoundexSearch, TSearchData::ModeSoundex);
    kinds->addButton(QuickSearch, TSearchData::ModeQuick);
    NormalSearch->setChecked(true);
    connect(NormalSearch, &QRadioButton::clicked, this, &TSearchWizardDlg::NormalSearchClick);
    connect(SoundexSearch, &QRadioButton::clicked, this, &TSearchWizardDlg::SoundexSearchClick);
    connect(QuickSearch, &QRadioButton::clicked, this, &TSearchWizardDlg::SoundexSearchClick);

    MatchCase = new QCheckBox(QStringLiteral("Match case"));
    MatchCase->setObjectName(QStringLiteral("MatchCase"));
    WholeWordsOnly = new QCheckBox(QStringLiteral("Find whole words only"));
    WholeWordsOnly->setObjectName(QStringLiteral("WholeWordsOnly"));

    auto* kindColumn = new QVBoxLayout;
    kindColumn->addWidget(NormalSearch);
    kindColumn->addWidget(SoundexSearch);
    kindColumn->addWidget(QuickSearch);
    auto* optionColumn = new QVBoxLayout;
    optionColumn->addWidget(MatchCase);
    optionColumn->addWidget(WholeWordsOnly);
    optionColumn->addStretch();
    auto* options = new QHBoxLayout;
    options->addLayout(kindColumn);
    options->addSpacing(24);
    options->addLayout(optionColumn);
    options->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Bold(QStringLiteral("Welcome to Quarnel Search Assistant")));
    layout->addWidget(Plain(QStringLiteral("The Search Assistant will help you set up and start a search.")));
    layout->addSpacing(12);
    layout->addWidget(Bold(QStringLiteral("What text do you want to find?")));
    layout->addWidget(SearchString);
    layout->addSpacing(12);
    layout->addWidget(Bold(QStringLiteral("What type of search do you want to do?")));
    layout->addLayout(options);
    layout->addStretch();
    return page;
}

QWidget* TSearchWizardDlg::BuildDirectoryPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("1Directory"));
    CurrentPath = new QLabel;
    CurrentPath->setObjectName(QStringLiteral("CurrentPath"));
    CurrentPath->setTextFormat(Qt::PlainText);
    CurrentPath->setWordWrap(true);
    DirPicker = new TFolderTree;
    DirPicker->setObjectName(QStringLiteral("DirPicker"));
    DrivePicker = new TDriveBox;
    DrivePicker->setObjectName(QStringLiteral("DrivePicker"));
    InclDirBtn = ArrowButton(QStringLiteral(">"), "InclDirBtn");
    ExclDirBtn = ArrowButton(QStringLiteral("<"), "ExclDirBtn");
    DirectoryList = ChoiceList("DirectoryList");
    DirPicker->setMinimumWidth(220);
    DirectoryList->setMinimumWidth(200);
    RecurseSubdirs = new QCheckBox(QStringLiteral("&Search in subfolders"));
    RecurseSubdirs->setObjectName(QStringLiteral("RecurseSubdirs"));

    connect(DrivePicker, &TDriveBox::DriveChosen, this, &TSearchWizardDlg::DrivePickerChange);
    connect(DirPicker, &TFolderTree::PathChanged, this, &TSearchWizardDlg::DirPickerChange);
    connect(InclDirBtn, &QPushButton::clicked, this, &TSearchWizardDlg::InclDirBtnClick);
    connect(ExclDirBtn, &QPushButton::clicked, this, &TSearchWizardDlg::ExclDirBtnClick);
    connect(DirectoryList, &QListWidget::itemDoubleClicked, this, &TSearchWizardDlg::ExclDirBtnClick);

    auto* grid = new QGridLayout;
    grid->addWidget(CurrentPath, 0, 0);
    grid->addWidget(Plain(QStringLiteral("Include")), 0, 2, Qt::AlignBottom);
    grid->addWidget(DirPicker, 1, 0);
    grid->addLayout(ArrowColumn(InclDirBtn, ExclDirBtn), 1, 1);
    grid->addWidget(DirectoryList, 1, 2);
    grid->addWidget(DrivePicker, 2, 0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Bold(QStringLiteral("Which folders do you want to search in?")));
    layout->addWidget(Plain(QStringLiteral("Navigate the folders in the left-hand list, then click on the > button to "
                                           "include in the search.")));
    layout->addLayout(grid, 1);
    layout->addWidget(RecurseSubdirs);
    return page;
}

QWidget* TSearchWizardDlg::BuildFilespecPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("2Filespec"));
    SrcList = ChoiceList("SrcList");
    FileSpecList = ChoiceList("FileSpecList");
    IncludeBtn = ArrowButton(QStringLiteral(">"), "IncludeBtn");
    ExcludeBtn = ArrowButton(QStringLiteral("<"), "ExcludeBtn");
    FileSpecEdit = new QLineEdit;
    FileSpecEdit->setObjectName(QStringLiteral("FileSpecEdit"));
    FileSpecEditInclButton = ArrowButton(QStringLiteral(">"), "FileSpecEditInclButton");

    connect(SrcList, &QListWidget::itemDoubleClicked, this, &TSearchWizardDlg::IncludeBtnClick);
    connect(FileSpecList, &QListWidget::itemDoubleClicked, this, &TSearchWizardDlg::ExcludeBtnClick);
    connect(IncludeBtn, &QPushButton::clicked, this, &TSearchWizardDlg::IncludeBtnClick);
    connect(ExcludeBtn, &QPushButton::clicked, this, &TSearchWizardDlg::ExcludeBtnClick);
    connect(FileSpecEdit, &QLineEdit::textEdited, this, &TSearchWizardDlg::FileSpecEditChange);
    connect(FileSpecEditInclButton, &QPushButton::clicked, this, &TSearchWizardDlg::FileSpecEditInclButtonClick);

    auto* customLabel = Plain(QStringLiteral("Custom file specification:"));
    customLabel->setBuddy(FileSpecEdit);

    auto* grid = new QGridLayout;
    grid->addWidget(Plain(QStringLiteral("File Types")), 0, 0);
    grid->addWidget(Plain(QStringLiteral("Include")), 0, 2);
    grid->addWidget(SrcList, 1, 0);
    grid->addLayout(ArrowColumn(IncludeBtn, ExcludeBtn), 1, 1);
    grid->addWidget(FileSpecList, 1, 2, 4, 1);
    grid->addWidget(customLabel, 2, 0);
    grid->addWidget(FileSpecEdit, 3, 0);
    grid->addWidget(FileSpecEditInclButton, 3, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Bold(QStringLiteral("What files do you want to search?")));
    layout->addWidget(Plain(QStringLiteral("Double-click on the types of files you want to search in the left-hand "
                                           "list, or type a new extension in the Custom File Specification box.")));
    layout->addLayout(grid, 1);
    return page;
}

QWidget* TSearchWizardDlg::BuildOptionsPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("3Options"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Bold(QStringLiteral("Congratulations!")));
    layout->addWidget(Plain(QStringLiteral("You are now ready to search. Press the Finish button to go!")));
    layout->addSpacing(24);
    layout->addWidget(Plain(QStringLiteral("When you are familiar with the way Quarnel works, "
                                           "you may wish to switch to Expert mode.")));
    layout->addWidget(Plain(QStringLiteral("You can do this by selecting 'Expert Mode' on the 'Options' menu.")));
    layout->addStretch();
    return page;
}

void TSearchWizardDlg::SetPage(int page)
{
    ShowPage(page);
    // Enter goes on to the next page while there is one, and starts the search on the last.
    Next->setDefault(Next->isEnabled());
    Finish->setDefault(!Next->isEnabled());
}

void TSearchWizardDlg::NextClick()
{
    // Re-searching the files already found: which folders and files does not apply.
    SetPage(Data.SearchAgain ? OptionsPage : CurrentPage() + 1);
}

void TSearchWizardDlg::BackClick()
{
    SetPage(Data.SearchAgain ? StringPage : CurrentPage() - 1);
}

void TSearchWizardDlg::FormShow()
{
    LoadPicture(Program.ProgramFolder);
    SetPage(StringPage);
    SearchString->setFocus();
    DirPicker->SetPath(CurrentPath->text());
    DrivePicker->ShowPath(CurrentPath->text());
    FileSpecEditInclButton->setEnabled(false);

    ShownSearchString = Data.SearchString;
    SearchString->setText(TDialogText::Show(ShownSearchString));
    for (const std::string& spec : Data.FileSpecs)
        AppendNew(FileSpecList, spec, Compare::IgnoringCase);
    for (const std::string& folder : Data.Folders)
        AppendNew(DirectoryList, folder, Compare::Exactly);

    MatchCase->setChecked(Data.MatchCase);
    WholeWordsOnly->setChecked(Data.WholeWordsOnly);
    RecurseSubdirs->setChecked(Data.RecurseSubdirs);
    TButtonChoice::Show(NormalSearch->group(), Data.SearchMode);
    const bool normal = Data.SearchMode == TSearchData::ModeNormal;
    MatchCase->setEnabled(normal);
    WholeWordsOnly->setEnabled(normal);
    UpdateListButtons();
}

void TSearchWizardDlg::Refuse(const QString& text, Page page, QWidget* focus)
{
    ShowMessage(TInfoMessage{QStringLiteral("Search Assistant Error"), QStringLiteral("Sorry - I can't search yet..."), text});
    SetPage(page);
    if (focus)
        focus->setFocus();
}

void TSearchWizardDlg::FinishClick()
{
    const std::string searchBytes = TDialogText::Take(SearchString->text(), ShownSearchString);
    TCriteriaCheck::TEntries entries = TCriteriaCheck::TEntries::Of(Data);
    entries.SearchString = searchBytes;
    entries.SearchMode = ChosenSearchMode();
    entries.MatchCase = MatchCase->isChecked();
    entries.HasFileSpecs = FileSpecList->count() > 0;
    entries.HasFolders = DirectoryList->count() > 0;
    for (const TCriteriaCheck::TFault& fault : TCriteriaCheck::Faults(entries)) {
        switch (fault.Field) {
        case TCriteriaCheck::TField::SearchString:
            if (fault.Reason == TCriteriaCheck::TReason::InvalidPattern)
                Refuse(QStringLiteral("There is an error in the regular expression: ") +
                           QString::fromStdString(fault.PatternErrorText()) + QStringLiteral(". Please correct."),
                       StringPage, SearchString);
            else
                Refuse(QStringLiteral("You haven't entered the text you want to find. Press the OK button below, then "
                                      "type the text in."),
                       StringPage, SearchString);
            return;
        // The files are checked before the folders, although the folder page comes first.
        case TCriteriaCheck::TField::FileSpecs:
            Refuse(QStringLiteral("You haven't entered which files you want to search. Press the OK button below, then "
                                  "pick one or more filespecs from the list on the left."),
                   FilespecPage, nullptr);
            return;
        case TCriteriaCheck::TField::Folders:
            Refuse(QStringLiteral("You haven't entered which folders you want to search in. Press the OK button below, "
                                  "then pick one or more folders from the box on the left."),
                   DirectoryPage, nullptr);
            return;
        case TCriteriaCheck::TField::FileKinds:
            // The assistant offers no skip options, so it cannot have the user mend them; the
            // search dialog of expert mode does.
            break;
        }
    }

    Data.FileSpecs.clear();
    for (int row = 0; row < FileSpecList->count(); ++row) {
        const std::string spec = EntryBytes(FileSpecList->item(row));
        if (std::none_of(Data.FileSpecs.begin(), Data.FileSpecs.end(),
                         [&](const std::string& copied) { return SameIgnoringCase(copied, spec); }))
            Data.FileSpecs.push_back(spec);
    }
    Data.Folders.clear();
    for (int row = 0; row < DirectoryList->count(); ++row) {
        const std::string folder = EntryBytes(DirectoryList->item(row));
        if (std::find(Data.Folders.begin(), Data.Folders.end(), folder) == Data.Folders.end())
            Data.Folders.push_back(folder);
    }

    Data.SearchString = searchBytes;
    Data.MatchCase = MatchCase->isChecked();
    Data.WholeWordsOnly = WholeWordsOnly->isChecked();
    Data.RecurseSubdirs = RecurseSubdirs->isChecked();
    Data.DateFilterMode = 0;
    Data.SizeFilterMode = 0;
    Data.CountFilesFirst = true;
    Data.SearchMode = entries.SearchMode;
    accept();
}

uint8_t TSearchWizardDlg::ChosenSearchMode() const
{
    return NormalSearch->isChecked()    ? TSearchData::ModeNormal
           : SoundexSearch->isChecked() ? TSearchData::ModeSoundex
                                        : TSearchData::ModeQuick;
}

void TSearchWizardDlg::NormalSearchClick()
{
    MatchCase->setEnabled(true);
    WholeWordsOnly->setEnabled(true);
}

void TSearchWizardDlg::SoundexSearchClick()
{
    MatchCase->setEnabled(false);
    WholeWordsOnly->setEnabled(false);
}

void TSearchWizardDlg::DrivePickerChange(const QString& root)
{
    DirPicker->SetPath(root);
    CurrentPath->setText(DirPicker->Path());
}

void TSearchWizardDlg::DirPickerChange(const QString& path)
{
    CurrentPath->setText(path);
    DrivePicker->ShowPath(path);
}

void TSearchWizardDlg::InclDirBtnClick()
{
    AppendNew(DirectoryList, TDialogText::FromPath(CurrentPath->text()), Compare::Exactly);
    UpdateListButtons();
}

void TSearchWizardDlg::ExclDirBtnClick()
{
    const int noted = FirstSelectedRow(DirectoryList);
    for (int row : SelectedRowsDescending(DirectoryList))
        delete DirectoryList->takeItem(row);
    SelectAfterMove(DirectoryList, noted);
    UpdateListButtons();
}

void TSearchWizardDlg::IncludeBtnClick()
{
    const int noted = FirstSelectedRow(SrcList);
    // Last selected first, so several types are appended in the reverse of their order on offer.
    for (int row : SelectedRowsDescending(SrcList))
        AppendNew(FileSpecList, EntryBytes(SrcList->item(row)), Compare::IgnoringCase);
    SelectAfterMove(SrcList, noted);
    UpdateListButtons();
}

void TSearchWizardDlg::ExcludeBtnClick()
{
    const int noted = FirstSelectedRow(FileSpecList);
    bool offered = false;
    for (int row : SelectedRowsDescending(FileSpecList)) {
        const std::string spec = EntryBytes(FileSpecList->item(row));
        if (Choices.IndexOf(spec) < 0) {
            Choices.Add(spec);
            offered = true;
        }
        delete FileSpecList->takeItem(row);
    }
    if (offered)
        RefillSrcList();
    SelectAfterMove(FileSpecList, noted);
    UpdateListButtons();
}

void TSearchWizardDlg::FileSpecEditChange()
{
    FileSpecEditInclButton->setEnabled(true);
}

void TSearchWizardDlg::FileSpecEditInclButtonClick()
{
    if (!FileSpecEdit->text().isEmpty()) {
        // One entry exactly as typed: blanks do not separate specifications here.
        const std::string spec = TDialogText::Bytes(FileSpecEdit->text());
        AppendNew(FileSpecList, spec, Compare::IgnoringCase);
        if (Choices.IndexOf(spec) < 0) {
            Choices.Add(spec);
            RefillSrcList();
        }
    }
    FileSpecEdit->clear();
    UpdateListButtons();
    FileSpecEditInclButton->setEnabled(false);
}

void TSearchWizardDlg::UpdateListButtons()
{
    IncludeBtn->setEnabled(SrcList->count() > 0);
    ExcludeBtn->setEnabled(FileSpecList->count() > 0);
    ExclDirBtn->setEnabled(DirectoryList->count() > 0);
    InclDirBtn->setEnabled(true);
}

void TSearchWizardDlg::RefillSrcList()
{
    SrcList->clear();
    for (const std::string& entry : Choices.Items()) {
        auto* item = new QListWidgetItem(TDialogText::Show(entry));
        item->setData(BytesRole, QByteArray::fromStdString(entry));
        SrcList->addItem(item);
    }
}

void TSearchWizardDlg::LoadFilespecChoices(const TSettingsStore& store)
{
    Choices.Load(store);
    RefillSrcList();
    UpdateListButtons();
}

void TSearchWizardDlg::SaveFilespecChoices(TSettingsStore& store) const
{
    Choices.Save(store);
}
