// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextBrowser>

#include <memory>
#include <vector>

#include "dialogs/TSearchDlg.h"
#include "model/TDateFormat.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "model/TSettingsKey.h"
#include "model/TSettingsStore.h"
#include "platform/THelpWindow.h"

#include "TDialogTestSupport.h"

namespace {

using Strings = std::vector<std::string>;

// A dialog over its own parameters, shown (offscreen) so that focus and visibility are real,
// with its messages recorded instead of shown.
struct Fixture {
    TSearchData Data;
    TProgramData Program;
    std::unique_ptr<TSearchDlg> Dlg;
    std::vector<TInfoMessage> Messages;

    explicit Fixture(bool searchAgain = false)
    {
        Data.SearchString = "needle";
        Data.FileSpecs = {"*.txt"};
        Data.Folders = {"/data"};
        Data.CountFilesFirst = true;
        Data.RecurseSubdirs = true;
        Data.FieldNumber = 1;
        Data.FieldStart = 1;
        Data.FieldWidth = 100;
        Data.SeparatorChar = ",";
        Data.MinDate = TDateTime::FromYMD(2024, 3, 7);
        Data.MaxDate = TDateTime::FromYMD(2024, 4, 8);
        Data.GreaterThanDays = 7;
        Data.LessThanDays = 7;
        Data.MinSize = 1000;
        Data.MaxSize = 100000;
        Data.LessThanSize = 1000;
        Data.GreaterThanSize = 100000;
        Data.SearchAgain = searchAgain;
        Program.HelpFile = ResourcesPath(QStringLiteral("help")).toStdString();
        Dlg = std::make_unique<TSearchDlg>(Data, Program);
        Dlg->ShowMessage = [this](const TInfoMessage& message) { Messages.push_back(message); };
        Dlg->ChooseFolder = [](const QString&) { return QString(); };
    }

    void Show() { ShowActive(*Dlg); }

    template <typename T>
    T* Get(const char* name) const
    {
        return Child<T>(*Dlg, name);
    }

    QComboBox* Box(const char* name) const { return Get<QComboBox>(name); }
    QCheckBox* Check(const char* name) const { return Get<QCheckBox>(name); }
    QRadioButton* Radio(const char* name) const { return Get<QRadioButton>(name); }
    QSpinBox* Spin(const char* name) const { return Get<QSpinBox>(name); }
    QLineEdit* Edit(const char* name) const { return Get<QLineEdit>(name); }

