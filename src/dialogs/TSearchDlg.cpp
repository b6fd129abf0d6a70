// SPDX-License-Identifier: MIT
#include "dialogs/TSearchDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <vector>

#include "dialogs/TButtonChoice.h"
#include "dialogs/TDialogText.h"
#include "engine/TCriteriaCheck.h"
#include "model/TDateFormat.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "platform/THelpWindow.h"

namespace {

// Sizes are shown and entered in units of 1000 bytes.
constexpr int32_t KByte = 1000;

QRadioButton* Radio(const QString& caption, const char* name, QButtonGroup* group, int id)
{
    auto* button = new QRadioButton(caption);
    button->setObjectName(QLatin1String(name));
    group->addButton(button, id);
    return button;
}

QCheckBox* Check(const QString& caption, const char* name)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(QLatin1String(name));
    return box;
}

QSpinBox* Number(const char* name, int minimum, int maximum)
{
    auto* box = new QSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setRange(minimum, maximum);
    box->setWrapping(false);
    return box;
}

QLabel* Label(const QString& text, const char* name = nullptr)
{
    auto* label = new QLabel(text);
    if (name)
        label->setObjectName(QLatin1String(name));
    return label;
}

QComboBox* HistoryBox(const char* name)
{
    auto* box = new QComboBox;
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    // The history changes only when OK accepts the entries, never as the user types.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->completer()->setCompletionMode(QCompleter::PopupCompletion);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(30);
    return box;
}

QFrame* Bevel(const char* name)
{
    auto* line = new QFrame;
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// The controls of a filter: no filter, less than, greater than, or between two bounds.
struct FilterControls {
    QRadioButton* None;
    QRadioButton* Less;
    QWidget* LessEdit;
    QRadioButton* Greater;
    QWidget* GreaterEdit;
    QRadioButton* Between;
    QWidget* MinEdit;
    QWidget* MaxEdit;
};

// A filter's box: a row for each choice, the unit after the single bounds and, when
// `unitAfterRange`, after the pair of bounds too.
QGroupBox* FilterBox(const QString& title, const FilterControls& controls, const QString& unit, bool unitAfterRange)
{
    auto* box = new QGroupBox(title);
    const int lastColumn = unitAfterRange ? 4 : 3;
    auto* grid = new QGridLayout(box);
    grid->addWidget(controls.None, 0, 0);
    grid->addWidget(controls.Less, 1, 0);
    grid->addWidget(controls.LessEdit, 1, 1);
    grid->addWidget(Label(unit), 1, 2, 1, lastColumn - 1);
    grid->addWidget(controls.Greater, 2, 0);
    grid->addWidget(controls.GreaterEdit, 2, 1);
    grid->addWidget(Label(unit), 2, 2, 1, lastColumn - 1);
    grid->addWidget(controls.Between, 3, 0);
    grid->addWidget(controls.MinEdit, 3, 1);
    grid->addWidget(Label(QStringLiteral("---")), 3, 2, Qt::AlignCenter);
    grid->addWidget(controls.MaxEdit, 3, 3);
    if (unitAfterRange)
        grid->addWidget(Label(unit), 3, 4);
    grid->setColumnStretch(lastColumn + 1, 1);
    return box;
}

// A date, optionally followed by a blank and a time of day (hours and minutes, optionally
// seconds), in the program's date format.
bool ParseDateTime(const std::string& text, TDateTime& value)
{
    std::string_view rest = text;
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == ' ')
        rest.remove_suffix(1);
    const std::size_t blank = rest.find(' ');
    TDateTime date;
    if (!TDateFormat::Program().Parse(rest.substr(0, blank), date))
        return false;
    int parts[3] = {0, 0, 0};
    if (blank != std::string_view::npos) {
        std::string_view time = rest.substr(blank + 1);
        while (!time.empty() && time.front() == ' ')
            time.remove_prefix(1);
        int count = 0;
        while (count < 3) {
            std::size_t digits = 0;
            while (digits < time.size() && digits < 2 && time[digits] >= '0' && time[digits] <= '9')
                ++digits;
            if (digits == 0)
                return false;
            for (std::size_t i = 0; i < digits; ++i)
                parts[count] = parts[count] * 10 + (time[i] - '0');
            time.remove_prefix(digits);
            ++count;
            if (time.empty())
                break;
            if (time.front() != ':')
                return false;
            time.remove_prefix(1);
        }
        if (!time.empty() || count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
            return false;
    }
    value = TDateTime(date.Value() + (parts[0] * 3600 + parts[1] * 60 + parts[2]) / 86400.0);
    return true;
}

} // namespace

