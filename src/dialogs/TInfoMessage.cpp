// SPDX-License-Identifier: MIT
#include "dialogs/TInfoMessage.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

void TInfoMessage::ShowModal(QWidget* parent, const TInfoMessage& message)
{
    QDialog box(parent);
    box.setWindowTitle(message.Caption);
    box.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* title = new QLabel(message.Title, &box);
    title->setObjectName(QStringLiteral("Title"));
    title->setTextFormat(Qt::PlainText);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);

    auto* text = new QLabel(message.Text, &box);
    text->setObjectName(QStringLiteral("InfoText"));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setMinimumWidth(text->fontMetrics().averageCharWidth() * 45);

    auto* ok = new QPushButton(QObject::tr("&OK"), &box);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(title);
    layout->addWidget(text, 1);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    box.exec();
}

TInfoMessage::THook TInfoMessage::ModalHook(QWidget* parent)
{
    // The parent may be gone by the time a message is shown (a hook copied elsewhere).
    QPointer<QWidget> owner(parent);
    return [owner](const TInfoMessage& message) { ShowModal(owner.data(), message); };
}
