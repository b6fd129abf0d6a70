// SPDX-License-Identifier: MIT
#include "dialogs/TWizardFrame.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "dialogs/TDialogText.h"
#include "model/TPathText.h"

namespace {

QPushButton* FrameButton(const QString& caption, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

TWizardFrame::TWizardFrame(const QString& pictureName, QWidget* parent) : QDialog(parent), PictureName(pictureName)
{
    Picture = new QLabel(this);
    Picture->setObjectName(QStringLiteral("Picture"));
    Picture->setFixedWidth(150);
    Picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    Pages = new QStackedWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));

    Cancel = FrameButton(QStringLiteral("&Cancel"), "Cancel", this);
    Back = FrameButton(QStringLiteral("< &Back"), "Back", this);
    Next = FrameButton(QStringLiteral("&Next >"), "Next", this);
    Finish = FrameButton(QStringLiteral("&Finish"), "Finish", this);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Back, &QPushButton::clicked, this, &TWizardFrame::BackClick);
    connect(Next, &QPushButton::clicked, this, &TWizardFrame::NextClick);
    connect(Finish, &QPushButton::clicked, this, &TWizardFrame::FinishClick);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* top = new QHBoxLayout;
    top->addWidget(Picture);
    top->addSpacing(8);
    top->addWidget(Pages, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cancel);
    buttons->addSpacing(12);
    buttons->addWidget(Back);
    buttons->addWidget(Next);
    buttons->addSpacing(12);
    buttons->addWidget(Finish);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(line);
    layout->addLayout(buttons);
}

int TWizardFrame::CurrentPage() const
{
    return Pages->currentIndex();
}

void TWizardFrame::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TWizardFrame::ShowPage(int page)
{
    if (page >= 0 && page < Pages->count())
        Pages->setCurrentIndex(page);
    const int shown = Pages->currentIndex();
    Back->setEnabled(shown > 0);
    Next->setEnabled(shown < Pages->count() - 1);
}

void TWizardFrame::LoadPicture(const std::string& programFolder)
{
    if (!Picture->pixmap().isNull() || programFolder.empty())
        return;
    QImageReader reader(
        TDialogText::ShowPath(TPathText::Join(programFolder, "images/" + TDialogText::FromPath(PictureName))));
    const QSize size = reader.size();
    if (size.isValid() && size.width() > 0)
        reader.setScaledSize(size.scaled(Picture->width() - 4, 2000, Qt::KeepAspectRatio) * devicePixelRatio());
    QImage image = reader.read();
    if (image.isNull())
        return;
    image.setDevicePixelRatio(devicePixelRatio());
    Picture->setPixmap(QPixmap::fromImage(image));
}

QLabel* TWizardFrame::Plain(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

QLabel* TWizardFrame::Bold(const QString& text)
{
    QLabel* label = Plain(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}
