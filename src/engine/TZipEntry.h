// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// One member as the archive's central directory describes it.
struct TZipEntry {
    std::string Name;  // the stored name, bytes as they are
    uint16_t Flags = 0;  // general-purpose flags; bit 0 = encrypted
    uint16_t Method = 0;
    uint16_t DosTime = 0;
    uint16_t DosDate = 0;
    uint32_t Crc = 0;
    uint64_t CompressedSize = 0;
    uint64_t Size = 0;
    uint64_t HeaderOffset = 0;  // of the local header, already corrected for data before the archive
    // A size or offset is marked as kept in a ZIP64 extra field, but the entry has none (or one
    // too short): its values are unknown.
    bool NeedsZip64 = false;

    bool IsEncrypted() const { return (Flags & 1) != 0; }
    // Folder entries end with a separator.
    bool IsFolder() const { return !Name.empty() && (Name.back() == '/' || Name.back() == '\\'); }
};
