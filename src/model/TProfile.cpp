#include "model/TProfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <random>

#include "model/TIniText.h"

namespace {

// A parameter file holds a few dozen short lines. Anything far larger is not one: it reads as
// missing and is never rewritten, so a wrong file name cannot make us swallow or shorten it.
constexpr off_t MaxFileSize = 16 * 1024 * 1024;

enum class ReadOutcome { Read, Missing, Failed };

void CloseQuietly(int fd)
{
    while (close(fd) != 0 && errno == EINTR) {
    }
}

// Reads the whole regular file at `path`. Missing means there is no such file, so that a
// write may create it; Failed means it exists but cannot be used (unreadable, a folder, a
// device, too large), so that a write must leave it alone.
ReadOutcome ReadWholeFile(const std::string& path, std::string& content, struct stat& info)
{
    content.clear();
    int fd;
    do {
        // O_NONBLOCK so that a FIFO under the name cannot block the open.
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > MaxFileSize) {
        CloseQuietly(fd);
        return ReadOutcome::Failed;
    }
    char buffer[16384];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || content.size() + static_cast<std::size_t>(n) > static_cast<std::size_t>(MaxFileSize)) {
            CloseQuietly(fd);
            return ReadOutcome::Failed;
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    CloseQuietly(fd);
    return ReadOutcome::Read;
}

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file a write replaces: the target of a symbolic link rather than the link itself, so
// that a linked parameter file stays linked.
std::string WriteTarget(const std::string& fileName)
{
    struct stat info;
    if (lstat(fileName.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = realpath(fileName.c_str(), nullptr)) {
            std::string target(resolved);
            std::free(resolved);
            return target;
        }
    }
    return fileName;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a new, empty file beside `target` under a name nobody else uses; -1 on failure.
// Mode 0666 lets the process's umask (and default ACLs) decide, as for any new file.
int CreateTemporaryBeside(const std::string& target, std::string& name)
{
    thread_local std::mt19937_64 random(std::random_device{}() ^ static_cast<uint64_t>(getpid()) ^
                                        static_cast<uint64_t>(std::time(nullptr)));
    static constexpr char Digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    const std::string folder = FolderOf(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix;
        uint64_t bits = random();
        for (int i = 0; i < 10; ++i, bits /= 36)
            suffix += Digits[bits % 36];
        name = folder + "/.par-" + suffix + ".tmp";
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST && errno != EINTR)
            return -1;
    }
    return -1;
}

// Replaces `target` with `content` in one step: a temporary file in the same folder is
// written, flushed to disk and renamed over it, so that a crash leaves either the old or the
// new file, never a torn one. An existing file keeps its permissions and, where allowed, its
// owner.
bool ReplaceFile(const std::string& target, const std::string& content, const struct stat* existing)
{
    std::string temporary;
    const int fd = CreateTemporaryBeside(target, temporary);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, content);
    if (ok && existing) {
        ok = fchmod(fd, existing->st_mode & 07777) == 0;
        if (ok && fchown(fd, existing->st_uid, existing->st_gid) != 0) {
            // Only the superuser may give a file away; keeping our own ownership is fine.
        }
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(temporary.c_str());
    return ok;
}

// A decimal integer: an optional sign and digits only, within the 32-bit range.
std::optional<int32_t> ParseDecimal(const std::string& text)
{
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        i = 1;
    if (i == text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > int64_t(INT32_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

// The State rule: "TRUE" or "YES" in any case, or "1".
bool IsTrueText(const std::string& text)
{
    if (text == "1")
        return true;
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper == "TRUE" || upper == "YES";
}

} // namespace

std::string TProfile::Text() const
{
    if (FileName.empty() || Section.empty() || Entry.empty())
        return {};
    std::string content;
    struct stat info;
    std::optional<std::string> value;
    if (ReadWholeFile(FileName, content, info) == ReadOutcome::Read)
        value = TIniText::Read(content, Section, Entry);
    std::string text = value ? std::move(*value) : DefaultText;
    if (text.size() > MaxValueLength)
        text.resize(MaxValueLength);
    return text;
}

bool TProfile::SetText(const std::string& text) const
{
    if (FileName.empty() || Section.empty() || Entry.empty())
        return false;
    // A name that could not be read back (a line break, an "=" in a key) is never written:
    // it would add lines of its own to the file.
    if (!TIniText::IsWritableSection(Section) || !TIniText::IsWritableKey(Entry))
        return false;

    const std::string target = WriteTarget(FileName);
    std::string content;
    struct stat info;
    const ReadOutcome outcome = ReadWholeFile(target, content, info);
    if (outcome == ReadOutcome::Failed)
        return false;
    // Renaming would get past a read-only file's protection; a write in place would not.
    if (outcome == ReadOutcome::Read && access(target.c_str(), W_OK) != 0)
        return false;

    const std::string updated = TIniText::Write(content, Section, Entry, text);
    if (outcome == ReadOutcome::Read && updated == content)
        return true;
    return ReplaceFile(target, updated, outcome == ReadOutcome::Read ? &info : nullptr);
}

bool TProfile::State() const
{
    return IsTrueText(Text());
}

bool TProfile::SetState(bool state) const
{
    return SetText(state ? "True" : "False");
}

int32_t TProfile::Value() const
{
    const std::string text = Text();
    if (text.empty())
        return 0;
    if (const std::optional<int32_t> value = ParseDecimal(text))
        return *value;
    return IsTrueText(text) ? 1 : 0;
}

bool TProfile::SetValue(int32_t value) const
{
    return SetText(std::to_string(value));
}
