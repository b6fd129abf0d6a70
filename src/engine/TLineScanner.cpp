// SPDX-License-Identifier: MIT
#include "engine/TLineScanner.h"

#include <algorithm>
#include <cstring>

#include "engine/TAlternativesMatcher.h"
#include "engine/TLetterTest.h"
#include "engine/TLineSink.h"
#include "engine/TOpenFile.h"
#include "engine/TQuickMatcher.h"
#include "engine/TRecordSink.h"
#include "engine/TRegexMatcher.h"
#include "engine/TSoundexMatcher.h"
#include "engine/TSearchNotifications.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TSearchData.h"

namespace {

// A required literal this long is worth a literal scan of the buffer; shorter ones are common
// enough that the compiled buffer program does better.
constexpr std::size_t MinPrefilterLiteral = 2;
// The most literals looked for at once, one for each alternative of a pattern.
constexpr std::size_t MaxHitLiterals = 8;

int SeparatorOf(const std::string& text)
{
    if (text == "Tab")
        return '\t';
    if (text == "Space")
        return ' ';
    if (text.empty())
        return -1; // no separator: the whole line is the first field
    return static_cast<unsigned char>(text[0]);
}

// A hit stands as a whole word of `text` (the current text) when no word character touches it.
bool IsWholeWord(std::string_view text, std::size_t start, std::size_t end)
{
    if (start > 0 && IsWordChar(CharBefore(text, start)))
        return false;
    return end >= text.size() || !IsWordChar(CharAt(text, end));
}

} // namespace

TLineScanner::TLineScanner(const TSearchData& criteria)
    : SearchMode(criteria.SearchMode), TextFileFormat(criteria.TextFileFormat),
      WholeWordsOnly(criteria.WholeWordsOnly), Invert(criteria.Invert),
      StopAfterFirstMatch(criteria.StopAfterFirstMatch), FieldNumber(criteria.FieldNumber),
      FieldStart(criteria.FieldStart), FieldWidth(criteria.FieldWidth), Separator(SeparatorOf(criteria.SeparatorChar))
{
    switch (SearchMode) {
    case TSearchData::ModeNormal: {
        const bool foldCase = !criteria.MatchCase;
        Regex = std::make_unique<TRegexMatcher>(criteria.SearchString, foldCase, MinPrefilterLiteral);
        Matcher = Regex.get();
        TRep& pattern = Regex->Pattern();
        if (!pattern.IsValid()) {
            BufferCheck = Prefilter::NoHits;
            break;
        }
        // A pattern made of literal alternatives is matched by finding them, without the engine.
        if (const std::vector<std::string> alternatives = pattern.LiteralAlternatives(); !alternatives.empty()) {
            auto literals = std::make_unique<TAlternativesMatcher>(alternatives, foldCase);
            Literals = literals.get();
            Plain = std::move(literals);
            Matcher = Plain.get();
        }
        const bool wholeLines =
            TextFileFormat == TSearchData::FormatNormal || TextFileFormat > TSearchData::FormatFixedWidth;
        const std::size_t alternatives = Literals ? Literals->Literals().size() : 0;
        if (Invert) {
            // Every line is taken on its own; see below.
        } else if (wholeLines && alternatives > 0 && alternatives <= MaxHitLiterals) {
            BufferCheck = Prefilter::LiteralHits;
        } else if (alternatives == 0 && wholeLines && !pattern.HasStartAnchor() && pattern.PrepareLineHits()) {
            // Without ^ a hit does not depend on where its search began, so a buffer program
            // can go from hit to hit across the lines of a buffer.
            BufferCheck = Prefilter::PatternHits;
            for (const std::string& text : pattern.RequiredLiterals(MinPrefilterLiteral, MaxHitLiterals))
                HitLiterals.emplace_back(text, foldCase);
        } else if (Regex->HasRequiredText()) {
            BufferCheck = Prefilter::Literal;
        } else if (Regex->PrepareLineSearch(wholeLines)) {
            BufferCheck = Prefilter::Lines;
        }
        break;
    }
    case TSearchData::ModeSoundex:
        Plain = std::make_unique<TSoundexMatcher>(criteria.SearchString);
        Matcher = Plain.get();
        // Words never span lines, so the buffer's first hit is its first hit line's first hit;
        // a field can cut a word, so fields are taken line by line.
        if (TextFileFormat == TSearchData::FormatNormal || TextFileFormat > TSearchData::FormatFixedWidth)
            BufferCheck = Prefilter::Soundex;
        break;
    case TSearchData::ModeQuick: {
        auto quick = std::make_unique<TQuickMatcher>(criteria.SearchString);
        BufferCheck = quick->Empty() ? Prefilter::NoHits : Prefilter::Literal;
        Plain = std::move(quick);
        Matcher = Plain.get();
        break;
    }
    default:
        BufferCheck = Prefilter::NoHits;
        break;
    }
    // Inverted searches record the lines without hits, so every line must be seen.
    if (Invert)
        BufferCheck = Prefilter::None;
}

