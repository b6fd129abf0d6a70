#pragma once

#include <string>

// The results pane as the document builder sees it. The application implements it with its
// HTML view widget; the console front end and the tests pass none or a recording stand-in.
class TResultsView {
public:
    virtual ~TResultsView() = default;
    // Shows the finished document in the file at `path`, scrolled to its top.
    virtual void Load(const std::string& path) = 0;
    // Shows nothing: used when a document could not be made at all.
    virtual void Clear() = 0;
};
