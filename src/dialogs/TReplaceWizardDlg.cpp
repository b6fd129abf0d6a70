// SPDX-License-Identifier: MIT
#include "dialogs/TReplaceWizardDlg.h"

#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "dialogs/TDialogText.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "replace/TReplaceData.h"

namespace {

constexpr int TextPage = 0;

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A page's heading: a bold text, half as large again.
QLabel* Heading(QLabel* bold)
{
    QFont font = bold->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    bold->setFont(font);
    return bold;
}

// Two radio buttons that exclude each other, indented under their question.
QVBoxLayout* Pair(QRadioButton* first, QRadioButton* second, QObject* owner)
{
    auto* group = new QButtonGroup(owner);
    group->addButton(first);
    group->addButton(second);
    auto* column = new QVBoxLayout;
    column->setContentsMargins(first->fontMetrics().averageCharWidth() * 3, 0, 0, 0);
    column->addWidget(first);
    column->addWidget(second);
    return column;
}

} // namespace

TReplaceWizardDlg::TReplaceWizardDlg(TReplaceData& options, const TSearchData& search, const TProgramData& program,
                                     QWidget* parent)
    : TWizardFrame(QStringLiteral("replace-assistant.svg"), parent), Options(options), Search(search), Program(program)
{
    setObjectName(QStringLiteral("ReplaceWizardDlg"));
    setWindowTitle(QStringLiteral("Replace Assistant"));

    Picture->setMinimumHeight(324);
    Picture->setFrameShape(QFrame::StyledPanel);
    Pages->addWidget(BuildTextPage());
    Pages->addWidget(BuildChoicesPage());
    Pages->addWidget(BuildReadyPage());

    // Enter presses Next, whichever button has the focus.
    for (QPushButton* button : {Cancel, Back, Finish})
        button->setAutoDefault(false);
    Next->setDefault(true);

    SetPage(TextPage);
}

QWidget* TReplaceWizardDlg::BuildTextPage()
{
    auto* page = new QWidget;
    SearchString = Named(Bold(QString()), "SearchString");
    SearchString->setTextFormat(Qt::PlainText);
    SearchString->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ReplaceString = Named(new QLineEdit, "ReplaceString");
    ReplaceString->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
    auto* column = new QVBoxLayout(page);
    column->addWidget(Heading(Bold(QStringLiteral("Quarnel Replace Assistant"))));
    column->addSpacing(fontMetrics().height());
    column->addWidget(Plain(QStringLiteral("The Replace Assistant will help you set up and start a replace.")));
    column->addSpacing(fontMetrics().height());
    column->addWidget(Plain(QStringLiteral("You have searched for the following string:")));
    column->addWidget(SearchString);
    column->addSpacing(fontMetrics().height());
    column->addWidget(Plain(QStringLiteral("What do you want to replace it with?")));
    column->addWidget(ReplaceString);
    column->addStretch(1);
    return page;
}

QWidget* TReplaceWizardDlg::BuildChoicesPage()
{
    auto* page = new QWidget;
    ReplaceSelected = Named(new QRadioButton(QStringLiteral("Replace in selected file only")), "ReplaceSelected");
    ReplaceAll = Named(new QRadioButton(QStringLiteral("Replace in all files found in the last search")), "ReplaceAll");
    MakeCopy = Named(new QRadioButton(QStringLiteral("Keep the original file(s) intact and save changes in new files(s)")),
                     "MakeCopy");
    ChangeOriginal = Named(new QRadioButton(QStringLiteral("Make changes to the original file(s)")), "ChangeOriginal");
    NoConfirmation = Named(new QRadioButton(QStringLiteral("Replace all occurrences without asking")), "NoConfirmation");
    Confirmation = Named(new QRadioButton(QStringLiteral("Ask for confirmation before each replacement")), "Confirmation");

    auto* column = new QVBoxLayout(page);
    column->addWidget(Plain(QStringLiteral("What files do you want to replace in?")));
    column->addLayout(Pair(ReplaceSelected, ReplaceAll, this));
    column->addSpacing(fontMetrics().height());
    column->addWidget(Plain(QStringLiteral("Do you want to change the original file(s)?")));
    column->addLayout(Pair(MakeCopy, ChangeOriginal, this));
    column->addSpacing(fontMetrics().height());
    column->addWidget(Plain(QStringLiteral("Do you want to confirm each replacement?")));
    column->addLayout(Pair(NoConfirmation, Confirmation, this));
    column->addStretch(1);
    return page;
}

QWidget* TReplaceWizardDlg::BuildReadyPage()
{
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->addWidget(Heading(Bold(QStringLiteral("Congratulations!"))));
    column->addSpacing(fontMetrics().height());
    column->addWidget(Plain(QStringLiteral("You are now ready to replace. Press the Finish button to go!")));
    column->addStretch(1);
    return page;
}

void TReplaceWizardDlg::FormShow()
{
    LoadPicture(Program.ProgramFolder);
    SetPage(TextPage);
    SearchString->setText(TDialogText::Show(Search.SearchString));
    ReplaceString->setText(TDialogText::Show(Options.ReplaceString));
    // The selected file can be chosen only while a row is selected.
    const bool selection = Program.SelectedItem != nullptr;
    ReplaceSelected->setEnabled(selection);
    if (selection && Options.Mode == TReplaceData::SelectedFileOnly)
        ReplaceSelected->setChecked(true);
    else
        ReplaceAll->setChecked(true);
    if (Options.Overwrite != 0)
        ChangeOriginal->setChecked(true);
    else
        MakeCopy->setChecked(true);
    if (Options.Confirmation == 1)
        Confirmation->setChecked(true);
    else
        NoConfirmation->setChecked(true);
    ReplaceString->setFocus();
    ReplaceString->selectAll();
}

void TReplaceWizardDlg::SetPage(int page)
{
    ShowPage(page);
    if (CurrentPage() == TextPage && isVisible())
        ReplaceString->setFocus();
}

void TReplaceWizardDlg::NextClick()
{
    SetPage(CurrentPage() + 1);
}

void TReplaceWizardDlg::BackClick()
{
    SetPage(CurrentPage() - 1);
}

void TReplaceWizardDlg::FinishClick()
{
    Options.ReplaceString = TDialogText::Take(ReplaceString->text(), Options.ReplaceString);
    Options.Mode = ReplaceSelected->isChecked() ? TReplaceData::SelectedFileOnly : TReplaceData::AllFiles;
    Options.Overwrite = MakeCopy->isChecked() ? 0 : 1;
    Options.Confirmation = Confirmation->isChecked() ? 1 : 0;
    // The assistant always keeps a backup, so that an overwrite run started by a beginner can
    // always be undone.
    Options.MakeBackup = true;
    accept();
}
