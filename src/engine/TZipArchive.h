// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/TZipEntry.h"

// Reads the structure of a ZIP archive file: the end-of-central-directory record (found by
// scanning back over a trailing comment), the central directory entry by entry, and each
// member's local header. Every size and offset is checked against the file's real size before
// it is used, so a damaged or hostile file yields an error, never a read outside the file or a
// large allocation. ZIP64 archives (more than 65,535 members, or sizes and offsets past 4 GB) are
// read through their ZIP64 end records and the ZIP64 extra fields of their entries; archives split
// over several disks are refused.
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
    // Goes back to the first entry.
    void Rewind()
    {
        Cursor = DirectoryStart;
        Taken = 0;
    }
    // Where the member's data starts, from its local header. False when the header is missing
    // or the data would run past the end of the file.
    bool DataOffset(const TZipEntry& entry, uint64_t& offset);
    // Reads up to `size` bytes at `offset`; returns how many were read.
    std::size_t ReadAt(uint64_t offset, void* buffer, std::size_t size);
    uint64_t FileSize() const { return Size; }

private:
    // What an end record (plain or ZIP64) says about the central directory.
    struct TEnd {
        uint64_t Disk = 0;
        uint64_t DirectoryDisk = 0;
        uint64_t DiskEntries = 0;
        uint64_t TotalEntries = 0;
        uint64_t DirectorySize = 0;
        uint64_t DirectoryOffset = 0;
        uint64_t RecordPos = 0;  // where the record lies: the directory ends there
    };

    bool ReadExact(uint64_t offset, void* buffer, std::size_t size);
    bool FindEndRecord(TStatus& status);
    // The ZIP64 end record that the locator just before the plain end record at `recordPos`
    // points to. False when there is none.
    bool FindZip64End(uint64_t recordPos, TEnd& end);
    // Takes the directory that `end` describes when it checks out.
    TStatus UseEnd(const TEnd& end);
    bool CheckDirectory();
    // Fills the fields given (those whose 32-bit value is marked) from the ZIP64 block of an
    // entry's extra data. False when the block or one of the fields is missing.
    static bool TakeZip64Fields(std::string_view extra, uint64_t* size, uint64_t* compressedSize,
                                uint64_t* headerOffset);
    // Reads the entry at `offset` of the central directory; `next` is where the following one starts.
    // With `wantName` the name is read and the ZIP64 extra field taken.
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
