// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/TFileData.h"
#include "model/TFileList.h"

class TOpenFolder;

// One file of a search, from the walk to its report. The walk fills in where the file is; a
// worker makes (or checks) its record, applies the filters and scans it; the calling thread
// reports the outcome. One thread at a time touches a job: the pool hands it over.
struct TFileJob {
    enum class TSource : uint8_t {
        Walk,    // found by the walk: the record is made from Folder and Name
        Counted, // kept by the counting pass: Record is made again only if the file changed since
        Again,   // a listed file searched again: Record is given and not filtered
    };

    TSource Source = TSource::Walk;
    std::string Folder;
    std::string Name;
    // The folder held open by the walk, when it still is: the file is opened by its name in it.
    std::shared_ptr<const TOpenFolder> OpenFolder;
    // For a ZIP member: its archive and the name the archive stores it under.
    bool InZip = false;
    std::string ZipName;
    std::string MemberName;

    // The file's record; moved into Found when the scan records a match. A record the search
    // pass found nothing in is let go on the worker that made it, where freeing it is cheap;
    // its size stays in Size.
    std::unique_ptr<TFileData> Record;
    int64_t Size = 0;
    // Null when the file passed the filters, otherwise why it is skipped.
    const char* SkipReason = nullptr;
    int64_t Matches = 0;
    TFileList Found;

    // The record, wherever it is; null once let go.
    TFileData* File() { return Found.Count() > 0 ? &Found.Item(0) : Record.get(); }
};
