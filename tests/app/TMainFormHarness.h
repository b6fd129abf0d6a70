// SPDX-License-Identifier: MIT
#pragma once

// What the main window's tests share: a private configuration folder and file tree per test, a
// window whose dialogs, questions and processes are answered by the test (the harness is the
// window's user), and small helpers.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

#include "mainwindow/TFileListModel.h"
#include "mainwindow/TSearchCommand.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TUserInteraction.h"
#include "model/TSearchData.h"
#include "adapters/TPlatformDates.h"
#include "presentation/TFileListColumns.h"
#include "replace/TReplaceData.h"

class TMainFormHarness : public TUserInteraction {
public:
    std::unique_ptr<QTemporaryDir> Config;
    std::unique_ptr<QTemporaryDir> Tree;
    // Class names of the dialogs shown modally, in order.
    QStringList Shown;
    // What each modal dialog answers.
    int DialogAnswer = 0;  // QDialog::Rejected
    // The questions asked, and the answer each gets.
    QStringList Questions;
    bool Answer = true;
    // Processes started and files opened with their associated program.
    QStringList Started;
    QStringList Opened;
    // Messages shown with ShowMessage, as "caption: text".
    QStringList Messages;
    // A test that answers a call itself sets its function; unset, the call is recorded above and
    // answered as the fields above say (no folder, no file is chosen).
    std::function<int(QDialog& dialog)> ShowModalWith;
    std::function<bool(const QString& caption, const QString& text)> AskYesNoWith;
    std::function<bool(const std::string& program, const std::vector<std::string>& arguments)> StartProcessWith;
    std::function<bool(const std::string& path)> OpenWith;
    std::function<QString(const QString& caption, const QString& start)> ChooseFolderWith;
    std::function<QString()> ChooseSaveFileWith;
    std::function<QString()> ChooseReportFileWith;
    std::function<QString()> ChooseOpenFileWith;

    int ShowModal(QDialog& dialog) override
    {
        if (ShowModalWith)
            return ShowModalWith(dialog);
        Shown << dialog.metaObject()->className();
        return DialogAnswer;
    }
    bool AskYesNo(const QString& caption, const QString& text) override
    {
        if (AskYesNoWith)
            return AskYesNoWith(caption, text);
        Questions << caption + ": " + text;
        return Answer;
    }
    void ShowMessage(const QString& caption, const QString& text) override { Messages << caption + ": " + text; }
    QString ChooseFolder(const QString& caption, const QString& start) override
    {
        return ChooseFolderWith ? ChooseFolderWith(caption, start) : QString();
    }
    QString ChooseSaveFile() override { return ChooseSaveFileWith ? ChooseSaveFileWith() : QString(); }
    QString ChooseReportFile() override { return ChooseReportFileWith ? ChooseReportFileWith() : QString(); }
    QString ChooseOpenFile() override { return ChooseOpenFileWith ? ChooseOpenFileWith() : QString(); }
    bool StartProcess(const std::string& program, const std::vector<std::string>& arguments) override
    {
        if (StartProcessWith)
            return StartProcessWith(program, arguments);
        QStringList line{QString::fromStdString(program)};
        for (const std::string& argument : arguments)
            line << QString::fromStdString(argument);
        Started << line.join(QLatin1Char('|'));
        return true;
    }
    bool OpenWithAssociatedProgram(const std::string& path) override
    {
        if (OpenWith)
            return OpenWith(path);
        Opened << QString::fromStdString(path);
        return true;
    }

    // A fresh configuration folder (XDG_CONFIG_HOME) and tree; dates in the en_GB format.
    bool Reset()
    {
        Config = std::make_unique<QTemporaryDir>();
        Tree = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", Config->path().toLocal8Bit());
        // The replace journal of each test is its own.
        qputenv("XDG_DATA_HOME", (Config->path() + QStringLiteral("/data")).toLocal8Bit());
        Shown.clear();
        Questions.clear();
        Started.clear();
        Opened.clear();
        Messages.clear();
        DialogAnswer = 0;
        Answer = true;
        ShowModalWith = nullptr;
        AskYesNoWith = nullptr;
        StartProcessWith = nullptr;
        OpenWith = nullptr;
        ChooseFolderWith = nullptr;
        ChooseSaveFileWith = nullptr;
        ChooseReportFileWith = nullptr;
        ChooseOpenFileWith = nullptr;
        TPlatformDates::InstallProgramDateFormat(QLocale(QStringLiteral("en_GB")));
        return Config->isValid() && Tree->isValid();
    }

    QString TreePath() const { return Tree->path(); }

    static void WriteFile(const QString& path, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }

