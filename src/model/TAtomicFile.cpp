// SPDX-License-Identifier: MIT
#include "model/TAtomicFile.h"
#include "model/TRegularFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <random>
#include <utility>

#include "model/TPathText.h"

namespace {

// Closes once: on Linux the descriptor is released even when close() reports EINTR, so a
// retry could close a file that another thread has just opened under the same number.
void CloseQuietly(int fd)
{
    close(fd);
}

// Bits nobody else can guess, so that another user cannot take the names we are about to use.
// The kernel's generator; a seeded one only where that cannot answer.
uint64_t RandomBits()
{
    uint64_t bits;
    if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof bits))
        return bits;
    thread_local std::mt19937_64 random(std::random_device{}() ^ static_cast<uint64_t>(getpid()) ^
                                        static_cast<uint64_t>(std::time(nullptr)));
    return random();
}

} // namespace

TAtomicFile::TAtomicFile(const TOptions& options)
    : Options(options), Prefix(options.TemporaryPrefix), Suffix(options.TemporarySuffix)
{
    Options.TemporaryPrefix = Prefix;
    Options.TemporarySuffix = Suffix;
}

TAtomicFile::~TAtomicFile()
{
    Discard();
}

bool TAtomicFile::Open(const std::string& target)
{
    if (Fd >= 0)
        return false;
    Fd = CreateUnique(FolderOf(target), Options.TemporaryPrefix, Options.TemporarySuffix, Options.NewFileMode,
                      Temporary);
    if (Fd < 0) {
        Temporary.clear();
        return false;
    }
    Target = target;
    WriteFailed = false;
    return true;
}

bool TAtomicFile::Write(const char* data, std::size_t size)
{
    if (Fd < 0 || WriteFailed || !WriteAll(Fd, data, size)) {
        WriteFailed = true;
        return false;
    }
    return true;
}

bool TAtomicFile::Commit(const struct stat* original)
{
    if (Fd < 0)
        return false;
    bool ok = !WriteFailed;
    if (ok && original) {
        if (fchmod(Fd, original->st_mode & 07777) != 0 && Options.PermissionsRequired)
            ok = false;
        if (ok && Options.KeepOwner && fchown(Fd, original->st_uid, original->st_gid) != 0) {
            // Only the superuser may give a file away; keeping our own ownership is fine.
        }
    }
    ok = ok && (!Options.SyncFile || fsync(Fd) == 0);
    ok = close(std::exchange(Fd, -1)) == 0 && ok;
    ok = ok && rename(Temporary.c_str(), Target.c_str()) == 0;
    if (!ok) {
        unlink(Temporary.c_str());
        Temporary.clear();
        return false;
    }
    Temporary.clear();
    if (Options.SyncFolder) {
        const int folderFd = open(FolderOf(Target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folderFd >= 0) {
            fsync(folderFd);
            CloseQuietly(folderFd);
        }
    }
    return true;
}

void TAtomicFile::Discard()
{
    if (Fd < 0)
        return;
    close(std::exchange(Fd, -1));
    unlink(Temporary.c_str());
    Temporary.clear();
}

bool TAtomicFile::Replace(const std::string& target, std::string_view content, const struct stat* original,
                          const TOptions& options)
{
    TAtomicFile file(options);
    return file.Open(target) && file.Write(content) && file.Commit(original);
}

TAtomicFile::TReadOutcome TAtomicFile::ReadWholeFile(const std::string& path, std::size_t maxSize,
                                                     std::string& content, struct stat& info)
{
    content.clear();
    const int fd = TRegularFile::OpenForReading(path, &info);
    if (fd < 0)
        return errno == ENOENT ? TReadOutcome::Missing : TReadOutcome::Failed;
    if (static_cast<unsigned long long>(info.st_size) > maxSize) {
        CloseQuietly(fd);
        return TReadOutcome::Failed;
    }
    char buffer[16384];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || content.size() + static_cast<std::size_t>(n) > maxSize) {
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

bool TAtomicFile::WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool TAtomicFile::CopyAll(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        if (!WriteAll(to, buffer, static_cast<std::size_t>(got)))
            return false;
    }
}

std::string TAtomicFile::FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool TAtomicFile::ReadForRewrite(const std::string& path, std::size_t maxSize, TRewrite& rewrite)
{
    rewrite.Target = WriteTarget(path);
    const TReadOutcome outcome = ReadWholeFile(rewrite.Target, maxSize, rewrite.Content, rewrite.Info);
    if (outcome == TReadOutcome::Failed)
        return false;
    rewrite.Existed = outcome == TReadOutcome::Read;
    return !rewrite.Existed || MayWrite(rewrite.Target);
}

bool TAtomicFile::MayWrite(const std::string& path)
{
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

std::string TAtomicFile::WriteTarget(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = realpath(path.c_str(), nullptr)) {
            std::string target(resolved);
            std::free(resolved);
            return target;
        }
    }
    return path;
}

int TAtomicFile::CreateUnique(const std::string& folder, std::string_view prefix, std::string_view suffix,
                              mode_t mode, std::string& path)
{
    static constexpr char Digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(prefix);
        uint64_t bits = RandomBits();
        for (int i = 0; i < 12; ++i, bits /= 36)
            name += Digits[bits % 36];
        name.append(suffix);
        path = TPathText::Join(folder, name);
        int fd;
        do
            fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, mode);
        while (fd < 0 && errno == EINTR);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}
