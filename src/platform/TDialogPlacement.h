// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

// Where a dialog opens: centred on the window that owns it, or on the screen while that window is
// not shown yet, and never beyond the screen's edges.
class TDialogPlacement {
public:
    static void CentreOn(QWidget& dialog, const QWidget* owner);
};
