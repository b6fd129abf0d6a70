// SPDX-License-Identifier: MIT
#include "model/TLeftovers.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <vector>

#include "model/TAtomicFile.h"
#include "model/TPathText.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view RecordSuffix = ".pending";
// A record lists the few files a replace has in flight; a larger one is not ours.
constexpr std::size_t MaxRecordSize = 1024 * 1024;

constexpr TAtomicFile::TOptions RecordOptions{
    .TemporaryPrefix = ".record-",
    .TemporarySuffix = ".tmp",
    .NewFileMode = 0600,
    .PermissionsRequired = false,
    .KeepOwner = false,
    .SyncFile = false,
    .SyncFolder = false,
};

bool IsDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The start time (field 22 of /proc/<pid>/stat) of a process; "" when it has no such entry,
// "?" when the entry cannot be read for another reason.
std::string StartTimeOf(const std::string& pid)
{
    std::ifstream stat("/proc/" + pid + "/stat");
    if (!stat) {
        struct stat info;
        return ::stat(("/proc/" + pid).c_str(), &info) != 0 && errno == ENOENT ? "" : "?";
    }
    std::string line;
    std::getline(stat, line);
    // The command name (field 2) may hold blanks and parentheses: count from the last ")".
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos)
        return "?";
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    for (int number = 3; number <= 22 && fields >> field; ++number)
        if (number == 22)
            return IsDigits(field) ? field : "?";
    return "?";
}

// The mark at the start of `rest` ("<pid>.<start>-..."), or "" when there is none.
std::string_view MarkAtStart(std::string_view rest)
{
    const std::size_t dot = rest.find('.');
    const std::size_t dash = rest.find('-');
    if (dot == std::string_view::npos || dash == std::string_view::npos || dot > dash ||
        !IsDigits(rest.substr(0, dot)) || !IsDigits(rest.substr(dot + 1, dash - dot - 1)))
        return {};
    return rest.substr(0, dash);
}

// The user's own entry, not a link, of the kind asked for.
bool IsOwn(const std::string& path, bool folder)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && info.st_uid == geteuid() &&
           (folder ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode));
}

bool IsBesideName(std::string_view name)
{
    const std::size_t fixed = TLeftovers::BesidePrefix.size() + TLeftovers::BesideSuffix.size();
    return name.size() == fixed + 12 && name.starts_with(TLeftovers::BesidePrefix) &&
           name.ends_with(TLeftovers::BesideSuffix) &&
           name.substr(TLeftovers::BesidePrefix.size(), 12).find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyz") ==
               std::string_view::npos;
}

std::vector<std::string> NamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            names.emplace_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

// The marked leftovers of ended processes in the temporary folder.
void SweepTemporaryFolder(const std::string& folder)
{
    for (const std::string& name : NamesIn(folder)) {
        const std::string path = TPathText::Join(folder, name);
        std::string_view mark;
        bool isFolder = true;
        if (name.starts_with(TLeftovers::ViewFolderPrefix))
            mark = MarkAtStart(std::string_view(name).substr(TLeftovers::ViewFolderPrefix.size()));
        if (mark.empty() && name.starts_with(TLeftovers::ZipFolderPrefix))
            mark = MarkAtStart(std::string_view(name).substr(TLeftovers::ZipFolderPrefix.size()));
        if (mark.empty() && name.starts_with(TLeftovers::DocumentPrefix) && name.ends_with(TLeftovers::DocumentSuffix)) {
            mark = MarkAtStart(std::string_view(name).substr(TLeftovers::DocumentPrefix.size()));
            isFolder = false;
        }
        if (mark.empty() || TLeftovers::IsRunning(mark) || !IsOwn(path, isFolder))
            continue;
        std::error_code error;
        if (isFolder)
            fs::remove_all(path, error); // links inside are removed, never followed
        else
            unlink(path.c_str());
    }
}

// The temporary files the records of ended processes name, and those records.
void SweepRecords(const std::string& folder)
{
    for (const std::string& name : NamesIn(folder)) {
        if (!name.ends_with(RecordSuffix))
            continue;
        const std::string_view mark = std::string_view(name).substr(0, name.size() - RecordSuffix.size());
        const std::size_t dot = mark.find('.');
        if (dot == std::string_view::npos || !IsDigits(mark.substr(0, dot)) || !IsDigits(mark.substr(dot + 1)) ||
            TLeftovers::IsRunning(mark))
            continue;
        const std::string path = TPathText::Join(folder, name);
        std::string content;
        struct stat info;
        if (IsOwn(path, false) &&
            TAtomicFile::ReadWholeFile(path, MaxRecordSize, content, info) == TAtomicFile::TReadOutcome::Read) {
            std::istringstream entries(content);
            std::string entry;
            while (std::getline(entries, entry, '\0'))
                if (IsBesideName(fs::path(entry).filename().string()) && IsOwn(entry, false))
                    unlink(entry.c_str());
        }
        unlink(path.c_str());
    }
}

