// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QLocale>

#include <filesystem>
#include <string>
#include <vector>

#include "mainwindow/TMainForm.h"
#include "model/TLeftovers.h"
#include "platform/TApplicationIdentity.h"
#include "platform/TIconTheme.h"
#include "adapters/TPlatformDates.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Dates are shown and read with the month as a number and a four-digit year.
    TPlatformDates::InstallProgramDateFormat(QLocale());

    TStartupOptions options;
    options.Arguments.assign(argv, argv + argc);
    // A process started by another window's New window command gets "/" and today's date.
    options.NewWindowStart = argc > 1 && options.Arguments[1] == TMainForm::NewWindowArgument();
    TApplicationIdentity::Apply();
    TIconTheme::Install();
    QApplication::setWindowIcon(TIconTheme::ProgramIcon());

    std::error_code error;
    // The program's own files lie beside its executable, wherever it was installed or copied.
    options.ProgramFolder = std::filesystem::canonical("/proc/self/exe", error).parent_path().string();
    error.clear();
    options.CurrentFolder = std::filesystem::current_path(error).string();
    options.QuitAfterStartup = !qEnvironmentVariableIsEmpty("QUARNEL_QUIT_AFTER_STARTUP");

    // What killed windows left in the temporary folder and beside the files they replaced.
    TLeftovers::Sweep();
    TMainForm mainForm(std::move(options));
    mainForm.show();
    return app.exec();
}
