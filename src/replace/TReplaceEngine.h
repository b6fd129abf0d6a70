// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "replace/TReplaceJournal.h"
#include "replace/TReplaceNotifications.h"

class TFileData;
class TFileList;
class TProgramData;
class TResultsSink;
class TReplaceData;
class TReplaceOutput;

// Puts the replacement text in place of the matches that the last search recorded, file by
// file, and writes each file's outcome into the report document. It does not search again: the
// match positions come from the file's record, and the replacement is inserted literally.
//
// Copy mode leaves the original alone and saves the changed text as a new file beside it
// (NewFileName). Overwrite mode replaces the original with the changed text, keeping a copy of
// the original first (BackupFileName) when the options ask for one.
//
// What the engine guarantees about the files it touches:
// - Outside the replaced spans the new content is the original byte for byte: line ends (LF,
//   CR LF, both in one file), a last line without a line end, lines of any length, zero bytes
//   and bytes 128-255 all pass unchanged.
// - The original is never half-written: the new content is built in a temporary file beside
//   it, flushed to disk, and renamed over the original in one step, with the original's
//   permissions. Until that step the original is not touched, so a refusal, a cancel or any
//   failure leaves it exactly as it was, and the report says what failed.
// - A file with other names (hard links), or whose owner the new file cannot be given, keeps
//   its inode, and with it those names and its owner: the new content is written into the file
//   itself, only after a complete backup of it is on disk, and a failed write is undone from
//   that backup. The backup is removed afterwards unless the options keep it.
// - A file this process may not write (TAtomicFile::MayWrite) is refused in overwrite mode.
// - The report is part of the replace: a file is touched only after its heading reached the
//   report's file, and the run ends at the first file whose section cannot be written.
// - A file that changed on disk after the search (TFileData::IsFileChanged), also while the
//   engine was reading it, is refused.
// - An existing file is never replaced by a new file or a backup: when the name is taken the
//   first free numbered name is used instead (notes.txt.1.new), and the report names it.
// - With a journal (SetJournal), ReplaceFiles and ReplaceFile record their run before the first
//   file, and each file, with a copy of its original, before it is changed; the file is marked
//   done once it is. A journal that cannot take the run refuses the whole run before any file
//   is touched, and one that cannot take a file refuses that file.
//
// The engine keeps no state between files but LostReport. It reads the options and the
// ShortFilenames preference afresh for every file. Single-threaded; it runs on the caller's thread.
class TReplaceEngine {
public:
    // Report texts.
    static constexpr std::string_view BinaryRefusal = "Replace not performed - file is binary.";
    static constexpr std::string_view ZipRefusal = "Replace not performed - file is in a ZIP archive.";
    static constexpr std::string_view ChangedRefusal =
        "Replace not performed - file has been changed or deleted since it was searched.";
    static constexpr std::string_view ReadOnlyRefusal = "Replace not performed - file is read-only.";
    static constexpr std::string_view ReadFailure = "Replace not performed - file could not be read.";
    static constexpr std::string_view NewFileFailure = "Replace not performed - the new file could not be written: ";
    static constexpr std::string_view BackupFailure = "Replace not performed - the backup could not be made: ";
    static constexpr std::string_view OriginalFailure =
        "Replace not performed - the original file could not be replaced: ";
    static constexpr std::string_view RestoreFailure =
        "The original file could not be restored; its original content is kept in ";
    static constexpr std::string_view CancelledOverwrite = "Replace cancelled by user - original file restored";
    static constexpr std::string_view CancelledCopy = "Replace cancelled by user";
    static constexpr std::string_view ChangesMade = " changes made";
    static constexpr std::string_view OverwriteDone = "Changes have been made to the original file";
    static constexpr std::string_view BackupDone = "A backup was created first: ";
    static constexpr std::string_view CopyDone = "Changes have been saved in ";
    static constexpr std::string_view StatusPrefix = "Replacing in ";
    static constexpr std::string_view JournalRefusal =
        "Replace not performed - the replace journal could not be written: ";