TLineScanner::~TLineScanner() = default;

int32_t TLineScanner::PatternErrorCode() const
{
    return Regex ? Regex->Pattern().ErrorCode() : 0;
}

int32_t TLineScanner::NthSeparatorPos(std::string_view line, int separator, int32_t n)
{
    if (n == 0)
        return 1;
    int32_t count = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (static_cast<unsigned char>(line[i]) == separator)
            ++count;
        if (count == n)
            return static_cast<int32_t>(i + 1);
    }
    return line.empty() ? 0 : static_cast<int32_t>(line.size() + 1);
}

std::string_view TLineScanner::SearchedText(std::string_view line, std::size_t& offset) const
{
    const auto length = static_cast<int64_t>(line.size());
    int64_t first = 1; // 1-based column of the searched text
    int64_t count = length;
    switch (TextFileFormat) {
    case TSearchData::FormatDelimited:
        if (FieldNumber < 1) {
            count = 0; // no such field
        } else {
            first = FieldNumber == 1 ? 1 : NthSeparatorPos(line, Separator, FieldNumber - 1);
            count = NthSeparatorPos(line, Separator, FieldNumber) - first;
        }
        break;
    case TSearchData::FormatFixedWidth:
        first = FieldStart;
        count = FieldWidth;
        break;
    default:
        break;
    }
    // A field that lies (partly) outside the line is cut to the line, so that every column
    // recorded is a column of the line.
    first = std::clamp<int64_t>(first, 1, length + 1);
    count = std::clamp<int64_t>(count, 0, length + 1 - first);
    offset = static_cast<std::size_t>(first - 1);
    return line.substr(offset, static_cast<std::size_t>(count));
}

template <class OnHit>
bool TLineScanner::FindHits(std::string_view text, OnHit&& onHit) const
{
    bool hit = false;
    if (!Matcher)
        return false;
    // Whole words are a rule of regular-expression searches; quick text and Soundex ignore it.
    const bool wholeWords = WholeWordsOnly && SearchMode == TSearchData::ModeNormal;
    std::size_t from = 0;
    std::size_t lastEnd = std::string_view::npos;
    while (from <= text.size()) {
        std::size_t start, end;
        if (!Matcher->Find(text, from, start, end))
            break;
        if (start == end && start == lastEnd) {
            from = lastEnd + 1; // an empty hit glued to the previous hit is no new hit
            continue;
        }
        if (!wholeWords || IsWholeWord(text.substr(from), start - from, end - from)) {
            hit = true;
            onHit(start, end);
        }
        lastEnd = end;
        from = end > start ? end : end + 1;
    }
    return hit;
}

int TLineScanner::ScanLine(std::string_view line, int64_t lineNumber, TMatchList& matches, uint32_t piece) const
{
    const auto lineLength = static_cast<int32_t>(line.size());
    std::size_t offset = 0;
    const std::string_view text = SearchedText(line, offset);
    int recorded = 0;
    const bool hit = FindHits(text, [&](std::size_t start, std::size_t end) {
        if (Invert)
            return;
        matches.emplace_back(lineNumber, lineLength, static_cast<int32_t>(offset + start + 1),
                             static_cast<int32_t>(offset + end + 1), piece);
        ++recorded;
    });
    if (!hit && Invert) {
        matches.emplace_back(lineNumber, lineLength, 1, lineLength + 1, piece);
        ++recorded;
    }
    return recorded;
}

