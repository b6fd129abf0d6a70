// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/TLiteralFinder.h"
#include "model/TMatch.h"

class TAlternativesMatcher;
class TFileData;
class TFileList;
class TLineSink;
class TMatcher;
class TOpenFile;
class TRegexMatcher;
class TSearchData;
struct TSearchNotifications;

// Finds the hits of one search in files, line by line, and records them as TMatch records.
//
// Built once per run from the criteria: the pattern is compiled here once, not for every line.
// A line's hits are found from left to right; after each hit (accepted or not) the search goes
// on right after it as in a new text, so hits never overlap and a pattern anchored with ^ can
// match again there. After an empty hit the search moves on by one character, and an empty hit
// right where the previous hit ended is passed over, so that every line scan ends.
//
// Each search takes time linear in the rest of its text, whatever the pattern; a line with k
// hits costs at most k such searches. Only a pattern whose choice at a place depends on text
// far ahead (x(.*y)? on a long line of x without any y) comes near k times the line's length.
//
// For text files the scanner first looks for a possible hit in the reader's whole buffer and
// only takes the lines that may hold one through the per-line rules; the hits are the same as
// a line-by-line scan gives.
class TLineScanner {
public:
    explicit TLineScanner(const TSearchData& criteria);
    ~TLineScanner();
    TLineScanner(const TLineScanner&) = delete;
    TLineScanner& operator=(const TLineScanner&) = delete;

    // Scans the file of `record`, appending its matches to record->Matches. When it records at
    // least one, it moves the record to the end of `results` (leaving `record` empty) and gives
    // the new-result notification. Calls the pending-message hook after each line it examines
    // and stops reading when `stopRequested` is set. Returns the number of matches recorded.
    int64_t ScanFile(std::unique_ptr<TFileData>& record, TFileList& results, const TSearchNotifications& notify,
                 const std::atomic<bool>& stopRequested);

    // Scans the lines of an open reader of a file of class `fileType`, pushing each line that
    // holds hits into `sink`, in reading order. Ends at the end of the file, when the sink
    // says so, after the first such line with StopAfterFirstMatch, or when `stopRequested` is
    // set (looked at before every buffer and every line). Returns the number of hits pushed.
    int64_t Scan(TOpenFile& reader, uint8_t fileType, TLineSink& sink, const std::atomic<bool>& stopRequested) const;

    // Matches one line (or one piece of a long line) as the reader returned it, appending its
    // records to `matches`; returns how many it appended.
    int ScanLine(std::string_view line, int64_t lineNumber, TMatchList& matches, uint32_t piece = 0) const;

    // The error code of the regular expression as the scan compiles it (case-folded without
    // MatchCase); 0 when it compiled or when the search is not a regular-expression search.
    // With an error no line has a hit.
    int32_t PatternErrorCode() const;

    // The first column (1-based) at which the count of separators met so far, the current
    // column included, equals n; 1 for n = 0. When the count never reaches n: the line's length
    // + 1, or 0 for an empty line. A negative separator is never met.
    static int32_t NthSeparatorPos(std::string_view line, int separator, int32_t n);

private:
    std::string_view SearchedText(std::string_view line, std::size_t& offset) const;
    template <class OnHit>
    bool FindHits(std::string_view text, OnHit&& onHit) const;
    // After a whole-buffer look: false when no line of `lines` can hold a hit, else the offset
    // of a place in the first line that may.
    bool FindCandidate(std::string_view lines, std::size_t& position) const;

    // One file's scan in progress.
    struct TScan {
        TLineSink& Sink;
        const std::atomic<bool>& StopRequested;
        TMatchList Hits; // of the line being scanned
        int64_t Count = 0;
    };
    // Hands the hits of the line just scanned, if any, to the sink; false when the scan ends.
    static bool Push(TScan& scan, std::string_view text, int64_t lineNumber, uint32_t piece);
    // What a look at the buffer of whole lines `lines` leaves to do: look at the next buffer,
    // read and scan the reader's next line the plain way, or end the scan.
    enum class Step : uint8_t { NextBuffer, ReadLine, Stop };
    // Passes over the lines before the first candidate line.
    Step SkipToCandidate(TOpenFile& reader, std::string_view lines, TScan& scan) const;
    // Regular-expression hits found by the buffer program itself, line after line.
    Step ScanLinesWithPattern(TOpenFile& reader, std::string_view lines, TScan& scan) const;
    // Lines that hold one of the pattern's literal alternatives, taken straight from the buffer.
    Step ScanLinesWithLiterals(TOpenFile& reader, std::string_view lines, TScan& scan) const;

    uint8_t SearchMode;
    uint8_t TextFileFormat;
    bool WholeWordsOnly;
    bool Invert;
    bool StopAfterFirstMatch;
    int32_t FieldNumber;
    int32_t FieldStart;
    int32_t FieldWidth;
    int Separator;

    // Regular-expression mode: the compiled pattern, also for its error and buffer programs.
    std::unique_ptr<TRegexMatcher> Regex;
    // The quick, Soundex or literal-alternatives matcher, when one of them finds the hits.
    std::unique_ptr<TMatcher> Plain;
    // What finds the hits: Plain when set, else Regex; null for an unknown mode.
    const TMatcher* Matcher = nullptr;
    // Plain as literal alternatives, for Prefilter::LiteralHits.
    const TAlternativesMatcher* Literals = nullptr;

    // How a text file's buffer is looked at before its lines are split off:
    //   None         not at all: every line is read and matched on its own
    //   NoHits       no line can hold a hit: whole buffers are passed over
    //   Literal      a literal every hit holds (Quick's search string, or the pattern's
    //                required literal) finds the next line worth matching
    //   Lines        so does the buffer program of the pattern
    //   Soundex      so does the Soundex search over whole lines
    //   PatternHits  the hits themselves come from the pattern's buffer program
    //   LiteralHits  lines holding one of the pattern's literal alternatives are matched
    //                straight from the buffer
    enum class Prefilter : uint8_t { None, NoHits, Literal, Lines, Soundex, PatternHits, LiteralHits };
    Prefilter BufferCheck = Prefilter::None;
    // For Prefilter::PatternHits: literals of which every hit holds one.
    std::vector<TLiteralFinder> HitLiterals;
};
