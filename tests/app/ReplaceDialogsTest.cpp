// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include <functional>

#include "dialogs/TReplaceConfirmDlg.h"
#include "dialogs/TReplaceDlg.h"
#include "dialogs/TReplaceWizardDlg.h"
#include "model/TFileData.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "model/TShellInfo.h"
#include "replace/TReplaceData.h"

#include "TDialogTestSupport.h"

Q_DECLARE_METATYPE(TReplaceAnswer)

namespace {

// Options as an earlier run stored them, with "new" as the replacement.
TReplaceData StoredOptions(int mode, int confirmation, int overwrite)
{
    TReplaceData options;
    options.ReplaceString = "new";
    options.Mode = static_cast<uint8_t>(mode);
    options.Confirmation = static_cast<uint8_t>(confirmation);
    options.Overwrite = static_cast<uint8_t>(overwrite);
    return options;
}

} // namespace

class ReplaceDialogsTest : public QObject {
    Q_OBJECT

    TNullShellInfo Shell;
    // A file-list row's record, for the cases with a selected row.
    TFileData Selected{"/nonexistent-folder", "chosen.txt", Shell};

private slots:
    void expertDialogShowsTheStoredOptions_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("confirmation");
        QTest::addColumn<int>("overwrite");
        QTest::addColumn<bool>("backup");
        QTest::addColumn<bool>("selection");
        QTest::addColumn<bool>("selectedFileChosen");
        // First start: all files, no confirmation, copy mode, no backup (and none offered).
        QTest::newRow("first start") << 0 << 0 << 0 << false << false << false;
        QTest::newRow("selected file with a selection") << 1 << 1 << 0 << false << true << true;
        QTest::newRow("selected file without a selection") << 1 << 0 << 1 << true << false << false;
        QTest::newRow("all files with a selection") << 0 << 0 << 1 << false << true << false;
        QTest::newRow("copy mode keeps a stored backup check") << 0 << 0 << 0 << true << true << false;
    }

    void expertDialogShowsTheStoredOptions()
    {
        QFETCH(int, mode);
        QFETCH(int, confirmation);
        QFETCH(int, overwrite);
        QFETCH(bool, backup);
        QFETCH(bool, selection);
        QFETCH(bool, selectedFileChosen);
        TReplaceData options = StoredOptions(mode, confirmation, overwrite);
        options.MakeBackup = backup;
        TSearchData search;
        search.SearchString = "old";
        TProgramData program;
        program.SelectedItem = selection ? &Selected : nullptr;
        TReplaceDlg dialog(options, search, program);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Replace Criteria"));
        dialog.show();

        auto* searchString = Child<QLineEdit>(dialog, "SearchString");
        QCOMPARE(searchString->text(), QStringLiteral("old"));
        QVERIFY(searchString->isReadOnly());
        QCOMPARE(Child<QLineEdit>(dialog, "ReplaceString")->text(), QStringLiteral("new"));
        QCOMPARE(Child<QRadioButton>(dialog, "InSelectedFile")->isEnabled(), selection);
        QCOMPARE(Child<QRadioButton>(dialog, "InSelectedFile")->isChecked(), selectedFileChosen);
        QCOMPARE(Child<QRadioButton>(dialog, "InAllFIles")->isChecked(), !selectedFileChosen);
        QCOMPARE(Child<QCheckBox>(dialog, "ConfirmMode")->isChecked(), confirmation != 0);
        QCOMPARE(Child<QCheckBox>(dialog, "OverwriteMode")->isChecked(), overwrite != 0);
        QCOMPARE(Child<QCheckBox>(dialog, "MakeBackup")->isChecked(), backup);
        QCOMPARE(Child<QCheckBox>(dialog, "MakeBackup")->isEnabled(), overwrite != 0);

        // OK with nothing changed stores what was shown: a stored choice of the selected file
        // without a selection becomes all files.
        Child<QPushButton>(dialog, "Finish")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(options.ReplaceString, std::string("new"));
        QCOMPARE(int(options.Mode), selectedFileChosen ? 1 : 0);
        QCOMPARE(int(options.Confirmation), confirmation);
        QCOMPARE(int(options.Overwrite), overwrite);
        QCOMPARE(options.MakeBackup, backup);
    }

    void expertDialogControlsAndTheirCaptions()
    {
        TReplaceData options;
        TSearchData search;
        TProgramData program;
        TReplaceDlg dialog(options, search, program);
        const std::pair<const char*, const char*> captions[] = {
            {"InSelectedFile", "In &Selected File Only"}, {"InAllFIles", "In &All Files"},
            {"ConfirmMode", "&Confirm Each Replace"},     {"OverwriteMode", "&Make Changes to Original File"},
            {"MakeBackup", "Make &Backup"},               {"Finish", "&OK"},
            {"Cancel", "&Cancel"},                        {"HelpBtn", "&Help"},
        };
        for (const auto& [name, caption] : captions)
            QCOMPARE(Child<QAbstractButton>(dialog, name)->text(), QString::fromLatin1(caption));
        QVERIFY(Child<QPushButton>(dialog, "Finish")->isDefault());
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels << label->text();
        QVERIFY(labels.contains(QStringLiteral("Replace:")));
        QVERIFY(labels.contains(QStringLiteral("With:")));
    }

    void expertDialogOverwriteModeGovernsTheBackup()
    {
        TReplaceData options;
        TSearchData search;
        TProgramData program;
        TReplaceDlg dialog(options, search, program);
        dialog.show();
        auto* overwrite = Child<QCheckBox>(dialog, "OverwriteMode");
        auto* backup = Child<QCheckBox>(dialog, "MakeBackup");

        // Switching overwrite on offers the backup, checked; the user may clear it again.
        overwrite->click();
        QVERIFY(backup->isEnabled());
        QVERIFY(backup->isChecked());
        backup->click();
        QVERIFY(!backup->isChecked());
        backup->click();

        // Switching it off disables the backup but keeps its check, which OK stores.
        overwrite->click();
        QVERIFY(!backup->isEnabled());
        QVERIFY(backup->isChecked());
        Child<QPushButton>(dialog, "Finish")->click();
        QCOMPARE(int(options.Overwrite), 0);
        QCOMPARE(options.MakeBackup, true);
    }

    void expertDialogStoresTheUsersChoicesOrNothingOnCancel()
    {
        TReplaceData options;
        options.ReplaceString = "caf\xe9"; // not UTF-8: kept as it is unless edited
        TSearchData search;
        TProgramData program;
        program.SelectedItem = &Selected;
        TReplaceDlg dialog(options, search, program);

        dialog.show();
        Child<QLineEdit>(dialog, "ReplaceString")->setText(QStringLiteral("typed"));
        Child<QRadioButton>(dialog, "InSelectedFile")->click();
        Child<QCheckBox>(dialog, "ConfirmMode")->click();
        Child<QPushButton>(dialog, "Cancel")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(options.ReplaceString, std::string("caf\xe9"));
        QCOMPARE(int(options.Mode), 0);
        QCOMPARE(int(options.Confirmation), 0);

        // Showing it again starts from the options, not from what was typed.
        dialog.show();
        QCOMPARE(Child<QLineEdit>(dialog, "ReplaceString")->text(), QStringLiteral("caf\u00e9"));
        QVERIFY(Child<QRadioButton>(dialog, "InAllFIles")->isChecked());
        Child<QPushButton>(dialog, "Finish")->click();
        QCOMPARE(options.ReplaceString, std::string("caf\xe9"));

        dialog.show();
        Child<QLineEdit>(dialog, "ReplaceString")->clear(); // an empty replacement is accepted
        Child<QRadioButton>(dialog, "InSelectedFile")->click();
        Child<QCheckBox>(dialog, "ConfirmMode")->click();
        Child<QCheckBox>(dialog, "OverwriteMode")->click();
        dialog.OKClick();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(options.ReplaceString, std::string());
        QCOMPARE(int(options.Mode), 1);
        QCOMPARE(int(options.Confirmation), 1);
        QCOMPARE(int(options.Overwrite), 1);
        QCOMPARE(options.MakeBackup, true);
    }

    void assistantShowsTheStoredOptionsOnPageOne_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("confirmation");
        QTest::addColumn<int>("overwrite");
        QTest::addColumn<bool>("selection");
        QTest::addColumn<bool>("selectedFileChosen");
        QTest::newRow("first start") << 0 << 0 << 0 << false << false;
        QTest::newRow("selected file with a selection") << 1 << 1 << 1 << true << true;
        QTest::newRow("selected file without a selection") << 1 << 1 << 0 << false << false;
        // Only a confirmation of exactly 1 chooses it.
        QTest::newRow("a confirmation value of 2") << 0 << 2 << 7 << true << false;
    }

    void assistantShowsTheStoredOptionsOnPageOne()
    {
        QFETCH(int, mode);
        QFETCH(int, confirmation);
        QFETCH(int, overwrite);
        QFETCH(bool, selection);
        QFETCH(bool, selectedFileChosen);
        TReplaceData options = StoredOptions(mode, confirmation, overwrite);
        TSearchData search;
        search.SearchString = "old <b>";
        TProgramData program;
        program.SelectedItem = selection ? &Selected : nullptr;
        TReplaceWizardDlg dialog(options, search, program);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Replace Assistant"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));

        QCOMPARE(dialog.CurrentPage(), 0);
        QCOMPARE(QApplication::focusWidget(), Child<QWidget>(dialog, "ReplaceString"));
        QCOMPARE(Child<QLabel>(dialog, "SearchString")->text(), QStringLiteral("old <b>"));
        QCOMPARE(Child<QLabel>(dialog, "SearchString")->textFormat(), Qt::PlainText);
        QCOMPARE(Child<QLineEdit>(dialog, "ReplaceString")->text(), QStringLiteral("new"));
        QCOMPARE(Child<QRadioButton>(dialog, "ReplaceSelected")->isEnabled(), selection);
        QCOMPARE(Child<QRadioButton>(dialog, "ReplaceSelected")->isChecked(), selectedFileChosen);
        QCOMPARE(Child<QRadioButton>(dialog, "ReplaceAll")->isChecked(), !selectedFileChosen);
        QCOMPARE(Child<QRadioButton>(dialog, "ChangeOriginal")->isChecked(), overwrite != 0);
        QCOMPARE(Child<QRadioButton>(dialog, "MakeCopy")->isChecked(), overwrite == 0);
        QCOMPARE(Child<QRadioButton>(dialog, "Confirmation")->isChecked(), confirmation == 1);
        QCOMPARE(Child<QRadioButton>(dialog, "NoConfirmation")->isChecked(), confirmation != 1);

        // Finish on page 1 runs with the choices prepared for the showing, and a backup.
        Child<QPushButton>(dialog, "Finish")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(options.ReplaceString, std::string("new"));
        QCOMPARE(int(options.Mode), selectedFileChosen ? 1 : 0);
        QCOMPARE(int(options.Overwrite), overwrite != 0 ? 1 : 0);
        QCOMPARE(int(options.Confirmation), confirmation == 1 ? 1 : 0);
        QCOMPARE(options.MakeBackup, true);
    }

    void assistantPagesStepWithinTheThree()
    {
        TReplaceData options;
        options.MakeBackup = false;
        TSearchData search;
        TProgramData program;
        program.SelectedItem = &Selected;
        TReplaceWizardDlg dialog(options, search, program);
        dialog.show();
        auto* back = Child<QPushButton>(dialog, "Back");
        auto* next = Child<QPushButton>(dialog, "Next");
        auto* finish = Child<QPushButton>(dialog, "Finish");
        QCOMPARE(next->text(), QStringLiteral("&Next >"));
        QCOMPARE(back->text(), QStringLiteral("< &Back"));
        QCOMPARE(finish->text(), QStringLiteral("&Finish"));
        QCOMPARE(Child<QPushButton>(dialog, "Cancel")->text(), QStringLiteral("&Cancel"));
        QVERIFY(next->isDefault());

        struct Step {
            std::function<void()> Click;
            int Page;
        };
        const Step steps[] = {
            {[&] { dialog.BackClick(); }, 0}, {[&] { dialog.NextClick(); }, 1}, {[&] { dialog.NextClick(); }, 2},
            {[&] { dialog.NextClick(); }, 2}, {[&] { dialog.BackClick(); }, 1}, {[&] { dialog.BackClick(); }, 0},
        };
        for (const Step& step : steps) {
            step.Click();
            QCOMPARE(dialog.CurrentPage(), step.Page);
            QCOMPARE(back->isEnabled(), step.Page > 0);
            QCOMPARE(next->isEnabled(), step.Page < 2);
            QVERIFY(finish->isEnabled());
        }

        // Choices made on page 2 are stored by Finish on page 3, always with a backup.
        dialog.NextClick();
        Child<QLineEdit>(dialog, "ReplaceString")->setText(QStringLiteral("with"));
        Child<QRadioButton>(dialog, "ReplaceSelected")->click();
        Child<QRadioButton>(dialog, "ChangeOriginal")->click();
        Child<QRadioButton>(dialog, "Confirmation")->click();
        dialog.NextClick();
        finish->click();
        QCOMPARE(options.ReplaceString, std::string("with"));
        QCOMPARE(int(options.Mode), 1);
        QCOMPARE(int(options.Overwrite), 1);
        QCOMPARE(int(options.Confirmation), 1);
        QCOMPARE(options.MakeBackup, true);

        // A cancelled assistant stores nothing and starts again on page 1.
        options = TReplaceData();
        dialog.show();
        QCOMPARE(dialog.CurrentPage(), 0);
        dialog.NextClick();
        Child<QRadioButton>(dialog, "ChangeOriginal")->click();
        Child<QPushButton>(dialog, "Cancel")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(int(options.Overwrite), 0);
        QCOMPARE(options.MakeBackup, false);
        dialog.show();
        QCOMPARE(dialog.CurrentPage(), 0);
        QVERIFY(Child<QRadioButton>(dialog, "MakeCopy")->isChecked());
    }

    void assistantTexts()
    {
        TReplaceData options;
        TSearchData search;
        TProgramData program;
        TReplaceWizardDlg dialog(options, search, program);
        QStringList texts;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            texts << label->text();
        for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
            texts << button->text();
        for (const char* text : {"Quarnel Replace Assistant", "The Replace Assistant will help you set up and start a replace.",
                                 "You have searched for the following string:", "What do you want to replace it with?",
                                 "What files do you want to replace in?", "Replace in selected file only",
                                 "Replace in all files found in the last search", "Do you want to change the original file(s)?",
                                 "Keep the original file(s) intact and save changes in new files(s)",
                                 "Make changes to the original file(s)", "Do you want to confirm each replacement?",
                                 "Replace all occurrences without asking", "Ask for confirmation before each replacement",
                                 "Congratulations!", "You are now ready to replace. Press the Finish button to go!"})
            QVERIFY2(texts.contains(QString::fromLatin1(text)), text);
    }

    void confirmationShowsTheChange()
    {
        TReplaceConfirmDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Replace Confirmation"));
        const std::string path = "/data/caf\xe9/notes.txt";
        dialog.Fill(TReplaceQuestion{path, 1234, "a <b> line", "a <b> LINE"});
        QCOMPARE(Child<QLabel>(dialog, "FileName")->text(), QStringLiteral("/data/caf\u00e9/notes.txt"));
        QCOMPARE(Child<QLabel>(dialog, "LineNumber")->text(), QStringLiteral("1234"));
        auto* original = Child<QPlainTextEdit>(dialog, "OriginalLine");
        QCOMPARE(original->toPlainText(), QStringLiteral("a <b> line"));
        QVERIFY(original->isReadOnly());
        QCOMPARE(original->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(Child<QPlainTextEdit>(dialog, "NewLine")->toPlainText(), QStringLiteral("a <b> LINE"));

        const std::tuple<const char*, const char*, const char*> buttons[] = {
            {"YesButton", "&Yes", "Yes - make the change"},
            {"NoButton", "&No", "No - skip this change"},
            {"CancelFileButton", "&Cancel File", "Cancel changes for this file"},
            {"CancelAllButton", "&Cancel All", "Cancel changes for this and all subsequent files"},
        };
        for (const auto& [name, caption, hint] : buttons) {
            QCOMPARE(Child<QPushButton>(dialog, name)->text(), QString::fromLatin1(caption));
            QCOMPARE(Child<QPushButton>(dialog, name)->toolTip(), QString::fromLatin1(hint));
        }
        QVERIFY(Child<QPushButton>(dialog, "YesButton")->isDefault());
    }

    void confirmationAnswers_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<TReplaceAnswer>("answer");
        QTest::newRow("Yes") << "YesButton" << TReplaceAnswer::Yes;
        QTest::newRow("No") << "NoButton" << TReplaceAnswer::No;
        QTest::newRow("Cancel File") << "CancelFileButton" << TReplaceAnswer::CancelFile;
        QTest::newRow("Cancel All") << "CancelAllButton" << TReplaceAnswer::CancelAll;
        QTest::newRow("Enter takes the default") << "Enter" << TReplaceAnswer::Yes;
        QTest::newRow("Escape skips the change") << "Escape" << TReplaceAnswer::No;
        QTest::newRow("closing the window cancels the file") << "close" << TReplaceAnswer::CancelFile;
        QTest::newRow("Alt+N") << "Alt+N" << TReplaceAnswer::No;
    }

    void confirmationAnswers()
    {
        QFETCH(QString, action);
        QFETCH(TReplaceAnswer, answer);
        TReplaceConfirmDlg dialog;
        // A previous answer does not carry over to the next question.
        dialog.Fill(TReplaceQuestion{"/a", 1, "x", "y"});
        Child<QPushButton>(dialog, "CancelAllButton")->click();
        WhenModal(&dialog, [&dialog, action] {
            if (action == QLatin1String("Enter"))
                QTest::keyClick(&dialog, Qt::Key_Return);
            else if (action == QLatin1String("Escape"))
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else if (action == QLatin1String("close"))
                dialog.close();
            else if (action == QLatin1String("Alt+N"))
                QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier);
            else
                Child<QPushButton>(dialog, action.toLatin1().constData())->click();
        });
        QCOMPARE(dialog.Ask(TReplaceQuestion{"/a", 2, "aXb", "aYYb"}), answer);
        QCOMPARE(dialog.Answer(), answer);
        QVERIFY(!dialog.isVisible());
    }

    void confirmationAltCReachesCancelFileFirst()
    {
        TReplaceConfirmDlg dialog;
        dialog.Fill(TReplaceQuestion{"/a", 1, "x", "y"});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_C, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), Child<QWidget>(dialog, "CancelFileButton"));
        QVERIFY2(dialog.isVisible(), "the letter is shared, so it only moves the focus");
        dialog.reject();
    }

    void snapshots()
    {
        TReplaceData options;
        options.ReplaceString = "colour";
        options.Overwrite = 1;
        options.MakeBackup = true;
        TSearchData search;
        search.SearchString = "color";
        TProgramData program;
        program.ProgramFolder = ResourcesPath().toStdString();
        program.SelectedItem = &Selected;

        TReplaceDlg expert(options, search, program);
        expert.show();
        QVERIFY(QTest::qWaitForWindowExposed(&expert));
        QVERIFY(Snapshot(expert, QStringLiteral("replace-dialog")));
        expert.reject();

        TReplaceWizardDlg assistant(options, search, program);
        assistant.show();
        QVERIFY(QTest::qWaitForWindowExposed(&assistant));
        QVERIFY2(!Child<QLabel>(assistant, "Picture")->pixmap().isNull(), "the assistant's picture is shown");
        for (int page = 1; page <= 3; ++page) {
            QVERIFY(Snapshot(assistant, QStringLiteral("replace-assistant-page%1").arg(page)));
            assistant.NextClick();
        }
        assistant.reject();

        TReplaceConfirmDlg confirm;
        confirm.Fill(TReplaceQuestion{"/home/user/docs/notes.txt", 42,
                                      "The color of the sky is a color of its own, and a long line goes on and on "
                                      "so that it has to wrap in the box below the bold label.",
                                      "The colour of the sky is a color of its own, and a long line goes on and on "
                                      "so that it has to wrap in the box below the bold label."});
        confirm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&confirm));
        QVERIFY(Snapshot(confirm, QStringLiteral("replace-confirmation")));
        confirm.reject();
    }
};

QTEST_MAIN(ReplaceDialogsTest)
#include "ReplaceDialogsTest.moc"
