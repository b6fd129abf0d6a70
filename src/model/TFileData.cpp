// SPDX-License-Identifier: MIT
#include "model/TFileData.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <utility>

#include "model/TPathText.h"
#include "model/TRegularFile.h"

namespace {

constexpr std::size_t MaxTypeNameLength = 79;

// The name before its first dot. Dots that begin the name (".bashrc") belong to it, so that
// the work and backup files of a dot-file are named after it and not all called ".bak".
std::string NameBeforeFirstDot(const std::string& name)
{
    const std::size_t first = name.find_first_not_of('.');
    if (first == std::string::npos)
        return name;
    return name.substr(0, name.find('.', first));
}

// Reads up to `size` bytes at `offset`, going on after short reads; the count read, or -1.
ssize_t ReadAt(int fd, unsigned char* buffer, std::size_t size, off_t offset)
{
    std::size_t total = 0;
    while (total < size) {
        const ssize_t got = ::pread(fd, buffer + total, size - total, offset + static_cast<off_t>(total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(total);
}

int64_t ModifiedNanoseconds(const struct stat& info)
{
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

} // namespace

// Line feed or carriage return first: text. A control byte that no text holds first: binary.
// Tab, form feed and the bytes from 16 on decide nothing. Undecided counts as binary, which
// includes an empty file and one whose first line is longer than ClassifiedBytes.
uint8_t TFileData::Classify(std::string_view head)
{
    for (std::size_t i = 0; i < head.size() && i < ClassifiedBytes; ++i) {
        const auto c = static_cast<unsigned char>(head[i]);
        if (c == 10 || c == 13)
            return Text;
        if (c <= 8 || c == 11 || c == 14 || c == 15)
            return Binary;
    }
    return Binary;
}

void TFileData::TakeStatus(const struct stat& info)
{
    Date = TDateTime::FromTimeT(info.st_mtim.tv_sec);
    ModifiedNs = ModifiedNanoseconds(info);
    Device = static_cast<uint64_t>(info.st_dev);
    Inode = static_cast<uint64_t>(info.st_ino);
}

void TFileData::DescribeWith(TShellInfo& shell)
{
    TypeName = shell.TypeName(FullPath);
    if (TypeName.size() > MaxTypeNameLength)
        TypeName.resize(MaxTypeNameLength);
    Icon = shell.Icon(FullPath);
}

TFileData::TFileData(const std::string& folder, const std::string& name, TShellInfo& shell, TNamesOnly)
    : Folder(folder), FileName(name)
{
    FullPath = TPathText::Join(Folder, FileName);
    const std::size_t lastDot = FileName.rfind('.');
    if (lastDot != std::string::npos)
        Extension = FileName.substr(lastDot);
    PathWithoutExt = TPathText::Join(Folder, NameBeforeFirstDot(FileName));

    DescribeWith(shell);
}

TFileData::TFileData(const std::string& folder, const std::string& name, TShellInfo& shell)
    : TFileData(folder, name, shell, TNamesOnly{})
{
    // Only a regular file is read: a FIFO or a device could block or never end. Such an entry
    // stays Unknown, like one that cannot be opened.
    struct stat info;
    const int fd = TRegularFile::OpenForReading(FullPath, &info);
    if (fd < 0)
        return;

    TakeStatus(info);

    unsigned char head[ClassifiedBytes];
    const ssize_t headCount = ReadAt(fd, head, sizeof head, 0);
    if (headCount < 0) {
        ::close(fd);
        return;
    }
    Size = static_cast<int64_t>(info.st_size);

    if (static_cast<std::size_t>(headCount) < sizeof head) {
        // The first read reached the end: its last byte is the file's last byte.
        EndsWithNewline = headCount > 0 && head[headCount - 1] == 10;
    } else {
        unsigned char last = 0;
        const ssize_t got = Size > 0 ? ReadAt(fd, &last, 1, static_cast<off_t>(Size - 1)) : 0;
        if (got < 0) {
            ::close(fd);
            return;
        }
        EndsWithNewline = got == 1 && last == 10;
    }
    ::close(fd);

    FileType = Classify(std::string_view(reinterpret_cast<const char*>(head), static_cast<std::size_t>(headCount)));
}

TFileData::TFileData(TFileData& source)
    : Folder(source.Folder), FileName(source.FileName), Extension(source.Extension),
      PathWithoutExt(source.PathWithoutExt), TypeName(source.TypeName), FullPath(source.FullPath),
      Icon(std::move(source.Icon)), Size(source.Size), Date(source.Date), FileType(source.FileType),
      EndsWithNewline(source.EndsWithNewline), InZip(source.InZip), ZipName(source.ZipName),
      MemberName(source.MemberName), ModifiedNs(source.ModifiedNs), Device(source.Device), Inode(source.Inode)
{
}

bool TFileData::IsFileChanged() const
{
    struct stat info;
    const int fd = TRegularFile::OpenForReading(FullPath, &info);
    if (fd < 0)
        return true;
    ::close(fd);
    return ModifiedNanoseconds(info) != ModifiedNs || static_cast<int64_t>(info.st_size) != Size
        || static_cast<uint64_t>(info.st_ino) != Inode || static_cast<uint64_t>(info.st_dev) != Device;
}
