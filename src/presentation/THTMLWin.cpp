// SPDX-License-Identifier: MIT
#include "presentation/THTMLWin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "model/TAtomicFile.h"
#include "model/TFileData.h"
#include "model/TLeftovers.h"
#include "model/TRegularFile.h"
#include "model/TTextDecoder.h"
#include "presentation/THTMLEscape.h"
#include "presentation/THTMLLink.h"
#include "presentation/TLineLayout.h"
#include "presentation/TResultsView.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view MatchStart = "<FONT class=match>";
constexpr std::string_view NumberStart = "<FONT class=number>";
constexpr std::string_view FontEnd = "</FONT>";
constexpr std::string_view LineBreak = "<br>";

std::string_view Mark(bool on)
{
    return on ? THTMLWin::CheckMark : std::string_view();
}

std::string TemporaryFolder()
{
    std::error_code error;
    const fs::path folder = fs::temp_directory_path(error);
    return error ? std::string("/tmp") : folder.string();
}

// A saved copy keeps the permissions of the file it replaces where it can; it is written over
// the name as given, a symbolic link included.
constexpr TAtomicFile::TOptions CopyOptions{
    .TemporaryPrefix = {},  // set per target: "." + its name + ".~"
    .TemporarySuffix = "",
    .NewFileMode = 0666,
    .PermissionsRequired = false,
    .KeepOwner = false,
    .SyncFile = true,
    .SyncFolder = false,
};

}

THTMLWin::THTMLWin(TResultsView* viewer, std::string programFolder)
    : Viewer(viewer), ProgramFolder(std::move(programFolder))
{
}

THTMLWin::~THTMLWin()
{
    if (InProgress)
        Output.CloseFile();
    DeleteDocumentFile();
}

void THTMLWin::LoadOptions(const TSettingsStore& store)
{
    Options.Load(store);
}

void THTMLWin::SaveOptions(TSettingsStore& store)
{
    if (InProgress) {
        Output.CloseFile();
        InProgress = false;
    }
    if (Feeding) {
        Feeding = false;
        Viewer->Discard();
    }
    DeleteDocumentFile();
    Options.Save(store);
}

std::string THTMLWin::NumberText(int64_t lineNumber)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.5" PRId64 ":", lineNumber);
    return text;
}

void THTMLWin::Write(std::string_view text)
{
    if (!InProgress)
        return;
    Written += static_cast<int64_t>(text.size());
    if (Output.IsOpen())
        Output.WriteLine(text);
    if (Feeding && IsTooLarge()) {
        // The pane will not show it: it stops building at once instead of at the end.
        Feeding = false;
        Viewer->Discard();
    }
}

void THTMLWin::DeleteDocumentFile()
{
    if (!FileName.empty())
        ::unlink(FileName.c_str());
    FileName.clear();
    Complete = false;
}

// The file is made exclusively, with a name nobody else can predict and for the user alone, so
// that neither another program copy nor another user can share it or plant a link in its place.
std::string THTMLWin::MakeDocumentFile() const
{
    std::string path;
    // Named after this process, so that a later start can tell it was left by a killed one.
    const int fd = TAtomicFile::CreateUnique(TempFolder.empty() ? TemporaryFolder() : TempFolder,
                                             TLeftovers::FilePrefix(TLeftovers::DocumentPrefix),
                                             TLeftovers::DocumentSuffix, 0600, path);
    if (fd < 0)
        return {};
    ::close(fd);
    return path;
}

bool THTMLWin::BeginDocument()
{
    if (InProgress)
        Output.CloseFile();
    if (Feeding)
        Viewer->Discard();
    DeleteDocumentFile();
    InProgress = true;
    Written = 0;
    SingleFileView = false;

    FileName = MakeDocumentFile();
    const bool opened = !FileName.empty() && Output.OpenWrite(FileName);
    if (!opened)
        DeleteDocumentFile();

    std::string head = "<HTML><HEAD><TITLE>Quarnel 2.3 Output</TITLE><link rel=\"stylesheet\" type=\"text/css\" href=\"";
    THTMLEscape::Append(head, StyleSheetPath());
    head += "\"></HEAD><BODY>";
    Feeding = opened && Viewer;
    if (Feeding) {
        Viewer->UseOptions(Options, StyleSheetPath());
        Viewer->BeginDocument();
    }
    Write(head);
    return opened;
}

