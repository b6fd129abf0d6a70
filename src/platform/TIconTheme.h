// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QStyle>

// The program's glyphs. The desktop's icon theme is not always there (bare X servers, the
// offscreen platform), so the program uses a freedesktop theme installed with it (Adwaita), and
// the style's standard icons where that has no icon.
class TIconTheme {
public:
    // Points Qt at the installed theme unless the desktop already set one that has icons.
    static void Install();
    // The program's own icon `name` (icons/<name>.svg in `programFolder`, the folder of the
    // executable), else the themed icon `name`, else the style's `fallback`; drawn faded and
    // grey when disabled, so that an enabled glyph never looks like a disabled one.
    static QIcon Named(const QString& programFolder, const char* name, QStyle::StandardPixmap fallback);
    // `icon` with a disabled look of its own: grey and mostly transparent.
    static QIcon WithDisabledLook(const QIcon& icon);
    // The program's own icon.
    static QIcon ProgramIcon();
};
