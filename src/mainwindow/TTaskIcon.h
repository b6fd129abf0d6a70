// SPDX-License-Identifier: MIT
#pragma once

class QSystemTrayIcon;
class QWidget;

// The icon in the desktop's notification area that tells, while the window is minimised, that a
// search has completed. It is made when first shown, and only where the desktop has such an area.
class TTaskIcon {
public:
    explicit TTaskIcon(QWidget& window) : Window(window) {}

    void Show();
    void Hide();

private:
    QWidget& Window;
    QSystemTrayIcon* Icon = nullptr;
};
