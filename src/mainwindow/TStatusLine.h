// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>

#include "mainwindow/TPanelBar.h"

class QProgressBar;

// The status bar at the bottom of the main window: a text panel and a progress bar at the right.
// Its text shows at once, also while a long operation keeps the event loop busy.
class TStatusLine : public TPanelBar {
    Q_OBJECT

public:
    explicit TStatusLine(QWidget* parent = nullptr);

    QProgressBar& Progress() const { return *Bar; }
    // Sets the text and paints it at once, at most every StatusRepaintMs; a text set sooner
    // after the last one is painted with the next paint.
    void Show(const QString& text);

private:
    static constexpr int ProgressBarWidth = 150;
    static constexpr int StatusRepaintMs = 50;

    QProgressBar* Bar = nullptr;
    // When the text was last painted at once.
    QElapsedTimer Painted;
};
