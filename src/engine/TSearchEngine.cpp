// SPDX-License-Identifier: MIT
#include "engine/TSearchEngine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <utility>

#include "engine/TCountAhead.h"
#include "engine/TDirectoryLister.h"
#include "engine/TFileFilter.h"
#include "engine/TFileSearcher.h"
#include "engine/TOpenFolder.h"
#include "engine/TRecordSink.h"
#include "engine/TRep.h"
#include "engine/TScanPool.h"
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

// Whether the file of a record kept by the counting pass changed since: its modification time,
// size or identity differ, or it is gone. One stat; the scan that follows finds out for itself
// whether the file can still be read.
bool ChangedSinceCount(const TFileData& record)
{
    struct stat info {};
    if (stat(record.FullPath.c_str(), &info) != 0)
        return true;
    const int64_t modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return modified != record.ModifiedNs || static_cast<int64_t>(info.st_size) != record.Size ||
           static_cast<uint64_t>(info.st_ino) != record.Inode || static_cast<uint64_t>(info.st_dev) != record.Device;
}

// Jobs handed out and not reported yet, per worker: enough to keep every worker busy while the
// calling thread reports or lists a folder of a thousand files (with fewer, the workers run dry
// and sleep thousands of times a search), few enough that waiting results take little memory.
constexpr std::size_t JobsPerWorker = 256;
// Each job waiting holds its folder open: on a machine with many cores, a tree of one file a
// folder must stay well under the usual limit of 1,024 open files.
constexpr std::size_t MaxJobs = 512;
// How long the calling thread waits for a worker before it handles pending messages again.
constexpr std::chrono::milliseconds WaitStep{10};

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

unsigned TSearchEngine::ThreadCount() const
{
    return Threads > 0 ? Threads : std::max(1u, std::thread::hardware_concurrency());
}

void TSearchEngine::SetCountAhead(std::unique_ptr<TCountAhead> ahead)
{
    Ahead = std::move(ahead);
}

bool TSearchEngine::TakeCountAhead(TCountAhead& ahead)
{
    StopRequested = false;
    while (!ahead.WaitFor(WaitStep)) {
        ProcessPendingMessage();
        if (StopRequested)
            ahead.Stop();
    }
    const bool whole = ahead.Whole();
    TSearchEngine& counter = ahead.Engine();
    const bool taken = !StopRequested && whole && ahead.Fresh() && ahead.Criteria() == Data &&
                       counter.Counted.Base == RunBaseFolder();
    if (!StopRequested && !taken)
        return false;
    // What the count's own walk would have done to the list and the counters; stopped while
    // waiting, it leaves no walk to search, as a count stopped on this thread.
    Results.Clear();
    Stats.CountedFiles = ahead.Stats().CountedFiles;
    Stats.Completed = taken && ahead.Stats().Completed;
    Counted = taken ? std::move(counter.Counted) : TCountedWalk{};
    return true;
}

std::string TSearchEngine::RunBaseFolder() const
{
    return BaseFolder.empty() ? CurrentProcessFolder() : BaseFolder;
}

bool TSearchEngine::CountFiles()
{
    if (std::unique_ptr<TCountAhead> ahead = std::move(Ahead); ahead && TakeCountAhead(*ahead))
        return !StopRequested;
    Stats.CountedFiles = 0;
    SearchPass = false;
    Counted.Steps.clear();
    Counted.Ready = false;
    CountByName = !Data.SkipTextFiles && !Data.SkipBinaryFiles && Data.SizeFilterMode == 0 && Data.DateFilterMode == 0;
    Run();
    // Only a whole walk can stand for the next search's walk.
    Counted.Ready = !StopRequested && !Data.SearchAgain;
    if (Counted.Ready) {
        Counted.Base = RunBaseFolder();
        Counted.Folders = Data.Folders;
        Counted.Specs = Data.FileSpecs;
        Counted.Recurse = Data.RecurseSubdirs;
        Counted.Zips = Data.SearchZIPs;
        Counted.SkipUnderscore = Data.SkipUnderscoreDirs;
    } else {
        Counted.Steps.clear();
    }
    return !StopRequested;
}

