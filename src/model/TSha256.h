// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// SHA-256 (FIPS 180-4) of a stream of bytes, fed in pieces of any size. The replace journal
// names a file's content by it, to tell whether a file still holds what a replace wrote.
//
// Feed with Update, then take the digest once with HexDigest (64 lower-case hex digits); the
// object is then spent. Not copyable is not needed: a copy hashes on independently.
class TSha256 {
public:
    TSha256();
    void Update(std::string_view bytes);
    std::string HexDigest();

    // The digest of `bytes` in one call.
    static std::string Of(std::string_view bytes);
    // The digest of the whole file at `path`, read to its end, with its size; false (and both
    // left alone) when it cannot be opened or read.
    static bool OfFile(const std::string& path, std::string& digest, int64_t& size);

private:
    void Block(const unsigned char* block);

    std::array<uint32_t, 8> State;
    std::array<unsigned char, 64> Pending{};
    std::size_t PendingSize = 0;
    uint64_t TotalBytes = 0;
};
