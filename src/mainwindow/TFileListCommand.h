// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include "mainwindow/TWindowParts.h"

class QAction;
class QMenu;
class QWidget;
class TLaunchCommand;
class TViewCommand;

// What the file list does on clicks, keys, header clicks and its pop-up menu. A click or a
// moving key shows the newly selected file, Enter edits it, a double click opens it with its
// associated program, a header click sorts the list. Nothing happens while the window is busy.
class TFileListCommand {
public:
    struct TCommands {
        TViewCommand& Views;
        TLaunchCommand& Launches;
        std::function<void()> SearchAgain;
        std::function<void()> Replace;
    };

    // Connects itself to the file list of `parts`; the pop-up menu is a child of `window`.
    TFileListCommand(QWidget* window, TWindowParts parts, TCommands commands);

    void KeyReleased(int key);
    void HeaderClicked(int column);
    QMenu& Menu() const { return *Popup; }
    // Readies the pop-up menu: the selected file's name in the view and launch items, and the
    // list's display style checked.
    void PrepareMenu();
    // Shows the file list in one of the list view's styles, keeping the selected row.
    void ChangeListStyle(int style);

private:
    QAction* Item(const char* name) const;

    TWindowParts Parts;
    TCommands Commands;
    QMenu* Popup = nullptr;
};
