// SPDX-License-Identifier: MIT
#include "replace/TReplaceEngine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <utility>

#include "engine/TOpenFile.h"
#include "model/TAtomicFile.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TProgramData.h"
#include "presentation/TResultsSink.h"
#include "replace/TReplaceData.h"
#include "replace/TReplaceOutput.h"

namespace {

constexpr std::string_view BackupExtension = ".bak";
constexpr std::string_view NewFileExtension = ".new";

// The replacement of the original keeps every permission bit it had; copies beside it (the new
// file, the backup) keep the read, write and execute bits only, so that a private file does not
// get a readable copy and no copy becomes a set-id program.
constexpr mode_t ReplacementModeBits = 07777;
constexpr mode_t CopyModeBits = 0777;

std::string_view LineEndBytes(TOpenFile::LineEnd end)
{
    switch (end) {
    case TOpenFile::LineEnd::LF:
        return "\n";
    case TOpenFile::LineEnd::CRLF:
        return "\r\n";
    case TOpenFile::LineEnd::None:
        break;
    }
    return {};
}

std::string Stem(const TFileData& file, bool shortFilenames)
{
    return shortFilenames ? file.PathWithoutExt : file.FullPath;
}

} // namespace

TReplaceEngine::TReplaceEngine(const TReplaceData& options, const TProgramData& program, TResultsSink& report)
    : Options(options), Program(program), Report(report)
{
}

void TReplaceEngine::SetNotifications(TReplaceNotifications notifications)
{
    Notify = std::move(notifications);
}

std::string TReplaceEngine::BackupFileName(const TFileData& file, bool shortFilenames)
{
    return Stem(file, shortFilenames) + std::string(BackupExtension);
}

std::string TReplaceEngine::NewFileName(const TFileData& file, bool shortFilenames)
{
    return Stem(file, shortFilenames) + std::string(NewFileExtension);
}

void TReplaceEngine::SetJournal(TReplaceJournal* journal, std::string searchText)
{
    Journal = journal;
    JournalSearch = std::move(searchText);
}

void TReplaceEngine::Message(std::string_view text)
{
    Report.WriteMessageLine(text);
}

void TReplaceEngine::Refuse(const TFileData& file, std::string_view text)
{
    Message(text);
    if (Notify.NotReplaced)
        Notify.NotReplaced(file.FullPath, text);
}

// Records the run in the journal before any file is touched. False refuses the whole run, and
// the report says why.
bool TReplaceEngine::BeginJournalRun()
{
    RunRefused = false;
    OwnRun = false;
    LastRun = 0;
    if (!Journal || DryRun)
        return true;
    if (Journal->InRun()) {
        LastRun = Journal->CurrentRunNumber();
        return true;
    }
    TReplaceJournal::TRunInfo run;
    run.SearchText = JournalSearch;
    run.Replacement = Options.ReplaceString;
    run.Overwrite = Options.Overwrite != 0;
    run.MakeBackup = Options.MakeBackup;
    if (!Journal->BeginRun(run)) {
        RunRefused = true;
        Message(std::string(JournalRefusal) + Journal->Error());
        Report.FlushDocument();
        if (Notify.NotReplaced)
            Notify.NotReplaced(std::string(), std::string(JournalRefusal) + Journal->Error());
        return false;
    }
    OwnRun = true;
    LastRun = Journal->CurrentRunNumber();
    return true;
}

void TReplaceEngine::EndJournalRun()
{
    if (OwnRun && Journal)
        Journal->EndRun();
    OwnRun = false;
}

void TReplaceEngine::ProcessPendingMessage()
{
    if (Notify.ProcessPendingMessage)
        Notify.ProcessPendingMessage();
}

void TReplaceEngine::ReplaceFiles(const TFileList& files)
{
    Loss = {};
    if (!BeginJournalRun())
        return;
    // The count is asked each time round: the list is the caller's.
    for (std::size_t i = 0; i < files.Count(); ++i) {
        const TFileData& file = files.Item(i);
        if (Notify.ShowStatus)
            Notify.ShowStatus(std::string(StatusPrefix) + file.FullPath);
        ProcessPendingMessage();
        if (ReplaceOne(file))
            break;
    }
    EndJournalRun();
}

bool TReplaceEngine::ReplaceFile(const TFileData& file)
{
    Loss = {};
    if (!BeginJournalRun())
        return true;
    const bool end = ReplaceOne(file);
    EndJournalRun();
    return end;
}

