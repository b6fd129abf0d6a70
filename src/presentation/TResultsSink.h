// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/TMatch.h"

class TFileData;

// What the writers of a results document (the file sections, the replace report) push, in
// order: a document begins, may have a title, then file sections (a heading, lines, notes, a
// footer) and message lines, and ends. THTMLWin writes them as the HTML file; the results pane
// builds what it shows from the same calls. A call that a sink does not override does nothing.
class TResultsSink {
public:
    virtual ~TResultsSink() = default;

    // Starts a new document. False when it cannot be kept: its writes then go nowhere.
    virtual bool BeginDocument() { return true; }
    // The title block and the toolbar. An empty subtitle makes the document a single-file view,
    // whose matching lines carry anchors. `matchWindow` is the current match window.
    virtual void WriteTitle(std::string_view /*title*/, std::string_view /*subtitle*/, int /*matchWindow*/) {}
    virtual void WriteFileHeader(const TFileData& /*file*/) {}
    // One line of a file, with its number, its bytes and the file's matches: `firstIndex` is the
    // index of the first match that may lie on this line, `filePath` the path the match links
    // open, `piece` which piece of a line too long to be read whole `lineText` is.
    virtual void WriteFileLine(std::string_view /*lineText*/, int64_t /*lineNumber*/, const TMatchList& /*matches*/,
                               std::size_t /*firstIndex*/, std::string_view /*filePath*/, uint32_t /*piece*/ = 0)
    {
    }
    // The mark between two windows of lines that are not adjacent.
    virtual void WriteGapMarker() {}
    // A note inside a file's section, without a line break.
    virtual void WriteNote(std::string_view /*text*/) {}
    // A line of text of its own.
    virtual void WriteMessageLine(std::string_view /*text*/) {}
    virtual void WriteFileFooter() {}
    // Makes what was written so far durable. False when part of it is lost.
    virtual bool FlushDocument() { return true; }
    // Ends the document. True when the whole document was kept.
    virtual bool FinishDocument() { return true; }
};
