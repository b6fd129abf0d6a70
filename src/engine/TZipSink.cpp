// SPDX-License-Identifier: MIT
#include "engine/TZipSink.h"

#include <algorithm>
#include <cstring>
#include <utility>

TZipSink::TZipSink(TWriter writer) : Writer(std::move(writer)), Buffer(64 * 1024) {}

bool TZipSink::Flush()
{
    if (!Failed && Used > 0 && Writer && !Writer(Buffer.data(), Used))
        Failed = true;
    Used = 0;
    return !Failed;
}

bool TZipSink::Append(const char* data, std::size_t size)
{
    Total += size;
    while (size > 0 && !Failed) {
        const std::size_t n = std::min(size, Buffer.size() - Used);
        std::memcpy(Buffer.data() + Used, data, n);
        Used += n;
        data += n;
        size -= n;
        if (Used == Buffer.size())
            Flush();
    }
    return !Failed;
}
