// SPDX-License-Identifier: MIT
// Renders the pictures of docs/screenshots from the real window, offscreen: a search with the
// matches of one file in the results pane, the search dialog, and the question of a replace run
// that confirms each change. The files searched are made here, in a temporary folder, with fixed
// dates, so the pictures come out the same on every run.
// Usage: quarnel-screenshots <program folder (style sheet, help, icons)> <output folder>
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/TReplaceConfirmDlg.h"
#include "dialogs/TSearchDlg.h"
#include "mainwindow/TFileListModel.h"
#include "mainwindow/TFileListView.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TSearchCommand.h"
#include "mainwindow/TUserInteraction.h"
#include "mainwindow/TViewCommand.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "platform/TIconTheme.h"
#include "adapters/TPlatformDates.h"
#include "presentation/TFileListColumns.h"
#include "replace/TReplaceData.h"

namespace {

// The window's user while the pictures are taken: nothing leaves the window (no process is
// started, no file is opened, every question is answered No), and dialogs are answered by
// AnswerDialog.
class TPictureUser final : public TUserInteraction {
public:
    std::function<int(QDialog& dialog)> AnswerDialog = [](QDialog&) { return int(QDialog::Rejected); };

    int ShowModal(QDialog& dialog) override { return AnswerDialog(dialog); }
    bool AskYesNo(const QString&, const QString&) override { return false; }
    void ShowMessage(const QString&, const QString&) override {}
    QString ChooseFolder(const QString&, const QString&) override { return {}; }
    QString ChooseSaveFile() override { return {}; }
    QString ChooseReportFile() override { return {}; }
    QString ChooseOpenFile() override { return {}; }
    bool StartProcess(const std::string&, const std::vector<std::string>&) override { return false; }
    bool OpenWithAssociatedProgram(const std::string&) override { return false; }
};

const QSize WindowSize(1000, 640);

// A small project whose files speak of colours, in both spellings.
const std::vector<std::pair<std::string, std::string>> SampleFiles = {
    {"README.txt",
     "Palette tools\n"
     "=============\n"
     "\n"
     "Reads a colour table and writes it as CSS, as GIMP palettes and as C arrays.\n"
     "Every color is kept with its name and its sRGB value.\n"
     "\n"
     "See docs/guide.txt for the file formats.\n"},
    {"docs/guide.txt",
     "The table format\n"
     "----------------\n"
     "\n"
     "One colour a line: a name, a blank, and the value as #rrggbb.\n"
     "Lines that begin with # are comments.\n"
     "\n"
     "  sky    #87ceeb\n"
     "  coral  #ff7f50\n"
     "\n"
     "A name may appear once; a second colour of the same name replaces the first.\n"
     "The background color of the preview is the first entry of the table.\n"},
    {"src/palette.c",
     "#include \"palette.h\"\n"
     "\n"
     "#include <stdio.h>\n"
     "#include <string.h>\n"
     "\n"
     "/* Looks up a color by its name; NULL when the table has none of that name. */\n"
     "const struct color *palette_find(const struct palette *p, const char *name)\n"
     "{\n"
     "    for (size_t i = 0; i < p->count; i++)\n"
     "        if (strcmp(p->colors[i].name, name) == 0)\n"
     "            return &p->colors[i];\n"
     "    return NULL;\n"
     "}\n"
     "\n"
     "/* Writes one color as a CSS custom property. */\n"
     "void palette_write_css(FILE *out, const struct color *c)\n"
     "{\n"
     "    fprintf(out, \"  --%s: #%06x;\\n\", c->name, c->rgb);\n"
     "}\n"},
    {"src/palette.h",
     "#pragma once\n"
     "\n"
     "#include <stddef.h>\n"
     "\n"
     "struct color {\n"
     "    char name[32];\n"
     "    unsigned rgb;\n"
     "};\n"
     "\n"
     "struct palette {\n"
     "    struct color *colors;\n"
     "    size_t count;\n"
     "};\n"},
    {"notes/todo.txt",
     "- read the colour names of the X11 table\n"
     "- a color picker for the preview\n"
     "- sort the output by hue\n"},
    {"src/main.c", "int main(void) { return 0; }\n"},
};

bool WriteSampleTree(const std::filesystem::path& root)
{
    // A fixed date for every file, so that the list's date column does not change between runs.
    const std::chrono::sys_seconds nineOClock = std::chrono::sys_days{std::chrono::year{2026} / 11 / 23} + std::chrono::hours{9};
    const auto date = std::chrono::file_clock::from_sys(nineOClock);
    for (const auto& [name, content] : SampleFiles) {
        const std::filesystem::path path = root / name;
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        std::ofstream(path, std::ios::binary) << content;
        std::filesystem::last_write_time(path, date, error);
        if (error)
            return false;
    }
    return true;
}

bool Save(QWidget& widget, const QString& folder, const char* name)
{
    QCoreApplication::processEvents();
    const QString path = folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    // Quality 0 is the PNG writer's strongest compression; the picture loses nothing.
    if (!widget.grab().save(path, "PNG", 0)) {
        std::fprintf(stderr, "quarnel-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    // Settings of its own, so that neither the user's settings shape the pictures nor the
    // window's closing writes into them.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: quarnel-screenshots <program folder> <output folder>\n");
        return 2;
    }
    const QString programFolder = QFileInfo(args[1]).absoluteFilePath();
    const QString output = args[2];
    QDir().mkpath(output);

    QApplication::setApplicationName(QStringLiteral("Quarnel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quarnel "));
    TPlatformDates::InstallProgramDateFormat(QLocale(QStringLiteral("en_GB")));
    TIconTheme::Install();
    QApplication::setWindowIcon(TIconTheme::ProgramIcon());

    // A short folder name reads better in the pictures than a temporary folder's; a private
    // temporary folder stands in when another run has that name.
    QTemporaryDir fallback;
    QString rootFolder = QDir::tempPath() + QStringLiteral("/palette-tools");
    if (!QDir().mkdir(rootFolder))
        rootFolder = fallback.path() + QStringLiteral("/palette-tools");
    const struct RemoveTree {
        QString Folder;
        ~RemoveTree() { QDir(Folder).removeRecursively(); }
    } removeTree{rootFolder};
    const std::string root = rootFolder.toStdString();
    if (!config.isValid() || !fallback.isValid() || !WriteSampleTree(root)) {
        std::fprintf(stderr, "quarnel-screenshots: cannot make the files to search\n");
        return 1;
    }

    TStartupOptions options;
    options.Arguments = {"quarnel32"};
    options.ProgramFolder = programFolder.toStdString();
    options.CurrentFolder = root;
    TPictureUser user;
    TMainForm form(std::move(options), &user);
    form.ProgramData().ExpertMode = true;
    form.ProgramData().ShowDlgOnStart = false;
    form.ProgramData().ExitConfirm = false;
    form.ProgramData().MatchWindow = 1;

    bool saved = true;
    // The search dialog is shown as the Search command shows it, pictured, and cancelled; the
    // replace dialog is answered with OK over the options set below.
    user.AnswerDialog = [&](QDialog& dialog) {
        if (qobject_cast<TSearchDlg*>(&dialog) != nullptr) {
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog))
                saved = false;
            saved = Save(dialog, output, "search-dialog") && saved;
            dialog.hide();
            return int(QDialog::Rejected);
        }
        return int(QDialog::Accepted);
    };