bool TReplaceEngine::ReplaceOne(const TFileData& file)
{
    Loss = {};
    // The report is part of the replace: a file is touched only after its heading has reached
    // the report's file, and the run ends as soon as the report cannot take what follows.
    Report.WriteFileHeader(file);
    if (!Report.FlushDocument()) {
        Loss.FullPath = file.FullPath;
        return true;
    }
    TRewritten outcome = TRewritten::Untouched;
    if (file.FileType != TFileData::Text)
        Refuse(file, BinaryRefusal);
    else if (file.InZip)
        Refuse(file, ZipRefusal);
    else if (file.IsFileChanged())
        Refuse(file, ChangedRefusal);
    else
        outcome = Rewrite(file);
    Report.WriteFileFooter();
    if (!Report.FlushDocument()) {
        Loss.FullPath = file.FullPath;
        Loss.Replaced = outcome == TRewritten::Changed;
        return true;
    }
    return outcome == TRewritten::CancelledAll;
}

bool TReplaceEngine::Asks() const
{
    return Options.Confirmation != 0 && Notify.Confirm && !DryRun;
}

TReplaceAnswer TReplaceEngine::Ask(const TFileData& file, int64_t lineNumber, std::string_view current,
                                   std::string_view candidate)
{
    if (!Asks())
        return TReplaceAnswer::Yes;
    return Notify.Confirm(TReplaceQuestion{file.FullPath, lineNumber, current, candidate});
}

// Copies the original into `output` line by line, rebuilding the lines that hold recorded
// matches. Each line keeps its own line end, so that the copy differs from the original only
// inside the replaced spans. Stops at once on a cancel, since a cancelled file's output is
// thrown away.
TReplaceEngine::TBuild TReplaceEngine::BuildNewContent(const TFileData& file, int64_t expectedSize,
                                                       TReplaceOutput* output, int64_t& changes)
{
    const auto put = [output](std::string_view bytes) { return !output || output->Write(bytes); };
    TOpenFile reader;
    if (!reader.OpenRead(file.FullPath, file.EndsWithNewline, file.FileType))
        return TBuild::ReadFailed;

    const TMatchList& matches = file.Matches;
    const std::string& replacement = Options.ReplaceString;
    const bool asking = Asks();
    std::size_t i = 0;
    int64_t bytesRead = 0;
    std::string changed;
    std::string current;
    std::string candidate;
    std::string_view line;
    while (reader.ReadLine(line) != TOpenFile::EndOfLines) {
        // A line too long to come whole comes in pieces of one number; each match belongs to one.
        const TLinePlace place = reader.Place();
        const std::string_view lineEnd = LineEndBytes(reader.LastLineEnd());
        bytesRead += static_cast<int64_t>(line.size() + lineEnd.size());
        ProcessPendingMessage();

        // Records are in line order; one that lies before this line was not reached in its
        // own line and is passed over rather than holding up every later match.
        while (i < matches.size() && matches[i].Place() < place)
            ++i;
        if (i == matches.size() || matches[i].Place() != place) {
            if (!put(line) || !put(lineEnd))
                return TBuild::WriteFailed;
            continue;
        }

        // Columns are those of the original line. Without questions the changed line is put
        // together from left to right in `changed`, which holds it up to column `copied` of the
        // original, so each match costs only its own piece. A question shows the whole line
        // before and after its change: then `current` is the whole line with the changes made
        // so far, and `shift` carries the columns over to it, since a replacement may be longer
        // or shorter than its match.
        changed.clear();
        std::size_t copied = 0;
        if (asking)
            current.assign(line);
        std::ptrdiff_t shift = 0;
        int32_t previousEnd = 1;
        for (; i < matches.size() && matches[i].Place() == place; ++i) {
            const TMatch& match = matches[i];
            // Only a span of this line that does not overlap the one before can be replaced.
            if (match.StartPos < previousEnd || match.EndPos < match.StartPos ||
                static_cast<std::size_t>(match.EndPos - 1) > line.size())
                continue;
            previousEnd = match.EndPos;
            const auto start = static_cast<std::size_t>(match.StartPos - 1);
            const auto end = static_cast<std::size_t>(match.EndPos - 1);

            TReplaceAnswer answer = TReplaceAnswer::Yes;
            if (asking) {
                candidate.assign(current, 0, static_cast<std::size_t>(static_cast<std::ptrdiff_t>(start) + shift));
                candidate += replacement;
                candidate.append(current, static_cast<std::size_t>(static_cast<std::ptrdiff_t>(end) + shift));
                answer = Ask(file, place.Line, current, candidate);
            }
            if (answer == TReplaceAnswer::CancelFile)
                return TBuild::CancelledFile;
            if (answer == TReplaceAnswer::CancelAll)
                return TBuild::CancelledAll;
            if (answer != TReplaceAnswer::Yes)
                continue;
            ++changes;
            if ((Journal && Journal->InRun()) || DryRun)
                Hits.push_back({place.Line, match.StartPos, std::string(line.substr(start, end - start)), replacement});
            if (asking) {
                current.swap(candidate);
                shift += static_cast<std::ptrdiff_t>(replacement.size()) - static_cast<std::ptrdiff_t>(end - start);
            } else {
                changed.append(line.substr(copied, start - copied)).append(replacement);
                copied = end;
            }
        }
        if (!asking)
            changed.append(line.substr(copied));
        if (!put(asking ? current : changed) || !put(lineEnd))
            return TBuild::WriteFailed;
    }
    reader.CloseFile();
    // The reader ends a file at a read error as at its end; a short count tells the two apart,
    // so that a file that could not be read whole is never replaced by its first part.
    return bytesRead == expectedSize ? TBuild::Built : TBuild::ReadFailed;
}

