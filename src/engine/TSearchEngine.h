// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <set>
#include <utility>
#include <vector>

#include "engine/TFileJob.h"
#include "engine/TSearchNotifications.h"
#include "model/TDateTime.h"

class TCountAhead;
class TFileData;
class TFileSearcher;
class TFileList;
class TScanPool;
class TSearchData;
class TShellInfo;
class TZipExtractor;
struct TDirEntry;
struct TSearchStats;

// Carries out one search over the criteria of a TSearchData and fills a TFileList: each root
// folder is walked once per file specification, every file found gets a record, is filtered and
// scanned; with ZIP search on, each archive is extracted into a private temporary folder and its
// members are searched the same way. An optional counting pass walks and filters without
// scanning, to give a progress bar its maximum; it keeps what it found, and the search pass
// that follows it with the same folders and specifications searches that list instead of
// walking again. The counting pass tells nothing (no skip notes, no errors): the search pass
// that follows does.
//
// The walk runs on the calling thread; the files it finds are classified, filtered and scanned
// on worker threads, and their outcomes are reported on the calling thread in the walk's order,
// so that every notification, the result list and the counters are those of a run on one
// thread. ZIP archives are extracted on the calling thread. With one thread everything runs on
// the calling thread.
//
// The engine keeps its own current folder (it never changes the process's) and reports only
// through TSearchNotifications, always on the calling thread. StopSearch may be called from
// another thread or from a notification; the run ends at the next line, entry or file, and
// what the workers had not reported yet is dropped.
class TSearchEngine {
public:
    TSearchEngine(const TSearchData& data, TFileList& results, TSearchStats& stats, TShellInfo& shell);
    ~TSearchEngine();
    TSearchEngine(const TSearchEngine&) = delete;
    TSearchEngine& operator=(const TSearchEngine&) = delete;

    void SetNotifications(TSearchNotifications notifications) { Notify = std::move(notifications); }

    // The counting pass. True when no stop was requested.
    bool CountFiles();
    // A count already running on a thread of its own: the next CountFiles waits for it and takes
    // what it found when it counted with the same criteria from the same folder.
    void SetCountAhead(std::unique_ptr<TCountAhead> ahead);
    // The search pass.
    void Search();
    void StopSearch() { StopRequested = true; }
    // How many threads scan files; 0 (the default) for one per core.
    void SetThreads(unsigned threads) { Threads = threads; }
    unsigned ThreadCount() const;
    bool IsStopRequested() const { return StopRequested; }

    // The folder relative root folders are resolved against; the process's current folder
    // when the run starts unless set.
    void SetBaseFolder(std::string folder) { BaseFolder = std::move(folder); }

    uint32_t MatchedFiles() const { return Matched; }
    double BytesSearched() const { return Bytes; }
    uint32_t SearchedFiles() const { return Searched; }
    uint32_t SkippedFiles() const { return Skipped; }
    uint64_t TotalMatches() const { return Matches; }

    // Texts of the error notifications.
    static constexpr const char* ErrorCaption = "Search Error";
    static constexpr const char* ErrorTitle = "An error has occured:";

private:
    enum class Pass { Specs, Archives, Members };
    // One step of a walk as the counting pass keeps it for the search pass: a file, an archive
    // whose members are searched, or a root folder that could not be read.
    struct TWalkStep {
        // Name: a file the count listed by its name alone, searched as the walk finds one.
        enum class TKind : uint8_t { File, Name, Archive, FolderError } Kind = TKind::File;
        std::unique_ptr<TFileData> Record; // File, Archive
        std::string Folder;                // FolderError: the root as given; Name: its folder
        std::string Name;                  // Name
    };

    // The walk of a counting pass, kept for the search pass that follows it: its steps, whether
    // it was whole, and the base folder and criteria it walked with.
    struct TCountedWalk {
        std::vector<TWalkStep> Steps;
        bool Ready = false;
        std::string Base;
        std::vector<std::string> Folders, Specs;
        bool Recurse = false, Zips = false, SkipUnderscore = false;
    };

