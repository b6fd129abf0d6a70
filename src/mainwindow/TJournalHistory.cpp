// SPDX-License-Identifier: MIT
#include "mainwindow/TJournalHistory.h"

#include "model/TFileData.h"
#include "presentation/TResultsSink.h"
#include "replace/TReplaceCsv.h"
#include "replace/TReplaceJournal.h"

namespace {

// Passes everything on to the report, and tells `progress` of each file as its section begins.
class TProgressReport : public TResultsSink {
public:
    TProgressReport(TResultsSink& report, const std::function<void(const std::string& path)>& progress)
        : Report(report), Progress(progress)
    {
    }

    bool BeginDocument() override { return Report.BeginDocument(); }
    void WriteTitle(std::string_view title, std::string_view subtitle, int matchWindow) override
    {
        Report.WriteTitle(title, subtitle, matchWindow);
    }
    void WriteFileHeader(const TFileData& file) override
    {
        if (Progress)
            Progress(file.FullPath);
        Report.WriteFileHeader(file);
    }
    void WriteFileLine(std::string_view lineText, int64_t lineNumber, const TMatchList& matches,
                       std::size_t firstIndex, std::string_view filePath, uint32_t piece) override
    {
        Report.WriteFileLine(lineText, lineNumber, matches, firstIndex, filePath, piece);
    }
    void WriteGapMarker() override { Report.WriteGapMarker(); }
    void WriteNote(std::string_view text) override { Report.WriteNote(text); }
    void WriteMessageLine(std::string_view text) override { Report.WriteMessageLine(text); }
    void WriteFileFooter() override { Report.WriteFileFooter(); }
    bool FlushDocument() override { return Report.FlushDocument(); }
    bool FinishDocument() override { return Report.FinishDocument(); }

private:
    TResultsSink& Report;
    const std::function<void(const std::string& path)>& Progress;
};

std::string WhyNot(TReplaceJournal::TUndoState state)
{
    switch (state) {
    case TReplaceJournal::TUndoState::Undoable:
        return {};
    case TReplaceJournal::TUndoState::AlreadyUndone:
        return "Undone already";
    case TReplaceJournal::TUndoState::NothingChanged:
        return "Nothing changed";
    case TReplaceJournal::TUndoState::OriginalsPruned:
        return "Copies removed (limits)";
    }
    return {};
}

std::string FileState(const TReplaceJournal::TFileRecord& file, bool undo)
{
    if (file.Restored)
        return "Restored";
    // Written ahead but never marked done: the run was stopped while this file was changed.
    if (!file.Done)
        return "Interrupted";
    return undo ? "Put back by this undo" : "Changed";
}

} // namespace

TJournalHistory::TJournalHistory(TReplaceJournal& journal) : Journal(journal) {}

std::string TJournalHistory::Problem() const
{
    return Journal.Problem();
}

std::vector<TReplaceHistorySource::TRun> TJournalHistory::Runs()
{
    std::vector<TRun> runs;
    for (const TReplaceJournal::TRunSummary& summary : Journal.Runs()) {
        TRun run;
        run.Number = summary.Run;
        run.Started = static_cast<std::time_t>(summary.StartedAt);
        run.SearchText = summary.SearchText;
        run.Replacement = summary.Replacement;
        run.FilesChanged = summary.FilesChanged;
        run.ChangesMade = summary.ChangesMade;
        run.CanUndo = summary.CanUndo();
        run.WhyNot = WhyNot(summary.State);
        run.IsUndo = summary.IsUndo;
        run.UndoOf = summary.UndoOf;
        runs.push_back(std::move(run));
    }
    return runs;
}

std::vector<TReplaceHistorySource::TFile> TJournalHistory::Files(int64_t run)
{
    TReplaceJournal::TRunSummary summary;
    const bool undo = Journal.FindRun(run, summary) && summary.IsUndo;
    std::vector<TFile> files;
    for (const TReplaceJournal::TFileRecord& record : Journal.Files(run))
        files.push_back(TFile{record.Path, record.Changes, FileState(record, undo)});
    return files;
}

std::string TJournalHistory::ChangesCsv(int64_t run)
{
    return TReplaceCsv::Document(Journal.Files(run));
}

TReplaceHistorySource::TUsage TJournalHistory::Usage()
{
    return TUsage{Journal.MaxRuns(), static_cast<uint64_t>(Journal.MaxBytes()),
                  static_cast<uint64_t>(Journal.SpaceUsed())};
}

TReplaceHistorySource::TUndoResult TJournalHistory::Undo(int64_t run, TResultsSink& report,
                                                         const std::function<void(const std::string& path)>& progress)
{
    TProgressReport told(report, progress);
    const TReplaceJournal::TUndoOutcome outcome = Journal.Undo(run, told);
    return TUndoResult{outcome.Error.empty(), outcome.Restored, static_cast<int64_t>(outcome.LeftAlone.size()),
                       outcome.Error};
}
