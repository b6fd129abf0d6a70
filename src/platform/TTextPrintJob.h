// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QPainter>
#include <QString>

class QPrinter;

// Prints lines of plain text on a printer, one under the other in one font, starting a new page
// when a page is full. A line wider than the page goes on over as many lines as it needs, so
// nothing is cut off at the right margin.
//
// Open, write the lines, Close. Every step reports whether the printer took it; after a failure
// the job stays open until Close (or the destructor) ends it, so the printer is always released.
class TTextPrintJob {
public:
    TTextPrintJob() = default;
    ~TTextPrintJob();
    TTextPrintJob(const TTextPrintJob&) = delete;
    TTextPrintJob& operator=(const TTextPrintJob&) = delete;

    // Starts a job on `printer` (which must outlive the job) with `font`. False when the
    // printer cannot be started, for instance when its output file cannot be written.
    bool Open(QPrinter& printer, const QFont& font);
    // Prints one line below the last. False when the job is not open or the printer failed.
    bool WriteLine(const QString& line);
    // Ends the job and releases the printer. False when the printer failed at any point, or
    // when there was no open job. Calling it again does nothing and gives false.
    bool Close();
    bool IsOpen() const { return Printer != nullptr; }

private:
    bool PrintRow(const QString& text);
    bool PrinterFailed() const;
    // The length of the longest start of `text` that fits the page's width (at least one
    // character, never half of a surrogate pair).
    qsizetype FittingLength(const QString& text) const;

    QPrinter* Printer = nullptr;
    QPainter Painter;
    QFont Font;
    double PageWidth = 0;
    double PageHeight = 0;
    double LineHeight = 0;
    double Ascent = 0;
    // Top of the next line on the current page.
    double Top = 0;
    bool Failed = false;
};
