// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

class TResultsSink;

// What the Replace History dialog and command ask of the journal of replace runs: the runs kept,
// newest first, the limits the journal keeps them within and the space they take, and the undo
// of one run. The window gives an adapter of the real journal; tests give a fake.
class TReplaceHistorySource {
public:
    // One run as the history lists it. Texts are bytes, as the search model holds them.
    struct TRun {
        int64_t Number = 0;
        std::time_t Started = 0;
        std::string SearchText;
        std::string Replacement;
        int64_t FilesChanged = 0;
        int64_t ChangesMade = 0;
        bool CanUndo = false;
        // Why the run cannot be undone, such as "Undone already"; empty when it can.
        std::string WhyNot;
        // The run is itself the undo of the run UndoOf.
        bool IsUndo = false;
        int64_t UndoOf = 0;
    };
    // One file of a run, for the details of the chosen run.
    struct TFile {
        std::string Path;
        int64_t Changes = 0;
        // Where the file stands, such as "Can be restored" or "Changed since the replace".
        std::string State;
    };
    struct TUsage {
        int64_t RunLimit = 0;
        uint64_t SizeLimit = 0;  // bytes
        uint64_t SpaceUsed = 0;  // bytes
    };
    // The outcome of an undo.
    struct TUndoResult {
        bool Ran = false;          // the run was found and the undo was attempted
        int64_t Restored = 0;      // files put back
        int64_t LeftAlone = 0;     // files that were not put back
        std::string Problem;       // why nothing was attempted, when Ran is false
    };

    virtual ~TReplaceHistorySource() = default;

    // A problem found when the journal was opened (it was set aside, say), empty when none.
    virtual std::string Problem() const = 0;
    virtual std::vector<TRun> Runs() = 0;
    virtual std::vector<TFile> Files(int64_t run) = 0;
    // The changes of `run` as comma-separated values (file, line, column, old text, new text).
    virtual std::string ChangesCsv(int64_t run) = 0;
    virtual TUsage Usage() = 0;
    // Restores the files of `run`, writing each file's outcome into `report` (whose document
    // the caller begins and finishes). `progress`, when set, is called with each file's path as
    // its outcome reaches the report, so that the caller can show where the undo is.
    virtual TUndoResult Undo(int64_t run, TResultsSink& report,
                             const std::function<void(const std::string& path)>& progress) = 0;
};
