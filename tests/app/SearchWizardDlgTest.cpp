// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include "dialogs/TFolderTree.h"
#include "dialogs/TSearchWizardDlg.h"
#include "model/TFilespecChoices.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "model/TSettingsKey.h"
#include "model/TSettingsStore.h"

#include "TDialogTestSupport.h"

namespace {

using Strings = std::vector<std::string>;

// An assistant over its own parameters, shown offscreen, with its messages recorded.
struct Fixture {
    TSearchData Data;
    TProgramData Program;
    std::unique_ptr<TSearchWizardDlg> Dlg;
    std::vector<TInfoMessage> Messages;

    explicit Fixture(bool searchAgain = false)
    {
        Data.SearchString = "needle";
        Data.SearchAgain = searchAgain;
        Data.RecurseSubdirs = true;
        Program.ProgramFolder = ResourcesPath().toStdString();
        Dlg = std::make_unique<TSearchWizardDlg>(Data, Program);
        Dlg->ShowMessage = [this](const TInfoMessage& message) { Messages.push_back(message); };
    }

    void Show() { ShowActive(*Dlg); }

    template <typename T>
    T* Get(const char* name) const
    {
        return Child<T>(*Dlg, name);
    }

    QListWidget* List(const char* name) const { return Get<QListWidget>(name); }
    QPushButton* Button(const char* name) const { return Get<QPushButton>(name); }

    bool HasFocus(const char* name) const { return HasFocusWithin(*Dlg, name); }

    void Select(const char* list, const QStringList& entries) const
    {
        QListWidget* widget = List(list);
        widget->clearSelection();
        for (const QString& entry : entries) {
            const QList<QListWidgetItem*> found = widget->findItems(entry, Qt::MatchExactly);
            QVERIFY2(!found.isEmpty(), qPrintable(entry));
            found.front()->setSelected(true);
        }
    }

    bool Accepted() const { return Dlg->result() == QDialog::Accepted; }
};

QStringList Entries(const QListWidget* list)
{
    QStringList entries;
    for (int row = 0; row < list->count(); ++row)
        entries << list->item(row)->text();
    return entries;
}

QStringList SelectedEntries(const QListWidget* list)
{
    QStringList entries;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->isSelected())
            entries << list->item(row)->text();
    return entries;
}

QStringList BuiltIn()
{
    QStringList entries;
    for (const std::string& entry : TFilespecChoices::BuiltInEntries())
        entries << QString::fromStdString(entry);
    return entries;
}

} // namespace

class SearchWizardDlgTest : public QObject {
    Q_OBJECT

private slots:
    void showingFillsThePagesFromTheParameters()
    {
        Fixture f;
        f.Data.SearchMode = TSearchData::ModeSoundex;
        f.Data.MatchCase = true;
        f.Data.FileSpecs = {"*.txt", "*.TXT", "*.log"};
        f.Data.Folders = {"/data", "/more"};
        f.Show();
        QCOMPARE(f.Dlg->CurrentPage(), int(TSearchWizardDlg::StringPage));
        QVERIFY(f.HasFocus("SearchString"));
        QCOMPARE(f.Get<QLineEdit>("SearchString")->text(), QStringLiteral("needle"));
        QVERIFY(f.Get<QRadioButton>("SoundexSearch")->isChecked());
        QVERIFY(f.Get<QCheckBox>("MatchCase")->isChecked());
        QVERIFY(!f.Get<QCheckBox>("MatchCase")->isEnabled());
        QVERIFY(!f.Get<QCheckBox>("WholeWordsOnly")->isEnabled());
        QVERIFY(f.Get<QCheckBox>("RecurseSubdirs")->isChecked());
        QCOMPARE(Entries(f.List("FileSpecList")), (QStringList{"*.txt", "*.log"}));
        QCOMPARE(Entries(f.List("DirectoryList")), (QStringList{"/data", "/more"}));
        QCOMPARE(Entries(f.List("SrcList")), BuiltIn());
        QVERIFY(!f.Button("FileSpecEditInclButton")->isEnabled());
        QCOMPARE(f.Get<QLabel>("CurrentPath")->text(), QDir::currentPath());
        QVERIFY(!f.Get<QLabel>("Picture")->pixmap().isNull());

        // A later showing adds what the parameters hold now beside what the lists kept.
        f.Dlg->hide();
        f.Data.Folders = {"/more", "/other"};
        f.Data.FileSpecs = {"*.c"};
        f.Show();
        QCOMPARE(Entries(f.List("DirectoryList")), (QStringList{"/data", "/more", "/other"}));
        QCOMPARE(Entries(f.List("FileSpecList")), (QStringList{"*.txt", "*.log", "*.c"}));
    }

