// SPDX-License-Identifier: MIT
#include "model/TResultSetFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include <sqlite3.h>
#include <zlib.h>

#include "model/TAtomicFile.h"
#include "model/TIniText.h"
#include "model/TLeftovers.h"
#include "model/TProfile.h"
#include "model/TRegularFile.h"
#include "model/TSqliteDatabase.h"

namespace {

using TStep = TSqliteDatabase::TStatement::TStep;

// A saved set replaces an existing file with that file's permissions; a new one gets the usual
// mode for a new file. The temporary name is one the leftover sweep knows.
constexpr TAtomicFile::TOptions ReplaceOptions{
    .TemporaryPrefix = TLeftovers::BesidePrefix,
    .TemporarySuffix = TLeftovers::BesideSuffix,
    .NewFileMode = 0666,
    .PermissionsRequired = false,
    .KeepOwner = true,
    .SyncFile = true,
    .SyncFolder = true,
};

constexpr const char* Schema = R"sql(
CREATE TABLE criteria(
    position INTEGER PRIMARY KEY,
    section BLOB NOT NULL,
    key BLOB NOT NULL,
    value BLOB NOT NULL);
CREATE TABLE statistics(
    id INTEGER PRIMARY KEY CHECK (id = 1),
    saved REAL NOT NULL,
    summary BLOB NOT NULL,
    speed BLOB NOT NULL,
    current_file BLOB NOT NULL,
    current_folder BLOB NOT NULL,
    counted_files INTEGER NOT NULL,
    skipped_files INTEGER NOT NULL,
    total_matches INTEGER NOT NULL,
    searched_files INTEGER NOT NULL,
    matched_files INTEGER NOT NULL,
    completed INTEGER NOT NULL,
    bytes_searched REAL NOT NULL,
    elapsed REAL NOT NULL,
    file_count INTEGER NOT NULL,
    checksum INTEGER NOT NULL);
CREATE TABLE files(
    position INTEGER PRIMARY KEY,
    folder BLOB NOT NULL,
    file_name BLOB NOT NULL,
    extension BLOB NOT NULL,
    path_without_ext BLOB NOT NULL,
    type_name BLOB NOT NULL,
    full_path BLOB NOT NULL,
    size INTEGER NOT NULL,
    date REAL NOT NULL,
    modified_ns INTEGER NOT NULL,
    device INTEGER NOT NULL,
    inode INTEGER NOT NULL,
    file_type INTEGER NOT NULL,
    ends_with_newline INTEGER NOT NULL,
    in_zip INTEGER NOT NULL,
    zip_name BLOB NOT NULL,
    member_name BLOB NOT NULL);
CREATE TABLE matches(
    file INTEGER PRIMARY KEY REFERENCES files(position),
    count INTEGER NOT NULL,
    packed BLOB NOT NULL,
    lines BLOB);
)sql";

// ---------------------------------------------------------------------------------------------
// Packed integers: LEB128 varints, signed values zigzag-coded.

