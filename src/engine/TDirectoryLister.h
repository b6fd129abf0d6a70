// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TOpenFolder;

// One entry of a folder as the walk sees it.
struct TDirEntry {
    std::string Name;
    bool IsFolder = false;   // a folder, or a link to one
    bool IsLink = false;     // the entry itself is a symbolic link
    uint64_t Device = 0;     // of the entry's target, for loop detection
    uint64_t Inode = 0;
};

// Lists a folder in a stable order: names compared without regard to ASCII case, then byte by
// byte, so that every run on the same tree visits files in the same order.
class TDirectoryLister {
public:
    // False when the folder cannot be opened or read; `entries` then holds what was read.
    static bool List(const std::string& folder, std::vector<TDirEntry>& entries);
    // As List, and `opened` keeps the folder open (null when it could not be opened), so that
    // its files can be opened by name.
    static bool List(const std::string& folder, std::vector<TDirEntry>& entries, std::shared_ptr<TOpenFolder>& opened);

    // True when `folder` lies in a file system the kernel makes up as it is read (/proc, /sys,
    // cgroups, debugfs and the like): such trees hold links back to the whole file system and
    // folders that come and go, so a walk never ends in them.
    static bool IsKernelFileSystem(const std::string& folder);
};
