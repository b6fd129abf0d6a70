// SPDX-License-Identifier: MIT
#include "cli/TSavedResults.h"

#include <ostream>
#include <string_view>

#include "engine/TOpenFile.h"
#include "model/TDateFormat.h"
#include "model/TFileData.h"
#include "model/TResultSetFile.h"
#include "presentation/TSearchSummary.h"

bool TSavedResults::Save(const std::string& path, const TSearchData& data, const TSearchStats& stats,
                         const TFileList& results, std::ostream& err)
{
    std::string error;
    if (TResultSetFile::Save(path, data, stats, TSearchSummary::Result(data, stats), TSearchSummary::Speed(stats),
                             results, error))
        return true;
    err << "quarnel: " << error << "\n";
    return false;
}

bool TSavedResults::Load(const std::string& path, TResultSet& set, bool withLines, std::ostream& err)
{
    std::string error;
    if (TResultSetFile::Load(path, set, error,
                             withLines ? TResultSetFile::TLineTexts::Load : TResultSetFile::TLineTexts::Skip))
        return true;
    err << "quarnel: " << error << "\n";
    return false;
}

std::string TSavedResults::Summary(const TResultSet& set)
{
    return set.Summary + " (saved " + TDateFormat::Program().Format(set.Saved) + ")";
}

void TSavedResults::ReadMatchedLines(TFileData& record)
{
    if (!record.MatchedLines.empty() || record.Matches.empty() || record.InZip || record.IsFileChanged())
        return;
    TOpenFile reader;
    if (!reader.OpenRead(record.FullPath, record.EndsWithNewline, record.FileType))
        return;
    // One text per place that holds matches, in order, as a search keeps them.
    const TMatchList& matches = record.Matches;
    std::size_t next = 0;
    const auto takePlace = [&](std::string_view text) {
        const TLinePlace place = matches[next].Place();
        record.MatchedLines.emplace_back(text);
        while (next < matches.size() && matches[next].Place() == place)
            ++next;
    };
    std::string_view line;
    while (next < matches.size() && reader.ReadLine(line) != TOpenFile::EndOfLines) {
        const TLinePlace place = reader.Place();
        while (next < matches.size() && matches[next].Place() < place)
            takePlace({}); // a place the file does not hold: no text
        if (next < matches.size() && matches[next].Place() == place)
            takePlace(line);
    }
    reader.CloseFile();
}