void TSearchEngine::Search()
{
    // A count ahead serves only the count that follows it.
    Ahead.reset();
    SearchPass = true;
    StartTime = TDateTime::Now();
    Run();
    // A kept walk serves the one search that follows its count.
    Counted.Steps.clear();
    Counted.Ready = false;
    Stats.ElapsedTime = TDateTime(TDateTime::Now().Value() - StartTime.Value());
}

bool TSearchEngine::CountedWalkMatches(const std::string& base) const
{
    return Counted.Ready && base == Counted.Base && Data.Folders == Counted.Folders && Data.FileSpecs == Counted.Specs &&
           Data.RecurseSubdirs == Counted.Recurse && Data.SearchZIPs == Counted.Zips &&
           Data.SkipUnderscoreDirs == Counted.SkipUnderscore;
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
    FolderBudget = TOpenFolder::Budget();
    const std::string base = RunBaseFolder();
    // The calling thread's own scans handle pending messages between lines; the workers' never do.
    if (const unsigned threads = ThreadCount(); threads > 1) {
        WorkerSearchers.clear();
        for (unsigned i = 0; i < threads; ++i)
            WorkerSearchers.push_back(std::make_unique<TFileSearcher>(Data, Today));
        const std::size_t jobs = std::min<std::size_t>(std::size_t{threads} * JobsPerWorker, MaxJobs);
        Pool = std::make_unique<TScanPool>(threads, jobs, [this](TFileJob& job, std::size_t worker) {
            RunJob(job, *WorkerSearchers[worker], {});
        });
    }

    // A pattern that does not compile would find nothing in every file (and, inverted, list
    // every line): the run says so and searches nothing. The counting pass leaves the telling to
    // the search pass that follows it.
    if (const int32_t code = Searcher->PatternErrorCode(); code != 0) {
        if (SearchPass && Notify.Error)
            Notify.Error(ErrorCaption, ErrorTitle, "Invalid regular expression: " + TRep::ErrorText(code));
    } else if (Data.SearchAgain) {
        SearchAgain();
    } else if (SearchPass && CountedWalkMatches(base)) {
        Results.Clear();
        SearchCounted();
    } else {
        Results.Clear();
        for (const std::string& folder : Data.Folders) {
            if (StopRequested)
                break;
            WorkingFolder = ResolveFolder(base, folder);
            SearchFolder(folder);
        }
    }
    ReportAll();
    // Workers still busy after a stop end at their next line; their outcomes are dropped.
    Pool.reset();
    WorkerSearchers.clear();

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
    if (!SearchPass) {
        // Counting leaves the list to the search that follows.
        for (std::size_t i = 0; i < Results.Count(); ++i)
            Stats.CountedFiles += Results.Item(i).InZip ? 0 : 1;
        return;
    }
    std::vector<std::unique_ptr<TFileData>> taken = Results.TakeAll();
    for (std::unique_ptr<TFileData>& source : taken) {
        if (StopRequested)
            break;
        if (source->InZip)
            continue;
        auto job = std::make_unique<TFileJob>();
        job->Source = TFileJob::TSource::Again;
        job->Record = std::make_unique<TFileData>(*source);
        Submit(std::move(job));
    }
}

void TSearchEngine::SearchCounted()
{
    for (TWalkStep& step : Counted.Steps) {
        if (StopRequested)
            break;
        switch (step.Kind) {
        case TWalkStep::TKind::FolderError:
            ReportError("Unable to search in folder " + step.Folder);
            break;
        case TWalkStep::TKind::Archive:
            ReportAll();
            InZip = true;
            WorkingFolder = CurrentFolder = step.Record->Folder;
            RootDevice = WorkingDevice = step.Record->Device;
            VisitedFolders.clear();
            SearchZip(*step.Record);
            break;
        case TWalkStep::TKind::Name: {
            InZip = false;
            auto job = std::make_unique<TFileJob>();
            job->Folder = std::move(step.Folder);
            job->Name = std::move(step.Name);
            Submit(std::move(job));
            break;
        }
        case TWalkStep::TKind::File: {
            InZip = false;
            auto job = std::make_unique<TFileJob>();
            job->Source = TFileJob::TSource::Counted;
            job->Folder = step.Record->Folder;
            job->Name = step.Record->FileName;
            job->Record = std::move(step.Record);
            Submit(std::move(job));
            break;
        }
        }
        ProcessPendingMessage();
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
        ReportAll();
        if (!SearchPass)
            Counted.Steps.push_back({TWalkStep::TKind::FolderError, nullptr, folder, {}});
        ReportError("Unable to search in folder " + folder);
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
    ReportAll();
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
    std::shared_ptr<TOpenFolder> opened;
    if (!TDirectoryLister::List(WorkingFolder, entries, opened))
        return false;
    // Past the budget the folder is let go, and its files are opened by their whole paths.
    if (TOpenFolder::HeldOpen() > FolderBudget)
        opened.reset();

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
            ProcessFiles(entries, spec, pass, opened);
            filesProcessed = true;
        }
        ProcessPendingMessage();
    }
    return true;
}

