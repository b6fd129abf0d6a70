// SPDX-License-Identifier: MIT
#include "engine/TDirectoryLister.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "engine/TOpenFolder.h"

namespace {

int CompareNoCase(const std::string& a, const std::string& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x -= 'a' - 'A';
        if (y >= 'a' && y <= 'z')
            y -= 'a' - 'A';
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

// The file systems whose folders are made by the kernel, not stored.
constexpr unsigned long KernelFileSystems[] = {
    PROC_SUPER_MAGIC,   SYSFS_MAGIC,      DEBUGFS_MAGIC,       TRACEFS_MAGIC,   SECURITYFS_MAGIC,
    CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC, BPF_FS_MAGIC,     PSTOREFS_MAGIC,  EFIVARFS_MAGIC,
    DEVPTS_SUPER_MAGIC, BINFMTFS_MAGIC,   SELINUX_MAGIC,       SMACK_MAGIC,     NSFS_MAGIC,
    0x62656570 /* configfs */, 0x65735543 /* fusectl */,
};

} // namespace

bool TDirectoryLister::IsKernelFileSystem(const std::string& folder)
{
    struct statfs info {};
    if (statfs(folder.c_str(), &info) != 0)
        return false;
    const auto type = static_cast<unsigned long>(info.f_type);
    return std::find(std::begin(KernelFileSystems), std::end(KernelFileSystems), type) != std::end(KernelFileSystems);
}

bool TDirectoryLister::List(const std::string& folder, std::vector<TDirEntry>& entries)
{
    std::shared_ptr<TOpenFolder> opened;
    return List(folder, entries, opened);
}

bool TDirectoryLister::List(const std::string& folder, std::vector<TDirEntry>& entries,
                            std::shared_ptr<TOpenFolder>& opened)
{
    entries.clear();
    opened.reset();
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    opened = std::make_shared<TOpenFolder>(fd);
    // The entries are read straight from the descriptor, which stays open for the files.
    alignas(dirent64) char buffer[32 * 1024];
    bool ok = true;
    for (;;) {
        const ssize_t got = getdents64(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                continue;
            TDirEntry item;
            item.Name = entry->d_name;
            item.Inode = entry->d_ino;
            const unsigned char type = entry->d_type;
            if (type == DT_DIR) {
                item.IsFolder = true;
                struct stat info {};
                if (fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
                    item.Device = info.st_dev;
                    item.Inode = info.st_ino;
                }
            } else if (type == DT_LNK || type == DT_UNKNOWN) {
                struct stat info {};
                if (fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                    info = {};
                if (S_ISLNK(info.st_mode)) {
                    item.IsLink = true;
                    // A link is what it points to; a dangling link is a file that cannot be opened.
                    if (fstatat(fd, entry->d_name, &info, 0) != 0)
                        info = {};
                }
                item.IsFolder = S_ISDIR(info.st_mode);
                item.Device = info.st_dev;
                item.Inode = info.st_ino;
            }
            entries.push_back(std::move(item));
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const TDirEntry& a, const TDirEntry& b) { return CompareNoCase(a.Name, b.Name) < 0; });
    return ok;
}
