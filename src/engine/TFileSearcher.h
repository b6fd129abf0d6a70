// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/TFileFilter.h"
#include "engine/TLineScanner.h"
#include "engine/TOpenFile.h"

class TFileData;
class TLineSink;
class TSearchData;

// Searches one file at a time: classifies it (text or binary, from its first bytes and its
// last byte), applies the filters and scans it, all from a single open, taking its size and
// date from that descriptor's status; the lines with hits go to a sink.
//
// Built once per run and thread from criteria that outlive it. One searcher keeps no state
// shared with another, so each worker thread can have its own; an object itself is used by
// one thread at a time.
class TFileSearcher {
public:
    TFileSearcher(const TSearchData& criteria, int32_t today);
    // The filters keep a reference to the criteria: a temporary would not outlive them.
    TFileSearcher(const TSearchData&& criteria, int32_t today) = delete;
    TFileSearcher(const TFileSearcher&) = delete;
    TFileSearcher& operator=(const TFileSearcher&) = delete;

    // As TLineScanner::PatternErrorCode: with an error no line has a hit.
    int32_t PatternErrorCode() const { return Scanner.PatternErrorCode(); }

    // Fills the status, size, class and last-byte flag of `record` (made with only its names)
    // from one open of its file, then applies the filters. Null when the file passes: it then
    // stays open for Scan. Otherwise the reason it is skipped, and the file is closed. A file
    // that cannot be opened or read keeps class Unknown, size 0 and date 0, as TFileData does,
    // and is filtered so.
    // With `folderFd` (not negative), the record's folder held open, the file is opened by its
    // name in it.
    const char* Open(TFileData& record, int folderFd = -1);
    // Scans the file Open left open, or, when none is, opens the file of `record` with the
    // class the record gives (a search of earlier results again); pushes the lines with hits
    // into `sink` and closes the file. Returns the number of hits.
    int64_t Scan(const TFileData& record, TLineSink& sink, const std::atomic<bool>& stopRequested);
    // Closes a file Open left open without scanning it.
    void Close();

private:
    enum class State : uint8_t { Closed, Open, Unreadable };

    TLineScanner Scanner;
    TFileFilter Filter;
    TOpenFile Reader;
    State Current = State::Closed;
    // Whether the skip reason can depend on a file's class: only then is the file read before
    // it is filtered.
    bool FilterReadsClass;
};
