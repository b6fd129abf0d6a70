// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "TDateTime.h"
#include "TFileList.h"
#include "TSearchData.h"
#include "TSearchStats.h"

// A search's results as they were when saved: the criteria, the run's counters, the summary
// texts the window showed, and every file record with its matches.
struct TResultSet {
    TSearchData Criteria;
    TSearchStats Stats;
    // The summary line and the speed line of the run ("'abc' in *.txt: 3 matches in 1 file. ...").
    std::string Summary;
    std::string Speed;
    // When the set was saved (local time).
    TDateTime Saved;
    TFileList Files;
};

// Result-set files (".qrs"): an SQLite database with one table per kind of record, the criteria
// (the keys of a parameter file), the statistics and summary, the files (names, size, the
// full-precision modification time and the identity IsFileChanged compares, the class, the ZIP
// archive and member name) and their matches (one packed blob per file, in saved order).
//
// Save writes a new file beside the target in one transaction and renames it over the target
// only once it is complete, so an existing file is never left half-written. Load refuses a file
// that is not a result set, comes from a newer version, or is truncated or damaged, with a
// message naming the file, and then fills nothing.
class TResultSetFile {
public:
    // PRAGMA application_id of every result set ("QRES"), and the version this program writes.
    static constexpr int32_t ApplicationId = 0x51524553;
    static constexpr int Version = 1;
    static constexpr std::string_view Extension = ".qrs";

    // True when `path` ends in ".qrs", in any letter case.
    static bool IsResultSetName(std::string_view path);

    // Writes `set` (its Saved is taken as it is) to `path`. False, with `error` naming the file,
    // when the file could not be written; the target is then as it was.
    static bool Save(const std::string& path, const TResultSet& set, std::string& error);
    // The same from the parts a search holds, saved now.
    static bool Save(const std::string& path, const TSearchData& criteria, const TSearchStats& stats,
                     const std::string& summary, const std::string& speed, const TFileList& files,
                     std::string& error);

    // Whether Load fills the records' MatchedLines: a reader that shows lines from the files
    // themselves (the window, a file list) need not hold them, which halves what a set of many
    // matches takes in memory. They are checked either way.
    enum class TLineTexts { Load, Skip };

    // Reads `path` into `set`. False, with `error` naming the file, when it cannot be read; `set`
    // is then untouched.
    static bool Load(const std::string& path, TResultSet& set, std::string& error,
                     TLineTexts lines = TLineTexts::Load);
};
