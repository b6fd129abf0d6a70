// SPDX-License-Identifier: MIT
#include "dialogs/TAboutBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/TIconTheme.h"

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(TIconTheme::ProgramIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);

    auto* product = new QLabel(ProductName(), this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont big = product->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    product->setFont(big);

    auto* version = new QLabel(QStringLiteral("Version ") + ProductVersion(), this);
    version->setObjectName(QStringLiteral("Version"));
    auto* build = new QLabel(QStringLiteral("Build " QUARNEL_VERSION), this);
    auto* comment = new QLabel(QStringLiteral("Searches the files of folders for text, shows the hits in context "
                                              "and replaces them with confirmation and backups."),
                               this);
    comment->setWordWrap(true);
    comment->setMinimumWidth(280);

    auto* texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(version);
    texts->addWidget(build);
    texts->addSpacing(8);
    texts->addWidget(comment);
    texts->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TAboutBox::ProductName()
{
    return QStringLiteral("Quarnel");
}

QString TAboutBox::ProductVersion()
{
    return QStringLiteral("2.3 ");
}