bool TLineScanner::FindCandidate(std::string_view lines, std::size_t& position) const
{
    switch (BufferCheck) {
    case Prefilter::Literal:
    case Prefilter::Lines:
    case Prefilter::Soundex:
        // A pattern's own check (its required literal, its buffer program) also stands for
        // its literal alternatives.
        return (Regex ? *Regex : *Matcher).MayHold(lines, position);
    case Prefilter::NoHits:
        return false;
    case Prefilter::None:
    case Prefilter::PatternHits:
    case Prefilter::LiteralHits:
        break;
    }
    position = 0;
    return true;
}

namespace {

// The offset where the line holding `at` starts.
std::size_t LineStartOf(std::string_view lines, std::size_t at)
{
    const void* lf = at == 0 ? nullptr : memrchr(lines.data(), '\n', at);
    return lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - lines.data()) + 1 : 0;
}

} // namespace

TLineScanner::Step TLineScanner::SkipToCandidate(TOpenFile& reader, std::string_view lines, TScan& scan) const
{
    std::size_t at = 0;
    if (!FindCandidate(lines, at) || at >= lines.size()) {
        reader.PassLinesBefore(lines.data() + lines.size());
        scan.Sink.Pending();
        return Step::NextBuffer;
    }
    reader.PassLinesBefore(lines.data() + LineStartOf(lines, at));
    return Step::ReadLine;
}

TLineScanner::Step TLineScanner::ScanLinesWithLiterals(TOpenFile& reader, std::string_view lines, TScan& scan) const
{
    const std::size_t size = lines.size(); // ends with a line feed
    const char* data = lines.data();
    // The next place of each alternative, found once and reused until it is passed.
    const std::vector<TLiteralFinder>& alternatives = Literals->Literals();
    std::size_t next[MaxHitLiterals];
    for (std::size_t i = 0; i < alternatives.size(); ++i)
        next[i] = alternatives[i].Find(lines);
    std::size_t pos = 0; // start of the first line not yet dealt with
    for (;;) {
        if (scan.StopRequested.load(std::memory_order_relaxed))
            return Step::Stop;
        std::size_t at = TLiteralFinder::npos;
        for (std::size_t i = 0; i < alternatives.size(); ++i) {
            if (next[i] < pos)
                next[i] = alternatives[i].Find(lines, pos);
            at = std::min(at, next[i]);
        }
        if (at == TLiteralFinder::npos) {
            // No line left here holds a hit.
            const bool skipped = reader.PassLinesBefore(data + size);
            if (skipped)
                scan.Sink.Pending();
            return Step::NextBuffer;
        }
        // The line as the reader would give it: without its line feed, or its CR LF.
        const std::size_t lineStart = LineStartOf(lines, at);
        const auto lineEnd =
            static_cast<std::size_t>(static_cast<const char*>(std::memchr(data + at, '\n', size - at)) - data);
        const std::size_t textEnd = lineEnd > lineStart && data[lineEnd - 1] == '\r' ? lineEnd - 1 : lineEnd;
        reader.PassLinesBefore(data + lineStart);
        if (textEnd - lineStart > reader.PieceLimit())
            return Step::ReadLine; // it comes in pieces
        const std::string_view text = lines.substr(lineStart, textEnd - lineStart);
        const int64_t lineNumber = reader.LineNumber() + 1;
        ScanLine(text, lineNumber, scan.Hits);
        const bool goOn = Push(scan, text, lineNumber, 0);
        reader.PassLinesBefore(data + lineEnd + 1);
        if (!goOn || (StopAfterFirstMatch && scan.Count > 0))
            return Step::Stop;
        scan.Sink.Pending();
        pos = lineEnd + 1;
    }
}

