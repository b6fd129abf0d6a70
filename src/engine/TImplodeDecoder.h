// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <vector>

class TZipBitReader;
class TZipSink;

// Decodes the "imploded" member method: a sliding dictionary of 4 KB or 8 KB whose output is
// coded with two or three Shannon-Fano trees. The trees come first in the stream, each as a
// run-length list of code lengths: with three trees the literal tree (256 values), then the
// length tree and the distance tree (64 values each); with two the literals are plain bytes.
// The minimum match length is 3 with a literal tree and 2 without.
//
// The stream has no end marker: decoding stops when the member's size has been produced.
// Matches may reach back before the start of the output, which reads as zeros. A malformed tree,
// a code no tree holds or input that ends early fails the member.
class TImplodeDecoder {
public:
    // The two options come from the member's general-purpose flags (bits 1 and 2).
    TImplodeDecoder(bool largeWindow, bool literalTree);
    static TImplodeDecoder FromFlags(uint16_t flags) { return TImplodeDecoder((flags & 2) != 0, (flags & 4) != 0); }

    // Decodes until `size` bytes went to `output`. True when all of them did.
    bool Decode(TZipBitReader& input, uint64_t size, TZipSink& output);

private:
    // A decoding tree: node 0 is the root; a child entry >= 0 is a node, -1 - value is a leaf,
    // and NoChild marks a code no value has.
    struct TTree {
        std::vector<std::array<int, 2>> Nodes;
    };
    static constexpr int NoChild = INT32_MIN;

    static bool ReadTree(TZipBitReader& input, unsigned valueCount, TTree& tree);
    static bool DecodeValue(TZipBitReader& input, const TTree& tree, unsigned& value);

    bool LargeWindow;
    bool LiteralTree;
    TTree Literals;
    TTree Lengths;
    TTree Distances;
    std::vector<uint8_t> Window;
};
