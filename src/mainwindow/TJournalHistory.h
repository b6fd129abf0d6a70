// SPDX-License-Identifier: MIT
#pragma once

#include "dialogs/TReplaceHistorySource.h"

class TReplaceJournal;

// The replace journal as the Replace History dialog and command read it: its runs and files with
// texts for the user, its limits and the space it uses, and its undo, whose progress is told
// file by file as the undo's report reaches each file.
class TJournalHistory : public TReplaceHistorySource {
public:
    // `journal` is open and outlives this object.
    explicit TJournalHistory(TReplaceJournal& journal);

    std::string Problem() const override;
    std::vector<TRun> Runs() override;
    std::vector<TFile> Files(int64_t run) override;
    std::string ChangesCsv(int64_t run) override;
    TUsage Usage() override;
    TUndoResult Undo(int64_t run, TResultsSink& report,
                     const std::function<void(const std::string& path)>& progress) override;

private:
    TReplaceJournal& Journal;
};
