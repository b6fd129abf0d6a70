#include "platform/TIconTheme.h"

#include <QApplication>
#include <QDir>
#include <QFile>

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

QIcon TIconTheme::Named(const char* name, QStyle::StandardPixmap fallback)
{
    // The program's own glyphs, beside the executable, come first.
    const QString own = QCoreApplication::applicationDirPath() + QStringLiteral("/icons/") + QString::fromLatin1(name) +
                        QStringLiteral(".svg");
    if (QFile::exists(own))
        return QIcon(own);
    const QString themed = QString::fromLatin1(name);
    if (QIcon::hasThemeIcon(themed))
        return QIcon::fromTheme(themed);
    return QApplication::style()->standardIcon(fallback);
}

QIcon TIconTheme::ProgramIcon()
{
    const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/icons/quarnel.svg");
    if (QFile::exists(file))
        return QIcon(file);
    return Named("system-search", QStyle::SP_FileDialogContentsView);
}
