// SPDX-License-Identifier: MIT
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
constexpr uint32_t Zip64EndSignature = 0x06064b50;
constexpr uint32_t Zip64LocatorSignature = 0x07064b50;
constexpr uint16_t Zip64ExtraId = 0x0001;
constexpr std::size_t LocalHeaderSize = 30;
constexpr std::size_t DirectoryEntrySize = 46;
constexpr std::size_t EndRecordSize = 22;
constexpr std::size_t Zip64EndSize = 56;
constexpr std::size_t Zip64LocatorSize = 20;
constexpr uint32_t Marker32 = 0xFFFFFFFF;
constexpr std::size_t MaxCommentSize = 0xFFFF;

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t Get64(const unsigned char* p) { return Get32(p) | (uint64_t{Get32(p + 4)} << 32); }
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

    TStatus status = TStatus::NotZip;
    if (!FindEndRecord(status))
        return status;
    Cursor = DirectoryStart;
    return TStatus::Ok;
}

bool TZipArchive::FindEndRecord(TStatus& status)
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
        TEnd plain;
        plain.Disk = Get16(p + 4);
        plain.DirectoryDisk = Get16(p + 6);
        plain.DiskEntries = Get16(p + 8);
        plain.TotalEntries = Get16(p + 10);
        plain.DirectorySize = Get32(p + 12);
        plain.DirectoryOffset = Get32(p + 16);
        plain.RecordPos = recordPos;
        // A field at its largest value says that the real value is kept in the ZIP64 record.
        const bool marked = plain.Disk == 0xFFFF || plain.DirectoryDisk == 0xFFFF || plain.DiskEntries == 0xFFFF ||
                            plain.TotalEntries == 0xFFFF || plain.DirectorySize == 0xFFFFFFFF ||
                            plain.DirectoryOffset == 0xFFFFFFFF;
        TEnd wide;
        const bool hasWide = FindZip64End(recordPos, wide);
        TStatus candidate = TStatus::BadDirectory;
        if (hasWide)
            candidate = UseEnd(wide);
        // Without a ZIP64 record a marked field may still be meant as it is (exactly 65,535
        // members, say); when the directory does not check out that way, the record is missing.
        if (candidate != TStatus::Ok && !(hasWide && marked)) {
            TStatus narrow = UseEnd(plain);
            if (narrow != TStatus::Ok && marked)
                narrow = TStatus::Unsupported;
            if (!hasWide || narrow == TStatus::Ok)
                candidate = narrow;
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

bool TZipArchive::FindZip64End(uint64_t recordPos, TEnd& end)
{
    unsigned char l[Zip64LocatorSize];
    if (recordPos < Zip64LocatorSize || !ReadExact(recordPos - Zip64LocatorSize, l, sizeof l) ||
        Get32(l) != Zip64LocatorSignature)
        return false;
    const uint64_t locatorPos = recordPos - Zip64LocatorSize;
    const uint32_t recordDisk = Get32(l + 4), disks = Get32(l + 16);
    // The record normally lies just before its locator; with data before the archive its stated
    // offset is short by the size of that data, so that place is tried as well.
    const uint64_t stated = Get64(l + 8);
    const uint64_t places[2] = {stated, locatorPos >= Zip64EndSize ? locatorPos - Zip64EndSize : stated};
    unsigned char r[Zip64EndSize];
    for (uint64_t place : places) {
        if (place > locatorPos || locatorPos - place < Zip64EndSize || !ReadExact(place, r, sizeof r) ||
            Get32(r) != Zip64EndSignature)
            continue;
        end.Disk = Get32(r + 16);
        end.DirectoryDisk = Get32(r + 20);
        end.DiskEntries = Get64(r + 24);
        end.TotalEntries = Get64(r + 32);
        end.DirectorySize = Get64(r + 40);
        end.DirectoryOffset = Get64(r + 48);
        end.RecordPos = place;
        if (recordDisk != 0 || disks > 1)
            end.Disk = std::max<uint64_t>(end.Disk, 1);
        return true;
    }
    return false;
}

TZipArchive::TStatus TZipArchive::UseEnd(const TEnd& end)
{
    if (end.Disk != 0 || end.DirectoryDisk != 0 || end.DiskEntries != end.TotalEntries)
        return TStatus::Unsupported;  // split over several disks
    const uint64_t recordPos = end.RecordPos, size = end.DirectorySize, offset = end.DirectoryOffset;
    if (size > recordPos || offset > recordPos - size || end.TotalEntries > size / DirectoryEntrySize)
        return TStatus::BadDirectory;
    Entries = end.TotalEntries;
    // Normally the directory ends where the record after it starts. When data precedes the
    // archive, every offset in it is short by the size of that data.
    const uint64_t expectedStart = recordPos - size;
    const uint64_t shifts[2] = {0, expectedStart - offset};
    for (uint64_t shift : shifts) {
        Shift = shift;
        DirectoryStart = offset + shift;
        DirectoryEnd = DirectoryStart + size;
        if (CheckDirectory())
            return TStatus::Ok;
        if (shifts[1] == 0)
            break;
    }
    return TStatus::BadDirectory;
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
    entry.CompressedSize = compressed;
    entry.Size = size;
    uint64_t headerOffset = header;
    entry.NeedsZip64 = false;
    entry.Name.clear();
    const bool marked = compressed == Marker32 || size == Marker32 || header == Marker32;
    if (wantName) {
        std::string nameAndExtra(std::size_t{nameSize} + extraSize, '\0');
        if (!nameAndExtra.empty() && !ReadExact(offset + DirectoryEntrySize, nameAndExtra.data(), nameAndExtra.size()))
            return false;
        entry.Name = nameAndExtra.substr(0, nameSize);
        if (marked) {
            const std::string_view extra = std::string_view(nameAndExtra).substr(nameSize);
            entry.NeedsZip64 = !TakeZip64Fields(extra, size == Marker32 ? &entry.Size : nullptr,
                                                compressed == Marker32 ? &entry.CompressedSize : nullptr,
                                                header == Marker32 ? &headerOffset : nullptr);
        }
    }
    // An offset past the file stays past it after the shift, rather than wrapping round.
    entry.HeaderOffset = headerOffset > Size ? Size : headerOffset + Shift;
    next = offset + total;
    return true;
}

bool TZipArchive::TakeZip64Fields(std::string_view extra, uint64_t* size, uint64_t* compressedSize, uint64_t* headerOffset)
{
    // Extra fields are (id, length, data) blocks. The ZIP64 block holds, in this order, just those
    // of the original size, the compressed size and the header offset whose own field is marked.
    while (extra.size() >= 4) {
        const auto* p = reinterpret_cast<const unsigned char*>(extra.data());
        const uint16_t id = Get16(p), length = Get16(p + 2);
        if (extra.size() - 4 < length)
            return false;
        if (id == Zip64ExtraId) {
            std::string_view data = extra.substr(4, length);
            for (uint64_t* field : {size, compressedSize, headerOffset}) {
                if (!field)
                    continue;
                if (data.size() < 8)
                    return false;
                *field = Get64(reinterpret_cast<const unsigned char*>(data.data()));
                data.remove_prefix(8);
            }
            return true;
        }
        extra.remove_prefix(4 + std::size_t{length});
    }
    return false;
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
