// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "engine/TLineSink.h"

class TFileData;
class TFileList;
struct TSearchNotifications;

// The engine's sink: appends each line's hits to its record's matches, and the line's text to
// its MatchedLines when asked to keep it, so that a printer need not read the file again.
class TRecordSink : public TLineSink {
public:
    TRecordSink(TFileData& record, bool keepLines, std::function<void()> pending = {})
        : Record(record), KeepLines(keepLines), OnPending(std::move(pending)) {}

    bool Line(int64_t number, uint32_t piece, std::string_view text, std::span<const TMatch> hits) override;
    void Pending() override;

    // Moves a record that holds matches to the end of `results` (leaving `record` empty) and
    // gives the new-result notification; a record without matches stays with the caller.
    static void Publish(std::unique_ptr<TFileData>& record, TFileList& results, const TSearchNotifications& notify);

private:
    TFileData& Record;
    bool KeepLines;
    std::function<void()> OnPending;
};
