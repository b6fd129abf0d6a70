// SPDX-License-Identifier: MIT
#include "presentation/TFileSectionWriter.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "engine/TOpenFile.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TLeftovers.h"
#include "presentation/TResultsSink.h"
#include "presentation/TLineSelection.h"
#include "presentation/TMemberExtraction.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view ExtractFailedNote = "  An error occured when extracting this file from the ZIP archive. ";
constexpr std::string_view ZipFoldersNote =
    "  It could be because it is in a folder within the ZIP. Quarnel cannot currently extract from ZIPs with folders.";
constexpr std::string_view ChangedNote =
    "  This file has been changed or deleted since it was searched, so it cannot be displayed.";
constexpr std::string_view AbortedNote = "** File loading aborted by user ** ";
constexpr int ProgressStep = 100;

}

TFileSectionWriter::TFileSectionWriter(TResultsSink& document) : Document(document)
{
}

TFileSectionWriter::~TFileSectionWriter()
{
    if (!PrivateFolder.empty()) {
        std::error_code error;
        fs::remove_all(PrivateFolder, error);
    }
}

// The folder is made fresh and private (mkdtemp), so an extracted member never meets a file of
// the same name and no overwrite question arises. A member is placed below its archive folders
// there, which the folder is emptied of after each section.
std::string TFileSectionWriter::ExtractToPrivateFolder(const TFileData& member)
{
    if (PrivateFolder.empty()) {
        // Named after this process, so that a later start can tell it was left by a killed one.
        std::string pattern = TLeftovers::FolderPattern(TLeftovers::ViewFolderPrefix);
        if (!::mkdtemp(pattern.data()))
            return {};
        PrivateFolder = pattern;
    }
    std::string path;
    TMemberExtraction::Extract(member, PrivateFolder, {}, path, TMemberExtraction::TPlacement::InItsFolders);
    return path;
}

void TFileSectionWriter::ClearPrivateFolder()
{
    if (PrivateFolder.empty())
        return;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(PrivateFolder, error))
        fs::remove_all(entry.path(), error);
}

bool TFileSectionWriter::Write(const TFileData& file, bool wholeFile, int matchWindow)
{
    const auto stopRequested = [this] { return StopRequested && StopRequested(); };

    Document.WriteFileHeader(file);

    std::string readPath = file.FullPath;
    std::string extracted;
    if (file.InZip) {
        extracted = ExtractMember ? ExtractMember(file) : ExtractToPrivateFolder(file);
        if (extracted.empty()) {
            Document.WriteNote(ExtractFailedNote);
            Document.WriteNote(ZipFoldersNote);
            Document.WriteFileFooter();
            if (!ExtractMember)
                ClearPrivateFolder();
            return true;
        }
        readPath = extracted;
    } else if (file.IsFileChanged()) {
        Document.WriteNote(ChangedNote);
        Document.WriteFileFooter();
        return !stopRequested();
    }

    TOpenFile reader;
    reader.OpenRead(readPath, file.EndsWithNewline, file.FileType);
    TLineSelection selection(file.Matches, matchWindow, wholeFile);
    int64_t bytesRead = 0;
    std::string_view line;
    while (!stopRequested()) {
        const int length = reader.ReadLine(line);
        if (length == TOpenFile::EndOfLines)
            break;
        if (ProcessPendingMessage)
            ProcessPendingMessage();
        // The pieces of a line too long to come whole share its number.
        const TLinePlace place = reader.Place();
        bytesRead += length;
        if (Progress && !InAllFilesView && place.Piece == 0 && place.Line % ProgressStep == 0)
            Progress(bytesRead);
        const TLineSelection::TStep step = selection.Next(place.Line, place.Piece);
        if (step.GapMarker)
            Document.WriteGapMarker();
        if (step.WriteLine)
            Document.WriteFileLine(line, place.Line, file.Matches, step.FirstIndex, file.FullPath, place.Piece);
        if (step.StopReading)
            break;
    }
    reader.CloseFile();

    const bool stopped = stopRequested();
    if (stopped)
        Document.WriteNote(AbortedNote);
    Document.WriteFileFooter();
    if (!extracted.empty()) {
        ::unlink(extracted.c_str());
        if (!ExtractMember)
            ClearPrivateFolder();
    }
    return !stopped;
}

bool TFileSectionWriter::WriteAllMatches(const TFileList& files, std::string_view subtitle, int matchWindow)
{
    Document.BeginDocument();
    Document.WriteTitle(DocumentTitle, subtitle, matchWindow);
    InAllFilesView = true;
    bool completed = true;
    for (std::size_t i = 0; i < files.Count() && completed; ++i) {
        completed = WriteSection(files.Item(i), MatchesOnly, matchWindow);
        if (completed && FileWritten)
            FileWritten(i);
    }
    InAllFilesView = false;
    Document.FinishDocument();
    return completed;
}

std::string TFileSectionWriter::TooLargeText(const TFileData& file)
{
    return "Quarnel cannot load " + file.FileName + " because it is over 1 Mb in size.";
}

bool TFileSectionWriter::ShowsWholeFile(int mode) const
{
    return (mode == AsLastShown ? LastFileView : mode) == WholeFile;
}

bool TFileSectionWriter::RefusesWholeFile(const TFileData& file, int mode) const
{
    return ShowsWholeFile(mode) && file.Size > WholeFileLimit;
}

bool TFileSectionWriter::WriteSection(const TFileData& file, int mode, int matchWindow)
{
    if (mode != AsLastShown)
        LastFileView = mode == WholeFile ? WholeFile : MatchesOnly;
    return Write(file, LastFileView == WholeFile, matchWindow);
}

bool TFileSectionWriter::WriteFileView(const TFileData& file, int mode, int matchWindow)
{
    Document.BeginDocument();
    Document.WriteTitle(DocumentTitle, "", matchWindow);
    const bool completed = WriteSection(file, mode, matchWindow);
    Document.FinishDocument();
    return completed;
}
