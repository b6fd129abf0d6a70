// SPDX-License-Identifier: MIT
#include "model/TSqliteDatabase.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include <sqlite3.h>

namespace {

// How long a connection waits for another process's lock before it reports the file busy.
constexpr int BusyTimeoutMs = 5000;

} // namespace

TSqliteDatabase::TStatement::TStatement(TStatement&& other) noexcept
    : Owner(std::exchange(other.Owner, nullptr)), Handle(std::exchange(other.Handle, nullptr))
{
}

TSqliteDatabase::TStatement& TSqliteDatabase::TStatement::operator=(TStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(Handle);
        Owner = std::exchange(other.Owner, nullptr);
        Handle = std::exchange(other.Handle, nullptr);
    }
    return *this;
}

TSqliteDatabase::TStatement::~TStatement()
{
    sqlite3_finalize(Handle);
}

TSqliteDatabase::TStatement& TSqliteDatabase::TStatement::Bind(int index, std::int64_t value)
{
    if (Handle)
        sqlite3_bind_int64(Handle, index, value);
    return *this;
}

TSqliteDatabase::TStatement& TSqliteDatabase::TStatement::Bind(int index, double value)
{
    if (Handle)
        sqlite3_bind_double(Handle, index, value);
    return *this;
}

TSqliteDatabase::TStatement& TSqliteDatabase::TStatement::BindText(int index, std::string_view text)
{
    if (Handle)
        sqlite3_bind_text64(Handle, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    return *this;
}

TSqliteDatabase::TStatement& TSqliteDatabase::TStatement::BindBlob(int index, std::string_view bytes)
{
    if (Handle) {
        // A zero-length blob with a null pointer would bind NULL; an empty blob stays a blob.
        static const char empty = 0;
        sqlite3_bind_blob64(Handle, index, bytes.empty() ? &empty : bytes.data(), bytes.size(),
                            SQLITE_TRANSIENT);
    }
    return *this;
}

TSqliteDatabase::TStatement& TSqliteDatabase::TStatement::BindNull(int index)
{
    if (Handle)
        sqlite3_bind_null(Handle, index);
    return *this;
}

TSqliteDatabase::TStatement::TStep TSqliteDatabase::TStatement::Step()
{
    if (!Handle)
        return TStep::Failed;
    const int code = sqlite3_step(Handle);
    if (code == SQLITE_ROW)
        return TStep::Row;
    if (code == SQLITE_DONE)
        return TStep::Done;
    Owner->Fail(code);
    return TStep::Failed;
}

bool TSqliteDatabase::TStatement::Run()
{
    TStep step;
    while ((step = Step()) == TStep::Row) {
    }
    return step == TStep::Done;
}

void TSqliteDatabase::TStatement::Reset()
{
    if (Handle) {
        sqlite3_reset(Handle);
        sqlite3_clear_bindings(Handle);
    }
}

std::int64_t TSqliteDatabase::TStatement::Int(int column) const
{
    return Handle ? sqlite3_column_int64(Handle, column) : 0;
}

double TSqliteDatabase::TStatement::Real(int column) const
{
    return Handle ? sqlite3_column_double(Handle, column) : 0.0;
}

std::string TSqliteDatabase::TStatement::Text(int column) const
{
    if (!Handle)
        return {};
    // Blob first, then bytes: asking for the size after the pointer is what SQLite documents.
    const void* bytes = sqlite3_column_blob(Handle, column);
    const int size = sqlite3_column_bytes(Handle, column);
    if (!bytes || size <= 0)
        return {};
    return std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
}

bool TSqliteDatabase::TStatement::IsNull(int column) const
{
    return !Handle || sqlite3_column_type(Handle, column) == SQLITE_NULL;
}

TSqliteDatabase::TSqliteDatabase(TSqliteDatabase&& other) noexcept
    : Handle(std::exchange(other.Handle, nullptr)), Path(std::move(other.Path)),
      LastError(std::move(other.LastError)), LastCode(other.LastCode)
{
}

TSqliteDatabase& TSqliteDatabase::operator=(TSqliteDatabase&& other) noexcept
{
    if (this != &other) {
        Close();
        Handle = std::exchange(other.Handle, nullptr);
        Path = std::move(other.Path);
        LastError = std::move(other.LastError);
        LastCode = other.LastCode;
    }
    return *this;
}

TSqliteDatabase::~TSqliteDatabase()
{
    Close();
}

bool TSqliteDatabase::Open(const std::string& path, TOpenMode mode, mode_t fileMode)
{
    Close();
    Path = path;
    LastError.clear();
    LastCode = 0;
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (mode) {
    case TOpenMode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case TOpenMode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case TOpenMode::CreateIfMissing: {
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        // SQLite would make a new file with its own default mode; making the (empty, and so
        // valid) file first gives it ours.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, fileMode);
        if (fd >= 0)
            ::close(fd);
        break;
    }
    }
    sqlite3* handle = nullptr;
    const int code = sqlite3_open_v2(path.c_str(), &handle, flags, nullptr);
    if (code != SQLITE_OK) {
        LastCode = code;
        LastError = path + ": " + (handle ? sqlite3_errmsg(handle) : sqlite3_errstr(code));
        sqlite3_close(handle);
        return false;
    }
    Handle = handle;
    sqlite3_extended_result_codes(Handle, 1);
    sqlite3_busy_timeout(Handle, BusyTimeoutMs);
    // The schema check of a file that is not a database happens at the first read; doing one
    // here makes Open itself report such a file.
    if (!Exec("PRAGMA foreign_keys = ON") || UserVersion() < 0) {
        const std::string error = LastError;
        const int lastCode = LastCode;
        Close();
        LastError = error;
        LastCode = lastCode;
        return false;
    }
    return true;
}

void TSqliteDatabase::Close()
{
    if (Handle) {
        sqlite3_close_v2(Handle);
        Handle = nullptr;
    }
}

bool TSqliteDatabase::Exec(std::string_view sql)
{
    if (!Handle) {
        LastError = Path + ": the database is not open";
        LastCode = SQLITE_MISUSE;
        return false;
    }
    const std::string text(sql);
    const int code = sqlite3_exec(Handle, text.c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        Fail(code);
        return false;
    }
    return true;
}

TSqliteDatabase::TStatement TSqliteDatabase::Prepare(std::string_view sql)
{
    if (!Handle) {
        LastError = Path + ": the database is not open";
        LastCode = SQLITE_MISUSE;
        return {};
    }
    sqlite3_stmt* statement = nullptr;
    const int code = sqlite3_prepare_v2(Handle, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
    if (code != SQLITE_OK) {
        Fail(code);
        sqlite3_finalize(statement);
        return {};
    }
    return TStatement(this, statement);
}

bool TSqliteDatabase::Begin()
{
    return Exec("BEGIN IMMEDIATE");
}

bool TSqliteDatabase::Commit()
{
    return Exec("COMMIT");
}

void TSqliteDatabase::Rollback()
{
    if (Handle && !sqlite3_get_autocommit(Handle))
        sqlite3_exec(Handle, "ROLLBACK", nullptr, nullptr, nullptr);
}

int TSqliteDatabase::UserVersion()
{
    TStatement query = Prepare("PRAGMA user_version");
    if (!query || query.Step() != TStatement::TStep::Row)
        return -1;
    return static_cast<int>(query.Int(0));
}

bool TSqliteDatabase::SetUserVersion(int version)
{
    return Exec("PRAGMA user_version = " + std::to_string(version));
}

bool TSqliteDatabase::QuickCheck()
{
    TStatement query = Prepare("PRAGMA quick_check");
    if (!query || query.Step() != TStatement::TStep::Row)
        return false;
    return query.Text(0) == "ok";
}

std::int64_t TSqliteDatabase::LastInsertId() const
{
    return Handle ? sqlite3_last_insert_rowid(Handle) : 0;
}

int TSqliteDatabase::Changes() const
{
    return Handle ? sqlite3_changes(Handle) : 0;
}

bool TSqliteDatabase::LastFailureWasFull() const
{
    return (LastCode & 0xff) == SQLITE_FULL;
}

bool TSqliteDatabase::LastFailureWasCorrupt() const
{
    const int primary = LastCode & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

void TSqliteDatabase::Fail(int code)
{
    LastCode = code;
    LastError = Path + ": " + (Handle ? sqlite3_errmsg(Handle) : sqlite3_errstr(code));
}
