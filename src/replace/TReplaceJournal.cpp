// SPDX-License-Identifier: MIT
#include "replace/TReplaceJournal.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

#include "model/TAtomicFile.h"
#include "model/TConfigFolder.h"
#include "model/TFileData.h"
#include "model/TPathText.h"
#include "model/TSettingsStore.h"
#include "model/TSha256.h"
#include "model/TShellInfo.h"
#include "presentation/TResultsSink.h"
#include "replace/TReplaceOutput.h"

namespace {

using TStep = TSqliteDatabase::TStatement::TStep;

// Entry states.
constexpr int64_t Pending = 0;  // written ahead: the file may or may not have been changed
constexpr int64_t Done = 1;     // the file was changed
constexpr int64_t Restored = 2; // an undo took the change back

// A store file that no entry names is what a crash between copying an original and recording
// it left; it is removed once it is this old, so that another process's copy in the making is
// never taken from under it.
constexpr time_t StrayAge = 10 * 60;

// An unfinished run younger than this may be another process's run in the making: pruning
// leaves it alone. An older one was killed.
constexpr time_t LiveRunAge = 60 * 60;

constexpr std::string_view Schema = R"(
CREATE TABLE IF NOT EXISTS runs (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    started INTEGER NOT NULL,
    search BLOB NOT NULL,
    replacement BLOB NOT NULL,
    overwrite INTEGER NOT NULL,
    backup INTEGER NOT NULL,
    undo_of INTEGER,
    finished INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS entries (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    run INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE,
    kind INTEGER NOT NULL,
    path BLOB NOT NULL,
    original_size INTEGER NOT NULL,
    original_mtime_ns INTEGER NOT NULL,
    original_mode INTEGER NOT NULL,
    original_hash TEXT NOT NULL,
    new_hash TEXT NOT NULL,
    original BLOB,
    in_store INTEGER NOT NULL DEFAULT 0,
    pruned INTEGER NOT NULL DEFAULT 0,
    changes INTEGER NOT NULL,
    state INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS entries_run ON entries(run);
CREATE TABLE IF NOT EXISTS hits (
    entry INTEGER NOT NULL REFERENCES entries(id) ON DELETE CASCADE,
    line INTEGER NOT NULL,
    col INTEGER NOT NULL,
    old BLOB NOT NULL,
    new BLOB NOT NULL
);
CREATE INDEX IF NOT EXISTS hits_entry ON hits(entry);
)";

std::string LocalTime(int64_t seconds, const char* format)
{
    const time_t when = static_cast<time_t>(seconds);
    struct tm local {};
    localtime_r(&when, &local);
    char text[64];
    return std::strftime(text, sizeof text, format, &local) ? std::string(text) : std::string();
}

int64_t FileBytes(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? static_cast<int64_t>(info.st_size) : 0;
}

int64_t NanoTime(const struct timespec& time)
{
    return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// A file of the store: written whole under a temporary name, flushed, then named.
constexpr TAtomicFile::TOptions StoreFileOptions = {
    .TemporaryPrefix = ".qn-",
    .TemporarySuffix = ".tmp",
    .NewFileMode = TConfigFolder::FileMode,
    .PermissionsRequired = false,
    .KeepOwner = false,
    .SyncFile = true,
    .SyncFolder = true,
};

// What the report shows as one file's heading.
void WriteSection(TResultsSink& report, const std::string& path, std::string_view text)
{
    TNullShellInfo shell;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const TFileData file(slash == 0 ? std::string("/") : folder, name, shell, TFileData::TNamesOnly{});
    report.WriteFileHeader(file);
    report.WriteMessageLine(text);
    report.WriteFileFooter();
    report.FlushDocument();
}

} // namespace

std::string TReplaceJournal::TRunSummary::StateText() const
{
    switch (State) {
    case TUndoState::Undoable:
        return "yes";
    case TUndoState::AlreadyUndone:
        return "undone already";
    case TUndoState::NothingChanged:
        return "nothing changed";
    case TUndoState::OriginalsPruned:
        return "originals pruned";
    }
    return {};
}

TReplaceJournal::TReplaceJournal(std::string folder) : FolderPath(std::move(folder)) {}

TReplaceJournal::~TReplaceJournal()
{
    if (CurrentRun != 0)
        EndRun();
}

std::string TReplaceJournal::DefaultFolder()
{
    return TSettingsStore::DataFolder();
}

std::string TReplaceJournal::DatabasePath() const
{
    return TPathText::Join(FolderPath, std::string(DatabaseName));
}

std::string TReplaceJournal::StorePath(int64_t entry) const
{
    return TPathText::Join(TPathText::Join(FolderPath, std::string(StoreName)), std::to_string(entry) + ".orig");
}

bool TReplaceJournal::Fail(std::string text)
{
    ErrorText = std::move(text);
    return false;
}

bool TReplaceJournal::Faulty(TWriteStep step)
{
    if (WriteFault && WriteFault(step)) {
        ErrorText = "the replace journal could not be written: database or disk is full";
        return true;
    }
    return false;
}

bool TReplaceJournal::Open()
{
    ErrorText.clear();
    ProblemText.clear();
    Database.Close();
    if (FolderPath.empty())
        return Fail("there is no folder for the replace journal (HOME is not set)");
    if (!TConfigFolder::MakePrivate(FolderPath) ||
        !TConfigFolder::MakePrivate(TPathText::Join(FolderPath, std::string(StoreName))))
        return Fail("the folder of the replace journal could not be made: " + FolderPath);

    const std::string path = DatabasePath();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!Database.Open(path, TSqliteDatabase::TOpenMode::CreateIfMissing, TConfigFolder::FileMode)) {
            if (Database.LastFailureWasCorrupt() && attempt == 0 && SetAside("it is damaged"))
                continue;
            return Fail("the replace journal could not be opened: " + Database.Error());
        }
        ::chmod(path.c_str(), TConfigFolder::FileMode);
        // Every commit reaches the disk before the file it speaks of is touched.
        Database.Exec("PRAGMA synchronous = FULL");
        const int version = Database.UserVersion();
        if (version > SchemaVersion) {
            if (attempt == 0 && SetAside("it was written by a later version of the program"))
                continue;
            return Fail("the replace journal is of a later version: " + path);
        }
        if (version == SchemaVersion && !Database.QuickCheck()) {
            if (attempt == 0 && SetAside("it is damaged"))
                continue;
            return Fail("the replace journal is damaged: " + path);
        }
        if (version < SchemaVersion && !CreateSchema()) {
            if (Database.LastFailureWasCorrupt() && attempt == 0 && SetAside("it is damaged"))
                continue;
            const std::string error = Database.Error();
            Database.Close();
            return Fail("the replace journal could not be made: " + error);
        }
        break;
    }
    SweepStore();
    return true;
}