TLineScanner::Step TLineScanner::ScanLinesWithPattern(TOpenFile& reader, std::string_view lines, TScan& scan) const
{
    const std::size_t size = lines.size(); // ends with a line feed
    const char* data = lines.data();
    constexpr std::size_t None = std::string_view::npos;
    auto skipRest = [&] {
        const bool skipped = reader.PassLinesBefore(data + size);
        if (skipped)
            scan.Sink.Pending();
        return Step::NextBuffer;
    };
    auto plainLine = [&](std::size_t lineStart) {
        reader.PassLinesBefore(data + lineStart);
        return Step::ReadLine;
    };

    // The next place of each required literal, found once and reused until it is passed.
    std::size_t literalAt[MaxHitLiterals];
    bool literalKnown[MaxHitLiterals] = {};
    auto nextLiteral = [&](std::size_t from) {
        std::size_t best = None;
        for (std::size_t i = 0; i < HitLiterals.size(); ++i) {
            if (!literalKnown[i] || literalAt[i] < from) {
                literalAt[i] = HitLiterals[i].Find(lines, from);
                literalKnown[i] = true;
            }
            best = std::min(best, literalAt[i]);
        }
        return best;
    };
    // The next CR that is not the CR of a CR LF: its line goes the plain way, since the buffer
    // program does not match a CR.
    std::size_t innerCr = None;
    bool innerCrKnown = false;
    auto nextInnerCr = [&](std::size_t from) {
        if (innerCrKnown && (innerCr == None || innerCr >= from))
            return innerCr;
        innerCrKnown = true;
        for (std::size_t at = from;; ++at) {
            const void* cr = std::memchr(data + at, '\r', size - at);
            if (!cr)
                return innerCr = None;
            at = static_cast<std::size_t>(static_cast<const char*>(cr) - data);
            if (data[at + 1] != '\n') // the buffer ends with a line feed, so at + 1 < size
                return innerCr = at;
        }
    };

    std::size_t pos = 0; // start of the first line not yet dealt with
    std::size_t start = 0, end = 0;
    bool found = false; // (start, end) is the first hit at or after pos
    for (;;) {
        if (scan.StopRequested.load(std::memory_order_relaxed))
            return Step::Stop;
        if (!found && !HitLiterals.empty()) {
            // Jump to the next line that holds one of the literals every hit holds; the lines
            // before it hold no hit.
            const std::size_t at = nextLiteral(pos);
            if (at == None)
                return skipRest();
            const std::size_t candidateStart = LineStartOf(lines, at);
            const auto candidateEnd =
                static_cast<std::size_t>(static_cast<const char*>(std::memchr(data + at, '\n', size - at)) - data);
            if (nextInnerCr(candidateStart) < candidateEnd)
                return plainLine(candidateStart);
            if (!Regex->Pattern().FindHitInLines(lines, candidateStart, candidateEnd + 1, start, end)) {
                pos = candidateEnd + 1;
                continue;
            }
            found = true;
        } else if (!found) {
            found = Regex->Pattern().FindHitInLines(lines, pos, size, start, end) && start < size;
            // A line to be taken the plain way may come before the hit.
            const std::size_t cr = nextInnerCr(pos);
            if (cr != None && (!found || cr < start))
                return plainLine(LineStartOf(lines, cr));
            if (!found)
                return skipRest();
        }
        const std::size_t lineStart = LineStartOf(lines, start);
        const auto lineEnd = static_cast<std::size_t>(
            static_cast<const char*>(std::memchr(data + start, '\n', size - start)) - data); // its line feed
        const std::size_t textEnd = lineEnd > lineStart && data[lineEnd - 1] == '\r' ? lineEnd - 1 : lineEnd;
        if (nextInnerCr(lineStart) < lineEnd || textEnd - lineStart > reader.PieceLimit())
            return plainLine(lineStart); // a lone CR, or a line that comes in pieces
        reader.PassLinesBefore(data + lineStart);

        const int64_t lineNumber = reader.LineNumber() + 1;
        const auto lineLength = static_cast<int32_t>(textEnd - lineStart);
        std::size_t resume = lineStart; // where the current text begins
        std::size_t lastEnd = None;
        // With literals to jump by, the search for more hits stays on this line; without them it
        // runs on to the next hit wherever it is.
        const std::size_t limit = HitLiterals.empty() ? size : lineEnd + 1;
        while (found && start <= textEnd) {
            end = std::min(end, textEnd); // a hit at the end of the text may have taken the CR
            std::size_t from;
            if (start == end && start == lastEnd) {
                from = start + 1; // an empty hit glued to the previous hit is no new hit
            } else {
                if (!WholeWordsOnly ||
                    IsWholeWord(lines.substr(resume, textEnd - resume), start - resume, end - resume)) {
                    scan.Hits.emplace_back(lineNumber, lineLength, static_cast<int32_t>(start - lineStart + 1),
                                           static_cast<int32_t>(end - lineStart + 1));
                }
                lastEnd = end;
                from = end > start ? end : end + 1;
            }
            resume = from;
            if (from > textEnd || (!HitLiterals.empty() && nextLiteral(from) >= textEnd))
                found = false; // no room left for a hit on this line
            else
                found = Regex->Pattern().FindHitInLines(lines, from, limit, start, end) && start < size;
        }
        // A hit found beyond the text's end but on this line (at its CR or line feed) is none:
        // the search goes on with the next line.
        if (found && start <= lineEnd)
            found = false;
        const bool goOn = Push(scan, lines.substr(lineStart, textEnd - lineStart), lineNumber, 0);
        reader.PassLinesBefore(data + lineEnd + 1);
        if (!goOn || (StopAfterFirstMatch && scan.Count > 0))
            return Step::Stop;
        scan.Sink.Pending();
        pos = lineEnd + 1;
        if (found) {
            // A line to be taken the plain way may lie between this line and the next hit.
            const std::size_t cr = nextInnerCr(pos);
            if (cr != None && cr < start)
                return plainLine(LineStartOf(lines, cr));
        }
    }
}