    // The objects are the main window's; the engine only reads the options and the
    // preferences and writes into `report`, whose document the caller begins and finishes.
    TReplaceEngine(const TReplaceData& options, const TProgramData& program, TResultsSink& report);
    TReplaceEngine(const TReplaceEngine&) = delete;
    TReplaceEngine& operator=(const TReplaceEngine&) = delete;

    void SetNotifications(TReplaceNotifications notifications);
    // Records every later run in `journal` (an open one; null: no journal), with `searchText` as
    // the run's search. The journal is the caller's and must outlive the runs.
    void SetJournal(TReplaceJournal* journal, std::string searchText);
    // Whether the last run was refused whole because the journal could not take it.
    bool JournalRefused() const { return RunRefused; }
    // The journal's number of the last run, 0 when it was not journaled.
    int64_t JournalRun() const { return LastRun; }
    // A dry run changes nothing and makes no file: each file goes through the same refusals
    // and the same rules for its matches, and each change it would get is handed to the
    // Previewed notification instead. Nothing is journaled. No question is asked.
    void SetDryRun(bool dryRun) { DryRun = dryRun; }

    // Replaces in one file and writes that file's section of the report. Returns true when the
    // run must end: the user chose Cancel All, or the report could not be written (LostReport).
    bool ReplaceFile(const TFileData& file);
    // ReplaceFile on every record of `files`, in the list's order, with the status text
    // "Replacing in <path>" before each; ends after a file for which ReplaceFile returned true.
    void ReplaceFiles(const TFileList& files);

    // What the report lacks after the last ReplaceFile: the report's file could not take that
    // file's section, so the run ended there and no later file was touched.
    struct TReportLoss {
        std::string FullPath;   // the file whose section was lost; empty when nothing was lost
        bool Replaced = false;  // whether that file's replace was made all the same
    };
    const TReportLoss& LostReport() const { return Loss; }

    // The names the backup and the new file of `file` are given when free: the full path, or
    // with short names the path without extension, followed by ".bak" or ".new".
    static std::string BackupFileName(const TFileData& file, bool shortFilenames);
    static std::string NewFileName(const TFileData& file, bool shortFilenames);

private:
    enum class TBuild { Built, CancelledFile, CancelledAll, ReadFailed, WriteFailed };
    // What Rewrite did on disk: nothing, or made the new file, the backup or the change.
    enum class TRewritten { Untouched, Changed, CancelledAll };

    bool BeginJournalRun();
    void EndJournalRun();
    bool ReplaceOne(const TFileData& file);
    TRewritten Rewrite(const TFileData& file);
    int64_t JournalFile(const TFileData& file, const std::string& path, const struct stat& original,
                        const TReplaceOutput& output, TReplaceJournal::TEntryKind kind);
    // `output` null: the content is built and thrown away (a dry run).
    TBuild BuildNewContent(const TFileData& file, int64_t expectedSize, TReplaceOutput* output, int64_t& changes);
    TRewritten Preview(const TFileData& file, int64_t size);
    // Whether each change is asked about: confirmation is on and someone can answer.
    bool Asks() const;
    TReplaceAnswer Ask(const TFileData& file, int64_t lineNumber, std::string_view current,
                       std::string_view candidate);
    void Message(std::string_view text);
    // A message that says the file was not replaced; the owner hears of it too.
    void Refuse(const TFileData& file, std::string_view text);
    void ProcessPendingMessage();

    const TReplaceData& Options;
    const TProgramData& Program;
    TResultsSink& Report;
    TReplaceNotifications Notify;
    TReportLoss Loss;
    TReplaceJournal* Journal = nullptr;
    std::string JournalSearch;
    bool OwnRun = false;
    bool RunRefused = false;
    bool DryRun = false;
    int64_t LastRun = 0;
    std::vector<TReplaceHit> Hits; // the current file's changes, for the journal or a dry run
};
