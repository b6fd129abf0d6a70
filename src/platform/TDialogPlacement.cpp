// SPDX-License-Identifier: MIT
#include "platform/TDialogPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

void TDialogPlacement::CentreOn(QWidget& dialog, const QWidget* owner)
{
    const bool ownerShown = owner != nullptr && owner->isVisible() && !owner->isMinimized();
    QScreen* screen = ownerShown ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    // A dialog not shown yet takes the size it will be shown with now, so that its centre is known.
    if (!dialog.isVisible() && !dialog.testAttribute(Qt::WA_Resized))
        dialog.adjustSize();
    const QRect area = ownerShown ? owner->frameGeometry() : screen->availableGeometry();
    const QSize size = dialog.frameGeometry().size();
    const QRect screenArea = screen->availableGeometry();
    QPoint topLeft = area.center() - QPoint(size.width() / 2, size.height() / 2);
    topLeft.setX(std::clamp(topLeft.x(), screenArea.left(), std::max(screenArea.left(), screenArea.right() - size.width() + 1)));
    topLeft.setY(std::clamp(topLeft.y(), screenArea.top(), std::max(screenArea.top(), screenArea.bottom() - size.height() + 1)));
    dialog.move(topLeft);
}
