// SPDX-License-Identifier: MIT
#include "dialogs/TReplaceConfirmDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/TDialogText.h"

namespace {

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* Bold(const QString& text)
{
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QPlainTextEdit* LineBox(const char* name)
{
    auto* box = Named(new QPlainTextEdit, name);
    box->setReadOnly(true);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Long lines wrap anywhere, so that the whole line can be read by scrolling down.
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setTabChangesFocus(true);
    box->setFixedHeight(box->fontMetrics().lineSpacing() * 4 + 2 * box->frameWidth() + 8);
    return box;
}

QPushButton* Button(const QString& caption, const char* name, const QString& hint)
{
    auto* button = Named(new QPushButton(caption), name);
    button->setToolTip(hint);
    button->setStatusTip(hint);
    return button;
}

} // namespace

TReplaceConfirmDlg::TReplaceConfirmDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ReplaceConfirmDlg"));
    setWindowTitle(QStringLiteral("Replace Confirmation"));

    FileName = Named(new QLabel, "FileName");
    FileName->setTextFormat(Qt::PlainText);
    FileName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FileName->setWordWrap(true);
    LineNumber = Named(new QLabel, "LineNumber");
    LineNumber->setTextFormat(Qt::PlainText);
    OriginalLine = LineBox("OriginalLine");
    NewLine = LineBox("NewLine");

    YesButton = Button(QStringLiteral("&Yes"), "YesButton", QStringLiteral("Yes - make the change"));
    YesButton->setDefault(true);
    NoButton = Button(QStringLiteral("&No"), "NoButton", QStringLiteral("No - skip this change"));
    CancelFileButton =
        Button(QStringLiteral("&Cancel File"), "CancelFileButton", QStringLiteral("Cancel changes for this file"));
    CancelAllButton = Button(QStringLiteral("&Cancel All"), "CancelAllButton",
                             QStringLiteral("Cancel changes for this and all subsequent files"));
    connect(YesButton, &QPushButton::clicked, this, &TReplaceConfirmDlg::YesButtonClick);
    connect(NoButton, &QPushButton::clicked, this, &TReplaceConfirmDlg::NoButtonClick);
    connect(CancelFileButton, &QPushButton::clicked, this, &TReplaceConfirmDlg::CancelFileButtonClick);
    connect(CancelAllButton, &QPushButton::clicked, this, &TReplaceConfirmDlg::CancelAllButtonClick);

    auto* where = new QGridLayout;
    where->addWidget(new QLabel(QStringLiteral("File:")), 0, 0, Qt::AlignTop);
    where->addWidget(FileName, 0, 1);
    where->addWidget(new QLabel(QStringLiteral("Line:")), 1, 0);
    where->addWidget(LineNumber, 1, 1);
    where->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {YesButton, NoButton, CancelFileButton, CancelAllButton})
        buttons->addWidget(button);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(where);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addWidget(Bold(QStringLiteral("Replace")));
    layout->addWidget(OriginalLine);
    layout->addWidget(Bold(QStringLiteral("With")));
    layout->addWidget(NewLine);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addLayout(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 80);
}

void TReplaceConfirmDlg::Fill(const TReplaceQuestion& question)
{
    FileName->setText(TDialogText::Show(question.FullPath));
    LineNumber->setText(QString::number(question.LineNumber));
    OriginalLine->setPlainText(TDialogText::Show(question.CurrentLine));
    NewLine->setPlainText(TDialogText::Show(question.NewLine));
    Chosen = TReplaceAnswer::CancelFile;
    YesButton->setFocus();
}

TReplaceAnswer TReplaceConfirmDlg::Ask(const TReplaceQuestion& question)
{
    Fill(question);
    exec();
    return Chosen;
}

void TReplaceConfirmDlg::Choose(TReplaceAnswer answer)
{
    Chosen = answer;
    accept();
}

void TReplaceConfirmDlg::YesButtonClick()
{
    Choose(TReplaceAnswer::Yes);
}

void TReplaceConfirmDlg::NoButtonClick()
{
    Choose(TReplaceAnswer::No);
}

void TReplaceConfirmDlg::CancelFileButtonClick()
{
    Choose(TReplaceAnswer::CancelFile);
}

void TReplaceConfirmDlg::CancelAllButtonClick()
{
    Choose(TReplaceAnswer::CancelAll);
}

void TReplaceConfirmDlg::keyPressEvent(QKeyEvent* event)
{
    // Escape skips this change; only closing the window cancels the file.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        NoButtonClick();
        return;
    }
    QDialog::keyPressEvent(event);
}
