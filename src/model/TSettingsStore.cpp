// SPDX-License-Identifier: MIT
#include "model/TSettingsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "model/TAtomicFile.h"
#include "model/TConfigFolder.h"
#include "model/TPathText.h"
#include "model/TSettingsText.h"

namespace {

// Closes once: on Linux the descriptor is released even when close() reports EINTR, so a
// retry could close a file that another thread has just opened under the same number.
void CloseQuietly(int fd)
{
    close(fd);
}

// A saved settings file keeps the old one's permissions; a new one is private to the user. The
// folder is flushed too, so that the rename itself survives a crash.
constexpr TAtomicFile::TOptions ReplaceOptions{
    .TemporaryPrefix = ".settings-",
    .TemporarySuffix = ".tmp",
    .NewFileMode = TConfigFolder::FileMode,
    .PermissionsRequired = true,
    .KeepOwner = false,
    .SyncFile = true,
    .SyncFolder = true,
};

// An exclusive advisory lock on a lock file beside the settings file, held while it lives.
// The lock file stays in place: removing it would let two savers lock two different files.
class TFileLock {
public:
    // A lock file in the configuration folder is made private when it is not.
    TFileLock(const std::string& lockName, bool privateFile)
    {
        Fd = open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, TConfigFolder::FileMode);
        if (Fd < 0)
            return;
        struct stat info;
        if (privateFile && fstat(Fd, &info) == 0 && (info.st_mode & 077) != 0)
            fchmod(Fd, info.st_mode & 07700);
        // Poll rather than block, so that a window that hangs while holding the lock cannot
        // hang every other window's exit.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (flock(Fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~TFileLock()
    {
        if (Fd >= 0)
            CloseQuietly(Fd); // closing releases the lock
    }
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

private:
    int Fd = -1;
};

} // namespace

TSettingsStore::TSettingsStore(std::string fileName)
    : Name(std::move(fileName)), PrivateFile(TConfigFolder::Holds(Name))
{
    if (Name.empty())
        return;
    std::string content;
    struct stat info;
    switch (TAtomicFile::ReadWholeFile(Name, MaxFileSize, content, info)) {
    case TAtomicFile::TReadOutcome::Read:
        break;
    case TAtomicFile::TReadOutcome::Missing:
        State = TLoadState::NoFile;
        return;
    case TAtomicFile::TReadOutcome::Failed:
        State = TLoadState::Unreadable;
        // A settings file far larger than any we write is not read at all: it is set aside like
        // one whose keys go past the limits, so that the defaults apply and settings are kept again.
        if (IsOversized(Name)) {
            const TFileLock lock(Name + ".lock", PrivateFile);
            const std::string target = TAtomicFile::WriteTarget(Name);
            if (IsOversized(target) && SetAside(target))
                State = TLoadState::SetAside;
        }
        return;
    }
    bool pastLimits = false;
    Keys = TSettingsText::Parse(content, pastLimits);
    State = TLoadState::Loaded;
    if (!pastLimits)
        return;

    // Looked at again under the lock: another window may have replaced it meanwhile.
    Keys = {};
    const TFileLock lock(Name + ".lock", PrivateFile);
    TAtomicFile::TRewrite file;
    State = TLoadState::Unreadable;
    if (!TAtomicFile::ReadForRewrite(Name, MaxFileSize, file))
        return;
    Keys = TSettingsText::Parse(file.Content, pastLimits);
    if (!pastLimits) {
        State = file.Existed ? TLoadState::Loaded : TLoadState::NoFile;
        return;
    }
    Keys = {};
    if (SetAside(file.Target))
        State = TLoadState::SetAside;
}

TSettingsStore::~TSettingsStore()
{
    if (!Pending.empty())
        Save();
}

std::string TSettingsStore::KeyPath(std::string_view subKey)
{
    std::string path(SettingsRoot);
    path += '\\';
    path += subKey;
    return path;
}

TSettingsKey TSettingsStore::OpenKey(std::string_view path) const
{
    if (!Keys.FindKey(path))
        return {};
    return TSettingsKey(this, nullptr, TSettingsTree::NormalPath(path));
}