bool TReplaceJournal::CreateSchema()
{
    // Set before the first table: the file then gives back the space of pruned originals.
    if (!Database.Exec("PRAGMA auto_vacuum = FULL") || !Database.Begin())
        return false;
    if (!Database.Exec(Schema) || !Database.SetUserVersion(SchemaVersion) || !Database.Commit()) {
        Database.Rollback();
        return false;
    }
    return true;
}

// Renames the database (and its rollback journal and store) aside under a name of its own and
// leaves the folder ready for a new one.
bool TReplaceJournal::SetAside(const std::string& why)
{
    Database.Close();
    const std::string path = DatabasePath();
    const std::string store = TPathText::Join(FolderPath, std::string(StoreName));
    std::string aside;
    for (int number = 0; number < 1000; ++number) {
        aside = path + ".set-aside-" + LocalTime(std::time(nullptr), "%Y%m%d-%H%M%S");
        if (number > 0)
            aside += "-" + std::to_string(number);
        struct stat info;
        if (::lstat(aside.c_str(), &info) != 0 && errno == ENOENT)
            break;
        aside.clear();
    }
    if (aside.empty() || ::rename(path.c_str(), aside.c_str()) != 0)
        return Fail("the replace journal could not be set aside: " + path);
    const std::string hotJournal = path + "-journal";
    if (::access(hotJournal.c_str(), F_OK) == 0)
        ::rename(hotJournal.c_str(), (aside + "-journal").c_str());
    if (::access(store.c_str(), F_OK) == 0 && ::rename(store.c_str(), (aside + ".store").c_str()) == 0)
        TConfigFolder::MakePrivate(store);
    ProblemText = "The replace journal could not be read (" + why + "); it was kept as " + aside +
                  " and a new one was begun.";
    return true;
}

