// SPDX-License-Identifier: MIT
#include "engine/TOpenFolder.h"

#include <sys/resource.h>
#include <unistd.h>

std::atomic<std::size_t> TOpenFolder::Held{0};

TOpenFolder::TOpenFolder(int descriptor) : Descriptor(descriptor)
{
    Held.fetch_add(1, std::memory_order_relaxed);
}

TOpenFolder::~TOpenFolder()
{
    ::close(Descriptor);
    Held.fetch_sub(1, std::memory_order_relaxed);
}

std::size_t TOpenFolder::Budget()
{
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 256;
    return static_cast<std::size_t>(limit.rlim_cur / 4);
}
