// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/TSqliteDatabase.h"
#include "replace/TReplaceHit.h"

class TResultsSink;

// The replace journal: a record, kept by the program, of every replace run and of every file it
// changed, with a copy of each original, so that a run can be taken back later, also after the
// program was closed or killed.
//
// It lives in one folder (TSettingsStore::DataFolder() by default), kept at 0700: an SQLite
// database, DatabaseName, and beside it a folder, StoreName, that holds the originals too large
// to keep in the database as files the database names; every file is 0600.
//
// Using it from a window or a front end:
//
//     TReplaceJournal journal;                  // or TReplaceJournal journal(folder) in tests
//     journal.Open();                           // false: Error() says why; nothing is recorded,
//                                               // and a replace given this journal is refused
//     if (!journal.Problem().empty()) ...       // a damaged or newer journal was set aside: tell
//                                               // the user; the new journal is open and works
//     journal.SetLimits(program.ReplaceHistoryRuns, program.ReplaceHistoryBytes());
//                                               // TProgramData, key "Replace History"
//
//     engine.SetJournal(&journal, searchData.SearchString);  // TReplaceEngine: each later
//     engine.ReplaceFiles(files);               // ReplaceFiles / ReplaceFile is one journaled run;
//     engine.JournalRefused();                  // true: the journal could not take the run and
//                                               // no file was touched (the report says so)
//     engine.JournalRun();                      // the run's number
//     TReplaceCsv::Document(journal.Files(engine.JournalRun()));  // the run as CSV
//
//     for (const TReplaceJournal::TRunSummary& run : journal.Runs()) ...  // newest first
//     journal.SpaceUsed(); journal.MaxRuns(); journal.MaxBytes();
//
//     report.BeginDocument();                   // the caller begins and finishes the document,
//     TUndoOutcome outcome = journal.Undo(run.Run, report);   // as for a replace report
//     report.FinishDocument();                  // outcome.Complete(): every file restored
//     journal.Prune();                          // after SetLimits with new limits
//
// A run is written before the first file is changed, and each file before it is changed (its
// path, the original's size, modification time, permissions and SHA-256, a copy of the original,
// the new content's SHA-256 and every replaced hit); once it is changed the file is marked done.
// Each step is a committed transaction, so after a crash at any moment the journal tells which
// files were changed: a done file holds the new content, a file written ahead but not marked
// done holds the old or the new content, and its hash tells which.
//
// Undo restores a file only where it still holds exactly what the run wrote (its hash), each
// file atomically (TAtomicFile, keeping its permissions); a file changed since is left alone and
// named in the report. An undo is a run of its own, recorded like a replace (IsUndo), and can be
// undone in turn. A killed undo leaves each file wholly old or wholly new, and undoing the same
// run again completes it.
//
// Failures are values: every call returns what it could do and Error() says why. Single-threaded;
// two processes may use one journal at once (SQLite's locking keeps it whole).
class TReplaceJournal {
public:
    static constexpr std::string_view DatabaseName = "replace-journal.sqlite";
    static constexpr std::string_view StoreName = "replace-journal.store";
    // The layout this program writes; a journal of a later one is set aside, not read.
    static constexpr int SchemaVersion = 1;
    // An original up to this size is kept in the database itself, a larger one in the store.
    static constexpr int64_t InlineLimit = 256 * 1024;

    static constexpr int32_t DefaultMaxRuns = 50;
    static constexpr int64_t DefaultMaxBytes = int64_t{2} * 1024 * 1024 * 1024;

    // Why a run can no longer be undone (Undoable: it can).
    enum class TUndoState {
        Undoable,
        AlreadyUndone,  // every file it changed was restored
        NothingChanged, // it changed no file
        OriginalsPruned // its originals went to keep the journal within its limits
    };

    struct TRunSummary {
        int64_t Run = 0;           // the run number, growing
        int64_t StartedAt = 0;     // seconds since 1970 (UTC)
        std::string StartTime;     // the same as local time, "2026-12-10 14:05:09"
        std::string SearchText;    // bytes, as searched
        std::string Replacement;   // bytes
        bool Overwrite = false;    // overwrite mode (false: copy mode, which made new files)
        bool MakeBackup = false;
        int64_t FilesChanged = 0;  // files written ahead (changed, or maybe changed when the run was killed)
        int64_t ChangesMade = 0;
        bool Finished = false;     // false: the run ended without saying so (killed, crashed)
        TUndoState State = TUndoState::Undoable;
        bool CanUndo() const { return State == TUndoState::Undoable; }
        std::string StateText() const; // "yes", "undone already", "nothing changed", "originals pruned"
        bool IsUndo = false;       // the run is an undo
        int64_t UndoOf = 0;        // for an undo: the run it took back
    };

    // One replaced hit of a file, as the journal keeps it.
    using THit = TReplaceHit;
    struct TFileRecord {
        std::string Path;
        int64_t Changes = 0;
        bool Done = false;     // false: written ahead and not marked done (the run was killed)
        bool Restored = false; // taken back by an undo
        std::vector<THit> Hits;
    };

    struct TUndoOutcome {
        int64_t UndoRun = 0;                // the undo's own run number (0 when none was recorded)
        int64_t Restored = 0;               // files holding their original now
        std::vector<std::string> LeftAlone; // files not restored, one line each: "<path>: <why>"
        std::string Error;                  // why the undo could not run at all
        bool Complete() const { return Error.empty() && LeftAlone.empty(); }
    };

