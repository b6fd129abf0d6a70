// SPDX-License-Identifier: MIT
#include "platform/TIconTheme.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include "platform/TFadedIconEngine.h"

namespace {

constexpr const char* FallbackTheme = "Adwaita";

bool ThemeHasIcons()
{
    return !QIcon::themeName().isEmpty() && QIcon::hasThemeIcon(QStringLiteral("document-open"));
}

} // namespace

void TIconTheme::Install()
{
    if (ThemeHasIcons())
        return;
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& folder : {QStringLiteral("/usr/share/icons"), QStringLiteral("/usr/local/share/icons")})
        if (!paths.contains(folder) && QDir(folder).exists())
            paths.append(folder);
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(QString::fromLatin1(FallbackTheme));
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

QIcon TIconTheme::Named(const QString& programFolder, const char* name, QStyle::StandardPixmap fallback)
{
    // The program's own glyphs, beside the executable, come first.
    const QString own = programFolder + QStringLiteral("/icons/") + QString::fromLatin1(name) + QStringLiteral(".svg");
    if (QFile::exists(own))
        return WithDisabledLook(QIcon(own));
    const QString themed = QString::fromLatin1(name);
    if (QIcon::hasThemeIcon(themed))
        return WithDisabledLook(QIcon::fromTheme(themed));
    return WithDisabledLook(QApplication::style()->standardIcon(fallback));
}

QIcon TIconTheme::WithDisabledLook(const QIcon& icon)
{
    if (icon.isNull())
        return icon;
    return QIcon(new TFadedIconEngine(icon));
}

QIcon TIconTheme::ProgramIcon()
{
    const QString folder = QCoreApplication::applicationDirPath();
    const QString file = folder + QStringLiteral("/icons/quarnel.svg");
    if (QFile::exists(file))
        return QIcon(file);
    return Named(folder, "system-search", QStyle::SP_FileDialogContentsView);
}