// This process's temporary files beside user files, and its record of them.
class TRecord {
public:
    void Add(const std::string& path)
    {
        std::error_code error;
        const std::string absolute = fs::absolute(path, error).string();
        const std::lock_guard lock(Guard);
        ForThisProcess();
        if (Paths.insert(error ? path : absolute).second)
            Write();
    }
    void Remove(const std::string& path)
    {
        std::error_code error;
        const std::string absolute = fs::absolute(path, error).string();
        const std::lock_guard lock(Guard);
        ForThisProcess();
        if (Paths.erase(error ? path : absolute) > 0)
            Write();
    }

private:
    // A child made by fork starts with a record of its own: the parent's files are the parent's.
    void ForThisProcess()
    {
        if (Owner == getpid())
            return;
        Owner = getpid();
        Paths.clear();
        File.clear();
    }

    void Write()
    {
        if (File.empty()) {
            const std::string folder = TLeftovers::RecordFolder();
            if (folder.empty())
                return;
            File = TPathText::Join(folder, TLeftovers::OwnMark() + std::string(RecordSuffix));
        }
        if (Paths.empty()) {
            unlink(File.c_str());
            return;
        }
        std::string content;
        for (const std::string& path : Paths)
            content.append(path).push_back('\0');
        TAtomicFile::Replace(File, content, nullptr, RecordOptions);
    }

    std::mutex Guard;
    pid_t Owner = 0;
    std::set<std::string> Paths;
    std::string File;
};

TRecord& OwnRecord()
{
    static TRecord record;
    return record;
}

} // namespace

std::string TLeftovers::OwnMark()
{
    // Looked up once per process; a child made by fork looks up its own.
    static std::mutex guard;
    static pid_t owner = 0;
    static std::string mark;
    const std::lock_guard lock(guard);
    if (owner != getpid()) {
        owner = getpid();
        const std::string pid = std::to_string(owner);
        const std::string start = StartTimeOf(pid);
        // A start time that cannot be read is 0, which IsRunning never takes for an ended process.
        mark = pid + "." + (IsDigits(start) ? start : "0");
    }
    return mark;
}

bool TLeftovers::IsRunning(std::string_view mark)
{
    const std::size_t dot = mark.find('.');
    if (dot == std::string_view::npos)
        return true;
    const std::string pid(mark.substr(0, dot));
    const std::string_view start = mark.substr(dot + 1);
    if (!IsDigits(pid) || !IsDigits(start) || start == "0")
        return true;
    const std::string now = StartTimeOf(pid);
    return now == "?" || now == start;
}

std::string TLeftovers::TemporaryFolder()
{
    std::error_code error;
    const fs::path folder = fs::temp_directory_path(error);
    return error ? std::string("/tmp") : folder.string();
}

std::string TLeftovers::RecordFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime && runtime[0] == '/'
                                   ? TPathText::Join(runtime, "quarnel")
                                   : TPathText::Join(TemporaryFolder(), "quarnel-records-" + std::to_string(geteuid()));
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    // In a shared folder another user could have made it first: use only a folder of our own.
    struct stat info;
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid())
        return {};
    if ((info.st_mode & 077) != 0 && chmod(folder.c_str(), 0700) != 0)
        return {};
    return folder;
}

std::string TLeftovers::FolderPattern(std::string_view prefix)
{
    return TPathText::Join(TemporaryFolder(), std::string(prefix) + OwnMark() + "-XXXXXX");
}

std::string TLeftovers::FilePrefix(std::string_view prefix)
{
    return std::string(prefix) + OwnMark() + "-";
}

void TLeftovers::Remember(const std::string& path)
{
    OwnRecord().Add(path);
}

void TLeftovers::Forget(const std::string& path)
{
    OwnRecord().Remove(path);
}

void TLeftovers::Sweep()
{
    SweepTemporaryFolder(TemporaryFolder());
    const std::string records = RecordFolder();
    if (!records.empty())
        SweepRecords(records);
}
