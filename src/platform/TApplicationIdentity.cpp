// SPDX-License-Identifier: MIT
#include "platform/TApplicationIdentity.h"

#include <QGuiApplication>

void TApplicationIdentity::Apply()
{
    QGuiApplication::setApplicationName(QString::fromLatin1(ApplicationName));
    QGuiApplication::setApplicationVersion(QStringLiteral(QUARNEL_VERSION));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopFileName));
}
