// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Finds a fixed run of bytes in a text, case-sensitively or with the ASCII letters folded (a to
// z equal to A to Z, every other byte only to itself). Built once per search; finding costs no
// allocation. Candidates are found by comparing two of the needle's rarest bytes across a whole
// vector of positions at once, then checked in full.
class TLiteralFinder {
public:
    static constexpr std::size_t npos = std::string_view::npos;

    TLiteralFinder(std::string_view needle, bool foldCase);

    bool Empty() const { return Needle.empty(); }
    std::size_t Size() const { return Needle.size(); }

    // The offset of the first occurrence in `text` that starts at or after `from`, or npos.
    // An empty needle is found nowhere.
    std::size_t Find(std::string_view text, std::size_t from = 0) const;

private:
    bool MatchesAt(const unsigned char* at) const;
    std::size_t FindScalar(const unsigned char* text, std::size_t last, std::size_t from) const;
    std::size_t FindSse2(const unsigned char* text, std::size_t last, std::size_t from) const;
    std::size_t FindAvx2(const unsigned char* text, std::size_t last, std::size_t from) const;

    std::string Needle;     // folded to upper case when FoldCase
    bool FoldCase;
    std::size_t Rare1 = 0;  // positions in Needle of the two bytes to scan for
    std::size_t Rare2 = 0;
    unsigned char Byte1[2] = {0, 0};  // the text bytes that match them (both cases of a letter)
    unsigned char Byte2[2] = {0, 0};
    bool UseAvx2 = false;
};
