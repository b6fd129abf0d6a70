// SPDX-License-Identifier: MIT
#include "model/TConfigFolder.h"

#include <sys/stat.h>

#include <cerrno>

#include "model/TSettingsStore.h"

namespace {

constexpr mode_t OthersBits = 077;

// The same folder: the same file on disk or, when either does not exist yet, the same text.
bool SameFolder(const std::string& a, const std::string& b)
{
    struct stat first;
    struct stat second;
    if (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    return a == b;
}

} // namespace

bool TConfigFolder::MakeFolders(const std::string& folder)
{
    struct stat info;
    if (stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const std::string parent = TAtomicFile::FolderOf(folder);
    if (parent != folder && parent != "." && parent != "/" && !MakeFolders(parent))
        return false;
    return mkdir(folder.c_str(), FolderMode) == 0 || errno == EEXIST;
}

bool TConfigFolder::MakePrivate(const std::string& folder)
{
    if (folder.empty() || !MakeFolders(folder))
        return false;
    struct stat info;
    if (lstat(folder.c_str(), &info) != 0)
        return false;
    // A link is left alone: its target is the user's own choice of folder.
    if (S_ISDIR(info.st_mode) && (info.st_mode & OthersBits) != 0)
        return chmod(folder.c_str(), info.st_mode & 07777 & ~OthersBits) == 0;
    return true;
}

bool TConfigFolder::Holds(const std::string& path)
{
    const std::string folder = TSettingsStore::ConfigFolder();
    return !folder.empty() && !path.empty() && SameFolder(TAtomicFile::FolderOf(path), folder);
}

bool TConfigFolder::Narrow(TAtomicFile::TRewrite& rewrite)
{
    if (!Holds(rewrite.Target))
        return false;
    if (rewrite.Existed)
        rewrite.Info.st_mode &= ~OthersBits;
    return true;
}