TSearchDlg::TSearchDlg(TSearchData& data, TProgramData& program, QWidget* parent)
    : QDialog(parent), ShowMessage(TInfoMessage::ModalHook(this)), Data(data), Program(program),
      Strings(THistoryList::StringsKey), Filespecs(THistoryList::FilespecsKey), FolderList(THistoryList::FoldersKey)
{
    setWindowTitle(QStringLiteral("Search Criteria"));
    ChooseFolder = [this](const QString& initial) {
        return QFileDialog::getExistingDirectory(this, tr("Select Folder"), initial, QFileDialog::ShowDirsOnly);
    };

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));
    Pages->addTab(BuildGeneralPage(), QStringLiteral("General"));
    Pages->addTab(BuildFormatPage(), QStringLiteral("Text file format"));
    FiltersTab = BuildFiltersPage();
    Pages->addTab(FiltersTab, QStringLiteral("Filters"));
    Pages->addTab(BuildLookupPage(), QStringLiteral("Regular expression lookup"));

    OK1 = new QPushButton(QStringLiteral("&OK"), this);
    OK1->setObjectName(QStringLiteral("OK1"));
    OK1->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    connect(OK1, &QPushButton::clicked, this, &TSearchDlg::OKClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TSearchDlg::HelpBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK1);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pages);
    layout->addLayout(buttons);
}

