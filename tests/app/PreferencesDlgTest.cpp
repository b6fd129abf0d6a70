// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <memory>

#include "dialogs/TPreferencesDlg.h"
#include "model/TProgramData.h"
#include "model/TSettingsStore.h"
#include "platform/THelpWindow.h"

#include "TDialogTestSupport.h"

namespace {

struct Fixture {
    TProgramData Program;
    std::unique_ptr<TPreferencesDlg> Dlg;
    QString ChooserFolder;
    QString Chosen;

    Fixture()
    {
        Program.EditorCommand = "gedit +$l $f";
        Program.ShortFilenames = true;
        Program.MatchWindow = 3;
        Program.OMWAS = false;
        Program.ExitConfirm = true;
        Program.ShowDlgOnStart = false;
        Program.ProgramFolder = "/opt/quarnel";
        Program.HelpFile = ResourcesPath(QStringLiteral("help")).toStdString();
        Dlg = std::make_unique<TPreferencesDlg>(Program);
        Dlg->ChooseEditor = [this](const QString& folder) {
            ChooserFolder = folder;
            return Chosen;
        };
    }

    void Show() { ShowActive(*Dlg); }

    template <typename T>
    T* Get(const char* name) const
    {
        return Child<T>(*Dlg, name);
    }
};

} // namespace

class PreferencesDlgTest : public QObject {
    Q_OBJECT

private slots:
    void showingFillsTheControls()
    {
        Fixture f;
        f.Show();
        QCOMPARE(f.Get<QLineEdit>("EditorCommand")->text(), QStringLiteral("gedit +$l $f"));
        QVERIFY(f.Get<QCheckBox>("ShortFilenames")->isChecked());
        QCOMPARE(f.Get<QSpinBox>("MatchWindowSize")->value(), 3);
        QVERIFY(!f.Get<QCheckBox>("OMWAS")->isChecked());
        QVERIFY(f.Get<QCheckBox>("ExitConfirm")->isChecked());
        QVERIFY(!f.Get<QCheckBox>("ShowDlgOnStart")->isChecked());

        // Changes made elsewhere show at the next showing.
        f.Dlg->hide();
        f.Program.MatchWindow = 5;
        f.Show();
        QCOMPARE(f.Get<QSpinBox>("MatchWindowSize")->value(), 5);
    }

    void okStoresEveryControl()
    {
        Fixture f;
        f.Show();
        f.Get<QLineEdit>("EditorCommand")->setText(QStringLiteral("kate --line $l $f"));
        f.Get<QCheckBox>("ShortFilenames")->setChecked(false);
        f.Get<QSpinBox>("MatchWindowSize")->stepBy(4);
        f.Get<QCheckBox>("OMWAS")->setChecked(true);
        f.Get<QCheckBox>("ExitConfirm")->setChecked(false);
        f.Get<QCheckBox>("ShowDlgOnStart")->setChecked(true);
        f.Get<QPushButton>("OKBtn")->click();
        QCOMPARE(f.Dlg->result(), int(QDialog::Accepted));
        QCOMPARE(f.Program.EditorCommand, std::string("kate --line $l $f"));
        QVERIFY(!f.Program.ShortFilenames);
        QCOMPARE(f.Program.MatchWindow, 7);
        QVERIFY(f.Program.OMWAS);
        QVERIFY(!f.Program.ExitConfirm);
        QVERIFY(f.Program.ShowDlgOnStart);
    }

    void cancelKeepsEveryPreference()
    {
        Fixture f;
        f.Show();
        f.Get<QSpinBox>("MatchWindowSize")->stepBy(2);
        f.Get<QLineEdit>("EditorCommand")->setText(QStringLiteral("vi"));
        f.Get<QCheckBox>("OMWAS")->setChecked(true);
        f.Get<QPushButton>("CancelBtn")->click();
        QCOMPARE(f.Dlg->result(), int(QDialog::Rejected));
        QCOMPARE(f.Program.MatchWindow, 3);
        QCOMPARE(f.Program.EditorCommand, std::string("gedit +$l $f"));
        QVERIFY(!f.Program.OMWAS);
    }

