// SPDX-License-Identifier: MIT
#include "engine/TZipExtractor.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>
#include <vector>

#include "engine/TImplodeDecoder.h"
#include "engine/TShrinkDecoder.h"
#include "engine/TWildcardMask.h"
#include "engine/TZipArchive.h"
#include "engine/TZipBitReader.h"
#include "engine/TZipEntry.h"
#include "engine/TZipSink.h"
#include "model/TAtomicFile.h"
#include "model/TPathText.h"

namespace {

constexpr uint16_t MethodStored = 0;
constexpr uint16_t MethodShrunk = 1;
constexpr uint16_t MethodImploded = 6;
constexpr uint16_t MethodDeflated = 8;
constexpr std::size_t ChunkSize = 64 * 1024;

bool IsSeparator(char c, bool withColon) { return c == '/' || c == '\\' || (withColon && c == ':'); }

// A member goes to a new file beside its final name, renamed over that name (a link there
// included, so nothing is written through a link) once it is whole and checked. It is not
// flushed to disk: a member can always be extracted again, and flushing each one would slow
// an archive of many small members badly.
constexpr TAtomicFile::TOptions MemberOptions{
    .TemporaryPrefix = "~qz",
    .TemporarySuffix = ".tmp",
    .NewFileMode = 0666,
    .PermissionsRequired = false,
    .KeepOwner = false,
    .SyncFile = false,
    .SyncFolder = false,
};

// The DOS date and time of a member as a local time stamp; false for impossible field values.
bool DosTime(uint16_t date, uint16_t time, std::time_t& result)
{
    std::tm t{};
    t.tm_year = ((date >> 9) & 0x7F) + 80;
    t.tm_mon = ((date >> 5) & 0x0F) - 1;
    t.tm_mday = date & 0x1F;
    t.tm_hour = (time >> 11) & 0x1F;
    t.tm_min = (time >> 5) & 0x3F;
    t.tm_sec = (time & 0x1F) * 2;
    t.tm_isdst = -1;
    if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1 || t.tm_hour > 23 || t.tm_min > 59 || t.tm_sec > 59)
        return false;
    result = std::mktime(&t);
    return result != static_cast<std::time_t>(-1);
}

// Makes each folder of `relative` (all but its last part) below `root`. An existing entry must be
// a real folder: a symbolic link could lead outside the root.
bool MakeFolders(const std::string& root, const std::string& relative, std::string& folder)
{
    folder = root;
    std::size_t start = 0;
    for (std::size_t slash; (slash = relative.find('/', start)) != std::string::npos; start = slash + 1) {
        folder = TPathText::Join(folder, std::string_view(relative).substr(start, slash - start));
        struct stat info;
        if (::lstat(folder.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                return false;
        } else if (errno != ENOENT || (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)) {
            return false;
        }
    }
    return true;
}

bool CopyStored(const TZipBitReader::TSource& source, uint64_t size, TZipSink& sink)
{
    std::vector<char> buffer(ChunkSize);
    uint64_t left = size;
    while (left > 0) {
        const std::size_t n = source(reinterpret_cast<unsigned char*>(buffer.data()),
                                     static_cast<std::size_t>(std::min<uint64_t>(left, buffer.size())));
        if (n == 0 || !sink.Append(buffer.data(), n))
            return false;
        left -= n;
    }
    return sink.Flush();
}

// Raw DEFLATE through zlib. The stream must end exactly at the member's size: ending early or
// going on past it both mean damaged data.
bool Inflate(const TZipBitReader::TSource& source, uint64_t size, TZipSink& sink)
{
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&stream, inflateEnd);
    std::vector<unsigned char> in(ChunkSize), out(ChunkSize);
    uint64_t produced = 0;
    for (;;) {
        if (stream.avail_in == 0) {
            stream.next_in = in.data();
            stream.avail_in = static_cast<uInt>(source(in.data(), in.size()));
        }
        const bool inputEnded = stream.avail_in == 0;
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        const int result = inflate(&stream, Z_NO_FLUSH);
        const std::size_t n = out.size() - stream.avail_out;
        produced += n;
        if (produced > size || (n > 0 && !sink.Append(reinterpret_cast<const char*>(out.data()), n)))
            return false;
        if (result == Z_STREAM_END)
            return produced == size && sink.Flush();
        if (result != Z_OK && !(result == Z_BUF_ERROR && !inputEnded))
            return false;
        if (inputEnded && n == 0)
            return false;
    }
}

} // namespace

bool TZipExtractor::MaskMatches(std::string_view mask, std::string_view name)
{
    if (mask.empty() || mask == "*.*")
        return true;
    // Stored names are compared whole, folders included: '*' runs across '/' too.
    return TWildcardMask::MatchesGlob(mask, name);
}