// Records `path`, about to be changed (or, for a Created entry, made) with the finished content of
// `output`, in the journal. The entry, 0 without a journal, or -1 when the journal could not
// take it: the file is then refused and must be left alone.
int64_t TReplaceEngine::JournalFile(const TFileData& file, const std::string& path, const struct stat& original,
                                    const TReplaceOutput& output, TReplaceJournal::TEntryKind kind)
{
    if (!Journal || !Journal->InRun())
        return 0;
    const int64_t entry = Journal->BeginFile(path, original, output.TemporaryPath(), kind, Hits);
    if (entry > 0)
        return entry;
    Refuse(file, std::string(JournalRefusal) + Journal->Error());
    return -1;
}

// A dry run's file: its changes are built as for the replace, then handed on.
TReplaceEngine::TRewritten TReplaceEngine::Preview(const TFileData& file, int64_t size)
{
    int64_t changes = 0;
    Hits.clear();
    const TBuild built = BuildNewContent(file, size, nullptr, changes);
    if (built != TBuild::Built) {
        Refuse(file, file.IsFileChanged() ? ChangedRefusal : ReadFailure);
        return TRewritten::Untouched;
    }
    for (const TReplaceHit& hit : Hits)
        if (Notify.Previewed)
            Notify.Previewed(file.FullPath, hit);
    return TRewritten::Untouched;
}

