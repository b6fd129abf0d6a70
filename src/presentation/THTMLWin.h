// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/TOpenFile.h"
#include "model/TMatch.h"
#include "presentation/THTMLOptions.h"
#include "presentation/TResultsSink.h"

class TFileData;
class TResultsView;
class TSettingsStore;

// The sink that writes the results documents (the search notes, the matches of all files, one
// file's matches or the whole file, the replace report) as HTML, and feeds the same calls to the
// results pane, which builds what it shows from them.
//
// A document is streamed, one write at a time, into a private temporary file ("~qn....htm",
// made exclusively in the temporary folder) and is never held in memory. Each write becomes one
// line of the file and adds its length to WrittenCount (the line ends are not counted).
// FinishDocument closes the file and has the pane show it unless it is too large; the pane stops
// building a document as soon as it grows too large. At most one document file exists at a
// time: beginning a new document deletes the previous file, and the builder deletes its last
// file when it goes. Single-threaded.
class THTMLWin : public TResultsSink {
public:
    // Documents of more characters than this are not loaded into the pane.
    static constexpr int64_t LoadLimit = 10'000'000;
    static constexpr std::string_view CheckMark = "&#x2714;";

    // `viewer` is fed every call of each document and shows it when it is finished; it may be
    // null (console, tests) and is not owned.
    // `programFolder` is the folder that holds "style.css", without a trailing separator.
    THTMLWin(TResultsView* viewer, std::string programFolder);
    ~THTMLWin() override;
    // Not copyable: the builder owns its document file.
    THTMLWin(const THTMLWin&) = delete;
    THTMLWin& operator=(const THTMLWin&) = delete;

    THTMLOptions Options;
    // Where document files are made; empty means the platform's temporary folder.
    std::string TempFolder;

    // Reads the "RTF Data" options (see THTMLOptions::Load).
    void LoadOptions(const TSettingsStore& store);
    // Deletes the document file and writes the "RTF Data" options; called once, at shutdown.
    void SaveOptions(TSettingsStore& store);

    // Deletes the previous document file and starts a new document with its head. False when
    // the file could not be made: the writes of this document then go nowhere, and finishing
    // it shows an empty pane.
    bool BeginDocument() override;
    // The title block and the toolbar, when the title-and-menu option is on. An empty subtitle
    // makes the document a single-file view, whose matching lines carry anchors. `matchWindow`
    // is the current match window, which the toolbar marks.
    void WriteTitle(std::string_view title, std::string_view subtitle, int matchWindow) override;
    void WriteFileHeader(const TFileData& file) override;
    // One line of a file. `matches` is the file's match list, `firstIndex` the index of the
    // first match that may lie on this line, `filePath` the path the match links open. `piece`
    // tells which piece of a line too long to be read whole `lineText` is.
    void WriteFileLine(std::string_view lineText, int64_t lineNumber, const TMatchList& matches,
                       std::size_t firstIndex, std::string_view filePath, uint32_t piece = 0) override;
    // "&nbsp;<br>" in the whole-line view with file contents shown; otherwise nothing.
    void WriteGapMarker() override;
    // The escaped text, without a line break.
    void WriteNote(std::string_view text) override;
    // The escaped text and a line break.
    void WriteMessageLine(std::string_view text) override;
    void WriteFileFooter() override;
    // Writes what the document holds so far to its file now. False when the document has no
    // file or a write to it failed: the document then lacks part of what was written to it.
    bool FlushDocument() override;
    // Writes the document's end and closes it, then loads it into the viewer unless it is too
    // large. True when the whole document reached its file.
    bool FinishDocument() override;
    // True when the last document holds more than LoadLimit characters; exactly LoadLimit
    // still loads.
    bool IsTooLarge() const { return Written > LoadLimit; }
    // Full path of the current document file; empty before the first document.
    const std::string& DocumentFileName() const { return FileName; }
    // Copies the finished document to `path`, replacing an existing file. The copy is written
    // beside `path` under a temporary name and renamed over it only when complete, so a failed
    // copy never leaves a half-written file. False on any failure, or when there is no
    // complete, finished document.
    bool CopyDocumentTo(const std::string& path) const;
    // An empty document: the pane shows a blank page.
    void ClearView();

    bool IsSingleFileView() const { return SingleFileView; }
    int64_t WrittenCount() const { return Written; }

    // The line number as documents show it: at least five digits, then a colon ("00012:").
    static std::string NumberText(int64_t lineNumber);
    // The name a file's heading shows: its path, or a ZIP member's archive and name.
    static std::string HeadingText(const TFileData& file);
    // The path of the style sheet that documents link, as the head writes it.
    std::string StyleSheetPath() const { return ProgramFolder + "/style.css"; }

private:
    void Write(std::string_view text);
    void WriteToolbar(int matchWindow);
    void AppendMatchLink(std::string& out, std::string_view text, int64_t lineNumber, const TMatch& match,
                         std::string_view filePath) const;
    // The pane while it builds the current document; null when there is none or it stopped.
    TResultsView* Pane() const { return Feeding ? Viewer : nullptr; }
    void DeleteDocumentFile();
    std::string MakeDocumentFile() const;

    TResultsView* Viewer;
    std::string ProgramFolder;
    TOpenFile Output;
    std::string FileName;
    bool InProgress = false;  // between BeginDocument and FinishDocument
    bool Complete = false;    // the last finished document reached its file whole
    bool SingleFileView = false;
    bool Feeding = false;     // the pane builds the current document
    // 64 bits: a document is written whole however large it grows.
    int64_t Written = 0;
};
