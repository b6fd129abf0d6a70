#include "engine/TSearchEngine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "engine/TDirectoryLister.h"
#include "engine/TFileSearcher.h"
#include "engine/TRecordSink.h"
#include "engine/TRep.h"
#include "engine/TWildcardMask.h"
#include "engine/TZipExtractor.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TLeftovers.h"
#include "model/TSearchData.h"
#include "model/TSearchStats.h"

namespace fs = std::filesystem;

namespace {

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

std::string CurrentProcessFolder()
{
    std::error_code error;
    const fs::path path = fs::current_path(error);
    return error ? std::string("/") : path.string();
}

// An absolute, lexically clean path without a trailing separator (the root keeps its own).
std::string ResolveFolder(const std::string& base, const std::string& folder)
{
    fs::path path(folder);
    if (path.is_relative())
        path = fs::path(base) / path;
    std::string text = path.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

} // namespace

TSearchEngine::TSearchEngine(const TSearchData& data, TFileList& results, TSearchStats& stats, TShellInfo& shell)
    : Data(data), Results(results), Stats(stats), Shell(shell), Unzipper(std::make_unique<TZipExtractor>())
{
    ConnectUnzipper();
}

TSearchEngine::~TSearchEngine()
{
    RemoveZipFolder();
    if (!PrivateTempFolder.empty())
        rmdir(PrivateTempFolder.c_str());
}

bool TSearchEngine::CountFiles()
{
    Stats.CountedFiles = 0;
    SearchPass = false;
    Run();
    return !StopRequested;
}

void TSearchEngine::Search()
{
    SearchPass = true;
    StartTime = TDateTime::Now();
    Run();
    Stats.ElapsedTime = TDateTime(TDateTime::Now().Value() - StartTime.Value());
}

void TSearchEngine::Run()
{
    StopRequested = false;
    Bytes = 0;
    Searched = 0;
    Matches = 0;
    Matched = 0;
    Skipped = 0;
    CurrentFolder.clear();
    CurrentFile.clear();
    ReportProgress();
    Stats.Completed = false;
    Today = TDateTime::Today().DayNumber();
    Searcher = std::make_unique<TFileSearcher>(Data, Today);
    const std::string base = BaseFolder.empty() ? CurrentProcessFolder() : BaseFolder;

    // A pattern that does not compile would find nothing in every file (and, inverted, list
    // every line): the run says so and searches nothing. The counting pass leaves the telling to
    // the search pass that follows it.
    if (const int32_t code = Searcher->PatternErrorCode(); code != 0) {
        if (SearchPass && Notify.Error)
            Notify.Error(ErrorCaption, ErrorTitle, "Invalid regular expression: " + TRep::ErrorText(code));
    } else if (Data.SearchAgain) {
        SearchAgain();
    } else {
        Results.Clear();
        for (const std::string& folder : Data.Folders) {
            if (StopRequested)
                break;
            WorkingFolder = ResolveFolder(base, folder);
            SearchFolder(folder);
        }
    }

    if (!StopRequested)
        Stats.Completed = true;
    CurrentFolder.clear();
    CurrentFile.clear();
    ReportProgress();
    Searcher.reset();
}

void TSearchEngine::SearchAgain()
{
    // ZIP members are dropped: their extracted files are gone once their archive is done.
    std::vector<std::unique_ptr<TFileData>> taken = Results.TakeAll();
    for (std::unique_ptr<TFileData>& source : taken) {
        if (source->InZip)
            continue;
        auto copy = std::make_unique<TFileData>(*source);
        ++Searched;
        Bytes += static_cast<double>(copy->Size);
        CurrentFolder = copy->Folder;
        CurrentFile = copy->FileName;
        const int64_t n = ScanFile(copy);
        Matches += static_cast<uint64_t>(n);
        if (n > 0)
            ++Matched;
        ReportProgress();
        if (StopRequested)
            break;
    }
}

void TSearchEngine::SearchFolder(const std::string& folder)
{
    // WorkingFolder holds the resolved root. A root that is not a readable folder is reported and
    // skipped; the run goes on with the next one.
    struct stat info {};
    std::vector<TDirEntry> probe;
    if (stat(WorkingFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        !TDirectoryLister::List(WorkingFolder, probe)) {
        if (Notify.Error)
            Notify.Error(ErrorCaption, ErrorTitle, "Unable to search in folder " + folder);
        return;
    }
    CurrentFolder = WorkingFolder;
    InZip = false;

    const std::string root = WorkingFolder;
    RootDevice = static_cast<uint64_t>(info.st_dev);
    const auto walkRoot = [&](const std::string& spec, Pass pass) {
        WorkingFolder = root;
        WorkingDevice = RootDevice;
        VisitedFolders = {{RootDevice, static_cast<uint64_t>(info.st_ino)}};
        WalkFolder(spec, pass);
    };
    for (const std::string& spec : Data.FileSpecs) {
        if (StopRequested)
            break;
        walkRoot(spec, Pass::Specs);
    }
    InZip = true;
    if (!StopRequested && Data.SearchZIPs)
        walkRoot("*.ZIP", Pass::Archives);
    WorkingFolder = root;
}

bool TSearchEngine::EntersFolder(const TDirEntry& entry, const std::string& path)
{
    if (Data.SkipUnderscoreDirs && entry.Name.compare(0, 4, "_vti") == 0)
        return false;
    // A kernel file system (/proc, /sys) is walked only when the root lies in it: /proc alone
    // links to the whole tree once for every process.
    if (entry.Device != WorkingDevice && entry.Device != RootDevice && TDirectoryLister::IsKernelFileSystem(path))
        return false;
    return VisitedFolders.insert({entry.Device, entry.Inode}).second;
}

bool TSearchEngine::WalkFolder(const std::string& spec, Pass pass)
{
    std::vector<TDirEntry> entries;
    if (!TDirectoryLister::List(WorkingFolder, entries))
        return false;

    bool filesProcessed = false;
    for (const TDirEntry& entry : entries) {
        if (StopRequested)
            break;
        if (entry.Name.front() == '.')
            continue;
        if (entry.IsFolder && Data.RecurseSubdirs) {
            const std::string path = JoinPath(WorkingFolder, entry.Name);
            if (EntersFolder(entry, path)) {
                const std::string parent = std::exchange(WorkingFolder, path);
                const uint64_t parentDevice = std::exchange(WorkingDevice, entry.Device);
                WalkFolder(spec, pass); // an unreadable sub-folder is skipped
                WorkingFolder = parent;
                WorkingDevice = parentDevice;
            }
        } else if (!filesProcessed) {
            ProcessFiles(entries, spec, pass);
            filesProcessed = true;
        }
        ProcessPendingMessage();
    }
    return true;
}

void TSearchEngine::ProcessFiles(const std::vector<TDirEntry>& entries, const std::string& spec, Pass pass)
{
    CurrentFolder = WorkingFolder;
    for (const TDirEntry& entry : entries) {
        if (StopRequested)
            break;
        if (!TWildcardMask::Matches(spec, entry.Name))
            continue;
        if (entry.IsFolder) {
            ProcessPendingMessage();
            continue;
        }
        auto record = std::make_unique<TFileData>(CurrentFolder, entry.Name, Shell, TFileData::TNamesOnly{});
        if (pass == Pass::Archives) {
            SearchZip(*record);
            CurrentFolder = WorkingFolder;
            continue;
        }
        HandleFile(std::move(record), pass);
        ProcessPendingMessage();
    }
}

void TSearchEngine::HandleFile(std::unique_ptr<TFileData> record, Pass pass)
{
    if (pass == Pass::Members) {
        record->InZip = true;
        record->ZipName = Unzipper->ZipFileName;
        if (const auto stored = MemberNames.find(record->FileName); stored != MemberNames.end())
            record->MemberName = stored->second;
    }
    const char* reason = Searcher->Open(*record);
    if (!reason) {
        CurrentFile = record->FileName;
        ++Searched;
        Bytes += static_cast<double>(record->Size);
        ReportProgress();
        const int64_t n = ScanFile(record);
        Matches += static_cast<uint64_t>(n);
        if (n > 0)
            ++Matched;
    } else {
        ++Skipped;
        if (Data.ShowLog && Notify.SkipNote)
            Notify.SkipNote("Skipped: " + record->FullPath + ", " + reason);
        ReportProgress();
    }
}

int64_t TSearchEngine::ScanFile(std::unique_ptr<TFileData>& record)
{
    if (!SearchPass) {
        Searcher->Close();
        ++Stats.CountedFiles;
        ProcessPendingMessage();
        return 0;
    }
    TRecordSink sink(*record, Notify.KeepMatchedLines, [this] { ProcessPendingMessage(); });
    const int64_t n = Searcher->Scan(*record, sink, StopRequested);
    TRecordSink::Publish(record, Results, Notify);
    return n;
}

void TSearchEngine::SearchZip(const TFileData& archive)
{
    if (!EnsureZipFolder()) {
        if (Notify.Error)
            Notify.Error(ErrorCaption, ErrorTitle, "Unable to search ZIP " + archive.FullPath);
        return;
    }
    const std::string parent = WorkingFolder;
    ClearZipFolder();
    Unzipper->ZipFileName = archive.FullPath;
    Unzipper->TargetDirectory = ZipFolder;
    Unzipper->ArchiveBytesWritten = 0;
    MemberNames.clear();
    for (const std::string& spec : Data.FileSpecs) {
        if (StopRequested)
            break;
        Unzipper->FilesToExtract = spec;
        Unzipper->Extract();
    }

    // The members are walked as files of the extraction folder, each marked with its archive.
    // The folder is made afresh for every archive and may get the inode of an earlier one, so
    // its walk keeps a record of visits of its own.
    WorkingFolder = ZipFolder;
    std::set<std::pair<uint64_t, uint64_t>> outerVisits = std::exchange(VisitedFolders, {});
    const uint64_t parentDevice = WorkingDevice;
    if (struct stat info {}; stat(ZipFolder.c_str(), &info) == 0)
        WorkingDevice = static_cast<uint64_t>(info.st_dev);
    if (!StopRequested && !WalkFolder("*.*", Pass::Members) && Notify.Error)
        Notify.Error(ErrorCaption, ErrorTitle, "Unable to search ZIP " + archive.FullPath);
    VisitedFolders = std::move(outerVisits);
    WorkingDevice = parentDevice;

    ClearZipFolder();
    WorkingFolder = parent;
    RemoveZipFolder();
    Unzipper->ZipFileName.clear();
    MemberNames.clear();
}

void TSearchEngine::ConnectUnzipper()
{
    // A member that expands for long must not hold up Stop, nor the window's repainting.
    Unzipper->StopRequested = [this] { return StopRequested.load(); };
    Unzipper->ProcessPendingMessage = [this] { ProcessPendingMessage(); };
    Unzipper->MemberSkipped = [this](const std::string& member, const std::string& reason) {
        if (Data.ShowLog && Notify.SkipNote)
            Notify.SkipNote("Skipped: " + Unzipper->ZipFileName + "/" + member + ", " + reason);
    };
    // Extracted files carry only the last part of their stored names; the whole name is kept so
    // that the member can be found again for viewing. A later member of the same file name
    // replaced the earlier one's file, and so its name.
    Unzipper->MemberWritten = [this](const std::string& member, const std::string& relativePath) {
        MemberNames[relativePath] = member;
    };
}

bool TSearchEngine::EnsureZipFolder()
{
    if (PrivateTempFolder.empty()) {
        // Named after this process, so that a later start can tell it was left by a killed one.
        std::string pattern = TLeftovers::FolderPattern(TLeftovers::ZipFolderPrefix);
        if (!mkdtemp(pattern.data()))
            return false;
        PrivateTempFolder = pattern;
        ZipFolder = JoinPath(PrivateTempFolder, "~quarnel.t");
    }
    return mkdir(ZipFolder.c_str(), 0700) == 0 || errno == EEXIST;
}

void TSearchEngine::ClearZipFolder()
{
    // The folder is private to this engine, so everything in it goes, dot-named members too.
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(ZipFolder, error))
        fs::remove_all(entry.path(), error);
}

void TSearchEngine::RemoveZipFolder()
{
    if (ZipFolder.empty())
        return;
    std::error_code error;
    fs::remove_all(ZipFolder, error);
}

void TSearchEngine::ReportProgress()
{
    if (!SearchPass)
        return;
    Stats.SearchedFiles = Searched;
    Stats.BytesSearched = Bytes;
    Stats.TotalMatches = Matches;
    Stats.MatchedFiles = Matched;
    Stats.SkippedFiles = Skipped;
    // While an archive's members are searched, the archive stands for the folder.
    Stats.CurrentFolder = InZip && !Unzipper->ZipFileName.empty() ? Unzipper->ZipFileName : CurrentFolder;
    Stats.CurrentFile = CurrentFile;
    if (Notify.Progress)
        Notify.Progress();
}

void TSearchEngine::ProcessPendingMessage()
{
    if (Notify.ProcessPendingMessage)
        Notify.ProcessPendingMessage();
}