    void finishRefusesWhatIsMissing_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("specs");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("focusOnText");

        const QStringList specs{"*.txt"};
        const QStringList folders{"/data"};
        QTest::newRow("nothing at all") << "" << "NormalSearch" << QStringList{} << QStringList{}
                                        << "You haven't entered the text you want to find. Press the OK button below, then "
                                           "type the text in."
                                        << 0 << true;
        QTest::newRow("bad expression") << "a(b" << "NormalSearch" << specs << folders
                                        << "There is an error in the regular expression: Unmatched (. Please correct." << 0
                                        << true;
        // Without Match case the search folds the pattern to capitals, and so does the check.
        QTest::newRow("[Z-a] folded is no range")
            << "[Z-a]" << "NormalSearch" << specs << folders
            << "There is an error in the regular expression: Invalid range specifier. Please correct." << 0 << true;
        QTest::newRow("[a-Z] folded is a range") << "[a-Z]" << "NormalSearch" << specs << folders << "" << 0 << false;
        QTest::newRow("soundex takes a bad pattern") << "a(b" << "SoundexSearch" << specs << folders << "" << 0 << false;
        QTest::newRow("quick takes a bad pattern") << "[ab" << "QuickSearch" << specs << folders << "" << 0 << false;
        QTest::newRow("files before folders") << "x" << "NormalSearch" << QStringList{} << QStringList{}
                                              << "You haven't entered which files you want to search. Press the OK button "
                                                 "below, then pick one or more filespecs from the list on the left."
                                              << 2 << false;
        QTest::newRow("no folders") << "x" << "NormalSearch" << specs << QStringList{}
                                    << "You haven't entered which folders you want to search in. Press the OK button "
                                       "below, then pick one or more folders from the box on the left."
                                    << 1 << false;
    }

    void finishRefusesWhatIsMissing()
    {
        QFETCH(QString, search);
        QFETCH(QString, kind);
        QFETCH(QStringList, specs);
        QFETCH(QStringList, folders);
        QFETCH(QString, message);
        QFETCH(int, page);
        QFETCH(bool, focusOnText);

        Fixture f;
        for (const QString& spec : specs)
            f.Data.FileSpecs.push_back(spec.toStdString());
        for (const QString& folder : folders)
            f.Data.Folders.push_back(folder.toStdString());
        f.Show();
        f.Get<QLineEdit>("SearchString")->setText(search);
        f.Get<QRadioButton>(kind.toLatin1().constData())->click();
        f.Dlg->SetPage(TSearchWizardDlg::OptionsPage);
        f.Button("Finish")->setFocus();

        f.Dlg->FinishClick();

        if (message.isEmpty()) {
            QVERIFY(f.Messages.empty());
            QVERIFY(f.Accepted());
            return;
        }
        QCOMPARE(f.Messages.size(), std::size_t(1));
        QCOMPARE(f.Messages[0].Caption, QStringLiteral("Search Assistant Error"));
        QCOMPARE(f.Messages[0].Title, QStringLiteral("Sorry - I can't search yet..."));
        QCOMPARE(f.Messages[0].Text, message);
        QVERIFY(!f.Accepted());
        QCOMPARE(f.Dlg->CurrentPage(), page);
        if (focusOnText)
            QVERIFY(f.HasFocus("SearchString"));
    }

    void finishLeavesTheSkipOptionsToTheSearchDialog()
    {
        // The assistant offers no skip options; criteria that skip both kinds still finish.
        Fixture f;
        f.Data.FileSpecs = {"*.txt"};
        f.Data.Folders = {"/data"};
        f.Data.SkipTextFiles = f.Data.SkipBinaryFiles = true;
        f.Show();
        f.Get<QLineEdit>("SearchString")->setText(QStringLiteral("x"));
        f.Dlg->FinishClick();
        QVERIFY(f.Messages.empty());
        QVERIFY(f.Accepted());
    }

    void finishStoresTheSearchAndResetsTheFilters()
    {
        Fixture f;
        f.Data.FileSpecs = {"*.txt"};
        f.Data.Folders = {"/data"};
        f.Data.DateFilterMode = 3;
        f.Data.SizeFilterMode = 2;
        f.Data.CountFilesFirst = false;
        f.Data.Invert = true;
        f.Data.TextFileFormat = TSearchData::FormatDelimited;
        f.Show();
        f.Get<QLineEdit>("SearchString")->setText(QStringLiteral("hay"));
        f.Get<QRadioButton>("QuickSearch")->click();
        f.Get<QCheckBox>("MatchCase")->setChecked(true);
        f.Get<QCheckBox>("RecurseSubdirs")->setChecked(false);
        f.Select("SrcList", {"*.h"});
        f.Dlg->IncludeBtnClick();

        f.Dlg->FinishClick();

        QVERIFY(f.Accepted());
        QCOMPARE(f.Data.SearchString, std::string("hay"));
        QCOMPARE(f.Data.SearchMode, TSearchData::ModeQuick);
        QVERIFY(f.Data.MatchCase);
        QVERIFY(!f.Data.WholeWordsOnly);
        QVERIFY(!f.Data.RecurseSubdirs);
        QCOMPARE(f.Data.FileSpecs, (Strings{"*.txt", "*.h"}));
        QCOMPARE(f.Data.Folders, (Strings{"/data"}));
        QCOMPARE(f.Data.DateFilterMode, 0);
        QCOMPARE(f.Data.SizeFilterMode, 0);
        QVERIFY(f.Data.CountFilesFirst);
        // What the assistant does not edit keeps its value.
        QVERIFY(f.Data.Invert);
        QCOMPARE(f.Data.TextFileFormat, TSearchData::FormatDelimited);
    }

    void cancelLeavesTheParameters()
    {
        Fixture f;
        f.Data.Folders = {"/data"};
        f.Show();
        f.Get<QLineEdit>("SearchString")->setText(QStringLiteral("other"));
        f.Button("Cancel")->click();
        QCOMPARE(f.Dlg->result(), int(QDialog::Rejected));
        QCOMPARE(f.Data.SearchString, std::string("needle"));
    }

    void nextAndBackWalkThePages_data()
    {
        QTest::addColumn<bool>("again");
        QTest::addColumn<QList<int>>("forward");
        QTest::addColumn<QList<int>>("backward");
        QTest::newRow("new search") << false << QList<int>{1, 2, 3, 3} << QList<int>{2, 1, 0, 0};
        QTest::newRow("search again") << true << QList<int>{3, 3} << QList<int>{0, 0};
    }

    void nextAndBackWalkThePages()
    {
        QFETCH(bool, again);
        QFETCH(QList<int>, forward);
        QFETCH(QList<int>, backward);
        Fixture f(again);
        f.Show();
        auto* next = f.Button("Next");
        auto* back = f.Button("Back");
        auto* finish = f.Button("Finish");
        QVERIFY(!back->isEnabled() && next->isEnabled() && next->isDefault() && !finish->isDefault());
        for (int page : forward) {
            f.Dlg->NextClick();
            QCOMPARE(f.Dlg->CurrentPage(), page);
        }
        QVERIFY(!next->isEnabled() && back->isEnabled());
        QVERIFY(finish->isDefault() && !next->isDefault());
        for (int page : backward) {
            f.Dlg->BackClick();
            QCOMPARE(f.Dlg->CurrentPage(), page);
        }
        QVERIFY(!back->isEnabled() && next->isDefault());
        // Enter goes on to the next page.
        QTest::keyClick(f.Get<QLineEdit>("SearchString"), Qt::Key_Return);
        QCOMPARE(f.Dlg->CurrentPage(), forward.front());
        QVERIFY(!f.Accepted());
        f.Dlg->SetPage(0);
        // A page that does not exist leaves the page as it was.
        f.Dlg->SetPage(7);
        QCOMPARE(f.Dlg->CurrentPage(), 0);
        f.Dlg->SetPage(-1);
        QCOMPARE(f.Dlg->CurrentPage(), 0);
    }

    void includingTypesAppendsTheLastSelectedFirst()
    {
        Fixture f;
        f.Show();
        f.Select("SrcList", {"*.c", "*.h"});
        f.Dlg->IncludeBtnClick();
        QCOMPARE(Entries(f.List("FileSpecList")), (QStringList{"*.h", "*.c"}));
        // The offer keeps its entries; the first selected position is selected again.
        QCOMPARE(Entries(f.List("SrcList")), BuiltIn());
        QCOMPARE(SelectedEntries(f.List("SrcList")), (QStringList{"*.c"}));
        QVERIFY(f.HasFocus("SrcList"));
        QVERIFY(f.Button("ExcludeBtn")->isEnabled());

        // Including again adds nothing twice; with nothing selected, the first entry is selected.
        f.Select("SrcList", {"*.h", "*.txt"});
        f.Dlg->IncludeBtnClick();
        QCOMPARE(Entries(f.List("FileSpecList")), (QStringList{"*.h", "*.c", "*.txt"}));
        f.List("SrcList")->clearSelection();
        f.Dlg->IncludeBtnClick();
        QCOMPARE(Entries(f.List("FileSpecList")), (QStringList{"*.h", "*.c", "*.txt"}));
        QCOMPARE(SelectedEntries(f.List("SrcList")), (QStringList{"*.*"}));
    }

    void doubleClickIncludesAndExcludes()
    {
        Fixture f;
        f.Show();
        QListWidget* src = f.List("SrcList");
        QListWidgetItem* item = src->findItems(QStringLiteral("*.java"), Qt::MatchExactly).front();
        src->setCurrentItem(item);
        emit src->itemDoubleClicked(item);
        QCOMPARE(Entries(f.List("FileSpecList")), (QStringList{"*.java"}));
        QListWidget* chosen = f.List("FileSpecList");
        chosen->item(0)->setSelected(true);
        emit chosen->itemDoubleClicked(chosen->item(0));
        QVERIFY(Entries(chosen).isEmpty());
        QVERIFY(!f.Button("ExcludeBtn")->isEnabled());
    }

    void excludingOffersTheSpecificationOnce()
    {
        Fixture f;
        f.Data.FileSpecs = {"*.txt", "*.log", "*.zzz"};
        f.Show();
        f.Select("FileSpecList", {"*.txt", "*.log"});
        f.Dlg->ExcludeBtnClick();
        QCOMPARE(Entries(f.List("FileSpecList")), (QStringList{"*.zzz"}));
        // A built-in type is not offered twice; one from the parameters takes its alphabetical place.
        QStringList expected = BuiltIn();
        expected.insert(expected.indexOf(QStringLiteral("*.java")) + 1, QStringLiteral("*.log"));
        QCOMPARE(Entries(f.List("SrcList")), expected);
        // The selection moves to the entry now at the first excluded position (past the end: the last).
        QCOMPARE(SelectedEntries(f.List("FileSpecList")), (QStringList{"*.zzz"}));
        QVERIFY(f.HasFocus("FileSpecList"));

        // The offer is saved with the other types.
        TSettingsStore store("");
        f.Dlg->SaveFilespecChoices(store);
        Fixture g;
        g.Dlg->LoadFilespecChoices(store);
        QCOMPARE(Entries(g.List("SrcList")), expected);
    }

    void typedSpecificationIsChosenAndOffered()
    {
        Fixture f;
        f.Data.FileSpecs = {"*.txt"};
        f.Data.Folders = {"/data"};
        f.Show();
        auto* edit = f.Get<QLineEdit>("FileSpecEdit");
        auto* add = f.Button("FileSpecEditInclButton");
        QVERIFY(!add->isEnabled());
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("*.TXT"));
        QVERIFY(add->isEnabled());
        add->click();
        // Differs from a chosen entry in letter case only: nothing is added.
        QCOMPARE(Entries(f.List("FileSpecList")), (QStringList{"*.txt"}));
        QCOMPARE(Entries(f.List("SrcList")), BuiltIn());
        QVERIFY(edit->text().isEmpty());
        QVERIFY(!add->isEnabled());

        QTest::keyClicks(edit, QStringLiteral("my log.*"));
        add->click();
        QCOMPARE(Entries(f.List("FileSpecList")), (QStringList{"*.txt", "my log.*"}));
        QVERIFY(Entries(f.List("SrcList")).endsWith(QStringLiteral("my log.*")));
        f.Dlg->FinishClick();
        QCOMPARE(f.Data.FileSpecs, (Strings{"*.txt", "my log.*"}));
    }

    void foldersAreIncludedFromTheTreeAndExcluded()
    {
        QTemporaryDir dir;
        const QString upper = MakeFolder(dir, QStringLiteral("Photos"));
        const QString lower = MakeFolder(dir, QStringLiteral("photos"));
        QVERIFY(!upper.isEmpty() && !lower.isEmpty());

        Fixture f;
        f.Show();
        auto* tree = f.Get<TFolderTree>("DirPicker");
        auto* current = f.Get<QLabel>("CurrentPath");
        tree->SetPath(upper);
        QCOMPARE(current->text(), upper);
        f.Dlg->InclDirBtnClick();
        f.Dlg->InclDirBtnClick();
        // Folders whose names differ only in letter case are different folders here.
        tree->SetPath(lower);
        QCOMPARE(current->text(), lower);
        f.Dlg->InclDirBtnClick();
        QCOMPARE(Entries(f.List("DirectoryList")), (QStringList{upper, lower}));
        QVERIFY(f.Button("ExclDirBtn")->isEnabled());

        // The folder last highlighted is where the tree stands at the next showing.
        f.Dlg->hide();
        f.Show();
        QCOMPARE(current->text(), lower);
        QCOMPARE(tree->Path(), lower);

        f.Select("DirectoryList", {upper});
        f.Dlg->ExclDirBtnClick();
        QCOMPARE(Entries(f.List("DirectoryList")), (QStringList{lower}));
        QCOMPARE(SelectedEntries(f.List("DirectoryList")), (QStringList{lower}));
        f.Select("DirectoryList", {lower});
        f.Dlg->ExclDirBtnClick();
        QVERIFY(Entries(f.List("DirectoryList")).isEmpty());
        QVERIFY(!f.Button("ExclDirBtn")->isEnabled());
        QVERIFY(f.Button("InclDirBtn")->isEnabled());
    }

    void searchKindEnablesCaseAndWholeWords()
    {
        Fixture f;
        f.Show();
        auto* matchCase = f.Get<QCheckBox>("MatchCase");
        auto* wholeWords = f.Get<QCheckBox>("WholeWordsOnly");
        wholeWords->setChecked(true);
        f.Get<QRadioButton>("SoundexSearch")->click();
        QVERIFY(!matchCase->isEnabled() && !wholeWords->isEnabled() && wholeWords->isChecked());
        f.Get<QRadioButton>("NormalSearch")->click();
        QVERIFY(matchCase->isEnabled() && wholeWords->isEnabled());
    }

    void storedFileTypesReplaceTheBuiltInOnes()
    {
        TSettingsStore store("");
        {
            const TSettingsKey key = store.CreateKey(TSettingsStore::KeyPath(TFilespecChoices::SubKey));
            key.WriteString("0", "*.md");
            key.WriteString("1", "*.ASM");
        }
        Fixture f;
        f.Dlg->LoadFilespecChoices(store);
        QCOMPARE(Entries(f.List("SrcList")), (QStringList{"*.ASM", "*.md"}));
        QVERIFY(f.Button("IncludeBtn")->isEnabled());
    }

    void rendersEveryPage()
    {
        // Set QUARNEL_SCREENSHOT_DIR to look at the pages as a person would.
        if (ScreenshotFolder().isEmpty())
            QSKIP("QUARNEL_SCREENSHOT_DIR not set");
        Fixture f;
        f.Data.FileSpecs = {"*.cpp", "*.h"};
        f.Data.Folders = {"/usr/include", "/home/user/projects"};
        f.Show();
        // The folder tree fills in as the file system is read.
        const QAbstractItemModel* folders = f.Get<TFolderTree>("DirPicker")->model();
        QTRY_VERIFY(FolderTreeIsFilled(folders));
        for (int page = 0; page < 4; ++page) {
            f.Dlg->SetPage(page);
            QVERIFY(Snapshot(*f.Dlg, QStringLiteral("search-assistant-%1").arg(page)));
        }
    }
};

QTEST_MAIN(SearchWizardDlgTest)
#include "SearchWizardDlgTest.moc"
