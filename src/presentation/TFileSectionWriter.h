// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TFileData;
class TFileList;
class TResultsSink;

// Writes one found file's section of a results document: its heading, the lines that the view
// shows (read from the file, see TLineSelection), and its footer. A file changed since the
// search, or a ZIP member that cannot be extracted, gets a note instead of its lines. Needs no
// window: the window supplies its message pump, its Stop flag and its progress bar through the
// optional hooks below.
class TFileSectionWriter {
public:
    // How a single file is shown: its matches, the whole file, or the way the last single file
    // was shown (LastFileView).
    enum TViewMode : int { MatchesOnly = 0, WholeFile = 1, AsLastShown = 2 };

    static constexpr std::string_view DocumentTitle = "Quarnel Search Results";

    // A whole-file view of a file of more bytes than this is refused (exactly this many is
    // shown); a matches-only view has no limit. The refusal is a message with these texts.
    static constexpr int64_t WholeFileLimit = 1'000'000;
    static constexpr std::string_view TooLargeCaption = "Can't load file";
    static constexpr std::string_view TooLargeTitle = "The file is too large";
    static std::string TooLargeText(const TFileData& file);

    // Status texts while a view loads.
    static constexpr std::string_view LoadingFileStatus = "Loading file. Press Stop button to abort...";
    static constexpr std::string_view LoadingFilesStatus = "Loading files. Press Stop button to abort...";
    // The Yes/No question when a finished view is too large for the pane (THTMLWin::IsTooLarge);
    // Yes opens the document file with the user's browser.
    static constexpr std::string_view BrowserOfferCaption = "Results file is over 1Gb in size.";
    static constexpr std::string_view BrowserOfferFile =
        "There are too many results to display efficiently in Quarnel. Would you like to load it into your browser?";
    static constexpr std::string_view BrowserOfferAllFiles =
        "There are too many results to display efficiently in Quarnel. Would you like to view them into your browser?";

    explicit TFileSectionWriter(TResultsSink& document);
    ~TFileSectionWriter();
    // Not copyable: owns its private extraction folder.
    TFileSectionWriter(const TFileSectionWriter&) = delete;
    TFileSectionWriter& operator=(const TFileSectionWriter&) = delete;

    // Called before each line is handled, once the stop request has been checked.
    std::function<void()> ProcessPendingMessage;
    // Asked before each line and once after the reading: true ends the section with the
    // "aborted" note, and an all-files view after that file.
    std::function<bool()> StopRequested;
    // Single-file sections only: called at every 100th line with the bytes read so far (line
    // ends not counted). The window shows bytes div 1000 against a maximum of Size div 1000.
    std::function<void(int64_t bytesRead)> Progress;
    // All-files view only: called with a file's index in the list once its section is complete
    // and the view goes on. The window shows it against a maximum of the list's count - 1.
    std::function<void(std::size_t index)> FileWritten;
    // Extracts a ZIP member (`InZip`) to a file of its own and returns that file's path, or an
    // empty text when it cannot. The section deletes the file when it is done with it. Unset:
    // the member is extracted into a private temporary folder of this writer.
    std::function<std::string(const TFileData& member)> ExtractMember;

    // How the last single file was shown, MatchesOnly or WholeFile; kept for AsLastShown. Every
    // section written with WriteSection (and so every file of an all-files view) sets it.
    int LastFileView = MatchesOnly;
    // True when a view in `mode` shows the whole file.
    bool ShowsWholeFile(int mode) const;
    // True when `file` may not be shown in `mode`: the whole file, and over WholeFileLimit.
    bool RefusesWholeFile(const TFileData& file, int mode) const;

    // Writes the section of `file`: every line (`wholeFile`) or the lines in the windows of
    // `matchWindow` lines around its matches. False when it was stopped.
    bool Write(const TFileData& file, bool wholeFile, int matchWindow);
    // The same in a view mode: AsLastShown shows the file as LastFileView says, any other mode
    // is stored into LastFileView first.
    bool WriteSection(const TFileData& file, int mode, int matchWindow);

    // A whole single-file document: begins it, writes the title "Quarnel Search Results" with no
    // subtitle (so that matching lines carry the anchors that match stepping scrolls to) and the
    // toolbar, the section of `file` in `mode`, and finishes it, which loads it into the pane
    // unless it is too large. False when it was stopped; the partial document is still shown.
    // The size limit is not checked here: a caller asks RefusesWholeFile first.
    bool WriteFileView(const TFileData& file, int mode, int matchWindow);

    // A whole all-matches document: begins it, writes the title "Quarnel Search Results" with
    // `subtitle` (the search summary) and the toolbar, the matches of every file of `files` in
    // list order, and finishes it. False when it was stopped: no file after the stopped one is
    // written. The document is then in the builder's document file (THTMLWin::CopyDocumentTo
    // saves it elsewhere).
    bool WriteAllMatches(const TFileList& files, std::string_view subtitle, int matchWindow);

private:
    std::string ExtractToPrivateFolder(const TFileData& member);
    void ClearPrivateFolder();

    TResultsSink& Document;
    std::string PrivateFolder;
    bool InAllFilesView = false;
};
