// SPDX-License-Identifier: MIT
#include "platform/TFadedIconEngine.h"

#include <QImage>
#include <QPainter>

TFadedIconEngine::TFadedIconEngine(const QIcon& source) : Source(source)
{
}

QPixmap TFadedIconEngine::Faded(const QPixmap& normal)
{
    // The style's own disabled look only lightens a glyph, which leaves a light grey one (a
    // page, a folder) looking the same in both states.
    constexpr double DisabledOpacity = 0.3;
    QImage faded = normal.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < faded.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(faded.scanLine(y));
        for (int x = 0; x < faded.width(); ++x) {
            const int grey = 96 + qGray(line[x]) / 3;
            line[x] = qRgba(grey, grey, grey, static_cast<int>(qAlpha(line[x]) * DisabledOpacity));
        }
    }
    QPixmap result = QPixmap::fromImage(faded);
    result.setDevicePixelRatio(normal.devicePixelRatio());
    return result;
}

QPixmap TFadedIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    if (mode != QIcon::Disabled)
        return Source.pixmap(size, mode, state);
    const quint64 key = (static_cast<quint64>(static_cast<quint32>(size.width())) << 32) |
                        static_cast<quint32>(size.height()) | (state == QIcon::On ? quint64{1} << 63 : 0);
    if (const auto known = FadedBySize.constFind(key); known != FadedBySize.constEnd())
        return *known;
    const QPixmap normal = Source.pixmap(size, QIcon::Normal, state);
    const QPixmap faded = normal.isNull() ? normal : Faded(normal);
    FadedBySize.insert(key, faded);
    return faded;
}

void TFadedIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    // The source's pixmaps already take the screen's pixel ratio into account.
    painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
}

QSize TFadedIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return Source.actualSize(size, mode == QIcon::Disabled ? QIcon::Normal : mode, state);
}

QList<QSize> TFadedIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    return Source.availableSizes(mode == QIcon::Disabled ? QIcon::Normal : mode, state);
}

QIconEngine* TFadedIconEngine::clone() const
{
    return new TFadedIconEngine(Source);
}

QString TFadedIconEngine::key() const
{
    return QStringLiteral("TFadedIconEngine");
}

bool TFadedIconEngine::isNull()
{
    return Source.isNull();
}
