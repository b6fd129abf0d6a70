// SPDX-License-Identifier: MIT
#include "dialogs/TReplaceDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include "dialogs/TDialogText.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "platform/THelpWindow.h"
#include "replace/TReplaceData.h"

namespace {

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TReplaceDlg::TReplaceDlg(TReplaceData& options, const TSearchData& search, const TProgramData& program, QWidget* parent)
    : QDialog(parent), Options(options), Search(search), Program(program)
{
    setObjectName(QStringLiteral("ReplaceDlg"));
    setWindowTitle(QStringLiteral("Replace Criteria"));

    SearchString = Named(new QLineEdit, "SearchString");
    SearchString->setReadOnly(true);
    SearchString->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    ReplaceString = Named(new QLineEdit, "ReplaceString");

    InSelectedFile = Named(new QRadioButton(QStringLiteral("In &Selected File Only")), "InSelectedFile");
    InAllFIles = Named(new QRadioButton(QStringLiteral("In &All Files")), "InAllFIles");
    auto* scope = new QButtonGroup(this);
    scope->addButton(InSelectedFile);
    scope->addButton(InAllFIles);

    ConfirmMode = Named(new QCheckBox(QStringLiteral("&Confirm Each Replace")), "ConfirmMode");
    OverwriteMode = Named(new QCheckBox(QStringLiteral("&Make Changes to Original File")), "OverwriteMode");
    MakeBackup = Named(new QCheckBox(QStringLiteral("Make &Backup")), "MakeBackup");

    Finish = Named(new QPushButton(QStringLiteral("&OK")), "Finish");
    Finish->setDefault(true);
    Cancel = Named(new QPushButton(QStringLiteral("&Cancel")), "Cancel");
    HelpBtn = Named(new QPushButton(QStringLiteral("&Help")), "HelpBtn");
    connect(Finish, &QPushButton::clicked, this, &TReplaceDlg::OKClick);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TReplaceDlg::HelpBtnClick);
    connect(OverwriteMode, &QCheckBox::clicked, this, &TReplaceDlg::OverwriteModeClick);

    auto* texts = new QGridLayout;
    auto* replaceLabel = new QLabel(QStringLiteral("Replace:"));
    replaceLabel->setBuddy(SearchString);
    auto* withLabel = new QLabel(QStringLiteral("With:"));
    withLabel->setBuddy(ReplaceString);
    texts->addWidget(replaceLabel, 0, 0);
    texts->addWidget(SearchString, 0, 1);
    texts->addWidget(withLabel, 1, 0);
    texts->addWidget(ReplaceString, 1, 1);
    texts->setColumnStretch(1, 1);

    auto* choices = new QGridLayout;
    choices->addWidget(InSelectedFile, 0, 0);
    choices->addWidget(InAllFIles, 1, 0);
    choices->addWidget(ConfirmMode, 0, 1);
    choices->addWidget(OverwriteMode, 1, 1);
    // The backup belongs to the overwrite mode: shown under it, indented.
    auto* backupRow = new QHBoxLayout;
    backupRow->addSpacing(style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                          style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing));
    backupRow->addWidget(MakeBackup);
    choices->addLayout(backupRow, 2, 1);
    choices->setColumnStretch(2, 1);
    choices->setHorizontalSpacing(fontMetrics().averageCharWidth() * 4);

    auto* left = new QVBoxLayout;
    left->addLayout(texts);
    left->addSpacing(fontMetrics().height() / 2);
    left->addLayout(choices);
    left->addStretch(1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(Finish);
    buttons->addWidget(Cancel);
    buttons->addWidget(HelpBtn);
    buttons->addStretch(1);

    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addSpacing(fontMetrics().averageCharWidth() * 2);
    top->addLayout(buttons);

    setTabOrder(ReplaceString, InSelectedFile);
    setTabOrder(InSelectedFile, InAllFIles);
    setTabOrder(InAllFIles, ConfirmMode);
    setTabOrder(ConfirmMode, OverwriteMode);
    setTabOrder(OverwriteMode, MakeBackup);
    setTabOrder(MakeBackup, Finish);
    setTabOrder(Finish, Cancel);
    setTabOrder(Cancel, HelpBtn);
    setTabOrder(HelpBtn, SearchString);
}

void TReplaceDlg::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TReplaceDlg::FormShow()
{
    SearchString->setText(TDialogText::Show(Search.SearchString));
    ReplaceString->setText(TDialogText::Show(Options.ReplaceString));
    ConfirmMode->setChecked(Options.Confirmation != 0);
    OverwriteMode->setChecked(Options.Overwrite != 0);
    MakeBackup->setChecked(Options.MakeBackup);
    MakeBackup->setEnabled(OverwriteMode->isChecked());
    // The selected file can be chosen only while a row is selected, so a stored choice of the
    // selected file falls back to all files when there is none.
    const bool selection = Program.SelectedItem != nullptr;
    InSelectedFile->setEnabled(selection);
    if (selection && Options.Mode == TReplaceData::SelectedFileOnly)
        InSelectedFile->setChecked(true);
    else
        InAllFIles->setChecked(true);
    ReplaceString->setFocus();
    ReplaceString->selectAll();
}

void TReplaceDlg::OverwriteModeClick()
{
    MakeBackup->setEnabled(OverwriteMode->isChecked());
    if (OverwriteMode->isChecked())
        MakeBackup->setChecked(true);
}

void TReplaceDlg::OKClick()
{
    Options.ReplaceString = TDialogText::Take(ReplaceString->text(), Options.ReplaceString);
    Options.Confirmation = ConfirmMode->isChecked() ? 1 : 0;
    Options.Overwrite = OverwriteMode->isChecked() ? 1 : 0;
    // Stored also while it is disabled: the choice is kept for the next overwrite run.
    Options.MakeBackup = MakeBackup->isChecked();
    Options.Mode = InSelectedFile->isChecked() ? TReplaceData::SelectedFileOnly : TReplaceData::AllFiles;
    accept();
}

void TReplaceDlg::HelpBtnClick()
{
    THelpWindow::ShowTopic(Program.HelpFile, "html/repl-dialog.htm");
}
