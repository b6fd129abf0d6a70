// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <string>

class TFileData;
class TFileList;
class TSearchData;
struct TResultSet;
struct TSearchStats;

// The console's side of result-set files: writing one from a console search, reading one to
// print it, and the text of the lines a saved set did not keep.
class TSavedResults {
public:
    // Saves the search's criteria, counters, summary and records to `path`; false, with the
    // reason on `err`, when the file could not be written.
    static bool Save(const std::string& path, const TSearchData& data, const TSearchStats& stats,
                     const TFileList& results, std::ostream& err);
    // Reads the set in `path`, with the line texts when `withLines`; false, with the reason on
    // `err`, when it cannot be read.
    static bool Load(const std::string& path, TResultSet& set, bool withLines, std::ostream& err);
    // The summary a saved set's report shows: its own, and when it was saved.
    static std::string Summary(const TResultSet& set);
    // Gives a record that holds no line texts (a set saved by the window) the text of its lines
    // with hits, read from the file when it has not changed since the search. A ZIP member or a
    // changed file keeps none, and prints without text.
    static void ReadMatchedLines(TFileData& record);
};