// Builds and places the new content of one file that passed the refusals.
TReplaceEngine::TRewritten TReplaceEngine::Rewrite(const TFileData& file)
{
    const bool overwrite = Options.Overwrite != 0;
    const std::string stem = Stem(file, Program.ShortFilenames);
    // Overwrite mode writes through a symbolic link to the file it names, so the link stays.
    const std::string target = overwrite ? TAtomicFile::WriteTarget(file.FullPath) : file.FullPath;

    struct stat original;
    if (::stat(file.FullPath.c_str(), &original) != 0 || !S_ISREG(original.st_mode)) {
        Refuse(file, ChangedRefusal);
        return TRewritten::Untouched;
    }
    // A file its user may not write keeps that protection, which a new file renamed over it
    // would get past. Looked at before anyone is asked about a change, and again at the end.
    if (overwrite && !TAtomicFile::MayWrite(target)) {
        Refuse(file, ReadOnlyRefusal);
        return TRewritten::Untouched;
    }
    if (DryRun)
        return Preview(file, static_cast<int64_t>(original.st_size));

    TReplaceOutput output;
    if (!output.Open(TAtomicFile::FolderOf(overwrite ? target : stem))) {
        Refuse(file, std::string(NewFileFailure) + output.ErrorText());
        return TRewritten::Untouched;
    }
    int64_t changes = 0;
    Hits.clear();
    const TBuild built = BuildNewContent(file, static_cast<int64_t>(original.st_size), &output, changes);
    if (built == TBuild::CancelledFile || built == TBuild::CancelledAll) {
        // The original was never touched, so it stands exactly as it was.
        output.Discard();
        Message(overwrite ? CancelledOverwrite : CancelledCopy);
        return built == TBuild::CancelledAll ? TRewritten::CancelledAll : TRewritten::Untouched;
    }
    if (built == TBuild::ReadFailed) {
        // A file that changed while it was read cannot be read as recorded either.
        Refuse(file, file.IsFileChanged() ? ChangedRefusal : ReadFailure);
        return TRewritten::Untouched;
    }
    if (built == TBuild::WriteFailed || !output.Finish(original, overwrite ? ReplacementModeBits : CopyModeBits, false)) {
        Refuse(file, std::string(NewFileFailure) + output.ErrorText());
        return TRewritten::Untouched;
    }

    if (!overwrite) {
        if (file.IsFileChanged()) {
            Refuse(file, ChangedRefusal);
            return TRewritten::Untouched;
        }
        const int64_t entry = JournalFile(file, stem + std::string(NewFileExtension), original, output,
                                          TReplaceJournal::TEntryKind::Created);
        if (entry < 0)
            return TRewritten::Untouched;
        std::string newFile;
        if (!output.PublishAsNew(stem, NewFileExtension, newFile)) {
            if (entry > 0)
                Journal->FileAbandoned(entry);
            Refuse(file, std::string(NewFileFailure) + output.ErrorText());
            return TRewritten::Untouched;
        }
        if (entry > 0)
            Journal->FileDone(entry, newFile);
        Message(std::to_string(changes) + std::string(ChangesMade));
        Message(std::string(CopyDone) + newFile);
        return TRewritten::Changed;
    }

    // A file with other names (hard links), or one whose owner the new file could not be given,
    // is written in place, through its own inode: renaming a new file over it would leave the
    // old text under the other names and make the file ours. Writing in place is not done in
    // one step, so a complete copy of the original, the backup, is on disk first, also when no
    // backup is to be kept.
    const bool inPlace = original.st_nlink > 1 || !output.KeptOwner();
    std::string backupFile;
    if (Options.MakeBackup || inPlace) {
        TReplaceOutput backup;
        if (!backup.Open(TAtomicFile::FolderOf(stem)) || !backup.CopyFrom(target) ||
            !backup.Finish(original, CopyModeBits, true) || !backup.PublishAsNew(stem, BackupExtension, backupFile)) {
            Refuse(file, std::string(BackupFailure) + backup.ErrorText());
            return TRewritten::Untouched;
        }
    }
    const auto dropBackup = [&backupFile] {
        if (!backupFile.empty())
            ::unlink(backupFile.c_str());
        backupFile.clear();
    };
    // The journal keeps its own copy of the original before the file is touched.
    const int64_t entry = JournalFile(file, target, original, output, TReplaceJournal::TEntryKind::Changed);
    if (entry < 0) {
        dropBackup();
        return TRewritten::Untouched;
    }
    const auto dropEntry = [this, entry] {
        if (entry > 0)
            Journal->FileAbandoned(entry);
    };
    // The last look before the original is replaced: a file changed while it was being read or
    // copied keeps the change, and a backup made of it goes again.
    const std::string_view refusal =
        file.IsFileChanged() ? ChangedRefusal : !TAtomicFile::MayWrite(target) ? ReadOnlyRefusal : std::string_view();
    if (!refusal.empty()) {
        dropEntry();
        dropBackup();
        Refuse(file, refusal);
        return TRewritten::Untouched;
    }
    bool restored = true;
    if (inPlace ? !output.WriteInto(target, original, backupFile, restored) : !output.ReplaceTarget(target)) {
        Refuse(file, std::string(OriginalFailure) + output.ErrorText());
        if (restored)
            dropEntry();
        if (!restored) {
            // The backup is all that is left of the original: it stays, and the report says where.
            Message(std::string(RestoreFailure) + backupFile);
            return TRewritten::Changed;
        }
        dropBackup();
        return TRewritten::Untouched;
    }
    if (entry > 0)
        Journal->FileDone(entry);
    if (!Options.MakeBackup)
        dropBackup();
    Message(std::to_string(changes) + std::string(ChangesMade));
    Message(OverwriteDone);
    if (!backupFile.empty())
        Message(std::string(BackupDone) + backupFile);
    return TRewritten::Changed;
}