void TSearchEngine::ProcessFiles(const std::vector<TDirEntry>& entries, const std::string& spec, Pass pass,
                                 const std::shared_ptr<TOpenFolder>& folder)
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
        if (pass == Pass::Archives) {
            ReportAll();
            auto record = std::make_unique<TFileData>(WorkingFolder, entry.Name, Shell);
            SearchZip(*record);
            if (!SearchPass)
                Counted.Steps.push_back({TWalkStep::TKind::Archive, std::move(record), {}, {}});
            CurrentFolder = WorkingFolder;
            continue;
        }
        HandleFile(entry.Name, pass, folder);
        ProcessPendingMessage();
    }
}

void TSearchEngine::HandleFile(const std::string& name, Pass pass, const std::shared_ptr<TOpenFolder>& folder)
{
    if (!SearchPass && CountByName && pass != Pass::Members) {
        ListFileName(name);
        return;
    }
    auto job = std::make_unique<TFileJob>();
    job->Folder = WorkingFolder;
    job->Name = name;
    job->OpenFolder = folder;
    if (pass == Pass::Members) {
        job->InZip = true;
        job->ZipName = Unzipper->ZipFileName;
        if (const auto stored = MemberNames.find(name); stored != MemberNames.end())
            job->MemberName = stored->second;
    }
    Submit(std::move(job));
}

void TSearchEngine::ListFileName(const std::string& name)
{
    // Only a rule of the name can skip the file here (a ZIP while ZIPs' contents are searched);
    // the search pass opens it and gives the note.
    if (TFileFilter(Data, Today).NameSkipReason(name) != nullptr) {
        ++Skipped;
        ReportProgress();
    } else {
        ++Stats.CountedFiles;
    }
    Counted.Steps.push_back({TWalkStep::TKind::Name, nullptr, WorkingFolder, name});
}

void TSearchEngine::RunJob(TFileJob& job, TFileSearcher& searcher, const std::function<void()>& pending) const
{
    // A kept record is made again when its file changed since the count, just as one made by
    // the walk reads the file as it is then; a file gone since reads as one that cannot be opened.
    const bool makeRecord = job.Source == TFileJob::TSource::Walk ||
                            (job.Source == TFileJob::TSource::Counted && ChangedSinceCount(*job.Record));
    if (makeRecord) {
        // The type name and icon come from the engine's shell on the calling thread.
        TNullShellInfo noShell;
        job.Record = std::make_unique<TFileData>(job.Folder, job.Name, noShell, TFileData::TNamesOnly{});
        if (job.InZip) {
            job.Record->InZip = true;
            job.Record->ZipName = job.ZipName;
            job.Record->MemberName = job.MemberName;
        }
    }
    // One open classifies, filters and (in the search pass) scans the file; a listed file
    // searched again keeps its class and is not filtered.
    if (job.Source != TFileJob::TSource::Again)
        job.SkipReason = searcher.Open(*job.Record, job.OpenFolder && makeRecord ? job.OpenFolder->Fd() : -1);
    if (job.SkipReason)
        return;
    if (!SearchPass) {
        searcher.Close();
        return;
    }
    TRecordSink sink(*job.Record, Notify.KeepMatchedLines, pending);
    job.Matches = searcher.Scan(*job.Record, sink, StopRequested);
    if (!job.Record->Matches.empty()) {
        job.Found.Add(std::move(job.Record));
    } else if (job.Source != TFileJob::TSource::Again) {
        job.Size = job.Record->Size;
        job.Record.reset();
    }
}