void THTMLWin::WriteTitle(std::string_view title, std::string_view subtitle, int matchWindow)
{
    SingleFileView = subtitle.empty();
    if (TResultsView* pane = Pane())
        pane->WriteTitle(title, subtitle, matchWindow);
    if (!Options.TitleAndMenu)
        return;
    if (Options.FancyOutput) {
        Write("<TABLE BORDER=0 cellspacing=0 cellpadding=3 WIDTH=100%>");
        Write("<TR><TD class=header>" + THTMLEscape::Escape(title) + "</td></tr>");
        Write("<TR><TD class=subheader>" + THTMLEscape::Escape(subtitle) + "</td></tr>");
        Write("</table><br>");
        WriteToolbar(matchWindow);
        Write("<br>&nbsp;<br>");
    } else {
        Write("<b>" + THTMLEscape::Escape(title) + "<br>" + THTMLEscape::Escape(subtitle) + "</b><br><br>");
        WriteToolbar(matchWindow);
        Write("<br><hr><br>");
    }
}

void THTMLWin::WriteToolbar(int matchWindow)
{
    const THTMLOptions& o = Options;
    Write(std::string("<a href=TogglePlain>") + (o.FancyOutput ? "Plain" : "Fancy") + "</a> | ");
    Write(std::string("<a href=ToggleFileContents>File contents</a> ").append(Mark(o.ShowFileContents)));
    if (!o.ShowFileContents)
        return;
    Write(std::string(" | <a href=ToggleFilenames>File names</a> ").append(Mark(o.FileNames)).append(" | "));
    Write(std::string("<a href=ToggleLineNumbers>Line numbers</a> ").append(Mark(o.LineNumbers)).append(" | "));
    Write(std::string("<a href=ToggleMatchesOnly>Whole line</a> ").append(Mark(!o.MatchesOnly)).append(" | "));
    if (o.FancyOutput)
        Write(std::string("<a href=ToggleWordWrap>Word wrap</a> ").append(Mark(o.WordWrap)).append(" | "));
    Write(std::string("<a href=ToggleFixedFont>Fixed Font</a> ").append(Mark(o.FixedFont)).append(" | "));
    Write("Match window: +/- ");
    for (int w = 0; w <= 5; ++w) {
        const std::string digit = std::to_string(w);
        Write("<a href=SMW" + digit + ">" + digit + "</a>" + std::string(Mark(matchWindow == w)) +
              (w < 5 ? " | " : " lines"));
    }
}

std::string THTMLWin::HeadingText(const TFileData& file)
{
    return file.InZip ? file.ZipName + "/" + file.FileName : file.FullPath;
}

void THTMLWin::WriteFileHeader(const TFileData& file)
{
    if (TResultsView* pane = Pane())
        pane->WriteFileHeader(file);
    if (Options.FileNames) {
        const std::string name = THTMLEscape::Escape(HeadingText(file));
        if (Options.FancyOutput) {
            Write("<TABLE BORDER=0 cellspacing=0 cellpadding=3 width=100%><TR><TD class=fileheader>");
            Write(name);
            Write("</td>");
            Write("</table>");
            Write(std::string("<table border=0 cellpadding=3 cellspacing=0 WIDTH=") +
                  (Options.WordWrap ? "100%" : "5000") + "><tr><td>");
        } else {
            Write("<b>");
            Write(name);
            Write("</b><br>");
        }
    }
    if (Options.FixedFont)
        Write("<pre>");
}

void THTMLWin::WriteFileFooter()
{
    if (TResultsView* pane = Pane())
        pane->WriteFileFooter();
    if (Options.FixedFont)
        Write("</pre>");
    if (!Options.FileNames)
        return;
    Write("");
    if (Options.FancyOutput)
        Write("</TD></TR></TABLE>&nbsp;");
    else if (Options.ShowFileContents)
        Write("<br>");
}