void TReplaceJournal::SweepStore()
{
    const std::string store = TPathText::Join(FolderPath, std::string(StoreName));
    DIR* folder = ::opendir(store.c_str());
    if (!folder)
        return;
    TSqliteDatabase::TStatement named = Database.Prepare("SELECT 1 FROM entries WHERE id = ?1 AND in_store = 1");
    const time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        const bool original = name.size() > 5 && name.compare(name.size() - 5, 5, ".orig") == 0;
        const bool temporary = name.compare(0, 4, ".qn-") == 0;
        if (!original && !temporary)
            continue;
        const std::string path = TPathText::Join(store, name);
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || now - info.st_mtime < StrayAge)
            continue;
        if (original && named) {
            char* end = nullptr;
            const long long id = std::strtoll(name.c_str(), &end, 10);
            named.Reset();
            named.Bind(1, static_cast<int64_t>(id));
            if (end != name.c_str() && named.Step() != TStep::Done)
                continue; // named, or the question failed: kept
        }
        ::unlink(path.c_str());
    }
    ::closedir(folder);
}

int64_t TReplaceJournal::NewRun(const TRunInfo& info, int64_t undoOf)
{
    if (!Database.IsOpen()) {
        Fail("the replace journal is not open");
        return 0;
    }
    if (Faulty(TWriteStep::Run))
        return 0;
    TSqliteDatabase::TStatement insert = Database.Prepare(
        "INSERT INTO runs (started, search, replacement, overwrite, backup, undo_of) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    insert.Bind(1, static_cast<int64_t>(std::time(nullptr)))
        .BindBlob(2, info.SearchText)
        .BindBlob(3, info.Replacement)
        .Bind(4, int64_t{info.Overwrite})
        .Bind(5, int64_t{info.MakeBackup});
    if (undoOf != 0)
        insert.Bind(6, undoOf);
    else
        insert.BindNull(6);
    if (!insert || !insert.Run()) {
        Fail("the replace journal could not be written: " + Database.Error());
        return 0;
    }
    return Database.LastInsertId();
}

bool TReplaceJournal::BeginRun(const TRunInfo& info)
{
    ErrorText.clear();
    if (CurrentRun != 0)
        EndRun();
    CurrentRun = NewRun(info, 0);
    return CurrentRun != 0;
}

void TReplaceJournal::FinishRun(int64_t run)
{
    TSqliteDatabase::TStatement finish = Database.Prepare("UPDATE runs SET finished = 1 WHERE id = ?1");
    finish.Bind(1, run);
    if (finish)
        finish.Run();
}

void TReplaceJournal::EndRun()
{
    if (CurrentRun == 0)
        return;
    FinishRun(CurrentRun);
    CurrentRun = 0;
    Prune();
}

// Copies the file at `path` (as `original` describes it) into the journal for `entry`: into the
// database when small, else into the store; `digest` is its SHA-256.
bool TReplaceJournal::StoreOriginal(int64_t entry, const std::string& path, const struct stat& original,
                                    std::string& digest)
{
    if (Faulty(TWriteStep::Original))
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Fail("the original could not be read: " + path);
    struct stat now;
    if (::fstat(fd, &now) != 0 || !S_ISREG(now.st_mode) || now.st_ino != original.st_ino ||
        now.st_size != original.st_size) {
        ::close(fd);
        return Fail("the file changed while its original was kept: " + path);
    }
    const bool inStore = original.st_size > InlineLimit;
    TAtomicFile storeFile(StoreFileOptions);
    if (inStore && !storeFile.Open(StorePath(entry))) {
        ::close(fd);
        return Fail("the replace journal could not be written: " + std::string(std::strerror(errno)));
    }
    TSha256 hash;
    std::string content;
    char buffer[1 << 16];
    bool readFailed = false;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            readFailed = got < 0;
            break;
        }
        const std::string_view piece(buffer, static_cast<std::size_t>(got));
        hash.Update(piece);
        if (inStore ? !storeFile.Write(piece) : (content.append(piece), false))
            break;
    }
    ::close(fd);
    if (readFailed)
        return Fail("the original could not be read: " + path);
    if (inStore && !storeFile.Commit())
        return Fail("the replace journal could not be written: " + std::string(std::strerror(errno)));
    digest = hash.HexDigest();

    TSqliteDatabase::TStatement update =
        Database.Prepare("UPDATE entries SET original = ?1, in_store = ?2, original_hash = ?3 WHERE id = ?4");
    if (inStore)
        update.BindNull(1);
    else
        update.BindBlob(1, content);
    update.Bind(2, int64_t{inStore}).BindText(3, digest).Bind(4, entry);
    if (!update || !update.Run()) {
        if (inStore)
            ::unlink(StorePath(entry).c_str());
        return Fail("the replace journal could not be written: " + Database.Error());
    }
    return true;
}

