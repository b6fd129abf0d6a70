// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

class TZipBitReader;
class TZipSink;

// Decodes the "shrunk" member method: dynamic LZW with codes of 9 to 13 bits. Codes 0-255 are
// the bytes themselves; code 256 announces a control code at the current width: 1 widens the
// codes by one bit, 2 frees every table entry that is no other entry's prefix (a partial clear).
// New entries take the lowest free code, so codes freed by a partial clear are used again from
// the lowest up.
//
// The stream has no end marker: decoding stops when the member's size has been produced. A
// malformed stream (an unknown control code, an unassigned code, a loop in the table) or one that
// ends early fails; memory use is fixed whatever the input says.
class TShrinkDecoder {
public:
    TShrinkDecoder();

    // Decodes until `size` bytes went to `output`. True when all of them did.
    bool Decode(TZipBitReader& input, uint64_t size, TZipSink& output);

private:
    // Pushes the string of `code` onto the stack, last byte first. `previous` stands in for a
    // free code that is about to be assigned (the string that is being defined by this code).
    bool Expand(unsigned code, int previous);
    void Assign(unsigned code, unsigned parent, uint8_t suffix);
    void PartialClear();
    // The lowest free code, or the table size when none is free.
    unsigned LowestFree();

    // Prefix code of each entry (Free when unassigned) and its last byte.
    std::vector<int16_t> Parent;
    std::vector<uint8_t> Suffix;
    // How many assigned entries name each code as their prefix. A clear frees exactly the
    // assigned codes >= 257 whose count is 0; they are kept in Leaves (with stale ones that are
    // skipped), so a clear costs what it frees, not a pass over the whole table.
    std::vector<uint16_t> Children;
    std::vector<uint16_t> Leaves;
    std::vector<bool> InLeaves;
    // One bit per code, set when the code is free; FreeHint is the lowest word that may hold one.
    std::vector<uint64_t> FreeBits;
    std::size_t FreeHint = 0;
    std::vector<uint8_t> Stack;
    std::size_t StackSize = 0;
};
