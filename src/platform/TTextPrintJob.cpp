// SPDX-License-Identifier: MIT
#include "platform/TTextPrintJob.h"

#include <QFontMetricsF>
#include <QPrinter>

TTextPrintJob::~TTextPrintJob()
{
    if (IsOpen())
        Close();
}

bool TTextPrintJob::Open(QPrinter& printer, const QFont& font)
{
    if (IsOpen())
        return false;
    Failed = false;
    if (!Painter.begin(&printer))
        return false;
    Printer = &printer;
    // The font's point size is measured on the printer, not on the screen.
    Font = QFont(font, &printer);
    Painter.setFont(Font);
    Painter.setPen(Qt::black);
    const QFontMetricsF metrics(Font, &printer);
    LineHeight = metrics.lineSpacing();
    Ascent = metrics.ascent();
    // The painter's origin is the top left corner of the printable area.
    PageWidth = printer.width();
    PageHeight = printer.height();
    Top = 0;
    if (PrinterFailed()) {
        Failed = true;
        return false;
    }
    return true;
}

bool TTextPrintJob::WriteLine(const QString& line)
{
    if (!IsOpen() || Failed)
        return false;
    QString rest = line;
    do {
        const qsizetype length = FittingLength(rest);
        if (!PrintRow(rest.left(length))) {
            Failed = true;
            return false;
        }
        rest.remove(0, length);
    } while (!rest.isEmpty());
    return true;
}

bool TTextPrintJob::Close()
{
    if (!IsOpen())
        return false;
    const bool ended = Painter.end();
    const bool ok = ended && !Failed && !PrinterFailed();
    Printer = nullptr;
    return ok;
}

bool TTextPrintJob::PrintRow(const QString& text)
{
    // A page holds at least one line, however tall the font.
    if (Top > 0 && Top + LineHeight > PageHeight) {
        if (!Printer->newPage())
            return false;
        Top = 0;
    }
    Painter.drawText(QPointF(0, Top + Ascent), text);
    Top += LineHeight;
    return !PrinterFailed();
}

bool TTextPrintJob::PrinterFailed() const
{
    const QPrinter::PrinterState state = Printer->printerState();
    return state == QPrinter::Error || state == QPrinter::Aborted;
}

qsizetype TTextPrintJob::FittingLength(const QString& text) const
{
    const QFontMetricsF metrics(Font, Printer);
    if (metrics.horizontalAdvance(text) <= PageWidth)
        return text.size();
    // The longest start that fits, found by halving; the advance grows with the length.
    qsizetype fits = 0;
    qsizetype tooLong = text.size();
    while (tooLong - fits > 1) {
        const qsizetype middle = fits + (tooLong - fits) / 2;
        if (metrics.horizontalAdvance(text.left(middle)) <= PageWidth)
            fits = middle;
        else
            tooLong = middle;
    }
    if (fits == 0)
        fits = 1;
    if (fits < text.size() && text.at(fits - 1).isHighSurrogate())
        fits = fits > 1 ? fits - 1 : 2;
    return fits;
}