void PutUnsigned(std::string& out, uint64_t value)
{
    while (value >= 0x80) {
        out.push_back(static_cast<char>((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<char>(value));
}

void PutSigned(std::string& out, int64_t value)
{
    PutUnsigned(out, (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63));
}

// A CRC-32 of every value a set stores, in the order they are written and read (statistics,
// files with their matches, criteria), so that a changed byte anywhere in the data is seen even
// where the database's own structure is still sound.
class TDigest {
public:
    void Add(std::string_view bytes)
    {
        AddNumber(static_cast<int64_t>(bytes.size()));
        AddRaw(bytes);
    }
    void AddNumber(int64_t value)
    {
        std::string packed;
        PutSigned(packed, value);
        AddRaw(packed);
    }
    void AddReal(double value)
    {
        char bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value);
        AddRaw(std::string_view(bytes, sizeof bytes));
    }
    int64_t Value() const { return static_cast<int64_t>(Crc); }

private:
    void AddRaw(std::string_view bytes)
    {
        // zlib takes at most UINT_MAX bytes a call.
        while (!bytes.empty()) {
            const std::size_t part = std::min<std::size_t>(bytes.size(), UINT_MAX);
            Crc = crc32(Crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(part));
            bytes.remove_prefix(part);
        }
    }
    uLong Crc = crc32(0, nullptr, 0);
};

// Reads what the Put functions wrote; every read fails once the bytes run out or a number is
// malformed, so a damaged blob can never be read past its end.
class TPackedReader {
public:
    explicit TPackedReader(std::string_view bytes) : Bytes(bytes) {}

    bool AtEnd() const { return Position == Bytes.size(); }

    std::optional<uint64_t> Unsigned()
    {
        uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (Position == Bytes.size())
                return std::nullopt;
            const auto byte = static_cast<unsigned char>(Bytes[Position++]);
            value |= static_cast<uint64_t>(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0)
                return value;
        }
        return std::nullopt;
    }

    std::optional<int64_t> Signed()
    {
        const std::optional<uint64_t> raw = Unsigned();
        if (!raw)
            return std::nullopt;
        return static_cast<int64_t>((*raw >> 1) ^ (~(*raw & 1) + 1));
    }

    std::optional<int32_t> Signed32()
    {
        const std::optional<int64_t> value = Signed();
        if (!value || *value < INT32_MIN || *value > INT32_MAX)
            return std::nullopt;
        return static_cast<int32_t>(*value);
    }

    std::optional<std::string_view> Take(std::size_t size)
    {
        if (Bytes.size() - Position < size)
            return std::nullopt;
        const std::string_view part = Bytes.substr(Position, size);
        Position += size;
        return part;
    }

private:
    std::string_view Bytes;
    std::size_t Position = 0;
};

// Each match as the change of its line number from the previous match, its piece, the line's
// length, the start column and the hit's length.
std::string PackMatches(const TMatchList& matches)
{
    std::string out;
    out.reserve(matches.size() * 6);
    int64_t line = 0;
    for (const TMatch& match : matches) {
        PutSigned(out, match.LineNumber - line);
        line = match.LineNumber;
        PutUnsigned(out, match.Piece);
        PutSigned(out, match.LineLength);
        PutSigned(out, match.StartPos);
        PutSigned(out, static_cast<int64_t>(match.EndPos) - match.StartPos);
    }
    return out;
}

bool UnpackMatches(std::string_view packed, int64_t count, TMatchList& matches)
{
    if (count < 0)
        return false;
    TPackedReader reader(packed);
    // A match takes at least five bytes: a damaged count cannot make us reserve more than the blob.
    matches.reserve(std::min<std::size_t>(static_cast<std::size_t>(count), packed.size() / 5));
    int64_t line = 0;
    for (int64_t i = 0; i < count; ++i) {
        const std::optional<int64_t> delta = reader.Signed();
        const std::optional<uint64_t> piece = reader.Unsigned();
        const std::optional<int32_t> lineLength = reader.Signed32();
        const std::optional<int32_t> start = reader.Signed32();
        const std::optional<int32_t> length = reader.Signed32();
        if (!delta || !piece || !lineLength || !start || !length || *piece > UINT32_MAX)
            return false;
        if (__builtin_add_overflow(line, *delta, &line))
            return false;
        int32_t end = 0;
        if (__builtin_add_overflow(*start, *length, &end))
            return false;
        matches.emplace_back(line, *lineLength, *start, end, static_cast<uint32_t>(*piece));
    }
    return reader.AtEnd();
}

std::string PackLines(const std::vector<std::string>& lines)
{
    std::string out;
    std::size_t total = 0;
    for (const std::string& line : lines)
        total += line.size() + 2;
    out.reserve(total);
    for (const std::string& line : lines) {
        PutUnsigned(out, line.size());
        out += line;
    }
    return out;
}

bool UnpackLines(std::string_view packed, std::vector<std::string>& lines)
{
    TPackedReader reader(packed);
    while (!reader.AtEnd()) {
        const std::optional<uint64_t> size = reader.Unsigned();
        if (!size || *size > packed.size())
            return false;
        const std::optional<std::string_view> text = reader.Take(static_cast<std::size_t>(*size));
        if (!text)
            return false;
        lines.emplace_back(*text);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// The criteria: the keys of a parameter file.

using TCriterion = TSearchData::TStoredKey;

// A private file in the temporary folder for the parameter-file form of the criteria; removed
// when the object goes.
class TScratchParameterFile {
public:
    TScratchParameterFile()
    {
        const int fd = TAtomicFile::CreateUnique(TLeftovers::TemporaryFolder(), TLeftovers::FilePrefix("qrs"), ".par",
                                                 0600, Path);
        if (fd < 0)
            Path.clear();
        else
            ::close(fd);
    }
    ~TScratchParameterFile()
    {
        if (!Path.empty())
            ::unlink(Path.c_str());
    }
    TScratchParameterFile(const TScratchParameterFile&) = delete;
    TScratchParameterFile& operator=(const TScratchParameterFile&) = delete;

    std::string Path;
};

// The scratch file is read once and removed: it need not reach the disk.
constexpr TAtomicFile::TOptions ScratchOptions{
    .TemporaryPrefix = TLeftovers::BesidePrefix,
    .TemporarySuffix = TLeftovers::BesideSuffix,
    .NewFileMode = 0600,
    .PermissionsRequired = false,
    .KeepOwner = false,
    .SyncFile = false,
    .SyncFolder = false,
};

// The criteria are read back through a parameter file of their own, so that they are read by
// exactly the rules (and defaults) of parameter files.
bool LoadCriteria(const std::vector<TCriterion>& keys, TSearchData& criteria)
{
    // The keys of each section together, in the order they were stored.
    std::vector<std::string> sections;
    for (const TCriterion& key : keys)
        if (std::find(sections.begin(), sections.end(), key.Section) == sections.end())
            sections.push_back(key.Section);
    std::string content;
    for (const std::string& section : sections) {
        if (!TIniText::IsWritableSection(section))
            continue;
        content += "[" + section + "]\n";
        for (const TCriterion& key : keys)
            if (key.Section == section && TIniText::IsWritableKey(key.Key))
                content += key.Key + "=" + std::string(TIniText::WritableValue(key.Value)) + "\n";
    }
    const TScratchParameterFile scratch;
    if (scratch.Path.empty() || !TAtomicFile::Replace(scratch.Path, content, nullptr, ScratchOptions))
        return false;
    TProfile profile;
    profile.FileName = scratch.Path;
    criteria.LoadFromProfile(profile);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Writing

// What a saved set is made of, borrowed from whoever holds it.
struct TSetParts {
    const TSearchData& Criteria;
    const TSearchStats& Stats;
    const std::string& Summary;
    const std::string& Speed;
    TDateTime Saved;
    const TFileList& Files;
};

// The statistics row's values, in column order, fed to the digest as they are stored.
void DigestStatistics(TDigest& digest, TDateTime saved, const std::string& summary, const std::string& speed,
                      const TSearchStats& stats, int64_t fileCount)
{
    digest.AddReal(saved.Value());
    digest.Add(summary);
    digest.Add(speed);
    digest.Add(stats.CurrentFile);
    digest.Add(stats.CurrentFolder);
    digest.AddNumber(stats.CountedFiles);
    digest.AddNumber(stats.SkippedFiles);
    digest.AddNumber(static_cast<int64_t>(stats.TotalMatches));
    digest.AddNumber(stats.SearchedFiles);
    digest.AddNumber(stats.MatchedFiles);
    digest.AddNumber(stats.Completed);
    digest.AddReal(stats.BytesSearched);
    digest.AddReal(stats.ElapsedTime.Value());
    digest.AddNumber(fileCount);
}

// A file record's values, in column order, then its packed matches and lines.
void DigestFile(TDigest& digest, const TFileData& record, std::string_view packed, std::string_view lines)
{
    digest.Add(record.Folder);
    digest.Add(record.FileName);
    digest.Add(record.Extension);
    digest.Add(record.PathWithoutExt);
    digest.Add(record.TypeName);
    digest.Add(record.FullPath);
    digest.AddNumber(record.Size);
    digest.AddReal(record.Date.Value());
    digest.AddNumber(record.ModifiedNs);
    digest.AddNumber(static_cast<int64_t>(record.Device));
    digest.AddNumber(static_cast<int64_t>(record.Inode));
    digest.AddNumber(record.FileType);
    digest.AddNumber(record.EndsWithNewline);
    digest.AddNumber(record.InZip);
    digest.Add(record.ZipName);
    digest.Add(record.MemberName);
    digest.AddNumber(static_cast<int64_t>(record.Matches.size()));
    digest.Add(packed);
    digest.Add(lines);
}

void DigestCriterion(TDigest& digest, const TCriterion& key)
{
    digest.Add(key.Section);
    digest.Add(key.Key);
    digest.Add(key.Value);
}

bool WriteTables(TSqliteDatabase& db, const TSetParts& set)
{
    const std::vector<TCriterion> keys = set.Criteria.StoredKeys();
    if (!db.Exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;") ||
        !db.Exec("PRAGMA application_id = " + std::to_string(TResultSetFile::ApplicationId)) ||
        !db.SetUserVersion(TResultSetFile::Version) || !db.Begin() || !db.Exec(Schema))
        return false;

    const TSearchStats& stats = set.Stats;
    const auto fileCount = static_cast<int64_t>(set.Files.Count());
    TDigest digest;
    DigestStatistics(digest, set.Saved, set.Summary, set.Speed, stats, fileCount);

    TSqliteDatabase::TStatement file =
        db.Prepare("INSERT INTO files VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    TSqliteDatabase::TStatement matches = db.Prepare("INSERT INTO matches VALUES (?, ?, ?, ?)");
    for (std::size_t i = 0; i < set.Files.Count(); ++i) {
        const TFileData& record = set.Files.Item(i);
        const auto position = static_cast<int64_t>(i);
        file.Reset();
        if (!file.Bind(1, position)
                 .BindBlob(2, record.Folder)
                 .BindBlob(3, record.FileName)
                 .BindBlob(4, record.Extension)
                 .BindBlob(5, record.PathWithoutExt)
                 .BindBlob(6, record.TypeName)
                 .BindBlob(7, record.FullPath)
                 .Bind(8, record.Size)
                 .Bind(9, record.Date.Value())
                 .Bind(10, record.ModifiedNs)
                 .Bind(11, static_cast<int64_t>(record.Device))
                 .Bind(12, static_cast<int64_t>(record.Inode))
                 .Bind(13, static_cast<int64_t>(record.FileType))
                 .Bind(14, static_cast<int64_t>(record.EndsWithNewline))
                 .Bind(15, static_cast<int64_t>(record.InZip))
                 .BindBlob(16, record.ZipName)
                 .BindBlob(17, record.MemberName)
                 .Run())
            return false;
        const std::string packed = PackMatches(record.Matches);
        const std::string lines = PackLines(record.MatchedLines);
        DigestFile(digest, record, packed, lines);
        matches.Reset();
        matches.Bind(1, position).Bind(2, static_cast<int64_t>(record.Matches.size())).BindBlob(3, packed);
        if (record.MatchedLines.empty())
            matches.BindNull(4);
        else
            matches.BindBlob(4, lines);
        if (!matches.Run())
            return false;
    }

    TSqliteDatabase::TStatement criterion = db.Prepare("INSERT INTO criteria VALUES (?, ?, ?, ?)");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        DigestCriterion(digest, keys[i]);
        criterion.Reset();
        if (!criterion.Bind(1, static_cast<int64_t>(i))
                 .BindBlob(2, keys[i].Section)
                 .BindBlob(3, keys[i].Key)
                 .BindBlob(4, keys[i].Value)
                 .Run())
            return false;
    }

    TSqliteDatabase::TStatement statistics =
        db.Prepare("INSERT INTO statistics VALUES (1, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    if (!statistics.Bind(1, set.Saved.Value())
             .BindBlob(2, set.Summary)
             .BindBlob(3, set.Speed)
             .BindBlob(4, stats.CurrentFile)
             .BindBlob(5, stats.CurrentFolder)
             .Bind(6, static_cast<int64_t>(stats.CountedFiles))
             .Bind(7, static_cast<int64_t>(stats.SkippedFiles))
             .Bind(8, static_cast<int64_t>(stats.TotalMatches))
             .Bind(9, static_cast<int64_t>(stats.SearchedFiles))
             .Bind(10, static_cast<int64_t>(stats.MatchedFiles))
             .Bind(11, static_cast<int64_t>(stats.Completed))
             .Bind(12, stats.BytesSearched)
             .Bind(13, stats.ElapsedTime.Value())
             .Bind(14, fileCount)
             .Bind(15, digest.Value())
             .Run())
        return false;
    return db.Commit();
}

// ---------------------------------------------------------------------------------------------
// Reading

std::string Damaged(const std::string& path, const std::string& detail)
{
    return path + " is damaged or incomplete and was not opened (" + detail + ").";
}

std::string NotAResultSet(const std::string& path)
{
    return path + " is not a Quarnel result set and was not opened.";
}

// True when the file's first bytes are an SQLite header with our application id: a file that
// then cannot be read is a damaged result set rather than a file of another kind.
bool HeaderSaysResultSet(const std::string& path)
{
    constexpr std::string_view Magic("SQLite format 3\0", 16);
    constexpr std::size_t ApplicationIdOffset = 68;
    const int fd = TRegularFile::OpenForReading(path, nullptr);
    if (fd < 0)
        return false;
    unsigned char header[ApplicationIdOffset + 4];
    const ssize_t got = ::pread(fd, header, sizeof header, 0);
    ::close(fd);
    if (got != static_cast<ssize_t>(sizeof header) || std::memcmp(header, Magic.data(), Magic.size()) != 0)
        return false;
    const uint32_t id = static_cast<uint32_t>(header[ApplicationIdOffset]) << 24 |
                        static_cast<uint32_t>(header[ApplicationIdOffset + 1]) << 16 |
                        static_cast<uint32_t>(header[ApplicationIdOffset + 2]) << 8 | header[ApplicationIdOffset + 3];
    return id == static_cast<uint32_t>(TResultSetFile::ApplicationId);
}

std::optional<int64_t> PragmaNumber(TSqliteDatabase& db, std::string_view pragma)
{
    TSqliteDatabase::TStatement query = db.Prepare(pragma);
    if (!query || query.Step() != TStep::Row)
        return std::nullopt;
    return query.Int(0);
}

// Reads the tables into `set`; `detail` says what was wrong when false.
class TSetReader {
public:
    TSetReader(TSqliteDatabase& db, TResultSet& set, TResultSetFile::TLineTexts lines)
        : Db(db), Set(set), KeepLines(lines == TResultSetFile::TLineTexts::Load)
    {
    }

    bool Read(std::string& detail)
    {
        if (!ReadStatistics()) {
            detail = "its statistics cannot be read";
            return false;
        }
        if (!ReadFiles(detail))
            return false;
        if (!ReadCriteria()) {
            detail = "its criteria cannot be read";
            return false;
        }
        if (Digest.Value() != Checksum) {
            detail = "its content does not match its checksum";
            return false;
        }
        return true;
    }

private:
    bool ReadStatistics()
    {
        TSqliteDatabase::TStatement query = Db.Prepare(
            "SELECT saved, summary, speed, current_file, current_folder, counted_files, skipped_files, total_matches, "
            "searched_files, matched_files, completed, bytes_searched, elapsed, file_count, checksum FROM statistics");
        if (query.Step() != TStep::Row)
            return false;
        TSearchStats& stats = Set.Stats;
        Set.Saved = TDateTime(query.Real(0));
        Set.Summary = query.Text(1);
        Set.Speed = query.Text(2);
        stats.CurrentFile = query.Text(3);
        stats.CurrentFolder = query.Text(4);
        stats.CountedFiles = static_cast<int32_t>(query.Int(5));
        stats.SkippedFiles = static_cast<uint32_t>(query.Int(6));
        stats.TotalMatches = static_cast<uint64_t>(query.Int(7));
        stats.SearchedFiles = static_cast<uint32_t>(query.Int(8));
        stats.MatchedFiles = static_cast<uint32_t>(query.Int(9));
        stats.Completed = query.Int(10) != 0;
        stats.BytesSearched = query.Real(11);
        stats.ElapsedTime = TDateTime(query.Real(12));
        FileCount = query.Int(13);
        Checksum = query.Int(14);
        DigestStatistics(Digest, Set.Saved, Set.Summary, Set.Speed, stats, FileCount);
        return query.Step() == TStep::Done;
    }

    bool ReadFiles(std::string& detail)
    {
        TSqliteDatabase::TStatement query = Db.Prepare(
            "SELECT f.position, f.folder, f.file_name, f.extension, f.path_without_ext, f.type_name, f.full_path, "
            "f.size, f.date, f.modified_ns, f.device, f.inode, f.file_type, f.ends_with_newline, f.in_zip, "
            "f.zip_name, f.member_name, m.count, m.packed, m.lines FROM files f LEFT JOIN matches m ON m.file = "
            "f.position ORDER BY f.position");
        TNullShellInfo shell;
        TStep step;
        int64_t read = 0;
        while ((step = query.Step()) == TStep::Row) {
            if (query.Int(0) != read || query.IsNull(17)) {
                detail = "a record is missing";
                return false;
            }
            auto record = std::make_unique<TFileData>(query.Text(1), query.Text(2), shell, TFileData::TNamesOnly{});
            record->Extension = query.Text(3);
            record->PathWithoutExt = query.Text(4);
            record->TypeName = query.Text(5);
            record->FullPath = query.Text(6);
            record->Size = query.Int(7);
            record->Date = TDateTime(query.Real(8));
            record->ModifiedNs = query.Int(9);
            record->Device = static_cast<uint64_t>(query.Int(10));
            record->Inode = static_cast<uint64_t>(query.Int(11));
            const int64_t fileType = query.Int(12);
            if (fileType < TFileData::Unknown || fileType > TFileData::Binary) {
                detail = "a file record has an unknown class";
                return false;
            }
            record->FileType = static_cast<uint8_t>(fileType);
            record->EndsWithNewline = query.Int(13) != 0;
            record->InZip = query.Int(14) != 0;
            record->ZipName = query.Text(15);
            record->MemberName = query.Text(16);
            const std::string packed = query.Text(18);
            const std::string lines = query.Text(19);
            if (!UnpackMatches(packed, query.Int(17), record->Matches) || !UnpackLines(lines, record->MatchedLines)) {
                detail = "the matches of " + record->FullPath + " cannot be read";
                return false;
            }
            DigestFile(Digest, *record, packed, lines);
            if (!KeepLines)
                std::vector<std::string>().swap(record->MatchedLines);
            Set.Files.Add(std::move(record));
            ++read;
        }
        if (step != TStep::Done) {
            detail = Db.Error();
            return false;
        }
        if (read != FileCount) {
            detail = "it holds " + std::to_string(read) + " of " + std::to_string(FileCount) + " file records";
            return false;
        }
        return true;
    }

    bool ReadCriteria()
    {
        TSqliteDatabase::TStatement query = Db.Prepare("SELECT section, key, value FROM criteria ORDER BY position");
        std::vector<TCriterion> keys;
        TStep step;
        while ((step = query.Step()) == TStep::Row) {
            keys.push_back({query.Text(0), query.Text(1), query.Text(2)});
            DigestCriterion(Digest, keys.back());
        }
        return step == TStep::Done && LoadCriteria(keys, Set.Criteria);
    }

    TSqliteDatabase& Db;
    TResultSet& Set;
    bool KeepLines;
    TDigest Digest;
    int64_t FileCount = 0;
    int64_t Checksum = 0;
};

// Writes the tables into a new file beside `path` and renames it over `path` once complete.
bool Write(const std::string& path, const TSetParts& set, std::string& error)
{
    TAtomicFile file(ReplaceOptions);
    if (!file.Open(path)) {
        error = path + ": the file could not be created (" + std::strerror(errno) + ").";
        return false;
    }
    // A large set takes a moment to write: a run killed meanwhile leaves a file the sweep removes.
    const std::string temporary = file.TemporaryPath();
    TLeftovers::Remember(temporary);
    TSqliteDatabase db;
    bool written = db.Open(temporary, TSqliteDatabase::TOpenMode::ReadWrite) && WriteTables(db, set);
    const std::string dbError = written ? std::string() : db.Error();
    db.Rollback();
    db.Close();
    struct stat original {};
    const bool exists = ::stat(path.c_str(), &original) == 0;
    written = written && file.Commit(exists ? &original : nullptr);
    file.Discard();
    TLeftovers::Forget(temporary);
    if (!written) {
        error = path + ": the results could not be saved" + (dbError.empty() ? std::string(".") : " (" + dbError + ").");
        return false;
    }
    return true;
}

} // namespace

bool TResultSetFile::IsResultSetName(std::string_view path)
{
    if (path.size() < Extension.size())
        return false;
    const std::string_view tail = path.substr(path.size() - Extension.size());
    return std::equal(tail.begin(), tail.end(), Extension.begin(), Extension.end(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

bool TResultSetFile::Save(const std::string& path, const TSearchData& criteria, const TSearchStats& stats,
                          const std::string& summary, const std::string& speed, const TFileList& files,
                          std::string& error)
{
    return Write(path, TSetParts{criteria, stats, summary, speed, TDateTime::Now(), files}, error);
}

bool TResultSetFile::Save(const std::string& path, const TResultSet& set, std::string& error)
{
    return Write(path, TSetParts{set.Criteria, set.Stats, set.Summary, set.Speed, set.Saved, set.Files}, error);
}

bool TResultSetFile::Load(const std::string& path, TResultSet& set, std::string& error, TLineTexts lines)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = path + ": the file cannot be opened (" + std::strerror(errno) + ").";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = NotAResultSet(path);
        return false;
    }
    // A file SQLite cannot make sense of: ours cut short or broken, or not ours at all.
    const auto unreadable = [&path] {
        return HeaderSaysResultSet(path) ? Damaged(path, "it is cut short or its structure is broken")
                                         : NotAResultSet(path);
    };
    TSqliteDatabase db;
    if (!db.Open(path, TSqliteDatabase::TOpenMode::ReadOnly)) {
        error = db.LastFailureWasCorrupt() || info.st_size == 0
                    ? unreadable()
                    : path + ": the file cannot be opened (" + db.Error() + ").";
        return false;
    }
    // A file from elsewhere is only data: nothing in it may run functions or write.
    sqlite3_db_config(db.Raw(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db.Raw(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    db.Exec("PRAGMA query_only = ON");

    const std::optional<int64_t> application = PragmaNumber(db, "PRAGMA application_id");
    if (!application) {
        error = db.LastFailureWasCorrupt() ? unreadable() : Damaged(path, db.Error());
        return false;
    }
    if (*application != ApplicationId) {
        error = NotAResultSet(path);
        return false;
    }
    const int version = db.UserVersion();
    if (version > Version) {
        error = path + " was saved by a newer version of Quarnel (result-set version " + std::to_string(version) +
                "; this version reads up to " + std::to_string(Version) + ") and was not opened.";
        return false;
    }
    if (version < 1) {
        error = Damaged(path, "it has no result-set version");
        return false;
    }
    if (!db.QuickCheck()) {
        error = Damaged(path, db.Error().empty() ? "the database check failed" : db.Error());
        return false;
    }

    TResultSet loaded;
    std::string detail;
    if (!TSetReader(db, loaded, lines).Read(detail)) {
        error = Damaged(path, detail);
        return false;
    }
    set = std::move(loaded);
    return true;
}
