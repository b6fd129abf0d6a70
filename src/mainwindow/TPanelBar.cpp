// SPDX-License-Identifier: MIT
#include "mainwindow/TPanelBar.h"

#include <QLabel>
#include <QResizeEvent>

#include <algorithm>

TPanelBar::TPanelBar(const std::vector<int>& widths, const std::vector<bool>& bevelled, QWidget* parent)
    : QWidget(parent), Widths(widths)
{
    for (std::size_t i = 0; i < widths.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i));
        panel->setTextFormat(Qt::PlainText);
        panel->setIndent(4);
        // The tool tip with the whole text also shows while another window has the focus.
        panel->setAttribute(Qt::WA_AlwaysShowToolTips);
        const bool bevel = i < bevelled.size() ? bevelled[i] : true;
        panel->setFrameStyle(bevel ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
        Panels.push_back(panel);
    }
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QString TPanelBar::PanelText(int panel) const
{
    return Panels.at(static_cast<std::size_t>(panel))->text();
}

void TPanelBar::SetPanelText(int panel, const QString& text)
{
    QLabel* label = Panels.at(static_cast<std::size_t>(panel));
    label->setText(text);
    // A panel cuts a long text (a search summary) at its edge; the tool tip shows all of it,
    // wrapped, and as the plain text it is even when it looks like markup.
    label->setToolTip(text.isEmpty() ? QString()
                                     : QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
                                           QStringLiteral("</p>"));
}

int TPanelBar::PanelWidth(int panel) const
{
    return Widths.at(static_cast<std::size_t>(panel));
}

void TPanelBar::SetPanelWidth(int panel, int width)
{
    Widths.at(static_cast<std::size_t>(panel)) = std::max(0, width);
    PlacePanels();
}

QSize TPanelBar::sizeHint() const
{
    const int height = fontMetrics().height() + 10;
    return {400, height};
}

void TPanelBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (OnResize)
        OnResize(*this);
    PlacePanels();
}

void TPanelBar::PlacePanels()
{
    int left = 0;
    const int last = PanelCount() - 1;
    for (int i = 0; i <= last; ++i) {
        const int width = i == last ? std::max(0, this->width() - left) : Widths[static_cast<std::size_t>(i)];
        Panels[static_cast<std::size_t>(i)]->setGeometry(left, 1, width, height() - 2);
        left += width + 2;
    }
}
