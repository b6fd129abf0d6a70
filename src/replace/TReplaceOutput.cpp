// SPDX-License-Identifier: MIT
#include "replace/TReplaceOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "model/TAtomicFile.h"
#include "model/TLeftovers.h"
#include "model/TRegularFile.h"

namespace {

constexpr std::size_t FlushSize = 256 * 1024;

// Makes the content of the open file `target` that of the file at `source`: written from the
// start over what is there, cut to its length, and flushed to disk. 0, or the errno of the
// failure.
int OverwriteWith(int target, const std::string& source)
{
    int from;
    do
        from = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
    while (from < 0 && errno == EINTR);
    if (from < 0)
        return errno;
    errno = 0;
    const bool copied = ::lseek(target, 0, SEEK_SET) == 0 && TAtomicFile::CopyAll(from, target);
    int error = copied ? 0 : errno != 0 ? errno : EIO;
    ::close(from);
    if (error == 0) {
        const off_t length = ::lseek(target, 0, SEEK_CUR);
        if (length < 0 || ::ftruncate(target, length) != 0 || ::fsync(target) != 0)
            error = errno;
    }
    return error;
}

} // namespace

TReplaceOutput::~TReplaceOutput()
{
    Discard();
}

bool TReplaceOutput::Fail(int error)
{
    if (FirstError == 0)
        FirstError = error != 0 ? error : EIO;
    return false;
}

std::string TReplaceOutput::ErrorText() const
{
    return FirstError == 0 ? std::string() : std::string(std::strerror(FirstError));
}

bool TReplaceOutput::Open(const std::string& folder)
{
    if (Fd >= 0 || !Temporary.empty())
        return Fail(EBUSY);
    Fd = TAtomicFile::CreateUnique(folder, TLeftovers::BesidePrefix, TLeftovers::BesideSuffix, 0600, Temporary);
    if (Fd < 0) {
        Temporary.clear();
        return Fail(errno);
    }
    // Listed while it exists, so that a later start can remove it if this process is killed.
    TLeftovers::Remember(Temporary);
    Finished = false;
    return true;
}

bool TReplaceOutput::Flush()
{
    if (Pending.empty())
        return true;
    const bool wrote = TAtomicFile::WriteAll(Fd, Pending);
    const int error = errno;
    Pending.clear();
    return wrote || Fail(error);
}

bool TReplaceOutput::Write(std::string_view bytes)
{
    if (Fd < 0 || FirstError != 0)
        return Fail(EBADF);
    Pending.append(bytes);
    return Pending.size() < FlushSize || Flush();
}

bool TReplaceOutput::CopyFrom(const std::string& path)
{
    if (Fd < 0 || FirstError != 0 || !Flush())
        return Fail(EBADF);
    const int source = TRegularFile::OpenForReading(path);
    if (source < 0)
        return Fail(errno);
    const bool copied = TAtomicFile::CopyAll(source, Fd);
    const int error = errno;
    ::close(source);
    return copied || Fail(error);
}

bool TReplaceOutput::Finish(const struct stat& original, mode_t modeBits, bool keepTimes)
{
    if (Fd < 0 || FirstError != 0 || !Flush())
        return Fail(EBADF);
    // The owner first: changing it may clear the set-id bits that the mode then sets again.
    // Only the superuser may give a file away, so a refusal keeps our own ownership, and then
    // at least the group where we belong to it.
    if (::fchown(Fd, original.st_uid, original.st_gid) != 0 &&
        ::fchown(Fd, static_cast<uid_t>(-1), original.st_gid) != 0) {
        // Neither is allowed: the file stays ours, as KeptOwner tells.
    }
    struct stat made;
    OwnerKept = ::fstat(Fd, &made) == 0 && made.st_uid == original.st_uid && made.st_gid == original.st_gid;
    if (::fchmod(Fd, original.st_mode & modeBits) != 0)
        return Fail(errno);
    if (keepTimes) {
        const struct timespec times[2] = {original.st_atim, original.st_mtim};
        if (::futimens(Fd, times) != 0)
            return Fail(errno);
    }
    if (::fsync(Fd) != 0)
        return Fail(errno);
    // A failed close may be the first report of a write that did not reach the disk.
    if (::close(std::exchange(Fd, -1)) != 0)
        return Fail(errno);
    Finished = true;
    return true;
}