bool TReplaceJournal::ReadOriginal(int64_t entry, std::string& content)
{
    TSqliteDatabase::TStatement query =
        Database.Prepare("SELECT original, in_store, pruned, original_hash FROM entries WHERE id = ?1");
    query.Bind(1, entry);
    if (!query || query.Step() != TStep::Row || query.Int(2) != 0)
        return false;
    const std::string digest = query.Text(3);
    if (query.Int(1) != 0) {
        struct stat info;
        if (TAtomicFile::ReadWholeFile(StorePath(entry), static_cast<std::size_t>(-1), content, info) !=
            TAtomicFile::TReadOutcome::Read)
            return false;
    } else {
        content = query.Text(0);
    }
    // A damaged copy is never written back.
    return TSha256::Of(content) == digest;
}

int64_t TReplaceJournal::BeginFile(const std::string& path, const struct stat& original,
                                   const std::string& newContent, TEntryKind kind, const std::vector<THit>& hits)
{
    std::string newDigest;
    int64_t newSize = 0;
    if (!TSha256::OfFile(newContent, newDigest, newSize)) {
        Fail("the new content could not be read: " + newContent);
        return 0;
    }
    return RecordFile(path, original, kind, newDigest, hits);
}

// One transaction: the entry, its hits and the original's copy are recorded together or not at
// all.
int64_t TReplaceJournal::RecordFile(const std::string& path, const struct stat& original, TEntryKind kind,
                                    const std::string& newDigest, const std::vector<THit>& hits)
{
    const int64_t run = CurrentRun;
    if (run == 0) {
        Fail("no replace run is being recorded");
        return 0;
    }
    const auto changes = static_cast<int64_t>(hits.size());
    // An undo may run from another folder: the journal names files by their absolute paths.
    std::string absolute = path;
    if (!path.empty() && path[0] != '/') {
        char* current = ::getcwd(nullptr, 0);
        if (current) {
            absolute = TPathText::Join(current, path);
            std::free(current);
        }
    }
    if (!Database.Begin()) {
        Fail("the replace journal could not be written: " + Database.Error());
        return 0;
    }
    const auto abandon = [this](const std::string& text) {
        const std::string error = text.empty() ? "the replace journal could not be written: " + Database.Error() : text;
        Database.Rollback();
        Fail(error);
        return int64_t{0};
    };
    TSqliteDatabase::TStatement insert = Database.Prepare(
        "INSERT INTO entries (run, kind, path, original_size, original_mtime_ns, original_mode, original_hash, "
        "new_hash, changes, state) VALUES (?1, ?2, ?3, ?4, ?5, ?6, '', ?7, ?8, ?9)");
    insert.Bind(1, run)
        .Bind(2, static_cast<int64_t>(kind))
        .BindBlob(3, absolute)
        .Bind(4, kind == TEntryKind::Changed ? static_cast<int64_t>(original.st_size) : int64_t{0})
        .Bind(5, NanoTime(original.st_mtim))
        .Bind(6, static_cast<int64_t>(original.st_mode & 07777))
        .BindText(7, newDigest)
        .Bind(8, changes)
        .Bind(9, Pending);
    if (!insert || !insert.Run())
        return abandon({});
    const int64_t entry = Database.LastInsertId();

    TSqliteDatabase::TStatement hit =
        Database.Prepare("INSERT INTO hits (entry, line, col, old, new) VALUES (?1, ?2, ?3, ?4, ?5)");
    for (const THit& each : hits) {
        hit.Reset();
        hit.Bind(1, entry).Bind(2, each.Line).Bind(3, int64_t{each.Column}).BindBlob(4, each.OldText).BindBlob(
            5, each.NewText);
        if (!hit || !hit.Run())
            return abandon({});
    }
    std::string originalDigest;
    if (kind == TEntryKind::Changed && !StoreOriginal(entry, path, original, originalDigest))
        return abandon(ErrorText);
    if (!Database.Commit()) {
        const std::string error = "the replace journal could not be written: " + Database.Error();
        Database.Rollback();
        ::unlink(StorePath(entry).c_str());
        Fail(error);
        return 0;
    }
    return entry;
}

