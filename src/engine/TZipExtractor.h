#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class TZipArchive;
struct TZipEntry;

// Extracts the members of a ZIP archive whose stored names match a mask into a folder.
//
// Members are taken in the order of the archive's central directory. Supported methods are
// stored (0), shrunk (1), imploded (6) and deflated (8). The first selected member that cannot be
// extracted (encrypted, another method, sizes kept in ZIP64 fields, damaged data, a failed CRC-32
// check, or a file that cannot be made) ends the extraction: the members extracted before it stay,
// the later ones are not extracted. A member that would leave less than MinimumFreeBytes free on
// the target's file system ends the extraction the same way, so an archive can never fill the disk.
//
// Every member is written to a temporary file beside its final name and renamed over it only once
// it is complete and its checksum is right, so a failed member leaves no partial file and never
// replaces an earlier good one. Stored names are untrusted: whatever they hold, nothing is
// written outside TargetDirectory.
class TZipExtractor {
public:
    // Negative results of Extract; nothing has been extracted when one is returned.
    static constexpr int ErrorCannotOpen = -1;  // the archive is missing, unreadable or not a plain file
    static constexpr int ErrorNotZip = -2;  // no end-of-central-directory record: empty, garbage, another format
    static constexpr int ErrorBadDirectory = -3;  // the central directory is truncated or inconsistent
    static constexpr int ErrorUnsupported = -4;  // the directory needs ZIP64 records, or spans several disks

    // Path of the archive.
    std::string ZipFileName;
    // Folder to extract into; it must exist. Empty means the current folder.
    std::string TargetDirectory;
    // Member mask, compared with each whole stored name (see MaskMatches).
    std::string FilesToExtract = "*.*";
    // True: each member is written directly into TargetDirectory under the part of its stored
    // name after the last '/', '\' or ':'. False: the member's folders are made below
    // TargetDirectory, with "..", "." and a leading drive or separator taken out of the path.
    bool DontRecurse = true;
    // Asked with the full path when the file to write already exists; false leaves that member
    // out, though it still counts as extracted. Unset: existing files are replaced.
    std::function<bool(const std::string& path)> OverwriteQuery;
    // Space that must stay free on the target's file system once a member is written, checked
    // against the member's declared size before the member is started (decoding never produces
    // more than that size). Unset: the larger of DefaultMinimumFree and 2% of the file system.
    std::optional<uint64_t> MinimumFreeBytes;
    static constexpr uint64_t DefaultMinimumFree = 64ull * 1024 * 1024;

    // Extracts the members of ZipFileName that FilesToExtract selects. Returns the number of
    // members extracted (folder entries and names that give no usable file name do not count),
    // or one of the negative codes above.
    int Extract();

    // "*.*" or an empty mask selects every name. Otherwise the mask is compared with the whole
    // name, ASCII letters in either case equal: '*' matches any run of characters, '/' included,
    // '?' any one character, every other character itself.
    static bool MaskMatches(std::string_view mask, std::string_view name);
    // The path, relative to the target folder, that a member of this stored name is written to;
    // empty when the name gives no file (a folder, ".", "..", an empty name, a NUL byte).
    static std::string OutputPath(std::string_view storedName, bool dontRecurse);

private:
    // Whether `size` more bytes in `folder` leave the reserve free. A file system that cannot be
    // asked is not held back: a write that finds it full still fails the member.
    bool HasRoomFor(const std::string& folder, uint64_t size) const;
    bool ExtractMember(TZipArchive& archive, const TZipEntry& entry, const std::string& folder, const std::string& finalPath);
};
