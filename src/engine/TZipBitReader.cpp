// SPDX-License-Identifier: MIT
#include "engine/TZipBitReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {
constexpr std::size_t ChunkSize = 64 * 1024;
}

TZipBitReader::TZipBitReader(TSource source) : Source(std::move(source)), Buffer(ChunkSize) {}

TZipBitReader::TZipBitReader(std::string_view bytes)
    : Source([bytes](unsigned char* buffer, std::size_t capacity) mutable {
          const std::size_t n = std::min(capacity, bytes.size());
          if (n > 0)
              std::memcpy(buffer, bytes.data(), n);
          bytes.remove_prefix(n);
          return n;
      }),
      Buffer(ChunkSize)
{
}

bool TZipBitReader::Refill(unsigned need)
{
    // Whole bytes go into the 64-bit accumulator while at least 8 bits of room are left.
    while (Count <= 56) {
        if (Pos == End) {
            End = Source ? Source(Buffer.data(), Buffer.size()) : 0;
            Pos = 0;
            if (End == 0)
                break;
        }
        Bits |= uint64_t{Buffer[Pos++]} << Count;
        Count += 8;
    }
    return Count >= need;
}