bool TReplaceJournal::FileDone(int64_t entry, const std::string& finalPath)
{
    if (Faulty(TWriteStep::Done))
        return false;
    TSqliteDatabase::TStatement done = Database.Prepare(
        "UPDATE entries SET state = ?1, path = CASE WHEN length(?2) = 0 THEN path ELSE ?2 END WHERE id = ?3");
    done.Bind(1, Done).BindBlob(2, finalPath).Bind(3, entry);
    if (!done || !done.Run())
        return Fail("the replace journal could not be written: " + Database.Error());
    return true;
}

void TReplaceJournal::FileAbandoned(int64_t entry)
{
    TSqliteDatabase::TStatement query = Database.Prepare("SELECT in_store FROM entries WHERE id = ?1");
    query.Bind(1, entry);
    const bool inStore = query && query.Step() == TStep::Row && query.Int(0) != 0;
    TSqliteDatabase::TStatement drop = Database.Prepare("DELETE FROM entries WHERE id = ?1");
    drop.Bind(1, entry);
    if (drop && drop.Run() && inStore)
        ::unlink(StorePath(entry).c_str());
}

std::vector<TReplaceJournal::TRunSummary> TReplaceJournal::Runs()
{
    std::vector<TRunSummary> runs;
    TSqliteDatabase::TStatement query = Database.Prepare(
        "SELECT r.id, r.started, r.search, r.replacement, r.overwrite, r.backup, r.undo_of, r.finished, "
        "COUNT(e.id), COALESCE(SUM(e.changes), 0), COALESCE(SUM(e.state IN (0, 1)), 0), "
        "COALESCE(SUM(e.state IN (0, 1) AND e.kind = 0 AND e.pruned), 0) "
        "FROM runs r LEFT JOIN entries e ON e.run = r.id GROUP BY r.id ORDER BY r.id DESC");
    if (!query)
        return runs;
    while (query.Step() == TStep::Row) {
        TRunSummary run;
        run.Run = query.Int(0);
        run.StartedAt = query.Int(1);
        run.StartTime = LocalTime(run.StartedAt, "%Y-%m-%d %H:%M:%S");
        run.SearchText = query.Text(2);
        run.Replacement = query.Text(3);
        run.Overwrite = query.Int(4) != 0;
        run.MakeBackup = query.Int(5) != 0;
        run.IsUndo = !query.IsNull(6);
        run.UndoOf = query.Int(6);
        run.Finished = query.Int(7) != 0;
        run.FilesChanged = query.Int(8);
        run.ChangesMade = query.Int(9);
        if (run.FilesChanged == 0)
            run.State = TUndoState::NothingChanged;
        else if (query.Int(10) == 0)
            run.State = TUndoState::AlreadyUndone;
        else if (query.Int(11) != 0)
            run.State = TUndoState::OriginalsPruned;
        runs.push_back(std::move(run));
    }
    return runs;
}

