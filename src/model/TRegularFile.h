// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>

#include <string>

// Opens files by name for reading without ever waiting on what the name turns out to be.
class TRegularFile {
public:
    // Opens `path` read-only and returns the descriptor, or -1 with errno set. The open itself
    // cannot block (a FIFO, a terminal or a device under a file's name would otherwise hold the
    // caller until someone writes to it), and anything but a regular file is refused with
    // errno EINVAL, since reading it might never end. The descriptor is close-on-exec and
    // blocking again. `info`, when given, receives the file's status.
    static int OpenForReading(const std::string& path, struct stat* info = nullptr);
};
