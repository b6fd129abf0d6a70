// SPDX-License-Identifier: MIT
#include "engine/TImplodeDecoder.h"

#include <algorithm>
#include <climits>
#include <numeric>

#include "engine/TZipBitReader.h"
#include "engine/TZipSink.h"

namespace {
// Back references reach at most 64 * 128 bytes back; the window is kept at that size for both
// dictionary sizes, so no distance can point outside it.
constexpr unsigned WindowSize = 8192;
constexpr unsigned MaxCodeLength = 16;
}

TImplodeDecoder::TImplodeDecoder(bool largeWindow, bool literalTree)
    : LargeWindow(largeWindow), LiteralTree(literalTree), Window(WindowSize, 0)
{
}

bool TImplodeDecoder::ReadTree(TZipBitReader& input, unsigned valueCount, TTree& tree)
{
    // The stored form: a byte holding the number of following bytes less one, then per byte a
    // run of (high nibble + 1) values whose code length is (low nibble + 1).
    uint32_t byteCount;
    if (!input.Read(8, byteCount))
        return false;
    std::vector<unsigned> lengths;
    lengths.reserve(valueCount);
    for (uint32_t i = 0; i <= byteCount; ++i) {
        uint32_t byte;
        if (!input.Read(8, byte))
            return false;
        const unsigned length = (byte & 0x0F) + 1;
        const unsigned run = (byte >> 4) + 1;
        if (lengths.size() + run > valueCount)
            return false;
        lengths.insert(lengths.end(), run, length);
    }
    if (lengths.size() != valueCount)
        return false;

    // Codes are given out from the longest length down: the last value of the sorted order gets
    // code 0 and each next one the previous code plus one unit of its own length. Values of equal
    // length keep their stored order.
    std::vector<unsigned> order(valueCount);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) { return lengths[a] < lengths[b]; });
    std::vector<uint32_t> codes(valueCount);
    uint32_t code = 0;
    uint32_t increment = 0;
    unsigned lastLength = 0;
    for (unsigned i = valueCount; i-- > 0;) {
        code += increment;
        const unsigned length = lengths[order[i]];
        if (length != lastLength) {
            lastLength = length;
            increment = 1u << (MaxCodeLength - length);
        }
        codes[order[i]] = code;
    }
    // More codes than the lengths allow: the shortest code would not fit in 16 bits.
    if (code + increment > (1u << MaxCodeLength))
        return false;

    // The codes go into a binary tree read from their top bit down, which is the order the
    // stream holds their bits in.
    tree.Nodes.assign(1, {NoChild, NoChild});
    for (unsigned value = 0; value < valueCount; ++value) {
        int node = 0;
        for (unsigned bit = 0; bit < lengths[value]; ++bit) {
            const unsigned side = (codes[value] >> (MaxCodeLength - 1 - bit)) & 1;
            int& child = tree.Nodes[static_cast<unsigned>(node)][side];
            const bool last = bit + 1 == lengths[value];
            if (last) {
                if (child != NoChild)
                    return false;
                child = -1 - static_cast<int>(value);
            } else {
                if (child == NoChild) {
                    child = static_cast<int>(tree.Nodes.size());
                    tree.Nodes.push_back({NoChild, NoChild});
                } else if (child < 0) {
                    return false;
                }
                node = tree.Nodes[static_cast<unsigned>(node)][side];
            }
        }
    }
    return true;
}

bool TImplodeDecoder::DecodeValue(TZipBitReader& input, const TTree& tree, unsigned& value)
{
    int node = 0;
    for (unsigned depth = 0; depth < MaxCodeLength; ++depth) {
        uint32_t bit;
        if (!input.Read(1, bit))
            return false;
        const int child = tree.Nodes[static_cast<unsigned>(node)][bit];
        if (child == NoChild)
            return false;
        if (child < 0) {
            value = static_cast<unsigned>(-1 - child);
            return true;
        }
        node = child;
    }
    return false;
}

bool TImplodeDecoder::Decode(TZipBitReader& input, uint64_t size, TZipSink& output)
{
    if (size == 0)
        return output.Flush();
    if (LiteralTree && !ReadTree(input, 256, Literals))
        return false;
    if (!ReadTree(input, 64, Lengths) || !ReadTree(input, 64, Distances))
        return false;

    std::fill(Window.begin(), Window.end(), uint8_t{0});
    const unsigned lowDistanceBits = LargeWindow ? 7 : 6;
    const unsigned minMatch = LiteralTree ? 3 : 2;
    unsigned position = 0;
    uint64_t produced = 0;

    while (produced < size) {
        uint32_t isLiteral;
        if (!input.Read(1, isLiteral))
            return false;
        if (isLiteral) {
            unsigned byte;
            if (LiteralTree) {
                if (!DecodeValue(input, Literals, byte))
                    return false;
            } else {
                uint32_t raw;
                if (!input.Read(8, raw))
                    return false;
                byte = raw;
            }
            Window[position] = static_cast<uint8_t>(byte);
            position = (position + 1) % WindowSize;
            if (!output.Put(static_cast<uint8_t>(byte)))
                return false;
            ++produced;
            continue;
        }

        uint32_t low;
        unsigned high, lengthCode;
        if (!input.Read(lowDistanceBits, low) || !DecodeValue(input, Distances, high) || !DecodeValue(input, Lengths, lengthCode))
            return false;
        const unsigned distance = ((high << lowDistanceBits) | low) + 1;
        uint64_t length = lengthCode + minMatch;
        if (lengthCode == 63) {
            uint32_t extra;
            if (!input.Read(8, extra))
                return false;
            length += extra;
        }
        length = std::min(length, size - produced);
        unsigned from = (position + WindowSize - distance) % WindowSize;
        for (uint64_t i = 0; i < length; ++i) {
            const uint8_t byte = Window[from];
            Window[position] = byte;
            from = (from + 1) % WindowSize;
            position = (position + 1) % WindowSize;
            if (!output.Put(byte))
                return false;
        }
        produced += length;
    }
    return output.Flush();
}