bool TReplaceJournal::FindRun(int64_t run, TRunSummary& summary)
{
    for (TRunSummary& each : Runs()) {
        if (each.Run == run) {
            summary = std::move(each);
            return true;
        }
    }
    return false;
}

std::vector<TReplaceJournal::TFileRecord> TReplaceJournal::Files(int64_t run)
{
    std::vector<TFileRecord> files;
    TSqliteDatabase::TStatement query =
        Database.Prepare("SELECT id, path, changes, state FROM entries WHERE run = ?1 ORDER BY id");
    TSqliteDatabase::TStatement hits =
        Database.Prepare("SELECT line, col, old, new FROM hits WHERE entry = ?1 ORDER BY rowid");
    query.Bind(1, run);
    if (!query || !hits)
        return files;
    while (query.Step() == TStep::Row) {
        TFileRecord file;
        file.Path = query.Text(1);
        file.Changes = query.Int(2);
        file.Done = query.Int(3) != Pending;
        file.Restored = query.Int(3) == Restored;
        hits.Reset();
        hits.Bind(1, query.Int(0));
        while (hits.Step() == TStep::Row)
            file.Hits.push_back({hits.Int(0), static_cast<int32_t>(hits.Int(1)), hits.Text(2), hits.Text(3)});
        files.push_back(std::move(file));
    }
    return files;
}

