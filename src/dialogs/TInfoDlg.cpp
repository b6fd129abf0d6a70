// SPDX-License-Identifier: MIT
#include "dialogs/TInfoDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TInfoDlg::TInfoDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InfoDlg"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    TitleLabel = new QLabel(this);
    TitleLabel->setObjectName(QStringLiteral("Title"));
    QFont bold = TitleLabel->font();
    bold.setBold(true);
    TitleLabel->setFont(bold);

    InfoLabel = new QLabel(this);
    InfoLabel->setObjectName(QStringLiteral("InfoText"));
    InfoLabel->setWordWrap(true);
    InfoLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    InfoLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    InfoLabel->setMinimumSize(268, 65);
    // Texts come from files and patterns; never interpret them as markup.
    TitleLabel->setTextFormat(Qt::PlainText);
    InfoLabel->setTextFormat(Qt::PlainText);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    buttons->setCenterButtons(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TitleLabel);
    layout->addWidget(InfoLabel, 1);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumSize(297, 128);
}

void TInfoDlg::SetTitle(const QString& text)
{
    TitleLabel->setText(text);
}

void TInfoDlg::SetInfoText(const QString& text)
{
    InfoLabel->setText(text);
}

QString TInfoDlg::Title() const
{
    return TitleLabel->text();
}

QString TInfoDlg::InfoText() const
{
    return InfoLabel->text();
}

void TInfoDlg::SetTexts(const QString& caption, const QString& title, const QString& infoText)
{
    setWindowTitle(caption);
    SetTitle(title);
    SetInfoText(infoText);
}
