// SPDX-License-Identifier: MIT
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// A private temporary folder for one test, removed with everything in it when the object goes.
// Files are made with exact bytes and, where a test needs it, an exact modification time.
class TestDir {
public:
    TestDir();
    ~TestDir();
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;

    // The folder, without a trailing separator.
    const std::string& Path() const { return Root; }
    // `relative` joined to the folder.
    std::string PathOf(std::string_view relative) const;

    // Writes a file (and any missing parent folders) with exactly `bytes`; returns its path.
    std::string WriteFile(std::string_view relative, std::string_view bytes);
    // The same, then sets its modification time (seconds and nanoseconds since the epoch).
    std::string WriteFile(std::string_view relative, std::string_view bytes, std::time_t mtime, long nanoseconds = 0);
    // Makes a folder (and its parents); returns its path.
    std::string MakeFolder(std::string_view relative);
    // Sets the modification time of an existing path.
    void SetModified(std::string_view relative, std::time_t mtime, long nanoseconds = 0);
    // The whole content of a file, or an empty string when it cannot be read.
    std::string ReadFile(std::string_view relative) const;

private:
    std::string Root;
};

// The names of the entries of `folder`, sorted.
std::vector<std::string> EntryNames(const std::string& folder);