TReplaceJournal::TUndoOutcome TReplaceJournal::Undo(int64_t run, TResultsSink& report)
{
    TUndoOutcome outcome;
    ErrorText.clear();
    TRunSummary summary;
    if (!Database.IsOpen() || !FindRun(run, summary)) {
        outcome.Error = "there is no replace run " + std::to_string(run) + " in the journal";
        return outcome;
    }
    report.WriteMessageLine(std::string(UndoTitle) + std::to_string(run));
    if (summary.State == TUndoState::NothingChanged || summary.State == TUndoState::AlreadyUndone) {
        report.WriteMessageLine("Nothing to undo: " + summary.StateText());
        report.FlushDocument();
        return outcome;
    }

    struct TEntry {
        int64_t Id;
        TEntryKind Kind;
        std::string Path;
        std::string OriginalHash;
        std::string NewHash;
    };
    std::vector<TEntry> entries;
    {
        TSqliteDatabase::TStatement query = Database.Prepare(
            "SELECT id, kind, path, original_hash, new_hash FROM entries WHERE run = ?1 AND state IN (0, 1) "
            "ORDER BY id DESC");
        query.Bind(1, run);
        while (query && query.Step() == TStep::Row)
            entries.push_back({query.Int(0), static_cast<TEntryKind>(query.Int(1)), query.Text(2), query.Text(3),
                               query.Text(4)});
    }

    // The undo is a run of its own; its entries keep what it replaced, so it can be undone too.
    const int64_t undoRun =
        NewRun({summary.SearchText, summary.Replacement, true, false}, run);
    if (undoRun == 0) {
        outcome.Error = ErrorText;
        report.WriteMessageLine("Undo not performed - " + ErrorText);
        report.FlushDocument();
        return outcome;
    }
    outcome.UndoRun = undoRun;
    const int64_t previousRun = std::exchange(CurrentRun, undoRun);

    TSqliteDatabase::TStatement markRestored = Database.Prepare("UPDATE entries SET state = ?1 WHERE id = ?2");
    const auto restoredEntry = [&](int64_t id) {
        markRestored.Reset();
        markRestored.Bind(1, Restored).Bind(2, id);
        if (markRestored)
            markRestored.Run();
        ++outcome.Restored;
    };
    const auto leftAlone = [&](const TEntry& entry, const std::string& text) {
        outcome.LeftAlone.push_back(entry.Path + ": " + text);
        WriteSection(report, entry.Path, text);
    };

    for (const TEntry& entry : entries) {
        struct stat current;
        std::string digest;
        int64_t size = 0;
        const bool exists = ::stat(entry.Path.c_str(), &current) == 0;
        if (!exists && errno == ENOENT) {
            if (entry.Kind == TEntryKind::Created) {
                restoredEntry(entry.Id);
                WriteSection(report, entry.Path, RemovedText);
            } else {
                leftAlone(entry, std::string(MissingText));
            }
            continue;
        }
        if (!exists || !S_ISREG(current.st_mode) || !TSha256::OfFile(entry.Path, digest, size)) {
            leftAlone(entry, std::string(ChangedSinceText));
            continue;
        }
        if (entry.Kind == TEntryKind::Changed && digest == entry.OriginalHash) {
            // Never changed (a run killed before this file's change), or restored by an undo
            // that was killed before it could say so.
            restoredEntry(entry.Id);
            WriteSection(report, entry.Path, AlreadyRestoredText);
            continue;
        }
        if (digest != entry.NewHash) {
            leftAlone(entry, std::string(ChangedSinceText));
            continue;
        }
        if (entry.Kind == TEntryKind::Created) {
            if (::unlink(entry.Path.c_str()) != 0) {
                leftAlone(entry, std::string(RestoreFailedText) + std::strerror(errno));
                continue;
            }
            restoredEntry(entry.Id);
            WriteSection(report, entry.Path, RemovedText);
            continue;
        }
        std::string original;
        if (!ReadOriginal(entry.Id, original)) {
            leftAlone(entry, std::string(NoOriginalText));
            continue;
        }
        if (!TAtomicFile::MayWrite(entry.Path)) {
            leftAlone(entry, std::string(RestoreFailedText) + "the file is read-only");
            continue;
        }
        const std::string failure = WriteBack(entry.Path, current, original, entry.OriginalHash);
        if (!failure.empty()) {
            leftAlone(entry, std::string(RestoreFailedText) + failure);
            continue;
        }
        restoredEntry(entry.Id);
        WriteSection(report, entry.Path, RestoredText);
    }
    FinishRun(undoRun);
    CurrentRun = previousRun;
    report.WriteMessageLine(std::to_string(outcome.Restored) + (outcome.Restored == 1 ? " file" : " files") +
                            " restored, " + std::to_string(outcome.LeftAlone.size()) + " left alone");
    report.FlushDocument();
    if (CurrentRun == 0)
        Prune();
    return outcome;
}

// Puts `original` back into the file at `path` (as `current` describes it) for the undo being
// recorded, as a replace writes a file: the new content is finished beside it first, the
// content the undo takes away is journaled, and then the file is replaced in one step, or, when
// it has other names or an owner the new file cannot be given, written into in place with a
// complete copy beside it to fall back on. The failure's text, empty when it worked.
std::string TReplaceJournal::WriteBack(const std::string& path, const struct stat& current, const std::string& original,
                                       const std::string& originalDigest)
{
    TReplaceOutput output;
    if (!output.Open(TAtomicFile::FolderOf(path)) || !output.Write(original) ||
        !output.Finish(current, 07777, false))
        return output.ErrorText();
    const int64_t undoEntry = RecordFile(path, current, TEntryKind::Changed, originalDigest, {});
    if (undoEntry == 0)
        return ErrorText;
    bool restored = true;
    if (current.st_nlink > 1 || !output.KeptOwner()) {
        TReplaceOutput copy;
        if (!copy.Open(TAtomicFile::FolderOf(path)) || !copy.CopyFrom(path) || !copy.Finish(current, 0600, true)) {
            FileAbandoned(undoEntry);
            return copy.ErrorText();
        }
        if (!output.WriteInto(path, current, copy.TemporaryPath(), restored)) {
            if (restored)
                FileAbandoned(undoEntry);
            return output.ErrorText();
        }
    } else if (!output.ReplaceTarget(path)) {
        FileAbandoned(undoEntry);
        return output.ErrorText();
    }
    FileDone(undoEntry);
    return {};
}

