// SPDX-License-Identifier: MIT
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
// stored (0), shrunk (1), imploded (6) and deflated (8). A selected member that cannot be
// extracted (encrypted, another method, damaged data, a failed CRC-32 check, over one of the
// Limits, or a file that cannot be made) is skipped: MemberSkipped is told its name and why, and
// the extraction goes on with the next member. A member that would leave less than
// MinimumFreeBytes free on the target's file system ends the extraction, so an archive can never
// fill the disk; so does a stop request (StopRequested), which is also asked while a member is
// decoded, about every 64 KB of output.
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
    static constexpr int ErrorUnsupported = -4;  // the ZIP64 records it needs are missing, or it spans several disks

    // What one archive may write, so that a small archive whose members expand enormously cannot
    // fill the disk. The sizes are those the central directory declares; a decoder never produces
    // more than that.
    struct TLimits {
        // A member larger than this is skipped.
        uint64_t MemberSize;
        // A member larger than RatioFreeSize that expands more than Ratio times its packed size
        // is skipped; 0 sets no ratio.
        uint64_t Ratio;
        uint64_t RatioFreeSize;
        // A member that would take ArchiveBytesWritten past this is skipped.
        uint64_t ArchiveTotal;
    };
    static constexpr TLimits DefaultLimits{
        .MemberSize = 1ull << 30,
        .Ratio = 1000,
        .RatioFreeSize = 8ull << 20,
        .ArchiveTotal = 4ull << 30,
    };

    // Path of the archive.
    std::string ZipFileName;
    // Folder to extract into; it must exist. Empty means the current folder.
    std::string TargetDirectory;
    // Member mask, compared with each whole stored name (see MaskMatches).
    std::string FilesToExtract = "*.*";
    // When not empty, only the member stored under exactly this name is extracted (the last one in
    // the directory when several have it), and FilesToExtract is not used.
    std::string MemberName;
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
    // The free bytes on the file system of `folder`, for tests that must not depend on what else
    // writes to the disk meanwhile. Unset: asked of the file system (statvfs).
    std::function<uint64_t(const std::string& folder)> AvailableBytes;
    TLimits Limits = DefaultLimits;
    // Bytes of the members written since this was last set to 0; Extract adds to it and keeps it
    // within Limits.ArchiveTotal. A caller that extracts one archive in several calls (one mask
    // after the other) sets it to 0 once for the archive.
    uint64_t ArchiveBytesWritten = 0;

    // Optional hooks. StopRequested ends the extraction between members and within one (the
    // member is then left out); ProcessPendingMessage is called as often, so that a window
    // stays responsive while a large member is decoded.
    std::function<bool()> StopRequested;
    std::function<void()> ProcessPendingMessage;
    // Told the stored name and the reason of each selected member that is not extracted.
    std::function<void(const std::string& member, const std::string& reason)> MemberSkipped;
    // Told the stored name of each member written and its path relative to TargetDirectory.
    std::function<void(const std::string& member, const std::string& relativePath)> MemberWritten;

    // Extracts the members of ZipFileName that FilesToExtract (or MemberName) selects. Returns the
    // number of members extracted (folder entries and names that give no usable file name do not
    // count), or one of the negative codes above.
    int Extract();

    // "*.*" or an empty mask selects every name. Otherwise the mask is compared with the whole
    // name, ASCII letters in either case equal: '*' matches any run of characters, '/' included,
    // '?' any one character, every other character itself.
    static bool MaskMatches(std::string_view mask, std::string_view name);
    // The path, relative to the target folder, that a member of this stored name is written to;
    // empty when the name gives no file (a folder, ".", "..", an empty name, a NUL byte).
    static std::string OutputPath(std::string_view storedName, bool dontRecurse);
    // Why a member of this method cannot be unpacked, naming the method; empty for the methods
    // that can.
    static std::string UnsupportedMethodReason(uint16_t method);

private:
    enum class TOutcome { Written, Skipped, Stop };

    // Whether `size` more bytes in `folder` leave the reserve free. A file system that cannot be
    // asked is not held back: a write that finds it full still fails the member.
    bool HasRoomFor(const std::string& folder, uint64_t size) const;
    // Why the member may not be written at all (its kind, its sizes); empty when it may.
    std::string RefusalReason(const TZipEntry& entry) const;
    bool Stopping() const;
    TOutcome ExtractEntry(TZipArchive& archive, const TZipEntry& entry, int& extracted);
    bool ExtractMember(TZipArchive& archive, const TZipEntry& entry, const std::string& finalPath);
    // The index in directory order of the last member stored as MemberName, or -1.
    int64_t FindNamedMember(TZipArchive& archive) const;
    void Skip(const TZipEntry& entry, const std::string& reason) const;
};
