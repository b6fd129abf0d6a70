// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>

// A folder held open while its files are searched, so that each file is opened by its name in
// the folder instead of by a whole path the kernel must walk again. Shared by the walk and the
// jobs of the folder's files; the last owner closes it.
class TOpenFolder {
public:
    // Takes over `descriptor`, an open folder.
    explicit TOpenFolder(int descriptor);
    ~TOpenFolder();
    TOpenFolder(const TOpenFolder&) = delete;
    TOpenFolder& operator=(const TOpenFolder&) = delete;

    int Fd() const { return Descriptor; }

    // How many folders are held open in this process now.
    static std::size_t HeldOpen() { return Held.load(std::memory_order_relaxed); }
    // How many may be held open: a quarter of the process's limit of open files, so that
    // the files, the folders being walked and everything else the program opens still fit.
    static std::size_t Budget();

private:
    const int Descriptor;
    static std::atomic<std::size_t> Held;
};