    bool HasFocus(const char* name) const { return HasFocusWithin(*Dlg, name); }
    bool Accepted() const { return Dlg->result() == QDialog::Accepted; }
};

QStringList Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

class SearchDlgTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TDateFormat::SetProgram(TDateFormat(TDateFormat::Order::DayMonthYear, '/'));
    }

    void showingFillsEveryControl()
    {
        Fixture f;
        f.Data.SearchMode = TSearchData::ModeQuick;
        f.Data.FileSpecs = {"*.txt", "my notes.doc"};
        f.Data.Folders = {"/data", "/home/a b"};
        f.Data.Invert = true;
        f.Data.SkipUnderscoreDirs = true;
        f.Data.TextFileFormat = TSearchData::FormatDelimited;
        f.Data.SeparatorChar = "Tab";
        f.Data.FieldNumber = 3;
        f.Data.DateFilterMode = 2;
        f.Data.LessThanDays = 12;
        f.Data.MaxDate = TDateTime::FromYMDHMS(2024, 4, 8, 13, 5, 9);
        f.Data.SizeFilterMode = 1;
        f.Data.LessThanSize = 1500;
        f.Data.GreaterThanSize = 2'000'000;
        f.Show();

        QCOMPARE(f.Dlg->CurrentPage(), int(TSearchDlg::GeneralPage));
        QVERIFY(f.HasFocus("SearchString"));
        QCOMPARE(f.Box("SearchString")->currentText(), QStringLiteral("needle"));
        QVERIFY(f.Radio("QuickSearch")->isChecked());
        QCOMPARE(f.Box("FileSpec")->currentText(), QStringLiteral("*.txt \"my notes.doc\""));
        QCOMPARE(f.Box("Folders")->currentText(), QStringLiteral("/data \"/home/a b\""));
        QVERIFY(f.Check("Invert")->isChecked());
        QVERIFY(f.Check("SkipUnderscoreDirs")->isChecked());
        QVERIFY(!f.Check("SkipText")->isChecked());
        QVERIFY(f.Radio("DelimitedFormat")->isChecked());
        QCOMPARE(f.Box("SeparatorChar")->currentText(), QStringLiteral("Tab"));
        QCOMPARE(f.Spin("FieldNumber")->value(), 3);
        QVERIFY(f.Radio("DateLess")->isChecked());
        QCOMPARE(f.Spin("DateLessEdit")->value(), 12);
        // The time of day is shown only when there is one.
        QCOMPARE(f.Edit("DateMinEdit")->text(), QStringLiteral("07/03/2024"));
        QCOMPARE(f.Edit("DateMaxEdit")->text(), QStringLiteral("08/04/2024 13:05:09"));
        QVERIFY(f.Radio("SizeGreater")->isChecked());
        // Kbytes of 1000 bytes, cut down, and confined to the box's range.
        QCOMPARE(f.Spin("SizeLessEdit")->value(), 1);
        QCOMPARE(f.Spin("SizeGreaterEdit")->value(), 1000);
        // Case and whole words apply to regular expressions only.
        QVERIFY(!f.Check("MatchCase")->isEnabled());
        QVERIFY(!f.Check("WholeWordsOnly")->isEnabled());
    }

    void okRefusesInvalidEntries_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("fileSpec");
        QTest::addColumn<QString>("folders");
        QTest::addColumn<bool>("skipBoth");
        QTest::addColumn<QString>("dateKind");
        QTest::addColumn<QString>("dateMin");
        QTest::addColumn<QString>("dateMax");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("focus");

        const QString ok = QString();
        const QString date = QStringLiteral("07/03/2024");
        const QString dateError = QStringLiteral("Invalid date or date format. Months need to be specified as a number.");
        QTest::newRow("no search string") << "" << "NormalSearch" << "*.txt" << "/data" << false << "DateNone" << date
                                          << date << "No search string specified" << 0 << "SearchString";
        QTest::newRow("unbalanced (") << "a(b" << "NormalSearch" << "*.txt" << "/data" << false << "DateNone" << date << date
                                      << "Error in regular expression: Unmatched (" << 0 << "SearchString";
        QTest::newRow("unbalanced [") << "[ab" << "NormalSearch" << "*.txt" << "/data" << false << "DateNone" << date << date
                                      << "Error in regular expression: Unmatched [" << 0 << "SearchString";
        // Without Match case the search folds the pattern to capitals, and so does the check.
        QTest::newRow("[Z-a] folded is no range") << "[Z-a]" << "NormalSearch" << "*.txt" << "/data" << false << "DateNone"
                                                  << date << date << "Error in regular expression: Invalid range specifier"
                                                  << 0 << "SearchString";
        QTest::newRow("[a-Z] folded is a range") << "[a-Z]" << "NormalSearch" << "*.txt" << "/data" << false << "DateNone"
                                                 << date << date << ok << 0 << "";
        QTest::newRow("blanks are a search string") << "   " << "NormalSearch" << "*.txt" << "/data" << false << "DateNone"
                                                    << date << date << ok << 0 << "";
        QTest::newRow("soundex takes a bad pattern") << "a(b" << "SoundexSearch" << "*.txt" << "/data" << false << "DateNone"
                                                     << date << date << ok << 0 << "";
        QTest::newRow("quick takes a bad pattern") << "[ab" << "QuickSearch" << "*.txt" << "/data" << false << "DateNone"
                                                   << date << date << ok << 0 << "";
        QTest::newRow("no file specification") << "x" << "NormalSearch" << "" << "/data" << false << "DateNone" << date << date
                                               << "Error in filename specification" << 0 << "FileSpec";
        QTest::newRow("blank file specification passes") << "x" << "NormalSearch" << "  " << "/data" << false << "DateNone"
                                                         << date << date << ok << 0 << "";
        QTest::newRow("no folder") << "x" << "NormalSearch" << "*.txt" << "" << false << "DateNone" << date << date
                                   << "Error in folder specification" << 0 << "Folders";
        QTest::newRow("skip text and binary") << "x" << "NormalSearch" << "*.txt" << "/data" << true << "DateNone" << date
                                              << date << "Skip Text AND Skip Binary selected - no files would be searched!"
                                              << 0 << "";
        QTest::newRow("between, bad first date") << "x" << "NormalSearch" << "*.txt" << "/data" << false << "DateBetween"
                                                 << "7 Mar 2024" << date << dateError << 2 << "DateMinEdit";
        QTest::newRow("between, bad second date") << "x" << "NormalSearch" << "*.txt" << "/data" << false << "DateBetween"
                                                  << date << "31/02/2024" << dateError << 2 << "DateMaxEdit";
        QTest::newRow("less than also reads the dates") << "x" << "NormalSearch" << "*.txt" << "/data" << false << "DateLess"
                                                        << "7 Mar 2024" << date << dateError << 2 << "DateMinEdit";
        QTest::newRow("bad time of day") << "x" << "NormalSearch" << "*.txt" << "/data" << false << "DateGreater"
                                         << "07/03/2024 25:00" << date << dateError << 2 << "DateMinEdit";
        QTest::newRow("no date filter ignores the dates") << "x" << "NormalSearch" << "*.txt" << "/data" << false << "DateNone"
                                                          << "7 Mar 2024" << "?" << ok << 0 << "";
    }

    void okRefusesInvalidEntries()
    {
        QFETCH(QString, search);
        QFETCH(QString, kind);
        QFETCH(QString, fileSpec);
        QFETCH(QString, folders);
        QFETCH(bool, skipBoth);
        QFETCH(QString, dateKind);
        QFETCH(QString, dateMin);
        QFETCH(QString, dateMax);
        QFETCH(QString, message);
        QFETCH(int, page);
        QFETCH(QString, focus);

        Fixture f;
        f.Show();
        f.Box("SearchString")->setEditText(search);
        f.Radio(kind.toLatin1().constData())->click();
        f.Box("FileSpec")->setEditText(fileSpec);
        f.Box("Folders")->setEditText(folders);
        f.Check("SkipText")->setChecked(skipBoth);
        f.Check("SkipBinary")->setChecked(skipBoth);
        f.Radio(dateKind.toLatin1().constData())->setChecked(true);
        f.Edit("DateMinEdit")->setText(dateMin);
        f.Edit("DateMaxEdit")->setText(dateMax);
        f.Get<QWidget>("Invert")->setFocus();

        f.Dlg->OKClick();

        if (message.isEmpty()) {
            QVERIFY(f.Messages.empty());
            QVERIFY(f.Accepted());
            return;
        }
        QCOMPARE(f.Messages.size(), std::size_t(1));
        QCOMPARE(f.Messages[0].Caption, QStringLiteral("Search Criteria Error"));
        QCOMPARE(f.Messages[0].Title, QStringLiteral("Invalid Criteria:"));
        QCOMPARE(f.Messages[0].Text, message);
        QVERIFY(!f.Accepted());
        QCOMPARE(f.Dlg->CurrentPage(), page);
        QVERIFY(f.HasFocus(focus.isEmpty() ? "Invert" : focus.toLatin1().constData()));
    }

    void okStoresEveryControl()
    {
        Fixture f;
        f.Show();
        f.Box("SearchString")->setEditText(QStringLiteral("  b(an)*a "));
        f.Radio("NormalSearch")->click();
        f.Check("MatchCase")->setChecked(true);
        f.Check("WholeWordsOnly")->setChecked(true);
        f.Check("Invert")->setChecked(true);
        f.Check("StopAfterFirst")->setChecked(true);
        f.Check("SkipBinary")->setChecked(true);
        f.Check("SearchZIPs")->setChecked(true);
        f.Check("RecurseSubdirs")->setChecked(false);
        f.Check("CountFilesFirst")->setChecked(false);
        f.Check("SkipUnderscoreDirs")->setChecked(true);
        f.Radio("FixedWidthFormat")->click();
        f.Box("SeparatorChar")->setEditText(QStringLiteral("|"));
        f.Spin("FieldNumber")->setValue(4);
        f.Spin("FieldStart")->setValue(5);
        f.Spin("FieldWidth")->setValue(3);
        f.Radio("DateBetween")->setChecked(true);
        f.Edit("DateMinEdit")->setText(QStringLiteral("1/2/2023"));
        f.Edit("DateMaxEdit")->setText(QStringLiteral("28/02/2023 18:30"));
        f.Spin("DateLessEdit")->setValue(3);
        f.Spin("DateGreaterEdit")->setValue(100);
        f.Radio("SizeBetween")->setChecked(true);
        f.Spin("SizeLessEdit")->setValue(2);
        f.Spin("SizeGreaterEdit")->setValue(5);
        f.Spin("SizeMinEdit")->setValue(10);
        f.Spin("SizeMaxEdit")->setValue(1000);

        f.Dlg->OKClick();

        QVERIFY(f.Messages.empty());
        QVERIFY(f.Accepted());
        const TSearchData& d = f.Data;
        QCOMPARE(d.SearchString, std::string("  b(an)*a "));
        QCOMPARE(d.SearchMode, TSearchData::ModeNormal);
        QVERIFY(d.MatchCase && d.WholeWordsOnly && d.Invert && d.StopAfterFirstMatch);
        QVERIFY(d.SkipBinaryFiles && !d.SkipTextFiles && d.SearchZIPs && d.SkipUnderscoreDirs);
        QVERIFY(!d.RecurseSubdirs && !d.CountFilesFirst);
        QCOMPARE(d.TextFileFormat, TSearchData::FormatFixedWidth);
        QCOMPARE(d.SeparatorChar, std::string("|"));
        QCOMPARE(d.FieldNumber, 4);
        QCOMPARE(d.FieldStart, 5);
        QCOMPARE(d.FieldWidth, 3);
        QCOMPARE(d.DateFilterMode, 3);
        QCOMPARE(d.MinDate, TDateTime::FromYMD(2023, 2, 1));
        QCOMPARE(d.MaxDate, TDateTime::FromYMDHMS(2023, 2, 28, 18, 30, 0));
        QCOMPARE(d.LessThanDays, 3);
        QCOMPARE(d.GreaterThanDays, 100);
        QCOMPARE(d.SizeFilterMode, 3);
        QCOMPARE(d.LessThanSize, 2000);
        QCOMPARE(d.GreaterThanSize, 5000);
        QCOMPARE(d.MinSize, 10'000);
        QCOMPARE(d.MaxSize, 1'000'000);
    }

    void enterInTheSearchBoxPressesOk()
    {
        Fixture f;
        f.Show();
        QTest::keyClick(f.Box("SearchString"), Qt::Key_End);
        QTest::keyClicks(f.Box("SearchString"), QStringLiteral(" more"));
        QTest::keyClick(f.Box("SearchString"), Qt::Key_Return);
        QVERIFY(f.Accepted());
        QCOMPARE(f.Data.SearchString, std::string("needle more"));
    }

    void sizesAreWholeKbytes()
    {
        // A size that is no multiple of 1000 shows cut down and is stored so.
        Fixture f;
        f.Data.LessThanSize = 1500;
        f.Show();
        QCOMPARE(f.Spin("SizeLessEdit")->value(), 1);
        f.Dlg->OKClick();
        QVERIFY(f.Accepted());
        QCOMPARE(f.Data.LessThanSize, 1000);
    }

    void modeOutOfRangeIsKept()
    {
        // A parameter file may hold a mode no button stands for: no button is checked, and OK
        // leaves the field as it was.
        Fixture f;
        f.Data.SearchMode = 7;
        f.Data.TextFileFormat = 9;
        f.Data.DateFilterMode = 5;
        f.Show();
        for (const char* name : {"NormalSearch", "SoundexSearch", "QuickSearch", "NormalFormat", "DelimitedFormat",
                                 "FixedWidthFormat", "DateNone", "DateLess", "DateGreater", "DateBetween"})
            QVERIFY2(!f.Radio(name)->isChecked(), name);
        f.Dlg->OKClick();
        QVERIFY(f.Accepted());
        QCOMPARE(f.Data.SearchMode, 7);
        QCOMPARE(f.Data.TextFileFormat, 9);
        QCOMPARE(f.Data.DateFilterMode, 5);
        QCOMPARE(f.Data.SizeFilterMode, 0);
    }

    void specificationBoxesSplitIntoLists_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("mask and quoted name") << "*.c \"my file.txt\"" << QStringList{"*.c", "my file.txt"};
        QTest::newRow("runs of blanks") << "  *.c    *.h  " << QStringList{"*.c", "*.h"};
        QTest::newRow("empty quotes") << "\"\"" << QStringList{""};
        QTest::newRow("two quoted stretches") << "\"a b\"\"c d\"" << QStringList{"a b", "c d"};
        QTest::newRow("blanks only") << "   " << QStringList{};
    }

    void specificationBoxesSplitIntoLists()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, items);
        Fixture f;
        f.Show();
        f.Box("FileSpec")->setEditText(text);
        f.Box("Folders")->setEditText(text);
        f.Dlg->OKClick();
        QVERIFY(f.Accepted());
        QStringList specs, folders;
        for (const std::string& item : f.Data.FileSpecs)
            specs << QString::fromStdString(item);
        for (const std::string& item : f.Data.Folders)
            folders << QString::fromStdString(item);
        QCOMPARE(specs, items);
        QCOMPARE(folders, items);
    }

    void refusedOkStoresNothing_data()
    {
        QTest::addColumn<bool>("skipBoth");
        QTest::addColumn<QString>("dateMin");
        QTest::newRow("skip text and binary") << true << "07/03/2024";
        QTest::newRow("bad date") << false << "7 Mar 2024";
    }

    void refusedOkStoresNothing()
    {
        // Every entry is checked before any is stored: a refused OK changes neither the
        // parameters nor the history lists.
        QFETCH(bool, skipBoth);
        QFETCH(QString, dateMin);
        Fixture f;
        f.Show();
        f.Box("SearchString")->setEditText(QStringLiteral("other"));
        f.Box("FileSpec")->setEditText(QStringLiteral("*.c *.h"));
        f.Box("Folders")->setEditText(QStringLiteral("/src"));
        f.Check("SkipText")->setChecked(skipBoth);
        f.Check("SkipBinary")->setChecked(skipBoth);
        f.Check("Invert")->setChecked(true);
        f.Radio("DateBetween")->setChecked(true);
        f.Edit("DateMinEdit")->setText(dateMin);
        f.Dlg->OKClick();
        QVERIFY(!f.Accepted());
        QCOMPARE(f.Messages.size(), std::size_t(1));
        QCOMPARE(f.Data.FileSpecs, (Strings{"*.txt"}));
        QCOMPARE(f.Data.Folders, (Strings{"/data"}));
        QCOMPARE(f.Data.SearchString, std::string("needle"));
        QVERIFY(!f.Data.Invert);
        QCOMPARE(f.Data.DateFilterMode, uint8_t(0));
        QCOMPARE(f.Box("SearchString")->count(), 0);
        QCOMPARE(f.Box("FileSpec")->count(), 0);
        QCOMPARE(f.Box("Folders")->count(), 0);
    }

    void textsThatAreNotUtf8SurviveUnchanged()
    {
        // Latin-1 bytes from a parameter file show as their characters and go back as they were.
        Fixture f;
        f.Data.SearchString = "caf\xe9";
        f.Data.Folders = {"/d\xe9p\xf4t"};
        f.Show();
        QCOMPARE(f.Box("SearchString")->currentText(), QStringLiteral("caf\u00e9"));
        f.Dlg->OKClick();
        QVERIFY(f.Accepted());
        QCOMPARE(f.Data.SearchString, std::string("caf\xe9"));
        QCOMPARE(f.Data.Folders, (Strings{"/d\xe9p\xf4t"}));
    }

    void historyPutsNewEntriesFirst()
    {
        Fixture f;
        f.Show();
        const auto ok = [&](const QString& search) {
            f.Box("SearchString")->setEditText(search);
            f.Dlg->OKClick();
            QVERIFY(f.Accepted());
            f.Dlg->setResult(0);
        };
        ok(QStringLiteral("alpha"));
        ok(QStringLiteral("beta"));
        ok(QStringLiteral("ALPHA"));
        QCOMPARE(Items(f.Box("SearchString")), (QStringList{"beta", "alpha"}));
        QCOMPARE(f.Box("SearchString")->currentText(), QStringLiteral("ALPHA"));
        ok(QStringLiteral("gamma"));
        QCOMPARE(Items(f.Box("SearchString")), (QStringList{"gamma", "beta", "alpha"}));
        QCOMPARE(Items(f.Box("FileSpec")), (QStringList{"*.txt"}));
        QCOMPARE(Items(f.Box("Folders")), (QStringList{"/data"}));
    }

    void historyRoundTripsThroughTheStore()
    {
        TSettingsStore store("");
        {
            TSettingsKey strings = store.CreateKey(TSettingsStore::KeyPath(THistoryList::StringsKey));
            strings.WriteString("0", "first");
            strings.WriteString("2", "third");
            strings.WriteString("25", "beyond");
        }
        Fixture f;
        f.Dlg->LoadHistory(store);
        f.Show();
        QCOMPARE(Items(f.Box("SearchString")), (QStringList{"first", "third"}));
        QCOMPARE(f.Box("SearchString")->currentText(), QStringLiteral("needle"));
        f.Dlg->OKClick();
        f.Dlg->SaveHistory(store);

        Fixture g;
        g.Dlg->LoadHistory(store);
        QCOMPARE(Items(g.Box("SearchString")), (QStringList{"needle", "first", "third"}));
        QCOMPARE(Items(g.Box("FileSpec")), (QStringList{"*.txt"}));
        QCOMPARE(Items(g.Box("Folders")), (QStringList{"/data"}));
    }

    void searchAgainHidesFilesFoldersAndFilters_data()
    {
        QTest::addColumn<bool>("again");
        QTest::newRow("new search") << false;
        QTest::newRow("search again") << true;
    }

    void searchAgainHidesFilesFoldersAndFilters()
    {
        QFETCH(bool, again);
        Fixture f(again);
        f.Show();
        QCOMPARE(f.Get<QLabel>("ZIPNote")->isVisible(), again);
        for (const char* name : {"FileSpec", "Folders", "CountFilesFirst", "RecurseSubdirs", "FileSpecLabel", "FoldersLabel",
                                 "PickFolder", "Bevel1", "Bevel2", "SkipText", "SkipBinary", "SkipUnderscoreDirs",
                                 "SearchZIPs"})
            QVERIFY2(f.Get<QWidget>(name)->isVisible() == !again, name);
        for (const char* name : {"SearchString", "NormalSearch", "MatchCase", "Invert", "StopAfterFirst"})
            QVERIFY2(f.Get<QWidget>(name)->isVisible(), name);
        const auto* pages = f.Get<QTabWidget>("Pages");
        QCOMPARE(pages->isTabVisible(TSearchDlg::FiltersPage), !again);
        QVERIFY(pages->isTabVisible(TSearchDlg::FormatPage));
        QVERIFY(pages->isTabVisible(TSearchDlg::LookupPage));
    }

    void searchAgainStillChecksTheHiddenBoxes()
    {
        Fixture f(true);
        f.Data.FileSpecs.clear();
        f.Show();
        f.Dlg->OKClick();
        QCOMPARE(f.Messages.size(), std::size_t(1));
        QCOMPARE(f.Messages[0].Text, QStringLiteral("Error in filename specification"));
        QVERIFY(!f.Accepted());
    }

    void searchKindEnablesCaseAndWholeWords()
    {
        Fixture f;
        f.Data.SearchMode = TSearchData::ModeSoundex;
        f.Data.MatchCase = true;
        f.Show();
        QVERIFY(!f.Check("MatchCase")->isEnabled());
        f.Radio("NormalSearch")->click();
        QVERIFY(f.Check("MatchCase")->isEnabled() && f.Check("WholeWordsOnly")->isEnabled());
        f.Radio("QuickSearch")->click();
        QVERIFY(!f.Check("MatchCase")->isEnabled() && !f.Check("WholeWordsOnly")->isEnabled());
        QVERIFY(f.Check("MatchCase")->isChecked());
        // A disabled check box is stored all the same.
        f.Dlg->OKClick();
        QVERIFY(f.Data.MatchCase);
        QCOMPARE(f.Data.SearchMode, TSearchData::ModeQuick);
    }

    void formatEnablesItsControls_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QStringList>("enabled");
        QTest::newRow("normal") << 0 << QStringList{"NormalLabel1", "NormalLabel2"};
        QTest::newRow("delimited") << 1 << QStringList{"FieldNumber", "FieldNumberLabel", "SeparatorLabel", "SeparatorChar"};
        QTest::newRow("fixed width") << 2 << QStringList{"FieldStart", "FieldStartLabel", "FieldWidth", "FieldWidthLabel"};
    }

    void formatEnablesItsControls()
    {
        QFETCH(int, format);
        QFETCH(QStringList, enabled);
        const char* all[] = {"NormalLabel1", "NormalLabel2", "FieldNumber", "FieldNumberLabel", "SeparatorLabel",
                             "SeparatorChar", "FieldStart", "FieldStartLabel", "FieldWidth", "FieldWidthLabel"};
        const char* buttons[] = {"NormalFormat", "DelimitedFormat", "FixedWidthFormat"};

        // At the first showing, from the parameters...
        Fixture f;
        f.Data.TextFileFormat = static_cast<uint8_t>(format);
        f.Show();
        for (const char* name : all)
            QVERIFY2(f.Get<QWidget>(name)->isEnabled() == enabled.contains(QLatin1String(name)), name);

        // ...and when the user picks the format.
        Fixture g;
        g.Data.TextFileFormat = static_cast<uint8_t>((format + 1) % 3);
        g.Show();
        g.Radio(buttons[format])->click();
        for (const char* name : all)
            QVERIFY2(g.Get<QWidget>(name)->isEnabled() == enabled.contains(QLatin1String(name)), name);
    }

    void pickedFolderReplacesTheFolderText_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "/home/user/src" << "/home/user/src";
        QTest::newRow("with a blank") << "/home/user/my files" << "\"/home/user/my files\"";
        QTest::newRow("cancelled") << "" << "/data \"/old place\"";
    }

    void pickedFolderReplacesTheFolderText()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, text);
        Fixture f;
        f.Data.Folders = {"/data", "/old place"};
        QString initial;
        f.Dlg->ChooseFolder = [&](const QString& start) {
            initial = start;
            return chosen;
        };
        f.Show();
        f.Get<QPushButton>("PickFolder")->click();
        QCOMPARE(initial, QStringLiteral("/data"));
        QCOMPARE(f.Box("Folders")->currentText(), text);
    }

    void helpShowsTheDialogsTopic()
    {
        Fixture f;
        f.Dlg->HelpBtnClick();
        QVERIFY(THelpWindow::Instance());
        QVERIFY(THelpWindow::Instance()->Source().path().endsWith(QStringLiteral("/html/search-dialog.htm")));
        THelpWindow::Instance()->close();
    }

    void rendersEveryPage()
    {
        // Set QUARNEL_SCREENSHOT_DIR to look at the pages as a person would.
        if (ScreenshotFolder().isEmpty())
            QSKIP("QUARNEL_SCREENSHOT_DIR not set");
        for (bool again : {false, true}) {
            Fixture f(again);
            f.Data.FileSpecs = {"*.cpp", "*.h"};
            f.Show();
            auto* pages = f.Get<QTabWidget>("Pages");
            for (int page = 0; page < pages->count(); ++page) {
                if (!pages->isTabVisible(page))
                    continue;
                pages->setCurrentIndex(page);
                QVERIFY(Snapshot(*f.Dlg, QStringLiteral("search-dialog-%1%2").arg(page).arg(again ? "-again" : "")));
            }
        }
    }
};

QTEST_MAIN(SearchDlgTest)
#include "SearchDlgTest.moc"