std::string TZipExtractor::OutputPath(std::string_view storedName, bool dontRecurse)
{
    if (storedName.find('\0') != std::string_view::npos)
        return {};
    if (dontRecurse) {
        std::size_t start = storedName.size();
        while (start > 0 && !IsSeparator(storedName[start - 1], true))
            --start;
        const std::string_view bare = storedName.substr(start);
        if (bare.empty() || bare == "." || bare == "..")
            return {};
        return std::string(bare);
    }

    // A drive letter and any leading separators go; "." parts are dropped and ".." takes back
    // the part before it, never going above the target folder.
    if (storedName.size() >= 2 && storedName[1] == ':' &&
        ((storedName[0] >= 'A' && storedName[0] <= 'Z') || (storedName[0] >= 'a' && storedName[0] <= 'z')))
        storedName.remove_prefix(2);
    std::vector<std::string_view> parts;
    std::string_view last;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= storedName.size(); ++i) {
        if (i < storedName.size() && !IsSeparator(storedName[i], false))
            continue;
        last = storedName.substr(start, i - start);
        start = i + 1;
        if (last.empty() || last == ".")
            continue;
        if (last == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(last);
    }
    if (last.empty() || last == "." || last == ".." || parts.empty())
        return {};
    std::string path;
    for (std::string_view part : parts) {
        if (!path.empty())
            path += '/';
        path.append(part);
    }
    return path;
}

std::string TZipExtractor::UnsupportedMethodReason(uint16_t method)
{
    if (method == MethodStored || method == MethodShrunk || method == MethodImploded || method == MethodDeflated)
        return {};
    const char* name = nullptr;
    switch (method) {
    case 2: case 3: case 4: case 5: name = "reduced"; break;
    case 9: name = "deflate64"; break;
    case 12: name = "bzip2"; break;
    case 14: name = "LZMA"; break;
    case 93: name = "Zstandard"; break;
    case 95: name = "xz"; break;
    case 98: name = "PPMd"; break;
    case 99: name = "AES encryption"; break;
    default: break;
    }
    return "Member is compressed with method " + std::to_string(method) + (name ? std::string(" (") + name + ")" : "") +
           ", which cannot be unpacked";
}

bool TZipExtractor::Stopping() const
{
    if (ProcessPendingMessage)
        ProcessPendingMessage();
    return StopRequested && StopRequested();
}

void TZipExtractor::Skip(const TZipEntry& entry, const std::string& reason) const
{
    if (MemberSkipped)
        MemberSkipped(entry.Name, reason);
}

std::string TZipExtractor::RefusalReason(const TZipEntry& entry) const
{
    if (entry.IsEncrypted())
        return "Member is encrypted";
    if (entry.NeedsZip64)
        return "Member's sizes are marked as kept in a ZIP64 field that it lacks";
    if (std::string reason = UnsupportedMethodReason(entry.Method); !reason.empty())
        return reason;
    if (entry.Size > Limits.MemberSize)
        return "Member is larger than " + std::to_string(Limits.MemberSize) + " bytes";
    if (Limits.Ratio > 0 && entry.Size > Limits.RatioFreeSize && entry.Size / Limits.Ratio > entry.CompressedSize)
        return "Member would expand more than " + std::to_string(Limits.Ratio) + " times its packed size";
    if (entry.Size > Limits.ArchiveTotal || ArchiveBytesWritten > Limits.ArchiveTotal - entry.Size)
        return "Members of the archive would take more than " + std::to_string(Limits.ArchiveTotal) + " bytes";
    return {};
}

int64_t TZipExtractor::FindNamedMember(TZipArchive& archive) const
{
    int64_t found = -1;
    TZipEntry entry;
    for (int64_t index = 0; archive.NextEntry(entry); ++index) {
        if (entry.Name == MemberName)
            found = index;
    }
    archive.Rewind();
    return found;
}

int TZipExtractor::Extract()
{
    TZipArchive archive;
    switch (archive.Open(ZipFileName)) {
    case TZipArchive::TStatus::Ok:
        break;
    case TZipArchive::TStatus::CannotOpen:
        return ErrorCannotOpen;
    case TZipArchive::TStatus::NotZip:
        return ErrorNotZip;
    case TZipArchive::TStatus::BadDirectory:
        return ErrorBadDirectory;
    case TZipArchive::TStatus::Unsupported:
        return ErrorUnsupported;
    }

    const int64_t named = MemberName.empty() ? -1 : FindNamedMember(archive);
    if (!MemberName.empty() && named < 0)
        return 0;
    int extracted = 0;
    TZipEntry entry;
    for (int64_t index = 0; archive.NextEntry(entry); ++index) {
        if (named >= 0 ? index != named : !MaskMatches(FilesToExtract, entry.Name))
            continue;
        if (Stopping() || ExtractEntry(archive, entry, extracted) == TOutcome::Stop)
            break;
        if (named >= 0)
            break;
    }
    return extracted;
}

