// SPDX-License-Identifier: MIT
#include "platform/TIconTheme.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>

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
    // The style's own disabled look only lightens a glyph, which leaves a light grey one (a
    // page, a folder) looking the same in both states.
    constexpr double DisabledOpacity = 0.3;
    QIcon result;
    for (const int size : {16, 22, 24, 32, 48}) {
        const QPixmap normal = icon.pixmap(QSize(size, size), QIcon::Normal, QIcon::Off);
        if (normal.isNull())
            continue;
        QImage faded = normal.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < faded.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(faded.scanLine(y));
            for (int x = 0; x < faded.width(); ++x) {
                const int grey = 96 + qGray(line[x]) / 3;
                line[x] = qRgba(grey, grey, grey, static_cast<int>(qAlpha(line[x]) * DisabledOpacity));
            }
        }
        result.addPixmap(normal, QIcon::Normal, QIcon::Off);
        result.addPixmap(QPixmap::fromImage(faded), QIcon::Disabled, QIcon::Off);
    }
    return result.isNull() ? icon : result;
}

QIcon TIconTheme::ProgramIcon()
{
    const QString folder = QCoreApplication::applicationDirPath();
    const QString file = folder + QStringLiteral("/icons/quarnel.svg");
    if (QFile::exists(file))
        return QIcon(file);
    return Named(folder, "system-search", QStyle::SP_FileDialogContentsView);
}
