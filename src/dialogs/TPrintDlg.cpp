// SPDX-License-Identifier: MIT
#include "dialogs/TPrintDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TPrintDlg::TPrintDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Print"));
    setModal(true);

    auto* label = new QLabel(QStringLiteral("What do you want to print?"), this);
    FileList = new QRadioButton(QStringLiteral("List of matching files"), this);
    ViewWindow = new QRadioButton(QStringLiteral("Contents of view window"), this);
    auto* group = new QButtonGroup(this);
    group->addButton(FileList);
    group->addButton(ViewWindow);
    FileList->setChecked(true);

    auto* buttons = new QDialogButtonBox(Qt::Horizontal, this);
    OKBtn = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    CancelBtn = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    OKBtn->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(12, 0, 0, 0);
    choices->addWidget(FileList);
    choices->addWidget(ViewWindow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(choices);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TPrintDlg::TChoice TPrintDlg::Choice() const
{
    return ViewWindow->isChecked() ? TChoice::ViewWindow : TChoice::FileList;
}

void TPrintDlg::SetChoice(TChoice choice)
{
    (choice == TChoice::ViewWindow ? ViewWindow : FileList)->setChecked(true);
}

void TPrintDlg::SetViewWindowEnabled(bool enabled)
{
    ViewWindow->setEnabled(enabled);
    if (!enabled && ViewWindow->isChecked())
        FileList->setChecked(true);
}

bool TPrintDlg::IsViewWindowEnabled() const
{
    return ViewWindow->isEnabled();
}