bool TLineScanner::Push(TScan& scan, std::string_view text, int64_t lineNumber, uint32_t piece)
{
    if (scan.Hits.empty())
        return true;
    scan.Count += static_cast<int64_t>(scan.Hits.size());
    const bool goOn = scan.Sink.Line(lineNumber, piece, text, scan.Hits);
    scan.Hits.clear();
    return goOn;
}

int64_t TLineScanner::Scan(TOpenFile& reader, uint8_t fileType, TLineSink& sink,
                           const std::atomic<bool>& stopRequested) const
{
    const bool lookAhead = BufferCheck != Prefilter::None && fileType == TFileData::Text;
    TScan scan{sink, stopRequested, {}};
    reader.SetStopFlag(&stopRequested);
    std::string_view line;
    while (!stopRequested.load(std::memory_order_relaxed)) {
        if (lookAhead) {
            // Whole lines of the buffer are looked at together before any is split off.
            const std::string_view buffer = reader.BufferedText();
            const void* lastLf = buffer.empty() ? nullptr : memrchr(buffer.data(), '\n', buffer.size());
            if (lastLf) {
                const std::string_view lines =
                    buffer.substr(0, static_cast<std::size_t>(static_cast<const char*>(lastLf) - buffer.data()) + 1);
                const Step step = BufferCheck == Prefilter::PatternHits   ? ScanLinesWithPattern(reader, lines, scan)
                                  : BufferCheck == Prefilter::LiteralHits ? ScanLinesWithLiterals(reader, lines, scan)
                                                                          : SkipToCandidate(reader, lines, scan);
                if (step == Step::Stop)
                    break;
                if (step == Step::NextBuffer)
                    continue;
            }
        }
        // A stop while the line was read may have cut it short.
        if (reader.ReadLine(line) == TOpenFile::EndOfLines || stopRequested.load(std::memory_order_relaxed))
            break;
        ScanLine(line, reader.LineNumber(), scan.Hits, reader.LinePiece());
        if (!Push(scan, line, reader.LineNumber(), reader.LinePiece()) || (StopAfterFirstMatch && scan.Count > 0))
            break;
        sink.Pending();
    }
    reader.SetStopFlag(nullptr);
    return scan.Count;
}

int64_t TLineScanner::ScanFile(std::unique_ptr<TFileData>& record, TFileList& results,
                           const TSearchNotifications& notify, const std::atomic<bool>& stopRequested)
{
    TOpenFile reader;
    reader.OpenRead(record->FullPath, record->EndsWithNewline, record->FileType);
    TRecordSink sink(*record, false, notify.ProcessPendingMessage);
    const int64_t count = Scan(reader, record->FileType, sink, stopRequested);
    reader.CloseFile();
    TRecordSink::Publish(record, results, notify);
    return count;
}
