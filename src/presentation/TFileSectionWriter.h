#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TFileData;
class TFileList;
class THTMLWin;

// Writes one found file's section of a results document: its heading, the lines that the view
// shows (read from the file, see TLineSelection), and its footer. A file changed since the
// search, or a ZIP member that cannot be extracted, gets a note instead of its lines. Needs no
// window: the window supplies its message pump, its Stop flag and its progress bar through the
// optional hooks below.
class TFileSectionWriter {
public:
    explicit TFileSectionWriter(THTMLWin& document);
    ~TFileSectionWriter();
    // Not copyable: owns its private extraction folder.
    TFileSectionWriter(const TFileSectionWriter&) = delete;
    TFileSectionWriter& operator=(const TFileSectionWriter&) = delete;

    // Called before each line is handled, once the stop request has been checked.
    std::function<void()> ProcessPendingMessage;
    // Asked before each line and once after the reading: true ends the section with the
    // "aborted" note.
    std::function<bool()> StopRequested;
    // Called at every 100th line with the bytes read so far (line ends not counted).
    std::function<void(int64_t bytesRead)> Progress;
    // Extracts a ZIP member (`InZip`) to a file of its own and returns that file's path, or an
    // empty text when it cannot. The section deletes the file when it is done with it. Unset:
    // the member is extracted into a private temporary folder of this writer.
    std::function<std::string(const TFileData& member)> ExtractMember;

    // Writes the section of `file`: every line (`wholeFile`) or the lines in the windows of
    // `matchWindow` lines around its matches. False when it was stopped.
    bool Write(const TFileData& file, bool wholeFile, int matchWindow);

    // A whole all-matches document: begins it, writes the title "Quarnel Search Results" with
    // `subtitle` (the search summary) and the toolbar, the matches of every file of `files` in
    // list order, and finishes it. False when it was stopped. The document is then in the
    // builder's document file (THTMLWin::CopyDocumentTo saves it elsewhere).
    bool WriteAllMatches(const TFileList& files, std::string_view subtitle, int matchWindow);

private:
    std::string ExtractToPrivateFolder(const TFileData& member);
    void ClearPrivateFolder();

    THTMLWin& Document;
    std::string PrivateFolder;
};
