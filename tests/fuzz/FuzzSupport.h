// SPDX-License-Identifier: MIT
#pragma once

// What the fuzz targets share: a check that stops the run where libFuzzer sees it, and a private
// folder for the files a target writes.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace fuzz {

// Stops the run with `what` when `condition` fails.
inline void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// A private folder in memory-backed storage for the whole run ("/dev/shm/quarnel-<name>-..."),
// made on first use and removed at exit. The path lives in a plain array so that it is still
// there when the exit handler runs.
inline std::string Root(const char* name)
{
    static char path[256];
    static const bool made = [name] {
        std::snprintf(path, sizeof path, "/dev/shm/quarnel-%s-XXXXXX", name);
        if (!mkdtemp(path))
            std::abort();
        std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(path, error);
        });
        return true;
    }();
    (void)made;
    return path;
}

} // namespace fuzz