    form.resize(WindowSize);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form) || !QTest::qWaitFor([&] { return form.StartupDone(); })) {
        std::fprintf(stderr, "quarnel-screenshots: the window did not start\n");
        return 1;
    }

    TSearchData& search = form.SearchData();
    search.SearchString = "colou?r";
    search.SetFileSpecs("*.txt *.c *.h");
    search.SetFolders('"' + root + '"');
    search.RecurseSubdirs = true;
    search.CountFilesFirst = false;
    form.Searches().Start();
    if (!QTest::qWaitFor([&] { return form.ProgramData().BusyState == TProgramData::Idle; }) ||
        form.FileListBox().RowCount() < 2) {
        std::fprintf(stderr, "quarnel-screenshots: the search found too little\n");
        return 1;
    }
    // The matches of the C source, with a line of context around each.
    for (int row = 0; row < form.FileListModel().rowCount(); ++row) {
        if (form.FileListModel().index(row, TFileListColumns::Name).data().toString() == QStringLiteral("palette.c"))
            form.FileListBox().SelectRow(row);
    }
    form.FindSelectedRow();
    form.Views().MatchesOnlyClick();
    QTest::qWait(100);
    saved = Save(form, output, "search-results") && saved;

    form.Searches().NewSearchClick();

    // A replace that asks before each change: its first question is pictured, then the run is
    // cancelled, so no file changes.
    TReplaceData& replace = form.ReplaceData();
    replace.ReplaceString = "colour";
    replace.Confirmation = 1;
    replace.Overwrite = 1;
    replace.MakeBackup = true;
    replace.Mode = TReplaceData::AllFiles;
    search.SearchString = "color";
    bool asked = false;
    QTimer question;
    QObject::connect(&question, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<TReplaceConfirmDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr || asked)
            return;
        asked = true;
        saved = Save(*dialog, output, "replace-confirmation") && saved;
        if (auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("CancelAllButton")))
            cancel->click();
        else
            dialog->reject();
    });
    question.start(100);
    form.Searches().Start();
    if (!QTest::qWaitFor([&] { return form.ProgramData().BusyState == TProgramData::Idle; })) {
        std::fprintf(stderr, "quarnel-screenshots: the second search did not end\n");
        return 1;
    }
    form.ReplaceClick();
    question.stop();
    if (!asked) {
        std::fprintf(stderr, "quarnel-screenshots: the replace run asked nothing\n");
        saved = false;
    }

    form.close();
    return saved ? 0 : 1;
}