    // What a replace run is, for BeginRun.
    struct TRunInfo {
        std::string SearchText;
        std::string Replacement;
        bool Overwrite = false;
        bool MakeBackup = false;
    };
    // What a file entry stands for: a file the run changed in place, or a new file it made
    // (copy mode), which undo removes.
    enum class TEntryKind { Changed = 0, Created = 1 };

    // The steps whose writes a test can make fail as a full disk would (SetWriteFault).
    enum class TWriteStep { Run, Original, Done };

    // Report texts.
    static constexpr std::string_view UndoTitle = "Undo of replace run ";
    static constexpr std::string_view RestoredText = "Restored to its original content";
    static constexpr std::string_view AlreadyRestoredText = "Holds its original content already";
    static constexpr std::string_view RemovedText = "The file the replace made was removed";
    static constexpr std::string_view ChangedSinceText =
        "Left alone - the file has been changed since the replace";
    static constexpr std::string_view MissingText = "Left alone - the file no longer exists";
    static constexpr std::string_view NoOriginalText = "Left alone - the journal no longer holds its original";
    static constexpr std::string_view RestoreFailedText = "Left alone - the original could not be written back: ";

    explicit TReplaceJournal(std::string folder = DefaultFolder());
    TReplaceJournal(const TReplaceJournal&) = delete;
    TReplaceJournal& operator=(const TReplaceJournal&) = delete;
    ~TReplaceJournal();

    // TSettingsStore::DataFolder().
    static std::string DefaultFolder();

    // Opens the journal, making the folder and a new database when missing. A database that is
    // damaged or of a later layout is renamed aside (never emptied or removed), the store with
    // it, a new one is begun, and Problem() says so. False when no journal can be used: Error().
    bool Open();
    bool IsOpen() const { return Database.IsOpen(); }
    const std::string& Folder() const { return FolderPath; }
    // The text for the user when Open set a journal aside; empty otherwise.
    const std::string& Problem() const { return ProblemText; }
    const std::string& Error() const { return ErrorText; }

    // Every run, newest first.
    std::vector<TRunSummary> Runs();
    // One run; false when there is no such run.
    bool FindRun(int64_t run, TRunSummary& summary);
    // The files of a run, in the order they were written, with their hits.
    std::vector<TFileRecord> Files(int64_t run);

    // Takes back run `run` and writes its report into `report` (a heading, then a section per
    // file); the caller begins and finishes the document.
    TUndoOutcome Undo(int64_t run, TResultsSink& report);

    // Retention: at most `maxRuns` runs and `maxBytes` of space; the oldest go first. Applied at
    // the end of every run and by Prune. A limit below 1 counts as 1.
    void SetLimits(int32_t maxRuns, int64_t maxBytes);
    int32_t MaxRuns() const { return RunLimit; }
    int64_t MaxBytes() const { return ByteLimit; }
    void Prune();
    // The bytes the journal takes on disk: the database and the store.
    int64_t SpaceUsed() const;

    // For the replace engine. BeginRun records a run (false: Error(), and nothing may be
    // changed). BeginFile records a file about to be changed: `path` is the file, `original`
    // its status, `newContent` a finished file with the content it is to get, `kind` what the
    // entry stands for; for a Changed entry the original's copy is taken from `path` now.
    // Returns the entry, 0 on failure (then the file must not be changed). FileDone marks it
    // changed (`finalPath`, when not empty, is the name a Created file was given);
    // FileAbandoned takes back an entry whose file was not changed after all. EndRun ends the
    // run and applies the limits.
    bool BeginRun(const TRunInfo& info);
    bool InRun() const { return CurrentRun != 0; }
    int64_t CurrentRunNumber() const { return CurrentRun; }
    int64_t BeginFile(const std::string& path, const struct stat& original, const std::string& newContent,
                      TEntryKind kind, const std::vector<THit>& hits);
    bool FileDone(int64_t entry, const std::string& finalPath = {});
    void FileAbandoned(int64_t entry);
    void EndRun();

    // Test seam: a function that returns true for a step makes that step's write fail as a
    // full disk would.
    void SetWriteFault(std::function<bool(TWriteStep)> fault) { WriteFault = std::move(fault); }

private:
    bool CreateSchema();
    bool SetAside(const std::string& why);
    bool Faulty(TWriteStep step);
    bool Fail(std::string text);
    int64_t NewRun(const TRunInfo& info, int64_t undoOf);
    void FinishRun(int64_t run);
    bool StoreOriginal(int64_t entry, const std::string& path, const struct stat& original, std::string& digest);
    bool ReadOriginal(int64_t entry, std::string& content);
    std::string WriteBack(const std::string& path, const struct stat& current, const std::string& original,
                          const std::string& originalDigest);
    bool DropOriginals(int64_t run);
    int64_t RecordFile(const std::string& path, const struct stat& original, TEntryKind kind,
                       const std::string& newDigest, const std::vector<THit>& hits);
    void SweepStore();
    std::string StorePath(int64_t entry) const;
    std::string DatabasePath() const;

    std::string FolderPath;
    TSqliteDatabase Database;
    std::string ProblemText;
    std::string ErrorText;
    int32_t RunLimit = DefaultMaxRuns;
    int64_t ByteLimit = DefaultMaxBytes;
    int64_t CurrentRun = 0;
    std::function<bool(TWriteStep)> WriteFault;
};
