// SPDX-License-Identifier: MIT
#include "TestDir.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

TestDir::TestDir()
{
    std::string pattern = (fs::temp_directory_path() / "quarnel-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        throw std::runtime_error("cannot make a temporary folder");
    Root = buffer.data();
}

TestDir::~TestDir()
{
    std::error_code error;
    // Give back write permission first, so that folders a test made unreadable can be removed.
    for (auto it = fs::recursive_directory_iterator(Root, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::permissions(Root, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(Root, error);
}

std::string TestDir::PathOf(std::string_view relative) const
{
    return (fs::path(Root) / fs::path(std::string(relative))).string();
}

std::string TestDir::WriteFile(std::string_view relative, std::string_view bytes)
{
    const std::string path = PathOf(relative);
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
    return path;
}

std::string TestDir::WriteFile(std::string_view relative, std::string_view bytes, std::time_t mtime, long nanoseconds)
{
    const std::string path = WriteFile(relative, bytes);
    SetModified(relative, mtime, nanoseconds);
    return path;
}

std::string TestDir::MakeFolder(std::string_view relative)
{
    const std::string path = PathOf(relative);
    fs::create_directories(path);
    return path;
}

void TestDir::SetModified(std::string_view relative, std::time_t mtime, long nanoseconds)
{
    const std::string path = PathOf(relative);
    const timespec times[2] = {{mtime, nanoseconds}, {mtime, nanoseconds}};
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw std::runtime_error("cannot set the time of " + path);
}

std::string TestDir::ReadFile(std::string_view relative) const
{
    std::ifstream in(PathOf(relative), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> EntryNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
