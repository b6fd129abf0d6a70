// SPDX-License-Identifier: MIT
#include "mainwindow/TTaskIcon.h"

#include <QSystemTrayIcon>
#include <QWidget>

void TTaskIcon::Show()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    if (Icon == nullptr) {
        Icon = new QSystemTrayIcon(Window.windowIcon(), &Window);
        Icon->setObjectName(QStringLiteral("TaskIcon"));
    }
    Icon->setToolTip(QStringLiteral("Quarnel search complete"));
    Icon->show();
}

void TTaskIcon::Hide()
{
    if (Icon != nullptr)
        Icon->hide();
}
