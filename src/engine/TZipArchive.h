#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/TZipEntry.h"

// Reads the structure of a ZIP archive file: the end-of-central-directory record (found by
// scanning back over a trailing comment), the central directory entry by entry, and each
// member's local header. Every size and offset is checked against the file's real size before
// it is used, so a damaged or hostile file yields an error, never a read outside the file or a
// large allocation. Archives whose directory needs ZIP64 records, and archives split over
// several disks, are refused.
class TZipArchive {
public:
    enum class TStatus { Ok, CannotOpen, NotZip, BadDirectory, Unsupported };

    TZipArchive() = default;
    ~TZipArchive();
    TZipArchive(const TZipArchive&) = delete;
    TZipArchive& operator=(const TZipArchive&) = delete;

    // Opens the file and checks the whole central directory's structure.
    TStatus Open(const std::string& path);
    uint64_t EntryCount() const { return Entries; }

    // The next entry in directory order; false after the last one (or on a read error).
    bool NextEntry(TZipEntry& entry);
    // Where the member's data starts, from its local header. False when the header is missing
    // or the data would run past the end of the file.
    bool DataOffset(const TZipEntry& entry, uint64_t& offset);
    // Reads up to `size` bytes at `offset`; returns how many were read.
    std::size_t ReadAt(uint64_t offset, void* buffer, std::size_t size);
    uint64_t FileSize() const { return Size; }

private:
    bool ReadExact(uint64_t offset, void* buffer, std::size_t size);
    bool FindEndRecord(uint64_t& directoryOffset, uint64_t& directorySize, uint64_t& entries, TStatus& status);
    bool CheckDirectory();
    // Reads the entry at `offset` of the central directory; `next` is where the following one starts.
    bool ReadEntryAt(uint64_t offset, TZipEntry& entry, uint64_t& next, bool wantName);

    int File = -1;
    uint64_t Size = 0;
    uint64_t DirectoryStart = 0;
    uint64_t DirectoryEnd = 0;
    // Bytes before the archive proper (a self-extractor's program, say): offsets inside the
    // archive are relative to its own start.
    uint64_t Shift = 0;
    uint64_t Entries = 0;
    uint64_t Cursor = 0;
    uint64_t Taken = 0;
};
