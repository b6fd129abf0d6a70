// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The record a successful execution fills: the 0-based offset of the hit's first character in
// the searched text, and the offset just after its last character.
struct TRegMatch {
    int32_t StartOffset = 0;
    int32_t EndOffset = 0;
};

// The regular-expression service. The dialect and its error codes are those of TRegexParser;
// RE2 does the matching, so matching time is linear in the text, whatever the pattern. Hits are
// leftmost-first: repeats are greedy and alternatives are tried in order.
struct TRegProgram;

// Compiles `pattern`. `errorCode` is set to 0 on success or to the error code. The result is to
// be released with RegFree, also when the compilation failed. With `foldCase` the program matches
// as if both the pattern and the text had their letters a to z turned into A to Z.
TRegProgram* RegComp(std::string_view pattern, int32_t& errorCode, bool foldCase = false);
// 0 when the pattern occurs in `text`, with `match` holding the first hit; 1 when it does not;
// 2 when `program` did not compile.
int RegExec(const TRegProgram* program, std::string_view text, TRegMatch& match);
void RegFree(TRegProgram* program);

// One compiled regular expression. Not copyable: it owns its compiled program.
class TRep {
public:
    // The error codes run from 0 ("No error") to 12.
    static constexpr int32_t LastErrorCode = 12;

    explicit TRep(std::string_view pattern, bool foldCase = false);
    ~TRep();
    TRep(const TRep&) = delete;
    TRep& operator=(const TRep&) = delete;

    bool IsValid() const { return Compiled; }
    int32_t ErrorCode() const { return Code; }
    // The text of this pattern's error code.
    std::string ErrorText() const { return ErrorText(Code); }
    // The text of an error code; empty for a code outside 0 to 12.
    static std::string ErrorText(int32_t code);

    // True when the pattern occurs in `text`; `match` then holds the first hit.
    bool Execute(std::string_view text, TRegMatch& match) const;
    // The same with offsets of any size.
    bool Find(std::string_view text, std::size_t& start, std::size_t& end) const;

    // For scanners that look at a whole buffer of lines before splitting it:
    // a run of literal characters that every hit contains (empty when there is none; folded to
    // upper case when the pattern was compiled with folded case), and
    std::string RequiredLiteral() const;
    // a second program that finds, in a buffer of whole lines each ended by LF or CR LF, a place
    // on the first line that may hold a hit. With `anchorsAtLineEnds` false, ^ and $ may match
    // anywhere (the searched text is only part of its line). False when it cannot be made.
    bool PrepareLineSearch(bool anchorsAtLineEnds);
    // After PrepareLineSearch: false when no line of `lines` holds a hit; otherwise `position` is
    // an offset within the first line that may.
    bool FindInLines(std::string_view lines, std::size_t& position) const;
    // A third program that finds the hits themselves in a buffer of whole lines: for a pattern
    // without ^, FindHitInLines gives the first hit that starts at or after `from`, and on
    // every line whose text holds no CR (its CR LF end aside) that is exactly the hit the
    // search of the line's text gives when it starts or resumes at `from`, except that a hit
    // ending at the end of the line's text may also take the CR of the line's CR LF.
    // The search looks no further than `limit`, which must be the end of `lines` or of a line.
    bool PrepareLineHits();
    bool FindHitInLines(std::string_view lines, std::size_t from, std::size_t limit, std::size_t& start,
                        std::size_t& end) const;
    // Texts of which every hit holds at least one (see TRegexParser::RequiredLiterals).
    std::vector<std::string> RequiredLiterals(std::size_t minLength, std::size_t maxCount) const;
    // The texts of a pattern made only of literal alternatives (see TRegexParser).
    std::vector<std::string> LiteralAlternatives() const;
    // Whether the pattern holds a ^.
    bool HasStartAnchor() const;

private:
    TRegProgram* Handle = nullptr;
    int32_t Code = 0;
    bool Compiled = false;
};
