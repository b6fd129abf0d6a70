// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "presentation/TResultsSink.h"

// A replace or undo report printed on the console: each message of a file's section as one line
// "<path>: <message>", a message outside a section as it is. Messages that say a file was not
// replaced or restored are left out: the console names those files on standard error.
class TConsoleReport : public TResultsSink {
public:
    explicit TConsoleReport(std::ostream& out) : Out(out) {}

    // Nothing is printed while false (a report that is kept as CSV instead).
    bool Printing = true;

    void WriteFileHeader(const TFileData& file) override;
    void WriteMessageLine(std::string_view text) override;
    void WriteFileFooter() override { Path.clear(); }
    bool FlushDocument() override;

private:
    std::ostream& Out;
    std::string Path;
};
