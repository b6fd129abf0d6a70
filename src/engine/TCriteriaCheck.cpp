// SPDX-License-Identifier: MIT
#include "engine/TCriteriaCheck.h"

#include "engine/TRep.h"
#include "model/TSearchData.h"

std::string TCriteriaCheck::TFault::PatternErrorText() const
{
    return TRep::ErrorText(PatternError);
}

TCriteriaCheck::TEntries TCriteriaCheck::TEntries::Of(const TSearchData& data)
{
    TEntries entries;
    entries.SearchString = data.SearchString;
    entries.SearchMode = data.SearchMode;
    entries.MatchCase = data.MatchCase;
    entries.HasFileSpecs = !data.FileSpecs.empty();
    entries.HasFolders = !data.Folders.empty();
    entries.SkipTextFiles = data.SkipTextFiles;
    entries.SkipBinaryFiles = data.SkipBinaryFiles;
    return entries;
}

int32_t TCriteriaCheck::PatternErrorCode(std::string_view searchString, uint8_t searchMode, bool matchCase)
{
    if (searchMode != TSearchData::ModeNormal)
        return 0;
    // The line scan compiles the pattern folded when case does not matter; so does the check.
    return TRep(searchString, !matchCase).ErrorCode();
}

std::vector<TCriteriaCheck::TFault> TCriteriaCheck::Faults(const TEntries& entries)
{
    std::vector<TFault> faults;
    if (entries.SearchString.empty())
        faults.push_back({TField::SearchString, TReason::Missing});
    else if (const int32_t code = PatternErrorCode(entries.SearchString, entries.SearchMode, entries.MatchCase); code != 0)
        faults.push_back({TField::SearchString, TReason::InvalidPattern, code});
    if (!entries.HasFileSpecs)
        faults.push_back({TField::FileSpecs, TReason::Missing});
    if (!entries.HasFolders)
        faults.push_back({TField::Folders, TReason::Missing});
    if (entries.SkipTextFiles && entries.SkipBinaryFiles)
        faults.push_back({TField::FileKinds, TReason::NothingToSearch});
    return faults;
}