    // A ZIP archive whose members are stored uncompressed.
    static void WriteZip(const QString& path, const std::vector<std::pair<std::string, std::string>>& members)
    {
        QByteArray out;
        QByteArray central;
        auto u16 = [](QByteArray& to, unsigned v) {
            to.append(char(v & 0xff));
            to.append(char((v >> 8) & 0xff));
        };
        auto u32 = [&](QByteArray& to, unsigned long v) {
            u16(to, unsigned(v & 0xffff));
            u16(to, unsigned((v >> 16) & 0xffff));
        };
        for (const auto& [name, content] : members) {
            const unsigned long crc =
                crc32(0L, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size()));
            const unsigned long offset = static_cast<unsigned long>(out.size());
            u32(out, 0x04034b50);
            u16(out, 10); u16(out, 0); u16(out, 0); u16(out, 0); u16(out, 0x21);
            u32(out, crc); u32(out, content.size()); u32(out, content.size());
            u16(out, unsigned(name.size())); u16(out, 0);
            out.append(name.data(), qsizetype(name.size()));
            out.append(content.data(), qsizetype(content.size()));
            u32(central, 0x02014b50);
            u16(central, 20); u16(central, 10); u16(central, 0); u16(central, 0); u16(central, 0); u16(central, 0x21);
            u32(central, crc); u32(central, content.size()); u32(central, content.size());
            u16(central, unsigned(name.size())); u16(central, 0); u16(central, 0); u16(central, 0); u16(central, 0);
            u32(central, 0); u32(central, offset);
            central.append(name.data(), qsizetype(name.size()));
        }
        const unsigned long centralOffset = static_cast<unsigned long>(out.size());
        out.append(central);
        u32(out, 0x06054b50);
        u16(out, 0); u16(out, 0);
        u16(out, unsigned(members.size())); u16(out, unsigned(members.size()));
        u32(out, static_cast<unsigned long>(central.size())); u32(out, centralOffset);
        u16(out, 0);
        WriteFile(path, out);
    }

    // A window with every dialog, question and process answered here. With `quiet` it starts in
    // expert mode without a dialog at start.
    std::unique_ptr<TMainForm> MakeForm(std::vector<std::string> args = {}, bool newWindowStart = false,
                                        bool quiet = true)
    {
        TStartupOptions options;
        options.Arguments = {"quarnel32"};
        options.Arguments.insert(options.Arguments.end(), args.begin(), args.end());
        options.NewWindowStart = newWindowStart;
        options.ProgramFolder = (TreePath() + "/program").toStdString();
        options.CurrentFolder = TreePath().toStdString();
        auto form = std::make_unique<TMainForm>(std::move(options), this);
        if (quiet) {
            form->ProgramData().ExpertMode = true;
            form->ProgramData().ShowDlgOnStart = false;
        }
        return form;
    }

    // Shows the window and waits for its start-up action.
    static void Start(TMainForm& form)
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(form.StartupDone());
    }

    // Searches the tree for `text` in every file, with sub-folders.
    void Search(TMainForm& form, const std::string& text = "needle", bool recurse = true) const
    {
        TSearchData& data = form.SearchData();
        data.SearchString = text;
        data.SetFileSpecs("*.*");
        data.SetFolders("\"" + TreePath().toStdString() + "\"");
        data.RecurseSubdirs = recurse;
        data.CountFilesFirst = false;
        form.Searches().Start();
    }

    // Replace options for a run over every file that overwrites them with `with`, asks nothing
    // and keeps no backup; the replace dialog then answers OK.
    void OverwriteEveryFile(TMainForm& form, const std::string& with)
    {
        TReplaceData& options = form.ReplaceData();
        options.ReplaceString = with;
        options.Overwrite = 1;
        options.Confirmation = 0;
        options.Mode = 0;
        options.MakeBackup = false;
        DialogAnswer = QDialog::Accepted;
    }

    static QStringList RowNames(TMainForm& form)
    {
        QStringList names;
        for (int row = 0; row < form.FileListModel().rowCount(); ++row)
            names << form.FileListModel().index(row, TFileListColumns::Name).data().toString();
        return names;
    }

    static bool Enabled(TMainForm& form, const char* name)
    {
        QAction* action = form.Command(QString::fromLatin1(name));
        return action != nullptr && action->isEnabled();
    }

    // Saves a grab of `widget` when QUARNEL_SCREENSHOT_DIR is set, so a person can look at it.
    static void Snapshot(QWidget& widget, const char* name)
    {
        const QString dir = qEnvironmentVariable("QUARNEL_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            widget.grab().save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
    }
};
