// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

#include "dialogs/TReplaceHistorySource.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class TProgramData;

// The Replace History dialog: the replace runs the journal keeps, newest first, with their date,
// search text, replacement, the files changed and changes made, and whether each can still be
// undone; the files of the chosen run; the journal's limits and the space it uses. "Undo" asks
// for confirmation and then closes the dialog with Accepted, naming the run in ChosenRun: the
// caller runs the undo and shows its report. "Save CSV..." hands the chosen replace's changes
// as comma-separated values to SaveCsv. "Close" closes with Rejected.
//
// The dialog reads the journal afresh each time it is shown.
class TReplaceHistoryDlg : public QDialog {
    Q_OBJECT

public:
    TReplaceHistoryDlg(TReplaceHistorySource& source, const TProgramData& program, QWidget* parent = nullptr);

    // Asks the confirmation of an undo (caption, text); true for Yes. Unset: a message box.
    std::function<bool(const QString& caption, const QString& text)> AskYesNo;

    // Saves the changes of a replace, as comma-separated values, where the user chooses.
    std::function<void(const std::string& csv)> SaveCsv;

    // The run whose undo was confirmed; 0 when none.
    int64_t ChosenRun() const { return Chosen; }

    // Fills the lists and the usage line from the journal; runs whenever the dialog is shown.
    void FormShow();
    void UndoBtnClick();
    void SaveCsvBtnClick();
    void HelpBtnClick();

    // The usage line for `usage`, such as "Kept: the last 50 replaces, at most 2 GB. Used: 1.5 MB."
    static QString UsageText(const TReplaceHistorySource::TUsage& usage);
    // A size in bytes as people read it: "512 bytes", "1.5 KB", "2 GB".
    static QString SizeText(uint64_t bytes);
    // What the search text column shows for `run`.
    static QString SearchColumnText(const TReplaceHistorySource::TRun& run);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void RunChosen();
    const TReplaceHistorySource::TRun* CurrentRun() const;

    TReplaceHistorySource& Source;
    const TProgramData& Program;
    std::vector<TReplaceHistorySource::TRun> Runs;
    int64_t Chosen = 0;
    QTreeWidget* RunList = nullptr;
    QTreeWidget* FileList = nullptr;
    QLabel* Usage = nullptr;
    QLabel* Problem = nullptr;
    QPushButton* UndoBtn = nullptr;
    QPushButton* SaveCsvBtn = nullptr;
};