void TSearchEngine::Submit(std::unique_ptr<TFileJob> job)
{
    if (!Pool) {
        RunJob(*job, *Searcher, [this] { ProcessPendingMessage(); });
        Report(*job);
        return;
    }
    // A full pool is let drain by half, so that the walk is woken once for many files.
    if (Pool->Full())
        WaitForWorkers(Pool->Capacity() / 2);
    if (StopRequested)
        return;
    Pool->Submit(std::move(job));
    ReportFinished();
}

void TSearchEngine::WaitForWorkers(std::size_t count)
{
    while (!StopRequested && !Pool->WaitUntilDone(count, WaitStep)) {
        // Stop must be seen, and results shown, while the workers are busy.
        ReportFinished();
        ProcessPendingMessage();
    }
    ReportFinished();
}

void TSearchEngine::ReportFinished()
{
    while (Pool && !StopRequested) {
        std::unique_ptr<TFileJob> job = Pool->TakeOldest();
        if (!job)
            return;
        Report(*job);
    }
}

void TSearchEngine::ReportAll()
{
    while (Pool && !StopRequested && !Pool->Empty())
        WaitForWorkers(Pool->Capacity());
}

void TSearchEngine::Report(TFileJob& job)
{
    if (job.Source == TFileJob::TSource::Again) {
        const TFileData& record = *job.File();
        ++Searched;
        Bytes += static_cast<double>(record.Size);
        CurrentFolder = record.Folder;
        CurrentFile = record.FileName;
    } else {
        TFileData* record = job.File();
        if (record)
            record->DescribeWith(Shell);
        CurrentFolder = job.Folder;
        if (job.SkipReason) {
            ++Skipped;
            // The counting pass keeps its notes to itself: the search pass gives them.
            if (SearchPass && Data.ShowLog && Notify.SkipNote)
                Notify.SkipNote("Skipped: " + record->FullPath + ", " + job.SkipReason);
            ReportProgress();
        } else if (!SearchPass) {
            ++Stats.CountedFiles;
            ProcessPendingMessage();
        } else {
            CurrentFile = record ? record->FileName : job.Name;
            ++Searched;
            Bytes += static_cast<double>(record ? record->Size : job.Size);
            ReportProgress();
        }
        if (!SearchPass) {
            if (!job.InZip)
                Counted.Steps.push_back({TWalkStep::TKind::File, std::move(job.Record), {}, {}});
            return;
        }
        if (job.SkipReason)
            return;
    }
    if (job.Found.Count() > 0) {
        Results.Add(std::move(job.Found.TakeAll().front()));
        if (Notify.NewResult)
            Notify.NewResult(Results.Item(Results.Count() - 1));
    }
    Matches += static_cast<uint64_t>(job.Matches);
    if (job.Matches > 0)
        ++Matched;
    if (job.Source == TFileJob::TSource::Again)
        ReportProgress();
}

void TSearchEngine::SearchZip(const TFileData& archive)
{
    // The members of the archive before are reported before this one's are written over them.
    ReportAll();
    if (!EnsureZipFolder()) {
        ReportError("Unable to search ZIP " + archive.FullPath);
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
    if (!StopRequested && !WalkFolder("*.*", Pass::Members))
        ReportError("Unable to search ZIP " + archive.FullPath);
    // The extracted members must be read before they are removed.
    ReportAll();
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
        if (SearchPass && Data.ShowLog && Notify.SkipNote)
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

void TSearchEngine::ReportError(const std::string& text)
{
    // Errors come in the walk's order among the outcomes of the files; the counting pass leaves
    // them to the search pass.
    ReportAll();
    if (SearchPass && Notify.Error)
        Notify.Error(ErrorCaption, ErrorTitle, text);
}

void TSearchEngine::ProcessPendingMessage()
{
    if (Notify.ProcessPendingMessage)
        Notify.ProcessPendingMessage();
}