    void historyLimitsAreShownStoredAndKept()
    {
        Fixture f;
        f.Program.ReplaceHistoryRuns = 20;
        f.Program.ReplaceHistoryMegabytes = 512;
        f.Show();
        auto* runs = f.Get<QSpinBox>("HistoryRuns");
        auto* megabytes = f.Get<QSpinBox>("HistoryMegabytes");
        QCOMPARE(runs->value(), 20);
        QCOMPARE(megabytes->value(), 512);
        // A journal keeps at least one run in at least a megabyte.
        runs->setValue(0);
        megabytes->setValue(TProgramData::MaxHistoryMegabytes + 1);
        QCOMPARE(runs->value(), 1);
        QCOMPARE(megabytes->value(), TProgramData::MaxHistoryMegabytes);

        runs->setValue(75);
        f.Get<QPushButton>("CancelBtn")->click();
        QCOMPARE(f.Program.ReplaceHistoryRuns, 20);
        f.Show();
        runs->setValue(75);
        megabytes->setValue(4096);
        f.Get<QPushButton>("OKBtn")->click();
        QCOMPARE(f.Program.ReplaceHistoryRuns, 75);
        QCOMPARE(f.Program.ReplaceHistoryMegabytes, 4096);

        // They reach the settings file and come back from it.
        QTemporaryDir folder;
        const std::string file = (folder.path() + QStringLiteral("/settings.reg")).toStdString();
        {
            TSettingsStore store(file);
            f.Program.SaveSettings(store);
            QVERIFY(store.Save());
        }
        const TSettingsStore reread(file);
        TProgramData loaded;
        loaded.LoadSettings(reread);
        QCOMPARE(loaded.ReplaceHistoryRuns, 75);
        QCOMPARE(loaded.ReplaceHistoryMegabytes, 4096);
    }

    void matchWindowStaysWithinItsRange()
    {
        Fixture f;
        f.Show();
        auto* size = f.Get<QSpinBox>("MatchWindowSize");
        QVERIFY(size->findChild<QLineEdit*>()->isReadOnly());
        size->stepBy(20);
        QCOMPARE(size->value(), 10);
        size->stepBy(-30);
        QCOMPARE(size->value(), 0);
    }

    void pageLastUsedStaysActive()
    {
        Fixture f;
        f.Show();
        auto* pages = f.Get<QTabWidget>("Pages");
        QCOMPARE(pages->currentIndex(), int(TPreferencesDlg::EditorPage));
        pages->setCurrentIndex(TPreferencesDlg::CompatibilityPage);
        f.Dlg->reject();
        f.Show();
        QCOMPARE(pages->currentIndex(), int(TPreferencesDlg::CompatibilityPage));
    }

    void chosenEditorReplacesTheCommand_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("command");
        QTest::newRow("program") << "/usr/bin/vim" << "/usr/bin/vim";
        // Quoted so that the program is still one word of the command line.
        QTest::newRow("path with a blank") << "/opt/my editor/ed" << "\"/opt/my editor/ed\"";
        QTest::newRow("cancelled") << "" << "gedit +$l $f";
    }

    void chosenEditorReplacesTheCommand()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, command);
        Fixture f;
        f.Chosen = chosen;
        f.Show();
        f.Get<QPushButton>("PickFolder")->click();
        QCOMPARE(f.ChooserFolder, QStringLiteral("/opt/quarnel"));
        QCOMPARE(f.Get<QLineEdit>("EditorCommand")->text(), command);
        f.Dlg->OKBtnClick();
        QCOMPARE(QString::fromStdString(f.Program.EditorCommand), command);
    }

    void helpShowsTheEditorTopic()
    {
        Fixture f;
        f.Get<QPushButton>("HelpBtn")->click();
        QVERIFY(THelpWindow::Instance());
        QVERIFY(THelpWindow::Instance()->Source().path().endsWith(QStringLiteral("/html/config-editor.htm")));
        THelpWindow::Instance()->close();
    }

    void rendersEveryPage()
    {
        // Set QUARNEL_SCREENSHOT_DIR to look at the pages as a person would.
        if (ScreenshotFolder().isEmpty())
            QSKIP("QUARNEL_SCREENSHOT_DIR not set");
        Fixture f;
        f.Show();
        auto* pages = f.Get<QTabWidget>("Pages");
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            QVERIFY(Snapshot(*f.Dlg, QStringLiteral("preferences-%1").arg(page)));
        }
    }
};

QTEST_MAIN(PreferencesDlgTest)
#include "PreferencesDlgTest.moc"