    void Run();
    // Waits for the count ahead, handling pending messages and passing a stop on, and takes
    // what it found. False when it does not stand for this count.
    bool TakeCountAhead(TCountAhead& ahead);
    // The folder relative root folders are resolved against in this run.
    std::string RunBaseFolder() const;
    void SearchAgain();
    void SearchCounted();
    void SearchFolder(const std::string& folder);
    // Walks the engine's current folder. False when the folder could not be read.
    bool WalkFolder(const std::string& spec, Pass pass);
    // Whether the walk goes into the sub-folder `entry` of WorkingFolder (full path `path`);
    // marks it visited when it does.
    bool EntersFolder(const TDirEntry& entry, const std::string& path);
    void ProcessFiles(const std::vector<TDirEntry>& entries, const std::string& spec, Pass pass,
                      const std::shared_ptr<TOpenFolder>& folder);
    void HandleFile(const std::string& name, Pass pass, const std::shared_ptr<TOpenFolder>& folder);
    // The counting pass's part for a file it need not open: counts (or skips) it by its name.
    void ListFileName(const std::string& name);
    void SearchZip(const TFileData& archive);
    bool EnsureZipFolder();
    void ClearZipFolder();
    void RemoveZipFolder();
    // Joins the extractor's hooks to the run: the stop request, the message pump, skip notes and
    // the stored names of the members written.
    void ConnectUnzipper();
    void ReportProgress();
    void ProcessPendingMessage();
    void ReportError(const std::string& text);

    // The per-file work, on a worker (or the calling thread with one thread): make or check the
    // record, filter it, scan it. Reads only the criteria and what the run set before it began.
    void RunJob(TFileJob& job, TFileSearcher& searcher, const std::function<void()>& pending) const;
    // Hands a job to the workers, or runs it at once with one thread.
    void Submit(std::unique_ptr<TFileJob> job);
    // Reports a job's outcome on the calling thread, as the walk would have met it.
    void Report(TFileJob& job);
    // Reports the finished jobs at the head of the queue.
    void ReportFinished();
    // Waits until the oldest `count` jobs are done and reports them, handling pending messages
    // and reporting what is done meanwhile.
    void WaitForWorkers(std::size_t count);
    // Reports every job handed out so far (ends early on a stop).
    void ReportAll();
    // Whether the walk of `Data` from `base` is the one the kept counting pass walked.
    bool CountedWalkMatches(const std::string& base) const;

    const TSearchData& Data;
    TFileList& Results;
    TSearchStats& Stats;
    TShellInfo& Shell;
    TSearchNotifications Notify;
    std::unique_ptr<TFileSearcher> Searcher;
    std::unique_ptr<TZipExtractor> Unzipper;
    std::unique_ptr<TCountAhead> Ahead;
    unsigned Threads = 0;
    // Of one run: the workers and a scanner for each, the hook the calling thread's own scans
    // call between lines.
    std::unique_ptr<TScanPool> Pool;
    std::vector<std::unique_ptr<TFileSearcher>> WorkerSearchers;
    // What the last complete counting pass walked, and what it walked.
    TCountedWalk Counted;
    // Whether the counting pass lists files by name: no filter of the run needs a file's size,
    // date or content, so opening the file would change nothing the count shows.
    bool CountByName = false;
    // How many folders the walk may hold open for the jobs of their files.
    std::size_t FolderBudget = 0;

    uint32_t Matched = 0;
    double Bytes = 0;
    uint32_t Searched = 0;
    uint32_t Skipped = 0;
    uint64_t Matches = 0;
    std::string CurrentFile;
    std::string CurrentFolder;
    std::atomic<bool> StopRequested{false};
    TDateTime StartTime;
    bool InZip = false;
    bool SearchPass = false;
    int32_t Today = 0;

    std::string BaseFolder;
    std::string WorkingFolder;      // the engine's current folder
    std::string PrivateTempFolder;  // made once per engine with mkdtemp
    std::string ZipFolder;          // the extraction folder inside it
    // The folders (device and inode) one walk of a root for one specification has entered:
    // each is entered once, however many links lead to it, so that links back up the tree end
    // and chains of links to the same folders cost no more than the folders themselves.
    std::set<std::pair<uint64_t, uint64_t>> VisitedFolders;
    uint64_t RootDevice = 0;     // of the root folder being walked
    uint64_t WorkingDevice = 0;  // of WorkingFolder
    // The archive being searched: the stored name of the member behind each extracted file.
    std::map<std::string, std::string> MemberNames;
};