TZipExtractor::TOutcome TZipExtractor::ExtractEntry(TZipArchive& archive, const TZipEntry& entry, int& extracted)
{
    if (entry.IsFolder()) {
        if (!DontRecurse) {
            const std::string relative = OutputPath(entry.Name.substr(0, entry.Name.size() - 1), false);
            std::string folder;
            if (!relative.empty())
                MakeFolders(TargetDirectory, relative + "/", folder);
        }
        return TOutcome::Skipped;
    }
    if (const std::string reason = RefusalReason(entry); !reason.empty()) {
        Skip(entry, reason);
        return TOutcome::Skipped;
    }
    const std::string relative = OutputPath(entry.Name, DontRecurse);
    if (relative.empty())
        return TOutcome::Skipped;
    std::string folder;
    if (!MakeFolders(TargetDirectory, relative, folder)) {
        Skip(entry, "Member's folder could not be made");
        return TOutcome::Skipped;
    }
    const std::string finalPath = TPathText::Join(TargetDirectory, relative);
    struct stat info;
    if (OverwriteQuery && ::lstat(finalPath.c_str(), &info) == 0 && !OverwriteQuery(finalPath)) {
        ++extracted;
        return TOutcome::Written;
    }
    if (!HasRoomFor(folder, entry.Size)) {
        Skip(entry, "Not enough free disk space for the member; the rest of the archive is not extracted");
        return TOutcome::Stop;
    }
    if (!ExtractMember(archive, entry, finalPath)) {
        if (Stopping())
            return TOutcome::Stop;
        Skip(entry, "Member could not be unpacked: its data is damaged or its file could not be written");
        return TOutcome::Skipped;
    }
    ArchiveBytesWritten += entry.Size;
    ++extracted;
    if (MemberWritten)
        MemberWritten(entry.Name, relative);
    return TOutcome::Written;
}

bool TZipExtractor::HasRoomFor(const std::string& folder, uint64_t size) const
{
    if (AvailableBytes) {
        const uint64_t available = AvailableBytes(folder);
        const uint64_t reserve = MinimumFreeBytes.value_or(DefaultMinimumFree);
        return size <= available && available - size >= reserve;
    }
    struct statvfs info;
    if (::statvfs(folder.empty() ? "." : folder.c_str(), &info) != 0)
        return true;
    const uint64_t unit = info.f_frsize ? info.f_frsize : info.f_bsize;
    const uint64_t available = uint64_t{info.f_bavail} * unit;
    const uint64_t reserve = MinimumFreeBytes ? *MinimumFreeBytes
                                              : std::max(DefaultMinimumFree, uint64_t{info.f_blocks} * unit / 50);
    return size <= available && available - size >= reserve;
}

bool TZipExtractor::ExtractMember(TZipArchive& archive, const TZipEntry& entry, const std::string& finalPath)
{
    uint64_t offset;
    if (!archive.DataOffset(entry, offset))
        return false;
    TAtomicFile file(MemberOptions);
    if (!file.Open(finalPath))
        return false;

    // The stop request is asked for each chunk read and written, so that a member that expands
    // enormously from little input is stopped as soon as one that reads a lot.
    uLong crc = crc32(0L, Z_NULL, 0);
    TZipSink sink([&](const char* data, std::size_t size) {
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(size));
        return !Stopping() && file.Write(data, size);
    });
    uint64_t left = entry.CompressedSize;
    const TZipBitReader::TSource source = [&](unsigned char* buffer, std::size_t capacity) -> std::size_t {
        if (Stopping())
            return 0;
        const std::size_t n = archive.ReadAt(offset, buffer, static_cast<std::size_t>(std::min<uint64_t>(capacity, left)));
        offset += n;
        left -= n;
        return n;
    };

    bool ok = false;
    if (entry.Size == 0 && entry.CompressedSize == 0) {
        ok = true;  // an empty member, whatever its method says
    } else if (entry.Method == MethodStored) {
        ok = CopyStored(source, entry.Size, sink);
    } else if (entry.Method == MethodDeflated) {
        ok = Inflate(source, entry.Size, sink);
    } else {
        TZipBitReader bits(source);
        if (entry.Method == MethodShrunk)
            ok = std::make_unique<TShrinkDecoder>()->Decode(bits, entry.Size, sink);
        else
            ok = TImplodeDecoder::FromFlags(entry.Flags).Decode(bits, entry.Size, sink);
    }
    ok = ok && sink.Produced() == entry.Size && crc == entry.Crc;
    if (!ok)
        return false;  // the partial member goes with `file`

    std::time_t stamp;
    if (DosTime(entry.DosDate, entry.DosTime, stamp)) {
        const timespec times[2] = {{stamp, 0}, {stamp, 0}};
        ::futimens(file.Descriptor(), times);
    }
    return file.Commit();
}
