// SPDX-License-Identifier: MIT
#pragma once

// The names the program gives itself to the desktop: the application name (settings, WM_CLASS),
// the version, and the desktop entry that the task bar and the window manager take the program's
// name and icon from.
//
// No display name is set: Qt appends one to every window caption on X11 ("Search Criteria —
// Quarnel"), and the program's captions are exactly the texts each window gives.
class TApplicationIdentity {
public:
    static constexpr const char* ApplicationName = "Quarnel";
    static constexpr const char* DesktopFileName = "quarnel32";

    // Call once, after the application object is made.
    static void Apply();
};
