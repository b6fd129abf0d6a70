// SPDX-License-Identifier: MIT
#include "dialogs/TPreferencesDlg.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "dialogs/TDialogText.h"
#include "model/TProgramData.h"
#include "platform/THelpWindow.h"

namespace {

QLabel* Heading(const QString& text)
{
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QCheckBox* Check(const QString& caption, const char* name)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(QLatin1String(name));
    return box;
}

// Shows `path` as a program name in the command line: quoted when it holds a blank, since the
// command line is split into the program and its arguments at blanks outside double quotes.
QString ProgramInCommand(const QString& path)
{
    return path.contains(QLatin1Char(' ')) ? QLatin1Char('"') + path + QLatin1Char('"') : path;
}

} // namespace

TPreferencesDlg::TPreferencesDlg(TProgramData& program, QWidget* parent) : QDialog(parent), Program(program)
{
    setWindowTitle(QStringLiteral("Preferences"));
    ChooseEditor = [this](const QString& folder) {
        // Program files here have no extension to filter by; the chooser offers executable files.
        QFileDialog chooser(this, tr("Editor"), folder, tr("Executables (*)"));
        chooser.setFileMode(QFileDialog::ExistingFile);
        chooser.setOption(QFileDialog::DontUseNativeDialog);
        chooser.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
        return chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty() ? chooser.selectedFiles().front()
                                                                                         : QString();
    };

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));
    Pages->addTab(BuildOptionsPage(), QStringLiteral("Options"));
    Pages->addTab(BuildEditorPage(), QStringLiteral("Editor"));
    Pages->addTab(BuildCompatibilityPage(), QStringLiteral("Compatibility"));
    Pages->addTab(BuildHistoryPage(), QStringLiteral("History"));
    // The first showing opens on the editor; later showings keep the page last used.
    Pages->setCurrentIndex(EditorPage);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    help->setObjectName(QStringLiteral("HelpBtn"));
    connect(ok, &QPushButton::clicked, this, &TPreferencesDlg::OKBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, &TPreferencesDlg::HelpBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pages);
    layout->addLayout(buttons);
}

QWidget* TPreferencesDlg::BuildOptionsPage()
{
    auto* page = new QWidget;
    MatchWindowSize = new QSpinBox;
    MatchWindowSize->setObjectName(QStringLiteral("MatchWindowSize"));
    MatchWindowSize->setRange(0, TProgramData::MaxMatchWindow);
    MatchWindowSize->setWrapping(false);
    // Changed only with the arrows.
    MatchWindowSize->findChild<QLineEdit*>()->setReadOnly(true);
    auto* label = new QLabel(QStringLiteral("Match Window:"));
    label->setBuddy(MatchWindowSize);
    OMWAS = Check(QStringLiteral("Show matches as soon as search is complete"), "OMWAS");
    ShowDlgOnStart = Check(QStringLiteral("Show search dialog on program startup"), "ShowDlgOnStart");
    ExitConfirm = Check(QStringLiteral("Confirm program exit"), "ExitConfirm");

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(MatchWindowSize);
    row->addWidget(new QLabel(QStringLiteral("lines")));
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("[0 = show matching lines only]")));
    row->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Number of lines to show either side of matching lines")));
    layout->addLayout(row);
    layout->addSpacing(12);
    layout->addWidget(OMWAS);
    layout->addWidget(ShowDlgOnStart);
    layout->addWidget(ExitConfirm);
    layout->addStretch();
    return page;
}

QWidget* TPreferencesDlg::BuildEditorPage()
{
    auto* page = new QWidget;
    EditorCommand = new QLineEdit;
    EditorCommand->setObjectName(QStringLiteral("EditorCommand"));
    PickFolder = new QPushButton(QStringLiteral("..."));
    PickFolder->setObjectName(QStringLiteral("PickFolder"));
    PickFolder->setAutoDefault(false);
    PickFolder->setMaximumWidth(PickFolder->fontMetrics().horizontalAdvance(QStringLiteral("....")) * 3);
    connect(PickFolder, &QPushButton::clicked, this, &TPreferencesDlg::PickFolderClick);

    auto* row = new QHBoxLayout;
    row->addWidget(EditorCommand, 1);
    row->addWidget(PickFolder);

    auto* layout = new QVBoxLayout(page);
    auto* heading = Heading(QStringLiteral("Editor command line:"));
    heading->setBuddy(EditorCommand);
    layout->addWidget(heading);
    layout->addLayout(row);
    layout->addSpacing(8);
    for (const char* line : {"Syntax: <Editor filename> [$F] [$L] [$G] [$C] [$E]",
                             "$F = Filename (Do not enclose in quotes - they will be added if needed)",
                             "$L = First matching line number", "$G = Match string",
                             "$C = Column number of start of match", "$E = Filename without quotes added "}) {
        auto* label = new QLabel(QString::fromLatin1(line));
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    }
    layout->addStretch();
    return page;
}

