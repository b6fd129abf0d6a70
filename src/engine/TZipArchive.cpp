#include "engine/TZipArchive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "model/TRegularFile.h"

namespace {
constexpr uint32_t LocalHeaderSignature = 0x04034b50;
constexpr uint32_t DirectorySignature = 0x02014b50;
constexpr uint32_t EndSignature = 0x06054b50;
constexpr std::size_t LocalHeaderSize = 30;
constexpr std::size_t DirectoryEntrySize = 46;
constexpr std::size_t EndRecordSize = 22;
constexpr std::size_t MaxCommentSize = 0xFFFF;

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
}

TZipArchive::~TZipArchive()
{
    if (File >= 0)
        ::close(File);
}

std::size_t TZipArchive::ReadAt(uint64_t offset, void* buffer, std::size_t size)
{
    if (File < 0 || offset >= Size)
        return 0;
    size = static_cast<std::size_t>(std::min<uint64_t>(size, Size - offset));
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(File, static_cast<char*>(buffer) + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool TZipArchive::ReadExact(uint64_t offset, void* buffer, std::size_t size)
{
    return offset <= Size && size <= Size - offset && ReadAt(offset, buffer, size) == size;
}

TZipArchive::TStatus TZipArchive::Open(const std::string& path)
{
    if (File >= 0) {
        ::close(File);
        File = -1;
    }
    Size = DirectoryStart = DirectoryEnd = Shift = Entries = Cursor = Taken = 0;

    File = TRegularFile::OpenForReading(path);
    if (File < 0)
        return TStatus::CannotOpen;
    struct stat info;
    if (::fstat(File, &info) != 0 || !S_ISREG(info.st_mode))
        return TStatus::CannotOpen;
    Size = static_cast<uint64_t>(info.st_size);

    uint64_t directoryOffset = 0, directorySize = 0;
    TStatus status = TStatus::NotZip;
    if (!FindEndRecord(directoryOffset, directorySize, Entries, status))
        return status;
    Cursor = DirectoryStart;
    return TStatus::Ok;
}

bool TZipArchive::FindEndRecord(uint64_t& directoryOffset, uint64_t& directorySize, uint64_t& entries, TStatus& status)
{
    status = TStatus::NotZip;
    if (Size < EndRecordSize)
        return false;
    const std::size_t tailSize = static_cast<std::size_t>(std::min<uint64_t>(Size, EndRecordSize + MaxCommentSize));
    const uint64_t tailStart = Size - tailSize;
    std::vector<unsigned char> tail(tailSize);
    if (!ReadExact(tailStart, tail.data(), tailSize))
        return false;

    // The record is searched from the end, since the comment may itself hold the signature. The
    // first candidate whose directory checks out wins; when none does, the first failure counts.
    // Only a few candidates are tried, so a comment crammed with signatures costs little.
    bool found = false;
    int tries = 0;
    for (std::size_t at = tailSize - EndRecordSize + 1; at-- > 0 && tries < 8;) {
        const unsigned char* p = tail.data() + at;
        if (Get32(p) != EndSignature)
            continue;
        const uint64_t recordPos = tailStart + at;
        const uint16_t commentSize = Get16(p + 20);
        if (recordPos + EndRecordSize + commentSize > Size)
            continue;
        ++tries;
        TStatus candidate = TStatus::BadDirectory;
        const uint16_t disk = Get16(p + 4), directoryDisk = Get16(p + 6);
        const uint16_t diskEntries = Get16(p + 8), totalEntries = Get16(p + 10);
        const uint32_t size32 = Get32(p + 12), offset32 = Get32(p + 16);
        if (totalEntries == 0xFFFF || size32 == 0xFFFFFFFF || offset32 == 0xFFFFFFFF) {
            candidate = TStatus::Unsupported;  // the real values are in ZIP64 records
        } else if (disk != 0 || directoryDisk != 0 || diskEntries != totalEntries) {
            candidate = TStatus::Unsupported;  // split over several disks
        } else if (size32 <= recordPos && offset32 <= recordPos - size32) {
            directoryOffset = offset32;
            directorySize = size32;
            entries = totalEntries;
            // Normally the directory ends where this record starts. When data precedes the
            // archive, every offset in it is short by the size of that data.
            const uint64_t expectedStart = recordPos - size32;
            const uint64_t shifts[2] = {0, expectedStart - offset32};
            for (uint64_t shift : shifts) {
                Shift = shift;
                DirectoryStart = directoryOffset + shift;
                DirectoryEnd = DirectoryStart + directorySize;
                if (CheckDirectory()) {
                    candidate = TStatus::Ok;
                    break;
                }
                if (shifts[1] == 0)
                    break;
            }
        }
        if (candidate == TStatus::Ok) {
            status = TStatus::Ok;
            return true;
        }
        if (!found)
            status = candidate;
        found = true;
    }
    return false;
}

bool TZipArchive::CheckDirectory()
{
    uint64_t offset = DirectoryStart;
    TZipEntry entry;
    for (uint64_t i = 0; i < Entries; ++i) {
        if (!ReadEntryAt(offset, entry, offset, false))
            return false;
    }
    return true;
}

bool TZipArchive::ReadEntryAt(uint64_t offset, TZipEntry& entry, uint64_t& next, bool wantName)
{
    unsigned char h[DirectoryEntrySize];
    if (offset > DirectoryEnd || DirectoryEnd - offset < DirectoryEntrySize || !ReadExact(offset, h, sizeof h))
        return false;
    if (Get32(h) != DirectorySignature)
        return false;
    const uint16_t nameSize = Get16(h + 28), extraSize = Get16(h + 30), commentSize = Get16(h + 32);
    const uint64_t total = DirectoryEntrySize + uint64_t{nameSize} + extraSize + commentSize;
    if (DirectoryEnd - offset < total)
        return false;

    entry.Flags = Get16(h + 8);
    entry.Method = Get16(h + 10);
    entry.DosTime = Get16(h + 12);
    entry.DosDate = Get16(h + 14);
    entry.Crc = Get32(h + 16);
    const uint32_t compressed = Get32(h + 20), size = Get32(h + 24), header = Get32(h + 42);
    entry.NeedsZip64 = compressed == 0xFFFFFFFF || size == 0xFFFFFFFF || header == 0xFFFFFFFF;
    entry.CompressedSize = compressed;
    entry.Size = size;
    entry.HeaderOffset = header + Shift;
    entry.Name.clear();
    if (wantName) {
        entry.Name.resize(nameSize);
        if (nameSize > 0 && !ReadExact(offset + DirectoryEntrySize, entry.Name.data(), nameSize))
            return false;
    }
    next = offset + total;
    return true;
}

bool TZipArchive::NextEntry(TZipEntry& entry)
{
    if (Taken >= Entries || !ReadEntryAt(Cursor, entry, Cursor, true))
        return false;
    ++Taken;
    return true;
}

bool TZipArchive::DataOffset(const TZipEntry& entry, uint64_t& offset)
{
    unsigned char h[LocalHeaderSize];
    if (!ReadExact(entry.HeaderOffset, h, sizeof h) || Get32(h) != LocalHeaderSignature)
        return false;
    const uint64_t start = entry.HeaderOffset + LocalHeaderSize + Get16(h + 26) + Get16(h + 28);
    if (start > Size || entry.CompressedSize > Size - start)
        return false;
    offset = start;
    return true;
}