bool TReplaceOutput::ReplaceTarget(const std::string& target)
{
    if (!Finished || FirstError != 0)
        return Fail(EBADF);
    if (::rename(Temporary.c_str(), target.c_str()) != 0) {
        Fail(errno);
        Discard();
        return false;
    }
    TLeftovers::Forget(std::exchange(Temporary, {}));
    Finished = false;
    SyncFolder(target);
    return true;
}

bool TReplaceOutput::WriteInto(const std::string& target, const struct stat& original, const std::string& restoreFrom,
                               bool& restored)
{
    restored = true;
    if (!Finished || FirstError != 0)
        return Fail(EBADF);
    int fd;
    do
        fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        Fail(errno);
        Discard();
        return false;
    }
    // Only the very file that was read and copied is written: another one put under the name
    // meanwhile is left alone.
    struct stat now;
    int error = 0;
    if (::fstat(fd, &now) != 0)
        error = errno;
    else if (now.st_dev != original.st_dev || now.st_ino != original.st_ino)
        error = ESTALE;
    else if ((error = OverwriteWith(fd, Temporary)) != 0)
        restored = OverwriteWith(fd, restoreFrom) == 0;
    // The content has reached the disk (fsync) or failed already; the close adds nothing.
    ::close(fd);
    Discard();
    return error == 0 || Fail(error);
}

std::string TReplaceOutput::NumberedName(const std::string& stem, std::string_view extension, int number)
{
    std::string name = stem;
    if (number > 0)
        name += "." + std::to_string(number);
    name.append(extension);
    return name;
}

int TReplaceOutput::MoveIfFree(const std::string& name)
{
    if (::renameat2(AT_FDCWD, Temporary.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0)
        return 1;
    if (errno == EEXIST)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        Fail(errno);
        return -1;
    }
    // The file system cannot rename without replacing: a second link fails on a taken name too.
    if (::link(Temporary.c_str(), name.c_str()) == 0) {
        ::unlink(Temporary.c_str());
        return 1;
    }
    if (errno == EEXIST)
        return 0;
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) {
        Fail(errno);
        return -1;
    }
    // A file system without links either (FAT): look first, then rename. Another process could
    // take the name between the two steps; nothing else is left to try on such a system.
    struct stat info;
    if (::lstat(name.c_str(), &info) == 0)
        return 0;
    if (::rename(Temporary.c_str(), name.c_str()) == 0)
        return 1;
    Fail(errno);
    return -1;
}

bool TReplaceOutput::PublishAsNew(const std::string& stem, std::string_view extension, std::string& chosen)
{
    chosen.clear();
    if (!Finished || FirstError != 0)
        return Fail(EBADF);
    for (int number = 0; number <= MaxNameNumber; ++number) {
        const std::string name = NumberedName(stem, extension, number);
        const int moved = MoveIfFree(name);
        if (moved < 0)
            break;
        if (moved > 0) {
            TLeftovers::Forget(std::exchange(Temporary, {}));
            Finished = false;
            chosen = name;
            SyncFolder(name);
            return true;
        }
    }
    Fail(EEXIST);
    Discard();
    return false;
}

void TReplaceOutput::Discard()
{
    if (Fd >= 0)
        ::close(std::exchange(Fd, -1));
    if (!Temporary.empty()) {
        ::unlink(Temporary.c_str());
        TLeftovers::Forget(std::exchange(Temporary, {}));
    }
    Pending.clear();
    Finished = false;
}

void TReplaceOutput::SyncFolder(const std::string& path) const
{
    const int folder = ::open(TAtomicFile::FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}
