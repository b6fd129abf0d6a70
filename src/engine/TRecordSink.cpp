// SPDX-License-Identifier: MIT
#include "engine/TRecordSink.h"

#include "engine/TSearchNotifications.h"
#include "model/TFileData.h"
#include "model/TFileList.h"

bool TRecordSink::Line(int64_t, uint32_t, std::string_view text, std::span<const TMatch> hits)
{
    Record.Matches.insert(Record.Matches.end(), hits.begin(), hits.end());
    if (KeepLines)
        Record.MatchedLines.emplace_back(text);
    return true;
}

void TRecordSink::Pending()
{
    if (OnPending)
        OnPending();
}

void TRecordSink::Publish(std::unique_ptr<TFileData>& record, TFileList& results, const TSearchNotifications& notify)
{
    if (!record || record->Matches.empty())
        return;
    results.Add(std::move(record));
    if (notify.NewResult)
        notify.NewResult(results.Item(results.Count() - 1));
}
