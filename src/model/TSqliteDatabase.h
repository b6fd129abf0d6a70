// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// A thin owner of one SQLite connection and its prepared statements, for the program's own
// databases (the replace journal, saved result sets). It adds no policy of its own beyond
// three rules every caller wants: a connection is opened with extended result codes, foreign
// keys on and a busy timeout, so that a second instance of the program waits briefly instead of
// failing at once; every failure comes back as false plus the library's message in Error();
// and nothing throws.
//
// Not copyable; movable. Statements must not outlive the database that prepared them.
class TSqliteDatabase {
public:
    enum class TOpenMode {
        ReadOnly,     // the file must exist; nothing is written
        ReadWrite,    // the file must exist
        CreateIfMissing,
    };

    // One prepared statement. Parameters are numbered from 1, columns from 0, as in SQLite.
    class TStatement {
    public:
        TStatement() = default;
        TStatement(TStatement&& other) noexcept;
        TStatement& operator=(TStatement&& other) noexcept;
        TStatement(const TStatement&) = delete;
        TStatement& operator=(const TStatement&) = delete;
        ~TStatement();

        // False when the statement could not be prepared (see TSqliteDatabase::Error()).
        explicit operator bool() const { return Handle != nullptr; }

        TStatement& Bind(int index, std::int64_t value);
        TStatement& Bind(int index, double value);
        TStatement& BindText(int index, std::string_view text);
        TStatement& BindBlob(int index, std::string_view bytes);
        TStatement& BindNull(int index);

        // Runs the statement one step. Row: a row is ready for the Column functions. Done: the
        // statement has finished. Failed: an error, kept in the database's Error().
        enum class TStep { Row, Done, Failed };
        TStep Step();
        // Runs a statement that returns no rows to its end; false on failure.
        bool Run();
        // Makes the statement ready to run again with new bindings.
        void Reset();

        std::int64_t Int(int column) const;
        double Real(int column) const;
        // Text and blob columns as bytes (copied); an empty string for NULL.
        std::string Text(int column) const;
        bool IsNull(int column) const;

    private:
        friend class TSqliteDatabase;
        TStatement(TSqliteDatabase* owner, sqlite3_stmt* handle) : Owner(owner), Handle(handle) {}
        TSqliteDatabase* Owner = nullptr;
        sqlite3_stmt* Handle = nullptr;
    };

    TSqliteDatabase() = default;
    TSqliteDatabase(TSqliteDatabase&& other) noexcept;
    TSqliteDatabase& operator=(TSqliteDatabase&& other) noexcept;
    TSqliteDatabase(const TSqliteDatabase&) = delete;
    TSqliteDatabase& operator=(const TSqliteDatabase&) = delete;
    ~TSqliteDatabase();

    // Opens `path`. A new file is created with `fileMode` (before the umask's bits are taken
    // off, as open(2) does); SQLite gives its journal files the same mode. False, with Error()
    // set, when it cannot be opened.
    bool Open(const std::string& path, TOpenMode mode, mode_t fileMode = 0600);
    void Close();
    bool IsOpen() const { return Handle != nullptr; }

    // Runs one or more statements that return no rows; false on the first failure.
    bool Exec(std::string_view sql);
    // Prepares one statement; an empty TStatement on failure.
    TStatement Prepare(std::string_view sql);

    // BEGIN IMMEDIATE / COMMIT / ROLLBACK.
    bool Begin();
    bool Commit();
    void Rollback();

    // The PRAGMA user_version of the file (0 for a new one), or -1 when it cannot be read.
    int UserVersion();
    bool SetUserVersion(int version);
    // PRAGMA quick_check: true when SQLite finds the file sound.
    bool QuickCheck();

    std::int64_t LastInsertId() const;
    // The rows the last INSERT, UPDATE or DELETE changed.
    int Changes() const;

    // The last failure's message, with the file's name where it concerns the file.
    const std::string& Error() const { return LastError; }
    // The last failure's extended SQLite result code (0 when none).
    int ErrorCode() const { return LastCode; }
    // True when the last failure said the disk or the database is full.
    bool LastFailureWasFull() const;
    // True when the last failure said the file is not a database or is damaged.
    bool LastFailureWasCorrupt() const;

    sqlite3* Raw() const { return Handle; }

private:
    void Fail(int code);
    sqlite3* Handle = nullptr;
    std::string Path;
    std::string LastError;
    int LastCode = 0;
};
