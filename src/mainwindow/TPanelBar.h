// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include <functional>
#include <vector>

class QLabel;

// A status bar of text panels side by side, each with its own width; the last panel takes what
// is left. Texts are shown as they are (never as markup) and may be repainted at once, so that
// they appear while a long operation keeps the event loop busy.
class TPanelBar : public QWidget {
    Q_OBJECT

public:
    // `widths` gives the panels' starting widths; `bevelled` says, per panel, whether it is
    // drawn sunken (a panel without bevel is flat).
    TPanelBar(const std::vector<int>& widths, const std::vector<bool>& bevelled, QWidget* parent = nullptr);

    int PanelCount() const { return static_cast<int>(Panels.size()); }
    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);
    int PanelWidth(int panel) const;
    void SetPanelWidth(int panel, int width);

    // Called after every resize of the bar, before the panels are placed again.
    std::function<void(TPanelBar&)> OnResize;

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlacePanels();

    std::vector<QLabel*> Panels;
    std::vector<int> Widths;
};
