// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Collects the bytes a decoder produces and hands them on in chunks of at most 64 KB, so a
// member's size never decides how much memory its extraction takes.
class TZipSink {
public:
    // Takes `size` bytes; returns false when they cannot be kept (a failed write).
    using TWriter = std::function<bool(const char* data, std::size_t size)>;

    explicit TZipSink(TWriter writer);
    TZipSink(const TZipSink&) = delete;
    TZipSink& operator=(const TZipSink&) = delete;

    bool Put(unsigned char byte)
    {
        Buffer[Used++] = static_cast<char>(byte);
        ++Total;
        return Used < Buffer.size() || Flush();
    }
    // Takes a block of bytes at once.
    bool Append(const char* data, std::size_t size);
    // Hands on what is collected. Once a write has failed every later call fails too.
    bool Flush();
    // Bytes taken so far, handed on or not.
    uint64_t Produced() const { return Total; }

private:
    TWriter Writer;
    std::vector<char> Buffer;
    std::size_t Used = 0;
    uint64_t Total = 0;
    bool Failed = false;
};
