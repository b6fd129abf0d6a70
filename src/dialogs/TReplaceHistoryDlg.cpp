// SPDX-License-Identifier: MIT
#include "dialogs/TReplaceHistoryDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dialogs/TDialogText.h"
#include "model/TDateFormat.h"
#include "model/TDateTime.h"
#include "model/TProgramData.h"
#include "platform/THelpWindow.h"

namespace {

enum RunColumn { NumberColumn, DateColumn, SearchColumn, ReplacementColumn, FilesColumn, ChangesColumn, UndoColumn };

QTreeWidget* List(const QStringList& headers, const char* name)
{
    auto* list = new QTreeWidget;
    list->setObjectName(QLatin1String(name));
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(true);
    return list;
}

QLabel* Caption(const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TReplaceHistoryDlg::TReplaceHistoryDlg(TReplaceHistorySource& source, const TProgramData& program, QWidget* parent)
    : QDialog(parent), Source(source), Program(program)
{
    setObjectName(QStringLiteral("ReplaceHistoryDlg"));
    setWindowTitle(QStringLiteral("Replace History"));

    RunList = List({QStringLiteral("Run"), QStringLiteral("Date"), QStringLiteral("Search text"),
                    QStringLiteral("Replacement"), QStringLiteral("Files"), QStringLiteral("Changes"),
                    QStringLiteral("Undo")},
                   "RunList");
    FileList = List({QStringLiteral("File"), QStringLiteral("Changes"), QStringLiteral("State")}, "FileList");
    FileList->setSelectionMode(QAbstractItemView::NoSelection);
    FileList->setFocusPolicy(Qt::NoFocus);
    connect(RunList, &QTreeWidget::currentItemChanged, this, &TReplaceHistoryDlg::RunChosen);

    Problem = new QLabel(this);
    Problem->setObjectName(QStringLiteral("ProblemText"));
    Problem->setTextFormat(Qt::PlainText);
    Problem->setWordWrap(true);
    Usage = new QLabel(this);
    Usage->setObjectName(QStringLiteral("UsageText"));
    Usage->setTextFormat(Qt::PlainText);

    UndoBtn = new QPushButton(QStringLiteral("&Undo"), this);
    UndoBtn->setObjectName(QStringLiteral("UndoBtn"));
    SaveCsvBtn = new QPushButton(QStringLiteral("Save &CSV..."), this);
    SaveCsvBtn->setObjectName(QStringLiteral("SaveCsvBtn"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("CloseBtn"));
    close->setDefault(true);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    help->setObjectName(QStringLiteral("HelpBtn"));
    connect(UndoBtn, &QPushButton::clicked, this, &TReplaceHistoryDlg::UndoBtnClick);
    connect(SaveCsvBtn, &QPushButton::clicked, this, &TReplaceHistoryDlg::SaveCsvBtnClick);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, &TReplaceHistoryDlg::HelpBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Usage, 1);
    buttons->addWidget(SaveCsvBtn);
    buttons->addWidget(UndoBtn);
    buttons->addWidget(close);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Problem);
    layout->addWidget(Caption(QStringLiteral("&Replaces made, newest first:"), RunList));
    layout->addWidget(RunList, 3);
    layout->addWidget(Caption(QStringLiteral("Files of the chosen replace:"), FileList));
    layout->addWidget(FileList, 2);
    layout->addLayout(buttons);
    resize(760, 460);
}

void TReplaceHistoryDlg::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TReplaceHistoryDlg::FormShow()
{
    Chosen = 0;
    const std::string problem = Source.Problem();
    Problem->setText(TDialogText::Show(problem));
    Problem->setVisible(!problem.empty());
    Usage->setText(UsageText(Source.Usage()));

    Runs = Source.Runs();
    RunList->clear();
    for (const TReplaceHistorySource::TRun& run : Runs) {
        auto* item = new QTreeWidgetItem(RunList);
        item->setText(NumberColumn, QString::number(run.Number));
        item->setText(DateColumn, QString::fromStdString(TDateFormat::Program().FormatDateTime(
                                      TDateTime::FromTimeT(run.Started))));
        item->setText(SearchColumn, SearchColumnText(run));
        item->setText(ReplacementColumn, run.IsUndo ? QString() : TDialogText::Show(run.Replacement));
        item->setText(FilesColumn, QString::number(run.FilesChanged));
        item->setText(ChangesColumn, QString::number(run.ChangesMade));
        item->setText(UndoColumn, run.CanUndo ? QStringLiteral("Yes") : TDialogText::Show(run.WhyNot));
        for (int column : {NumberColumn, FilesColumn, ChangesColumn})
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int column = NumberColumn; column < UndoColumn; ++column)
        RunList->resizeColumnToContents(column);
    if (!Runs.empty())
        RunList->setCurrentItem(RunList->topLevelItem(0));
    RunChosen();
    RunList->setFocus();
}

const TReplaceHistorySource::TRun* TReplaceHistoryDlg::CurrentRun() const
{
    QTreeWidgetItem* item = RunList->currentItem();
    const int row = item == nullptr ? -1 : RunList->indexOfTopLevelItem(item);
    return row < 0 || row >= static_cast<int>(Runs.size()) ? nullptr : &Runs[static_cast<std::size_t>(row)];
}

void TReplaceHistoryDlg::RunChosen()
{
    const TReplaceHistorySource::TRun* run = CurrentRun();
    UndoBtn->setEnabled(run != nullptr && run->CanUndo);
    // An undo's own changes are the replace's taken back; the replace's are what is worth keeping.
    SaveCsvBtn->setEnabled(run != nullptr && !run->IsUndo && run->ChangesMade > 0 && SaveCsv);
    FileList->clear();
    if (run == nullptr)
        return;
    for (const TReplaceHistorySource::TFile& file : Source.Files(run->Number)) {
        auto* item = new QTreeWidgetItem(FileList);
        item->setText(0, TDialogText::ShowPath(file.Path));
        item->setText(1, QString::number(file.Changes));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(2, TDialogText::Show(file.State));
    }
    FileList->resizeColumnToContents(0);
}

void TReplaceHistoryDlg::UndoBtnClick()
{
    const TReplaceHistorySource::TRun* run = CurrentRun();
    if (run == nullptr || !run->CanUndo)
        return;
    const QString caption = QStringLiteral("Confirm Undo");
    const QString text =
        QStringLiteral("Undo replace %1? Each of the %2 files it changed is put back as it was before, unless it has "
                       "been changed since.")
            .arg(QString::number(run->Number), QString::number(run->FilesChanged));
    const bool yes = AskYesNo ? AskYesNo(caption, text)
                              : QMessageBox::question(this, caption, text, QMessageBox::Yes | QMessageBox::No,
                                                      QMessageBox::No) == QMessageBox::Yes;
    if (!yes)
        return;
    Chosen = run->Number;
    accept();
}

void TReplaceHistoryDlg::SaveCsvBtnClick()
{
    const TReplaceHistorySource::TRun* run = CurrentRun();
    if (run != nullptr && !run->IsUndo && SaveCsv)
        SaveCsv(Source.ChangesCsv(run->Number));
}

void TReplaceHistoryDlg::HelpBtnClick()
{
    THelpWindow::ShowTopic(Program.HelpFile, "html/replace-history.htm");
}

QString TReplaceHistoryDlg::SearchColumnText(const TReplaceHistorySource::TRun& run)
{
    return run.IsUndo ? QStringLiteral("(undo of replace %1)").arg(run.UndoOf) : TDialogText::Show(run.SearchText);
}

QString TReplaceHistoryDlg::SizeText(uint64_t bytes)
{
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024)
        return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    // A value that would show as 1024 goes up a unit.
    while (value >= 1023.5 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    // One decimal below 10, none above; a whole number shows without ".0".
    QString number = QString::number(value, 'f', value >= 9.95 ? 0 : 1);
    if (number.endsWith(QLatin1String(".0")))
        number.chop(2);
    return number + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QString TReplaceHistoryDlg::UsageText(const TReplaceHistorySource::TUsage& usage)
{
    return QStringLiteral("Kept: the last %1 replaces, at most %2. Used: %3.")
        .arg(QString::number(usage.RunLimit), SizeText(usage.SizeLimit), SizeText(usage.SpaceUsed));
}