QWidget* TSearchDlg::BuildGeneralPage()
{
    auto* page = new QWidget;

    SearchString = HistoryBox("SearchString");
    auto* searchLabel = Label(QStringLiteral("&Search for:"), "SearchStringLabel");
    searchLabel->setBuddy(SearchString);

    auto* kinds = new QButtonGroup(page);
    NormalSearch = Radio(QStringLiteral("&Normal (Regular expressions)"), "NormalSearch", kinds, TSearchData::ModeNormal);
    SoundexSearch = Radio(QStringLiteral("Sounde&x"), "SoundexSearch", kinds, TSearchData::ModeSoundex);
    QuickSearch = Radio(QStringLiteral("&Quick (No regular expressions)"), "QuickSearch", kinds, TSearchData::ModeQuick);
    connect(NormalSearch, &QRadioButton::clicked, this, &TSearchDlg::NormalSearchClick);
    connect(SoundexSearch, &QRadioButton::clicked, this, &TSearchDlg::SoundexSearchClick);
    connect(QuickSearch, &QRadioButton::clicked, this, &TSearchDlg::SoundexSearchClick);

    WholeWordsOnly = Check(QStringLiteral("&Whole Words Only"), "WholeWordsOnly");
    MatchCase = Check(QStringLiteral("&Match Case"), "MatchCase");
    Invert = Check(QStringLiteral("In&vert match (-v)"), "Invert");
    StopAfterFirst = Check(QStringLiteral("Sto&p after first match"), "StopAfterFirst");

    FileSpec = HistoryBox("FileSpec");
    FileSpecLabel = Label(QStringLiteral("&File Specifications:"), "FileSpecLabel");
    FileSpecLabel->setBuddy(FileSpec);
    SkipText = Check(QStringLiteral("Skip &Text Files"), "SkipText");
    SkipBinary = Check(QStringLiteral("Skip &Binary Files"), "SkipBinary");
    SearchZIPs = Check(QStringLiteral("Look in &ZIPs"), "SearchZIPs");

    Folders = HistoryBox("Folders");
    FoldersLabel = Label(QStringLiteral("Fol&ders:"), "FoldersLabel");
    FoldersLabel->setBuddy(Folders);
    PickFolder = new QPushButton(QStringLiteral("..."));
    PickFolder->setObjectName(QStringLiteral("PickFolder"));
    PickFolder->setAutoDefault(false);
    PickFolder->setMaximumWidth(PickFolder->fontMetrics().horizontalAdvance(QStringLiteral("....")) * 3);
    connect(PickFolder, &QPushButton::clicked, this, &TSearchDlg::PickFolderClick);
    RecurseSubdirs = Check(QStringLiteral("&Recurse folders"), "RecurseSubdirs");
    CountFilesFirst = Check(QStringLiteral("&Count Files First"), "CountFilesFirst");
    SkipUnderscoreDirs = Check(QStringLiteral("S&kip _vti*"), "SkipUnderscoreDirs");

    Bevel1 = Bevel("Bevel1");
    Bevel2 = Bevel("Bevel2");
    ZIPNote = Label(QStringLiteral("Please note that files within ZIPs will not be included in this search."), "ZIPNote");
    ZIPNote->setWordWrap(true);

    auto* kindColumn = new QVBoxLayout;
    kindColumn->addWidget(NormalSearch);
    kindColumn->addWidget(SoundexSearch);
    kindColumn->addWidget(QuickSearch);
    kindColumn->addStretch();
    auto* optionColumn = new QVBoxLayout;
    optionColumn->addWidget(WholeWordsOnly);
    optionColumn->addWidget(MatchCase);
    optionColumn->addWidget(Invert);
    optionColumn->addWidget(StopAfterFirst);
    optionColumn->addStretch();
    auto* options = new QHBoxLayout;
    options->addLayout(kindColumn);
    options->addSpacing(20);
    options->addLayout(optionColumn);
    options->addStretch();

    auto* fileChecks = new QHBoxLayout;
    fileChecks->addWidget(SkipText);
    fileChecks->addWidget(SkipBinary);
    fileChecks->addWidget(SearchZIPs);
    fileChecks->addStretch();

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(Folders, 1);
    folderRow->addWidget(PickFolder);
    auto* folderChecks = new QHBoxLayout;
    folderChecks->addWidget(RecurseSubdirs);
    folderChecks->addWidget(CountFilesFirst);
    folderChecks->addWidget(SkipUnderscoreDirs);
    folderChecks->addStretch();

    auto* grid = new QGridLayout(page);
    grid->addWidget(searchLabel, 0, 0);
    grid->addWidget(SearchString, 0, 1);
    grid->addLayout(options, 1, 1);
    grid->addWidget(Bevel1, 2, 0, 1, 2);
    grid->addWidget(FileSpecLabel, 3, 0);
    grid->addWidget(FileSpec, 3, 1);
    grid->addLayout(fileChecks, 4, 1);
    grid->addWidget(Bevel2, 5, 0, 1, 2);
    grid->addWidget(FoldersLabel, 6, 0);
    grid->addLayout(folderRow, 6, 1);
    grid->addLayout(folderChecks, 7, 1);
    grid->addWidget(ZIPNote, 8, 0, 1, 2);
    grid->setRowStretch(9, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget* TSearchDlg::BuildFormatPage()
{
    auto* page = new QWidget;
    auto* formats = new QButtonGroup(page);
    NormalFormat = Radio(QStringLiteral("&Normal (unformatted)"), "NormalFormat", formats, TSearchData::FormatNormal);
    DelimitedFormat = Radio(QStringLiteral("&Delimited list"), "DelimitedFormat", formats, TSearchData::FormatDelimited);
    FixedWidthFormat = Radio(QStringLiteral("&Fixed-width list"), "FixedWidthFormat", formats, TSearchData::FormatFixedWidth);
    connect(NormalFormat, &QRadioButton::clicked, this, &TSearchDlg::NormalFormatClick);
    connect(DelimitedFormat, &QRadioButton::clicked, this, &TSearchDlg::DelimitedFormatClick);
    connect(FixedWidthFormat, &QRadioButton::clicked, this, &TSearchDlg::FixedWidthFormatClick);

    NormalLabel1 = Label(QStringLiteral("Treat each line of text files as plain, unformatted, text"), "NormalLabel1");
    NormalLabel2 = Label(QStringLiteral("If in doubt, leave this selected"), "NormalLabel2");

    SeparatorChar = new QComboBox;
    SeparatorChar->setObjectName(QStringLiteral("SeparatorChar"));
    SeparatorChar->setEditable(true);
    SeparatorChar->setInsertPolicy(QComboBox::NoInsert);
    SeparatorChar->addItems({QStringLiteral(","), QStringLiteral(";"), QStringLiteral("Tab"), QStringLiteral("Space")});
    SeparatorLabel = Label(QStringLiteral("Text files are delimited lists separated by a:"), "SeparatorLabel");
    SeparatorLabel->setBuddy(SeparatorChar);
    FieldNumber = Number("FieldNumber", 1, 100);
    FieldNumberLabel = Label(QStringLiteral("Search in field number:"), "FieldNumberLabel");
    FieldNumberLabel->setBuddy(FieldNumber);
    FieldStart = Number("FieldStart", 1, 1000);
    FieldStartLabel = Label(QStringLiteral("Search the field beginning at position:"), "FieldStartLabel");
    FieldStartLabel->setBuddy(FieldStart);
    FieldWidth = Number("FieldWidth", 1, 1000);
    FieldWidthLabel = Label(QStringLiteral("Width of this field:"), "FieldWidthLabel");
    FieldWidthLabel->setBuddy(FieldWidth);

    auto* grid = new QGridLayout(page);
    grid->setColumnMinimumWidth(0, 24);
    grid->addWidget(NormalFormat, 0, 0, 1, 3);
    grid->addWidget(NormalLabel1, 1, 1, 1, 2);
    grid->addWidget(NormalLabel2, 2, 1, 1, 2);
    grid->setRowMinimumHeight(3, 12);
    grid->addWidget(DelimitedFormat, 4, 0, 1, 3);
    grid->addWidget(SeparatorLabel, 5, 1);
    grid->addWidget(SeparatorChar, 5, 2, Qt::AlignLeft);
    grid->addWidget(FieldNumberLabel, 6, 1);
    grid->addWidget(FieldNumber, 6, 2, Qt::AlignLeft);
    grid->setRowMinimumHeight(7, 12);
    grid->addWidget(FixedWidthFormat, 8, 0, 1, 3);
    grid->addWidget(FieldStartLabel, 9, 1);
    grid->addWidget(FieldStart, 9, 2, Qt::AlignLeft);
    grid->addWidget(FieldWidthLabel, 10, 1);
    grid->addWidget(FieldWidth, 10, 2, Qt::AlignLeft);
    grid->setRowStretch(11, 1);
    grid->setColumnStretch(2, 1);
    return page;
}

QWidget* TSearchDlg::BuildFiltersPage()
{
    auto* page = new QWidget;

    auto* dates = new QButtonGroup(page);
    DateNone = Radio(QStringLiteral("No date filter"), "DateNone", dates, 0);
    DateGreater = Radio(QStringLiteral("Greater than"), "DateGreater", dates, 1);
    DateLess = Radio(QStringLiteral("Less than"), "DateLess", dates, 2);
    DateBetween = Radio(QStringLiteral("Between dates"), "DateBetween", dates, 3);
    DateLessEdit = Number("DateLessEdit", 0, 100);
    DateGreaterEdit = Number("DateGreaterEdit", 0, 100);
    DateMinEdit = new QLineEdit;
    DateMinEdit->setObjectName(QStringLiteral("DateMinEdit"));
    DateMaxEdit = new QLineEdit;
    DateMaxEdit->setObjectName(QStringLiteral("DateMaxEdit"));

    auto* sizes = new QButtonGroup(page);
    SizeNone = Radio(QStringLiteral("No size filter"), "SizeNone", sizes, 0);
    SizeGreater = Radio(QStringLiteral("Greater than"), "SizeGreater", sizes, 1);
    SizeLess = Radio(QStringLiteral("Less than"), "SizeLess", sizes, 2);
    SizeBetween = Radio(QStringLiteral("Between sizes"), "SizeBetween", sizes, 3);
    SizeLessEdit = Number("SizeLessEdit", 0, 1000);
    SizeGreaterEdit = Number("SizeGreaterEdit", 0, 1000);
    SizeMinEdit = Number("SizeMinEdit", 0, 1000);
    SizeMaxEdit = Number("SizeMaxEdit", 0, 1000);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(FilterBox(QStringLiteral("File date"),
                                {DateNone, DateLess, DateLessEdit, DateGreater, DateGreaterEdit, DateBetween, DateMinEdit,
                                 DateMaxEdit},
                                QStringLiteral("days old"), false));
    layout->addWidget(FilterBox(QStringLiteral("File size"),
                                {SizeNone, SizeLess, SizeLessEdit, SizeGreater, SizeGreaterEdit, SizeBetween, SizeMinEdit,
                                 SizeMaxEdit},
                                QStringLiteral("Kbytes"), true));
    layout->addStretch();
    return page;
}

QWidget* TSearchDlg::BuildLookupPage()
{
    auto* page = new QWidget;
    auto* heading = Label(QStringLiteral("Quarnel supports the following regular expression characters:"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    struct Row {
        const char* Character;
        const char* Meaning;
        const char* Example;
        const char* WillMatch;
    };
    static const Row rows[] = {
        {"^", "Constrain to start of line", "^Windows", ""},
        {"$", "Constrain to end of line", "Windows$", ""},
        {".", "Match any character", "Win.", "Wind, Wine..."},
        {"*", "Match 0 or more", "10*", "1, 10, 100..."},
        {"+", "Match 1 or more", "10+", "10, 100, 1000..."},
        {"?", "Optionally match", "10?", "1 and 10"},
        {"( )", "Expression group", "b(an)*a", "ba, bana, banana"},
        {"[ ]", "Character group", "[0-9]", "0 to 9 inclusive"},
        {"\\", "Quote next character", "\\?", "?"},
        {"|", "Logical OR", "hello|world", "hello or world"},
    };

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(18);
    const char* headings[] = {"", "Meaning", "Example", "Will match"};
    for (int column = 0; column < 4; ++column) {
        auto* label = Label(QLatin1String(headings[column]));
        label->setFont(bold);
        grid->addWidget(label, 0, column);
    }
    int line = 1;
    for (const Row& row : rows) {
        const char* cells[] = {row.Character, row.Meaning, row.Example, row.WillMatch};
        for (int column = 0; column < 4; ++column) {
            auto* cell = Label(QLatin1String(cells[column]));
            cell->setTextFormat(Qt::PlainText);
            if (column == 0 || column == 2)
                cell->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
            grid->addWidget(cell, line, column);
        }
        ++line;
    }
    grid->setColumnStretch(3, 1);

    auto* andLabel = Label(QStringLiteral("Logical AND can be achieved using"));
    auto* andExample = Label(QStringLiteral("worda.*wordb|wordb.*worda"));
    andExample->setTextFormat(Qt::PlainText);
    andExample->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* andNote = Label(QStringLiteral("(This works at a line level, not at a file level)"));
    auto* andRow = new QHBoxLayout;
    andRow->addWidget(andLabel);
    andRow->addWidget(andExample);
    andRow->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(heading);
    layout->addSpacing(6);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(andRow);
    layout->addWidget(andNote);
    layout->addStretch();
    return page;
}

void TSearchDlg::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

int TSearchDlg::CurrentPage() const
{
    return Pages->currentIndex();
}

void TSearchDlg::FormShow()
{
    Pages->setCurrentIndex(GeneralPage);

    // Re-searching the files already found: which files and folders, and the filters, do not
    // apply; files within ZIPs are not searched again.
    const bool again = Data.SearchAgain;
    ZIPNote->setVisible(again);
    for (QWidget* widget : std::initializer_list<QWidget*>{FileSpec, Folders, CountFilesFirst, RecurseSubdirs, FileSpecLabel,
                                                           FoldersLabel, PickFolder, Bevel1, Bevel2, SkipText, SkipBinary,
                                                           SkipUnderscoreDirs, SearchZIPs})
        widget->setVisible(!again);
    Pages->setTabVisible(Pages->indexOf(FiltersTab), !again);

    ShownSearchString = Data.SearchString;
    SearchString->setEditText(TDialogText::Show(ShownSearchString));
    TButtonChoice::Show(NormalSearch->group(), Data.SearchMode);
    WholeWordsOnly->setChecked(Data.WholeWordsOnly);
    MatchCase->setChecked(Data.MatchCase);
    Invert->setChecked(Data.Invert);
    StopAfterFirst->setChecked(Data.StopAfterFirstMatch);
    ShownFileSpecs = Data.FileSpecsText(" ");
    FileSpec->setEditText(TDialogText::Show(ShownFileSpecs));
    SkipText->setChecked(Data.SkipTextFiles);
    SkipBinary->setChecked(Data.SkipBinaryFiles);
    SearchZIPs->setChecked(Data.SearchZIPs);
    ShownFolders = Data.FoldersText(" ");
    Folders->setEditText(TDialogText::Show(ShownFolders));
    RecurseSubdirs->setChecked(Data.RecurseSubdirs);
    CountFilesFirst->setChecked(Data.CountFilesFirst);
    SkipUnderscoreDirs->setChecked(Data.SkipUnderscoreDirs);

    TButtonChoice::Show(NormalFormat->group(), Data.TextFileFormat);
    ShownSeparator = Data.SeparatorChar;
    SeparatorChar->setEditText(TDialogText::Show(ShownSeparator));
    FieldNumber->setValue(Data.FieldNumber);
    FieldStart->setValue(Data.FieldStart);
    FieldWidth->setValue(Data.FieldWidth);

    TButtonChoice::Show(DateNone->group(), Data.DateFilterMode);
    DateLessEdit->setValue(Data.LessThanDays);
    DateGreaterEdit->setValue(Data.GreaterThanDays);
    DateMinEdit->setText(QString::fromStdString(TDateFormat::Program().FormatDateTime(Data.MinDate)));
    DateMaxEdit->setText(QString::fromStdString(TDateFormat::Program().FormatDateTime(Data.MaxDate)));
    TButtonChoice::Show(SizeNone->group(), Data.SizeFilterMode);
    SizeLessEdit->setValue(Data.LessThanSize / KByte);
    SizeGreaterEdit->setValue(Data.GreaterThanSize / KByte);
    SizeMinEdit->setValue(Data.MinSize / KByte);
    SizeMaxEdit->setValue(Data.MaxSize / KByte);

    SearchString->setFocus();

    const bool normal = Data.SearchMode == TSearchData::ModeNormal;
    MatchCase->setEnabled(normal);
    WholeWordsOnly->setEnabled(normal);
    UpdateFormatControls();
}

void TSearchDlg::Refuse(const QString& text, Page page, QWidget* focus)
{
    ShowMessage(TInfoMessage{QStringLiteral("Search Criteria Error"), QStringLiteral("Invalid Criteria:"), text});
    Pages->setCurrentIndex(page);
    if (focus)
        focus->setFocus();
}

void TSearchDlg::OKClick()
{
    // Everything is checked before anything is stored: a refused OK leaves the parameters and the
    // history lists as they were.
    const QString searchText = SearchString->currentText();
    const std::string searchBytes = TDialogText::Take(searchText, ShownSearchString);
    const QString specText = FileSpec->currentText();
    const QString folderText = Folders->currentText();
    uint8_t searchMode = Data.SearchMode;
    TButtonChoice::Take(NormalSearch->group(), searchMode);

    TCriteriaCheck::TEntries entries;
    entries.SearchString = searchBytes;
    entries.SearchMode = searchMode;
    entries.MatchCase = MatchCase->isChecked();
    // A text of blanks only is given, though it makes no item.
    entries.HasFileSpecs = !specText.isEmpty();
    entries.HasFolders = !folderText.isEmpty();
    entries.SkipTextFiles = SkipText->isChecked();
    entries.SkipBinaryFiles = SkipBinary->isChecked();
    if (const std::vector<TCriteriaCheck::TFault> faults = TCriteriaCheck::Faults(entries); !faults.empty()) {
        RefuseFault(faults.front());
        return;
    }

    TDateTime minDate = Data.MinDate;
    TDateTime maxDate = Data.MaxDate;
    if (!DateNone->isChecked()) {
        for (auto [edit, value] : {std::pair{DateMinEdit, &minDate}, std::pair{DateMaxEdit, &maxDate}}) {
            if (!ParseDateTime(edit->text().toStdString(), *value)) {
                Refuse(QStringLiteral("Invalid date or date format. Months need to be specified as a number."), FiltersPage,
                       edit);
                return;
            }
        }
    }

    const std::string specBytes = TDialogText::Take(specText, ShownFileSpecs);
    const std::string folderBytes = TDialogText::Take(folderText, ShownFolders);
    Data.SetFileSpecs(specBytes);
    Data.SetFolders(folderBytes);
    Data.SearchString = searchBytes;
    Strings.Add(searchBytes);
    Filespecs.Add(specBytes);
    FolderList.Add(folderBytes);
    FillHistoryBoxes();

    Data.MatchCase = MatchCase->isChecked();
    Data.WholeWordsOnly = WholeWordsOnly->isChecked();
    Data.RecurseSubdirs = RecurseSubdirs->isChecked();
    Data.StopAfterFirstMatch = StopAfterFirst->isChecked();
    Data.Invert = Invert->isChecked();
    Data.CountFilesFirst = CountFilesFirst->isChecked();
    Data.SearchZIPs = SearchZIPs->isChecked();
    Data.SkipUnderscoreDirs = SkipUnderscoreDirs->isChecked();
    Data.SkipTextFiles = SkipText->isChecked();
    Data.SkipBinaryFiles = SkipBinary->isChecked();

    Data.FieldNumber = FieldNumber->value();
    Data.FieldStart = FieldStart->value();
    Data.FieldWidth = FieldWidth->value();
    Data.SeparatorChar = TDialogText::Take(SeparatorChar->currentText(), ShownSeparator);

    Data.SearchMode = searchMode;
    TButtonChoice::Take(NormalFormat->group(), Data.TextFileFormat);

    Data.MinDate = minDate;
    Data.MaxDate = maxDate;
    Data.GreaterThanDays = DateGreaterEdit->value();
    Data.LessThanDays = DateLessEdit->value();
    Data.GreaterThanSize = SizeGreaterEdit->value() * KByte;
    Data.LessThanSize = SizeLessEdit->value() * KByte;
    Data.MinSize = SizeMinEdit->value() * KByte;
    Data.MaxSize = SizeMaxEdit->value() * KByte;

    TButtonChoice::Take(DateNone->group(), Data.DateFilterMode);
    TButtonChoice::Take(SizeNone->group(), Data.SizeFilterMode);

    accept();
}

void TSearchDlg::RefuseFault(const TCriteriaCheck::TFault& fault)
{
    switch (fault.Field) {
    case TCriteriaCheck::TField::SearchString:
        if (fault.Reason == TCriteriaCheck::TReason::InvalidPattern)
            Refuse(QStringLiteral("Error in regular expression: ") + QString::fromStdString(fault.PatternErrorText()),
                   GeneralPage, SearchString);
        else
            Refuse(QStringLiteral("No search string specified"), GeneralPage, SearchString);
        break;
    case TCriteriaCheck::TField::FileSpecs:
        Refuse(QStringLiteral("Error in filename specification"), GeneralPage, FileSpec);
        break;
    case TCriteriaCheck::TField::Folders:
        Refuse(QStringLiteral("Error in folder specification"), GeneralPage, Folders);
        break;
    case TCriteriaCheck::TField::FileKinds:
        Refuse(QStringLiteral("Skip Text AND Skip Binary selected - no files would be searched!"), GeneralPage, nullptr);
        break;
    }
}

void TSearchDlg::NormalSearchClick()
{
    MatchCase->setEnabled(true);
    WholeWordsOnly->setEnabled(true);
}

void TSearchDlg::SoundexSearchClick()
{
    MatchCase->setEnabled(false);
    WholeWordsOnly->setEnabled(false);
}

void TSearchDlg::NormalFormatClick()
{
    UpdateFormatControls();
}

void TSearchDlg::DelimitedFormatClick()
{
    UpdateFormatControls();
}

void TSearchDlg::FixedWidthFormatClick()
{
    UpdateFormatControls();
}

void TSearchDlg::UpdateFormatControls()
{
    const bool normal = NormalFormat->isChecked();
    const bool delimited = DelimitedFormat->isChecked();
    const bool fixedWidth = FixedWidthFormat->isChecked();
    for (QWidget* widget : std::initializer_list<QWidget*>{NormalLabel1, NormalLabel2})
        widget->setEnabled(normal);
    for (QWidget* widget : std::initializer_list<QWidget*>{FieldNumber, FieldNumberLabel, SeparatorLabel, SeparatorChar})
        widget->setEnabled(delimited);
    for (QWidget* widget : std::initializer_list<QWidget*>{FieldStart, FieldStartLabel, FieldWidth, FieldWidthLabel})
        widget->setEnabled(fixedWidth);
}

void TSearchDlg::PickFolderClick()
{
    // The browser starts at the folder the box names; of a list, at its first folder.
    std::vector<std::string> items;
    TSearchData::SplitList(TDialogText::Take(Folders->currentText(), ShownFolders), items);
    const QString initial = items.empty() ? QString() : TDialogText::Show(items.front());
    const QString chosen = ChooseFolder ? ChooseFolder(initial) : QString();
    if (chosen.isEmpty())
        return;
    Folders->setEditText(chosen.contains(QLatin1Char(' ')) ? QLatin1Char('"') + chosen + QLatin1Char('"') : chosen);
}

void TSearchDlg::HelpBtnClick()
{
    THelpWindow::ShowTopic(Program.HelpFile, "html/search-dialog.htm");
}

void TSearchDlg::FillHistoryBoxes()
{
    const std::pair<QComboBox*, const THistoryList*> boxes[] = {
        {SearchString, &Strings}, {FileSpec, &Filespecs}, {Folders, &FolderList}};
    for (const auto& [box, history] : boxes) {
        // Refilling the items must not change what the user typed.
        const QString text = box->currentText();
        box->clear();
        for (const std::string& item : history->Items)
            box->addItem(TDialogText::Show(item));
        box->setCurrentIndex(-1);
        box->setEditText(text);
    }
}

void TSearchDlg::LoadHistory(const TSettingsStore& store)
{
    Strings.Load(store);
    Filespecs.Load(store);
    FolderList.Load(store);
    FillHistoryBoxes();
}

void TSearchDlg::SaveHistory(TSettingsStore& store) const
{
    Strings.Save(store);
    Filespecs.Save(store);
    FolderList.Save(store);
}
