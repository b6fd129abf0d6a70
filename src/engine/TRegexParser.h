// SPDX-License-Identifier: MIT
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Parses and checks a pattern of the search's regular-expression dialect, and writes it out in
// the syntax of the matching engine (RE2).
//
// The dialect:
//   ^  $       the start and the end of the searched text (anywhere in the pattern)
//   .          any character
//   *  +  ?    zero or more, one or more, zero or one of the atom before; greedy
//   ( )        a group;   |   alternatives, tried from left to right
//   [ ]  [^ ]  a class of characters, or its complement, with ranges such as a-z; a ] that
//              comes first in the class and a - that comes first, last or right after a range
//              stand for themselves
//   \c         the character c itself, whatever c is (\d is the letter d, \? a question mark),
//              also inside a class
// Every other character stands for itself. Characters are bytes.
//
// Malformed patterns give the error codes of TRep: 3 more than MaxPatternLength characters,
// 5 more than MaxGroups groups, 6 an unbalanced ( or ), 7 a repeat with nothing before it or
// on something that can match the empty text (such as (a*)* or ^*, which loop without end in a
// backtracking matcher), 8 a repeat right after a repeat, 9 a range whose end is below its
// start, 10 a class without its ], 11 a backslash at the very end. The first fault from the
// left decides.
class TRegexParser {
public:
    // The most groups a pattern may hold.
    static constexpr int MaxGroups = 100;
    // The longest pattern taken. Longer ones are refused as too complex: the engine's program
    // for them would not fit its memory.
    static constexpr std::size_t MaxPatternLength = 100'000;

    enum class Target : uint8_t {
        // Match within one searched text: ^ and $ are its start and end.
        Line,
        // Find the lines of a buffer (whole lines, each ended by LF or CR LF) that may hold a
        // hit: nothing matches across a line feed, ^ and $ match at each line's start and end.
        Lines,
        // The same for a searched text that is only part of its line: ^ and $ match anywhere.
        LinesAnywhere,
        // Finds the hits themselves in a buffer of whole lines. On a line whose text holds no CR
        // (its CR LF end aside) it matches exactly where Line matches the line's text, except
        // that a hit ending at the line's end may take the CR of its CR LF.
        LineHits,
    };

    explicit TRegexParser(std::string_view pattern);

    // 0 when the pattern is well formed, else its error code.
    int ErrorCode() const { return Error; }

    // The pattern in RE2 syntax, for RE2 in Latin-1 mode with default options. With `foldCase`,
    // it matches a text exactly where the pattern matches that text with a to z turned into A to
    // Z. Empty when the pattern is malformed.
    std::string ToRE2(bool foldCase, Target target) const;

    // The longest run of literal characters that every hit contains (empty when there is none).
    std::string RequiredLiteral() const;
    // Texts of which every hit contains at least one, each at least `minLength` long: the
    // required literal, or else one literal of each alternative of a pattern made of up to
    // `maxCount` alternatives. Empty when there are none such.
    std::vector<std::string> RequiredLiterals(std::size_t minLength, std::size_t maxCount) const;
    // When the pattern is one literal text, or alternatives that are each a literal text (none
    // empty), those texts in order; otherwise nothing. Its hit is then, at the first place where
    // one of them occurs, the first of them that occurs there.
    std::vector<std::string> LiteralAlternatives() const;
    // Whether the pattern holds a ^ anywhere.
    bool HasStartAnchor() const;

private:
    enum class Kind : uint8_t { Empty, Set, Bol, Eol, Concat, Alternate, Group, Star, Plus, Quest };
    struct Node {
        Kind What;
        bool Nullable;      // can match the empty text
        bool Literal;       // a Set that came from one literal character
        uint8_t Byte;       // that character
        int SetIndex = -1;  // into Sets, for Set nodes
        std::vector<int> Kids;
    };

    int Add(Node node);
    int ParseAlternation();
    int ParseBranch();
    int ParseAtom();
    int ParseClass();
    bool Fail(int code);

    void Emit(int node, bool foldCase, Target target, std::string& out) const;
    void CollectLiterals(int node, std::string& run, std::string& best) const;
    bool IsLiteral(int node) const;

    std::string_view Pattern;
    std::size_t Pos = 0;
    int Groups = 0;
    int Error = 0;
    int Root = -1;
    std::vector<Node> Nodes;
    std::vector<std::bitset<256>> Sets;
};
