// SPDX-License-Identifier: MIT
#include "engine/TShrinkDecoder.h"

#include "engine/TZipBitReader.h"
#include "engine/TZipSink.h"

#include <algorithm>

namespace {
constexpr unsigned MinCodeSize = 9;
constexpr unsigned MaxCodeSize = 13;
constexpr unsigned TableSize = 1u << MaxCodeSize;
constexpr unsigned ControlCode = 256;
constexpr unsigned FirstFreeCode = 257;
constexpr unsigned GrowCodeSize = 1;
constexpr unsigned ClearLeaves = 2;
constexpr int16_t Free = -1;
}

TShrinkDecoder::TShrinkDecoder()
    : Parent(TableSize, Free), Suffix(TableSize, 0), Children(TableSize, 0), InLeaves(TableSize, false),
      FreeBits(TableSize / 64, 0), Stack(TableSize + 1, 0)
{
}

unsigned TShrinkDecoder::LowestFree()
{
    while (FreeHint < FreeBits.size() && FreeBits[FreeHint] == 0)
        ++FreeHint;
    if (FreeHint == FreeBits.size())
        return TableSize;
    return static_cast<unsigned>(FreeHint * 64 + static_cast<unsigned>(__builtin_ctzll(FreeBits[FreeHint])));
}

void TShrinkDecoder::Assign(unsigned code, unsigned parent, uint8_t suffix)
{
    Parent[code] = static_cast<int16_t>(parent);
    Suffix[code] = suffix;
    FreeBits[code / 64] &= ~(uint64_t{1} << (code % 64));
    // The prefix may be a free code (freed by a clear) or even this code itself; it counts as
    // having a child all the same, so it is not freed while this entry lives.
    ++Children[parent];
    if (!InLeaves[code]) {
        InLeaves[code] = true;
        Leaves.push_back(static_cast<uint16_t>(code));
    }
}

void TShrinkDecoder::PartialClear()
{
    // All leaves go at once: a prefix whose last child goes now is freed by the next clear only.
    std::vector<uint16_t> freed;
    for (uint16_t code : Leaves) {
        InLeaves[code] = false;
        if (Parent[code] != Free && Children[code] == 0)
            freed.push_back(code);
    }
    Leaves.clear();
    for (uint16_t code : freed) {
        const unsigned parent = static_cast<unsigned>(Parent[code]);
        Parent[code] = Free;
        FreeBits[code / 64] |= uint64_t{1} << (code % 64);
        FreeHint = std::min<std::size_t>(FreeHint, code / 64);
        if (--Children[parent] == 0 && parent >= FirstFreeCode && Parent[parent] != Free && !InLeaves[parent]) {
            InLeaves[parent] = true;
            Leaves.push_back(static_cast<uint16_t>(parent));
        }
    }
}

bool TShrinkDecoder::Expand(unsigned code, int previous)
{
    StackSize = 0;
    // An acyclic chain visits each code at most once, so a longer walk means the table holds a
    // loop (possible only in a damaged stream).
    for (unsigned steps = 0; steps <= TableSize; ++steps) {
        if (code < ControlCode) {
            Stack[StackSize++] = static_cast<uint8_t>(code);
            return true;
        }
        if (code == ControlCode)
            return false;
        if (Parent[code] == Free) {
            // A code used before it is defined: only the code that this very step defines,
            // whose string is the previous string plus its own first byte.
            if (code != LowestFree() || previous < 0 || (previous >= static_cast<int>(ControlCode) && Parent[previous] == Free))
                return false;
            unsigned first = static_cast<unsigned>(previous);
            for (unsigned inner = 0; first > ControlCode; ++inner) {
                if (Parent[first] == Free || inner > TableSize)
                    return false;
                first = static_cast<unsigned>(Parent[first]);
            }
            if (first == ControlCode)
                return false;
            if (StackSize >= Stack.size())
                return false;
            Stack[StackSize++] = static_cast<uint8_t>(first);
            code = static_cast<unsigned>(previous);
            previous = -1;  // the definition can be used once per string
            continue;
        }
        if (StackSize >= Stack.size())
            return false;
        Stack[StackSize++] = Suffix[code];
        code = static_cast<unsigned>(Parent[code]);
    }
    return false;
}

bool TShrinkDecoder::Decode(TZipBitReader& input, uint64_t size, TZipSink& output)
{
    std::fill(Parent.begin(), Parent.end(), Free);
    std::fill(Children.begin(), Children.end(), uint16_t{0});
    std::fill(InLeaves.begin(), InLeaves.end(), false);
    Leaves.clear();
    // Codes 0-256 are never free.
    std::fill(FreeBits.begin(), FreeBits.begin() + FirstFreeCode / 64, uint64_t{0});
    std::fill(FreeBits.begin() + FirstFreeCode / 64, FreeBits.end(), ~uint64_t{0});
    FreeBits[FirstFreeCode / 64] = ~uint64_t{0} << (FirstFreeCode % 64);
    FreeHint = 0;
    unsigned codeSize = MinCodeSize;
    int previous = -1;
    uint64_t produced = 0;

    while (produced < size) {
        uint32_t code;
        if (!input.Read(codeSize, code))
            return false;
        if (code == ControlCode) {
            uint32_t control;
            if (!input.Read(codeSize, control))
                return false;
            if (control == GrowCodeSize && codeSize < MaxCodeSize)
                ++codeSize;
            else if (control == ClearLeaves)
                PartialClear();
            else
                return false;
            continue;
        }
        if (previous < 0 && code >= ControlCode)
            return false;  // the first code of a stream is always a byte
        if (!Expand(code, previous))
            return false;

        const uint8_t first = Stack[StackSize - 1];
        while (StackSize > 0 && produced < size) {
            if (!output.Put(Stack[--StackSize]))
                return false;
            ++produced;
        }
        // The new entry is the previous string extended by the first byte of this one. Its
        // prefix may have been freed by a partial clear; the entry then stands for whatever
        // that code is given next.
        if (previous >= 0) {
            const unsigned added = LowestFree();
            if (added < TableSize)
                Assign(added, static_cast<unsigned>(previous), first);
        }
        previous = static_cast<int>(code);
    }
    return output.Flush();
}