void TReplaceJournal::SetLimits(int32_t maxRuns, int64_t maxBytes)
{
    RunLimit = std::max<int32_t>(maxRuns, 1);
    ByteLimit = std::max<int64_t>(maxBytes, 1);
}

bool TReplaceJournal::DropOriginals(int64_t run)
{
    TSqliteDatabase::TStatement stored = Database.Prepare("SELECT id FROM entries WHERE run = ?1 AND in_store = 1");
    stored.Bind(1, run);
    std::vector<int64_t> files;
    while (stored && stored.Step() == TStep::Row)
        files.push_back(stored.Int(0));
    TSqliteDatabase::TStatement drop =
        Database.Prepare("UPDATE entries SET original = NULL, in_store = 0, pruned = 1 WHERE run = ?1 AND kind = 0");
    drop.Bind(1, run);
    if (!drop || !drop.Run())
        return false;
    for (const int64_t entry : files)
        ::unlink(StorePath(entry).c_str());
    return true;
}

void TReplaceJournal::Prune()
{
    if (!Database.IsOpen())
        return;
    // Runs past the number kept go whole, oldest first; the run being recorded stays.
    std::vector<int64_t> old;
    {
        TSqliteDatabase::TStatement query =
            Database.Prepare("SELECT id FROM runs WHERE id != ?1 AND (finished OR started < ?3) "
                             "ORDER BY id DESC LIMIT -1 OFFSET ?2");
        query.Bind(1, CurrentRun)
            .Bind(2, static_cast<int64_t>(RunLimit - (CurrentRun != 0 ? 1 : 0)))
            .Bind(3, static_cast<int64_t>(std::time(nullptr) - LiveRunAge));
        while (query && query.Step() == TStep::Row)
            old.push_back(query.Int(0));
    }
    for (const int64_t run : old) {
        DropOriginals(run);
        TSqliteDatabase::TStatement drop = Database.Prepare("DELETE FROM runs WHERE id = ?1");
        drop.Bind(1, run);
        if (drop)
            drop.Run();
    }
    // Past the space kept, the oldest runs give up their originals; their record stays.
    while (SpaceUsed() > ByteLimit) {
        TSqliteDatabase::TStatement query = Database.Prepare(
            "SELECT e.run FROM entries e JOIN runs r ON r.id = e.run WHERE e.kind = 0 AND e.pruned = 0 "
            "AND e.run != ?1 AND (r.finished OR r.started < ?2) ORDER BY e.run LIMIT 1");
        query.Bind(1, CurrentRun).Bind(2, static_cast<int64_t>(std::time(nullptr) - LiveRunAge));
        if (!query || query.Step() != TStep::Row)
            break;
        const int64_t run = query.Int(0);
        query = {};
        if (!DropOriginals(run))
            break;
    }
}

int64_t TReplaceJournal::SpaceUsed() const
{
    const std::string database = DatabasePath();
    int64_t total = FileBytes(database) + FileBytes(database + "-journal");
    const std::string store = TPathText::Join(FolderPath, std::string(StoreName));
    if (DIR* folder = ::opendir(store.c_str())) {
        while (const dirent* entry = ::readdir(folder))
            total += FileBytes(TPathText::Join(store, entry->d_name));
        ::closedir(folder);
    }
    return total;
}