QWidget* TPreferencesDlg::BuildCompatibilityPage()
{
    auto* page = new QWidget;
    ShortFilenames = Check(QStringLiteral("Use 8+3 filenames for files created during replace"), "ShortFilenames");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Novell/short filename compatibility")));
    layout->addWidget(ShortFilenames);
    layout->addStretch();
    return page;
}

QWidget* TPreferencesDlg::BuildHistoryPage()
{
    auto* page = new QWidget;
    HistoryRuns = new QSpinBox;
    HistoryRuns->setObjectName(QStringLiteral("HistoryRuns"));
    HistoryRuns->setRange(1, TProgramData::MaxHistoryRuns);
    HistoryMegabytes = new QSpinBox;
    HistoryMegabytes->setObjectName(QStringLiteral("HistoryMegabytes"));
    HistoryMegabytes->setRange(1, TProgramData::MaxHistoryMegabytes);
    HistoryMegabytes->setSuffix(QStringLiteral(" MB"));

    auto* limits = new QGridLayout;
    const auto addRow = [limits](int row, const QString& caption, QSpinBox* box, const QString& after) {
        auto* label = new QLabel(caption);
        label->setBuddy(box);
        limits->addWidget(label, row, 0);
        limits->addWidget(box, row, 1);
        limits->addWidget(new QLabel(after), row, 2);
    };
    addRow(0, QStringLiteral("&Keep the last"), HistoryRuns, QStringLiteral("replaces"));
    addRow(1, QStringLiteral("&Using at most"), HistoryMegabytes,
           QStringLiteral("for the copies of the files they changed"));
    limits->setColumnStretch(3, 1);

    auto* note = new QLabel(QStringLiteral(
        "Every replace keeps a copy of each file it changes, so that Replace History... on the Search menu can "
        "undo it, also after Quarnel was closed. When either limit is reached, the oldest replaces are "
        "forgotten first."));
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Replace history")));
    layout->addLayout(limits);
    layout->addSpacing(8);
    layout->addWidget(note);
    layout->addStretch();
    return page;
}

void TPreferencesDlg::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

int TPreferencesDlg::CurrentPage() const
{
    return Pages->currentIndex();
}

void TPreferencesDlg::FormShow()
{
    ShownEditorCommand = Program.EditorCommand;
    EditorCommand->setText(TDialogText::Show(ShownEditorCommand));
    ShortFilenames->setChecked(Program.ShortFilenames);
    MatchWindowSize->setValue(Program.MatchWindow);
    OMWAS->setChecked(Program.OMWAS);
    ExitConfirm->setChecked(Program.ExitConfirm);
    ShowDlgOnStart->setChecked(Program.ShowDlgOnStart);
    HistoryRuns->setValue(Program.ReplaceHistoryRuns);
    HistoryMegabytes->setValue(Program.ReplaceHistoryMegabytes);
}

void TPreferencesDlg::OKBtnClick()
{
    Program.EditorCommand = TDialogText::Take(EditorCommand->text(), ShownEditorCommand);
    Program.ShortFilenames = ShortFilenames->isChecked();
    Program.MatchWindow = MatchWindowSize->value();
    Program.OMWAS = OMWAS->isChecked();
    Program.ExitConfirm = ExitConfirm->isChecked();
    Program.ShowDlgOnStart = ShowDlgOnStart->isChecked();
    Program.ReplaceHistoryRuns = HistoryRuns->value();
    Program.ReplaceHistoryMegabytes = HistoryMegabytes->value();
    accept();
}

void TPreferencesDlg::PickFolderClick()
{
    const QString folder = TDialogText::ShowPath(Program.ProgramFolder);
    const QString chosen = ChooseEditor ? ChooseEditor(folder) : QString();
    if (!chosen.isEmpty())
        EditorCommand->setText(ProgramInCommand(chosen));
}

void TPreferencesDlg::HelpBtnClick()
{
    THelpWindow::ShowTopic(Program.HelpFile, "html/config-editor.htm");
}
