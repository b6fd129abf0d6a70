#include "model/TSettingsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "model/TSettingsText.h"

namespace {

enum class TReadOutcome { Read, Missing, Failed };

void CloseQuietly(int fd)
{
    while (close(fd) != 0 && errno == EINTR) {
    }
}

// Reads the whole regular file at `path`. Missing means there is no such file, so that a save
// may create it; Failed means it exists but cannot be used, so that a save must leave it alone.
TReadOutcome ReadWholeFile(const std::string& path, std::string& content, struct stat& info)
{
    content.clear();
    int fd;
    do {
        // O_NONBLOCK so that a FIFO under the name cannot block the open.
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno == ENOENT ? TReadOutcome::Missing : TReadOutcome::Failed;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<unsigned long long>(info.st_size) > TSettingsStore::MaxFileSize) {
        CloseQuietly(fd);
        return TReadOutcome::Failed;
    }
    char buffer[16384];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || content.size() + static_cast<std::size_t>(n) > TSettingsStore::MaxFileSize) {
            CloseQuietly(fd);
            return TReadOutcome::Failed;
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    CloseQuietly(fd);
    return TReadOutcome::Read;
}

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates `folder` and its missing parents; new folders are private to the user, as a
// configuration folder should be.
bool MakeFolders(const std::string& folder)
{
    struct stat info;
    if (stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const std::string parent = FolderOf(folder);
    if (parent != folder && parent != "." && parent != "/" && !MakeFolders(parent))
        return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// The file a save replaces: the target of a symbolic link rather than the link itself, so
// that a linked settings file stays linked.
std::string WriteTarget(const std::string& fileName)
{
    struct stat info;
    if (lstat(fileName.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = realpath(fileName.c_str(), nullptr)) {
            std::string target(resolved);
            std::free(resolved);
            return target;
        }
    }
    return fileName;
}

// Replaces `target` with `content` in one step: a temporary file in the same folder is written,
// flushed to disk and renamed over it, so that a crash leaves either the old or the new file.
// An existing file keeps its permissions; a new one is private to the user.
bool ReplaceFile(const std::string& target, const std::string& content, const struct stat* existing)
{
    const std::string folder = FolderOf(target);
    std::string pattern = folder + "/.settings-XXXXXX.tmp";
    const int fd = mkstemps(pattern.data(), 4);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, content);
    if (ok && existing)
        ok = fchmod(fd, existing->st_mode & 07777) == 0;
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(pattern.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(pattern.c_str());
        return false;
    }
    // Make the rename itself durable; failing here does not undo the save.
    const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        CloseQuietly(folderFd);
    }
    return true;
}

// An exclusive advisory lock on a lock file beside the settings file, held while it lives.
// The lock file stays in place: removing it would let two savers lock two different files.
class TFileLock {
public:
    explicit TFileLock(const std::string& lockName)
    {
        Fd = open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (Fd < 0)
            return;
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

TSettingsStore::TSettingsStore(std::string fileName) : Name(std::move(fileName))
{
    if (Name.empty())
        return;
    std::string content;
    struct stat info;
    switch (ReadWholeFile(Name, content, info)) {
    case TReadOutcome::Read:
        Keys = TSettingsText::Parse(content);
        State = TLoadState::Loaded;
        break;
    case TReadOutcome::Missing:
        State = TLoadState::NoFile;
        break;
    case TReadOutcome::Failed:
        State = TLoadState::Unreadable;
        break;
    }
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
    if (Name.empty() || !MakeFolders(FolderOf(Name)))
        return false;

    const TFileLock lock(Name + ".lock");
    const std::string target = WriteTarget(Name);
    std::string content;
    struct stat info;
    const TReadOutcome outcome = ReadWholeFile(target, content, info);
    if (outcome == TReadOutcome::Failed)
        return false;
    // Renaming would get past a read-only file's protection; the user made it read-only.
    if (outcome == TReadOutcome::Read && access(target.c_str(), W_OK) != 0)
        return false;

    TSettingsTree merged = TSettingsText::Parse(content);
    for (const TWrite& write : Pending)
        Apply(merged, write);
    const std::string text = TSettingsText::Format(merged);
    // A file the next load would refuse must not be written.
    if (text.size() > MaxFileSize)
        return false;
    if (!ReplaceFile(target, text, outcome == TReadOutcome::Read ? &info : nullptr))
        return false;

    Keys = std::move(merged);
    Pending.clear();
    State = TLoadState::Loaded;
    return true;
}

std::string TSettingsStore::ConfigFolder(const char* xdgConfigHome, const char* home)
{
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        return std::string(xdgConfigHome) + "/Quarnel";
    if (home && home[0] != '\0')
        return std::string(home) + "/.config/Quarnel";
    return {};
}

std::string TSettingsStore::ConfigFolder()
{
    const char* home = std::getenv("HOME");
    std::string accountHome;
    if (!home || home[0] == '\0') {
        struct passwd entry;
        struct passwd* found = nullptr;
        char buffer[4096];
        if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
            accountHome = found->pw_dir;
        home = accountHome.c_str();
    }
    return ConfigFolder(std::getenv("XDG_CONFIG_HOME"), home);
}

std::string TSettingsStore::DefaultFileName()
{
    const std::string folder = ConfigFolder();
    if (folder.empty())
        return {};
    return folder + "/" + std::string(FileBaseName);
}
