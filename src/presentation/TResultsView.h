// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "presentation/TResultsSink.h"

struct THTMLOptions;

// The results pane as the document writer sees it: a second sink of every document, which
// builds what the pane shows from the same calls that THTMLWin writes as HTML. The application
// implements it with its results pane; the console front end and the tests pass none.
class TResultsView : public TResultsSink {
public:
    // Called before each BeginDocument: the options the document is written with and the path
    // of the style sheet that it links.
    virtual void UseOptions(const THTMLOptions& /*options*/, const std::string& /*styleSheet*/) {}
    // Shows the document just finished, scrolled to its top; `documentFile` is its HTML file.
    virtual void Show(const std::string& documentFile) = 0;
    // Drops the document being built (it is too large to show); the pane keeps what it shows.
    virtual void Discard() {}
    // Shows nothing: used when a document could not be made at all.
    virtual void Clear() = 0;
};
