// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QMap>
#include <QPixmap>

// Draws an icon as it is, and, when disabled, grey and mostly transparent. The faded pixmaps
// are made the first time each size is asked for, so that a window with many glyphs does not
// draw them all at every size while it starts.
class TFadedIconEngine : public QIconEngine {
public:
    explicit TFadedIconEngine(const QIcon& source);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

    // `normal` as the disabled look draws it.
    static QPixmap Faded(const QPixmap& normal);

private:
    QIcon Source;
    QMap<quint64, QPixmap> FadedBySize; // by width and height
};
