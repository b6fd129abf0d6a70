// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

// Reads the compressed data of an archive member bit by bit, the lowest bit of each byte first
// (the order of both the shrink and the implode formats). Bytes are pulled from a source in
// chunks, so a member of any size is read through a fixed buffer.
class TZipBitReader {
public:
    // Fills `buffer` with up to `capacity` bytes and returns how many; 0 means the input ended.
    using TSource = std::function<std::size_t(unsigned char* buffer, std::size_t capacity)>;

    explicit TZipBitReader(TSource source);
    // Reads bytes in memory; they must outlive the reader.
    explicit TZipBitReader(std::string_view bytes);

    // Takes `count` bits (0 to 24), the first bit read lowest in `value`. Returns false, taking
    // nothing, when the input ends before `count` bits.
    bool Read(unsigned count, uint32_t& value)
    {
        if (Count < count && !Refill(count))
            return false;
        value = static_cast<uint32_t>(Bits & ((uint64_t{1} << count) - 1));
        Bits >>= count;
        Count -= count;
        return true;
    }

private:
    bool Refill(unsigned need);

    TSource Source;
    std::vector<unsigned char> Buffer;
    std::size_t Pos = 0;
    std::size_t End = 0;
    uint64_t Bits = 0;
    unsigned Count = 0;
};