TSettingsKey TSettingsStore::CreateKey(std::string_view path)
{
    TWrite write;
    write.Path = TSettingsTree::NormalPath(path);
    if (write.Path.empty())
        return {};
    Apply(Keys, write);
    TSettingsKey key(this, this, write.Path);
    Pending.push_back(std::move(write));
    return key;
}

bool TSettingsStore::Write(const std::string& path, std::string_view name, TSettingsValue value)
{
    if (!TSettingsTree::IsValidValueName(name))
        return false;
    TWrite write;
    write.Path = path;
    write.HasValue = true;
    write.Name = std::string(name);
    write.Value = std::move(value);
    Apply(Keys, write);
    Pending.push_back(std::move(write));
    return true;
}

void TSettingsStore::Apply(TSettingsTree& tree, const TWrite& write)
{
    TSettingsTree::TKey* key = tree.CreateKey(write.Path);
    if (key && write.HasValue)
        key->Set(write.Name, write.Value);
}

bool TSettingsStore::Save()
{
    if (Pending.empty())
        return true;
    const std::string folder = TAtomicFile::FolderOf(Name);
    if (Name.empty() || !(PrivateFile ? TConfigFolder::MakePrivate(folder) : TConfigFolder::MakeFolders(folder)))
        return false;

    const TFileLock lock(Name + ".lock", PrivateFile);
    // A linked settings file stays linked: the save replaces the file the link names.
    TAtomicFile::TRewrite file;
    if (!TAtomicFile::ReadForRewrite(Name, MaxFileSize, file))
        return false;
    TConfigFolder::Narrow(file);

    bool pastLimits = false;
    TSettingsTree merged = TSettingsText::Parse(file.Content, pastLimits);
    if (pastLimits) {
        // Put there since the load: kept under a name of its own, and this save starts afresh.
        if (!SetAside(file.Target))
            return false;
        merged = {};
        file.Existed = false;
    }
    for (const TWrite& write : Pending)
        Apply(merged, write);
    const std::string text = TSettingsText::Format(merged);
    // A file the next load would refuse must not be written.
    if (text.size() > MaxFileSize)
        return false;
    if (!TAtomicFile::Replace(file, text, ReplaceOptions))
        return false;

    Keys = std::move(merged);
    Pending.clear();
    State = TLoadState::Loaded;
    return true;
}

bool TSettingsStore::IsOversized(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           static_cast<uint64_t>(info.st_size) > MaxFileSize;
}

bool TSettingsStore::SetAside(const std::string& target)
{
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    struct tm local;
    if (localtime_r(&now, &local))
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = target + ".set-aside-" + stamp;
    for (int number = 0; number < 100; ++number) {
        const std::string aside = number == 0 ? base : base + "-" + std::to_string(number);
        if (renameat2(AT_FDCWD, target.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
            AsideName = aside;
            return true;
        }
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL && errno != ENOSYS)
            return false;
        // A file system that cannot rename without replacing: a second link never replaces.
        if (link(target.c_str(), aside.c_str()) == 0) {
            unlink(target.c_str());
            AsideName = aside;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

std::string TSettingsStore::ConfigFolder(const char* xdgConfigHome, const char* home)
{
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        return std::string(xdgConfigHome) + "/Quarnel";
    if (home && home[0] != '\0')
        return std::string(home) + "/.config/Quarnel";
    return {};
}

namespace {

// $HOME, or the home folder of the user's account when HOME is not set; empty when neither.
std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0')
        return home;
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

} // namespace

std::string TSettingsStore::ConfigFolder()
{
    const std::string home = HomeFolder();
    return ConfigFolder(std::getenv("XDG_CONFIG_HOME"), home.c_str());
}

std::string TSettingsStore::DataFolder(const char* xdgDataHome, const char* home)
{
    if (xdgDataHome && xdgDataHome[0] == '/')
        return std::string(xdgDataHome) + "/Quarnel";
    if (home && home[0] != '\0')
        return std::string(home) + "/.local/share/Quarnel";
    return {};
}

std::string TSettingsStore::DataFolder()
{
    const std::string home = HomeFolder();
    return DataFolder(std::getenv("XDG_DATA_HOME"), home.c_str());
}

std::string TSettingsStore::DefaultFileName()
{
    const std::string folder = ConfigFolder();
    if (folder.empty())
        return {};
    return TPathText::Join(folder, FileBaseName);
}