void THTMLWin::AppendMatchLink(std::string& out, std::string_view text, int64_t lineNumber, const TMatch& match,
                               std::string_view filePath) const
{
    out += "<a href=\"";
    THTMLLink::AppendOpenFileAttribute(out, filePath, lineNumber, match.StartPos);
    out += "\">";
    out += MatchStart;
    THTMLEscape::Append(out, text);
    out += FontEnd;
    out += "</a>";
}

void THTMLWin::WriteFileLine(std::string_view lineText, int64_t lineNumber, const TMatchList& matches,
                             std::size_t firstIndex, std::string_view filePath, uint32_t piece)
{
    if (!Options.ShowFileContents)
        return;
    if (TResultsView* pane = Pane())
        pane->WriteFileLine(lineText, lineNumber, matches, firstIndex, filePath, piece);
    const TLineLayout layout(lineText, TLinePlace{lineNumber, piece}, matches, firstIndex);
    const std::string number = NumberText(lineNumber);

    std::string text;
    if (Options.MatchesOnly) {
        for (const TMatch& match : layout) {
            text.assign(NumberStart);
            if (Options.LineNumbers)
                text += number;
            text += FontEnd;
            text += ' ';
            AppendMatchLink(text, layout.MatchText(match), lineNumber, match, filePath);
            text += LineBreak;
            Write(text);
        }
        return;
    }

    const bool matching = layout.HasMatches();
    if (matching && SingleFileView)
        text.append("<a class=matchingline name=Line").append(number).append(">");
    if (Options.LineNumbers) {
        if (matching)
            text.append(NumberStart).append(number).append(FontEnd);
        else
            text += number;
    }
    text += ' ';
    for (const TLineLayout::TRun& run : layout.Runs()) {
        if (run.Match)
            AppendMatchLink(text, run.Text, lineNumber, *run.Match, filePath);
        else
            THTMLEscape::Append(text, run.Text);
    }
    if (matching && SingleFileView)
        text += "</a>";
    text += LineBreak;
    Write(text);
}

void THTMLWin::WriteGapMarker()
{
    if (TResultsView* pane = Pane())
        pane->WriteGapMarker();
    if (!Options.MatchesOnly && Options.ShowFileContents)
        Write("&nbsp;<br>");
}

void THTMLWin::WriteNote(std::string_view text)
{
    if (TResultsView* pane = Pane())
        pane->WriteNote(text);
    Write(THTMLEscape::Escape(text));
}

void THTMLWin::WriteMessageLine(std::string_view text)
{
    if (TResultsView* pane = Pane())
        pane->WriteMessageLine(text);
    Write(THTMLEscape::Escape(text) + std::string(LineBreak));
}

bool THTMLWin::FlushDocument()
{
    return InProgress && Output.Flush();
}

bool THTMLWin::FinishDocument()
{
    if (!InProgress)
        return false;
    Write("</BODY></HTML>");
    InProgress = false;
    Complete = Output.CloseFile();
    if (FileName.empty()) {
        if (Viewer)
            Viewer->Clear();
        return false;
    }
    if (TResultsView* pane = Pane()) {
        Feeding = false;
        pane->FinishDocument();
        pane->Show(FileName);
    }
    return Complete;
}

void THTMLWin::ClearView()
{
    BeginDocument();
    FinishDocument();
}

bool THTMLWin::CopyDocumentTo(const std::string& path) const
{
    if (InProgress || !Complete || FileName.empty() || path.empty())
        return false;
    const fs::path target(path);
    if (!target.has_filename())
        return false;

    const int source = TRegularFile::OpenForReading(FileName);
    if (source < 0)
        return false;
    TAtomicFile::TOptions options = CopyOptions;
    const std::string prefix = "." + target.filename().string() + ".~";
    options.TemporaryPrefix = prefix;
    TAtomicFile copy(options);
    if (!copy.Open(path)) {
        ::close(source);
        return false;
    }

    const bool ok = TAtomicFile::CopyAll(source, copy.Descriptor());
    ::close(source);
    if (!ok)
        return false;  // the temporary copy goes with `copy`
    // A replaced file keeps its permissions, as an overwritten file would.
    struct stat existing;
    const bool replacing = ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    return copy.Commit(replacing ? &existing : nullptr);
}
