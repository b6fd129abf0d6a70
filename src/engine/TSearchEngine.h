#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <set>
#include <utility>
#include <vector>

#include "engine/TSearchNotifications.h"
#include "model/TDateTime.h"

class TFileData;
class TFileSearcher;
class TFileList;
class TSearchData;
class TShellInfo;
class TZipExtractor;
struct TDirEntry;
struct TSearchStats;

// Carries out one search over the criteria of a TSearchData and fills a TFileList: each root
// folder is walked once per file specification, every file found gets a record, is filtered and
// scanned; with ZIP search on, each archive is extracted into a private temporary folder and its
// members are searched the same way. An optional counting pass walks and filters without
// scanning, to give a progress bar its maximum.
//
// The engine keeps its own current folder (it never changes the process's) and reports only
// through TSearchNotifications. StopSearch may be called from another thread or from a
// notification; the run ends at the next line, entry or file.
class TSearchEngine {
public:
    TSearchEngine(const TSearchData& data, TFileList& results, TSearchStats& stats, TShellInfo& shell);
    ~TSearchEngine();
    TSearchEngine(const TSearchEngine&) = delete;
    TSearchEngine& operator=(const TSearchEngine&) = delete;

    void SetNotifications(TSearchNotifications notifications) { Notify = std::move(notifications); }

    // The counting pass. True when no stop was requested.
    bool CountFiles();
    // The search pass.
    void Search();
    void StopSearch() { StopRequested = true; }
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

    void Run();
    void SearchAgain();
    void SearchFolder(const std::string& folder);
    // Walks the engine's current folder. False when the folder could not be read.
    bool WalkFolder(const std::string& spec, Pass pass);
    // Whether the walk goes into the sub-folder `entry` of WorkingFolder (full path `path`);
    // marks it visited when it does.
    bool EntersFolder(const TDirEntry& entry, const std::string& path);
    void ProcessFiles(const std::vector<TDirEntry>& entries, const std::string& spec, Pass pass);
    void HandleFile(std::unique_ptr<TFileData> record, Pass pass);
    int64_t ScanFile(std::unique_ptr<TFileData>& record);
    void SearchZip(const TFileData& archive);
    bool EnsureZipFolder();
    void ClearZipFolder();
    void RemoveZipFolder();
    // Joins the extractor's hooks to the run: the stop request, the message pump, skip notes and
    // the stored names of the members written.
    void ConnectUnzipper();
    void ReportProgress();
    void ProcessPendingMessage();

    const TSearchData& Data;
    TFileList& Results;
    TSearchStats& Stats;
    TShellInfo& Shell;
    TSearchNotifications Notify;
    std::unique_ptr<TFileSearcher> Searcher;
    std::unique_ptr<TZipExtractor> Unzipper;

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
