// SPDX-License-Identifier: MIT
#include "mainwindow/TStatusLine.h"

#include <QProgressBar>

TStatusLine::TStatusLine(QWidget* parent) : TPanelBar({400, 140}, {true, false}, parent)
{
    setObjectName(QStringLiteral("StatusBar"));
    Bar = new QProgressBar(this);
    Bar->setObjectName(QStringLiteral("ProgressBar"));
    Bar->setRange(0, 100);
    Bar->setValue(0);
    Bar->setTextVisible(false);
    Bar->setFixedWidth(ProgressBarWidth);
    OnResize = [this](TPanelBar& bar) {
        const int left = bar.width() - ProgressBarWidth - 20;
        Bar->setGeometry(left, 2, ProgressBarWidth, bar.height() - 4);
        bar.SetPanelWidth(0, left - 2);
    };
}

void TStatusLine::Show(const QString& text)
{
    SetPanelText(0, text);
    // A search reports every file, and painting each text would cost more than the search.
    if (!isVisible())
        return;
    if (!Painted.isValid() || Painted.elapsed() >= StatusRepaintMs) {
        repaint();
        Painted.start();
    } else {
        update();
    }
}
