// SPDX-License-Identifier: MIT
// Renders a square SVG icon to a PNG of a fixed size, for the icon theme's per-size folders.
// Usage: quarnel-render-icon <icon.svg> <size> <icon.png>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool sizeOk = false;
    const int size = args.size() == 4 ? args[2].toInt(&sizeOk) : 0;
    if (!sizeOk || size <= 0) {
        std::fprintf(stderr, "usage: quarnel-render-icon <icon.svg> <size> <icon.png>\n");
        return 2;
    }

    QImageReader reader(args[1]);
    // Fit the drawing into the square, keeping its proportions, before it is rasterised.
    QSize scaled = reader.size().isValid() ? reader.size() : QSize(size, size);
    scaled.scale(size, size, Qt::KeepAspectRatio);
    reader.setScaledSize(scaled);
    const QImage drawing = reader.read();
    if (drawing.isNull()) {
        std::fprintf(stderr, "quarnel-render-icon: cannot read %s: %s\n", qPrintable(args[1]),
                     qPrintable(reader.errorString()));
        return 1;
    }

    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.drawImage((size - drawing.width()) / 2, (size - drawing.height()) / 2, drawing);
    painter.end();
    if (!icon.save(args[3], "PNG")) {
        std::fprintf(stderr, "quarnel-render-icon: cannot write %s\n", qPrintable(args[3]));
        return 1;
    }
    return 0;
}
