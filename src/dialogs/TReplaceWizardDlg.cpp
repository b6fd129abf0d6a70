#include "dialogs/TReplaceWizardDlg.h"

#include <QButtonGroup>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "dialogs/TDialogText.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "replace/TReplaceData.h"

namespace {

constexpr int TextPage = 0;
constexpr int ReadyPage = 2;

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* Plain(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

QLabel* Bold(const QString& text)
{
    QLabel* label = Plain(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* Heading(const QString& text)
{
    QLabel* label = Bold(text);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    label->setFont(font);
    return label;
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
    : QDialog(parent), Options(options), Search(search), Program(program)
{
    setObjectName(QStringLiteral("ReplaceWizardDlg"));
    setWindowTitle(QStringLiteral("Replace Assistant"));

    Picture = Named(new QLabel(this), "Picture");
    Picture->setFixedWidth(150);
    Picture->setMinimumHeight(324);
    Picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    Picture->setFrameShape(QFrame::StyledPanel);

    Pages = Named(new QStackedWidget(this), "Pages");
    Pages->addWidget(BuildTextPage());
    Pages->addWidget(BuildChoicesPage());
    Pages->addWidget(BuildReadyPage());

    Cancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "Cancel");
    Back = Named(new QPushButton(QStringLiteral("< &Back"), this), "Back");
    Next = Named(new QPushButton(QStringLiteral("&Next >"), this), "Next");
    Finish = Named(new QPushButton(QStringLiteral("&Finish"), this), "Finish");
    for (QPushButton* button : {Cancel, Back, Finish})
        button->setAutoDefault(false);
    Next->setDefault(true);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Back, &QPushButton::clicked, this, &TReplaceWizardDlg::BackClick);
    connect(Next, &QPushButton::clicked, this, &TReplaceWizardDlg::NextClick);
    connect(Finish, &QPushButton::clicked, this, &TReplaceWizardDlg::FinishClick);

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
    column->addWidget(Heading(QStringLiteral("Quarnel Replace Assistant")));
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
    column->addWidget(Heading(QStringLiteral("Congratulations!")));
    column->addSpacing(fontMetrics().height());
    column->addWidget(Plain(QStringLiteral("You are now ready to replace. Press the Finish button to go!")));
    column->addStretch(1);
    return page;
}

void TReplaceWizardDlg::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TReplaceWizardDlg::FormShow()
{
    LoadPicture();
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

int TReplaceWizardDlg::CurrentPage() const
{
    return Pages->currentIndex();
}

void TReplaceWizardDlg::SetPage(int page)
{
    page = std::clamp(page, TextPage, ReadyPage);
    Pages->setCurrentIndex(page);
    Back->setEnabled(page > TextPage);
    Next->setEnabled(page < ReadyPage);
    Finish->setEnabled(true);
    if (page == TextPage && isVisible())
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

void TReplaceWizardDlg::LoadPicture()
{
    if (!Picture->pixmap().isNull() || Program.ProgramFolder.empty())
        return;
    QImageReader reader(QFile::decodeName(QByteArray::fromStdString(Program.ProgramFolder)) +
                        QStringLiteral("/images/replace-assistant.svg"));
    const QSize size = reader.size();
    if (size.isValid() && size.width() > 0)
        reader.setScaledSize(size.scaled(Picture->width() - 4, 2000, Qt::KeepAspectRatio) * devicePixelRatio());
    QImage image = reader.read();
    if (image.isNull())
        return;
    image.setDevicePixelRatio(devicePixelRatio());
    Picture->setPixmap(QPixmap::fromImage(image));
}
