// SPDX-License-Identifier: MIT
#pragma once

#include <QStyle>

#include <span>

// The main window's commands as the menus and the toolbar show them: each menu item and toolbar
// button by its object name, with its caption, key, hint and glyph, and the menus' layout. The
// window gives every menu item its handler; a toolbar button runs the handler of the item it
// names in Runs.
class TCommandCatalog {
public:
    struct TItem {
        const char* Name;
        const char* Caption;
        const char* Shortcut;  // empty: none
        const char* Hint;      // the status line's text while the item is highlighted
        bool Checkable;
    };
    struct TButton {
        const char* Name;
        const char* Runs;  // the menu item whose handler the button runs
        const char* ToolTip;
        const char* StatusText;
        const char* Icon;
        QStyle::StandardPixmap Fallback;
        bool Checkable;
        bool GroupEnd;  // a separator follows
    };
    struct TMenu {
        const char* Caption;
        // Item names; "-" is a separator. Ends with nullptr.
        const char* const* Items;
    };

    static std::span<const TItem> Items();
    static std::span<const TButton> Buttons();
    static std::span<const TMenu> Menus();
};
