#include <QApplication>
#include <QLocale>

#include "mainwindow/TMainForm.h"
#include "platform/TPlatformDates.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarnel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quarnel "));
    QApplication::setApplicationVersion(QStringLiteral(QUARNEL_VERSION));
    TPlatformDates::InstallProgramDateFormat(QLocale());

    TMainForm mainForm;
    mainForm.show();
    return app.exec();
}
